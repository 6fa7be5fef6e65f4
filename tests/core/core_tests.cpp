#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using tess::test::errorMessage;
using tess::test::readBytes;
#ifndef _WIN32
using tess::test::runInChild;
#endif
using tess::test::TempDir;
using tess::test::temporaryFilesUnder;
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

// Bytes 0x80 to 0x9F, where Windows-1252 differs from Latin-1, against the code page's
// published table (unicode.org, CP1252.TXT); its five unassigned bytes are the C1 controls.
TEST(CodePage, EachByteFrom0x80To0x9FIsTheCharacterOfThePublishedTable) {
    const char* const table[32] = {
        "€", "\xc2\x81", "‚",        "ƒ", "„",        "…",        "†", "‡",        "ˆ", "‰", "Š",
        "‹", "Œ",        "\xc2\x8d", "Ž", "\xc2\x8f", "\xc2\x90", "‘", "’",        "“", "”", "•",
        "–", "—",        "˜",        "™", "š",        "›",        "œ", "\xc2\x9d", "ž", "Ÿ",
    };
    for (int i = 0; i < 32; ++i) {
        const std::string byte(1, static_cast<char>(0x80 + i));
        EXPECT_EQ(tess::decodeCp1252(byte), table[i]) << "0x" << std::hex << 0x80 + i;
        EXPECT_EQ(tess::encodeCp1252(table[i]), byte) << "0x" << std::hex << 0x80 + i;
    }
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

TEST(LetterCase, OneRuleForEveryComparisonOfNames) {
    // Windows treats these as one name; so do path resolution and the archive's name order.
    EXPECT_TRUE(tess::sameNameIgnoringCase("š", "Š"));
    EXPECT_TRUE(tess::sameNameIgnoringCase("ÿ", "Ÿ"));
    EXPECT_TRUE(tess::sameNameIgnoringCase("œž", "ŒŽ"));
    EXPECT_TRUE(tess::sameNameIgnoringCase("Ärger", "äRGER"));
    EXPECT_FALSE(tess::sameNameIgnoringCase("ß", "SS"));
    EXPECT_FALSE(tess::sameNameIgnoringCase("a", "ab"));
    EXPECT_EQ(tess::caseFoldedKey("Škoda ÿ.con"), "ŠKODA Ÿ.CON");
    EXPECT_EQ(tess::caseFoldedKey("a\xff\xc3"), "A\xff\xc3"); // not UTF-8: kept as it is

    TempDir dir;
    fs::create_directories(dir / "ŠKODA ŸPSILON");
    EXPECT_EQ(tess::resolvePath(dir.text() + "škoda ÿpsilon/x.con"),
              dir / "ŠKODA ŸPSILON" / "x.con");

    // The rule on bytes of the game's code page (archive names) and on UTF-8 text (paths)
    // agree on every pair.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string ta = tess::decodeCp1252(std::string(1, static_cast<char>(a)));
            const std::string tb = tess::decodeCp1252(std::string(1, static_cast<char>(b)));
            ASSERT_EQ(tess::upperCaseCp1252(static_cast<unsigned char>(a)) ==
                          tess::upperCaseCp1252(static_cast<unsigned char>(b)),
                      tess::sameNameIgnoringCase(ta, tb))
                << a << " " << b;
        }
}

