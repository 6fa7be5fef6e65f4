// The area editor with many areas: each confirmed with two clicks, "Fertig" once, each
// finished with two neighbours ticked, the script written to disk. The time must grow
// linearly with the number of areas: taking an area from the front of the queue costs the
// same however long the queue is, and ticking never walks the whole check list.
//
// The autosave: every click that changes the areas saves them all, so one click costs time in
// proportion to the areas drawn. A map has a few dozen; one click's save takes a few
// milliseconds, most of it the flush to disk, and stays far below what a user notices
// (100 ms) even with a thousand areas.
//
// Taking over a level's areas and proposing areas at its control points are one click each:
// with a thousand areas (far more than any level has) each must stay below 100 ms; a script
// of half a million lines whose areas all share one name, below 2 s.
#include "areas/area_editor.h"
#include "areas/area_file.h"
#include "areas/area_proposal.h"
#include "areas/level_takeover.h"
#include "areas/saved_areas.h"
#include "core/wizard_state.h"

#include "result_lines.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

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
        wizard.areaEditMode = tess::AreaEditMode::secondCorner;
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
    wizard.areaEditMode = tess::AreaEditMode::secondCorner;
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
        wizard.areaEditMode = tess::AreaEditMode::secondCorner;
        wizard.levelDir = addon.text();
        AreaEditor editor(wizard);
        benchmark::DoNotOptimize(loadSavedAreas(editor, file).areaCount);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadSavedAreas)->Arg(10000)->Unit(benchmark::kMillisecond);
// A script as this editor writes it for that many areas on a 4096 level, each with three
// neighbours, two flags, Infantry and Car order positions, a side and one kept line.
std::string areaScript(std::size_t areas) {
    std::string creates = "rem *** WorX done by ferro_lumen's Tessarine ...\r\n";
    std::string blocks;
    for (std::size_t i = 0; i < areas; ++i) {
        const auto x = static_cast<std::int64_t>(i % 30) * 136;
        const auto z = static_cast<std::int64_t>(i / 30) * 120;
        const std::string name = "Area" + std::to_string(i);
        creates += "aiStrategicArea.create " + name + " " + std::to_string(x) + "/" +
                   std::to_string(z) + " " + std::to_string(x + 80) + "/" + std::to_string(z + 96) +
                   " 100\r\n \r\n";
        const std::string at = std::to_string(x + 30) + "/" + std::to_string(z + 38);
        blocks += "aiStrategicArea.setActive " + name + "\r\n";
        for (const std::size_t n : {i + 1, i + 2, i + 30})
            blocks += "AIStrategicArea.addNeighbour Area" + std::to_string(n % areas) + "\r\n";
        blocks += "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
                  "aiStrategicArea.addObjectTypeFlag flank\r\n"
                  "AIStrategicArea.setOrderPosition Infantry " +
                  at + "\r\nAIStrategicArea.setOrderPosition Car " + at +
                  "\r\naiStrategicArea.setSide 1\r\n"
                  "aiStrategicArea.vehicleSearchRadius 160\r\n\r\n";
    }
    return creates + "\r\n \r\n \r\n" + blocks + "\r\n";
}

void BM_TakeOverAreas(benchmark::State& state) {
    const std::string script = areaScript(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const LevelTakeover takeover = takeOverLevelAreas(script, 4096, 8);
        benchmark::DoNotOptimize(takeover.areas.areas.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.size()));
}
BENCHMARK(BM_TakeOverAreas)->Arg(1000)->Unit(benchmark::kMillisecond);

// A script of that many lines near the size limit of a script (16 MB): half of them create
// lines of one name, half setActive blocks naming it, each with a side. Areas of one name take
// their blocks in turn, so the time grows with the lines, not with their square.
void BM_TakeOverOneNameManyTimes(benchmark::State& state) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    std::string script;
    for (std::size_t i = 0; i < lines / 2; ++i)
        script += "aiStrategicArea.create A " + std::to_string(i % 500 * 8) + "/0 " +
                  std::to_string(i % 500 * 8 + 40) + "/40 1\r\n";
    for (std::size_t i = 0; i < lines / 4; ++i)
        script += "aiStrategicArea.setActive A\r\naiStrategicArea.setSide 1\r\n";
    for (auto _ : state) {
        const LevelTakeover takeover = takeOverLevelAreas(script, 4096, 8);
        if (takeover.areas.size() != lines / 2)
            state.SkipWithError("an area was not taken over");
        benchmark::DoNotOptimize(takeover.areas.areas.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.size()));
}
BENCHMARK(BM_TakeOverOneNameManyTimes)->Arg(500000)->Unit(benchmark::kMillisecond);

// Control points on a jittered grid over a 4096 level, none inside another's area, so that
// every one gets an area; a third of them bases.
std::vector<tess::areas::ControlPoint> controlPoints(std::size_t count) {
    std::mt19937 random(7);
    std::vector<tess::areas::ControlPoint> points(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto& point = points[i];
        point.name = "Flagge" + std::to_string(i);
        point.x = static_cast<double>(i % 32) * 128 + 64 + static_cast<double>(random() % 40) - 20;
        point.z = static_cast<double>(i / 32) * 128 + 64 + static_cast<double>(random() % 40) - 20;
        point.radius = static_cast<double>(random() % 40) + 5;
        point.team = static_cast<int>(random() % 3);
        point.unableToChangeTeam = i % 3 == 0;
        point.templateFound = true;
    }
    return points;
}

void BM_ProposeAreas(benchmark::State& state) {
    const auto points = controlPoints(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const AreaProposal proposal = proposeAreas(points, {}, 4096, 8);
        if (proposal.areas.size() != points.size())
            state.SkipWithError("a control point got no area");
        benchmark::DoNotOptimize(proposal.areas.areas.data());
    }
}
BENCHMARK(BM_ProposeAreas)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return tess::bench::runBenchmarks(argc, argv);
}
