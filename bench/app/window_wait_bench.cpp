// The window waiting for the first pack's batch, as the user sees it: "Packen zum 1." clicked
// on the real window (offscreen), the wait asked from the window's timer while the event loop
// runs and the bar is painted. Reports the share of the wait's wall time that the whole
// process spends on the processor (a busy loop would be 100 %) and how soon the bar reaches
// 100 after the batch delivered. The batch is a stand-in for tessarine-cli that sleeps and
// then writes both archives; TESS_BENCH_BATCH_SECONDS changes its ten seconds.
#include "app/tform1.h"
#include "platform/program_folder.h"
#include "result_lines.h"
#include "ui_mainwindow.h"
#include "wait_clock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using tess::bench::modifiedAt;
using tess::bench::processCpuSeconds;
using tess::bench::realNow;

void WindowWaitsForATenSecondBatch(benchmark::State& state) {
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    const auto [root, program, target] = tess::bench::standInInstallation("tess-bench-window");
    tess::setProgramFolderOverride(program.string() + "/");

    double cpuShare = 0;
    double latency = 0;
    double wall = 0;
    for (auto _ : state) {
        fs::remove(program / "Bench_001.rfa");
        fs::remove(target / "Bench_001.rfa");
        TForm1 form;
        form.show();
        form.state().mapName = "Bench";
        form.state().levelDir = program.string() + "/bf1942\\levels\\Bench_001\\";
        form.setSaveChooser([&](const QString&, const QString&, const QString&) {
            return QString::fromStdString((target / "Bench_001").string());
        });
        QString failure;
        form.setMessageReader([&](QMessageBox::Icon, const QString& text) { failure = text; });
        QEventLoop loop;
        double noticed = 0;
        QObject::connect(form.controls().packbar, &QProgressBar::valueChanged, &loop,
                         [&](int value) {
                             if (value == 100) {
                                 noticed = realNow();
                                 loop.quit();
                             }
                         });

        const double cpuBefore = processCpuSeconds();
        const double wallBefore = realNow();
        form.Label42Click();
        if (form.isWaiting())
            loop.exec();
        const double cpu = processCpuSeconds() - cpuBefore;
        QCoreApplication::processEvents();
        if (!failure.isEmpty() || noticed == 0) {
            state.SkipWithError(failure.isEmpty() ? "no wait" : failure.toStdString().c_str());
            break;
        }
        wall = noticed - wallBefore;
        cpuShare = 100.0 * cpu / wall;
        latency = noticed - std::max(modifiedAt(program / "Bench_001.rfa"),
                                     modifiedAt(target / "Bench_001.rfa"));
    }
    state.counters["wall_s"] = wall;
    state.counters["cpu_percent_of_wall"] = cpuShare;
    state.counters["notice_latency_ms"] = latency * 1000.0;
    tess::setProgramFolderOverride("");
    fs::remove_all(root);
}

} // namespace

BENCHMARK(WindowWaitsForATenSecondBatch)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv) {
    const bool results = tess::bench::takeResultsFlag(argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    return tess::bench::runBenchmarks(argc, argv, results);
}
