#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"
#include "core/lines.h"
#include "core/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

TEST(LineList, LoadSplitsOnEveryLineBreakAndKeepsBlanks) {
    TempDir dir;
    // CR LF, a lone CR, a lone LF, a line of one blank, an empty line, a trailing blank,
    // and no break after the last line.
    writeBytes(dir.path() / "in.con", "a\r\nb\rc\n \r\n\r\nd \r\nlast");
    const auto lines = tess::loadLines(dir.text() + "in.con");
    const tess::LineList expected = {"a", "b", "c", " ", "", "d ", "last"};
    EXPECT_EQ(lines, expected);

    EXPECT_EQ(tess::splitLines("x\r\n"), tess::LineList{"x"});
    EXPECT_EQ(tess::splitLines("x\r\n\r\n"), (tess::LineList{"x", ""}));
    EXPECT_TRUE(tess::splitLines("").empty());
    EXPECT_EQ(tess::splitLines("\n"), tess::LineList{""});
}

TEST(LineList, SaveWritesCrLfAfterEveryLineAndNoLoneLf) {
    TempDir dir;
    tess::saveLines(dir.text() + "out.con", {"rem x ", " ", "", "end"});
    EXPECT_EQ(readBytes(dir.path() / "out.con"), "rem x \r\n \r\n\r\nend\r\n");

    tess::saveLines(dir.text() + "empty.con", {});
    EXPECT_EQ(readBytes(dir.path() / "empty.con"), "");
}

TEST(LineList, ReadingAndDeletingBeyondTheEndAreHarmless) {
    tess::LineList lines = {"a"};
    EXPECT_EQ(tess::lineAt(lines, 5), "");
    tess::deleteLine(lines, 5);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(tess::indexOfLineIgnoringCase({"x", "AI.CreateAllMaps"}, "ai.createallmaps"), 1);
    EXPECT_EQ(tess::indexOfLineIgnoringCase({"ai.createallmaps "}, "ai.createallmaps"), -1);
}

