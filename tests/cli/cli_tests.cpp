// tessarine-cli as a map maker scripts it: a real child process, real files.
#include "areas/hill_and_bridge.h"
#include "core/error.h"
#include "core/files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include <png.h>

namespace fs = std::filesystem;
#ifndef _WIN32
using tess::test::ChildResult;
#endif
using tess::test::cli;
using tess::test::CliResult;
using tess::test::copyTree;
using tess::test::filesUnder;
using tess::test::quoted;
using tess::test::readBytes;
using tess::test::runProgram;
using tess::test::storeArchive;
using tess::test::TempDir;
using tess::test::temporaryFilesUnder;
using tess::test::writeBytes;

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
                               tess::test::nativeFolderText(bastogne) +
                               "\n"
                               "basePath: bf1942/levels/Bastogne\n"
                               "packed: no\n")
            << map;
    }
    const CliResult edson = cli(
        "inspect " + quoted(tess::test::testdata("levels/Battle_of_Edsons_Ridge")), program.path());
    EXPECT_EQ(edson.exitCode, 0) << edson.err;
    EXPECT_NE(edson.out.find("worldSize: 1024\nworldScale: 2\n"), std::string::npos);
}

// Waits that cannot be and links that lead in a circle are refused in German, saying what
// to do: the same words from every command.
TEST(Cli, TimeoutsAndLinkLoopsAreRefusedInGerman) {
    TempDir dir;
    const std::string timeout =
        " ist keine gültige Wartezeit. Gib eine ganze Zahl von Sekunden an, von 0 bis 604800 "
        "(eine Woche)\n";
    const std::string loop =
        " kann nicht geöffnet werden. Der Name der Datei kann vom System nicht aufgelöst "
        "werden: Verknüpfungen auf dem Weg dorthin zeigen im Kreis aufeinander. Bitte lösche "
        "oder berichtige die Verknüpfung.\n";
    const struct {
        std::string args;
        int exitCode;
        std::string firstLine;
    } cases[] = {
        {"final-pack --timeout -1", 2, "--timeout: \"-1\"" + timeout},
        {"merge a.rfa b.rfa --timeout 99999999999", 2, "--timeout: \"99999999999\"" + timeout},
        {"first-pack m t --timeout 604801", 2, "--timeout: \"604801\"" + timeout},
        {"final-pack --timeout 1.5", 2, "--timeout: \"1.5\"" + timeout},
#ifndef _WIN32
        {"rfa-list loop.rfa", 1, "Datei loop.rfa" + loop},
        {"areas loop.rfa --from-level x.json --program-folder .", 1, "Datei loop.rfa" + loop},
        {"areas loop/init.con --propose x.json --program-folder .", 1,
         "Datei loop/init.con" + loop},
        {"check loop.rfa", 2, "Datei loop.rfa" + loop},
        {"check pipe", 2,
         "pipe ist keine Datei, sondern ein Gerät, eine Pipe oder ein Socket: geprüft wird ein "
         "Addon, eine Karte oder ein Archiv.\n"},
#endif
    };
#ifndef _WIN32
    fs::create_symlink("loop.rfa", dir.path() / "loop.rfa");
    fs::create_symlink("loop", dir.path() / "loop");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directories(dir / "temp");
#endif
    for (const auto& c : cases) {
        const CliResult run = cli(c.args, dir.path());
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.firstLine) << c.args;
    }
}

