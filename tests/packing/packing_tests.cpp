// Pathmaps and packing with real files and real batches: the batches run in processes of
// their own through our real `tessarine-cli run-batch`, and pack and unpack with our own
// archive tool.
#include "archive/archive.h"
#include "core/error.h"
#include "core/lines.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "packing/addon_pack.h"
#include "packing/batches.h"
#include "packing/network_merge.h"
#include "packing/pack_state.h"
#include "packing/pathmaps.h"
#include "scripts/start.h"
#include "support/archives.h"
#include "support/coop_scripts.h"
#include "support/generated_pathmaps.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace tess;
using namespace tess::packing;
using tess::test::entryBytes;
using tess::test::entryNames;
using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

// Asks the wait as the command-line tool does, for at most a minute.
WaitStatus waitOut(BatchWait& wait, std::vector<int>* bars = nullptr) {
    for (int i = 0; i < 600; ++i) {
        const WaitStatus status = wait.poll();
        if (bars && (bars->empty() || bars->back() != status.bar))
            bars->push_back(status.bar);
        if (status.done)
            return status;
        std::this_thread::sleep_for(kPollInterval);
    }
    return wait.giveUpAfter(60);
}

bool waitForEnd(const BatchProcess& batch) {
    for (int i = 0; i < 600; ++i) {
        if (batch.hasEnded())
            return true;
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

// A test's installation: the program folder as the build lays it out, with our real
// command-line tool as the batch runner's interpreter.
class PackingTest : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        tess::test::installBatchTools(program.path());
    }

    // A generated addon for the real Bastogne level, as Start leaves it.
    WizardState generatedBastogne(const std::string& gameDir) {
        WizardState state;
        intake::chooseMapAndWait(state, test::testdata("levels/Bastogne"), pf());
        intake::inspectMap(state, pf());
        scripts::runStart(state, {}, pf());
        state.gameDir = gameDir;
        return state;
    }

    std::string pf() const { return program.text(); }

    test::ProgramFolder program;
    TempDir outside;
};

const std::string kCreateAllMaps = "ai.createallmaps\r\n";

} // namespace

