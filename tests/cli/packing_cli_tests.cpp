// The road of tab "(3) Pathmaps-config + Packing" through tessarine-cli, as a map maker
// scripts it: each command a child process of its own, its batches run by the real batch
// runner, the archives read back with our reader.
#include "platform/program_lock.h"
#include "support/archives.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using tess::test::cli;
using tess::test::CliResult;
using tess::test::entryBytes;
using tess::test::entryNameSet;
using tess::test::quoted;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

// The names in lower case: the archives spell the level path differently.
std::set<std::string> lowered(const std::set<std::string>& names) {
    std::set<std::string> lower;
    for (std::string name : names) {
        for (char& c : name)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        lower.insert(name);
    }
    return lower;
}

class PackingCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        tess::test::installBatchTools(program_.path());
        fs::create_directories(addons_);
        writeBytes(program_.path() / "memory.bf", game_.string() + "/");
    }

    CliResult run(const std::string& args) {
        return cli(args + " --program-folder " + quoted(program_.text()), outside_.path());
    }

    std::string pf() const { return program_.text(); }

    tess::test::ProgramFolder program_;
    TempDir outside_;
    const fs::path game_ = outside_.path() / "Battlefield 1942";
    const fs::path addons_ = outside_.path() / "Meine Addons";
};

} // namespace