TEST(Cli, ErrorsAreGermanOnStandardErrorAndUsageExitsTwo) {
    TempDir dir;
    fs::create_directories(dir.path() / "Leer");
    writeBytes(dir.path() / "Leer" / "init.con", "");
    const CliResult missingTerrain = cli("inspect Leer --program-folder .", dir.path());
    EXPECT_EQ(missingTerrain.exitCode, 1);
    EXPECT_NE(missingTerrain.err.find("init\\terrain.con kann nicht geöffnet werden."),
              std::string::npos)
        << missingTerrain.err;
    EXPECT_EQ(missingTerrain.out, "");

    const CliResult nothing = cli("inspect gibtsnicht", dir.path());
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.err, "Datei gibtsnicht kann nicht geöffnet werden. Das System kann die "
                           "angegebene Datei nicht finden.\n");

    EXPECT_EQ(cli("", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("inspect", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("zaubern", dir.path()).exitCode, 2);
    EXPECT_EQ(cli("inspect a b", dir.path()).exitCode, 2);
}

TEST(Cli, RunBatchCopiesAndDeletesRealFilesAndWritesALog) {
    TempDir dir;
    writeBytes(dir / "Müller Karte.rfa", "archive bytes");
#ifdef _WIN32
    // The batch is in the console's code page (437 or 850): the u-umlaut is the byte 0x81.
    const std::string ue = "\x81";
#else
    // The batch is Windows-1252: the u-umlaut is the byte 0xFC.
    const std::string ue = "\xfc";
#endif
    writeBytes(dir.path() / "job.bat", "copy \"M" + ue +
                                           "ller Karte.rfa\" \"Kopie.rfa\"\r\n"
                                           "del \"M" +
                                           ue + "ller Karte.rfa\"\r\n");
    const CliResult run = cli("run-batch job.bat", dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(dir.path() / "Kopie.rfa"), "archive bytes");
    EXPECT_FALSE(fs::exists(dir / "Müller Karte.rfa"));
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
    EXPECT_NE(edson.err.find("kann nicht geöffnet werden."), std::string::npos);
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

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

// A PNG file read back through libpng, as 8-bit RGBA.
DecodedPng decodePng(const std::string& bytes) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    DecodedPng decoded;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return decoded;
    image.format = PNG_FORMAT_RGBA;
    decoded.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, decoded.rgba.data(), 0, nullptr))
        return {};
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
    return decoded;
}

} // namespace

TEST(Cli, PathmapPrintsTheMapAndWritesItsPicture) {
    tess::test::ProgramFolder program;
    const std::string folderOption = " --program-folder " + quoted(program.path().string());
    const std::string eightBit = tess::test::testdata("pathmaps/Corsica/Car4Level2Map8Bit.raw");

    const CliResult corsica =
        cli("pathmap " + quoted(eightBit) + " --png corsica.png", program.path());
    EXPECT_EQ(corsica.exitCode, 0) << corsica.err;
    EXPECT_EQ(corsica.out, "kind: 8-bit\n"
                           "class: Car\n"
                           "size: 512 x 512\n"
                           "cellSize: 4\n"
                           "blocked: 4.33 %\n");
    // On grey, a blocked cell is tinted red; the file's first row is the picture's last.
    const DecodedPng picture = decodePng(readBytes(program.path() / "corsica.png"));
    ASSERT_EQ(picture.width, 512);
    ASSERT_EQ(picture.height, 512);
    const std::string cells = readBytes(eightBit);
    std::size_t checked = 0;
    for (std::size_t i = 0; i < cells.size(); i += 4099) {
        const int x = static_cast<int>(i % 512);
        const int z = static_cast<int>(i / 512);
        const std::uint8_t* p = picture.at(x, 511 - z);
        EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}),
                  cells[i] ? (std::vector<int>{176, 64, 64, 255})
                           : (std::vector<int>{128, 128, 128, 255}))
            << x << "," << z;
        checked += cells[i] != 0;
    }
    EXPECT_GT(checked, 0u);

    // Over Bastogne's picture, with the object points of the addon generated for it.
    const std::string bastogne = quoted(tess::test::testdata("levels/Bastogne"));
    const std::string tank = quoted(tess::test::testdata("pathmaps/Bastogne/Tank0Level0Map.raw"));
    const CliResult noAddon =
        cli("pathmap " + tank + " --level " + bastogne + folderOption, program.path());
    EXPECT_EQ(noAddon.exitCode, 0) << noAddon.err;
    EXPECT_NE(noAddon.out.find("\nspawnPoints: keine in " + program.text() +
                               "bf1942\\levels\\Bastogne_001\\AIPathFinding.con\n"),
              std::string::npos)
        << noAddon.out;
    ASSERT_EQ(cli("generate " + bastogne + folderOption, program.path()).exitCode, 0);
    const CliResult withPoints =
        cli("pathmap " + tank + " --level " + bastogne + " --png tank.png" + folderOption,
            program.path());
    EXPECT_EQ(withPoints.exitCode, 0) << withPoints.err;
    EXPECT_EQ(withPoints.out,
              "kind: tiled\n"
              "class: Tank\n"
              "size: 2048 x 2048\n"
              "cellSize: 1\n"
              "blocked: 98.99 %\n"
              "spawnPoints: 68 von 74 Spawnpunkten liegen auf gesperrten Feldern\n");
    EXPECT_EQ(decodePng(readBytes(program.path() / "tank.png")).width, 1024);

    // A damaged map: the German message on standard error, exit 1, no picture.
    writeBytes(program.path() / "Car4Level0Map.raw", std::string(40, '\0'));
    const CliResult damaged = cli("pathmap Car4Level0Map.raw --png damaged.png", program.path());
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.err, "Die Pathmap Car4Level0Map.raw ist beschädigt: ihr Kopf (0 0 0 0 0) "
                           "beschreibt kein Raster bis 4096 x 4096 Feldern\n");
    EXPECT_FALSE(fs::exists(program.path() / "damaged.png"));
    EXPECT_EQ(cli("pathmap", program.path()).exitCode, 2);
}

