// The addon check on a large addon: a 4096 level whose five classes (Tank0, Infantry1, Boat2,
// LandingCraft3, Car4) each have the maps the game writes (tiled levels 0 to 2, 8-bit levels 1
// and 2, the region map), 200,000 soldier and 200,000 object spawn points, and a few areas.
// Every check runs, as "Addon prüfen" and tessarine-cli check run them. Goal: under 2 s. And
// the check of an addon archive of 100,000 entries (tessarine-cli check ARCHIVE, read as it is):
// every entry looked up and read once. Goal: under 2 s.
//
//   checks_bench [--results]     the timings (Google Benchmark; --results adds the result lines
//                                that bench/run collects)
#include "checks/checks.h"
#include "scripts/pathfinding.h"

#include "result_lines.h"
#include "store_archive.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kWorld = 4096;
constexpr int kSpawnPoints = 200000;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void appendI32(std::string& out, std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(static_cast<std::uint32_t>(value) >> shift & 0xFF);
}

// A square grid of cells, 1 blocked.
struct Cells {
    int edge = 0;
    std::vector<std::uint8_t> cells;
    std::uint8_t at(int x, int z) const {
        return cells[std::size_t(z) * std::size_t(edge) + std::size_t(x)];
    }
};

// Level 0 as real levels are: most tiles whole (open country or blocked), a quarter with
// cells (winding roads through blocked land).
Cells level0() {
    std::mt19937 random(42);
    Cells grid{kWorld, std::vector<std::uint8_t>(std::size_t(kWorld) * kWorld)};
    for (int tz = 0; tz < kWorld / 64; ++tz)
        for (int tx = 0; tx < kWorld / 64; ++tx) {
            const unsigned kind = random() % 4;
            for (int z = 0; z < 64; ++z)
                for (int x = 0; x < 64; ++x)
                    grid.cells[std::size_t(tz * 64 + z) * kWorld + std::size_t(tx * 64 + x)] =
                        kind == 0 ? std::uint8_t(random() & 1) : std::uint8_t(kind == 1 ? 0 : 1);
        }
    return grid;
}

// The next level: a cell is blocked when any of its four finer cells is.
Cells shrunk(const Cells& fine) {
    Cells coarse{fine.edge / 2,
                 std::vector<std::uint8_t>(std::size_t(fine.edge / 2) * (fine.edge / 2))};
    for (int z = 0; z < coarse.edge; ++z)
        for (int x = 0; x < coarse.edge; ++x)
            coarse.cells[std::size_t(z) * coarse.edge + x] =
                fine.at(2 * x, 2 * z) | fine.at(2 * x + 1, 2 * z) | fine.at(2 * x, 2 * z + 1) |
                fine.at(2 * x + 1, 2 * z + 1);
    return coarse;
}

// The tiled file of a grid at level `level`: 64-cell tiles, 1 bit a cell (2 for regions).
std::string tiledFile(const Cells& grid, int level, bool regions) {
    const int tiles = grid.edge / (regions ? 32 : 64);
    const int tileEdge = grid.edge / tiles;
    int tilesLog = 0;
    while ((1 << tilesLog) < tiles)
        ++tilesLog;
    std::string out;
    for (const int field :
         {tilesLog, tilesLog, regions ? 6 : 6 + level, level, regions ? 1 : 0, 2, 0, -1})
        appendI32(out, field);
    const int bits = regions ? 2 : 1;
    for (int tz = 0; tz < tiles; ++tz)
        for (int tx = 0; tx < tiles; ++tx) {
            int count = 0;
            for (int z = 0; z < tileEdge; ++z)
                for (int x = 0; x < tileEdge; ++x)
                    count += grid.at(tx * tileEdge + x, tz * tileEdge + z);
            if (count == 0 || count == tileEdge * tileEdge) {
                appendI32(out, count == 0 ? 0 : 1);
                continue;
            }
            appendI32(out, -1);
            for (int z = 0; z < tileEdge; ++z) {
                std::string row(std::size_t(tileEdge * bits / 8), '\0');
                for (int x = 0; x < tileEdge; ++x)
                    if (grid.at(tx * tileEdge + x, tz * tileEdge + z))
                        row[std::size_t(x * bits / 8)] |=
                            static_cast<char>((regions ? 3 : 1) << (x * bits % 8));
                out += row;
            }
        }
    return out;
}

std::string eightBitFile(const Cells& grid) {
    std::string out(grid.cells.size(), '\0');
    for (std::size_t i = 0; i < grid.cells.size(); ++i)
        out[i] = grid.cells[i] ? '\xFF' : '\0';
    return out;
}

std::string spawnPoints(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(0.0, kWorld);
    std::string points;
    points.reserve(std::size_t(kSpawnPoints) * 20);
    char point[64];
    for (int i = 0; i < kSpawnPoints; ++i) {
        std::snprintf(point, sizeof point, "%s%.4f/%.4f", i ? "," : "", coordinate(random),
                      coordinate(random));
        points += point;
    }
    return points;
}

