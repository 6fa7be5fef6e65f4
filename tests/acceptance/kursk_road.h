// The road of one map from download to merged archive, shared by the acceptance run through
// the window and the one through tessarine-cli: Kursk (a packed level of world size 1024),
// "Schiffe" ticked, the single-player script edited in the review editor, three strategic
// areas, the first pack, the pathmaps the game generated (Bastogne's stand in for them), the
// import, the final pack and the network merge. Every text that the system writes from fixed
// listings is spelled out here byte for byte; the paths that vary with the temporary folders
// are the only parts put in.
#pragma once

#include "archive/archive.h"
#include "support/coop_scripts.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace tess::test::kursk {

namespace fs = std::filesystem;

// --- The map maker's choices ---

// The entry of the review list that is edited, and the edit: the line is selected and typed
// over.
inline constexpr std::string_view kEditedEntry = "SinglePlayerAllied.con";
inline constexpr std::string_view kEditedFrom = "game.maxNrofPlayers 18";
inline constexpr std::string_view kEditedTo = "game.maxNrofPlayers 32";

// The three areas as an area file (UTF-8), for `tessarine-cli areas`; the window draws the
// same corners and ticks the same boxes and neighbours.
inline constexpr std::string_view kAreasJson = R"({"areas": [
  {"name": "Dorf", "corner1": [100, 120], "corner2": [180, 200], "priority": 120,
   "flags": ["cp", "strong"], "light": true, "heavy": true, "side": 1,
   "neighbours": ["Hügel", "Bahnhof"]},
  {"name": "Hügel", "corner1": [300, 300], "corner2": [420, 380], "priority": 80,
   "flags": ["Flanke", "center"], "light": true, "heavy": false, "side": 2,
   "neighbours": ["Dorf"]},
  {"name": "Bahnhof", "corner1": [250, 60], "corner2": [330, 110], "priority": 150,
   "flags": ["basis"], "light": false, "heavy": true, "side": 0, "neighbours": ["Dorf"]}
]}
)";

// The summary entries of the area list (UTF-8), as the window lists them and `areas` prints
// them. World size 1024: two world units per pixel, Z counted from the bottom.
inline constexpr std::string_view kAreaSummaries[] = {
    "Dorf [ 200;624 / 360;784 ] ==> Prio. [120]",
    "Hügel [ 600;264 / 840;424 ] ==> Prio. [80]",
    "Bahnhof [ 500;804 / 660;904 ] ==> Prio. [150]",
};

// The pathmap looked at after the import, and what is said about its spawn points: Bastogne's
// map lies under Kursk's object spawn points, all of which fall on its blocked cells.
inline constexpr std::string_view kViewedPathmap = "Tank0Level0Map.raw";
inline constexpr std::string_view kViewedPathmapLine =
    "18 von 18 Spawnpunkten liegen auf gesperrten Feldern";

// --- What the system writes ---

