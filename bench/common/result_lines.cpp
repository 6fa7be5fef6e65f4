#include "result_lines.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tess::bench {

namespace {

// A counter's unit from its name: Google Benchmark's own rates, "..._ms", "..._s",
// "..._percent...".
std::string counterUnit(const std::string& name) {
    const auto endsWith = [&](const char* suffix) {
        const std::size_t n = std::strlen(suffix);
        return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
    };
    if (name == "bytes_per_second")
        return "B/s";
    if (name == "items_per_second")
        return "items/s";
    if (endsWith("_ms"))
        return "ms";
    if (endsWith("_s"))
        return "s";
    if (name.find("percent") != std::string::npos)
        return "%";
    return "count";
}

template <typename Run> bool failed(const Run& run) {
    if constexpr (requires { run.error_occurred; })
        return run.error_occurred;
    else
        return static_cast<bool>(run.skipped);
}

// The console as usual; the figures of every case kept for the result lines at the end. With
// repetitions (--benchmark_repetitions), a case's figures are the medians of its repetitions
// and come once; complexity fits and the other summaries are left out (bench/run derives its
// own).
class ResultLinesReporter : public benchmark::ConsoleReporter {
public:
    // Plain text, as the default reporter writes into a file or a pipe.
    ResultLinesReporter() : ConsoleReporter(OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (failed(run))
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median)
                std::erase_if(lines_, [&](const Line& line) { return line.caseName == name; });
            else if (run.run_type != Run::RT_Iteration ||
                     std::count(medians_.begin(), medians_.end(), name) > 0)
                continue;
            if (median)
                medians_.push_back(name);
            lines_.push_back({name, name, run.GetAdjustedRealTime(),
                              benchmark::GetTimeUnitString(run.time_unit)});
            for (const auto& [counter, value] : run.counters)
                lines_.push_back({name, name + "." + counter, value.value, counterUnit(counter)});
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::fflush(stdout);
        for (const Line& line : lines_)
            printResult(line.name, line.value, line.unit);
    }

private:
    struct Line {
        std::string caseName;
        std::string name;
        double value;
        std::string unit;
    };
    std::vector<Line> lines_;
    std::vector<std::string> medians_;
};

} // namespace

bool takeResultsFlag(int& argc, char** argv) {
    bool found = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--results") == 0)
            found = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return found;
}

void printResult(const std::string& name, double value, const std::string& unit) {
    std::printf("RESULT %s %.6g %s\n", name.c_str(), value, unit.c_str());
    std::fflush(stdout);
}

int runBenchmarks(int argc, char** argv) {
    const bool results = takeResultsFlag(argc, argv);
    return runBenchmarks(argc, argv, results);
}

int runBenchmarks(int argc, char** argv, bool results) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (results) {
        ResultLinesReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace tess::bench