TEST(LineList, NormalizeToCrLfKeepsAMissingFinalBreakMissing) {
    EXPECT_EQ(tess::normalizeToCrLf("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(tess::normalizeToCrLf("a\n\n"), "a\r\n\r\n");
    EXPECT_EQ(tess::normalizeToCrLf("\r\r\n"), "\r\n\r\n");
}

TEST(CodePage, EveryByteSurvivesARoundTripThroughAFile) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    EXPECT_EQ(tess::encodeCp1252(tess::decodeCp1252(all)), all);

    TempDir dir;
    writeBytes(dir.path() / "bytes.con", all + "\r\n");
    tess::saveLines(dir.text() + "copy.con", tess::loadLines(dir.text() + "bytes.con"));
    EXPECT_EQ(readBytes(dir.path() / "copy.con"), all + "\r\n");

    // The undefined byte 0x81 is U+0081, the euro sign 0x80 is U+20AC, ü is 0xFC.
    EXPECT_EQ(tess::decodeCp1252("\x81"), "\xc2\x81");
    EXPECT_EQ(tess::decodeCp1252("\x80"), "€");
    EXPECT_EQ(tess::encodeCp1252("Grüß"), "Gr\xfc\xdf");
}

TEST(CodePage, TextTheGameCannotHoldIsRefusedNotReplaced) {
    TempDir dir;
    writeBytes(dir.path() / "keep.con", "old\r\n");
    // A Cyrillic letter has no place in Windows-1252.
    EXPECT_THROW(tess::saveLines(dir.text() + "keep.con", {"Ж"}), tess::Error);
    EXPECT_EQ(readBytes(dir.path() / "keep.con"), "old\r\n");
    EXPECT_FALSE(tess::fitsCp1252("\xff"));
    EXPECT_FALSE(tess::fitsCp1252("\xe2\x82"));
}

TEST(Paths, WindowsPathsReachFoldersInAnyCaseWithEitherSeparator) {
    TempDir dir;
    fs::create_directories(dir.path() / "GameTypes");
    writeBytes(dir.path() / "GameTypes" / "Coop.con", "x");
    fs::create_directories(dir.path() / "SinglePlayer");

    EXPECT_EQ(tess::resolvePath(dir.text() + "Gametypes\\Coop.con"),
              dir.path() / "GameTypes" / "Coop.con");
    EXPECT_EQ(tess::resolvePath(dir.text() + "gametypes/COOP.CON"),
              dir.path() / "GameTypes" / "Coop.con");
    // A file not yet there keeps its own name under the matched folder.
    EXPECT_EQ(tess::resolvePath(dir.text() + "singleplayer/Bots.con"),
              dir.path() / "SinglePlayer" / "Bots.con");
    EXPECT_EQ(tess::resolvePath(dir.text() + "Missing\\Sub\\x.con"),
              dir.path() / "Missing" / "Sub" / "x.con");

#ifndef _WIN32
    // An exact match wins over one in other letter case (which only a file system that tells
    // letter case apart can hold).
    fs::create_directories(dir.path() / "gametypes");
    EXPECT_EQ(tess::resolvePath(dir.text() + "gametypes"), dir.path() / "gametypes");
#endif

    EXPECT_TRUE(tess::sameNameIgnoringCase("Ärger", "äRGER"));
    EXPECT_EQ(tess::folderPart("C:\\Maps\\Oasis\\init.con"), "C:\\Maps\\Oasis\\");
    EXPECT_EQ(tess::folderPart("/a/b/init.con"), "/a/b/");
    EXPECT_EQ(tess::fileNamePart("/a/b\\Oasis.rfa"), "Oasis.rfa");
    EXPECT_EQ(tess::folderPart("init.con"), "");
}

TEST(Files, FailedSavesLeaveTheOldFileAndSayWhy) {
    TempDir dir;
    // A missing file, a file in a missing folder, a folder in the way: the reasons a German
    // Windows gives.
    EXPECT_EQ(errorMessage([&] { tess::loadLines(dir.text() + "none.con"); }),
              "Datei " + dir.text() +
                  "none.con kann nicht geöffnet werden. Das System kann die angegebene Datei "
                  "nicht finden.");
    EXPECT_EQ(errorMessage([&] { tess::loadLines(dir.text() + "nofolder\\x.con"); }),
              "Datei " + dir.text() +
                  "nofolder\\x.con kann nicht geöffnet werden. Das System kann den angegebenen "
                  "Pfad nicht finden.");
    EXPECT_EQ(errorMessage([&] { tess::saveLines(dir.text() + "nofolder\\x.con", {"a"}); }),
              "Datei \"" + dir.text() +
                  "nofolder\\x.con\" kann nicht erstellt werden. Das System kann den angegebenen "
                  "Pfad nicht finden.");
    fs::create_directories(dir.path() / "busy.con");
    EXPECT_EQ(errorMessage([&] { tess::saveLines(dir.text() + "busy.con", {"x"}); }),
              "Datei \"" + dir.text() +
                  "busy.con\" kann nicht erstellt werden. Zugriff verweigert.");
    EXPECT_EQ(errorMessage([&] { tess::loadLines(dir.text() + "busy.con"); }),
              "Datei " + dir.text() + "busy.con kann nicht geöffnet werden. Zugriff verweigert.");
#ifdef _WIN32
    const bool readOnlyHolds = true; // the read-only attribute is asked for, root or not
#else
    const bool readOnlyHolds = ::geteuid() != 0;
#endif
    if (readOnlyHolds) {
        writeBytes(dir.path() / "ro.con", "keep");
        fs::permissions(dir.path() / "ro.con",
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        EXPECT_EQ(errorMessage([&] { tess::saveLines(dir.text() + "ro.con", {"x"}); }),
                  "Datei \"" + dir.text() +
                      "ro.con\" kann nicht erstellt werden. Zugriff verweigert.");
        EXPECT_EQ(readBytes(dir.path() / "ro.con"), "keep");
    }
    // No temporary files stay behind.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(Files, FoldersAndCopies) {
    TempDir dir;
    EXPECT_THROW(tess::changeDirectory(dir.text() + "nowhere\\"), tess::Error);
    EXPECT_TRUE(tess::createFolder(dir.text() + "new"));
    EXPECT_FALSE(tess::createFolder(dir.text() + "new"));
    writeBytes(dir.path() / "a.bin", std::string("\x00\x81\r\n", 4));
    EXPECT_TRUE(tess::copyFileReplacing(dir.text() + "A.BIN", dir.text() + "new\\b.bin"));
    EXPECT_EQ(readBytes(dir.path() / "new" / "b.bin"), std::string("\x00\x81\r\n", 4));
    EXPECT_FALSE(tess::copyFileReplacing(dir.text() + "none", dir.text() + "new\\c.bin"));

    // A copy replaces an existing file (as CopyFile does), under a name with an umlaut too;
    // the copy of a read-only original can be replaced again.
    writeBytes(dir / "Ärger.con", "alt, und länger als neu");
    writeBytes(dir.path() / "ro.con", "neu");
    fs::permissions(dir.path() / "ro.con", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_TRUE(tess::copyFileReplacing(dir.text() + "ro.con", dir.text() + "ärger.con"));
    EXPECT_EQ(readBytes(dir / "Ärger.con"), "neu");
    EXPECT_TRUE(tess::copyFileReplacing(dir.text() + "a.bin", dir.text() + "Ärger.con"));
    EXPECT_EQ(readBytes(dir / "Ärger.con"), std::string("\x00\x81\r\n", 4));
#ifdef _WIN32
    // A read-only target stays as it is, as CopyFile leaves it.
    EXPECT_FALSE(tess::copyFileReplacing(dir.text() + "a.bin", dir.text() + "ro.con"));
    EXPECT_EQ(readBytes(dir.path() / "ro.con"), "neu");
#endif
    // No temporary file stays behind.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(tess::pathText(entry.path()).find(".tmp"), std::string::npos);
}

#ifdef _WIN32
// Windows paths as the system gets them there: a drive stays the root, "/" separates too,
// and names come back spelt as on disk.
TEST(Paths, DrivesStayRoots) {
    TempDir dir;
    fs::create_directories(dir.path() / "Karten");
    const std::string text = dir.text(); // "C:\\...\\"
    ASSERT_EQ(text.substr(1, 2), ":\\");
    EXPECT_EQ(tess::resolvePath(text + "karten\\Neu.con"), dir.path() / "Karten" / "Neu.con");
    EXPECT_EQ(tess::resolvePath(text.substr(0, 2) + "/" + text.substr(3) + "KARTEN/"),
              dir.path() / "Karten");
    EXPECT_EQ(tess::resolvePath("C:").wstring(), L"C:");
}
#endif

// The reasons of errors that no test provokes on disk, and the operating system's own text for
// those without a Windows wording.
TEST(Files, SystemReasonsInGerman) {
    EXPECT_EQ(tess::systemReason(ENOSPC),
              "Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden.");
    EXPECT_EQ(tess::systemReason(EROFS), "Das Medium ist schreibgeschützt.");
    EXPECT_EQ(tess::systemReason(EACCES), "Zugriff verweigert.");
    const std::string other = tess::systemReason(EPROTO);
    EXPECT_FALSE(other.empty());
    EXPECT_EQ(other.back(), '.');
}

TEST(Integers, TheFrameworksConversionAndItsMessage) {
    EXPECT_EQ(tess::strToInt("2048"), 2048);
    EXPECT_EQ(tess::strToInt(" -17"), -17);
    EXPECT_EQ(tess::strToInt("$1F"), 31);
    EXPECT_EQ(tess::strToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "12 ", "1.5", "abc", "2147483648", "-", "$"})
        EXPECT_THROW(tess::strToInt(bad), tess::Error) << bad;
    try {
        tess::strToInt("x1");
    } catch (const tess::Error& e) {
        EXPECT_STREQ(e.what(), "'x1' ist kein gültiger Integerwert");
    }
    EXPECT_STREQ(tess::listIndexOutOfBounds(-1).what(),
                 "Listenindex überschreitet das Maximum (-1)");
    EXPECT_EQ(tess::withFullStop("abc"), "abc.");
    EXPECT_EQ(tess::withFullStop("abc."), "abc.");
}