// ai.con up to and after its line "ai.createallmaps" (world size 1024 in line 5).
inline constexpr std::string_view kAiConHead =
    "rem *** ai.con - WorX done by ferro_lumen....http://tessarine.example.org/\r\n"
    "rem ---------------------------------------------------------------------------- \r\n"
    "rem ************** LEVEL SPECIFIC AI SETTINGS ***************************\r\n"
    " \r\n"
    "aiSettings.setWorldMapSize 1024 1024\r\n"
    "aiSettings.setViewDistance 500\r\n"
    "aiSettings.setInformationGridDimension 32\r\n"
    " \r\n"
    "rem ********************** START THE AI *********************************\r\n"
    " \r\n"
    "rem *** Init AI using current settings ****\r\n"
    "ai.init 2\r\n"
    " \r\n"
    "rem *** init Botmanager ***\r\n"
    "AIBotManager.setLodLevelTicks 6 6 6\r\n"
    "AIBotManager.setLodLevelPriority 3 3 3\r\n"
    "AIBotManager.setPlannedDecisionMakingThreshold 0.5 0.5 0.5\r\n"
    "AIBotManager.setUnplannedDecisionMakingThreshold 0.3 0.4 0.4\r\n"
    "AIBotManager.setDecisionMakingInterleave 2 2\r\n"
    "AIBotManager.setSensingQuotient 1 1\r\n"
    "AIBotManager.setSystemQuotient 40 40 20\r\n"
    " \r\n"
    "rem *** Strategic map dimension, MUST BE DONE BEFORE CREATING SAI! ***\r\n"
    "ai.saiMapXDimension 64\r\n"
    "ai.saiMapYDimension 64\r\n"
    " \r\n"
    "rem *** Create Strategic AI ***\r\n"
    "ai.createSAI\r\n"
    " \r\n"
    "rem *** Enabled or disabled as default ***\r\n"
    "ai.saiEnable 1\r\n"
    "game.showAIstats 0\r\n"
    "ai.showBotStats 0\r\n"
    " \r\n"
    "rem ----------------------------------------------------------------------------\r\n"
    " \r\n"
    "run AIPathFinding.con\r\n"
    " \r\n"
    "run ai/StrategicAreas\r\n"
    " \r\n"
    "rem *** Set strategies for each side ***\r\n"
    "run ai/conditions.con\r\n"
    "run ai/prerequisites.con\r\n"
    "run ai/Strategies.con\r\n"
    " \r\n"
    "rem ----------------------------------------------------------------------------\r\n"
    " \r\n"
    "ai.addSAIStrategy 1 west\r\n"
    "ai.addSAIStrategy 1 east\r\n"
    "ai.addSAIStrategy 1 south\r\n"
    "ai.addSAIStrategy 1 north\r\n"
    "ai.addSAIStrategy 1 wide\r\n"
    "ai.addSAIStrategy 1 finalPush\r\n"
    "ai.addSAIStrategy 1 breakOut\r\n"
    " \r\n"
    "ai.addSAIStrategy 2 west\r\n"
    "ai.addSAIStrategy 2 east\r\n"
    "ai.addSAIStrategy 2 south\r\n"
    "ai.addSAIStrategy 2 north\r\n"
    "ai.addSAIStrategy 2 wide\r\n"
    "ai.addSAIStrategy 2 finalPush\r\n"
    "ai.addSAIStrategy 2 breakOut\r\n"
    "\r\n";
inline constexpr std::string_view kCreateAllMaps = "ai.createallmaps\r\n";
inline constexpr std::string_view kAiConTail =
    "rem ----------------------------------------------------------------------------\r\n";

inline std::string aiConBeforeImport() {
    return std::string(kAiConHead) + std::string(kCreateAllMaps) + std::string(kAiConTail);
}
inline std::string aiConAfterImport() {
    return std::string(kAiConHead) + std::string(kAiConTail);
}

// The single-player side script with its player count: 18 as written, 32 after the edit.
inline std::string singlePlayerCon(int players) {
    return "Game.setNumberOfTickets 1 100\r\n"
           "Game.setNumberOfTickets 2 105\r\n"
           "Game.setTicketLostPerMin 1 7\r\n"
           "Game.setTicketLostPerMin 2 7\r\n"
           " \r\n"
           "run SinglePlayer/SoldierSpawnTemplates\r\n"
           "run SinglePlayer/SoldierSpawns\r\n"
           "run SinglePlayer/SpawnpointManagerSettings\r\n"
           "run SinglePlayer/ObjectSpawnTemplates\r\n"
           "run SinglePlayer/ControlPointTemplates\r\n"
           " \r\n"
           "game.maxNrofPlayers " +
           std::to_string(players) +
           "\r\n"
           " \r\n"
           "rem ----------------------------------------------------------------------------\r\n"
           "run ai\r\n"
           "run SinglePlayer/ObjectSpawns\r\n"
           "run SinglePlayer/ControlPoints\r\n"
           "game.timeToNextWave 20\r\n";
}

