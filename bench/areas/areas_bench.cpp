// The area editor with many areas: each confirmed with two clicks, "Fertig" once, each
// finished with two neighbours ticked, the script written to disk. The time must grow
// linearly with the number of areas: taking an area from the front of the queue costs the
// same however long the queue is, and ticking never walks the whole check list.
//
// The autosave: every click that changes the areas saves them all, so one click costs time in
// proportion to the areas drawn. A map has a few dozen; one click's save takes a few
// milliseconds, most of it the flush to disk, and stays far below what a user notices
// (100 ms) even with a thousand areas.
#include "areas/area_editor.h"
#include "areas/area_file.h"
#include "areas/saved_areas.h"
#include "core/wizard_state.h"

#include "result_lines.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace tess::areas;

namespace {

class AddonFolder {
public:
    AddonFolder() : root_(fs::temp_directory_path() / "tess-bench-areas") {
        fs::remove_all(root_);
        fs::create_directories(root_ / "AI");
    }
    ~AddonFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string text() const { return root_.string() + "/"; }
    std::int64_t scriptBytes() const {
        return static_cast<std::int64_t>(fs::file_size(root_ / "AI/StrategicAreas.con"));
    }

private:
    fs::path root_;
};

void BM_AreasConfirmedFinishedAndWritten(benchmark::State& state) {
    const AddonFolder addon;
    const auto areas = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        tess::WizardState wizard;
        wizard.worldSize = 4096;
        wizard.worldScale = 8;
        wizard.areaEditMode = 1;
        wizard.levelDir = addon.text();
        AreaEditor editor(wizard);
        AreaPanel panel;
        panel.priorityText = "100";
        panel.side = Side::team1;
        panel.setFlag(AreaFlag::cp, true);
        panel.leicht = true;
        for (std::size_t i = 0; i < areas; ++i) {
            const auto x = static_cast<std::int32_t>(i % 500);
            const auto y = static_cast<std::int32_t>((i / 500) % 500);
            editor.newArea();
            editor.placeActiveMarker({x, y});
            editor.confirmPoint();
            editor.placeActiveMarker({x + 10, y + 12});
            editor.finishArea();
            panel.name = "Area" + std::to_string(i);
            editor.confirmArea(panel);
        }
        editor.openNeighbours();
        for (std::size_t i = 0; i < areas; ++i) {
            editor.setTicked((i + areas - 1) % areas, true);
            editor.setTicked((i + 1) % areas, true);
            editor.nextArea();
        }
        benchmark::DoNotOptimize(editor.summaryEntries().data());
    }
    state.SetBytesProcessed(state.iterations() * addon.scriptBytes());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AreasConfirmedFinishedAndWritten)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(10000)
    ->Arg(16000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// One tick in the neighbour list, saved with every area drawn so far.
void BM_AutosaveOfOneClick(benchmark::State& state) {
    const AddonFolder addon;
    const auto areas = static_cast<std::size_t>(state.range(0));
    tess::WizardState wizard;
    wizard.worldSize = 4096;
    wizard.worldScale = 8;
    wizard.areaEditMode = 1;
    wizard.levelDir = addon.text();
    wizard.mapName = "Bench";
    AreaEditor editor(wizard);
    AreaPanel panel;
    panel.priorityText = "100";
    panel.side = Side::team1;
    for (std::size_t i = 0; i < areas; ++i) {
        const auto x = static_cast<std::int32_t>(i % 500);
        editor.newArea();
        editor.placeActiveMarker({x, 10});
        editor.confirmPoint();
        editor.placeActiveMarker({x + 10, 22});
        editor.finishArea();
        panel.name = "Area" + std::to_string(i);
        editor.confirmArea(panel);
    }
    editor.openNeighbours();
    editor.enableAutosave(addon.text());
    bool ticked = false;
    for (auto _ : state) {
        ticked = !ticked;
        editor.setTicked(1, ticked);
    }
    if (!editor.autosaveError().empty())
        state.SkipWithError(editor.autosaveError().c_str());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AutosaveOfOneClick)
    ->Arg(30)
    ->Arg(300)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// "Gespeicherte Areas laden" with 10,000 areas, each naming the areas before and after it as
// neighbours, half of them walked in an open neighbour phase: read, checked and in the editor.
// The neighbours are found by name, so the time grows with the areas, not with their square.
void BM_LoadSavedAreas(benchmark::State& state) {
    const AddonFolder addon;
    const auto areas = static_cast<std::size_t>(state.range(0));
    AreaSession session;
    session.worldSize = 4096;
    session.neighbourPhase = true;
    for (std::size_t i = 0; i < areas; ++i) {
        SavedArea area;
        const auto x = static_cast<std::int32_t>(i % 500);
        const auto y = static_cast<std::int32_t>((i / 500) % 500);
        area.definition.corner1 = {x, y};
        area.definition.corner2 = {x + 10, y + 12};
        area.definition.panel.name = "Area" + std::to_string(i);
        area.definition.panel.priorityText = "100";
        area.definition.panel.side = Side::team1;
        area.definition.neighbours = {"Area" + std::to_string((i + areas - 1) % areas),
                                      "Area" + std::to_string((i + 1) % areas)};
        area.finished = i < areas / 2;
        session.areas.push_back(std::move(area));
    }
    const std::string file = addon.text() + "saved.json";
    {
        std::ofstream out(file, std::ios::binary);
        out << serialiseAreaSession(session);
    }
    for (auto _ : state) {
        tess::WizardState wizard;
        wizard.worldSize = 4096;
        wizard.worldScale = 8;
        wizard.areaEditMode = 1;
        wizard.levelDir = addon.text();
        AreaEditor editor(wizard);
        benchmark::DoNotOptimize(loadSavedAreas(editor, file).areaCount);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadSavedAreas)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return tess::bench::runBenchmarks(argc, argv);
}
