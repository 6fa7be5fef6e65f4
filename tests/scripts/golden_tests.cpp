// Golden addons: every folder under cases/ holds a level (input/, or a level of the real test
// data named in case.txt), optionally an addon left by an earlier run (before/), and the
// complete addon that Start must leave (expected/), compared byte for byte.
#include "core/paths.h"
#include "scripts/start.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess;
using namespace tess::scripts;
using namespace tess::test;

namespace {

const fs::path kCases = fs::path(TESS_SOURCE_DIR) / "tests/scripts/cases";

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kCases))
        if (entry.is_directory())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> readCaseFile(const fs::path& file) {
    std::map<std::string, std::string> values;
    std::string text = readBytes(file);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 1;
    }
    return values;
}

// The file of a level folder named in another letter case, or an empty path.
fs::path findIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (sameNameIgnoringCase(entry.path().filename().string(), name))
            return entry.path();
    return {};
}

class GoldenAddon : public testing::TestWithParam<std::string> {};

TEST_P(GoldenAddon, StartWritesTheExpectedAddon) {
    const fs::path caseDir = kCases / GetParam();
    auto config = readCaseFile(caseDir / "case.txt");
    const std::string mapName = config.at("mapName");

    ProgramFolder program;
    TempDir maps;
    const fs::path level = maps.path() / mapName;
    const bool realLevel = config.count("testdataLevel") != 0;
    copyTree(realLevel ? fs::path(testdata(config.at("testdataLevel"))) : caseDir / "input", level);
    if (fs::exists(caseDir / "before"))
        copyTree(caseDir / "before", program.addon(mapName));

    WizardState state;
    state.worldSize = std::stoi(config.at("worldSize"));
    state.mapName = mapName;
    state.levelDir = level.string() + "/";
    const SpawnFlags flags{config.at("ships") == "1", config.at("landingCraft") == "1"};

    const StartReport report = runStart(state, flags, program.text());

    const std::string addonText = program.text() + "bf1942\\levels\\" + mapName + "_001\\";
    EXPECT_EQ(state.mapLevelDir, level.string() + "/");
    EXPECT_EQ(state.levelDir, addonText);
    EXPECT_EQ(report.addonFolder, addonText);
    EXPECT_EQ(std::to_string(report.soldierSpawnPoints), config.at("soldierSpawnPoints"));
    EXPECT_EQ(std::to_string(report.objectSpawnPoints), config.at("objectSpawnPoints"));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), program.addon(mapName)));
    EXPECT_EQ(readBytes(program.path() / "temp/stats.bf"),
              config.at("worldSize") + "\r\n" + addonText + "\r\n");

    for (const char* folder : {"GameTypes", "AI", "SinglePlayer", "Pathfinding"})
        EXPECT_TRUE(fs::is_directory(program.addon(mapName) / folder)) << folder;

    auto expected = filesUnder(caseDir / "expected");
    if (realLevel) {
        // Real levels stay out of the repository: their copies are compared with the level.
        const fs::path conquest = findIgnoringCase(level, "conquest");
        for (const char* name :
             {"ControlPoints.con", "ControlPointTemplates.con", "ObjectSpawns.con",
              "ObjectSpawnTemplates.con", "SoldierSpawns.con", "SoldierSpawnTemplates.con",
              "spawnPointManagerSettings.con"}) {
            const fs::path source = findIgnoringCase(conquest, name);
            if (!source.empty())
                expected[std::string("SinglePlayer/") + name] = readBytes(source);
        }
    }
    const auto actual = filesUnder(program.addon(mapName));
    for (const auto& [name, bytes] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end())
            ADD_FAILURE() << "missing " << name;
        else
            EXPECT_EQ(it->second, bytes) << name;
    }
    for (const auto& [name, bytes] : actual)
        EXPECT_TRUE(expected.count(name)) << "unexpected " << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenAddon, testing::ValuesIn(caseNames()),
                         [](const auto& info) { return info.param; });

TEST(GoldenAddonCases, EveryWorldSizeHasACase) {
    std::vector<std::string> worldSizes;
    for (const auto& name : caseNames())
        worldSizes.push_back(readCaseFile(kCases / name / "case.txt").at("worldSize"));
    for (const char* size : {"1024", "2048", "4096"})
        EXPECT_NE(std::find(worldSizes.begin(), worldSizes.end(), size), worldSizes.end()) << size;
}

} // namespace
