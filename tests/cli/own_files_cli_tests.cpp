// What a command is given stays whole: no output is written over one of its inputs, whatever
// path names it, and what a killed run left half written is cleared, never packed, and named
// by the check.
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using tess::test::cli;
using tess::test::CliResult;
using tess::test::copyTree;
using tess::test::filesUnder;
using tess::test::nativePath;
using tess::test::quoted;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

TEST(OwnFiles, NoOutputIsWrittenOverAnInputUnderAnyName) {
    tess::test::ProgramFolder program;
    TempDir dir;
    copyTree(tess::test::testdata("levels/Bastogne"), dir / "Bastogne");
    writeBytes(dir / "kursk.rfa", readBytes(tess::test::testdata("archives/kursk.rfa")));
    for (const char* name : {"Tank0Level0Map.raw", "Tank0Level1Map.raw", "Tank0Level2Map.raw"})
        writeBytes(dir / "maps" / name,
                   readBytes(tess::test::testdata("pathmaps/Bastogne/") + name));
    ASSERT_EQ(cli("pathmap maps/Tank0Level0Map.raw --export tank.png", dir.path()).exitCode, 0);
    fs::create_hard_link(dir / "Bastogne/Init.con", dir / "hart.con");
#ifndef _WIN32
    fs::create_symlink("maps/Tank0Level0Map.raw", dir / "verweis.raw");
#endif
    const std::string unpacked = program.text() + "bf1942/levels/Kursk/Init.con";
    const std::string options = " --program-folder " + quoted(program.text());

    const struct {
        std::string args;
        std::string output;
        std::string input;
    } rows[] = {
        {"areas kursk.rfa --propose kursk.rfa", "kursk.rfa", "kursk.rfa"},
        {"areas kursk.rfa --from-level KURSK.RFA", "KURSK.RFA", "kursk.rfa"},
        {"areas kursk.rfa --propose " + quoted(unpacked), unpacked, nativePath(unpacked)},
        {"areas Bastogne --from-level Bastogne/ai/strategicareas.con",
         "Bastogne/ai/strategicareas.con", nativePath("Bastogne/AI/StrategicAreas.con")},
        {"areas Bastogne/Init.con --propose hart.con", "hart.con", "Bastogne/Init.con"},
        {"areas Bastogne --propose Bastogne/Conquest/../Init.con", "Bastogne/Conquest/../Init.con",
         nativePath("Bastogne/Init.con")},
        {"pathmap maps/Tank0Level0Map.raw --export maps/Tank0Level0Map.raw",
         "maps/Tank0Level0Map.raw", "maps/Tank0Level0Map.raw"},
        {"pathmap maps/Tank0Level0Map.raw --export maps/tank0level1map.raw",
         "maps/tank0level1map.raw", "maps/Tank0Level1Map.raw"},
        {"pathmap maps/Tank0Level0Map.raw --import tank.png --to tank.png", "tank.png", "tank.png"},
        {"pathmap maps/Tank0Level0Map.raw --import tank.png --to maps/Tank0Level2Map.raw",
         "maps/Tank0Level2Map.raw", "maps/Tank0Level2Map.raw"},
        {"pathmap maps/Tank0Level0Map.raw --level Bastogne --png Bastogne/Init/Terrain.con",
         "Bastogne/Init/Terrain.con", nativePath(dir.text() + "Bastogne/Init/Terrain.con")},
        {"terrain Bastogne --draft Tank0 --to Bastogne/heightmap.raw", "Bastogne/heightmap.raw",
         nativePath(dir.text() + "Bastogne/Heightmap.raw")},
        {"terrain Bastogne --compare maps/Tank0Level0Map.raw --draft Tank0 --to tank0.raw --png "
         "maps/tank0level0map.raw",
         "maps/tank0level0map.raw", "maps/Tank0Level0Map.raw"},
#ifndef _WIN32
        {"pathmap maps/Tank0Level0Map.raw --png verweis.raw", "verweis.raw",
         "maps/Tank0Level0Map.raw"},
#endif
    };
    // (The level of kursk.rfa is unpacked into the program folder by the third row.) A file
    // found in a folder read is named as the folder's walk finds it.
    const auto before = filesUnder(dir.path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const CliResult run = cli(row.args + options, dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "Die Zieldatei " + row.output + " ist dieselbe Datei wie " + row.input +
                               ", die dieser Befehl liest; sie wird nicht überschrieben, und "
                               "nichts wurde geschrieben. Wähle eine andere Zieldatei\n");
        EXPECT_TRUE(filesUnder(dir.path()) == before);
    }
}

#ifndef _WIN32
// A killed run leaves its temporary files: the next run that writes into their folder clears
// them (a running process's stay), packing leaves them out and says so, the check names them.
TEST(OwnFiles, WhatAKilledRunLeftIsClearedNeverPackedAndNamed) {
    tess::test::ProgramFolder program;
    const std::string options = " --program-folder " + quoted(program.text());
    const std::string bastogne = quoted(tess::test::testdata("levels/Bastogne"));
    ASSERT_EQ(cli("generate " + bastogne + options, program.path()).exitCode, 0);
    const fs::path addon = program.path() / "bf1942/levels/Bastogne_001";
    const std::string dead = "ai.con.tess-999999999-0123456789abcdef.tmp";
    const std::string running =
        "Coop.con.tess-" + std::to_string(::getpid()) + "-fedcba9876543210.tmp";
    writeBytes(addon / dead, "half");
    writeBytes(addon / running, "half");

    const CliResult checked = cli("check " + quoted(addon.string()) + options, program.path());
    EXPECT_NE(checked.out.find("Hinweis: " + (addon / dead).string() +
                               ": Die Datei ist die halb geschriebene Datei eines abgebrochenen "
                               "Laufs; das Packen lässt sie aus."),
              std::string::npos)
        << checked.out;

    ASSERT_EQ(cli("generate " + bastogne + options, program.path()).exitCode, 0);
    EXPECT_FALSE(fs::exists(addon / dead));
    EXPECT_TRUE(fs::exists(addon / running));

    const CliResult packed = cli(
        "rfa-pack " + quoted(addon.string()) + " bf1942/levels/Bastogne addon.rfa", program.path());
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_NE(packed.out.find("\nSkipped: 1 half-written files of interrupted runs "
                              "(*.tess-*.tmp)\n"),
              std::string::npos)
        << packed.out;
    const CliResult listed = cli("rfa-list addon.rfa", program.path());
    EXPECT_NE(listed.out.find("/ai.con\n"), std::string::npos);
    EXPECT_EQ(listed.out.find(".tmp"), std::string::npos) << listed.out;
}
#endif
