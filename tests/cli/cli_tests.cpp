// tessarine-cli as a map maker scripts it: a real child process, real files.
#include "core/error.h"
#include "core/files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using tess::test::ChildResult;
using tess::test::copyTree;
using tess::test::filesUnder;
using tess::test::readBytes;
using tess::test::runProgram;
using tess::test::storeArchive;
using tess::test::TempDir;
using tess::test::temporaryFilesUnder;
using tess::test::writeBytes;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the tool with the arguments in `folder`; captures both outputs.
CliResult cli(const std::string& args, const fs::path& folder) {
    TempDir scratch;
    const std::string command = "cd " + quoted(folder.string()) + " && " + quoted(TESS_CLI_PATH) +
                                " " + args + " >" + quoted((scratch.path() / "out").string()) +
                                " 2>" + quoted((scratch.path() / "err").string());
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readBytes(scratch.path() / "out");
    result.err = readBytes(scratch.path() / "err");
    return result;
}

} // namespace

TEST(Cli, InspectPrintsTheMapsNamesAndWorldSize) {
    TempDir program;
    const std::string bastogne = tess::test::testdata("levels/Bastogne");
    for (const std::string& map :
         {bastogne, bastogne + "/", bastogne + "/Init.con", bastogne + "/init.con"}) {
        const CliResult run =
            cli("inspect " + quoted(map) + " --program-folder " + quoted(program.path().string()),
                program.path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "mapName: Bastogne\n"
                           "worldSize: 2048\n"
                           "worldScale: 4\n"
                           "levelDir: " +
                               bastogne +
                               "/\n"
                               "basePath: bf1942/levels/Bastogne\n"
                               "packed: no\n")
            << map;
    }
    const CliResult edson = cli(
        "inspect " + quoted(tess::test::testdata("levels/Battle_of_Edsons_Ridge")), program.path());
    EXPECT_EQ(edson.exitCode, 0) << edson.err;
    EXPECT_NE(edson.out.find("worldSize: 1024\nworldScale: 2\n"), std::string::npos);
}