inline constexpr std::string_view kBotsCon = "console.useRelativePaths 0\r\n"
                                             "run bf1942/game/common/Britishnames\r\n"
                                             "run bf1942/game/common/germannames\r\n"
                                             "console.useRelativePaths 1\r\n";
inline constexpr std::string_view kSkirmishCon = "console.useRelativePaths 0\r\n"
                                                 "run bf1942/game/common/britishnames\r\n"
                                                 "run bf1942/game/common/germannames\r\n"
                                                 "console.useRelativePaths 1\r\n";

// Kursk's Conquest object spawns (18 position lines) and soldier spawns (15; one written with
// two blanks after the command, whose point keeps the second blank, and one commented out
// with "rem", which gives none).
inline constexpr std::string_view kObjectPoints =
    "450.345/249.093,444.421/248.701,449.911/234.584,388.567/246.062,409.739/233.916,"
    "376.687/203.812,374.75/216.141,594.427/871.696,574.056/849.572,563.023/843.171,"
    "562.049/868.331,580.677/872.065,495.081/886.874,490.64/899.592,684.391/553.988,"
    "635.281/552.097,634.986/560.106,496.456/583.978";
inline constexpr std::string_view kSoldierPoints =
    "464.978/233.386,406.791/249.466,406.281/240.534,411.088/239.954,410.837/247.016,"
    "578.755/847.167,541.351/861.112,545.272/857.32,540.63/850.195, 689.73/553.882,"
    "616.784/546.661,609.548/546.659,455.955/591.233,489.283/587.259,486.759/582.637";

// AIPathFinding.con with "Schiffe" ticked: 29 lines, the Boat block and no LandingCraft block.
inline std::string pathFindingCon() {
    const std::string objects(kObjectPoints);
    return "\r\n"
           "rem *** Set number of AStar resources ***\r\n"
           "ai.numAStarResources 10\r\n"
           "\r\n"
           "rem *** Tank ***\r\n"
           "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
           "ai.addSearchType Tank 0 0\r\n"
           "ai.setMapSpawnPoints 0 " +
           objects +
           "\r\n"
           "\r\n"
           "rem *** Infantry ***\r\n"
           "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\r\n"
           "ai.addSearchType Infantry 1 0\r\n"
           "ai.setMapSpawnPoints 1 " +
           std::string(kSoldierPoints) +
           "\r\n"
           "\r\n"
           "rem *** Boat ***\r\n"
           "ai.addSearchMap Boat2 1 8 30 125.0 0.3 2.5 0 2 5\r\n"
           "ai.addSearchType Boat 2 2\r\n"
           "ai.setMapSpawnPoints 2 " +
           objects +
           "\r\n"
           "ai.setSmoothing 2 20\r\n"
           "\r\n"
           "rem *** Car ***\r\n"
           "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0\r\n"
           "ai.addSearchType Car 2 0\r\n"
           "ai.setMapSpawnPoints 4 " +
           objects +
           "\r\n"
           "\r\n"
           "rem *** Load maps ***\r\n"
           "ai.loadMaps\r\n"
           "\r\n"
           "rem I hope that worx fine...mfgferro\r\n";
}

