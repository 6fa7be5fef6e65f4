#include "core/error.h"
#include "core/lines.h"
#include "intake/game_folder.h"
#include "intake/map_choice.h"
#include "intake/map_inspection.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tess;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override { tess::test::setEnvironment("TESS_NO_TERMINAL", "1"); }
};

} // namespace

TEST_F(IntakeTest, NameOfAnUnpackedMapIsTheLastFolder) {
    EXPECT_EQ(intake::mapNameFromLevelDir("D:\\Maps\\bf1942\\levels\\Oasis\\", '\\'), "Oasis");
    EXPECT_EQ(intake::mapNameFromLevelDir("D:\\", '\\'), ""); // root of a drive
    EXPECT_EQ(intake::mapNameFromLevelDir("D:\\Maps\\a/b\\", '\\'),
              "a/b"); // "/" is no separator there
    EXPECT_EQ(intake::mapNameFromLevelDir("", '\\'), "");
    EXPECT_EQ(intake::mapNameFromLevelDir("/", '/'), "");
    EXPECT_EQ(intake::mapNameFromLevelDir("/home/u/Maps/El Alamein/", '/'), "El Alamein");

    WizardState state;
    EXPECT_EQ(intake::chooseUnpackedMap(state, "/maps/bf1942/levels/Oasis/init.con"),
              "/maps/bf1942/levels/Oasis/");
    EXPECT_EQ(state.levelDir, "/maps/bf1942/levels/Oasis/");
    EXPECT_EQ(state.mapName, "Oasis");
}

TEST_F(IntakeTest, UnpackBatchIsWrittenByteForByte) {
    TempDir program;
    TempDir maps;
    writeBytes(maps.path() / "Oasis.rfa", "x");
    WizardState state;
    const std::string archive = maps.text() + "Oasis.rfa";
    EXPECT_EQ(intake::choosePackedMap(state, archive, program.text()), archive);
    EXPECT_EQ(readBytes(program.path() / "unpack.bat"), "copy \"" + archive + "\" \"" +
                                                            program.text() +
                                                            "Oasis.rfa\"\r\n"
                                                            "rfaunpack.exe Oasis.rfa \r\n"
                                                            "del \"" +
                                                            program.text() + "Oasis.rfa\"\r\n");
    EXPECT_EQ(state.mapName, "Oasis.rfa");
    EXPECT_EQ(state.levelDir, program.text() + "bf1942\\levels\\Oasis\\");

    // A second choice replaces the first; capitals lose their extension the same way.
    writeBytes(maps.path() / "EL ALAMEIN.RFA", "x");
    intake::choosePackedMap(state, maps.text() + "EL ALAMEIN.RFA", program.text());
    EXPECT_EQ(state.mapName, "EL ALAMEIN.RFA");
    EXPECT_EQ(state.levelDir, program.text() + "bf1942\\levels\\EL ALAMEIN\\");
    EXPECT_EQ(readBytes(program.path() / "unpack.bat"),
              "copy \"" + maps.text() + "EL ALAMEIN.RFA\" \"" + program.text() +
                  "EL ALAMEIN.RFA\"\r\n"
                  "rfaunpack.exe \"EL ALAMEIN.RFA\" \r\n"
                  "del \"" +
                  program.text() + "EL ALAMEIN.RFA\"\r\n");
}

TEST_F(IntakeTest, UnpackBatchNeverCarriesForeignCommandsNorDeletesTheUsersArchive) {
    TempDir program;
    TempDir maps;
    WizardState state;
    state.mapName = "before";
    for (const char* name :
         {"a&b.rfa", "a|b.rfa", "a<b.rfa", "a>b.rfa", "a^b.rfa", "a%b.rfa", "a\"b.rfa"}) {
        EXPECT_THROW(intake::choosePackedMap(state, maps.text() + name, program.text()),
                     tess::Error)
            << name;
    }
    EXPECT_FALSE(fs::exists(program.path() / "unpack.bat"));
    EXPECT_EQ(state.mapName, "before");

    // The archive already lies in the program folder: only the unpack line remains.
    writeBytes(program.path() / "Kursk.rfa", "x");
    intake::choosePackedMap(state, program.text() + "Kursk.rfa", program.text());
    EXPECT_EQ(readBytes(program.path() / "unpack.bat"), "rfaunpack.exe Kursk.rfa \r\n");
}

