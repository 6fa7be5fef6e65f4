#include "core/error.h"
#include "scripts/pathfinding.h"
#include "scripts/review_editor.h"
#include "scripts/start.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace tess;
using namespace tess::scripts;
using namespace tess::test;

namespace {

const fs::path kFixtureLevel = fs::path(TESS_SOURCE_DIR) / "tests/scripts/cases/tiny_1024/input";

WizardState inspected(std::int32_t worldSize, const std::string& mapName,
                      const std::string& levelDir) {
    WizardState state;
    state.worldSize = worldSize;
    state.mapName = mapName;
    state.levelDir = levelDir;
    return state;
}

TEST(PointWalk, KeepsTheOddComponents) {
    EXPECT_EQ(spawnPointFromValue("1050.5/74.25/980"), "1050.5/980");
    EXPECT_EQ(spawnPointFromValue("a/b/c"), "a/c");
    EXPECT_EQ(spawnPointFromValue("a/b"), "a");
    EXPECT_EQ(spawnPointFromValue("a"), "a");
    EXPECT_EQ(spawnPointFromValue("a/b/c/d/e"), "a/c/e");
    EXPECT_EQ(spawnPointFromValue("/5/6/7"), "5/7");
    EXPECT_EQ(spawnPointFromValue(" 1/2/3  "), " 1/3  ");
    EXPECT_EQ(spawnPointFromValue("1//3"), "1/3");
    EXPECT_EQ(spawnPointFromValue("/"), "");
    EXPECT_EQ(spawnPointFromValue(""), "");
}

TEST(SpawnPoints, JoinsEveryPositionLineInFileOrder) {
    EXPECT_EQ(readSpawnPoints("Object.absolutePosition 100/20/300\r\n"
                              "Object.create x\r\n"
                              "Object.absolutePosition 400/20/600\r\n")
                  .joined,
              "100/300,400/600");

    // An empty point takes its place in the count but not in the joined text.
    const SpawnPoints empty =
        readSpawnPoints("Object.absolutePosition\nObject.absolutePosition 1/2/3\n"
                        "Object.absolutePosition \rObject.absolutePosition 4/5/6");
    EXPECT_EQ(empty.joined, "1/3,4/6");
    EXPECT_EQ(empty.count, 4u);
    EXPECT_EQ(readSpawnPoints("").count, 0u);
    EXPECT_EQ(readSpawnPoints("rem nothing\r\n").joined, "");

    // Far more than a thousand positions: every one counts, the last one too.
    std::string script;
    for (int i = 0; i < 2500; ++i)
        script += "Object.absolutePosition " + std::to_string(i) + "/0/" + std::to_string(i) + "\n";
    const SpawnPoints many = readSpawnPoints(script);
    EXPECT_EQ(many.count, 2500u);
    EXPECT_TRUE(many.joined.starts_with("0/0,1/1,2/2,"));
    EXPECT_TRUE(many.joined.ends_with(",2498/2498,2499/2499"));
}

// A map named Alpha inspected from its level folder: the wizard state, the stats file and what
// the command-line tool prints.
TEST(Start, SwitchesTheWizardStateAndWritesTheStatsFile) {
    ProgramFolder program;
    TempDir maps;
    copyTree(kFixtureLevel, maps.path() / "Alpha");
    WizardState state;
    state.worldSize = 1024;
    state.mapName = "Alpha";
    state.levelDir = maps.text() + "Alpha/";

    const std::string printed = generateReportText(runStart(state, {}, program.text()));
    const std::string addon = program.text() + "bf1942\\levels\\Alpha_001\\";
    EXPECT_EQ(state.mapLevelDir, maps.text() + "Alpha/");
    EXPECT_EQ(state.levelDir, addon);
    EXPECT_EQ(readBytes(program.path() / "temp/stats.bf"), "1024\r\n" + addon + "\r\n");
    EXPECT_EQ(printed, "addon: " + addon + "\nsoldierSpawnPoints: 10\nobjectSpawnPoints: 2\n");
}

TEST(Start, BehaviourTemplatesKeepTheirTextWithCrLfBreaks) {
    ProgramFolder program;
    TempDir maps;
    copyTree(kFixtureLevel, maps.path() / "Alpha");
    writeBytes(program.path() / "temp/con files/conditions.con", "a\rb\nc\r\n\r\nd \xe4");
    writeBytes(program.path() / "temp/con files/prerequisites.con", "x\n");
    WizardState state = inspected(2048, "Alpha", maps.text() + "Alpha/");
    runStart(state, {}, program.text());
    const fs::path ai = program.addon("Alpha") / "AI";
    EXPECT_EQ(readBytes(ai / "conditions.con"), "a\r\nb\r\nc\r\n\r\nd \xe4");
    EXPECT_EQ(readBytes(ai / "prerequisites.con"), "x\r\n");
}

TEST(Start, StopsAtAMissingTemplateAndKeepsWhatItWrote) {
    ProgramFolder program;
    TempDir maps;
    copyTree(kFixtureLevel, maps.path() / "Alpha");
    fs::remove(program.path() / "temp/con files/strategies.con");
    WizardState state = inspected(4096, "Alpha", maps.text() + "Alpha/");
    const std::string message = errorMessage([&] { runStart(state, {}, program.text()); });
    EXPECT_EQ(message, "Datei " + program.text() +
                           "temp\\con files\\strategies.con kann nicht geöffnet werden. " +
                           "Das System kann die angegebene Datei nicht finden.");
    const fs::path addon = program.addon("Alpha");
    EXPECT_TRUE(fs::exists(addon / "AI/conditions.con"));
    EXPECT_TRUE(fs::exists(addon / "SinglePlayer/SoldierSpawns.con"));
    EXPECT_FALSE(fs::exists(addon / "AI/prerequisites.con"));
    EXPECT_FALSE(fs::exists(addon / "AIPathFinding.con"));
}

TEST(Start, StopsWithAnIoErrorWhenTheLevelsFolderIsMissing) {
    ProgramFolder program;
    fs::remove_all(program.path() / "bf1942");
    WizardState state = inspected(1024, "Alpha", "/nowhere/Alpha/");
    EXPECT_EQ(errorMessage([&] { runStart(state, {}, program.text()); }), "E/A-Fehler 3");
    EXPECT_EQ(state.mapLevelDir, "/nowhere/Alpha/");
    EXPECT_EQ(state.levelDir, program.text() + "bf1942\\levels\\Alpha_001\\");
    EXPECT_FALSE(fs::exists(program.path() / "temp/stats.bf"));
}

// A level without a Conquest folder: the seven copies fail silently and Start stops at the
// soldier spawn script. A second Start, once the map has its Conquest scripts, works on the
// same map level folder and addon folder.
TEST(Start, StopsWithoutConquestScriptsAndASecondStartCompletes) {
    ProgramFolder program;
    TempDir maps;
    const fs::path level = maps.path() / "Battle_of_Edsons_Ridge";
    copyTree(testdata("levels/Battle_of_Edsons_Ridge"), level);
    WizardState state = inspected(1024, "Battle_of_Edsons_Ridge", level.string() + "/");
    const std::string addonText = program.text() + "bf1942\\levels\\Battle_of_Edsons_Ridge_001\\";
    const fs::path addon = program.addon("Battle_of_Edsons_Ridge");

    // The first part of Start stops, so the window never comes to fill its review list.
    const std::string message =
        errorMessage([&] { writeAddonScripts(state, {.ships = true}, program.text()); });
    EXPECT_EQ(message, "Datei " + addonText +
                           "singleplayer/soldierspawns.con kann nicht geöffnet werden. " +
                           "Das System kann die angegebene Datei nicht finden.");
    EXPECT_EQ(state.mapLevelDir, level.string() + "/");
    EXPECT_EQ(state.levelDir, addonText);
    for (const char* written :
         {"ai.con", "Coop.con", "GameTypes/Coop.con", "SinglePlayerAllied.con",
          "SinglePlayerAxis.con", "SinglePlayer/Bots.con", "SinglePlayer/Skirmish.con",
          "AI/conditions.con", "AI/strategies.con", "AI/prerequisites.con"})
        EXPECT_TRUE(fs::is_regular_file(addon / written)) << written;
    EXPECT_TRUE(fs::is_directory(addon / "Pathfinding"));
    EXPECT_FALSE(fs::exists(addon / "SinglePlayer/SoldierSpawns.con"));
    EXPECT_FALSE(fs::exists(addon / "AIPathFinding.con"));
    EXPECT_FALSE(fs::exists(addon / "AI/StrategicAreas.con"));
    EXPECT_TRUE(fs::exists(program.path() / "temp/stats.bf"));

    // The map maker gives the level its Conquest spawn scripts and presses Start again.
    copyTree(level / "Singleplayer", level / "Conquest");
    const StartReport report = writeAddonScripts(state, {.ships = true}, program.text());
    EXPECT_EQ(state.mapLevelDir, level.string() + "/");
    EXPECT_EQ(state.levelDir, addonText);
    // Between the two parts the path-finding script is there, the area script not yet.
    EXPECT_TRUE(fs::exists(addon / "AIPathFinding.con"));
    EXPECT_FALSE(fs::exists(addon / "AI/StrategicAreas.con"));
    writeEmptyAreaScript(state);
    EXPECT_EQ(readBytes(addon / "SinglePlayer/SoldierSpawns.con"),
              readBytes(level / "Singleplayer/SoldierSpawns.con"));
    EXPECT_GT(report.soldierSpawnPoints, 0u);
    EXPECT_GT(report.objectSpawnPoints, 0u);
    EXPECT_EQ(readBytes(addon / "AI/StrategicAreas.con"), "");
}

// A map name that would lead the addon out of the levels folder, or an addon folder the stats
// file cannot hold: Start refuses before it writes anything.
TEST(Start, RefusesBeforeWritingWhatItCouldNotFinish) {
    ProgramFolder program;
    TempDir maps;
    copyTree(kFixtureLevel, maps.path() / "Alpha");
    const auto before = filesUnder(program.path());
    WizardState state = inspected(1024, "..\\..\\..\\ESC", maps.text() + "Alpha/");
    EXPECT_EQ(errorMessage([&] { runStart(state, {}, program.text()); }),
              "Der Kartenname \"..\\..\\..\\ESC\" ist unzulässig: er enthält \"\\\", das unter "
              "Windows Ordner trennt. Bitte benenne den Ordner oder das Archiv der Karte um");
    EXPECT_EQ(filesUnder(program.path()), before);
    EXPECT_EQ(state.levelDir, maps.text() + "Alpha/");

    // A program folder whose path the game's code page cannot hold (a Cyrillic user folder):
    // the stats file would fail after ai.con; Start names the file and writes nothing.
    TempDir home;
    const fs::path cyrillic = home.path() / "Программы";
    copyTree(program.path(), cyrillic);
    const std::string folder = cyrillic.string() + "/";
    WizardState alpha = inspected(1024, "Alpha", maps.text() + "Alpha/");
    EXPECT_EQ(errorMessage([&] { runStart(alpha, {}, folder); }),
              "Datei \"" + folder +
                  "temp/stats.bf\" kann nicht erstellt werden. Das Zeichen \"П\" "
                  "kann im Zeichensatz des Spiels (Windows-1252) nicht gespeichert werden");
    EXPECT_FALSE(fs::exists(cyrillic / "bf1942/levels/Alpha_001"));
}

class ReviewEditor : public testing::Test {
protected:
    void SetUp() override {
        copyTree(kFixtureLevel, maps_.path() / "Mühlental");
        state_.worldSize = 1024;
        state_.mapName = "Mühlental"; // an umlaut in every path of the addon
        state_.levelDir = maps_.text() + "Mühlental/";
        runStart(state_, {}, program_.text());
        addon_ = program_.addon("Mühlental");
    }
    static int indexOf(std::string_view entry) {
        for (std::size_t i = 0; i < kReviewEntries.size(); ++i)
            if (kReviewEntries[i] == entry)
                return static_cast<int>(i);
        return -1;
    }