// AI\StrategicAreas.con of the three areas, in Windows-1252 ("Hügel" with the byte FC).
inline constexpr std::string_view kStrategicAreasCon =
    "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
    "aiStrategicArea.create Dorf 200/624 360/784 120\r\n"
    " \r\n"
    "aiStrategicArea.create H\xFCgel 600/264 840/424 80\r\n"
    " \r\n"
    "aiStrategicArea.create Bahnhof 500/804 660/904 150\r\n"
    " \r\n"
    "\r\n"
    " \r\n"
    " \r\n"
    "aiStrategicArea.setActive Dorf\r\n"
    "AIStrategicArea.addNeighbour H\xFCgel\r\n"
    "AIStrategicArea.addNeighbour Bahnhof\r\n"
    "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
    "aiStrategicArea.addObjectTypeFlag StrongPoint\r\n"
    "AIStrategicArea.setOrderPosition Infantry 270/694\r\n"
    "AIStrategicArea.setOrderPosition Car 270/694\r\n"
    "AIStrategicArea.setOrderPosition Tank 270/694\r\n"
    "aiStrategicArea.setSide 1\r\n"
    "\r\n"
    "aiStrategicArea.setActive H\xFCgel\r\n"
    "AIStrategicArea.addNeighbour Dorf\r\n"
    "aiStrategicArea.addObjectTypeFlag flank\r\n"
    "aiStrategicArea.addObjectTypeFlag center\r\n"
    "AIStrategicArea.setOrderPosition Infantry 710/334\r\n"
    "AIStrategicArea.setOrderPosition Car 710/334\r\n"
    "aiStrategicArea.setSide 2\r\n"
    "\r\n"
    "aiStrategicArea.setActive Bahnhof\r\n"
    "AIStrategicArea.addNeighbour Dorf\r\n"
    "aiStrategicArea.addObjectTypeFlag Base\r\n"
    "AIStrategicArea.setOrderPosition Infantry 570/844\r\n"
    "AIStrategicArea.setOrderPosition Tank 570/844\r\n"
    "aiStrategicArea.setSide 0\r\n"
    "\r\n"
    "\r\n";

// The places of one run: the program folder and the user's own folders outside it. Folder
// texts end with the system's separator, as the file dialogs give them ("/" on Linux, "\\" on
// Windows).
struct Places {
    std::string program;    // the program folder
    std::string game;       // the game folder
    std::string target;     // the addon archive chosen in the first pack, without ".rfa"
    std::string mapArchive; // the user's copy of kursk.rfa that the merge replaces
    std::string backup;     // where the merge saves the addon archive
};

inline std::string packBat(const Places& p) {
    return "rfaPack.exe bf1942\\levels\\kursk_001  bf1942/levels/kursk \"kursk_001.rfa\"\r\n"
           "copy \"" +
           p.program + "kursk_001.rfa\" \"" + p.target + ".rfa\"\r\n";
}

inline std::string pathfBf(const Places& p) {
    return p.program + "bf1942\\levels\\kursk_001\\\r\n" + p.game + "\r\n" + p.target +
           "\r\nkursk\r\n" + p.program + "bf1942\\levels\\kursk\\\r\n";
}

inline std::string statsBf(const Places& p) {
    return "1024\r\n" + p.program + "bf1942\\levels\\kursk_001\\\r\n";
}

inline std::string networkUnpackBat(const Places& p) {
    return "copy \"" + p.mapArchive + "\" \"" + p.program +
           "Network\\kursk.rfa\"\r\n"
           "rfaunpack.exe kursk.rfa\r\n"
           "del \"" +
           p.program +
           "Network\\kursk.rfa\"\r\n"
           "copy \"" +
           p.target + ".rfa\" \"" + p.program +
           "Network\\kursk_001.rfa\"\r\n"
           "rfaunpack.exe kursk_001.rfa\r\n"
           "del \"" +
           p.program + "Network\\kursk_001.rfa\"\r\n";
}

inline std::string networkPackBat(const Places& p) {
    return "rfaPack.exe bf1942\\levels\\kursk bf1942/levels/kursk \"kursk.rfa\"\r\n"
           "copy \"" +
           p.program + "Network\\kursk.rfa\" \"" + p.mapArchive +
           "\"\r\n"
           "del \"" +
           p.program + "Network\\kursk.rfa\"\r\n";
}

// --- Reading what lies on disk ---