TEST(Cli, ErrorsAreGermanOnStandardErrorAndUsageExitsTwo) {
    TempDir dir;
    fs::create_directories(dir.path() / "Leer");
    writeBytes(dir.path() / "Leer" / "init.con", "");
    const CliResult missingTerrain = cli("inspect Leer --program-folder .", dir.path());
    EXPECT_EQ(missingTerrain.exitCode, 1);
    EXPECT_NE(missingTerrain.err.find("init\\terrain.con kann nicht ge\xc3\xb6"
                                      "ffnet werden."),
              std::string::npos)
        << missingTerrain.err;
    EXPECT_EQ(missingTerrain.out, "");

    const CliResult nothing = cli("inspect gibtsnicht", dir.path());
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_NE(nothing.err.find("gibtsnicht kann nicht ge\xc3\xb6"
                               "ffnet werden."),
              std::string::npos);

    EXPECT_EQ(cli("", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("inspect", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("zaubern", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("inspect a b", dir.path()).exitCode, 2);
}

TEST(Cli, RunBatchCopiesAndDeletesRealFilesAndWritesALog) {
    TempDir dir;
    writeBytes(dir.path() / "M\xc3\xbcller Karte.rfa", "archive bytes");
    // The batch is Windows-1252: the u-umlaut is the byte 0xFC.
    writeBytes(dir.path() / "job.bat", "copy \"M\xfcller Karte.rfa\" \"Kopie.rfa\"\r\n"
                                       "del \"M\xfcller Karte.rfa\"\r\n");
    const CliResult run = cli("run-batch job.bat", dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(dir.path() / "Kopie.rfa"), "archive bytes");
    EXPECT_FALSE(fs::exists(dir.path() / "M\xc3\xbcller Karte.rfa"));
    EXPECT_TRUE(fs::exists(dir.path() / "job.log"));
}

TEST(Cli, GenerateWritesTheAddonForAFolderOrAnArchive) {
    tess::test::ProgramFolder program;
    const std::string folderOption = " --program-folder " + quoted(program.path().string());

    const CliResult bastogne = cli("generate " + quoted(tess::test::testdata("levels/Bastogne")) +
                                       " --ships" + folderOption,
                                   program.path());
    EXPECT_EQ(bastogne.exitCode, 0) << bastogne.err;
    EXPECT_EQ(bastogne.out, "addon: " + program.text() +
                                "bf1942\\levels\\Bastogne_001\\\n"
                                "soldierSpawnPoints: 67\n"
                                "objectSpawnPoints: 74\n");
    const std::string script =
        readBytes(program.path() / "bf1942" / "levels" / "Bastogne_001" / "AIPathFinding.con");
    EXPECT_NE(script.find("\r\nrem *** Boat ***\r\n"), std::string::npos);
    EXPECT_EQ(script.find("LandingCraft"), std::string::npos);

    // A packed map is unpacked beside the tool first, then worked on like a folder.
    const CliResult kursk =
        cli("generate " + quoted(tess::test::testdata("archives/kursk.rfa")) + folderOption,
            program.path());
    EXPECT_EQ(kursk.exitCode, 0) << kursk.err;
    EXPECT_EQ(kursk.out.rfind("addon: " + program.text() + "bf1942\\levels\\kursk_001\\\n", 0), 0u)
        << kursk.out;
    // The existing "levels" folder is reused, as on Windows.
    EXPECT_TRUE(fs::exists(program.path() / "bf1942" / "levels" / "Kursk" / "Init.con"));
    // The Edson's Ridge level keeps its spawns outside a Conquest folder: Start stops.
    const CliResult edson = cli(
        "generate " + quoted(tess::test::testdata("levels/Battle_of_Edsons_Ridge")) + folderOption,
        program.path());
    EXPECT_EQ(edson.exitCode, 1);
    EXPECT_NE(edson.err.find("kann nicht ge\xc3\xb6"
                             "ffnet werden."),
              std::string::npos);
}

TEST(Cli, GenuineArchiveRepacksToTheSameBytes) {
    TempDir dir;
    const CliResult unpack = cli(
        "rfa-unpack " + quoted(tess::test::testdata("archives/kursk.rfa")) + " --to X", dir.path());
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err;
    const CliResult pack =
        cli("rfa-pack X/bf1942/Levels/Kursk bf1942/Levels/Kursk K.rfa", dir.path());
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    EXPECT_EQ(readBytes(dir.path() / "K.rfa"),
              readBytes(tess::test::testdata("archives/kursk.rfa")));

    const CliResult list = cli("rfa-list K.rfa", dir.path());
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.out.find(" bf1942/Levels/Kursk/Conquest/SoldierSpawns.con\n"),
              std::string::npos);
    const CliResult broken = cli("rfa-list X/bf1942/Levels/Kursk/Init.con", dir.path());
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_FALSE(broken.err.empty());
}

namespace {

// The tool run as a process of its own under limits (see tess::test::runProgram).
ChildResult limitedCli(const std::vector<std::string>& args, const fs::path& folder,
                       tess::test::ChildLimits limits = {}) {
    std::vector<std::string> argv = {TESS_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, folder, limits);
}

// Bastogne with a soldier spawn script of `points` positions (about 2.4 MB for 60,000).
void bigSpawnLevel(const fs::path& level, int points) {
    copyTree(tess::test::testdata("levels/Bastogne"), level);
    std::string script;
    for (int i = 0; i < points; ++i)
        script += "Object.create S" + std::to_string(i) + "\r\nObject.absolutePosition " +
                  std::to_string(1000 + i % 997) + ".5/50/" + std::to_string(2000 + i % 991) +
                  ".25\r\n";
    writeBytes(level / "Conquest/SoldierSpawns.con", script);
}

} // namespace

// An archive holding more than its level: generate unpacks it into the program folder, where
// only its level is written.
TEST(Cli, AMapArchiveCannotReplaceTheProgramsOwnFiles) {
    tess::test::ProgramFolder program;
    writeBytes(program.path() / "tessarine", "the window program");
    const auto before = filesUnder(program.path());
    const fs::path bastogne = tess::test::testdata("levels/Bastogne");
    std::vector<tess::test::RawEntry> entries = {
        {"tessarine", "evil"}, {"temp/con files/conditions.con", "evil"}, {"memory.bf", "evil"}};
    for (const char* file : {"Init.con", "Init/Terrain.con", "Conquest/SoldierSpawns.con",
                             "Conquest/ObjectSpawns.con"})
        entries.push_back({"bf1942/levels/Evil/" + std::string(file), readBytes(bastogne / file)});
    TempDir maps;
    writeBytes(maps.path() / "Evil.rfa", storeArchive(entries));

    const auto run = limitedCli({"generate", (maps.path() / "Evil.rfa").string(),
                                 "--program-folder", program.path().string()},
                                program.path());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(readBytes(program.path() / name), bytes) << name;
    EXPECT_FALSE(fs::exists(program.path() / "memory.bf"));
    EXPECT_EQ(readBytes(program.addon("Evil") / "AI/conditions.con").substr(0, 4), "rem ");
}

// A full disk during Start (a file-size limit reproduces one): a copy cut short is never kept.
TEST(Cli, ACopyCutShortIsNeverKeptNorCounted) {
    tess::test::ProgramFolder program;
    TempDir maps;
    const fs::path level = maps.path() / "Grosz";
    bigSpawnLevel(level, 60000);
    const std::vector<std::string> generate = {"generate", level.string(), "--program-folder",
                                               program.path().string()};
    const fs::path copy = program.addon("Grosz") / "SinglePlayer/SoldierSpawns.con";

    // The first Start meets the full disk: the copy fails, and so does Start, which cannot
    // read the spawn script it needs.
    const auto limited = limitedCli(generate, program.path(), {.fileSize = 1024000});
    EXPECT_EQ(limited.exitCode, 1) << limited.output;
    EXPECT_NE(limited.output.find("singleplayer/soldierspawns.con kann nicht geöffnet werden."),
              std::string::npos)
        << limited.output;
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(temporaryFilesUnder(program.path()).empty());

    // With room on the disk every point counts.
    const auto full = limitedCli(generate, program.path());
    EXPECT_EQ(full.exitCode, 0) << full.output;
    EXPECT_NE(full.output.find("soldierSpawnPoints: 60000\n"), std::string::npos) << full.output;
    // (Large texts are compared without EXPECT_EQ, whose difference listing of two texts of
    // many lines would take more memory than the machine has.)
    const std::string whole = readBytes(copy);
    EXPECT_TRUE(whole == readBytes(level / "Conquest/SoldierSpawns.con")) << whole.size();

    // The map changes and the disk is full again: the failed copy leaves the last one whole.
    bigSpawnLevel(level, 59000);
    const auto again = limitedCli(generate, program.path(), {.fileSize = 1024000});
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_NE(again.output.find("soldierSpawnPoints: 60000\n"), std::string::npos) << again.output;
    EXPECT_TRUE(readBytes(copy) == whole) << readBytes(copy).size();
    EXPECT_TRUE(temporaryFilesUnder(program.path()).empty());
}

// Two runs at once on the same map and program folder: every run succeeds and every file is
// whole.
TEST(Cli, TwoGenerateRunsAtOnceNeverMixTheirFiles) {
    tess::test::ProgramFolder program;
    tess::test::ProgramFolder reference;
    const std::string bastogne = tess::test::testdata("levels/Bastogne");
    const auto alone = limitedCli(
        {"generate", bastogne, "--program-folder", reference.path().string()}, reference.path());
    ASSERT_EQ(alone.exitCode, 0) << alone.output;
    const auto expected = filesUnder(reference.addon("Bastogne"));
    for (int round = 0; round < 8; ++round) {
        ChildResult runs[2];
        std::thread first([&] {
            runs[0] =
                limitedCli({"generate", bastogne, "--program-folder", program.path().string()},
                           program.path());
        });
        runs[1] = limitedCli({"generate", bastogne, "--program-folder", program.path().string()},
                             program.path());
        first.join();
        for (const ChildResult& run : runs)
            ASSERT_EQ(run.exitCode, 0) << "round " << round << ": " << run.output;
        ASSERT_EQ(filesUnder(program.addon("Bastogne")), expected) << "round " << round;
    }
    EXPECT_TRUE(temporaryFilesUnder(program.path()).empty());
}

// A map whose name the game cannot store is refused before anything is written, naming the
// map.
TEST(Cli, AMapNameOutsideTheGamesCodePageIsRefusedBeforeWriting) {
    tess::test::ProgramFolder program;
    TempDir maps;
    const fs::path level = maps.path() / "Карта";
    copyTree(tess::test::testdata("levels/Bastogne"), level);
    const auto before = filesUnder(program.path());
    const auto run = limitedCli(
        {"generate", level.string(), "--program-folder", program.path().string()}, program.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "Der Kartenname \"Карта\" ist unzulässig: Das Zeichen \"К\" kann im "
                          "Zeichensatz des Spiels (Windows-1252) nicht gespeichert werden. Bitte "
                          "benenne den Ordner oder das Archiv der Karte um\n");
    EXPECT_EQ(filesUnder(program.path()), before);
}

TEST(Cli, ArchiveToolsSayClearlyWhatIsWrong) {
    TempDir dir;
    // Entry names never steer the terminal.
    writeBytes(dir.path() / "esc.rfa",
               storeArchive({{"bf1942/levels/\x1b[2J\x1b]0;pwned\x07.con", "x"}}));
    const auto list = limitedCli({"rfa-list", "esc.rfa"}, dir.path());
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.output, "         1          1 bf1942/levels/\\x1b[2J\\x1b]0;pwned\\x07.con\n");

    // A destination below a file, in German.
    writeBytes(dir.path() / "somefile", "x");
    const auto below = limitedCli(
        {"rfa-unpack", tess::test::testdata("archives/kursk.rfa"), "--to", "somefile/sub"},
        dir.path());
    EXPECT_EQ(below.exitCode, 1);
    EXPECT_EQ(below.output, "-- RFA Unpack 1.7 --\nZielordner \"somefile/sub\" kann nicht angelegt "
                            "werden. " +
                                tess::systemReason(ENOTDIR) + "\n");
    // A missing archive makes no folder.
    const auto missing = limitedCli({"rfa-unpack", "fehlt.rfa", "--to", "neu"}, dir.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "neu"));

    // A pipe as the archive, or as a map's terrain script, is refused at once.
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.rfa").c_str(), 0600), 0);
    const auto pipe = limitedCli({"rfa-list", "pipe.rfa"}, dir.path(), {.seconds = 30});
    ASSERT_TRUE(pipe.finished) << "waited for the pipe";
    EXPECT_EQ(pipe.exitCode, 1);
    EXPECT_EQ(pipe.output,
              "Datei pipe.rfa kann nicht geöffnet werden. " + tess::notARegularFileReason() + "\n");
    writeBytes(dir.path() / "Karte/init.con", "");
    ASSERT_EQ(::mkfifo((dir.path() / "Karte/terrain.con").c_str(), 0600), 0);
    fs::create_directories(dir.path() / "Karte/Init");
    fs::rename(dir.path() / "Karte/terrain.con", dir.path() / "Karte/Init/Terrain.con");
    const auto terrain =
        limitedCli({"inspect", "Karte", "--program-folder", "."}, dir.path(), {.seconds = 30});
    ASSERT_TRUE(terrain.finished) << "waited for the pipe";
    EXPECT_EQ(terrain.exitCode, 1);
    EXPECT_NE(terrain.output.find(tess::notARegularFileReason()), std::string::npos)
        << terrain.output;

    // A batch whose every line fails ends with exit code 1.
    writeBytes(dir.path() / "job.bat", "copy \"fehlt.txt\" \"x.txt\"\r\ndel \"fehlt.txt\"\r\n");
    EXPECT_EQ(limitedCli({"run-batch", "job.bat"}, dir.path()).exitCode, 1);
}