TEST_F(PackingCliTest, FirstPackImportAndFinalPackOfBastogneAcrossProcesses) {
    const std::string bastogne = tess::test::testdata("levels/Bastogne");
    ASSERT_EQ(run("generate " + quoted(bastogne)).exitCode, 0);
    const fs::path addon = program_.addon("Bastogne");
    const std::string aiCon = readBytes(addon / "ai.con");
    ASSERT_NE(aiCon.find("\r\nai.createallmaps\r\n"), std::string::npos);

    // A target folder that does not exist: the batch ends without delivering, and the
    // message names the log that says why.
    const CliResult nowhere = run("first-pack " + quoted(bastogne) + " Fehlt/Bastogne_001");
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_EQ(nowhere.err, "Die Batchdatei \"" + pf() + "pack.bat\" ist beendet, ohne \"" +
                               tess::test::nativePath(outside_.text() + "Fehlt/Bastogne_001.rfa") +
                               "\" zu liefern. " +
                               tess::test::batchOutputSentence(pf() + "pack.log") + "\n");
    EXPECT_FALSE(fs::exists(program_.path() / "temp" / "pathf.bf"));

    // The first pack, to a target given relative to the current folder.
    const CliResult first = run("first-pack " + quoted(bastogne) + " 'Meine Addons/Bastogne_001'");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string target = tess::test::nativePath(addons_.string() + "/Bastogne_001");
    EXPECT_EQ(first.out, "pack.bat: " + pf() + "pack.bat\narchive: " + target +
                             ".rfa\nstate: " + pf() + "temp\\pathf.bf\n");
    EXPECT_EQ(readBytes(program_.path() / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Bastogne_001  bf1942/levels/Bastogne "
              "\"Bastogne_001.rfa\"\r\n"
              "copy \"" +
                  pf() + "Bastogne_001.rfa\" \"" + target + ".rfa\"\r\n");
    EXPECT_EQ(readBytes(program_.path() / "temp" / "pathf.bf"),
              pf() + "bf1942\\levels\\Bastogne_001\\\r\n" + game_.string() + "/\r\n" + target +
                  "\r\nBastogne\r\n" + tess::test::nativeFolderText(bastogne) + "\r\n");
    const std::set<std::string> firstNames = entryNameSet(target + ".rfa");
    // Every file of the addon, under the map's own level path.
    std::set<std::string> addonFiles;
    for (const auto& [name, bytes] : tess::test::filesUnder(addon))
        addonFiles.insert("bf1942/levels/Bastogne/" + name);
    EXPECT_EQ(firstNames, addonFiles);

    // The game generates its pathmaps, the five 8-bit maps among them, and one whose name
    // differs from them in letter case only.
    const fs::path generated = game_ / "bf1942/levels/Bastogne/Pathfinding";
    tess::test::copyTree(tess::test::testdata("pathmaps/Bastogne"), generated);
    // (Windows keeps one of two names that differ in letter case only.)
    const bool caseOnly = tess::test::kCaseSensitiveNames;
    for (const char* name :
         {"Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw", "Tank0Level0Map8Bit.raw",
          "Boat2Level0Map8Bit.raw", "Landingcraft3Level0Map8Bit.raw", "tank0Level0Map8Bit.raw"})
        if (caseOnly || std::string(name) != "tank0Level0Map8Bit.raw")
            writeBytes(generated / name, "8 bit");
            // A link among them, to a file that is none of the game's: never read, never shipped.
#ifdef _WIN32
    const bool links = false; // (links need rights that a Windows user seldom has)
#else
    const bool links = true;
#endif
    if (links) {
        writeBytes(outside_.path() / "geheim.txt", "secret");
        fs::create_symlink(outside_.path() / "geheim.txt", generated / "Shadow.raw");
    }

    const CliResult imported = run("import-pathmaps");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "folder: " + game_.string() +
                                "/bf1942\\levels\\Bastogne\\Pathfinding\\\n"
                                "ai.createallmaps: entfernt\n"
                                "copied: Car.raw\n"
                                "copied: Car0Level0Map.raw\n"
                                "copied: Car0Level1Map.raw\n"
                                "copied: Car0Level2Map.raw\n"
                                "copied: CarInfo.raw\n"
                                "copied: Infantry.raw\n"
                                "copied: Infantry0Level0Map.raw\n"
                                "copied: Infantry0Level1Map.raw\n"
                                "copied: Infantry0Level2Map.raw\n"
                                "copied: InfantryInfo.raw\n"
                                "copied: Tank.raw\n"
                                "copied: Tank0Level0Map.raw\n" +
                                std::string(caseOnly ? "copied: tank0Level0Map8Bit.raw\n" : "") +
                                "copied: Tank0Level1Map.raw\n"
                                "copied: Tank0Level2Map.raw\n"
                                "copied: TankInfo.raw\n"
                                "skipped: Boat2Level0Map8Bit.raw\n"
                                "skipped: Car4Level0Map8Bit.raw\n"
                                "skipped: Infantry1Level0Map8Bit.raw\n"
                                "skipped: Landingcraft3Level0Map8Bit.raw\n"
                                "skipped: Tank0Level0Map8Bit.raw\n" +
                                std::string(links ? "refused: Shadow.raw (keine gewöhnliche "
                                                    "Datei, sondern eine Verknüpfung oder "
                                                    "anderes; wird nicht gelesen)\n"
                                                  : ""));
    EXPECT_FALSE(fs::exists(addon / "Pathfinding" / "Shadow.raw"));
    std::string withoutCommand = aiCon;
    withoutCommand.erase(withoutCommand.find("ai.createallmaps\r\n"), 18);
    EXPECT_EQ(readBytes(addon / "ai.con"), withoutCommand);
    // Again: nothing left to remove, the same copies.
    const CliResult again = run("import-pathmaps");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.out.find("ai.createallmaps: nicht gefunden\n"), std::string::npos);

    const CliResult last = run("final-pack");
    ASSERT_EQ(last.exitCode, 0) << last.err;
    EXPECT_EQ(last.out, "archive: " + target + ".rfa\nFertig\n");
    const std::set<std::string> finalNames = entryNameSet(target + ".rfa");
    EXPECT_EQ(finalNames.size(), firstNames.size() + (caseOnly ? 16 : 15));
    EXPECT_TRUE(finalNames.count("bf1942/levels/Bastogne/Pathfinding/Tank0Level0Map.raw"));
    EXPECT_EQ(finalNames.count("bf1942/levels/Bastogne/Pathfinding/tank0Level0Map8Bit.raw"),
              caseOnly ? 1u : 0u);
    EXPECT_FALSE(finalNames.count("bf1942/levels/Bastogne/Pathfinding/Tank0Level0Map8Bit.raw"));
    EXPECT_EQ(entryBytes(target + ".rfa", "bf1942/levels/Bastogne/ai.con"), withoutCommand);
    EXPECT_EQ(entryBytes(target + ".rfa", "bf1942/levels/Bastogne/Pathfinding/CarInfo.raw"),
              readBytes(generated / "CarInfo.raw"));