#ifndef _WIN32
TEST(Files, SavesReplaceLinksAndNeverFollowThem) {
    TempDir dir;
    writeBytes(dir / "victim.txt", "victim");
    // A link at the target's name is replaced by the file.
    fs::create_symlink(dir / "victim.txt", dir / "memory.bf");
    tess::saveLines(dir.text() + "memory.bf", {"x"});
    EXPECT_FALSE(fs::is_symlink(dir / "memory.bf"));
    EXPECT_EQ(readBytes(dir / "memory.bf"), "x\r\n");
    // Links planted at predictable temporary names (a counter) reach nothing.
    for (int n = 0; n < 100; ++n)
        fs::create_symlink(dir / "victim.txt",
                           dir / ("save.con.tess-" + std::to_string(n) + ".tmp"));
    const auto child = runInChild([&](std::string& out) {
        out = errorMessage([&] { tess::writeFileAtomically(dir.text() + "save.con", "saved"); });
        return 0;
    });
    EXPECT_EQ(child.output, "(no error)");
    EXPECT_EQ(readBytes(dir / "save.con"), "saved");
    EXPECT_EQ(readBytes(dir / "victim.txt"), "victim");

    // A read-only file stays as it is, whoever runs the program (the superuser too).
    writeBytes(dir / "ro.con", "keep");
    fs::permissions(dir / "ro.con", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(errorMessage([&] { tess::saveLines(dir.text() + "ro.con", {"x"}); }),
              "Datei \"" + dir.text() + "ro.con\" kann nicht erstellt werden. " +
                  tess::systemReason(EACCES));
    EXPECT_EQ(readBytes(dir / "ro.con"), "keep");
    // A writable one keeps its permissions.
    writeBytes(dir / "rw.con", "old");
    fs::permissions(dir / "rw.con", fs::perms::owner_read | fs::perms::owner_write);
    tess::saveLines(dir.text() + "rw.con", {"new"});
    EXPECT_EQ(fs::status(dir / "rw.con").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}
#endif

#ifndef _WIN32
// Below the program folder a file is written only through real folders: a link where the
// addon or a folder written into should be is refused, and nothing reaches its target. Outside
// the program folder a path is followed as named.
TEST(Files, NothingIsWrittenThroughALinkedFolderOfTheProgramFolder) {
    struct Row {
        const char* what;
        std::string link;    // below the program folder, made a link to a folder elsewhere
        std::string file;    // written below the program folder
        std::string refused; // the folder named in the refusal; empty: written
    };
    const std::string ai = "bf1942/levels/Kursk_001/AI/StrategicAreas.con";
    const std::vector<Row> rows = {
        {"no link", "", ai, ""},
        {"the addon a link", "bf1942/levels/Kursk_001", ai, "bf1942/levels/Kursk_001"},
        {"the folder written into a link", "bf1942/levels/Kursk_001/AI", ai,
         "bf1942/levels/Kursk_001/AI"},
        {"the levels folder a link", "bf1942/levels", ai, "bf1942/levels"},
        {"a link beside the path", "bf1942/levels/Berlin_001", ai, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir program;
        TempDir elsewhere;
        fs::create_directories(program / "bf1942/levels/Kursk_001/AI");
        if (!row.link.empty()) {
            fs::remove_all(program / row.link);
            fs::create_directories(elsewhere / "Kursk_001/AI");
            fs::create_directories(elsewhere / "AI");
            fs::create_directory_symlink(elsewhere.path(), program / row.link);
        }
        tess::setGuardedFolder(program.text());
        const std::string message =
            errorMessage([&] { tess::writeFileAtomically(program.text() + row.file, "x"); });
        tess::setGuardedFolder("");
        if (row.refused.empty()) {
            EXPECT_EQ(message, "(no error)");
            EXPECT_EQ(readBytes(program / row.file), "x");
        } else {
            EXPECT_EQ(message, "Datei \"" + program.text() + row.file +
                                   "\" kann nicht erstellt werden. \"" + program.text() +
                                   row.refused +
                                   "\" ist kein Ordner, sondern eine Verknüpfung oder Datei; "
                                   "dort hindurch wird nichts geschrieben.");
            EXPECT_EQ(tess::test::filesUnder(elsewhere.path()).size(), 0u);
        }
    }
    // Outside the program folder a link on the way is followed.
    TempDir program;
    TempDir outside;
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), outside / "linked");
    tess::setGuardedFolder(program.text());
    EXPECT_EQ(errorMessage([&] {
                  tess::writeFileAtomically(outside.text() + "linked/StrategicAreas.con", "x");
              }),
              "(no error)");
    tess::setGuardedFolder("");
    EXPECT_EQ(readBytes(elsewhere / "StrategicAreas.con"), "x");
}
#endif

#ifndef _WIN32
TEST(Files, TwoProcessesSavingOneFileNeverMixTheirBytes) {
    TempDir dir;
    const std::string target = dir.text() + "ai.con";
    const std::string a(300000, 'a');
    const std::string b(300000, 'b');
    pid_t savers[2];
    for (int k = 0; k < 2; ++k) {
        std::fflush(nullptr);
        savers[k] = ::fork();
        if (savers[k] == 0) {
            int failures = 0;
            for (int i = 0; i < 150; ++i) {
                try {
                    tess::writeFileAtomically(target, k == 0 ? a : b);
                } catch (const tess::Error&) {
                    ++failures;
                }
            }
            ::_exit(std::min(failures, 100));
        }
    }
    // Meanwhile the file is always one whole save.
    int mixed = 0;
    int reads = 0;
    int running = 2;
    while (running > 0) {
        const std::string bytes = readBytes(dir / "ai.con");
        if (!bytes.empty()) {
            ++reads;
            mixed += bytes != a && bytes != b;
        }
        for (pid_t& pid : savers) {
            int status = 0;
            if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_EQ(WEXITSTATUS(status), 0) << "saves failed";
                pid = -1;
                --running;
            }
        }
    }
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
    const std::string last = readBytes(dir / "ai.con");
    EXPECT_TRUE(last == a || last == b);
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
}
#endif

