// Reading and drawing a 4096 x 4096 Level0 map (a 4096 level) as the window does when a map is
// selected: the file, the level's 1024 x 1024 overview picture and 200 spawn points of the
// addon, into the picture. Goal: under 150 ms and under 64 MiB.
// Retouching it in the pathmap window: a brush stroke of 64 cells with the picture drawn again
// (the shrunk layer of the whole map where the stroke went, and a view of 1024 x 768 cells
// close up), goal under 16 ms; "Speichern" of the class (the map, its Level1 and Level2 maps
// and their 8-bit twins), goal under 300 ms; the whole of it under 100 MiB.
//
//   pathmaps_bench [--results]     the timings (Google Benchmark; --results adds the result
//                                  lines that bench/run collects)
//   pathmaps_bench --once KIND     makes the files, draws once and prints the picture's size;
//                                  run it under /usr/bin/time -v for the peak memory
//
// KIND is "mixed" (a level like the real ones: most tiles whole, a quarter with cells),
// "cells" (every tile with its cells: the largest file of this size), "edit" (the mixed map
// opened for retouching from the addon, strokes, the window's layers, a save of the class) or
// "terrain" (a 4096 level's terrain read, a class drafted at 2048 x 2048 and compared).
//
// The ground under the pathmaps: reading a 4096 level's 1024 x 1024 heightmap and drafting a
// class's finest map of 2048 x 2048 cells from it, goal under 1 s; comparing a map of that size
// with its draft, goal under 200 ms; both under 128 MiB. The draft of 1, 4 and 16 million cells
// (the last a 4096 x 4096 map: its flood fill too), to see that it grows with the cells alone.
// In the pathmap window, the first layer of the terrain switched on for a class of 2048 x 2048
// cells (its verdicts judged once, the shrunk picture of the whole map drawn), goal under
// 100 ms so that the window does not stall; afterwards each picture close up draws the layers
// of 1024 x 768 cells in view, goal under 16 ms.
#include "pathmaps/draft.h"
#include "pathmaps/editor.h"
#include "pathmaps/grid_edit.h"
#include "pathmaps/levels.h"
#include "pathmaps/map_terrain.h"
#include "pathmaps/picture.h"
#include "pathmaps/writer.h"
#include "result_lines.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

void appendI32(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(u >> shift & 0xff);
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// 64 x 64 tiles of 64 x 64 cells. In "mixed", a quarter of the tiles carry cells (winding
// roads through blocked land), the rest are whole; in "cells", every tile carries cells.
std::string level0Map(bool everyTileWithCells) {
    std::mt19937 random(42);
    std::string out;
    for (std::int32_t field : {6, 6, 6, 0, 0, 2, 0, -1})
        appendI32(out, field);
    for (int tile = 0; tile < 64 * 64; ++tile) {
        const unsigned kind = random() % 4;
        if (!everyTileWithCells && kind != 0) {
            appendI32(out, kind == 1 ? 0 : 1);
            continue;
        }
        appendI32(out, -1);
        for (int row = 0; row < 64; ++row)
            for (int byte = 0; byte < 8; ++byte)
                out += static_cast<char>(random() & 0xff);
    }
    return out;
}

// A DXT1 texture of 1024 x 1024 pixels with blocks of random colours.
std::string overviewPicture() {
    std::string out = "DDS ";
    std::string header(124, '\0');
    const auto put = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            header[offset + static_cast<std::size_t>(i)] =
                static_cast<char>(value >> (8 * i) & 0xff);
    };
    put(0, 124);
    put(8, 1024);  // height
    put(12, 1024); // width
    std::memcpy(header.data() + 80, "DXT1", 4);
    out += header;
    std::mt19937 random(7);
    for (int block = 0; block < 256 * 256; ++block)
        for (int byte = 0; byte < 8; ++byte)
            out += static_cast<char>(random() & 0xff);
    return out;
}

std::string pathFindingScript() {
    std::string points;
    std::mt19937 random(3);
    for (int i = 0; i < 200; ++i)
        points += (i ? "," : "") + std::to_string(random() % 4096) + "." +
                  std::to_string(random() % 10) + "/" + std::to_string(random() % 4096);
    return "\r\nrem *** Tank ***\r\nai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
           "ai.addSearchType Tank 0 0\r\nai.setMapSpawnPoints 0 " +
           points + "\r\n";
}