    ProgramFolder program_;
    TempDir maps_;
    WizardState state_;
    fs::path addon_;
};

TEST_F(ReviewEditor, EveryEntryOpensAGeneratedFile) {
    ASSERT_EQ(kReviewEntries.size(), 19u);
    for (int i = 0; i < 19; ++i)
        EXPECT_NO_THROW(loadReviewFile(state_, i)) << kReviewEntries[static_cast<std::size_t>(i)];
    EXPECT_EQ(state_.conFileIndex, 18);
    EXPECT_EQ(loadReviewFile(state_, indexOf("AI/StrategicAreas.con")), "");
    EXPECT_TRUE(loadReviewFile(state_, 0).starts_with("rem *** ai.con"));
}

TEST_F(ReviewEditor, UneditedFilesSaveBackByteForByte) {
    const int entry = indexOf("Singleplayer/ControlPoints.con");
    const fs::path file = addon_ / "SinglePlayer/ControlPoints.con";
    for (const std::string& bytes :
         {std::string("Stra\xdf"
                      "e \x81 M\xfchle\r\n\r\nend\r\n"),
          std::string("no break at the end \x81\r\n "), std::string("\r\n"), std::string("")}) {
        writeBytes(file, bytes);
        const std::string text = loadReviewFile(state_, entry);
        saveReviewFile(state_, entry, text);
        EXPECT_EQ(readBytes(file), bytes);
    }
    writeBytes(file, "\xe4\x81\r\n");
    EXPECT_EQ(loadReviewFile(state_, entry), "\xc3\xa4\xc2\x81\n");

    // Other line breaks come back as CR LF.
    writeBytes(file, "a\nb\rc\r\nd\n");
    EXPECT_EQ(loadReviewFile(state_, entry), "a\nb\nc\nd\n");
    saveReviewFile(state_, entry, loadReviewFile(state_, entry));
    EXPECT_EQ(readBytes(file), "a\r\nb\r\nc\r\nd\r\n");

    saveReviewFile(state_, entry, "edited ü\nline");
    EXPECT_EQ(readBytes(file), "edited \xfc\r\nline");
    EXPECT_EQ(state_.conFileIndex, entry);
}

TEST_F(ReviewEditor, FailuresLeaveFilesAlone) {
    // Nothing selected.
    const auto before = filesUnder(addon_);
    EXPECT_EQ(errorMessage([&] { saveReviewFile(state_, -1, "text"); }),
              "Listenindex überschreitet das Maximum (-1)");
    EXPECT_EQ(state_.conFileIndex, -1);
    EXPECT_EQ(filesUnder(addon_), before);

    // A conquest copy that is missing.
    fs::remove(addon_ / "SinglePlayer/ObjectSpawnTemplates.con");
    EXPECT_EQ(errorMessage([&] {
                  loadReviewFile(state_, indexOf("Singleplayer/ObjectSpawnTemplates.con"));
              }),
              "Datei " + state_.levelDir +
                  "Singleplayer/ObjectSpawnTemplates.con kann nicht geöffnet werden. " +
                  "Das System kann die angegebene Datei nicht finden.");

    // A file that cannot be replaced: a folder in its way, and (for users the file system
    // holds to permissions) a read-only file.
    const int coop = indexOf("COOP.con");
    fs::remove(addon_ / "AI/StrategicAreas.con");
    fs::create_directory(addon_ / "AI/StrategicAreas.con");
    EXPECT_TRUE(errorMessage([&] { saveReviewFile(state_, indexOf("AI/StrategicAreas.con"), "x"); })
                    .starts_with("Datei \"" + state_.levelDir +
                                 "AI/StrategicAreas.con\" kann nicht erstellt werden. "));
#ifndef _WIN32
    if (::geteuid() != 0) {
        const std::string coopBytes = readBytes(addon_ / "Coop.con");
        fs::permissions(addon_ / "Coop.con", fs::perms::owner_read);
        EXPECT_TRUE(
            errorMessage([&] { saveReviewFile(state_, coop, "x"); }).starts_with("Datei \""));
        EXPECT_EQ(readBytes(addon_ / "Coop.con"), coopBytes);
    }
#endif
    // The addon folder is gone.
    fs::current_path(program_.path());
    fs::remove_all(addon_);
    EXPECT_TRUE(
        errorMessage([&] {
            saveReviewFile(state_, coop, "x");
        }).starts_with("Datei \"" + state_.levelDir + "COOP.con\" kann nicht erstellt werden. "));
}

} // namespace
