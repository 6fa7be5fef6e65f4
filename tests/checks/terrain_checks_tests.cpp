// The check's terrain findings on addons holding the game's own finest maps of the test data's
// levels and their path-finding scripts, with the level folder as the map level folder:
// LD_Omaha_Day1's maps fit their ground, Corsica's leave the sea free, Bastogne's are drawn
// by hand; and faults put into Omaha's: a map of another level, spawn points in the sea and
// outside the combat area, a heightmap of the wrong size.
#include "checks/checks.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::checks;
using namespace tess::test;

namespace {

struct Expected {
    const char* check;
    const char* file;
    const char* mentions;
};

struct Case {
    const char* name;
    const char* level;
    // Changes the addon folder's files or the copy of the level folder.
    std::function<void(const fs::path& addon, const fs::path& level)> fault;
    std::vector<Expected> findings;
};

void replaceIn(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = readBytes(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    writeBytes(file, text);
}

const char* const kSpawnAdvice = "Die Spawns in SinglePlayer/SoldierSpawns.con";

} // namespace

TEST(TerrainCheck, TheTestDataLevelsAndFaultsOfTheirOwn) {
    const Case cases[] = {
        {"Omaha's own maps fit their ground", "LD_Omaha_Day1", {}, {}},
        {"Corsica's maps leave the sea free",
         "Corsica",
         {},
         {{"terrain-water", "Tank0Level0Map.raw", "99,4 % des Wassers frei"},
          {"terrain-water", "Infantry1Level0Map.raw", "100,0 % des Wassers frei"},
          {"terrain-water", "Car4Level0Map.raw", "anderen Wasserstand"}}},
        // Its car and infantry maps are named Car0 and Infantry0: not the search maps' names.
        {"Bastogne's maps are drawn by hand",
         "Bastogne",
         {},
         {{"terrain-drawn", "Tank0Level0Map.raw", "nur zu 43,2 %"}}},
        {"a map of another level",
         "LD_Omaha_Day1",
         [](const fs::path& addon, const fs::path&) {
             fs::copy_file(testdata("pathmaps/Corsica/Tank0Level0Map.raw"),
                           addon / "Pathfinding/Tank0Level0Map.raw",
                           fs::copy_options::overwrite_existing);
         },
         {{"terrain-water", "Tank0Level0Map.raw", "96,4 % des Wassers frei"},
          {"terrain-outside", "Tank0Level0Map.raw", "mehr als 100 m außerhalb"}}},
        {"spawn points in the sea and outside the combat area",
         "LD_Omaha_Day1",
         [](const fs::path& addon, const fs::path&) {
             const fs::path script = addon / "AIPathFinding.con";
             replaceIn(script, "Points 1  1418.38/930.84", "Points 1  1418.38/930.84,1300/1500");
             replaceIn(script, "Points 0  1418.38/930.84", "Points 0  1418.38/930.84,100/100");
             replaceIn(script, "Points 4 1418.38/930.84", "Points 4 1418.38/930.84,100/100");
         },
         {{"terrain-spawn", "AIPathFinding.con",
           "1 von 2 Spawnpunkten der Klasse Infantry1 liegen im Wasser, das die Klasse nicht "
           "durchquert, oder außerhalb des Kampfgebiets, zuerst (1300/1500)."},
          {"terrain-spawn", "AIPathFinding.con",
           "1 von 3 Objekt-Spawnpunkten liegen für jede Fahrzeugklasse, die sie nennt (Tank0, "
           "Boat2, LandingCraft3, Car4), im Wasser, das die Klasse nicht durchquert, oder "
           "außerhalb des Kampfgebiets, zuerst (100/100)."}}},
        {"a heightmap of the wrong size",
         "LD_Omaha_Day1",
         [](const fs::path&, const fs::path& level) {
             writeBytes(level / "Heightmap.raw", std::string(1000, '\0'));
         },
         {{"terrain", "Heightmap.raw", "Heightmap.raw hat 1000 Bytes"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path addon = dir / (std::string(c.level) + "_001");
        const fs::path level = dir / "level";
        copyTree(testdata(std::string("levels/") + c.level), level);
        writeBytes(addon / "AIPathFinding.con", readBytes(level / "AIpathFinding.con"));
        for (const auto& map : fs::directory_iterator(testdata(std::string("pathmaps/") + c.level)))
            if (map.path().filename().string().find("Level0Map") != std::string::npos)
                writeBytes(addon / "Pathfinding" / map.path().filename(), readBytes(map.path()));
        if (c.fault)
            c.fault(addon, level);

        CheckTarget target;
        target.addonFolder = addon.string() + "/";
        target.mapLevelDir = level.string() + "/";
        std::vector<Finding> terrain;
        for (Finding& finding : checkAddon(target).findings)
            if (finding.check.rfind("terrain", 0) == 0)
                terrain.push_back(std::move(finding));
        ASSERT_EQ(terrain.size(), c.findings.size());
        for (std::size_t i = 0; i < terrain.size(); ++i) {
            const Finding& found = terrain[i];
            const Expected& expected = c.findings[i];
            EXPECT_EQ(found.check, expected.check);
            EXPECT_EQ(found.severity, Severity::hint);
            EXPECT_EQ(fs::path(found.file).filename().string(), expected.file);
            EXPECT_NE(found.text.find(expected.mentions), std::string::npos) << found.text;
            EXPECT_FALSE(found.advice.empty());
            if (found.check == "terrain-spawn") {
                EXPECT_EQ(found.advice.rfind(kSpawnAdvice, 0), 0u);
                EXPECT_EQ(found.place.kind, Place::Kind::spawnPoint);
            }
        }
    }
}