TEST(Cli, AreasWritesTheEditorsScriptAndRefusesMalformedFiles) {
    tess::test::ProgramFolder program;
    const std::string bastogne = quoted(tess::test::testdata("levels/Bastogne"));
    const std::string folderOption = " --program-folder " + quoted(program.path().string());
    const fs::path script = program.path() / "bf1942/levels/Bastogne_001/AI/StrategicAreas.con";
    writeBytes(program.path() / "areas.json", tess::test::kHillAndBridgeJson);

    // Before generate there is no addon to write into: the message says what to do.
    const CliResult early = cli("areas " + bastogne + " areas.json" + folderOption, program.path());
    EXPECT_EQ(early.exitCode, 1);
    EXPECT_EQ(early.err, "Das Addon \"" + program.text() +
                             "bf1942\\levels\\Bastogne_001\\\" ist noch nicht angelegt: zuerst "
                             "\"tessarine-cli generate\" für diese Karte ausführen (im Fenster: OK "
                             "und Start), dann die Areas schreiben\n");

    ASSERT_EQ(cli("generate " + bastogne + folderOption, program.path()).exitCode, 0);
    const CliResult run = cli("areas " + bastogne + " areas.json" + folderOption, program.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::string(tess::test::kHillSummary) + "\n" +
                           std::string(tess::test::kBridgeSummary) + "\n");
    EXPECT_EQ(readBytes(script), tess::test::kHillAndBridgeScript);

    // Malformed input: the German message names the file, the area and the field; nothing is
    // written.
    const std::string hill = R"("name": "Hill", "corner1": [100, 100], "corner2": [200, 300], )";
    const struct {
        std::string json;
        std::string message;
    } cases[] = {
        {"nicht json", "Die Area-Datei ist kein gültiges JSON (Zeile 1, Spalte 2)"},
        {R"({"areas": [{)" + hill + R"("side": 1}]})",
         "Area 1 (\"Hill\"), Feld \"priority\": fehlt"},
        {R"({"areas": [{)" + hill + R"("priority": true}]})",
         "Area 1 (\"Hill\"), Feld \"priority\": muss eine ganze Zahl oder ein Text sein"},
        {R"({"areas": [{"name": "Hill", "corner1": [1, 5], "corner2": [9, 5], "priority": 1}]})",
         "Area 1 (\"Hill\"), Feld \"corner2\": liegt in derselben Zeile oder Spalte wie "
         "\"corner1\"; eine Area braucht Breite und Höhe"},
        {R"({"areas": [{"name": "", "corner1": [1, 1], "corner2": [2, 2], "priority": 1}]})",
         "Area 1, Feld \"name\": ist leer"},
        {R"({"areas": [{)" + hill + R"("priority": 1, "neighbours": ["Fort"]}]})",
         "Area 1 (\"Hill\"), Feld \"neighbours\": \"Fort\" ist keine Area dieser Datei"},
        {R"({"areas": [{)" + hill + R"("priority": 1e400}]})",
         "Die Area-Datei enthält die Zahl 1e400 (Zeile 1, Spalte 87), die zu groß ist; Ecken, "
         "Prioritäten und Seiten sind ganze Zahlen"},
        {R"({"areas": [{"name": "Brücke Nord", "corner1": [1, 1], "corner2": [2, 2],
                        "priority": 1}]})",
         "Area 1, Feld \"name\": Der Area-Name \"Brücke Nord\" enthält ein Leerzeichen. Bitte "
         "einen Namen ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
    };
    for (const auto& c : cases) {
        writeBytes(script, "vorher");
        writeBytes(program.path() / "bad.json", c.json);
        const CliResult bad = cli("areas " + bastogne + " bad.json" + folderOption, program.path());
        EXPECT_EQ(bad.exitCode, 1) << c.json;
        EXPECT_EQ(bad.err, "Die Area-Datei \"bad.json\" kann nicht gelesen werden: " + c.message +
                               ". Bitte die Datei berichtigen.\n");
        EXPECT_EQ(bad.out, "");
        EXPECT_EQ(readBytes(script), "vorher");
    }
    const CliResult missing =
        cli("areas " + bastogne + " fehlt.json" + folderOption, program.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("fehlt.json kann nicht geöffnet werden."), std::string::npos)
        << missing.err;
    // Not even a packed map is unpacked for a file that is refused.
    const CliResult packed = cli("areas " + quoted(tess::test::testdata("archives/kursk.rfa")) +
                                     " bad.json" + folderOption,
                                 program.path());
    EXPECT_EQ(packed.exitCode, 1);
    EXPECT_FALSE(fs::exists(program.path() / "bf1942/levels/kursk"));
    EXPECT_FALSE(fs::exists(program.path() / "kursk.rfa"));
    EXPECT_EQ(cli("areas " + bastogne, program.path()).exitCode, 2);
}

