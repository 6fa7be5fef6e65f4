// rfaPack and rfaunpack, our stand-ins for the game's tools, run as the batches run them: as
// programs of their own in the batch's folder, with the game tools' command lines.
#include "archive/archive.h"
#include "core/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tess::test::errorMessage;
using tess::test::filesUnder;
using tess::test::readBytes;
using tess::test::runProgram;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

const fs::path kPack = TESS_RFAPACK_PATH;
const fs::path kUnpack = TESS_RFAUNPACK_PATH;

fs::path fixtureFolder() {
    return fs::path(TESS_SOURCE_DIR) / "tests" / "archive" / "fixtures";
}

std::string text(const fs::path& path) {
    return tess::pathText(path);
}

} // namespace

TEST(ArchivePrograms, PackAndUnpackWithTheGameToolsCommandLines) {
    TempDir dir;
    writeBytes(dir / "bf1942/levels/Klein_001/a.con", "x");
    writeBytes(dir / "bf1942/levels/Klein_001/Sub/b.con", "yz");

    // The line of a first pack, as cmd.exe hands it over: folder, path in archive, archive.
    const auto packed = runProgram(
        kPack, {"bf1942\\levels\\Klein_001", "bf1942/levels/Klein", "Klein_001.rfa"}, dir.path());
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_EQ(packed.err, "");
    const std::string folder = text(tess::resolvePath("bf1942\\levels\\Klein_001"));
    EXPECT_EQ(packed.out, "-- RFA Pack 1.7 --\n"
                          "Packing " +
                              folder +
                              " as bf1942/levels/Klein into Klein_001.rfa\n"
                              "  bf1942/levels/Klein/a.con\n"
                              "  bf1942/levels/Klein/Sub/b.con\n"
                              "Done: 2 files packed, 277 bytes.\n");
    const std::string archive = readBytes(dir / "Klein_001.rfa");
    ASSERT_EQ(archive.size(), 277u);
    EXPECT_EQ(archive.substr(4, 4), std::string("\0\0\0\0", 4)); // stored, not compressed
    EXPECT_EQ(archive.substr(156, 3), "xyz");

    // Unpacked under the current folder, then into a folder named on the command line.
    fs::create_directories(dir / "Auspacken/Ziel");
    fs::copy_file(dir / "Klein_001.rfa", dir / "Auspacken/Klein_001.rfa");
    const auto unpacked = runProgram(kUnpack, {"Klein_001.rfa"}, dir / "Auspacken");
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out.substr(0, 21), "-- RFA Unpack 1.7 --\n");
    EXPECT_NE(unpacked.out.find("\n  bf1942/levels/Klein/Sub/b.con\n"), std::string::npos)
        << unpacked.out;
    EXPECT_TRUE(unpacked.out.ends_with("\nDone: 2 files unpacked.\n")) << unpacked.out;
    EXPECT_EQ(readBytes(dir / "Auspacken/bf1942/levels/Klein/a.con"), "x");
    EXPECT_EQ(readBytes(dir / "Auspacken/bf1942/levels/Klein/Sub/b.con"), "yz");
    const auto into = runProgram(kUnpack, {"Klein_001.rfa", "Ziel"}, dir / "Auspacken");
    EXPECT_EQ(into.exitCode, 0) << into.err;
    EXPECT_EQ(readBytes(dir / "Auspacken/Ziel/bf1942/levels/Klein/Sub/b.con"), "yz");

    // -Compress in any letter case, anywhere on the line, makes a version-1 archive.
    const auto compressed = runProgram(
        kPack, {"-compress", "bf1942/levels/Klein_001", "bf1942/levels/Klein", "Klein_lzo.rfa"},
        dir.path());
    EXPECT_EQ(compressed.exitCode, 0) << compressed.err;
    EXPECT_EQ(readBytes(dir / "Klein_lzo.rfa").substr(4, 4), std::string("\1\0\0\0", 4));
}

TEST(ArchivePrograms, WrongCallsAndMissingInputFailWithTheirReason) {
    TempDir dir;
    const std::string packUsage =
        "Aufruf: rfaPack.exe <Ordner> <Pfad im Archiv> <Archiv> [-Compress]\n";
    const std::string unpackUsage = "Aufruf: rfaunpack.exe <Archiv> [<Zielordner>]\n";
    const struct {
        fs::path program;
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {kPack, {}, packUsage},
        {kPack, {"a", "b"}, packUsage},
        {kPack, {"a", "b", "c", "d"}, packUsage},
        {kPack,
         {"Fehlt", "bf1942/levels/Fehlt", "Fehlt.rfa"},
         "Der Ordner \"Fehlt\" wurde nicht gefunden.\n"},
        {kUnpack, {}, unpackUsage},
        {kUnpack, {"a.rfa", "b", "c"}, unpackUsage},
        {kUnpack, {"Fehlt.rfa"}, "Das Archiv \"Fehlt.rfa\" wurde nicht gefunden.\n"},
    };
    for (const auto& c : cases) {
        const auto run = runProgram(c.program, c.arguments, dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_TRUE(filesUnder(dir.path()).empty());
}

// Every broken or hostile archive the archive code refuses, the program refuses in the
// same words, and it writes nothing; what the archive code unpacks, the program unpacks
// to the same files.
TEST(ArchivePrograms, UnpackAgreesWithTheArchiveCodeOnEveryFixture) {
    int refused = 0;
    for (const auto& item : fs::directory_iterator(fixtureFolder())) {
        if (item.path().extension() != ".rfa")
            continue;
        const std::string name = text(item.path().filename());
        SCOPED_TRACE(name);
        TempDir byCode;
        TempDir byProgram;
        const fs::path archive = byProgram / name;
        fs::copy_file(item.path(), archive);
        const std::string message =
            errorMessage([&] { tess::archive::unpackArchive(archive, byCode.path()); });
        const auto run = runProgram(kUnpack, {text(archive)}, byProgram.path());
        if (message != "(no error)") {
            ++refused;
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.err, message + "\n");
            EXPECT_EQ(filesUnder(byProgram.path()).size(), 1u); // the archive alone
        } else {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            auto written = filesUnder(byProgram.path());
            written.erase(name);
            EXPECT_EQ(written, filesUnder(byCode.path()));
        }
    }
    EXPECT_GE(refused, 15);
}