TEST_F(IntakeTest, WorldSizeTable) {
    const auto size = [](const LineList& lines) {
        const auto w = intake::readWorldSize(lines);
        return std::to_string(w.size) + "/" + std::to_string(w.scale);
    };
    EXPECT_EQ(size(loadLines(test::testdata("levels/Bastogne/Init/Terrain.con"))), "2048/4");
    EXPECT_EQ(size(loadLines(test::testdata("levels/Battle_of_Edsons_Ridge/Init/Terrain.con"))),
              "1024/2");
    EXPECT_EQ(size({"geometrytemplate.worldsize 1024"}), "1024/2");
    EXPECT_EQ(size({"GeometryTemplate.worldSize 1024 "}), "4096/8"); // trailing blank
    EXPECT_EQ(size({"GeometryTemplate.worldSize 512"}), "4096/8");
    EXPECT_EQ(size({"GeometryTemplate.worldSize 8192"}), "4096/8");
    EXPECT_EQ(size({"GeometryTemplate.worldSize  2048"}), "4096/8");
    EXPECT_EQ(size({"GeometryTemplate.worldSize 1024", "GeometryTemplate.worldSize 2048"}),
              "2048/4");
    EXPECT_EQ(size({}), "4096/8");
}

TEST_F(IntakeTest, OkOnAPackedMapFailsUntilUnpackedThenSettlesNames) {
    TempDir program;
    TempDir maps;
    writeBytes(maps.path() / "Oasis.rfa", "x");
    WizardState state;
    intake::choosePackedMap(state, maps.text() + "Oasis.rfa", program.text());
    try {
        intake::inspectMap(state, program.text());
        FAIL() << "no error";
    } catch (const tess::Error& e) {
        const std::string expected = "Datei " + program.text() +
                                     "bf1942\\levels\\Oasis\\init\\terrain.con kann nicht "
                                     "geöffnet werden. ";
        EXPECT_EQ(std::string(e.what()).rfind(expected, 0), 0u) << e.what();
    }
    EXPECT_EQ(state.mapName, "Oasis.rfa");
    EXPECT_EQ(state.worldSize, 0);

    // The unpacked level arrives (entry names keep the archive's own letter case).
    writeBytes(program.path() / "bf1942" / "Levels" / "Oasis" / "Init" / "Terrain.con",
               "GeometryTemplate.worldSize 1024\n");
    const auto shown = intake::inspectMap(state, program.text());
    EXPECT_EQ(state.mapName, "Oasis");
    EXPECT_EQ(state.worldSize, 1024);
    EXPECT_EQ(state.worldScale, 2);
    EXPECT_EQ(state.levelDir, program.text() + "bf1942\\levels\\Oasis\\");
    EXPECT_EQ(shown.mapLevelFolder, state.levelDir);
    EXPECT_EQ(shown.worldSize, "1024");
    EXPECT_EQ(shown.basePath, "bf1942/levels/Oasis");
    EXPECT_EQ(shown.mapKind, "Is - RFA");
    EXPECT_EQ(shown.mapName, "Oasis");
}

TEST_F(IntakeTest, OkOnAnUnpackedMapKeepsItsFolderAndName) {
    TempDir program;
    WizardState state;
    const std::string init = test::testdata("levels/Bastogne/Init.con");
    intake::chooseUnpackedMap(state, init);
    const auto shown = intake::inspectMap(state, program.text());
    EXPECT_EQ(state.mapName, "Bastogne");
    EXPECT_EQ(state.worldSize, 2048);
    EXPECT_EQ(shown.mapLevelFolder, test::testdata("levels/Bastogne/"));
    EXPECT_EQ(shown.mapKind, "Non - RFA");
    EXPECT_EQ(shown.addonFolder, program.text() + "bf1942\\levels\\Bastogne_001\\");
}

