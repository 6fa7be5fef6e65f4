// Reading and drawing a 4096 x 4096 Level0 map (a 4096 level) as the window does when a map is
// selected: the file, the level's 1024 x 1024 overview picture and 200 spawn points of the
// addon, into the picture. Goal: under 150 ms and under 64 MiB.
//
//   pathmaps_bench [--results]     the timings (Google Benchmark; --results adds the result
//                                  lines that bench/run collects)
//   pathmaps_bench --once KIND     makes the files, draws once and prints the picture's size;
//                                  run it under /usr/bin/time -v for the peak memory
//
// KIND is "mixed" (a level like the real ones: most tiles whole, a quarter with cells) or
// "cells" (every tile with its cells: the largest file of this size).
#include "pathmaps/picture.h"
#include "result_lines.h"

#include <benchmark/benchmark.h>

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

// The level folder, the addon and the map, under the temporary folder.
struct Files {
    fs::path root;
    std::string map;
    std::string level;
    std::string addon;
    explicit Files(bool everyTileWithCells)
        : root(fs::temp_directory_path() / "tess-bench-pathmaps") {
        fs::remove_all(root);
        map = (root / "Tank0Level0Map.raw").string();
        level = (root / "Level").string() + "/";
        addon = (root / "Level_001").string() + "/";
        writeFile(map, level0Map(everyTileWithCells));
        writeFile(root / "Level/Textures/ingamemap.dds", overviewPicture());
        writeFile(root / "Level_001/AIPathFinding.con", pathFindingScript());
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_ReadAndDrawLevel0Map4096(benchmark::State& state) {
    const Files files(state.range(0) != 0);
    for (auto _ : state) {
        const auto view = tess::pathmaps::viewPathmap(files.map, files.level, files.addon);
        benchmark::DoNotOptimize(view.picture.rgba.data());
    }
    state.SetLabel(state.range(0) ? "every tile with cells" : "mixed tiles");
}
BENCHMARK(BM_ReadAndDrawLevel0Map4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Only the reading, to see how the time divides.
void BM_ReadLevel0Map4096(benchmark::State& state) {
    const Files files(state.range(0) != 0);
    for (auto _ : state) {
        const auto grid = tess::pathmaps::readPathmap(files.map);
        benchmark::DoNotOptimize(grid.cells.data());
    }
}
BENCHMARK(BM_ReadLevel0Map4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--once") {
        const Files files(std::string(argv[2]) == "cells");
        const auto view = tess::pathmaps::viewPathmap(files.map, files.level, files.addon);
        std::cout << "picture " << view.picture.width << " x " << view.picture.height << ", "
                  << view.spawnLine << "\n";
        return 0;
    }
    return tess::bench::runBenchmarks(argc, argv);
}