// A check target in a folder of its own below the temporary folder, removed when it goes.
class TargetFolder {
public:
    explicit TargetFolder(const std::string& name) : root_(fs::temp_directory_path() / name) {
        fs::remove_all(root_);
    }
    ~TargetFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    TargetFolder(const TargetFolder&) = delete;
    TargetFolder& operator=(const TargetFolder&) = delete;
    const tess::checks::CheckTarget& target() const { return target_; }

protected:
    fs::path root_;
    tess::checks::CheckTarget target_;
};

// Times the whole check of a target, counting its findings.
void timeCheck(benchmark::State& state, const tess::checks::CheckTarget& target) {
    std::size_t findings = 0;
    for (auto _ : state) {
        const tess::checks::CheckReport report = tess::checks::checkAddon(target);
        findings = report.findings.size();
        benchmark::DoNotOptimize(report.findings.data());
    }
    state.counters["findings"] = static_cast<double>(findings);
}

class LargeAddon : public TargetFolder {
public:
    LargeAddon() : TargetFolder("tess-bench-checks") {
        const fs::path addon = root_ / "Gross_001";
        writeFile(addon / "ai.con", "aiSettings.setWorldMapSize 4096 4096\r\nai.init 2\r\n");
        writeFile(addon / "AIPathFinding.con",
                  tess::scripts::pathFindingScript(spawnPoints(1), spawnPoints(2), {true, true}));
        std::string areas;
        std::string blocks;
        for (int i = 0; i < 10; ++i) {
            const std::string name = "Area" + std::to_string(i);
            const int x = 200 + 360 * i;
            areas += "aiStrategicArea.create " + name + " " + std::to_string(x) + "/200 " +
                     std::to_string(x + 300) + "/3800 100\r\n \r\n";
            blocks += "aiStrategicArea.setActive " + name + "\r\n";
            for (const int n : {i - 1, i + 1})
                if (n >= 0 && n < 10)
                    blocks += "AIStrategicArea.addNeighbour Area" + std::to_string(n) + "\r\n";
            blocks += "aiStrategicArea.setSide 0\r\n\r\n";
        }
        writeFile(addon / "AI/StrategicAreas.con", areas + "\r\n \r\n \r\n" + blocks + "\r\n");
        writeFile(addon / "SinglePlayer/ControlPoints.con",
                  "Object.create Mitte\r\nObject.absolutePosition 2048/20/2048\r\n");
        const Cells cells0 = level0();
        const Cells cells1 = shrunk(cells0);
        const Cells cells2 = shrunk(cells1);
        const std::string files[] = {tiledFile(cells0, 0, false), tiledFile(cells1, 1, false),
                                     tiledFile(cells2, 2, false), eightBitFile(cells1),
                                     eightBitFile(cells2),        tiledFile(cells1, 1, true)};
        for (const char* name : {"Tank0", "Infantry1", "Boat2", "LandingCraft3", "Car4"}) {
            const fs::path folder = addon / "Pathfinding";
            const std::string map = name;
            writeFile(folder / (map + "Level0Map.raw"), files[0]);
            writeFile(folder / (map + "Level1Map.raw"), files[1]);
            writeFile(folder / (map + "Level2Map.raw"), files[2]);
            writeFile(folder / (map + "Level1Map8Bit.raw"), files[3]);
            writeFile(folder / (map + "Level2Map8Bit.raw"), files[4]);
            writeFile(folder / (map.substr(0, map.size() - 1) + "Info.raw"), files[5]);
        }
        target_.addonFolder = addon.string() + "/";
    }
};

void BM_CheckLargeAddon(benchmark::State& state) {
    const LargeAddon addon;
    timeCheck(state, addon.target());
}
BENCHMARK(BM_CheckLargeAddon)->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr int kArchiveEntries = 100000;

// An addon archive of many scripts: the addon's own files and 100,000 less a few more.
class LargeArchive : public TargetFolder {
public:
    LargeArchive() : TargetFolder("tess-bench-check-archive") {
        std::vector<std::pair<std::string, std::string>> entries;
        const std::string level = "bf1942/levels/Gross/";
        entries.emplace_back(level + "ai.con", "aiSettings.setWorldMapSize 4096 4096\r\n");
        entries.emplace_back(level + "AIPathFinding.con", "rem\r\n");
        while (entries.size() < kArchiveEntries) {
            const std::string n = std::to_string(entries.size());
            entries.emplace_back(level + "Objects/Object" + n + ".con",
                                 "ObjectTemplate.create Bundle Object" + n + "\r\n");
        }
        writeFile(root_ / "Gross_001.rfa", tess::bench::storeArchive(entries));
        target_.archive = (root_ / "Gross_001.rfa").string();
    }
};

void BM_CheckLargeArchive(benchmark::State& state) {
    const LargeArchive archive;
    timeCheck(state, archive.target());
}
BENCHMARK(BM_CheckLargeArchive)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return tess::bench::runBenchmarks(argc, argv);
}
