// Clocks for the benchmarks that wait for a batch: the processor time this process has
// spent, the wall clock, when a file was last written, and how long the stand-in batch
// sleeps (TESS_BENCH_BATCH_SECONDS, ten seconds unless set).
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>

namespace tess::bench {

inline double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double realNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double modifiedAt(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return 0;
    return static_cast<double>(info.st_mtim.tv_sec) +
           static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
}

inline int batchSeconds() {
    const char* text = std::getenv("TESS_BENCH_BATCH_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 10;
}

} // namespace tess::bench