#ifndef _WIN32
    // A batch that does not end in time: the runner's interpreter hangs.
    fs::remove(program_.path() / "tessarine-cli");
    writeBytes(program_.path() / "tessarine-cli", "#!/bin/sh\nexec sleep 5\n");
    fs::permissions(program_.path() / "tessarine-cli", fs::perms::owner_exec,
                    fs::perm_options::add);
    const CliResult late = run("final-pack --timeout 2");
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_EQ(late.out, "");
    EXPECT_EQ(late.err, "Nach 2 Sekunden ist \"" + pf() +
                            "Bastogne_001.rfa\" noch nicht da; das Warten ist beendet. Die "
                            "Batchdatei \"" +
                            pf() + "pack.bat\" läuft noch. Was dabei geschah, steht in \"" + pf() +
                            "pack.log\".\n");
#endif
}

TEST_F(PackingCliTest, ImportAndFinalPackRefuseWithoutAFirstPack) {
    const CliResult imported = run("import-pathmaps");
    EXPECT_EQ(imported.exitCode, 1);
    EXPECT_EQ(imported.err.rfind("Datei " + pf() + "temp\\pathf.bf kann nicht geöffnet werden.", 0),
              0u)
        << imported.err;
    writeBytes(program_.path() / "temp" / "pathf.bf", "\r\n\r\n\r\n\r\n");
    const CliResult last = run("final-pack");
    EXPECT_EQ(last.exitCode, 1);
    EXPECT_EQ(last.err, "Die Datei " + pf() +
                            "temp\\pathf.bf ist beschädigt. Zeile 4 nennt keine Map. Packe dein "
                            "Addon noch einmal zum 1. Mal (Teil 1); das schreibt die Datei neu\n");
    // first-pack needs the addon that generate writes.
    const CliResult first =
        run("first-pack " + quoted(tess::test::testdata("levels/Bastogne")) + " x");
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_EQ(first.err, "Das Addon " + pf() +
                             "bf1942\\levels\\Bastogne_001\\ fehlt. Schreibe es zuerst mit "
                             "tessarine-cli generate " +
                             tess::test::testdata("levels/Bastogne") + "\n");
}

