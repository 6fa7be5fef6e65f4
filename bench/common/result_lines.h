// Result lines: besides its usual output, every benchmark can print its figures as lines
// "RESULT name value unit" (one figure a line, no blanks inside name or unit), which
// bench/run collects into one table. The lines come only when asked for with --results.
#pragma once

#include <string>

namespace tess::bench {

// Takes "--results" out of the arguments (so that Google Benchmark never sees it) and says
// whether it was there.
bool takeResultsFlag(int& argc, char** argv);

// One result line, written to standard output.
void printResult(const std::string& name, double value, const std::string& unit);

// Runs the registered Google Benchmark cases as BENCHMARK_MAIN does. With --results, the
// console output stays as it is and one result line follows for each case (its real time)
// and each of its counters. Returns the exit code for main.
int runBenchmarks(int argc, char** argv);
// The same for a program that took the flag out itself (before QApplication saw the
// arguments).
int runBenchmarks(int argc, char** argv, bool results);

} // namespace tess::bench
