// Our batches run in the real cmd.exe (Wine's, when the tests run under Wine), started by the
// program folder's tessarine-cli.exe in the batch's folder in a console of its own, which
// leaves what the batch printed in the log beside it. Real folders with blanks and umlauts,
// our own rfaPack.exe beside the batch.
#include "archive/archive.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/paths.h"
#include "platform/program_folder.h"
#include "platform/shell.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <windows.h>

namespace fs = std::filesystem;

using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::utf8Path;
using tess::test::writeBytes;

namespace {

// The batches are started by the tessarine-cli.exe of the build's program folder.
struct BuildsProgramFolder : ::testing::Environment {
    void SetUp() override { tess::setProgramFolderOverride(TESS_PROGRAM_DIR); }
    void TearDown() override { tess::setProgramFolderOverride(""); }
};
[[maybe_unused]] const auto* const kProgramFolder =
    ::testing::AddGlobalTestEnvironment(new BuildsProgramFolder);

// Asks the batch until it has ended, for at most a minute.
bool waitForEnd(const tess::BatchProcess& batch) {
    for (int i = 0; i < 600; ++i) {
        if (batch.hasEnded())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// A folder text, with its trailing separator.
std::string folderText(const fs::path& folder) {
    return tess::pathText(folder) + "\\";
}

bool isReadOnly(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Whether this system keeps a read-only file from being written. Windows does; Wine run by
// root does not, as root may write every file.
bool readOnlyIsEnforced(const fs::path& folder) {
    const fs::path probe = folder / "schreibschutz-probe";
    writeBytes(probe, "");
    fs::permissions(probe, fs::perms::owner_write, fs::perm_options::remove);
    const HANDLE file =
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool enforced = file == INVALID_HANDLE_VALUE;
    if (!enforced)
        CloseHandle(file);
    fs::permissions(probe, fs::perms::owner_write, fs::perm_options::add);
    fs::remove(probe);
    return enforced;
}

} // namespace

TEST(WindowsBatch, LinesAreWrittenInTheConsolesCodePage) {
    const UINT codePage = GetOEMCP();
    if (codePage != 437 && codePage != 850)
        GTEST_SKIP() << "OEM code page " << codePage;
    // The umlauts and ß have the same bytes in 437 (US) and 850 (Western Europe).
    EXPECT_EQ(tess::batchFileBytes({"copy \"Ärger\\Übung ä.txt\" \"öü ß.rfa\"", "", " "}),
              "copy \"\x8e"
              "rger\\\x9a"
              "bung \x84.txt\" \"\x94\x81 \xe1.rfa\"\r\n\r\n \r\n");
    // What the console cannot show is refused, never written as another character.
    EXPECT_EQ(errorMessage([] { tess::batchFileBytes({"copy a.txt \"Preis €.txt\""}); }),
              "Das Zeichen \"€\" kann in der Codepage der Eingabeaufforderung (" +
                  std::to_string(codePage) + ") nicht gespeichert werden");
    // The interpreter reads such a batch back as it was meant.
    EXPECT_EQ(tess::decodeBatchText("\x8e\x9a\x84\xe1"), "ÄÜäß");
}

// One batch in a folder with a blank and an umlaut, run by the shell: a copy into a folder
// with umlauts, one over an existing file, one onto a read-only file (refused, the batch goes
// on), and the batch's end is seen.
TEST(WindowsBatch, ShellRunsTheBatchInItsFolderWithCmdsCopy) {
    TempDir dir;
    const fs::path folder = dir / "Mein Ördner";
    writeBytes(folder / "Quelle.txt", "neu");
    writeBytes(folder / utf8Path("Ärger Ü/alt.txt"), "alt");
    writeBytes(folder / utf8Path("geschützt.txt"), "bleibt");
    fs::permissions(folder / utf8Path("geschützt.txt"), fs::perms::owner_write,
                    fs::perm_options::remove);
    ASSERT_TRUE(isReadOnly(folder / utf8Path("geschützt.txt")));

    const tess::BatchProcess batch = tess::runBatch(
        folderText(folder), "kopieren.bat",
        {"copy \"Quelle.txt\" \"Ärger Ü\\Übung ä.txt\"", "copy \"Quelle.txt\" \"Ärger Ü\\alt.txt\"",
         "copy \"Quelle.txt\" \"geschützt.txt\"", "copy \"Quelle.txt\" \"fertig.txt\""});
    ASSERT_TRUE(batch.started());
    ASSERT_TRUE(waitForEnd(batch));

    EXPECT_EQ(readBytes(folder / utf8Path("Ärger Ü/Übung ä.txt")), "neu");
    EXPECT_EQ(readBytes(folder / utf8Path("Ärger Ü/alt.txt")), "neu");
    EXPECT_EQ(readBytes(folder / "fertig.txt"), "neu");
    EXPECT_TRUE(isReadOnly(folder / utf8Path("geschützt.txt")));
    // What cmd.exe printed stays in the log beside the batch, in UTF-8: every command as it
    // echoed it, in its folder.
    EXPECT_EQ(tess::batchLogFile(folderText(folder), "kopieren.bat"),
              folderText(folder) + "kopieren.log");
    const std::string log = readBytes(folder / "kopieren.log");
    for (const std::string line : {"Mein Ördner>copy \"Quelle.txt\" \"Ärger Ü\\Übung ä.txt\"",
                                   "Mein Ördner>copy \"Quelle.txt\" \"fertig.txt\""})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in:\n" << log;
}

// cmd.exe's copy refuses a read-only target. (Wine run by root writes it all the same: root
// may write every file.)
TEST(WindowsBatch, CmdLeavesAReadOnlyTargetAlone) {
    TempDir dir;
    if (!readOnlyIsEnforced(dir.path()))
        GTEST_SKIP() << "read-only files can be written here (Wine run by root)";
    writeBytes(dir / "Quelle.txt", "neu");
    writeBytes(dir / "geschützt.txt", "bleibt");
    fs::permissions(dir / "geschützt.txt", fs::perms::owner_write, fs::perm_options::remove);
    const tess::BatchProcess batch =
        tess::runBatch(dir.text(), "kopieren.bat", {"copy \"Quelle.txt\" \"geschützt.txt\""});
    ASSERT_TRUE(waitForEnd(batch));
    EXPECT_EQ(readBytes(dir / "geschützt.txt"), "bleibt");
}

// The first pack's line runs our rfaPack.exe from the batch's folder; its archive is the
// one the archive code writes for the same folder, byte for byte.
TEST(WindowsBatch, RfaPackBesideTheBatchWritesTheArchive) {
    TempDir dir;
    const fs::path program = dir / "Programm mit Ä";
    fs::create_directories(program);
    fs::copy_file(fs::path(TESS_PROGRAM_DIR) / "rfaPack.exe", program / utf8Path("rfaPack.exe"));
    writeBytes(program / utf8Path("bf1942/levels/Kärtchen_001/ai.con"), "ai.createallmaps\r\n");
    writeBytes(program / utf8Path("bf1942/levels/Kärtchen_001/AI/StrategicAreas.con"), "");

    const tess::BatchProcess batch = tess::runBatch(
        folderText(program), "pack.bat",
        {"rfaPack.exe bf1942\\levels\\Kärtchen_001  bf1942/levels/Kärtchen \"Kärtchen_001.rfa\"",
         "copy \"Kärtchen_001.rfa\" \"Ziel.rfa\""});
    ASSERT_TRUE(batch.started());
    ASSERT_TRUE(waitForEnd(batch));

    tess::archive::packFolder(program / utf8Path("bf1942/levels/Kärtchen_001"),
                              "bf1942/levels/Kärtchen", dir / "erwartet.rfa", false);
    ASSERT_TRUE(fs::exists(program / utf8Path("Kärtchen_001.rfa")));
    EXPECT_EQ(readBytes(program / utf8Path("Kärtchen_001.rfa")), readBytes(dir / "erwartet.rfa"));
    EXPECT_EQ(readBytes(program / utf8Path("Ziel.rfa")), readBytes(dir / "erwartet.rfa"));
    const auto entries = tess::archive::listArchive(program / utf8Path("Kärtchen_001.rfa"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "bf1942/levels/K\xe4rtchen/ai.con");
    // The log holds cmd.exe's echo (written in the console's code page) and what rfaPack.exe
    // printed (in UTF-8) alike in UTF-8.
    const std::string log = readBytes(program / "pack.log");
    for (const std::string line : {">rfaPack.exe bf1942\\levels\\Kärtchen_001  "
                                   "bf1942/levels/Kärtchen \"Kärtchen_001.rfa\"",
                                   "\n-- RFA Pack 1.7 --", "\n  bf1942/levels/Kärtchen/ai.con",
                                   ">copy \"Kärtchen_001.rfa\" \"Ziel.rfa\""})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in:\n" << log;
}

TEST(WindowsBatch, ABatchThatCannotBeStartedHasEnded) {
    TempDir dir;
    // A program folder without tessarine-cli.exe starts nothing.
    tess::setProgramFolderOverride(dir.text());
    const tess::BatchProcess missing = tess::openBatch(folderText(dir.path()), "fehlt.bat");
    tess::setProgramFolderOverride(TESS_PROGRAM_DIR);
    EXPECT_FALSE(missing.started());
    EXPECT_TRUE(missing.hasEnded());
    // No folder, no batch file: the save fails and nothing runs.
    EXPECT_NE(errorMessage([&] {
                  tess::runBatch(dir.text() + "Fehlt\\", "pack.bat", {"rem"});
              }).find("kann nicht erstellt werden"),
              std::string::npos);
}
