// Waiting for a batch that takes ten seconds, asked as the command-line tool and the window
// ask it (one poll, then a pause of kPollInterval). Reports the share of the wait's wall time
// that Tessarine spends on the processor (a busy loop would be 100 %) and how soon the wait
// notices the finished archive. The batch is a stand-in for tessarine-cli that sleeps and
// then writes both archives; TESS_BENCH_BATCH_SECONDS changes its ten seconds.
#include "core/wizard_state.h"
#include "packing/addon_pack.h"
#include "platform/program_folder.h"

#include "result_lines.h"
#include "wait_clock.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using tess::bench::modifiedAt;
using tess::bench::processCpuSeconds;
using tess::bench::realNow;

void WaitForATenSecondBatch(benchmark::State& state) {
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    const auto [root, program, target] = tess::bench::standInInstallation("tess-bench-wait");
    tess::setProgramFolderOverride(program.string());
    const std::string pf = tess::programFolder();

    double cpuShare = 0;
    double latency = 0;
    double wall = 0;
    for (auto _ : state) {
        fs::remove(program / "Bench_001.rfa");
        fs::remove(target / "Bench_001.rfa");
        tess::WizardState wizard;
        wizard.mapName = "Bench";
        wizard.levelDir = pf + "bf1942\\levels\\Bench_001\\";
        tess::packing::choosePackTarget(wizard, (target / "Bench_001").string(), pf);
        tess::packing::writePackBatch(wizard, pf);

        const double cpuBefore = processCpuSeconds();
        const double wallBefore = realNow();
        tess::packing::BatchWait wait = tess::packing::startFirstPack(wizard, pf);
        tess::packing::WaitStatus status;
        while (!(status = wait.poll()).done)
            std::this_thread::sleep_for(tess::packing::kPollInterval);
        const double noticed = realNow();
        const double cpu = processCpuSeconds() - cpuBefore;
        if (status.failed) {
            state.SkipWithError(status.message.c_str());
            break;
        }
        wall = noticed - wallBefore;
        cpuShare = 100.0 * cpu / wall;
        latency = noticed - std::max(modifiedAt(program / "Bench_001.rfa"),
                                     modifiedAt(target / "Bench_001.rfa"));
        while (!wait.batch().hasEnded())
            std::this_thread::sleep_for(tess::packing::kPollInterval);
    }
    state.counters["wall_s"] = wall;
    state.counters["cpu_percent_of_wall"] = cpuShare;
    state.counters["notice_latency_ms"] = latency * 1000.0;
    tess::setProgramFolderOverride("");
    fs::remove_all(root);
}

} // namespace

BENCHMARK(WaitForATenSecondBatch)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv) {
    return tess::bench::runBenchmarks(argc, argv);
}