// A map twice as coarse: a cell blocked when any of its four finer cells is.
tess::pathmaps::Grid coarser(const tess::pathmaps::Grid& fine) {
    tess::pathmaps::Grid coarse = fine;
    coarse.width = fine.width / 2;
    coarse.height = fine.height / 2;
    coarse.cellSize = fine.cellSize * 2;
    coarse.tileMarkers.clear();
    coarse.cells.assign(static_cast<std::size_t>(coarse.width) * coarse.height, 0);
    for (std::int32_t z = 0; z < coarse.height; ++z)
        for (std::int32_t x = 0; x < coarse.width; ++x)
            coarse.cells[coarse.index(x, z)] = fine.at(2 * x, 2 * z) | fine.at(2 * x + 1, 2 * z) |
                                               fine.at(2 * x, 2 * z + 1) |
                                               fine.at(2 * x + 1, 2 * z + 1);
    return coarse;
}

// The level folder, the addon and the map, under the temporary folder.
struct Files {
    fs::path root;
    std::string map;
    std::string level;
    std::string addon;
    std::string inAddon;
    // With `withClass`, the addon's Pathfinding folder holds the map's class as the import
    // leaves it; the benchmarks of drawing alone go without, so that their peak memory is the
    // drawing's.
    Files(bool everyTileWithCells, bool withClass)
        : root(fs::temp_directory_path() / "tess-bench-pathmaps") {
        fs::remove_all(root);
        map = (root / "Tank0Level0Map.raw").string();
        level = (root / "Level").string() + "/";
        addon = (root / "Level_001").string() + "/";
        writeFile(map, level0Map(everyTileWithCells));
        writeFile(root / "Level/Textures/ingamemap.dds", overviewPicture());
        writeFile(root / "Level_001/AIPathFinding.con", pathFindingScript());
        if (withClass)
            writeClass();
    }