TEST_F(PackingCliTest, MergeOfKurskWithItsAddonForEachDisposal) {
    const fs::path maps = outside_.path() / "Meine Karten";
    fs::create_directories(maps);
    const fs::path kursk = maps / "Kursk.rfa";
    fs::copy_file(tess::test::testdata("archives/kursk.rfa"), kursk);
    fs::permissions(kursk, fs::perms::owner_write, fs::perm_options::add);
    const std::set<std::string> mapNames = entryNameSet(kursk);

    // Kursk's addon, generated and packed for the first time.
    ASSERT_EQ(run("generate " + quoted(kursk.string())).exitCode, 0);
    ASSERT_EQ(run("first-pack " + quoted(kursk.string()) + " 'Meine Addons/Kursk_001'").exitCode,
              0);
    const fs::path addonArchive = addons_ / "Kursk_001.rfa";
    const std::string addonBytes = readBytes(addonArchive);
    const std::set<std::string> addonNames = entryNameSet(addonArchive);
    const std::string merge =
        "merge 'Meine Karten/Kursk.rfa' 'Meine Addons/Kursk_001.rfa' --timeout 120";

    // A backup that cannot be made: the map is merged, the addon archive stays, and the exit
    // code says that it is still there.
    const CliResult failedBackup = run(merge + " --backup Fehlt/Kursk_001.rfa");
    EXPECT_EQ(failedBackup.exitCode, 1);
    EXPECT_EQ(failedBackup.err,
              "Das Addon-Archiv " + addonArchive.string() + " kann nicht nach " +
                  tess::test::nativePath(outside_.text() + "Fehlt/Kursk_001.rfa") +
                  " gesichert werden und wird nicht "
                  "gelöscht. Es bleibt, wo es ist.\n");
    EXPECT_EQ(failedBackup.out,
              "map: " + kursk.string() + "\naddon: " + addonArchive.string() + "\nFertig\n");
    EXPECT_EQ(readBytes(addonArchive), addonBytes);
    EXPECT_EQ(readBytes(program_.path() / "Network" / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Kursk bf1942/levels/Kursk \"Kursk.rfa\"\r\n"
              "copy \"" +
                  pf() + "Network\\Kursk.rfa\" \"" + kursk.string() +
                  "\"\r\n"
                  "del \"" +
                  pf() + "Network\\Kursk.rfa\"\r\n");

    // The merged map holds every file of the map and of the addon, once, under the map's
    // level path (as our reader lists it; the map writes "Levels", the addon "levels"); the
    // addon's version wins.
    std::set<std::string> expected = lowered(mapNames);
    expected.merge(lowered(addonNames));
    const std::set<std::string> merged = entryNameSet(kursk);
    EXPECT_EQ(lowered(merged), expected);
    EXPECT_EQ(merged.size(), expected.size());
    EXPECT_EQ(entryBytes(kursk, "bf1942/levels/Kursk/ai.con"),
              entryBytes(addonArchive, "bf1942/levels/Kursk/ai.con"));

    // Kept, the default.
    const CliResult kept = run(merge);
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(readBytes(addonArchive), addonBytes);

    // Backed up, and only then deleted.
    fs::create_directories(outside_.path() / "Sicherung");
    const CliResult backedUp = run(merge + " --backup Sicherung/Kursk_001.rfa");
    EXPECT_EQ(backedUp.exitCode, 0) << backedUp.err;
    EXPECT_EQ(backedUp.out,
              "map: " + kursk.string() + "\naddon: gesichert nach " +
                  tess::test::nativePath(outside_.text() + "Sicherung/Kursk_001.rfa") +
                  "\nFertig\n");
    EXPECT_FALSE(fs::exists(addonArchive));
    EXPECT_EQ(readBytes(outside_.path() / "Sicherung" / "Kursk_001.rfa"), addonBytes);

    // Deleted.
    fs::copy_file(outside_.path() / "Sicherung" / "Kursk_001.rfa", addonArchive);
    const CliResult removed = run(merge + " --delete-addon");
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_NE(removed.out.find("addon: gelöscht\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(addonArchive));
    EXPECT_EQ(entryNameSet(kursk), merged);

    // Both at once is wrong usage.
    EXPECT_EQ(run(merge + " --delete-addon --backup x.rfa").exitCode, 2);
}

// Each way a merge could cost the map or the addon archive: the merge is refused before
// anything is written, or it succeeds; either way no archive is lost.
TEST_F(PackingCliTest, AMergeNeverLosesTheMapOrTheAddon) {
    const std::string map = readBytes(tess::test::testdata("archives/kursk.rfa"));
    const std::string addon =
        tess::test::storeArchive({{"bf1942/levels/Kursk/ai.con", "rem ai\r\n"},
                                  {"bf1942/levels/Kursk/Coop.con", "rem"},
                                  {"bf1942/levels/Kursk/GameTypes/Coop.con", "rem"}});
    const std::string berlin =
        tess::test::storeArchive({{"bf1942/levels/Berlin/Init.con", "rem Berlin\r\n"}});
    enum class After { untouched, mergedAddonKept, mergedAddonGone };
    struct Case {
        const char* what;
        std::string map;   // below the current folder, or "Network/" for the network folder
        std::string addon; // the same
        std::string options;
        std::string message; // a part of what the run says on failure
        After after;
        std::uint64_t fileSizeLimit = 0; // a full disk
        std::string linked = {}; // a folder of the program folder, made a link to a folder outside
    };
    const std::string kept = " Map- und Addon-Archiv bleiben, wie sie sind";
    const std::vector<Case> cases = {
        {"damaged map", "kaputt/kursk.rfa", "kursk_001.rfa", "--delete-addon", "ist beschädigt",
         After::untouched},
        {"damaged addon", "kursk.rfa", "kaputt/kursk_001.rfa", "--delete-addon", "ist beschädigt",
         After::untouched},
        {"missing map", "fehlt/kursk.rfa", "kursk_001.rfa", "--delete-addon",
         "kann nicht geöffnet werden", After::untouched},
        {"another map's addon", "berlin.rfa", "kursk_001.rfa", "--delete-addon",
         "gehört nicht zur Map Berlin", After::untouched},
        {"one archive as both", "kursk.rfa", "kursk.rfa", "--delete-addon", "sind dieselbe Datei",
         After::untouched},
        {"a copy of the map as its addon", "kursk.rfa", "kopie/kursk_001.rfa", "--delete-addon",
         "ist kein Addon der Map Kursk: Es enthält die init.con einer Map.", After::untouched},
        {"backup onto the map", "kursk.rfa", "kursk_001.rfa", "--backup kursk.rfa",
         "wäre das Map-Archiv selbst", After::untouched},
        {"backup into the network folder", "kursk.rfa", "kursk_001.rfa",
         "--backup " + quoted(program_.text() + "Network/kursk_001.rfa"), "läge im Netzwerkordner",
         After::untouched},
        {"map in the network folder, addon of its name", "Network/kursk.rfa", "sub/kursk.rfa",
         "--delete-addon", "", After::mergedAddonGone},
        {"addon in the network folder, of the map's name", "sub/kursk.rfa", "Network/kursk.rfa", "",
         "", After::mergedAddonKept},
#ifndef _WIN32
        {"full disk while unpacking", "kursk.rfa", "kursk_001.rfa", "--delete-addon",
         "Das Entpacken", After::untouched, 20000},
        {"a link on the way to the merge folder", "kursk.rfa", "kursk_001.rfa", "--delete-addon",
         "bf1942\" ist kein Ordner, sondern eine Verknüpfung", After::untouched, 0,
         "Network/bf1942"},
#endif
    };
    const auto place = [&](const std::string& path) {
        return path.rfind("Network/", 0) == 0 ? program_.path() / path : outside_.path() / path;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [path, bytes] : std::vector<std::pair<std::string, std::string>>{
                 {"kursk.rfa", map},
                 {"kursk_001.rfa", addon},
                 {"berlin.rfa", berlin},
                 {"kopie/kursk_001.rfa", map},
                 {"kaputt/kursk.rfa", map.substr(0, map.size() - 100)},
                 {"kaputt/kursk_001.rfa", addon.substr(0, addon.size() - 10)}})
            writeBytes(outside_.path() / path, bytes);
        fs::remove_all(program_.path() / "Network");
        fs::remove_all(outside_.path() / "sub");
        fs::create_directories(program_.path() / "Network");
        const fs::path behindLink = outside_.path() / "anderswo/levels/kursk/bleibt.txt";
        if (!c.linked.empty()) {
            writeBytes(behindLink, "bleibt");
            fs::create_directory_symlink(behindLink.parent_path().parent_path().parent_path(),
                                         program_.path() / c.linked);
        }
        if (!fs::exists(place(c.map)) && c.map.rfind("fehlt/", 0) != 0)
            writeBytes(place(c.map), map);
        if (!fs::exists(place(c.addon)))
            writeBytes(place(c.addon), addon);
        const std::string mapBefore = readBytes(place(c.map));
        const std::string addonBefore = readBytes(place(c.addon));
        const std::string mapArg = place(c.map).string();
        const std::string addonArg = place(c.addon).string();

        int exitCode = -1;
        std::string said;
#ifndef _WIN32
        if (c.fileSizeLimit > 0) {
            const tess::test::ChildResult run =
                tess::test::runProgram({TESS_CLI_PATH, "merge", mapArg, addonArg, "--delete-addon",
                                        "--timeout", "120", "--program-folder", program_.text()},
                                       outside_.path(), {.fileSize = c.fileSizeLimit});
            exitCode = run.exitCode;
            said = run.output;
        }
#endif
        if (c.fileSizeLimit == 0) {
            const CliResult run = this->run("merge " + quoted(mapArg) + " " + quoted(addonArg) +
                                            " " + c.options + " --timeout 120");
            exitCode = run.exitCode;
            said = run.err + run.out;
        }

        const bool merged = c.after != After::untouched;
        EXPECT_EQ(exitCode, merged ? 0 : 1) << said;
        if (!merged) {
            EXPECT_NE(said.find(c.message), std::string::npos) << said;
            EXPECT_NE(said.find(kept), std::string::npos) << said;
            // (Archives are compared whole, without a listing of their bytes.)
            EXPECT_TRUE(readBytes(place(c.map)) == mapBefore);
            EXPECT_EQ(fs::exists(place(c.map)), !mapBefore.empty());
            EXPECT_TRUE(readBytes(place(c.addon)) == addonBefore);
            if (!c.linked.empty()) {
                EXPECT_EQ(readBytes(behindLink), "bleibt");
            }
            continue;
        }
        EXPECT_EQ(entryBytes(place(c.map), "bf1942/levels/kursk/ai.con"), "rem ai\r\n");
        EXPECT_GT(entryNameSet(place(c.map)).size(),
                  entryNameSet(outside_.path() / "kursk.rfa").size());
        // What the run says of the addon archive is true.
        if (c.after == After::mergedAddonGone) {
            EXPECT_FALSE(fs::exists(place(c.addon)));
            EXPECT_NE(said.find("\naddon: gelöscht\n"), std::string::npos) << said;
        } else {
            EXPECT_TRUE(readBytes(place(c.addon)) == addonBefore);
            EXPECT_NE(said.find("\naddon: " + addonArg + "\n"), std::string::npos) << said;
        }
    }
}

// One run per program folder: a second one is refused while the first holds it, before it
// writes anything; a run that died holding it blocks nobody.
TEST_F(PackingCliTest, ASecondRunIsRefusedWhileTheProgramFolderIsHeld) {
    const std::string map = readBytes(tess::test::testdata("archives/kursk.rfa"));
    const std::string addon =
        tess::test::storeArchive({{"bf1942/levels/Kursk/ai.con", "rem ai\r\n"}});
    writeBytes(outside_.path() / "kursk.rfa", map);
    writeBytes(outside_.path() / "kursk_001.rfa", addon);
    const std::string merge = "merge kursk.rfa kursk_001.rfa --delete-addon --timeout 120";
    {
        const tess::ProgramLock held(pf());
        const CliResult second = run(merge);
        EXPECT_EQ(second.exitCode, 1);
        EXPECT_EQ(second.err, "Im Programmordner " + pf() +
                                  " arbeitet gerade ein anderer Lauf von Tessarine (ein zweites "
                                  "Fenster, tessarine-cli oder eine Batchdatei, die noch läuft). "
                                  "Warte, bis er fertig ist, und versuche es dann noch einmal\n");
        EXPECT_FALSE(fs::exists(program_.path() / "Network" / "unpack.bat"));
        EXPECT_TRUE(readBytes(outside_.path() / "kursk.rfa") == map);
        EXPECT_EQ(readBytes(outside_.path() / "kursk_001.rfa"), addon);
    }
#ifndef _WIN32
    const tess::test::ChildResult died = tess::test::runInChild([&](std::string&) {
        const tess::ProgramLock held(pf());
        std::raise(SIGKILL);
        return 0;
    });
    EXPECT_FALSE(died.finished);
#endif
    const CliResult alone = run(merge);
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    EXPECT_FALSE(fs::exists(outside_.path() / "kursk_001.rfa"));
}

// The first pack replaces nothing but an earlier addon archive of the map, and reports
// success only for the archive that this run made.
TEST_F(PackingCliTest, AFirstPackReplacesOnlyAnEarlierAddonOfTheMap) {
    const fs::path maps = outside_.path() / "Karten";
    const fs::path map = maps / "Bastogne.rfa";
    fs::create_directories(maps);
    tess::archive::packFolder(tess::test::testdata("levels/Bastogne"), "bf1942/levels/Bastogne",
                              map, false);
    const std::string mapBytes = readBytes(map);
    ASSERT_EQ(run("generate " + quoted(map.string())).exitCode, 0);
    const std::string oldAddon =
        tess::test::storeArchive({{"bf1942/levels/Bastogne/ai.con", "rem old\r\n"}});
    struct Case {
        const char* what;
        fs::path target;      // without ".rfa"
        std::string existing; // what lies there before; empty: nothing
        bool readOnly;
        std::string message; // a part of the refusal; empty: packed
    };
    const std::vector<Case> cases = {
        {"the map archive itself", maps / "Bastogne", readBytes(map), false,
         "ist schon da und ist kein Addon-Archiv der Map Bastogne (Es enthält die init.con "
         "einer Map.)"},
        {"another map's archive", maps / "Berlin",
         tess::test::storeArchive({{"bf1942/levels/Berlin/ai.con", "rem"}}), false,
         "Es enthält Dateien außerhalb von bf1942/levels/Bastogne/"},
        {"a file that is no archive", addons_ / "Notizen", "notes", false,
         "ist schon da und ist kein Addon-Archiv der Map Bastogne (Archiv"},
        {"an earlier addon of the map", addons_ / "Bastogne_001", oldAddon, false, ""},
#ifndef _WIN32
        // (Wine's cmd.exe copies over a read-only file, which Windows' keeps.)
        {"an earlier addon that cannot be replaced", addons_ / "Alt_001", oldAddon, true,
         "\" zu liefern."},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path archive = c.target.string() + ".rfa";
        if (!c.existing.empty() && !fs::exists(archive))
            writeBytes(archive, c.existing);
        if (c.readOnly)
            fs::permissions(archive, fs::perms::owner_read);
        const std::string before = readBytes(archive);
        const CliResult pack =
            run("first-pack " + quoted(map.string()) + " " + quoted(c.target.string()));
        if (c.readOnly)
            fs::permissions(archive, fs::perms::owner_write, fs::perm_options::add);
        if (!c.message.empty()) {
            EXPECT_EQ(pack.exitCode, 1);
            EXPECT_NE(pack.err.find(c.message), std::string::npos) << pack.err;
            EXPECT_TRUE(readBytes(archive) == before);
            continue;
        }
        EXPECT_EQ(pack.exitCode, 0) << pack.err;
        EXPECT_EQ(entryBytes(archive, "bf1942/levels/Bastogne/ai.con"),
                  readBytes(program_.addon("Bastogne") / "ai.con"));
    }
    EXPECT_TRUE(readBytes(map) == mapBytes);
}

#ifndef _WIN32
// A folder of the addon that is a link leads no write elsewhere: the step is refused and
// the link's target stays as it was.
TEST_F(PackingCliTest, NothingIsWrittenThroughAFolderLinkInTheAddon) {
    const std::string bastogne = tess::test::testdata("levels/Bastogne");
    ASSERT_EQ(run("generate " + quoted(bastogne)).exitCode, 0);
    const fs::path addon = program_.addon("Bastogne");
    writeBytes(program_.path() / "temp" / "pathf.bf", pf() + "bf1942\\levels\\Bastogne_001\\\r\n" +
                                                          game_.string() +
                                                          "/\r\n/x/Bastogne_001\r\nBastogne\r\n");
    writeBytes(game_ / "bf1942/levels/Bastogne/Pathfinding/Tank0Level0Map.raw", "map");
    struct Case {
        const char* folder; // of the addon, made a link to a folder outside
        std::string command;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"AI", "generate " + quoted(bastogne), "AI\" ist kein Ordner, sondern eine Verknüpfung"},
        {"Pathfinding", "import-pathmaps",
         "1 Pathmaps konnten nicht nach " + pf() +
             "bf1942\\levels\\Bastogne_001\\Pathfinding\\ "
             "kopiert werden: Tank0Level0Map.raw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path elsewhere = outside_.path() / "anderswo" / c.folder;
        fs::create_directories(elsewhere);
        fs::remove_all(addon / c.folder);
        fs::create_directory_symlink(elsewhere, addon / c.folder);
        const CliResult step = run(c.command);
        EXPECT_EQ(step.exitCode, 1);
        EXPECT_NE(step.err.find(c.message), std::string::npos) << step.err;
        EXPECT_TRUE(fs::is_empty(elsewhere));
        fs::remove(addon / c.folder);
        fs::create_directory(addon / c.folder);
    }
}
#endif