// Two sets of files: the same names, and each file the same bytes (a difference names its
// file, and shows only that file).
inline void expectSameFiles(const std::map<std::string, std::string>& seen,
                            const std::map<std::string, std::string>& expected,
                            const std::string& where) {
    std::set<std::string> seenNames;
    for (const auto& [name, bytes] : seen)
        seenNames.insert(name);
    std::set<std::string> expectedNames;
    for (const auto& [name, bytes] : expected)
        expectedNames.insert(name);
    EXPECT_EQ(seenNames, expectedNames) << where;
    for (const auto& [name, bytes] : expected) {
        const auto found = seen.find(name);
        if (found != seen.end()) {
            EXPECT_EQ(found->second, bytes) << where << ": " << name;
        }
    }
}

inline std::string kurskArchive() {
    return fs::canonical(testdata("archives/kursk.rfa")).string();
}

inline std::string pathmapSource() {
    return fs::canonical(testdata("pathmaps/Bastogne")).string();
}

inline std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Every entry of an archive with its bytes, read by our own archive reader: the stored names
// (checked against the directory) to the contents.
inline std::map<std::string, std::string> archiveFiles(const fs::path& archive) {
    TempDir out;
    archive::unpackArchive(archive, out.path());
    std::map<std::string, std::string> files = filesUnder(out.path());
    std::set<std::string> listed;
    for (const archive::Entry& entry : archive::listArchive(archive))
        listed.insert(entry.name);
    std::set<std::string> unpacked;
    for (const auto& [name, bytes] : files)
        unpacked.insert(name);
    EXPECT_EQ(listed, unpacked) << archive;
    return files;
}

// The files of a folder as an archive of it would hold them: under `prefix`.
inline std::map<std::string, std::string> filesAs(const fs::path& folder,
                                                  const std::string& prefix) {
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : filesUnder(folder))
        files[prefix + name] = bytes;
    return files;
}

// A file of the Kursk archive by its path below the level, any letter case.
inline std::string kurskFile(const std::string& relative) {
    for (const auto& [name, bytes] : archiveFiles(kurskArchive()))
        if (lower(name) == lower("bf1942/Levels/Kursk/" + relative))
            return bytes;
    ADD_FAILURE() << "kursk.rfa has no " << relative;
    return {};
}

// A text file with LF line ends as the system copies it: each line break becomes CR LF.
inline std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// --- The checks of each step, the same for both roads ---

// Kursk unpacked under the program folder's bf1942/levels/: every entry of the archive, byte
// for byte, in the folders the program folder already has ("levels" in small letters).
inline void checkUnpackedMap(const Places& p) {
    std::map<std::string, std::string> expected;
    for (const auto& [name, bytes] : archiveFiles(kurskArchive()))
        expected["Kursk/" + name.substr(std::string("bf1942/Levels/Kursk/").size())] = bytes;
    std::map<std::string, std::string> unpacked;
    for (const auto& [name, bytes] : filesUnder(fs::path(p.program) / "bf1942" / "levels"))
        if (name.rfind("Kursk/", 0) == 0)
            unpacked[name] = bytes;
    expectSameFiles(unpacked, expected, "the unpacked map");
}

