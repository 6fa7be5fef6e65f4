// Clocks for the benchmarks that wait for a batch: the processor time this process has
// spent, the wall clock, when a file was last written, and how long the stand-in batch
// sleeps (TESS_BENCH_BATCH_SECONDS, ten seconds unless set).
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A program folder with the addon of the map Bench, whose batch interpreter is a stand-in: it
// sleeps as long as a pack would take (batchSeconds) and then delivers the archive
// Bench_001.rfa, beside itself and in the target folder. Everything lies under root, a fresh folder
// of this process.
struct StandInInstallation {
    std::filesystem::path root;
    std::filesystem::path program;
    std::filesystem::path target;
};

inline StandInInstallation standInInstallation(const std::string& name) {
    namespace fs = std::filesystem;
    StandInInstallation made;
    made.root = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    fs::remove_all(made.root);
    made.program = made.root / "program";
    made.target = made.root / "target";
    fs::create_directories(made.program / "temp");
    // The addon that "Start" wrote for the map Bench, which the first pack packs.
    fs::create_directories(made.program / "bf1942" / "levels" / "Bench_001");
    std::ofstream(made.program / "bf1942" / "levels" / "Bench_001" / "ai.con") << "rem\r\n";
    fs::create_directories(made.target);
    std::ofstream(made.program / "tessarine-cli")
        << "#!/bin/sh\nsleep " << batchSeconds() << "\n: > Bench_001.rfa\n: > '"
        << (made.target / "Bench_001.rfa").string() << "'\n";
    fs::permissions(made.program / "tessarine-cli", fs::perms::owner_all);
    return made;
}

} // namespace tess::bench