#ifndef _WIN32
TEST(Files, ACopyCutShortLeavesTheTargetAsItWas) {
    TempDir dir;
    const std::string big(3 << 20, 'x');
    writeBytes(dir / "SoldierSpawns.con", big);
    writeBytes(dir / "old/SoldierSpawns.con", "old copy");
    fs::create_directories(dir / "new");
    // A full disk (a file-size limit): the copy fails and says so; the target is as before.
    const auto child = runInChild(
        [&](std::string&) {
            const bool over = tess::copyFileReplacing(dir.text() + "SoldierSpawns.con",
                                                      dir.text() + "old/SoldierSpawns.con");
            const bool fresh = tess::copyFileReplacing(dir.text() + "SoldierSpawns.con",
                                                       dir.text() + "new/SoldierSpawns.con");
            return (over ? 1 : 0) + (fresh ? 2 : 0);
        },
        {.fileSize = 1 << 20});
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(child.exitCode, 0) << "a copy cut short was reported as done";
    EXPECT_EQ(readBytes(dir / "old/SoldierSpawns.con"), "old copy");
    EXPECT_FALSE(fs::exists(dir / "new/SoldierSpawns.con"));
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());

    EXPECT_TRUE(tess::copyFileReplacing(dir.text() + "SoldierSpawns.con",
                                        dir.text() + "old/SoldierSpawns.con"));
    EXPECT_TRUE(readBytes(dir / "old/SoldierSpawns.con") == big);
    // A read-only target is not replaced.
    fs::permissions(dir / "old/SoldierSpawns.con", fs::perms::owner_read);
    writeBytes(dir / "other.con", "other");
    EXPECT_FALSE(
        tess::copyFileReplacing(dir.text() + "other.con", dir.text() + "old/SoldierSpawns.con"));
    EXPECT_TRUE(readBytes(dir / "old/SoldierSpawns.con") == big);
}
#endif

#ifndef _WIN32
TEST(Files, WhatIsNotARegularFileIsRefusedAtOnce) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "terrain.con").c_str(), 0600), 0);
    const auto child = runInChild(
        [&](std::string& out) {
            out = errorMessage([&] { tess::loadLines(dir.text() + "TERRAIN.CON"); });
            return tess::copyFileReplacing(dir.text() + "terrain.con", dir.text() + "copy.con");
        },
        {.seconds = 20});
    ASSERT_TRUE(child.finished) << "waited for the pipe";
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.output, "Datei " + dir.text() + "TERRAIN.CON kann nicht geöffnet werden. " +
                                tess::notARegularFileReason());
    EXPECT_FALSE(fs::exists(dir / "copy.con"));
}

// Only a regular file is replaced: a write or a copy onto anything else at the target's name
// is refused, and what is there stays what it was.
TEST(Files, OnlyARegularFileIsReplaced) {
    TempDir dir;
    writeBytes(dir / "from.con", "new");
    const std::string notAFile = "Sie ist keine gewöhnliche Datei (sondern ein Gerät, eine Pipe "
                                 "oder ein Socket). Ersetzt wird nur eine gewöhnliche Datei.";
    const struct {
        const char* name;
        mode_t kind;
        bool needsRoot;
        std::string reason;
    } targets[] = {
        {"fifo", S_IFIFO, false, notAFile},
        {"null", S_IFCHR, true, notAFile}, // a device like the system's /dev/null
        {"folder", S_IFDIR, false, "Zugriff verweigert."},
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(target.name);
        if (target.needsRoot && ::geteuid() != 0)
            continue;
        const fs::path path = dir / target.name;
        ASSERT_EQ(target.kind == S_IFDIR ? ::mkdir(path.c_str(), 0700)
                                         : ::mknod(path.c_str(), target.kind | 0600, makedev(1, 3)),
                  0);
        const std::string refused =
            "Datei \"" + path.string() + "\" kann nicht erstellt werden. " + target.reason;
        EXPECT_EQ(errorMessage([&] { tess::writeFileAtomically(path.string(), "x"); }), refused);
        EXPECT_EQ(errorMessage([&] { tess::copyFileAtomically(dir / "from.con", path); }), refused);
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, target.kind);
    }
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
}
#endif
