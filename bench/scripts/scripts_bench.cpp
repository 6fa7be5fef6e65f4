// Start on a map whose soldier and object spawn scripts hold many spawns: the time must grow
// linearly with the number of position lines. Throughput counts the bytes of both spawn
// scripts.
#include "core/wizard_state.h"
#include "scripts/pathfinding.h"
#include "scripts/start.h"

#include "result_lines.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A spawn script as the game's editors write it: four lines per spawn, one of them the
// position.
std::string spawnScript(std::int64_t spawns, const char* kind) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> coordinate(0.0, 4096.0);
    std::string script;
    script.reserve(static_cast<std::size_t>(spawns) * 110);
    char position[96];
    for (std::int64_t i = 0; i < spawns; ++i) {
        script += "Object.create ";
        script += kind;
        script += std::to_string(i);
        script += "\r\n";
        std::snprintf(position, sizeof position, "Object.absolutePosition %.4f/%.4f/%.4f\r\n",
                      coordinate(random), coordinate(random) / 16, coordinate(random));
        script += position;
        script += "Object.rotation 0/0/0\r\nObject.setTeam 1\r\n";
    }
    return script;
}

class Installation {
public:
    explicit Installation(std::int64_t spawns)
        : root_(fs::temp_directory_path() / ("tess-bench-" + std::to_string(spawns))) {
        fs::remove_all(root_);
        const fs::path templates = fs::path(TESS_SOURCE_DIR) / "src/resources/con files";
        fs::create_directories(root_ / "program/temp/con files");
        for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
            fs::copy_file(templates / name, root_ / "program/temp/con files" / name);
        fs::create_directories(root_ / "program/bf1942/levels");
        const std::string soldiers = spawnScript(spawns, "SoldierSpawn");
        const std::string objects = spawnScript(spawns, "VehicleSpawner");
        spawnBytes_ = static_cast<std::int64_t>(soldiers.size() + objects.size());
        writeFile(root_ / "maps/Big/Conquest/SoldierSpawns.con", soldiers);
        writeFile(root_ / "maps/Big/Conquest/ObjectSpawns.con", objects);
        writeFile(root_ / "maps/Big/Conquest/ControlPoints.con", "Object.create Base\r\n");
    }
    ~Installation() {
        std::error_code ec;
        fs::current_path(fs::temp_directory_path(), ec);
        fs::remove_all(root_, ec);
    }
    std::string programFolder() const { return (root_ / "program").string() + "/"; }
    std::string mapFolder() const { return (root_ / "maps/Big").string() + "/"; }
    std::int64_t spawnBytes() const { return spawnBytes_; }

private:
    fs::path root_;
    std::int64_t spawnBytes_ = 0;
};

void BM_StartWithManySpawns(benchmark::State& state) {
    const Installation installation(state.range(0));
    for (auto _ : state) {
        tess::WizardState wizard;
        wizard.worldSize = 4096;
        wizard.mapName = "Big";
        wizard.levelDir = installation.mapFolder();
        const auto report =
            tess::scripts::runStart(wizard, {true, true}, installation.programFolder());
        benchmark::DoNotOptimize(report.objectSpawnPoints);
    }
    state.SetBytesProcessed(state.iterations() * installation.spawnBytes());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StartWithManySpawns)
    ->Arg(12500)
    ->Arg(50000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The spawn-point reading alone, without the disk.
void BM_ReadSpawnPoints(benchmark::State& state) {
    const std::string script = spawnScript(state.range(0), "SoldierSpawn");
    for (auto _ : state) {
        const auto points = tess::scripts::readSpawnPoints(script);
        benchmark::DoNotOptimize(points.joined.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadSpawnPoints)
    ->Arg(12500)
    ->Arg(50000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv) {
    return tess::bench::runBenchmarks(argc, argv);
}