TEST(PackBatch, IsWrittenByteForByteAndQuotesOnlyWhatWouldSplit) {
    EXPECT_EQ(
        joinLinesCrLf(buildPackBatch("Bastogne", "D:\\Addons\\Bastogne_001", "C:\\Tessarine\\")),
        "rfaPack.exe bf1942\\levels\\Bastogne_001  bf1942/levels/Bastogne "
        "\"Bastogne_001.rfa\"\r\n"
        "copy \"C:\\Tessarine\\Bastogne_001.rfa\" \"D:\\Addons\\Bastogne_001.rfa\"\r\n");
    // A name typed with its extension gets it twice, as the game's users know it.
    EXPECT_EQ(joinLinesCrLf(buildPackBatch("El Alamein", "/home/u/Meine Addons/El Alamein.rfa",
                                           "/opt/Tessarine/")),
              "rfaPack.exe \"bf1942\\levels\\El Alamein_001\"  \"bf1942/levels/El Alamein\" "
              "\"El Alamein.rfa.rfa\"\r\n"
              "copy \"/opt/Tessarine/El Alamein.rfa.rfa\" "
              "\"/home/u/Meine Addons/El Alamein.rfa.rfa\"\r\n");
    // No map in this run: the batch packs "_001", nothing stops it.
    EXPECT_EQ(joinLinesCrLf(buildPackBatch("", "C:\\_001", "C:\\T\\")),
              "rfaPack.exe bf1942\\levels\\_001  bf1942/levels/ \"_001.rfa\"\r\n"
              "copy \"C:\\T\\_001.rfa\" \"C:\\_001.rfa\"\r\n");

    TempDir program;
    WizardState state;
    state.mapName = "Bastogne";
    state.levelDir = intake::addonFolderOf(program.text(), "Bastogne");
    writeBytes(program.path() / "bf1942/levels/Bastogne_001/ai.con", "rem\r\n");
    EXPECT_EQ(proposedPackName(state), "Bastogne_001");
    choosePackTarget(state, "/srv/maps/Bastogne_001", program.text());
    EXPECT_EQ(state.packTarget, "/srv/maps/Bastogne_001");
    EXPECT_EQ(packNameOf(state.packTarget), "Bastogne_001");
    writePackBatch(state, program.text());
    EXPECT_EQ(readBytes(program.path() / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Bastogne_001  bf1942/levels/Bastogne "
              "\"Bastogne_001.rfa\"\r\n"
              "copy \"" +
                  program.text() + "Bastogne_001.rfa\" \"/srv/maps/Bastogne_001.rfa\"\r\n");

    // A name that would carry a command of its own is refused before anything is written.
    fs::remove(program.path() / "pack.bat");
    for (const std::string target :
         {"/srv/a&del x", "/srv/a|b", "/srv/100%", "/srv/a\"b", "/srv/a\r\ndel x"}) {
        EXPECT_NE(errorMessage([&] { choosePackTarget(state, target, program.text()); }),
                  "(no error)")
            << target;
        EXPECT_EQ(state.packTarget, "/srv/maps/Bastogne_001");
    }
    state.mapName = "Ba^stogne";
    EXPECT_NE(errorMessage([&] { writePackBatch(state, program.text()); }), "(no error)");
    EXPECT_FALSE(fs::exists(program.path() / "pack.bat"));
}

TEST(PackState, FiveLinesSurviveTheRestart) {
    TempDir program;
    WizardState state;
    state.levelDir = program.text() + "bf1942\\levels\\Bastogne_001\\";
    state.gameDir = "D:\\Spiele\\Battlefield 1942\\";
    state.packTarget = "D:\\Addons\\Bastogne_001";
    state.mapName = "Bastogne";
    // An unpacked map kept elsewhere, with its overview picture.
    TempDir map;
    writeBytes(map.path() / "Textures" / "ingamemap.dds", "dds");
    state.mapLevelDir = map.text();
    // Without temp\ there is no state file, and the error names it.
    EXPECT_EQ(errorMessage([&] { writePackState(state, program.text()); })
                  .rfind("Datei \"" + program.text() +
                             "temp\\pathf.bf\" kann nicht erstellt "
                             "werden. ",
                         0),
              0u);
    fs::create_directories(program.path() / "temp");
    writePackState(state, program.text());
    EXPECT_EQ(readBytes(program.path() / "temp" / "pathf.bf"),
              program.text() +
                  "bf1942\\levels\\Bastogne_001\\\r\n"
                  "D:\\Spiele\\Battlefield 1942\\\r\n"
                  "D:\\Addons\\Bastogne_001\r\n"
                  "Bastogne\r\n" +
                  map.text() + "\r\n");

    WizardState restarted;
    restorePackState(restarted, program.text());
    EXPECT_EQ(restarted.levelDir, state.levelDir);
    EXPECT_EQ(restarted.gameDir, state.gameDir);
    EXPECT_EQ(restarted.packTarget, state.packTarget);
    EXPECT_EQ(restarted.mapName, state.mapName);
    EXPECT_EQ(restarted.mapLevelDir, state.mapLevelDir);
    // So the pathmaps are drawn over the map's picture after the restart too.
    EXPECT_EQ(pictureLevelFolder(restarted, program.text()), map.text());

    fs::remove(program.path() / "temp" / "pathf.bf");
    restarted.mapName = "kept";
    EXPECT_EQ(errorMessage([&] {
                  restorePackState(restarted, program.text());
              }).rfind("Datei " + program.text() + "temp\\pathf.bf kann nicht ge", 0),
              0u);
    EXPECT_EQ(restarted.mapName, "kept");
}

TEST(NetworkBatches, AreWrittenByteForByte) {
    WizardState state;
    chooseNetMap(state, "D:\\Spiele\\BF1942\\Mods\\bf1942\\Archives\\bf1942\\levels\\Kursk.rfa");
    chooseNetAddon(state, "D:\\Addons\\Kursk_001.rfa");
    EXPECT_EQ(state.netMapName, "Kursk");
    EXPECT_EQ(state.netAddonName, "Kursk_001");
    EXPECT_EQ(joinLinesCrLf(buildNetworkUnpackBatch(state, "C:\\Tessarine\\")),
              "copy \"D:\\Spiele\\BF1942\\Mods\\bf1942\\Archives\\bf1942\\levels\\Kursk.rfa\" "
              "\"C:\\Tessarine\\Network\\Kursk.rfa\"\r\n"
              "rfaunpack.exe Kursk.rfa\r\n"
              "del \"C:\\Tessarine\\Network\\Kursk.rfa\"\r\n"
              "copy \"D:\\Addons\\Kursk_001.rfa\" \"C:\\Tessarine\\Network\\Kursk_001.rfa\"\r\n"
              "rfaunpack.exe Kursk_001.rfa\r\n"
              "del \"C:\\Tessarine\\Network\\Kursk_001.rfa\"\r\n");
    EXPECT_EQ(joinLinesCrLf(buildNetworkPackBatch(state, "C:\\Tessarine\\")),
              "rfaPack.exe bf1942\\levels\\Kursk bf1942/levels/Kursk \"Kursk.rfa\"\r\n"
              "copy \"C:\\Tessarine\\Network\\Kursk.rfa\" "
              "\"D:\\Spiele\\BF1942\\Mods\\bf1942\\Archives\\bf1942\\levels\\Kursk.rfa\"\r\n"
              "del \"C:\\Tessarine\\Network\\Kursk.rfa\"\r\n");

    // Names with blanks are quoted where the lines leave them bare.
    chooseNetMap(state, "/maps/Gazala Nord.rfa");
    chooseNetAddon(state, "/maps/Mein Addon.rfa");
    EXPECT_EQ(joinLinesCrLf(buildNetworkUnpackBatch(state, "/opt/T/")),
              "copy \"/maps/Gazala Nord.rfa\" \"/opt/T/Network\\Gazala Nord.rfa\"\r\n"
              "rfaunpack.exe \"Gazala Nord.rfa\"\r\n"
              "del \"/opt/T/Network\\Gazala Nord.rfa\"\r\n"
              "copy \"/maps/Mein Addon.rfa\" \"/opt/T/Network\\Mein Addon.rfa\"\r\n"
              "rfaunpack.exe \"Mein Addon.rfa\"\r\n"
              "del \"/opt/T/Network\\Mein Addon.rfa\"\r\n");
    EXPECT_EQ(joinLinesCrLf(buildNetworkPackBatch(state, "/opt/T/")),
              "rfaPack.exe \"bf1942\\levels\\Gazala Nord\" \"bf1942/levels/Gazala Nord\" "
              "\"Gazala Nord.rfa\"\r\n"
              "copy \"/opt/T/Network\\Gazala Nord.rfa\" \"/maps/Gazala Nord.rfa\"\r\n"
              "del \"/opt/T/Network\\Gazala Nord.rfa\"\r\n");

    // File names of four characters or fewer: a name of exactly four gives an empty name.
    chooseNetMap(state, "/m/.rfa");
    EXPECT_EQ(state.netMapName, "");
    chooseNetMap(state, "/m/abc");
    EXPECT_EQ(state.netMapName, "abc");

    // An archive that is already the network folder's copy is unpacked and packed where it
    // lies: copying it onto itself and deleting "the copy" would delete the user's archive.
    TempDir program;
    writeBytes(program.path() / "Network" / "Kursk.rfa", "map");
    writeBytes(program.path() / "Network" / "Kursk_001.rfa", "addon");
    chooseNetMap(state, program.text() + "Network/Kursk.rfa");
    chooseNetAddon(state, program.text() + "network/KURSK_001.rfa");
    EXPECT_EQ(joinLinesCrLf(buildNetworkUnpackBatch(state, program.text())),
              "rfaunpack.exe Kursk.rfa\r\n"
              "rfaunpack.exe KURSK_001.rfa\r\n");
    // The pack's own archive takes a name of its own beside the map archive, and so does the
    // copy of an addon whose name the map archive in the network folder has.
    EXPECT_EQ(joinLinesCrLf(buildNetworkPackBatch(state, program.text())),
              "rfaPack.exe bf1942\\levels\\Kursk bf1942/levels/Kursk \"Kursk~2.rfa\"\r\n"
              "copy \"" +
                  program.text() + "Network\\Kursk~2.rfa\" \"" + program.text() +
                  "Network/Kursk.rfa\"\r\n"
                  "del \"" +
                  program.text() + "Network\\Kursk~2.rfa\"\r\n");
    chooseNetAddon(state, "/srv/sub/Kursk.rfa");
    EXPECT_EQ(joinLinesCrLf(buildNetworkUnpackBatch(state, program.text())),
              "rfaunpack.exe Kursk.rfa\r\n"
              "copy \"/srv/sub/Kursk.rfa\" \"" +
                  program.text() +
                  "Network\\Kursk~2.rfa\"\r\n"
                  "rfaunpack.exe Kursk~2.rfa\r\n"
                  "del \"" +
                  program.text() + "Network\\Kursk~2.rfa\"\r\n");
}

TEST(CreateAllMaps, OnlyTheFirstWholeLineGoesInAnyLetterCase) {
    LineList twice{"ai.init 2", "AI.CreateAllMaps", "rem", "ai.createallmaps"};
    EXPECT_TRUE(removeCreateAllMaps(twice));
    EXPECT_EQ(twice, (LineList{"ai.init 2", "rem", "ai.createallmaps"}));
    LineList withText{"ai.createallmaps 1", " ai.createallmaps", "rem ai.createallmaps"};
    EXPECT_FALSE(removeCreateAllMaps(withText));
    EXPECT_EQ(withText.size(), 3u);
    LineList empty;
    EXPECT_FALSE(removeCreateAllMaps(empty));
}

TEST(CoopScripts, AreWrittenByteForByteIntoTheMergeFolder) {
    TempDir merge;
    fs::create_directories(merge.path() / "GameTypes");
    writeBytes(merge.path() / "GameTypes" / "Coop.con", "old\r\n");
    writeCoopScripts(merge.text());
    EXPECT_EQ(readBytes(merge.path() / "Coop.con"), test::kCoopCon);
    // "Gametypes\" reaches the folder "GameTypes", as on Windows.
    EXPECT_EQ(readBytes(merge.path() / "GameTypes" / "Coop.con"), test::kGameTypesCoopCon);
    if (test::kCaseSensitiveNames) {
        EXPECT_FALSE(fs::exists(merge.path() / "Gametypes"));
    }
}

// The merge takes for the map's addon only an archive whose files all lie under the map's
// level, in any letter case, and that is no map itself.
TEST(MergeArchives, TheAddonMustBeOfTheMap) {
    TempDir dir;
    const TempDir program;
    WizardState state;
    state.netMapName = "Kursk";
    state.netMapArchive = dir.text() + "Kursk.rfa";
    state.netAddonArchive = dir.text() + "Kursk_001.rfa";
    writeBytes(dir / "Kursk.rfa", test::storeArchive({{"bf1942/levels/Kursk/Init.con", "map"},
                                                      {"bf1942/levels/Kursk/ai.con", "map"}}));
    const std::string addon = "Das Addon-Archiv " + state.netAddonArchive;
    const std::string notOfKursk = " gehört nicht zur Map Kursk: es enthält \"";
    const std::string onlyKursk = "\", nicht nur Dateien unter bf1942/levels/Kursk/.";
    const std::string chooseAnother = " Wähle das Addon dieser Map, etwa Kursk_001.rfa.";
    const std::string unchanged = " Map- und Addon-Archiv bleiben, wie sie sind";
    struct Row {
        const char* what;
        std::vector<test::RawEntry> entries;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"the map's addon",
         {{"bf1942/levels/Kursk/ai.con", "ai"}, {"bf1942/levels/Kursk/AI/Strat.con", "s"}},
         "(no error)"},
        {"its names in other letter case and with backslashes",
         {{"BF1942\\Levels\\KURSK\\ai.con", "ai"}, {"bf1942/levels/kursk/Coop.con", "c"}},
         "(no error)"},
        {"another map's addon",
         {{"bf1942/levels/Berlin/ai.con", "ai"}},
         addon + notOfKursk + "bf1942/levels/Berlin/ai.con" + onlyKursk + chooseAnother +
             unchanged},
        {"a level whose name begins with the map's",
         {{"bf1942/levels/Kursk_001/ai.con", "ai"}},
         addon + notOfKursk + "bf1942/levels/Kursk_001/ai.con" + onlyKursk + chooseAnother +
             unchanged},
        {"one file of another map after the map's",
         {{"bf1942/levels/Kursk/ai.con", "ai"}, {"bf1942/levels/Berlin/ai.con", "ai"}},
         addon + notOfKursk + "bf1942/levels/Berlin/ai.con" + onlyKursk + chooseAnother +
             unchanged},
        {"a file outside the levels",
         {{"bf1942/levels/Kursk/ai.con", "ai"}, {"ai.con", "ai"}},
         addon + notOfKursk + "ai.con" + onlyKursk + chooseAnother + unchanged},
        {"a copy of the map",
         {{"bf1942/levels/Kursk/ai.con", "ai"}, {"bf1942/levels/Kursk/INIT.CON", "map"}},
         addon + " ist kein Addon der Map Kursk: Es enthält die init.con einer Map." +
             chooseAnother + unchanged},
        {"an empty archive", {}, addon + " ist leer." + unchanged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        writeBytes(dir / "Kursk_001.rfa", test::storeArchive(row.entries));
        EXPECT_EQ(errorMessage([&] { checkMergeArchives(state, Disposal::keep, program.text()); }),
                  row.message);
    }
}

TEST(DisposalChoice, IsExclusiveAndStartsWithKeep) {
    DisposalChoice choice;
    EXPECT_TRUE(choice.isTicked(DisposalBox::fix3));
    EXPECT_EQ(choice.disposal(), Disposal::keep);
    choice.click(DisposalBox::fix1);
    EXPECT_TRUE(choice.isTicked(DisposalBox::fix1));
    EXPECT_FALSE(choice.isTicked(DisposalBox::fix3));
    EXPECT_EQ(choice.disposal(), Disposal::remove);
    choice.click(DisposalBox::fix1); // unticking the ticked one leaves none ticked
    EXPECT_FALSE(choice.isTicked(DisposalBox::fix1));
    EXPECT_FALSE(choice.isTicked(DisposalBox::fix2));
    EXPECT_FALSE(choice.isTicked(DisposalBox::fix3));
    EXPECT_EQ(choice.disposal(), Disposal::keep);
    choice.click(DisposalBox::fix3);
    choice.tick(DisposalBox::fix2); // "Pfad"
    EXPECT_EQ(choice.disposal(), Disposal::backUp);
    EXPECT_FALSE(choice.isTicked(DisposalBox::fix3));
    choice.tick(DisposalBox::fix2); // ticking again keeps it ticked
    EXPECT_TRUE(choice.isTicked(DisposalBox::fix2));
}

TEST(Disposal, NeverLosesTheAddonArchive) {
    TempDir dir;
    const std::string archive = dir.text() + "Kursk_001.rfa";
    const std::string bytes(100000, 'a');
    WizardState state;
    chooseNetAddon(state, archive);

    writeBytes(archive, bytes);
    EXPECT_EQ(disposeAddonArchive(state, Disposal::keep).note, "");
    EXPECT_TRUE(fs::exists(archive));

    const DisposalOutcome removed = disposeAddonArchive(state, Disposal::remove);
    EXPECT_TRUE(removed.archiveGone);
    EXPECT_EQ(removed.note, "");
    EXPECT_FALSE(fs::exists(archive));
    // A missing archive passes silently.
    EXPECT_EQ(disposeAddonArchive(state, Disposal::remove).note, "");

    // A backup over an older one: copied whole, then the archive goes.
    writeBytes(archive, bytes);
    writeBytes(dir.path() / "Sicherung" / "alt.rfa", "older");
    chooseBackupPath(state, dir.text() + "Sicherung/alt.rfa");
    const DisposalOutcome backedUp = disposeAddonArchive(state, Disposal::backUp);
    EXPECT_TRUE(backedUp.archiveGone);
    EXPECT_EQ(backedUp.note, "");
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_EQ(readBytes(dir.path() / "Sicherung" / "alt.rfa"), bytes);

    // "Sichern nach:" without a path.
    writeBytes(archive, bytes);
    chooseBackupPath(state, "");
    DisposalOutcome outcome = disposeAddonArchive(state, Disposal::backUp);
    EXPECT_FALSE(outcome.archiveGone);
    EXPECT_EQ(outcome.note, "\"Sichern nach:\" ist angekreuzt, aber kein Pfad gewählt: Das "
                            "Addon-Archiv " +
                                archive + " wird nicht gelöscht. Es bleibt, wo es ist.");
    EXPECT_EQ(readBytes(archive), bytes);

    // A backup that cannot be made: its folder does not exist.
    chooseBackupPath(state, dir.text() + "fehlt/Kursk_001.rfa");
    outcome = disposeAddonArchive(state, Disposal::backUp);
    EXPECT_FALSE(outcome.archiveGone);
    EXPECT_EQ(outcome.note, "Das Addon-Archiv " + archive + " kann nicht nach " + dir.text() +
                                "fehlt/Kursk_001.rfa gesichert werden und wird nicht "
                                "gelöscht. Es bleibt, wo es ist.");
    EXPECT_EQ(readBytes(archive), bytes);

    // A backup whose place is a folder.
    fs::create_directories(dir.path() / "Ordner.rfa");
    chooseBackupPath(state, dir.text() + "Ordner.rfa");
    EXPECT_FALSE(disposeAddonArchive(state, Disposal::backUp).archiveGone);
    EXPECT_EQ(readBytes(archive), bytes);

    // A backup onto the archive itself, spelt differently.
    chooseBackupPath(state, dir.text() + "KURSK_001.RFA");
    outcome = disposeAddonArchive(state, Disposal::backUp);
    EXPECT_FALSE(outcome.archiveGone);
    EXPECT_EQ(outcome.note, "Das Addon-Archiv " + archive +
                                " soll auf sich selbst gesichert werden und wird nicht "
                                "gelöscht. Es bleibt, wo es ist.");
    EXPECT_EQ(readBytes(archive), bytes);

    // No addon archive chosen: nothing happens.
    WizardState none;
    EXPECT_EQ(disposeAddonArchive(none, Disposal::remove).note, "");
    EXPECT_EQ(disposeAddonArchive(none, Disposal::backUp).note, "");
}

TEST_F(PackingTest, FirstPackImportAfterARestartAndFinalPack) {
    const fs::path game = outside.path() / "Battlefield 1942";
    const fs::path targets = outside.path() / "Meine Addons";
    fs::create_directories(targets);
    WizardState state = generatedBastogne(pathText(game) + "/");
    const std::string aiCon = readBytes(program.addon("Bastogne") / "ai.con");
    ASSERT_NE(aiCon.find(kCreateAllMaps), std::string::npos);

    // The first pack, step by step as the window takes it.
    EXPECT_EQ(proposedPackName(state), "Bastogne_001");
    const std::string target = pathText(targets) + "/Bastogne_001";
    choosePackTarget(state, target, pf());
    writePackBatch(state, pf());
    EXPECT_EQ(readBytes(program.path() / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Bastogne_001  bf1942/levels/Bastogne "
              "\"Bastogne_001.rfa\"\r\n"
              "copy \"" +
                  pf() + "Bastogne_001.rfa\" \"" + target + ".rfa\"\r\n");
    BatchWait first = startFirstPack(state, pf());
    EXPECT_EQ(first.status().bar, kBarBatchStarted);
    std::vector<int> bars;
    const WaitStatus packed = waitOut(first, &bars);
    ASSERT_FALSE(packed.failed) << packed.message;
    EXPECT_EQ(bars.back(), kBarDone);
    EXPECT_TRUE(std::is_sorted(bars.begin(), bars.end()));
    for (const int bar : bars)
        EXPECT_TRUE(bar == kBarBatchStarted || bar == kBarArchivePacked || bar == kBarDone);
    writePackState(state, pf());
    EXPECT_EQ(readBytes(program.path() / "temp" / "pathf.bf"),
              pf() + "bf1942\\levels\\Bastogne_001\\\r\n" + pathText(game) + "/\r\n" + target +
                  "\r\n"
                  "Bastogne\r\n" +
                  state.mapLevelDir + "\r\n");
    ASSERT_TRUE(waitForEnd(first.batch()));

    // The archive carries the addon under the map's own level path.
    const std::vector<std::string> firstNames = entryNames(target + ".rfa");
    ASSERT_FALSE(firstNames.empty());
    for (const std::string& name : firstNames)
        EXPECT_EQ(name.rfind("bf1942/levels/Bastogne/", 0), 0u) << name;
    EXPECT_EQ(entryBytes(target + ".rfa", "bf1942/levels/Bastogne/ai.con"), aiCon);
    EXPECT_EQ(readBytes(target + ".rfa"), readBytes(program.path() / "Bastogne_001.rfa"));

    // The game ran and wrote its pathmaps, among them the five 8-bit maps that are not
    // taken over, and one that differs from them only in letter case.
    const fs::path generated = game / "bf1942" / "levels" / "Bastogne" / "Pathfinding";
    test::writeGeneratedPathmaps(generated);
    writeBytes(generated / "Notes.txt", "not a pathmap");
    writeBytes(generated / "UPPER.RAW", "upper");

    // A restart: nothing but temp\pathf.bf is known.
    WizardState restarted;
    const PathmapImport imported = importPathmaps(restarted, pf());
    EXPECT_EQ(restarted.levelDir, state.levelDir);
    EXPECT_EQ(restarted.gameDir, state.gameDir);
    EXPECT_EQ(restarted.packTarget, target);
    EXPECT_EQ(restarted.mapName, "Bastogne");
    EXPECT_TRUE(imported.commandRemoved);
    EXPECT_EQ(imported.folder, pathText(game) + "/bf1942\\levels\\Bastogne\\Pathfinding\\");
    std::vector<std::string> listed = test::generatedPathmapNames();
    listed.push_back("UPPER.RAW");
    EXPECT_EQ(imported.listed, listed);
    EXPECT_EQ(imported.copy.skipped,
              (std::vector<std::string>{
                  "Boat2Level0Map8Bit.raw", "Car4Level0Map8Bit.raw", "Infantry1Level0Map8Bit.raw",
                  "Landingcraft3Level0Map8Bit.raw", "Tank0Level0Map8Bit.raw"}));
    EXPECT_EQ(imported.copy.copied.size(), test::kCaseSensitiveNames ? 17u : 16u);
    EXPECT_TRUE(imported.copy.failed.empty());
    std::set<std::string> expectedCopies;
    for (const auto& entry : fs::directory_iterator(test::testdata("pathmaps/Bastogne")))
        expectedCopies.insert(entry.path().filename().string());
    if (test::kCaseSensitiveNames)
        expectedCopies.insert("car4Level0Map8Bit.raw");
    expectedCopies.insert("UPPER.RAW");
    std::set<std::string> inAddon;
    for (const auto& entry : fs::directory_iterator(program.addon("Bastogne") / "Pathfinding")) {
        const std::string name = entry.path().filename().string();
        inAddon.insert(name);
        EXPECT_EQ(readBytes(entry.path()), readBytes(generated / name)) << name;
    }
    EXPECT_EQ(inAddon, expectedCopies);
    std::string withoutCommand = aiCon;
    withoutCommand.erase(withoutCommand.find(kCreateAllMaps), kCreateAllMaps.size());
    EXPECT_EQ(readBytes(program.addon("Bastogne") / "ai.con"), withoutCommand);

    // A second import copies the same files again and leaves ai.con as it is.
    const PathmapImport again = importPathmaps(restarted, pf());
    EXPECT_FALSE(again.commandRemoved);
    EXPECT_EQ(again.copy.copied, imported.copy.copied);
    EXPECT_EQ(readBytes(program.addon("Bastogne") / "ai.con"), withoutCommand);

    // The final pack ends on the archive that this run makes, not on the first pack's.
    BatchWait last = startFinalPack(restarted, pf());
    const WaitStatus finished = waitOut(last);
    ASSERT_FALSE(finished.failed) << finished.message;
    EXPECT_EQ(finished.bar, kBarDone);
    ASSERT_TRUE(waitForEnd(last.batch()));
    const std::vector<std::string> finalNames = entryNames(target + ".rfa");
    for (const std::string& name : expectedCopies)
        EXPECT_NE(std::find(finalNames.begin(), finalNames.end(),
                            "bf1942/levels/Bastogne/Pathfinding/" + name),
                  finalNames.end())
            << name;
    for (const std::string_view name : kExcludedPathmaps)
        EXPECT_EQ(std::find(finalNames.begin(), finalNames.end(),
                            "bf1942/levels/Bastogne/Pathfinding/" + std::string(name)),
                  finalNames.end());
    EXPECT_EQ(finalNames.size(), firstNames.size() + expectedCopies.size());
    EXPECT_EQ(entryBytes(target + ".rfa", "bf1942/levels/Bastogne/ai.con"), withoutCommand);
}

TEST_F(PackingTest, ImportStopsWhereItsStepFails) {
    WizardState state;
    // No state file at all.
    EXPECT_EQ(errorMessage([&] {
                  importPathmaps(state, pf());
              }).rfind("Datei " + pf() + "temp\\pathf.bf kann nicht ge", 0),
              0u);
    // The state is restored although the addon's ai.con is missing.
    const std::string addon = pf() + "bf1942\\levels\\Oasis_001\\";
    writeBytes(program.path() / "temp" / "pathf.bf",
               addon + "\r\n" + outside.text() + "\r\nD:\\x\\Oasis_001\r\nOasis\r\n");
    EXPECT_EQ(errorMessage([&] {
                  importPathmaps(state, pf());
              }).rfind("Datei " + addon + "ai.con kann nicht ge", 0),
              0u);
    EXPECT_EQ(state.packTarget, "D:\\x\\Oasis_001");
    // Without the game's pathmap folder ai.con is saved all the same, then the import stops
    // naming the folder.
    writeBytes(program.addon("Oasis") / "ai.con", "rem\nAI.CREATEALLMAPS\nai.createallmaps\n");
    EXPECT_EQ(errorMessage([&] { importPathmaps(state, pf()); })
                  .rfind("Der Ordner " + outside.text() +
                             "bf1942\\levels\\Oasis\\Pathfinding\\ kann nicht geöffnet werden. ",
                         0),
              0u);
    EXPECT_EQ(readBytes(program.addon("Oasis") / "ai.con"), "rem\r\nai.createallmaps\r\n");
    // Only the five excluded maps: nothing is copied. A missing Pathfinding folder in the
    // addon makes the copies fail, and they are reported, not hidden.
    fs::create_directories(outside.path() / "bf1942" / "levels" / "Oasis" / "Pathfinding");
    for (const std::string_view name : kExcludedPathmaps)
        writeBytes(outside.path() / "bf1942/levels/Oasis/Pathfinding" / std::string(name), "x");
    PathmapImport imported = importPathmaps(state, pf());
    EXPECT_TRUE(imported.copy.copied.empty());
    EXPECT_EQ(imported.copy.skipped.size(), 5u);
    writeBytes(outside.path() / "bf1942/levels/Oasis/Pathfinding/Tank.raw", "x");
    imported = importPathmaps(state, pf());
    EXPECT_EQ(imported.copy.failed, std::vector<std::string>{"Tank.raw"});
}

// A damaged temp\pathf.bf is refused before anything is touched: no ai.con anywhere is
// edited, and the state stays as it was.
TEST_F(PackingTest, ADamagedPackStateTouchesNothing) {
    const std::string aiCon = "rem\r\nai.createallmaps\r\n";
    writeBytes(outside.path() / "ai.con", aiCon); // the current folder's
    writeBytes(outside.path() / "Karte_001" / "ai.con", aiCon);
    writeBytes(program.addon("Oasis") / "ai.con", aiCon);
    fs::current_path(outside.path()); // (the program folder puts the old one back)
    const std::string addon = pf() + "bf1942\\levels\\Oasis_001\\";
    const std::string game = outside.text() + "\r\n";
    const struct {
        std::string lines;
        std::string problem;
    } cases[] = {
        {"", "Sie hat 0 von 4 Zeilen"},
        {"\r\n", "Sie hat 1 von 4 Zeilen"},
        {addon + "\r\n" + game + "D:\\x\r\n", "Sie hat 3 von 4 Zeilen"},
        {"\r\n" + game + "D:\\x\r\nOasis\r\n",
         "Zeile 1 (\"\") ist nicht der Addon-Ordner " + addon + " der Map Oasis"},
        {outside.text() + "Karte_001\\\r\n" + game + "D:\\x\r\nKarte\r\n",
         "Zeile 1 (\"" + outside.text() + "Karte_001\\\") ist nicht der Addon-Ordner " + pf() +
             "bf1942\\levels\\Karte_001\\ der Map Karte"},
        {pf() + "bf1942\\levels\\Oasis\\\r\n" + game + "D:\\x\r\nOasis\r\n",
         "Zeile 1 (\"" + pf() + "bf1942\\levels\\Oasis\\\") ist nicht der Addon-Ordner " + addon +
             " der Map Oasis"},
        {pf() + "bf1942\\levels\\..\\..\\Karte_001\\\r\n" + game + "D:\\x\r\n..\\..\\Karte\r\n",
         "Zeile 4: Der Kartenname \"..\\..\\Karte\" ist unzulässig"},
        {addon + "\r\n" + game + "D:\\x\r\n\r\n", "Zeile 4 nennt keine Map"},
        {addon + "\r\n\r\nD:\\x\r\nOasis\r\n", "Zeile 2 nennt keinen Spielordner"},
        {addon + "\r\n" + game + "\r\nOasis\r\n", "Zeile 3 nennt kein Ziel für das Addon-Archiv"},
        // Cut short, or with more after the five lines the first pack writes.
        {addon + "\r\n" + game + "D:\\x\r\nOas", "Sie ist abgeschnitten: nach 3 vollständigen "
                                                 "Zeilen bricht Zeile 4 ab"},
        {addon + "\r\n" + game + "D:\\x\r\nOasis\r\nD:\\Oasis\\\r\nmehr\r\n",
         "Sie hat 6 Zeilen, mehr als die 5, die das 1. Packen schreibt"},
        {addon + "\r\n" + game + "D:\\x\r\nOasis\r\n" + std::string(40000, 'x') + "\r\n",
         "Zeile 5 ist mit 40000 Zeichen länger als jeder Pfad"},
        {addon + "\r\n" + game + "D:\\x\r\nOasis\r\nD:\\Oasis\r\n",
         "Zeile 5 (\"D:\\Oasis\") nennt keinen Ordner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        writeBytes(program.path() / "temp" / "pathf.bf", c.lines);
        WizardState state;
        state.mapName = "vorher";
        const std::string message = errorMessage([&] { importPathmaps(state, pf()); });
        EXPECT_EQ(
            message.rfind("Die Datei " + pf() + "temp\\pathf.bf ist beschädigt. " + c.problem, 0),
            0u)
            << message;
        EXPECT_NE(message.find(" Packe dein Addon noch einmal zum 1. Mal (Teil 1)"),
                  std::string::npos);
        EXPECT_EQ(state.mapName, "vorher");
        for (const fs::path& file :
             {outside.path() / "ai.con", outside.path() / "Karte_001" / "ai.con",
              program.addon("Oasis") / "ai.con"})
            EXPECT_EQ(readBytes(file), aiCon) << file;
    }
    // A file edited with LF only, its folders in other letter case and separators, is whole.
    writeBytes(program.path() / "temp" / "pathf.bf",
               pf() + "BF1942/Levels/oasis_001/\n" + outside.text() + "\nD:\\x\nOasis\n");
    WizardState state;
    EXPECT_NE(errorMessage([&] { importPathmaps(state, pf()); }).find("Pathfinding"),
              std::string::npos);
    EXPECT_EQ(readBytes(program.addon("Oasis") / "ai.con"), "rem\r\n");
}

TEST_F(PackingTest, FinalPackIsRefusedWithoutATargetAndNeverEndsOnAnOldArchive) {
    WizardState state;
    EXPECT_EQ(errorMessage([&] { startFinalPack(state, pf()); }),
              "Es ist noch kein Ziel für das Addon-Archiv bekannt. Packe dein Addon zuerst zum "
              "1. Mal (Teil 1) oder kopiere die generierten Pathmaps in das Addon (Teil 2)");
    state.mapName = "Oasis";
    state.packTarget = outside.text() + "Oasis_001";
    EXPECT_EQ(errorMessage([&] {
                  startFinalPack(state, pf());
              }).rfind("Datei " + pf() + "pack.bat kann nicht ge", 0),
              0u);

    // The first pack's archive is still in the program folder and at the target.
    writeBytes(program.addon("Oasis") / "ai.con", "rem\r\n");
    writePackBatch(state, pf());
    const std::string old = test::storeArchive({{"bf1942/levels/Oasis/ai.con", "old"}});
    writeBytes(program.path() / "Oasis_001.rfa", old);
    writeBytes(outside.path() / "Oasis_001.rfa", old);
    BatchWait wait = startFinalPack(state, pf());
    EXPECT_FALSE(fs::exists(program.path() / "Oasis_001.rfa"));
    const WaitStatus status = waitOut(wait);
    ASSERT_FALSE(status.failed) << status.message;
    EXPECT_EQ(entryNames(program.path() / "Oasis_001.rfa"),
              std::vector<std::string>{"bf1942/levels/Oasis/ai.con"});
    ASSERT_TRUE(waitForEnd(wait.batch()));
    EXPECT_EQ(entryNames(outside.path() / "Oasis_001.rfa"),
              std::vector<std::string>{"bf1942/levels/Oasis/ai.con"});
}

TEST_F(PackingTest, AWaitSaysWhyWhenTheArchiveNeverComes) {
    // The addon folder is missing: the batch ends without an archive, and the wait stops at
    // once, naming the log that tells why.
    WizardState state;
    state.mapName = "Fehlt";
    state.levelDir = intake::addonFolderOf(pf(), "Fehlt");
    writeBytes(program.addon("Fehlt") / "ai.con", "rem\r\n");
    choosePackTarget(state, outside.text() + "Fehlt_001", pf());
    writePackBatch(state, pf());
    fs::remove_all(program.addon("Fehlt"));
    BatchWait wait = startFirstPack(state, pf());
    const WaitStatus status = waitOut(wait);
    EXPECT_TRUE(status.done);
    EXPECT_TRUE(status.failed);
    EXPECT_EQ(status.bar, kBarBatchStarted);
    EXPECT_EQ(status.message, "Die Batchdatei \"" + pf() + "pack.bat\" ist beendet, ohne \"" +
                                  pf() + "Fehlt_001.rfa\" zu liefern. " +
                                  test::batchOutputSentence(pf() + "pack.log"));
    EXPECT_NE(readBytes(program.path() / "pack.log")
                  .find("Der Ordner \"bf1942\\levels\\Fehlt_001\" wurde nicht gefunden."),
              std::string::npos);
    // Asking again changes nothing.
    EXPECT_EQ(wait.poll().message, status.message);
    EXPECT_EQ(wait.abandon().message, status.message);

    // The archive is packed but cannot be copied to its target: the wait names the target.
    writeBytes(program.addon("Fehlt") / "ai.con", "rem\r\n");
    choosePackTarget(state, outside.text() + "gibt es nicht/Fehlt_001", pf());
    writePackBatch(state, pf());
    BatchWait copyFails = startFirstPack(state, pf());
    const WaitStatus notCopied = waitOut(copyFails);
    EXPECT_TRUE(notCopied.failed);
    EXPECT_EQ(notCopied.bar, kBarArchivePacked);
    EXPECT_NE(notCopied.message.find("ohne \"" + outside.text() +
                                     "gibt es nicht/Fehlt_001.rfa\" zu liefern."),
              std::string::npos)
        << notCopied.message;

    // Without the program folder's tessarine-cli, which runs the batches, nothing runs, and the
    // wait says so at once.
#ifdef _WIN32
    fs::remove(program.path() / "tessarine-cli.exe");
#else
    fs::remove(program.path() / "tessarine-cli");
#endif
    fs::remove(program.path() / "Fehlt_001.rfa");
    BatchWait notStarted = startFirstPack(state, pf());
    EXPECT_EQ(notStarted.poll().message, "Die Batchdatei \"" + pf() +
                                             "pack.bat\" konnte nicht gestartet werden; \"" + pf() +
                                             "Fehlt_001.rfa\" fehlt.");
}

TEST_F(PackingTest, AWaitCanBeAbandonedOrRunOutOfTime) {
    WizardState state;
    state.mapName = "Oasis";
    state.levelDir = intake::addonFolderOf(pf(), "Oasis");
    writeBytes(program.addon("Oasis") / "ai.con", "rem\r\n");
    choosePackTarget(state, outside.text() + "Oasis_001", pf());
    writePackBatch(state, pf());
    BatchWait wait = startFirstPack(state, pf());
    const WaitStatus abandoned = wait.abandon();
    EXPECT_TRUE(abandoned.done);
    EXPECT_TRUE(abandoned.failed);
    EXPECT_EQ(abandoned.message.rfind(
                  "Abgebrochen: Auf \"" + pf() + "Oasis_001.rfa\" wird nicht mehr gewartet.", 0),
              0u)
        << abandoned.message;
    EXPECT_NE(abandoned.message.find(" " + test::batchOutputSentence(pf() + "pack.log")),
              std::string::npos);
    // Once abandoned it stays so, although the batch goes on and delivers.
    ASSERT_TRUE(waitForEnd(wait.batch()));
    EXPECT_TRUE(fs::exists(outside.path() / "Oasis_001.rfa"));
    EXPECT_TRUE(wait.poll().failed);

    // The command-line tool's time limit.
    fs::remove(program.path() / "Oasis_001.rfa");
    BatchWait limited = startFirstPack(state, pf());
    const WaitStatus late = limited.giveUpAfter(600);
    EXPECT_TRUE(late.failed);
    EXPECT_EQ(late.message.rfind("Nach 600 Sekunden ist \"" + pf() +
                                     "Oasis_001.rfa\" noch nicht da; das Warten ist beendet.",
                                 0),
              0u)
        << late.message;
    ASSERT_TRUE(waitForEnd(limited.batch()));
}

TEST_F(PackingTest, NetworkMergeOfKurskWithAnAddonTheAddonWinning) {
    // The map archive and an addon archive made by our own archive tool, both in folders
    // whose names hold blanks.
    const fs::path maps = outside.path() / "Meine Karten";
    fs::create_directories(maps);
    fs::copy_file(test::testdata("archives/kursk.rfa"), maps / "Kursk.rfa");
    fs::permissions(maps / "Kursk.rfa", fs::perms::owner_write, fs::perm_options::add);
    const fs::path addonSource = outside.path() / "addon";
    writeBytes(addonSource / "SinglePlayer" / "ControlPoints.con", "rem the addon's own\r\n");
    writeBytes(addonSource / "ai.con", "rem ai\r\n");
    writeBytes(addonSource / "Coop.con", "rem an old Co-op script\r\n");
    writeBytes(addonSource / "GameTypes" / "Coop.con", "rem an old Co-op script\r\n");
    const fs::path addonArchive = outside.path() / "Alte Addons" / "Kursk 001.rfa";
    fs::create_directories(addonArchive.parent_path());
    archive::packFolder(addonSource, "bf1942/levels/Kursk", addonArchive, false);

    // What an earlier merge left in the merge folder must not reach this map.
    writeBytes(program.path() / "Network/bf1942/Levels/Kursk/stale.con", "old merge");

    WizardState state;
    EXPECT_EQ(chooseNetMap(state, pathText(maps / "Kursk.rfa")), pathText(maps / "Kursk.rfa"));
    chooseNetAddon(state, pathText(addonArchive));
    BatchProcess unpack = startNetworkUnpack(state, Disposal::keep, pf());
    EXPECT_FALSE(fs::exists(program.path() / "Network/bf1942/Levels/Kursk/stale.con"));
    EXPECT_EQ(readBytes(program.path() / "Network" / "unpack.bat"),
              "copy \"" + pathText(maps / "Kursk.rfa") + "\" \"" + pf() +
                  "Network\\Kursk.rfa\"\r\n"
                  "rfaunpack.exe Kursk.rfa\r\n"
                  "del \"" +
                  pf() +
                  "Network\\Kursk.rfa\"\r\n"
                  "copy \"" +
                  pathText(addonArchive) + "\" \"" + pf() +
                  "Network\\Kursk 001.rfa\"\r\n"
                  "rfaunpack.exe \"Kursk 001.rfa\"\r\n"
                  "del \"" +
                  pf() + "Network\\Kursk 001.rfa\"\r\n");

    // "Map und Addon verbinden" waits for the unpack batch first.
    BatchWait unpacked = waitForNetworkUnpack(unpack, state, pf());
    const WaitStatus unpackStatus = waitOut(unpacked);
    ASSERT_FALSE(unpackStatus.failed) << unpackStatus.message;
    EXPECT_EQ(unpackStatus.bar, kBarDone);

    const MergeStarted merge = finishMerge(state, Disposal::keep, pf(), unpack);
    EXPECT_EQ(readBytes(program.path() / "Network" / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Kursk bf1942/levels/Kursk \"Kursk.rfa\"\r\n"
              "copy \"" +
                  pf() + "Network\\Kursk.rfa\" \"" + pathText(maps / "Kursk.rfa") +
                  "\"\r\n"
                  "del \"" +
                  pf() + "Network\\Kursk.rfa\"\r\n");
    BatchWait packed = waitForNetworkPack(merge, state, pf());
    const WaitStatus packStatus = waitOut(packed);
    ASSERT_FALSE(packStatus.failed) << packStatus.message;
    EXPECT_EQ(completeMerge(state, Disposal::keep, pf()).note, "");

    // The merged map: every file of the map and of the addon, once, under the map's level
    // path; the addon's version where both had one, and the current Co-op scripts.
    std::set<std::string> expected;
    for (const archive::Entry& entry : archive::listArchive(test::testdata("archives/kursk.rfa"))) {
        std::string name = entry.name;
        name.replace(0, std::string("bf1942/Levels/Kursk/").size(), "bf1942/levels/Kursk/");
        expected.insert(name);
    }
    expected.insert("bf1942/levels/Kursk/ai.con");
    expected.insert("bf1942/levels/Kursk/Coop.con");
    const std::vector<std::string> names = entryNames(maps / "Kursk.rfa");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    EXPECT_EQ(names.size(), expected.size());
    EXPECT_EQ(entryBytes(maps / "Kursk.rfa", "bf1942/levels/Kursk/SinglePlayer/ControlPoints.con"),
              "rem the addon's own\r\n");
    const std::string coop = entryBytes(maps / "Kursk.rfa", "bf1942/levels/Kursk/Coop.con");
    EXPECT_EQ(coop.rfind("Game.setNumberOfTickets 1 100\r\n", 0), 0u) << coop;
    EXPECT_NE(coop.find("\r\nif v_arg1 == host\r\n"), std::string::npos);
    const std::string gameType =
        entryBytes(maps / "Kursk.rfa", "bf1942/levels/Kursk/GameTypes/Coop.con");
    EXPECT_NE(gameType.find("\r\nif v_arg1== host\r\n"), std::string::npos) << gameType;
    EXPECT_FALSE(fs::exists(program.path() / "Network" / "Kursk.rfa"));
    EXPECT_TRUE(fs::exists(addonArchive));
}

TEST_F(PackingTest, MergeRefusesUnsafeNamesAndKeepsTheAddonWhenItCannotBegin) {
    WizardState state;
    writeBytes(program.path() / "Network/bf1942/levels/Kursk/keep.con", "x");
    chooseNetMap(state, outside.text() + "Kursk.rfa");
    chooseNetAddon(state, outside.text() + "A&B.rfa");
    EXPECT_NE(errorMessage([&] { startNetworkUnpack(state, Disposal::keep, pf()); }), "(no error)");
    EXPECT_FALSE(fs::exists(program.path() / "Network" / "unpack.bat"));
    EXPECT_TRUE(fs::exists(program.path() / "Network/bf1942/levels/Kursk/keep.con"));

    // Nothing was unpacked for this map: the merge stops before the Co-op scripts, the addon
    // archive is neither deleted nor copied, no pack batch is written.
    const std::string map = outside.text() + "Oasis.rfa";
    const std::string addon = outside.text() + "Oasis_001.rfa";
    writeBytes(map, test::storeArchive({{"bf1942/levels/Oasis/init.con", "map"}}));
    writeBytes(addon, test::storeArchive({{"bf1942/levels/Oasis/ai.con", "addon"}}));
    chooseNetMap(state, map);
    chooseNetAddon(state, addon);
    EXPECT_EQ(errorMessage([&] { finishMerge(state, Disposal::remove, pf(), BatchProcess{}); }),
              "Das Entpacken ist nicht vollständig: \"" + pf() +
                  "Network\\bf1942\\levels\\Oasis\\ai.con\" aus " + addon + " fehlt. " +
                  test::batchOutputSentence(pf() + "Network\\unpack.log") +
                  " Map- und Addon-Archiv bleiben, wie sie sind; entpacke sie noch einmal "
                  "(\"Entpacken\"), wenn die Ursache behoben ist");
    EXPECT_TRUE(fs::exists(addon));
    EXPECT_FALSE(fs::exists(program.path() / "Network" / "pack.bat"));
    EXPECT_FALSE(fs::exists(program.path() / "Network/bf1942/levels/Oasis/Coop.con"));
}

TEST(PictureLevelFolder, IsTheFirstOfTheMapsFoldersThatHoldsTheOverviewPicture) {
    TempDir program;
    TempDir game;
    TempDir map;
    WizardState state;
    state.mapName = "Bastogne";
    state.gameDir = game.text();
    EXPECT_EQ(pictureLevelFolder(state, program.text()), "");
    // The map's folder in the game folder, where the pathmaps were written.
    writeBytes(game.path() / "bf1942/levels/Bastogne/Textures/ingamemap.dds", "dds");
    EXPECT_EQ(pictureLevelFolder(state, program.text()),
              game.text() + "bf1942\\levels\\Bastogne\\");
    // A packed map unpacked under the program folder comes before it (any letter case).
    writeBytes(program.path() / "bf1942/levels/Bastogne/textures/InGameMap.dds", "dds");
    EXPECT_EQ(pictureLevelFolder(state, program.text()),
              program.text() + "bf1942\\levels\\Bastogne\\");
    // This run's map level folder comes first, when it holds the picture.
    state.mapLevelDir = map.text();
    EXPECT_EQ(pictureLevelFolder(state, program.text()),
              program.text() + "bf1942\\levels\\Bastogne\\");
    writeBytes(map.path() / "Textures/ingamemap.dds", "dds");
    EXPECT_EQ(pictureLevelFolder(state, program.text()), map.text());
    // Without a map name only this run's folder is asked.
    state.mapName.clear();
    state.mapLevelDir.clear();
    EXPECT_EQ(pictureLevelFolder(state, program.text()), "");
}