    void writeClass() {
        const fs::path pathfinding = root / "Level_001/Pathfinding";
        inAddon = (pathfinding / "Tank0Level0Map.raw").string();
        fs::create_directories(pathfinding);
        fs::copy_file(map, inAddon);
        tess::pathmaps::Grid grid = tess::pathmaps::readPathmap(map);
        for (int level = 1; level <= 2; ++level) {
            grid = coarser(grid);
            const std::string name = "Tank0Level" + std::to_string(level) + "Map";
            writeFile(pathfinding / (name + ".raw"), tess::pathmaps::encodePathmap(grid));
            grid.kind = tess::pathmaps::Kind::eightBit;
            writeFile(pathfinding / (name + "8Bit.raw"), tess::pathmaps::encodePathmap(grid));
            grid.kind = tess::pathmaps::Kind::tiled;
        }
        writeFile(pathfinding / "TankInfo.raw", std::string(64, '\0'));
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_ReadAndDrawLevel0Map4096(benchmark::State& state) {
    const Files files(state.range(0) != 0, false);
    for (auto _ : state) {
        const auto view = tess::pathmaps::viewPathmap(files.map, files.level, files.addon);
        benchmark::DoNotOptimize(view.picture.rgba.data());
    }
    state.SetLabel(state.range(0) ? "every tile with cells" : "mixed tiles");
}
BENCHMARK(BM_ReadAndDrawLevel0Map4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Only the reading, to see how the time divides.
void BM_ReadLevel0Map4096(benchmark::State& state) {
    const Files files(state.range(0) != 0, false);
    for (auto _ : state) {
        const auto grid = tess::pathmaps::readPathmap(files.map);
        benchmark::DoNotOptimize(grid.cells.data());
    }
}
BENCHMARK(BM_ReadLevel0Map4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A stroke across 64 cells of blocked and free land, one cell wide, and the picture drawn
// again where it went: the window's shrunk layer of the whole map and the view close up.
void BM_BrushStroke64Cells4096(benchmark::State& state) {
    const Files files(false, false);
    tess::pathmaps::GridEdit edit(tess::pathmaps::readPathmap(files.map));
    const tess::pathmaps::Grid& grid = edit.grid();
    const tess::pathmaps::PictureSize size = tess::pathmaps::pictureSizeOf(grid.width, grid.height);
    tess::areas::RgbaPicture layer = tess::pathmaps::drawCellLayer(
        grid, {0, 0, grid.width, grid.height}, size.width, size.height);
    bool block = true;
    for (auto _ : state) {
        edit.beginStroke(block);
        edit.drag(1000, 2000, 1063, 2000, 1);
        const tess::pathmaps::CellRect changed = edit.endStroke();
        tess::pathmaps::redrawCellLayer(layer, grid, changed);
        const auto view = tess::pathmaps::drawCellLayer(grid, {600, 1600, 1024, 768}, 1024, 768);
        benchmark::DoNotOptimize(view.rgba.data());
        block = !block;
    }
}
BENCHMARK(BM_BrushStroke64Cells4096)->Unit(benchmark::kMillisecond);

// "Speichern" after a stroke (0), or after a picture brought back that changes every cell
// (1): the map written, its Level1 and Level2 maps and their 8-bit twins read, brought up to
// date and written.
void BM_SaveClass4096(benchmark::State& state) {
    const Files files(false, true);
    tess::pathmaps::GridEdit edit(tess::pathmaps::readPathmap(files.inAddon));
    bool block = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) == 0) {
            edit.beginStroke(block);
            edit.dab(2048, 2048, 32);
            edit.endStroke();
        } else {
            std::vector<std::uint8_t> cells = edit.grid().cells;
            for (std::uint8_t& cell : cells)
                cell ^= 1;
            edit.replaceCells(cells);
        }
        block = !block;
        state.ResumeTiming();
        const tess::pathmaps::SaveReport report = tess::pathmaps::saveMapWithLevels(
            edit.grid(), edit.savedCells(), files.inAddon, files.inAddon);
        edit.markSaved(report.tileMarkers);
    }
    state.SetLabel(state.range(0) ? "every cell changed" : "one stroke");
}
BENCHMARK(BM_SaveClass4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The window's work on one map, once: opened from the addon, strokes, its layers, a save.
int retouchOnce() {
    const Files files(false, true);
    tess::pathmaps::PathmapEditor editor(files.map, files.level, files.addon);
    const tess::pathmaps::Grid& grid = editor.grid();
    const tess::pathmaps::PictureSize size = tess::pathmaps::pictureSizeOf(grid.width, grid.height);
    tess::areas::RgbaPicture layer = tess::pathmaps::drawCellLayer(
        grid, {0, 0, grid.width, grid.height}, size.width, size.height);
    for (int i = 0; i < 100; ++i) {
        editor.edit().beginStroke(i % 2 == 0);
        editor.edit().drag(100 + 30 * i, 100, 100 + 30 * i, 3900, 16);
        tess::pathmaps::redrawCellLayer(layer, grid, editor.edit().endStroke());
    }
    const auto view = tess::pathmaps::drawCellLayer(grid, {600, 1600, 1280, 1024}, 1280, 1024);
    const tess::pathmaps::SaveReport report = editor.save();
    std::cout << "saved " << report.written.size() << " files, " << editor.edit().blockedCells()
              << " cells blocked, view " << view.width << " x " << view.height << "\n";
    return 0;
}

// A 4096 level's folder: rolling hills, a sea along one side, a ridge with cliffs, noise; the
// combat area leaves a margin; one class's spawn point on the land.
struct TerrainLevel {
    fs::path root;
    std::string folder;
    TerrainLevel() : root(fs::temp_directory_path() / "tess-bench-terrain") {
        fs::remove_all(root);
        folder = (root / "Gross").string() + "/";
        std::mt19937 random(11);
        std::string heights;
        heights.reserve(std::size_t{2} * 1024 * 1024);
        for (int j = 0; j < 1024; ++j)
            for (int i = 0; i < 1024; ++i) {
                double metres = 60 + 25 * std::sin(i / 70.0) * std::cos(j / 55.0) - i / 12.0;
                if (j > 600 && j < 620)
                    metres += 30; // the ridge
                metres += static_cast<double>(random() % 100) / 100.0;
                const auto sample = static_cast<int>(std::clamp(metres, 0.0, 255.0) * 256);
                heights += static_cast<char>(sample & 0xff);
                heights += static_cast<char>(sample >> 8);
            }
        writeFile(fs::path(folder) / "Heightmap.raw", heights);
        writeFile(fs::path(folder) / "Init/Terrain.con",
                  "GeometryTemplate.worldSize 4096\r\nGeometryTemplate.yScale 1\r\n"
                  "GeometryTemplate.waterLevel 20\r\n");
        writeFile(fs::path(folder) / "Init.con", "game.setActiveCombatArea 200 200 3600 3600\r\n");
    }
    ~TerrainLevel() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

tess::pathmaps::SearchMapSettings tankSettings() {
    tess::pathmaps::SearchMapSettings tank;
    tank.name = "Tank0";
    tank.className = "Tank";
    tank.maxSlope = 30;
    tank.size = 3;
    tank.spawnPoints = std::vector<tess::pathmaps::SpawnPoint>{{800, 2000}};
    return tank;
}

void BM_ReadTerrainAndDraft2048(benchmark::State& state) {
    const TerrainLevel level;
    const tess::pathmaps::SearchMapSettings tank = tankSettings();
    for (auto _ : state) {
        const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
        const auto verdicts = tess::pathmaps::judgeTerrain(
            terrain, tank, tess::pathmaps::draftSizeOf(terrain, nullptr));
        benchmark::DoNotOptimize(verdicts.flags.data());
    }
}
BENCHMARK(BM_ReadTerrainAndDraft2048)->Unit(benchmark::kMillisecond);

// A map like the game's: the draft with every twentieth cell turned.
tess::pathmaps::Grid gameLikeMap(const tess::pathmaps::TerrainVerdicts& verdicts) {
    tess::pathmaps::Grid map = tess::pathmaps::draftMap(verdicts);
    for (std::size_t i = 0; i < map.cells.size(); i += 20)
        map.cells[i] ^= 1;
    return map;
}

void BM_CompareWithDraft2048(benchmark::State& state) {
    const TerrainLevel level;
    const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
    const auto verdicts = tess::pathmaps::judgeTerrain(
        terrain, tankSettings(), tess::pathmaps::draftSizeOf(terrain, nullptr));
    const tess::pathmaps::Grid map = gameLikeMap(verdicts);
    for (auto _ : state) {
        const auto comparison = tess::pathmaps::compareWithDraft(map, verdicts, terrain, "Tank0");
        benchmark::DoNotOptimize(comparison.agreeing);
    }
}
BENCHMARK(BM_CompareWithDraft2048)->Unit(benchmark::kMillisecond);

// The draft alone at 1, 4 and 16 million cells (1024, 2048 and 4096 cells along an edge). The
// class's size is 3 cells at each, as the tank's 3 m are on the finest: what blocks grows by a
// disc of the same cells, so the work per cell stays the same.
void BM_DraftCells(benchmark::State& state) {
    const TerrainLevel level;
    const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
    const auto edge = static_cast<std::int32_t>(1024 * std::sqrt(double(state.range(0))));
    const tess::pathmaps::DraftSize size{edge, edge, 4096 / edge};
    tess::pathmaps::SearchMapSettings tank = tankSettings();
    tank.size = 3.0 * size.cellSize;
    for (auto _ : state) {
        const auto verdicts = tess::pathmaps::judgeTerrain(terrain, tank, size);
        benchmark::DoNotOptimize(verdicts.flags.data());
    }
}
BENCHMARK(BM_DraftCells)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_TerrainLayerSwitchedOn2048(benchmark::State& state) {
    const TerrainLevel level;
    const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
    const tess::pathmaps::SearchMapSettings tank = tankSettings();
    const std::uint8_t all = tess::pathmaps::kWaterBlocks | tess::pathmaps::kTooSteep |
                             tess::pathmaps::kOutsideArea | tess::pathmaps::kUnreachable;
    for (auto _ : state) {
        const auto verdicts = tess::pathmaps::judgeTerrain(
            terrain, tank, tess::pathmaps::draftSizeOf(terrain, nullptr));
        const auto layer =
            tess::pathmaps::drawVerdictLayer(verdicts, all, {0, 0, 2048, 2048}, 1024, 1024);
        benchmark::DoNotOptimize(layer.rgba.data());
    }
}
BENCHMARK(BM_TerrainLayerSwitchedOn2048)->Unit(benchmark::kMillisecond);

void BM_TerrainLayersCloseUp(benchmark::State& state) {
    const TerrainLevel level;
    const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
    const auto verdicts = tess::pathmaps::judgeTerrain(
        terrain, tankSettings(), tess::pathmaps::draftSizeOf(terrain, nullptr));
    for (auto _ : state) {
        const auto layer = tess::pathmaps::drawVerdictLayer(
            verdicts, tess::pathmaps::kWaterBlocks | tess::pathmaps::kTooSteep,
            {512, 512, 1024, 768}, 1024, 768);
        benchmark::DoNotOptimize(layer.rgba.data());
    }
}
BENCHMARK(BM_TerrainLayersCloseUp)->Unit(benchmark::kMillisecond);

int terrainOnce() {
    const TerrainLevel level;
    const tess::pathmaps::Terrain terrain = tess::pathmaps::readTerrain(level.folder);
    const auto verdicts = tess::pathmaps::judgeTerrain(
        terrain, tankSettings(), tess::pathmaps::draftSizeOf(terrain, nullptr));
    const auto comparison =
        tess::pathmaps::compareWithDraft(gameLikeMap(verdicts), verdicts, terrain, "Tank0");
    std::cout << "draft " << verdicts.size.width << " x " << verdicts.size.height << ", "
              << tess::pathmaps::percentText(
                     tess::pathmaps::shareOf(comparison.agreeing, comparison.cells))
              << " agree\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--once" && std::string(argv[2]) == "terrain")
        return terrainOnce();
    if (argc == 3 && std::string(argv[1]) == "--once" && std::string(argv[2]) == "edit")
        return retouchOnce();
    if (argc == 3 && std::string(argv[1]) == "--once") {
        const Files files(std::string(argv[2]) == "cells", false);
        const auto view = tess::pathmaps::viewPathmap(files.map, files.level, files.addon);
        std::cout << "picture " << view.picture.width << " x " << view.picture.height << ", "
                  << view.spawnLine << "\n";
        return 0;
    }
    return tess::bench::runBenchmarks(argc, argv);
}