// The addon as Start leaves it, with the edit of the review editor (`edited`) or without it.
// Kursk's Conquest folder lacks three of the seven copied scripts: their copies are missing.
inline void checkAddon(const Places& p, bool edited, const std::string& strategicAreas) {
    const fs::path addon = fs::path(p.program) / "bf1942" / "levels" / "kursk_001";
    const std::string templates = std::string(TESS_SOURCE_DIR) + "/src/resources/con files/";
    const std::map<std::string, std::string> expected{
        {"AI/StrategicAreas.con", strategicAreas},
        {"AI/conditions.con", withCrLf(readBytes(templates + "conditions.con"))},
        {"AI/prerequisites.con", withCrLf(readBytes(templates + "prerequisites.con"))},
        {"AI/strategies.con", withCrLf(readBytes(templates + "strategies.con"))},
        {"AIPathFinding.con", pathFindingCon()},
        {"Coop.con", std::string(kCoopCon)},
        {"GameTypes/Coop.con", std::string(kGameTypesCoopCon)},
        {"SinglePlayer/Bots.con", std::string(kBotsCon)},
        {"SinglePlayer/ControlPoints.con", kurskFile("Conquest/ControlPoints.con")},
        {"SinglePlayer/ObjectSpawns.con", kurskFile("Conquest/ObjectSpawns.con")},
        {"SinglePlayer/Skirmish.con", std::string(kSkirmishCon)},
        {"SinglePlayer/SoldierSpawnTemplates.con", kurskFile("Conquest/SoldierSpawnTemplates.con")},
        {"SinglePlayer/SoldierSpawns.con", kurskFile("Conquest/SoldierSpawns.con")},
        {"SinglePlayerAllied.con", singlePlayerCon(edited ? 32 : 18)},
        {"SinglePlayerAxis.con", singlePlayerCon(18)},
        {"ai.con", aiConBeforeImport()},
    };
    expectSameFiles(filesUnder(addon), expected, "the addon");
    EXPECT_TRUE(fs::is_directory(addon / "Pathfinding"));
    EXPECT_TRUE(fs::is_empty(addon / "Pathfinding"));
    EXPECT_EQ(readBytes(fs::path(p.program) / "temp" / "stats.bf"), statsBf(p));
}

// The archive of a pack holds exactly the addon folder, under the map's own level path.
inline void checkAddonArchive(const Places& p) {
    const fs::path addon = fs::path(p.program) / "bf1942" / "levels" / "kursk_001";
    const auto expected = filesAs(addon, "bf1942/levels/kursk/");
    expectSameFiles(archiveFiles(p.target + ".rfa"), expected, p.target + ".rfa");
    // The batch packed it in the program folder first and copied it to the target.
    EXPECT_EQ(readBytes(p.program + "kursk_001.rfa"), readBytes(p.target + ".rfa"));
}

// After the import: ai.con without "ai.createallmaps", and the 15 generated pathmaps in the
// addon's Pathfinding folder, byte for byte.
inline void checkImported(const Places& p) {
    const fs::path addon = fs::path(p.program) / "bf1942" / "levels" / "kursk_001";
    EXPECT_EQ(readBytes(addon / "ai.con"), aiConAfterImport());
    const auto pathmaps = filesUnder(addon / "Pathfinding");
    EXPECT_EQ(pathmaps.size(), 15u);
    expectSameFiles(pathmaps, filesUnder(pathmapSource()), "the addon's pathmaps");
}

// The merged map: Kursk's own files, the addon's over them where both have one (compared
// without regard to letter case, as the unpack tool reuses folders and files so), and the
// current Co-op scripts; every entry under bf1942/levels/kursk/.
inline void checkMergedMap(const Places& p, const std::map<std::string, std::string>& addon) {
    std::map<std::string, std::pair<std::string, std::string>> expected; // lower -> name, bytes
    const std::string mapPrefix = "bf1942/Levels/Kursk/";
    for (const auto& [name, bytes] : archiveFiles(kurskArchive())) {
        const std::string relative = name.substr(mapPrefix.size());
        expected[lower(relative)] = {relative, bytes};
    }
    const std::string addonPrefix = "bf1942/levels/kursk/";
    for (const auto& [name, bytes] : addon) {
        const std::string relative = name.substr(addonPrefix.size());
        auto found = expected.find(lower(relative));
        if (found == expected.end())
            expected[lower(relative)] = {relative, bytes};
        else
            found->second.second = bytes; // the map's spelling of the name, the addon's bytes
    }
    expected["coop.con"].second = std::string(kCoopCon);
    expected["gametypes/coop.con"].second = std::string(kGameTypesCoopCon);

    std::map<std::string, std::string> want;
    for (const auto& [key, file] : expected)
        want["bf1942/levels/kursk/" + file.first] = file.second;
    expectSameFiles(archiveFiles(p.mapArchive), want, p.mapArchive);
}

} // namespace tess::test::kursk