TEST(Cli, AreasFromTheLevelAndAtItsControlPointsMakeAreaFilesToWrite) {
    tess::test::ProgramFolder program;
    const std::string bastogne = quoted(tess::test::testdata("levels/Bastogne"));
    const std::string folderOption = " --program-folder " + quoted(program.path().string());
    ASSERT_EQ(cli("generate " + bastogne + folderOption, program.path()).exitCode, 0);
    const struct {
        std::string option;
        std::string summary;
        std::string inFile;
    } cases[] = {
        {" --from-level taken.json",
         "7 Areas übernommen, 6 davon auf die Bildpunkte erweitert (um höchstens 3 "
         "Welteinheiten), 24 zusätzliche Zeilen behalten, 1 Zeile außerhalb der Areas.\n",
         "\"aiStrategicArea.vehicleSearchRadius 160\""},
        {" --propose proposed.json", "7 Areas an den Flaggenpunkten vorgeschlagen.\n",
         "\"name\": \"volkssturm\""},
    };
    for (const auto& c : cases) {
        const CliResult made = cli("areas " + bastogne + c.option + folderOption, program.path());
        EXPECT_EQ(made.exitCode, 0) << made.err;
        EXPECT_EQ(made.out.substr(0, made.out.find('\n') + 1), c.summary);
        const std::string file = c.option.substr(c.option.rfind(' ') + 1);
        EXPECT_NE(readBytes(program.path() / file).find(c.inFile), std::string::npos);
        // The file is an area file that writes the script.
        const CliResult written =
            cli("areas " + bastogne + " " + file + folderOption, program.path());
        EXPECT_EQ(written.exitCode, 0) << written.err;
        EXPECT_EQ(std::count(written.out.begin(), written.out.end(), '\n'), 7);
    }

    // A level without areas of its own: the German reason, no file.
    const CliResult none =
        cli("areas " + quoted(tess::test::testdata("levels/Battle_of_Edsons_Ridge")) +
                " --from-level e.json" + folderOption,
            program.path());
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("Strategic Areas mit: "), std::string::npos) << none.err;
    EXPECT_FALSE(fs::exists(program.path() / "e.json"));
    EXPECT_EQ(cli("areas " + bastogne + " a.json --propose b.json", program.path()).exitCode, 2);
}

// The tool under limits, several at once, with links and pipes in its way: POSIX processes
// and file types.
#ifndef _WIN32
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

// Two runs at once on the same map and program folder: one after the other, or the second
// refused while the first holds the program folder; every file is whole.
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
        for (const ChildResult& run : runs) {
            if (run.exitCode != 0) {
                ASSERT_NE(run.output.find(" arbeitet gerade ein anderer Lauf von Tessarine"),
                          std::string::npos)
                    << "round " << round << ": " << run.output;
            }
        }
        ASSERT_TRUE(runs[0].exitCode == 0 || runs[1].exitCode == 0) << "round " << round;
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
    auto after = filesUnder(program.path());
    after.erase("temp/tessarine.lock"); // the program folder's lock, taken before the step
    EXPECT_EQ(after, before);
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
    // A pipe in the log's place is never written to (nobody reads it): the batch runs alone.
    fs::remove(dir.path() / "job.log");
    ASSERT_EQ(::mkfifo((dir.path() / "job.log").c_str(), 0600), 0);
    const auto pipedLog = limitedCli({"run-batch", "job.bat"}, dir.path(), {.seconds = 30});
    ASSERT_TRUE(pipedLog.finished) << "waited for the pipe";
    EXPECT_EQ(pipedLog.exitCode, 1);
    EXPECT_EQ(pipedLog.output.rfind("Datei \"job.log\" kann nicht erstellt werden. " +
                                        tess::notARegularFileReason(),
                                    0),
              0u)
        << pipedLog.output;
}
#endif
