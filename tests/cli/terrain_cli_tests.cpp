// tessarine-cli terrain as a map maker runs it: what LD_Omaha_Day1's terrain says, the draft of
// a class from its folder and from its archive (packed by our own archive tool), Corsica's
// infantry map against its draft, the addon's path-finding script before the level's own, and
// what it refuses.
#include "pathmaps/grid.h"
#include "platform/program_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using tess::test::cli;
using tess::test::CliResult;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

TEST(TerrainCli, TheTerrainADraftFromFolderAndArchiveAndAComparison) {
    TempDir dir;
    const std::string omaha = testdata("levels/LD_Omaha_Day1");
    // The folder is the program folder too, with the temp folder that holds its lock.
    fs::create_directories(dir / "temp");
    const std::string program = " --program-folder " + tess::test::quoted(dir.text());

    CliResult run = cli("terrain " + tess::test::quoted(omaha) + program, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "mapName: LD_Omaha_Day1\n"
              "worldSize: 2048\n"
              "heightmap: " +
                  tess::test::nativePath(omaha + "/Heightmap.raw") +
                  ", 512 x 512 Punkte zu 4 m\n"
                  "yScale: 0.35\n"
                  "heights: 0 bis 79.4 m\n"
                  "waterLevel: 7.1\n"
                  "combatArea: 935 850 800 800\n"
                  "staticObjects: 741\n"
                  "searchMaps: " +
                  tess::test::nativePath(omaha + "/AIpathFinding.con") +
                  "\n"
                  "searchMap: Tank0 Land, Wassertiefe 0 m, Steigung bis 40 Grad, Größe 3 m, "
                  "Spawnpunkte 1\n"
                  "searchMap: Infantry1 Land, Wassertiefe 1.5 m, Steigung bis 40 Grad, Größe 1 m, "
                  "Spawnpunkte 1\n"
                  "searchMap: Boat2 Wasser, Wassertiefe 8 m, Steigung bis 30 Grad, Größe 125 m, "
                  "Spawnpunkte 1\n"
                  "searchMap: LandingCraft3 Wasser, Wassertiefe 1.4 m, Steigung bis 30 Grad, Größe "
                  "4 m, Spawnpunkte 1\n"
                  "searchMap: Car4 Land, Wassertiefe 0 m, Steigung bis 35 Grad, Größe 3 m, "
                  "Spawnpunkte 1\n");

    // The car's draft from the folder, and from the level packed as the game packs it.
    run = cli("terrain " + tess::test::quoted(omaha) + " --draft car4 --to folder.raw" + program,
              dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("draft: Car4, 2048 x 2048 Felder zu 1 m\n"
                           "blocked: 93.54 %\n"
                           "written: folder.raw\n"),
              std::string::npos)
        << run.out;
    run = cli("rfa-pack " + tess::test::quoted(omaha) + " bf1942/levels/LD_Omaha_Day1 Omaha.rfa",
              dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = cli("terrain Omaha.rfa --draft Car4 --to archive.raw --png archive.png" + program,
              dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Omaha.rfa: bf1942/levels/LD_Omaha_Day1/Heightmap.raw, 512 x 512"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(readBytes(dir / "archive.raw") == readBytes(dir / "folder.raw"));
    const tess::pathmaps::Grid draft = tess::pathmaps::readPathmap((dir / "archive.raw").string());
    EXPECT_EQ(draft.width, 2048);
    EXPECT_EQ(draft.kind, tess::pathmaps::Kind::tiled);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    const std::string png = readBytes(dir / "archive.png");
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    EXPECT_EQ(image.width, 1024u);
    png_image_free(&image);

    // Corsica's infantry map: the sea is free in it, so the draft does not stand for it there.
    run = cli("terrain " + tess::test::quoted(testdata("levels/Corsica")) + " --compare " +
                  tess::test::quoted(testdata("pathmaps/Corsica/Infantry1Level0Map.raw")) + program,
              dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("compare: Infantry1Level0Map.raw mit dem Entwurf von Infantry1\n"
                           "agree: 50.90 % von 4194304 Feldern\n"
                           "combatArea: 50.90 % von 4194304 Feldern\n"
                           "differ: Wasser 46.44 %, zu steil 1.34 %, anderes 0.87 %, Objekt "
                           "0.26 %, nicht erreichbar 0.20 %\n"
                           "doubt: Die Karte lässt 100,0 % des Wassers frei, das tiefer als 1,5 m "
                           "unter dem Wasserstand von 88 m liegt, obwohl die Klasse Infantry1 "
                           "dort nicht fahren oder gehen kann: mit einem anderen Wasserstand "
                           "erzeugt? Dem Entwurf ist hier nicht zu trauen.\n"),
              std::string::npos)
        << run.out;

    // The addon's path-finding script is the one the game generates with.
    writeBytes(dir / "bf1942/levels/LD_Omaha_Day1_001/AIPathFinding.con",
               "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n");
    run = cli("terrain " + tess::test::quoted(omaha) + program, dir.path());
    EXPECT_NE(run.out.find("AIPathFinding.con\nsearchMap: Tank0 Land, Wassertiefe 0 m, "
                           "Steigung bis 25 Grad, Größe 3 m, Spawnpunkte keine\n"),
              std::string::npos)
        << run.out;

    // Refused: a class the script does not know, a level without its terrain.
    run = cli("terrain " + tess::test::quoted(omaha) + " --draft Boat2 --to boat.raw" + program,
              dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Zu Boat2 nennt " + dir.text() +
                           "bf1942\\levels\\LD_Omaha_Day1_001\\AIPathFinding.con keine "
                           "Suchkarte (bekannt sind Tank0)"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "boat.raw"));
    {
        // Below the program folder the draft is a step there: not while another run holds it.
        const tess::ProgramLock held(dir.text());
        run = cli("terrain " + tess::test::quoted(omaha) +
                      " --draft Tank0 --to bf1942/levels/held.raw" + program,
                  dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("arbeitet gerade ein anderer Lauf von Tessarine"), std::string::npos)
            << run.err;
        EXPECT_FALSE(fs::exists(dir / "bf1942/levels/held.raw"));
    }
    const std::string hafen = std::string(TESS_SOURCE_DIR) + "/tests/checks/fixtures/Hafen";
    run = cli("terrain " + tess::test::quoted(hafen) + program, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("hat kein Gelände zu lesen"), std::string::npos) << run.err;
}