TEST_F(IntakeTest, MemoryBfHoldsExactlyTheConfirmedText) {
    TempDir program;
    EXPECT_FALSE(intake::readRememberedGameFolder(program.text()).has_value());
    intake::rememberGameFolder(program.text(), "D:\\Spiele\\BF1942\\"); // 17 characters
    EXPECT_EQ(readBytes(program.path() / "memory.bf"), "D:\\Spiele\\BF1942\\");
    EXPECT_EQ(fs::file_size(program.path() / "memory.bf"), 17u);
    EXPECT_EQ(intake::readRememberedGameFolder(program.text()), "D:\\Spiele\\BF1942\\");

    intake::rememberGameFolder(program.text(), "BF Pfad");
    EXPECT_EQ(readBytes(program.path() / "memory.bf"), "BF Pfad");

    writeBytes(program.path() / "memory.bf", "/games/bf1942/\r\nsecond\r\n");
    EXPECT_EQ(intake::readRememberedGameFolder(program.text()), "/games/bf1942/");
    writeBytes(program.path() / "memory.bf", "");
    EXPECT_EQ(intake::readRememberedGameFolder(program.text()), "");
    writeBytes(program.path() / "memory.bf", "/spiele/M\xfc"
                                             "ller/ ");
    EXPECT_EQ(intake::readRememberedGameFolder(program.text()), "/spiele/Müller/ ");

    EXPECT_EQ(intake::gameFolderOfExecutable("/games/bf1942/BF1942.exe"), "/games/bf1942/");
}

TEST_F(IntakeTest, AMapNameThatCouldLeaveTheLevelsFolderIsRefused) {
    const auto messageOf = [](const std::string& name) {
        try {
            intake::checkMapName(name);
        } catch (const tess::Error& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    for (const char* fine : {"Oasis", "El Alamein", "Müllers Karte", "Karte.1", "", "a..b"})
        EXPECT_EQ(messageOf(fine), "(no error)") << fine;
    const std::string start = "Der Kartenname \"";
    const std::string end = ". Bitte benenne den Ordner oder das Archiv der Karte um";
    EXPECT_EQ(messageOf("..\\..\\..\\..\\ESC"),
              start +
                  "..\\..\\..\\..\\ESC\" ist unzulässig: er enthält \"\\\", das unter Windows "
                  "Ordner trennt" +
                  end);
    EXPECT_EQ(messageOf("a/b"),
              start + "a/b\" ist unzulässig: er enthält \"/\", das unter Windows Ordner trennt" +
                  end);
    EXPECT_EQ(messageOf(". ."),
              start + ". .\" ist unzulässig: er verweist auf einen übergeordneten Ordner" + end);
    EXPECT_EQ(messageOf(".."),
              start + "..\" ist unzulässig: er verweist auf einen übergeordneten Ordner" + end);
    EXPECT_EQ(messageOf("a:b"), start +
                                    "a:b\" ist unzulässig: er enthält das Zeichen \":\", das "
                                    "Windows in Namen nicht erlaubt" +
                                    end);
    EXPECT_EQ(messageOf("a\x1b[2Jb"), start +
                                          "a\\x1b[2Jb\" ist unzulässig: er enthält das Zeichen "
                                          "\"\\x1b\", das Windows in Namen nicht erlaubt" +
                                          end);
    EXPECT_EQ(messageOf("Карта"), start +
                                      "Карта\" ist unzulässig: Das Zeichen \"К\" kann im "
                                      "Zeichensatz des Spiels (Windows-1252) nicht "
                                      "gespeichert werden" +
                                      end);

    // Where the map name is settled: the folder of a chosen init.con (on Linux "\" is an
    // ordinary character of a folder's name) and the file name of a chosen archive.
    WizardState state;
    state.mapName = "before";
#ifndef _WIN32
    EXPECT_THROW(intake::chooseUnpackedMap(state, "/maps/..\\..\\..\\..\\ESC/init.con"),
                 tess::Error);
    EXPECT_EQ(state.mapName, "before");
    EXPECT_EQ(state.levelDir, "");
#endif
    TempDir program;
    TempDir maps;
    for (const char* archive : {"Карта.rfa", "...rfa"}) {
        writeBytes(maps / archive, "x");
        EXPECT_THROW(intake::choosePackedMap(state, maps.text() + archive, program.text()),
                     tess::Error)
            << archive;
    }
    EXPECT_FALSE(fs::exists(program.path() / "unpack.bat"));
    EXPECT_EQ(state.mapName, "before");
    // OK settles a packed map's name once more.
    state.packed = true;
    state.mapName = "..\\x.rfa";
    EXPECT_THROW(intake::inspectMap(state, program.text()), tess::Error);
    EXPECT_EQ(state.mapName, "..\\x.rfa");
}
