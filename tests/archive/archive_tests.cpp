// The archive tools against genuine archives of the game, our own archives in both modes,
// and broken or hostile archives kept as fixtures.
#include "archive/archive.h"
#include "archive/compressor.h"
#include "archive/format.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tess::archive;

using tess::test::errorMessage;
using tess::test::filesUnder;
using tess::test::le32;
using tess::test::RawEntry;
using tess::test::readBytes;
#ifndef _WIN32
using tess::test::runInChild;
#endif
using tess::test::storeArchive;
using tess::test::TempDir;
using tess::test::temporaryFilesUnder;
using tess::test::writeBytes;

namespace {

fs::path genuine(const std::string& name) {
    return fs::path(TESS_TESTDATA_DIR) / "archives" / name;
}

fs::path fixture(const std::string& name) {
    return fs::path(TESS_SOURCE_DIR) / "tests" / "archive" / "fixtures" / name;
}

std::string entryBytes(const fs::path& archive, const Entry& entry) {
    return readBytes(archive).substr(entry.dataOffset, entry.storedSize);
}

std::string text(const fs::path& path) {
    return tess::pathText(path);
}

Progress collectInto(std::vector<std::string>& lines) {
    return [&lines](const std::string& line) { lines.push_back(line); };
}

fs::perms permissionsOf(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::all;
}

} // namespace

TEST(ArchiveGenuine, LevelArchivesRepackToTheSameBytes) {
    const std::pair<const char*, const char*> levels[] = {
        {"kursk.rfa", "bf1942/Levels/Kursk"}, {"coral_sea.rfa", "bf1942/Levels/Coral_sea"}};
    for (const auto& [file, packDir] : levels) {
        SCOPED_TRACE(file);
        TempDir dir;
        unpackArchive(genuine(file), dir.path());
        packFolder(dir / packDir, packDir, dir / "repacked.rfa", false);
        EXPECT_EQ(readBytes(dir / "repacked.rfa"), readBytes(genuine(file)));
    }
}

TEST(ArchiveGenuine, KurskListsAndUnpacksItsEntries) {
    const auto entries = listArchive(genuine("kursk.rfa"));
    ASSERT_EQ(entries.size(), 21u);
    EXPECT_EQ(entries[0].name, "bf1942/Levels/Kursk/Init.con");
    EXPECT_EQ(entries[3].name, "bf1942/Levels/Kursk/Conquest/SoldierSpawns.con");
    EXPECT_EQ(formatListingLine(entries[0]), "      2358       2358 bf1942/Levels/Kursk/Init.con");

    TempDir dir;
    std::vector<std::string> lines;
    unpackArchive(genuine("kursk.rfa"), dir.path(),
                  [&](const std::string& line) { lines.push_back(line); });
    const auto files = filesUnder(dir.path());
    EXPECT_EQ(files.size(), 21u);
    EXPECT_EQ(files.at("bf1942/Levels/Kursk/Init.con").size(), 2358u);
    EXPECT_EQ(files.at("bf1942/Levels/Kursk/Init.con").substr(0, 5), "rem\r\n");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "-- RFA Unpack 1.7 --");
}

TEST(ArchiveGenuine, EveryGameEntryDecompressesToItsSize) {
    ArchiveReader reader(genuine("game.rfa"));
    EXPECT_EQ(reader.version(), 1u);
    ASSERT_EQ(reader.entries().size(), 70u);
    for (const Entry& entry : reader.entries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_NE(entry.storedSize, entry.size);
        std::string content;
        reader.readEntry(entry, [&](const unsigned char* data, std::size_t size) {
            content.append(reinterpret_cast<const char*>(data), size);
        });
        EXPECT_EQ(content.size(), entry.size);
    }

    TempDir dir;
    unpackArchive(genuine("game.rfa"), dir.path());
    const auto files = filesUnder(dir.path());
    EXPECT_EQ(files.size(), 70u);
    EXPECT_EQ(files.at("Bf1942/Game/AI/conditions.con").substr(0, 4), "rem ");
    EXPECT_EQ(files.at("Bf1942/Game/AIbehaviours.con").size(), 50640u);
}

TEST(ArchiveGenuine, CompressedEntryMatchesTheGamesPacker) {
    // The game's packer compresses with LZO1X-999; so do we, to the same bytes.
    TempDir dir;
    unpackArchive(genuine("game.rfa"), dir.path());
    const fs::path folder = dir / "Bf1942/Game/AI";
    fs::remove(folder / "prerequisites.con");
    fs::remove(folder / "radio.con");
    fs::remove(folder / "Strategies.con");
    packFolder(folder, "Bf1942/Game/AI", dir / "ai.rfa", true);

    const auto ours = listArchive(dir / "ai.rfa");
    ASSERT_EQ(ours.size(), 1u);
    const Entry theirs = listArchive(genuine("game.rfa"))[0];
    ASSERT_EQ(theirs.name, "Bf1942/Game/AI/conditions.con");
    EXPECT_EQ(ours[0].storedSize, 366u);
    EXPECT_EQ(ours[0].size, 1012u);
    EXPECT_EQ(entryBytes(dir / "ai.rfa", ours[0]), entryBytes(genuine("game.rfa"), theirs));
}

TEST(ArchiveGenuine, BocageReadsThroughEachDataOffset) {
    // Updated in place by some tool: data out of directory order, a stale copy at 156.
    const auto entries = listArchive(genuine("bocage.rfa"));
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].name, "bf1942/Levels/Bocage/Init.con");
    EXPECT_EQ(entries[0].dataOffset, 12685u);

    TempDir dir;
    unpackArchive(genuine("bocage.rfa"), dir.path());
    const auto files = filesUnder(dir.path());
    ASSERT_EQ(files.size(), 8u);
    for (const Entry& entry : entries)
        EXPECT_EQ(files.at(entry.name).size(), entry.size) << entry.name;
    const std::string& init = files.at("bf1942/Levels/Bocage/Init.con");
    EXPECT_EQ(init.substr(1260, 48), "game.setKit 2 0 0US_Officer\r\ngame.setKit 2 1 1US");
    EXPECT_EQ(init.substr(init.size() - 31), "game.setLevelCheck 1823149673\r\n");
    EXPECT_EQ(files.at("bf1942/Levels/Bocage/GameTypes/Conquest.con").substr(0, 32),
              "Game.setNumberOfTickets 1 100\r\nG");
}

TEST(ArchivePack, StoreArchiveHasTheGamePackersLayout) {
    TempDir dir;
    writeBytes(dir / "lvl/b.con", "xy");
    writeBytes(dir / "lvl/A.con", "");
    writeBytes(dir / "lvl/_x.con", "q");
    writeBytes(dir / "lvl/Sub/c.con", "z");
    writeBytes(dir / "lvl/a sub/d.con", "w");
    std::vector<std::string> lines;
    packFolder(dir / "lvl", "bf1942/levels/Lvl", dir / "out.rfa", false,
               [&](const std::string& line) { lines.push_back(line); });

    const std::string opaque = readBytes(genuine("kursk.rfa")).substr(8, 148);
    const auto entry = [](const std::string& name, std::uint32_t size, std::uint32_t offset) {
        return le32(static_cast<std::uint32_t>(name.size())) + name + le32(size) + le32(size) +
               le32(offset) + le32(1253856) + le32(0) + le32(0);
    };
    // Files of a folder first, by upper-case name ("_" after letters), then its folders.
    const std::string expected =
        le32(161) + le32(0) + opaque + "xyqwz" + le32(5) +
        entry("bf1942/levels/Lvl/A.con", 0, 156) + entry("bf1942/levels/Lvl/b.con", 2, 156) +
        entry("bf1942/levels/Lvl/_x.con", 1, 158) + entry("bf1942/levels/Lvl/a sub/d.con", 1, 159) +
        entry("bf1942/levels/Lvl/Sub/c.con", 1, 160) + le32(0);
    EXPECT_EQ(readBytes(dir / "out.rfa"), expected);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "-- RFA Pack 1.7 --");
}

TEST(ArchivePack, CompressedEntriesUseChunksOf32768Bytes) {
    TempDir dir;
    writeBytes(dir / "lvl/empty.con", "");
    writeBytes(dir / "lvl/long.con", std::string(32769, 'a'));
    packFolder(dir / "lvl", "lvl", dir / "out.rfa", true);
    const std::string bytes = readBytes(dir / "out.rfa");
    EXPECT_EQ(bytes.substr(4, 4), le32(1));

    const auto entries = listArchive(dir / "out.rfa");
    ASSERT_EQ(entries.size(), 2u);
    // An empty file: one chunk {4, 0, 0} with the stream 11 11 00 00, as the game writes it.
    EXPECT_EQ(entries[0].storedSize, 20u);
    EXPECT_EQ(entryBytes(dir / "out.rfa", entries[0]),
              le32(1) + le32(4) + le32(0) + le32(0) + std::string("\x11\x11\x00\x00", 4));
    const std::string table = entryBytes(dir / "out.rfa", entries[1]).substr(0, 28);
    EXPECT_EQ(table.substr(0, 4), le32(2));
    EXPECT_EQ(table.substr(8, 4), le32(32768));
    EXPECT_EQ(table.substr(12, 4), le32(0));
    EXPECT_EQ(table.substr(20, 4), le32(1));
    EXPECT_EQ(table.substr(24, 4), table.substr(4, 4)); // second stream right after the first
}

TEST(ArchivePack, RoundTripsInBothModes) {
    TempDir dir;
    std::mt19937 random(42);
    std::string noise(100000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string text;
    while (text.size() < 70000)
        text += "Object.absolutePosition 1023.5/77.25/" + std::to_string(text.size()) + "\r\n";
    const std::map<std::string, std::string> files = {
        {"Init.con", "rem\r\n"},
        {"empty.con", ""},
        {"Conquest/exact.raw", std::string(32768, '\x42')},
        {"Conquest/one more.raw", noise.substr(0, 32769)},
        {"Kübelwagen Spawns.con", text},
        {"Ordner mit Leerzeichen/Größe.dat", noise},
        {"Ordner mit Leerzeichen/leer/nichts.con", ""},
    };
    for (const auto& [name, content] : files)
        writeBytes(dir / ("src/" + name), content);

    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "stored");
        const fs::path archive = dir / (compress ? "c.rfa" : "s.rfa");
        packFolder(dir / "src", "bf1942/levels/Test", archive, PackOptions{compress, 1});
        if (compress) {
            packFolder(dir / "src", "bf1942/levels/Test", dir / "c2.rfa", PackOptions{true, 2});
            packFolder(dir / "src", "bf1942/levels/Test", dir / "c3.rfa", PackOptions{true, 3});
            EXPECT_EQ(readBytes(dir / "c2.rfa"), readBytes(archive));
            EXPECT_EQ(readBytes(dir / "c3.rfa"), readBytes(archive));
        }
        const auto entries = listArchive(archive);
        ASSERT_EQ(entries.size(), files.size());
        // Names are stored in the game's code page.
        EXPECT_EQ(entries[2].name, "bf1942/levels/Test/K\xfc"
                                   "belwagen Spawns.con");
        const fs::path out = dir / (compress ? "out-c" : "out-s");
        fs::create_directories(out);
        unpackArchive(archive, out);
        std::map<std::string, std::string> expected;
        for (const auto& [name, content] : files)
            expected["bf1942/levels/Test/" + name] = content;
        EXPECT_EQ(filesUnder(out), expected);
    }
}

TEST(ArchiveUnpack, ReusesExistingFoldersAndFilesInOtherLetterCase) {
    TempDir dir;
    writeBytes(dir / "BF1942/LEVELS/KURSK/init.con", "old");
    unpackArchive(genuine("kursk.rfa"), dir.path());
    if (tess::test::kCaseSensitiveNames) {
        EXPECT_FALSE(fs::exists(dir / "bf1942"));
    }
    EXPECT_EQ(fs::file_size(dir / "BF1942/LEVELS/KURSK/init.con"), 2358u);
    EXPECT_FALSE(fs::exists(dir / "BF1942/LEVELS/KURSK/Init.con") &&
                 !fs::equivalent(dir / "BF1942/LEVELS/KURSK/Init.con",
                                 dir / "BF1942/LEVELS/KURSK/init.con"));
    EXPECT_EQ(filesUnder(dir.path()).size(), 21u);

    // Folders whose names differ only in letter case within one archive meet in one folder,
    // as on Windows. (Such an archive is packed from a file system that tells letter case
    // apart.)
    if (!tess::test::kCaseSensitiveNames)
        return;
    TempDir other;
    writeBytes(other / "lvl/SUB/b.con", "b");
    writeBytes(other / "lvl/Sub/a.con", "a");
    packFolder(other / "lvl", "lvl", other / "case.rfa", false);
    ASSERT_EQ(listArchive(other / "case.rfa").size(), 2u);
    fs::create_directories(other / "out");
    unpackArchive(other / "case.rfa", other / "out");
    const std::map<std::string, std::string> expected = {{"lvl/SUB/a.con", "a"},
                                                         {"lvl/SUB/b.con", "b"}};
    EXPECT_EQ(filesUnder(other / "out"), expected);
}

TEST(ArchiveUnpack, RefusesNamesLeavingTheDestinationBeforeWritingAnything) {
    const std::pair<const char*, const char*> cases[] = {
        {"hostile_parent.rfa", "bf1942/levels/../../../evil.con"},
        {"hostile_absolute.rfa", "/tmp/evil.con"},
        {"hostile_drive.rfa", "C:\\evil.con"},
        {"hostile_backslash.rfa", "bf1942\\..\\..\\evil.con"},
        {"hostile_dots.rfa", "bf1942/. ./evil.con"},
    };
    for (const auto& [file, name] : cases) {
        SCOPED_TRACE(file);
        TempDir dir;
        fs::create_directories(dir / "a/b/dest");
        const std::string message =
            errorMessage([&] { unpackArchive(fixture(file), dir / "a/b/dest"); });
        EXPECT_NE(message.find("Eintrag \"" + std::string(name) + "\""), std::string::npos)
            << message;
        EXPECT_NE(message.find("es wurde nichts entpackt"), std::string::npos) << message;
        EXPECT_EQ(filesUnder(dir.path()).size(), 0u); // not even the harmless first entry
    }
    EXPECT_FALSE(fs::exists("/tmp/evil.con"));
}

TEST(ArchiveRead, BrokenArchivesGiveClearErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"truncated_header.rfa", "die Datei ist mit 6 Bytes zu kurz für den Archivkopf"},
        {"truncated_directory.rfa", "das Verzeichnis endet mitten in Eintrag 2"},
        {"toc_past_end.rfa",
         "das Verzeichnis (Offset 2147483632) liegt hinter dem Dateiende (229 Bytes)"},
        {"count_too_large.rfa",
         "das Verzeichnis nennt 4294967295 Einträge, dafür ist die Datei zu kurz"},
        {"name_past_end.rfa",
         "der Name von Eintrag 1 (200 Bytes) reicht über das Dateiende hinaus"},
        {"data_past_end.rfa", "die Daten von Eintrag \"bf1942/levels/Test/big.con\" (Offset 156, "
                              "4000 Bytes) reichen über das Dateiende (221 Bytes) hinaus"},
        {"file_and_folder.rfa", "\"bf1942/levels/Test/init.con\" ist zugleich Datei und Ordner"},
        {"chunk_table_overflow.rfa", "die Blocktabelle von Eintrag \"bf1942/levels/Test/init.con\" "
                                     "nennt 357913942 Blöcke, die nicht in seine 40 Bytes passen"},
        {"chunk_undecodable.rfa",
         "Block 1 von Eintrag \"bf1942/levels/Test/init.con\" lässt sich nicht entpacken"},
        {"chunk_without_stream.rfa",
         "Block 1 von Eintrag \"bf1942/levels/Test/init.con\" lässt sich nicht entpacken"},
        {"chunk_outside_entry.rfa",
         "Block 1 von Eintrag \"bf1942/levels/Test/init.con\" liegt außerhalb des Eintrags"},
        {"chunk_past_entry.rfa",
         "Block 1 von Eintrag \"bf1942/levels/Test/init.con\" liegt außerhalb des Eintrags"},
        {"chunks_too_short.rfa",
         "die Blöcke von Eintrag \"bf1942/levels/Test/init.con\" ergeben 5 statt 10 Bytes"},
        {"chunk_too_large.rfa",
         "Block 1 von Eintrag \"bf1942/levels/Test/init.con\" ist unmöglich groß"},
    };
    for (const auto& [file, what] : cases) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string message = errorMessage([&] { unpackArchive(fixture(file), dir.path()); });
        const std::string expected =
            "Archiv \"" + tess::pathText(fixture(file)) + "\" ist beschädigt: " + what;
        EXPECT_EQ(message.substr(0, expected.size()), expected);
        // No half-written file of the entry that failed.
        EXPECT_FALSE(fs::exists(dir / "bf1942/levels/Test/init.con"));
    }
}

TEST(ArchivePack, FailedPackLeavesTheOldArchiveAndNoTemporaryFile) {
    TempDir dir;
    writeBytes(dir / "lvl/a.con", "a");
    writeBytes(dir / "lvl/b.con", "b");
    writeBytes(dir / "out.rfa", "old archive");
    for (const bool compress : {false, true}) {
        int calls = 0;
        const std::string message = errorMessage([&] {
            packFolder(dir / "lvl", "lvl", dir / "out.rfa", compress, [&](const std::string&) {
                if (++calls == 4)
                    throw tess::Error("abgebrochen");
            });
        });
        EXPECT_EQ(message, "abgebrochen");
    }
    writeBytes(dir / "lvl/日本.con", "x"); // not in the game's code page
    const std::string message =
        errorMessage([&] { packFolder(dir / "lvl", "lvl", dir / "out.rfa", false); });
    EXPECT_NE(message.find("lässt sich im Archiv nicht speichern"), std::string::npos) << message;

    EXPECT_EQ(readBytes(dir / "out.rfa"), "old archive");
    std::size_t items = 0;
    for (const auto& item : fs::directory_iterator(dir.path()))
        items += item.path().filename() != "lvl";
    EXPECT_EQ(items, 1u);

    EXPECT_NE(errorMessage([&] { packFolder(dir / "missing", "x", dir / "new.rfa", false); }),
              "(no error)");
    EXPECT_NE(errorMessage([&] { unpackArchive(genuine("kursk.rfa"), dir / "missing"); }),
              "(no error)");
    EXPECT_FALSE(fs::exists(dir / "new.rfa"));
}

TEST(ArchiveRead, VersionDecidesAnEntryAsLongAsItsContent) {
    // Stored size 27 = size 27, but the archive is a compressed one and the entry holds a
    // chunk table that fills it exactly.
    TempDir dir;
    unpackArchive(fixture("ambiguous_compressed.rfa"), dir.path());
    EXPECT_EQ(readBytes(dir / "bf1942/levels/Test/init.con"), "abcdabcdabcdabcdabcdabcdabc");

    // The same bytes in a store archive are the file itself.
    std::string bytes = readBytes(fixture("ambiguous_compressed.rfa"));
    bytes[4] = 0;
    writeBytes(dir / "store.rfa", bytes);
    fs::create_directories(dir / "store");
    unpackArchive(dir / "store.rfa", dir / "store");
    EXPECT_EQ(readBytes(dir / "store/bf1942/levels/Test/init.con"), bytes.substr(156, 27));
}

TEST(ArchivePack, CompressedEntryIsNeverAsLongAsItsContent) {
    // Random bytes followed by a run of zeros: for some run length the chunk table and the
    // stream come to exactly the file's size. The writer adds a byte so that no reader takes
    // the entry for a stored one.
    TempDir dir;
    std::mt19937 random(7);
    std::string prefix(64, '\0');
    for (char& c : prefix)
        c = static_cast<char>(random());
    for (int zeros = 0; zeros < 64; ++zeros)
        writeBytes(dir / ("src/f" + std::to_string(100 + zeros)),
                   prefix + std::string(zeros, '\0'));
    packFolder(dir / "src", "x", dir / "c.rfa", true);
    int padded = 0;
    for (const Entry& entry : listArchive(dir / "c.rfa")) {
        EXPECT_NE(entry.storedSize, entry.size) << entry.name;
        const std::string table = entryBytes(dir / "c.rfa", entry).substr(0, 16);
        ASSERT_EQ(table.substr(0, 4), le32(1));
        if (16u + static_cast<unsigned char>(table[4]) == entry.size) {
            EXPECT_EQ(entry.storedSize, entry.size + 1);
            ++padded;
        }
    }
    EXPECT_GE(padded, 1);
    fs::create_directories(dir / "out");
    unpackArchive(dir / "c.rfa", dir / "out");
    EXPECT_EQ(filesUnder(dir / "out/x"), filesUnder(dir / "src"));
}

// ---- Nothing written where it must not be, nothing lost when a step fails ---------------

TEST(ArchiveUnpack, OnlyLevelEntriesReachTheProgramsOwnFolder) {
    TempDir dir;
    const fs::path program = dir / "program";
    writeBytes(program / "tessarine", "the program");
    fs::permissions(program / "tessarine", fs::perms::owner_exec, fs::perm_options::add);
    writeBytes(program / "temp/con files/conditions.con", "template");
    writeBytes(program / "memory.bf", "D:\\Spiele\\BF1942\\");
    writeBytes(program / "unpack.bat", "rfaunpack.exe Oase.rfa \r\n");
    const auto before = filesUnder(program);
    writeBytes(dir / "Oase.rfa", storeArchive({{"tessarine", "#!/bin/sh\nrm -rf ~\n"},
                                               {"TEMP/Con Files/conditions.con", "evil"},
                                               {"memory.bf", "evil"},
                                               {"bf1942/LEVELS/Oase/init.con", "rem init"},
                                               {"unpack.bat", "evil"},
                                               {"Bf1942\\levels\\Oase\\Init\\Terrain.con", "t"},
                                               {"bf1942/levelsX/a.con", "evil"}}));
    std::vector<std::string> lines;
    unpackArchive(dir / "Oase.rfa", program, collectInto(lines), UnpackOptions{.onlyLevels = true});

    auto expected = before;
    expected["bf1942/LEVELS/Oase/init.con"] = "rem init";
    expected["bf1942/LEVELS/Oase/Init/Terrain.con"] = "t";
    EXPECT_EQ(filesUnder(program), expected);
    const std::vector<std::string> expectedLines = {
        "-- RFA Unpack 1.7 --",
        "  Übersprungen, liegt nicht unter bf1942/levels/: tessarine",
        "  Übersprungen, liegt nicht unter bf1942/levels/: TEMP/Con Files/conditions.con",
        "  Übersprungen, liegt nicht unter bf1942/levels/: memory.bf",
        "  Übersprungen, liegt nicht unter bf1942/levels/: unpack.bat",
        "  Übersprungen, liegt nicht unter bf1942/levels/: bf1942/levelsX/a.con",
        "Unpacking " + text(dir / "Oase.rfa") + " (2 files)",
        "  bf1942/LEVELS/Oase/init.con",
        "  Bf1942\\levels\\Oase\\Init\\Terrain.con",
        "Done: 2 files unpacked, 5 skipped.",
    };
    EXPECT_EQ(lines, expectedLines);

    // Elsewhere every entry is unpacked.
    fs::create_directories(dir / "elsewhere");
    unpackArchive(dir / "Oase.rfa", dir / "elsewhere");
    EXPECT_EQ(filesUnder(dir / "elsewhere").size(), 7u);
}

#ifndef _WIN32
TEST(ArchiveUnpack, NeverWritesThroughALink) {
    TempDir dir;
    const fs::path dest = dir / "dest";
    fs::create_directories(dest);
    writeBytes(dir / "outside/victim.txt", "victim");

    // A link to a folder outside, met in another letter case on the way to a file: the whole
    // archive is refused before anything is written.
    fs::create_directory_symlink("../outside", dest / "LINK");
    writeBytes(dir / "a.rfa", storeArchive({{"ok.txt", "ok"}, {"link/x.txt", "evil"}}));
    EXPECT_EQ(errorMessage([&] { unpackArchive(dir / "a.rfa", dest); }),
              "Archiv \"" + text(dir / "a.rfa") +
                  "\": Eintrag \"link/x.txt\" führt durch die Verknüpfung \"" +
                  text(dest / "LINK") +
                  "\", durch die nicht geschrieben wird; es wurde nichts "
                  "entpackt");
    EXPECT_FALSE(fs::exists(dir / "outside/x.txt"));
    EXPECT_FALSE(fs::exists(dest / "ok.txt"));

    // A link at the file's own name is replaced by the file; what it points to stays.
    fs::create_symlink("../outside/victim.txt", dest / "A.txt");
    writeBytes(dir / "b.rfa", storeArchive({{"a.txt", "new"}}));
    unpackArchive(dir / "b.rfa", dest);
    EXPECT_EQ(readBytes(dir / "outside/victim.txt"), "victim");
    EXPECT_FALSE(fs::is_symlink(dest / "A.txt"));
    EXPECT_EQ(readBytes(dest / "A.txt"), "new");

    // A file where a folder belongs.
    writeBytes(dest / "plain", "x");
    writeBytes(dir / "c.rfa", storeArchive({{"plain/y.txt", "y"}}));
    EXPECT_EQ(errorMessage([&] { unpackArchive(dir / "c.rfa", dest); }),
              "Archiv \"" + text(dir / "c.rfa") + "\": Eintrag \"plain/y.txt\" braucht \"" +
                  text(dest / "plain") +
                  "\" als Ordner, dort liegt aber eine Datei; es wurde nichts entpackt");

    // A hard link to the archive under an entry's name: the archive is never replaced,
    // whatever its name.
    writeBytes(dir / "d.rfa", storeArchive({{"ok.txt", "ok"}, {"Level/Copy.RFA", "gone"}}));
    fs::create_directories(dest / "level");
    fs::create_hard_link(dir / "d.rfa", dest / "level/copy.rfa");
    const std::string archiveBytes = readBytes(dir / "d.rfa");
    EXPECT_EQ(errorMessage([&] { unpackArchive(dir / "d.rfa", dest); }),
              "Archiv \"" + text(dir / "d.rfa") +
                  "\": Eintrag \"Level/Copy.RFA\" würde das Archiv selbst überschreiben (\"" +
                  text(dest / "level/copy.rfa") + "\"); es wurde nichts entpackt");
    EXPECT_EQ(readBytes(dir / "d.rfa"), archiveBytes);
    EXPECT_FALSE(fs::exists(dest / "ok.txt"));

    // A read-only file is not replaced, as on Windows (whoever runs the program).
    writeBytes(dest / "ro.txt", "read-only");
    fs::permissions(dest / "ro.txt", fs::perms::owner_read);
    writeBytes(dir / "e.rfa", storeArchive({{"ok.txt", "ok"}, {"RO.txt", "new"}}));
    EXPECT_EQ(errorMessage([&] { unpackArchive(dir / "e.rfa", dest); }),
              "Archiv \"" + text(dir / "e.rfa") + "\": Eintrag \"RO.txt\" würde die " +
                  "schreibgeschützte Datei \"" + text(dest / "ro.txt") +
                  "\" ersetzen; es wurde nichts entpackt");
    EXPECT_EQ(readBytes(dest / "ro.txt"), "read-only");
    EXPECT_FALSE(fs::exists(dest / "ok.txt"));

    // A pipe where a file belongs is never written to.
    ASSERT_EQ(::mkfifo((dest / "pipe.txt").c_str(), 0600), 0);
    writeBytes(dir / "f.rfa", storeArchive({{"ok.txt", "ok"}, {"pipe.txt", "new"}}));
    EXPECT_EQ(errorMessage([&] { unpackArchive(dir / "f.rfa", dest); }),
              "Archiv \"" + text(dir / "f.rfa") +
                  "\": Eintrag \"pipe.txt\" kann nicht entpackt werden, \"" +
                  text(dest / "pipe.txt") +
                  "\" ist keine gewöhnliche Datei (sondern ein Gerät, eine Pipe oder ein "
                  "Socket); es wurde nichts entpackt");
    EXPECT_FALSE(fs::exists(dest / "ok.txt"));
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
}
#endif

#ifndef _WIN32
TEST(ArchiveUnpack, AFailedEntryLeavesTheFileItWasToReplace) {
    TempDir dir;
    const fs::path dest = dir / "dest";
    // An entry whose data turns out damaged.
    writeBytes(dest / "bf1942/levels/Test/init.con", "old init");
    EXPECT_NE(errorMessage([&] {
                  unpackArchive(fixture("chunk_undecodable.rfa"), dest);
              }).find("lässt sich nicht entpacken"),
              std::string::npos);
    EXPECT_EQ(readBytes(dest / "bf1942/levels/Test/init.con"), "old init");

    // A full disk (a file-size limit): the entries before the failing one are unpacked, the
    // failing one leaves its old file whole.
    std::mt19937 random(3);
    std::string level(3 << 20, '\0');
    for (char& c : level)
        c = static_cast<char>(random());
    writeBytes(dir / "src/a.con", "a");
    writeBytes(dir / "src/level.dat", level);
    packFolder(dir / "src", "bf1942/levels/Big", dir / "big.rfa", false);
    writeBytes(dest / "bf1942/levels/Big/level.dat", "old level");
    const auto child = runInChild(
        [&](std::string& out) {
            out = errorMessage([&] { unpackArchive(dir / "big.rfa", dest); });
            return 0;
        },
        {.fileSize = 1 << 20});
    ASSERT_TRUE(child.finished) << child.output;
    EXPECT_EQ(child.output.rfind("Datei \"" + text(dest / "bf1942/levels/Big/level.dat") +
                                     "\" kann nicht erstellt werden. " + tess::systemReason(EFBIG),
                                 0),
              0u)
        << child.output;
    EXPECT_EQ(readBytes(dest / "bf1942/levels/Big/level.dat"), "old level");
    EXPECT_EQ(readBytes(dest / "bf1942/levels/Big/a.con"), "a");
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
}
#endif

#ifndef _WIN32
TEST(ArchivePack, ALinkLoopStopsThePackWithNothingWritten) {
    TempDir dir;
    const fs::path level = dir / "lvl";
    writeBytes(level / "init.con", "x");
    fs::create_directory_symlink(".", level / "a");
    fs::create_directory_symlink(".", level / "b");
    for (int links = 2; links >= 1; --links) {
        SCOPED_TRACE(links);
        if (links == 1)
            fs::remove(level / "b");
        const auto child = runInChild(
            [&](std::string& out) {
                out = errorMessage(
                    [&] { packFolder(level, "bf1942/levels/L", dir / "l.rfa", false); });
                return 0;
            },
            {.seconds = 30});
        ASSERT_TRUE(child.finished) << "the pack did not end";
        EXPECT_EQ(child.output, "Der Ordner \"" + text(level / "a") + "\" ist derselbe wie \"" +
                                    text(level) +
                                    "\", in dem er liegt: eine Schleife aus Verknüpfungen; es "
                                    "wurde nichts geschrieben");
        EXPECT_FALSE(fs::exists(dir / "l.rfa"));
        EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
    }
    // A link to a folder elsewhere is no loop: its files are packed once.
    fs::remove(level / "a");
    writeBytes(dir / "shared/common.con", "c");
    fs::create_directory_symlink("../shared", level / "shared");
    packFolder(level, "lvl", dir / "l.rfa", false);
    ASSERT_EQ(listArchive(dir / "l.rfa").size(), 2u);
    EXPECT_EQ(listArchive(dir / "l.rfa")[1].name, "lvl/shared/common.con");
}
#endif

TEST(ArchiveUnpack, ManyEntriesInOneFolderMeetTheirFilesInAnyLetterCase) {
    if (tess::test::runsUnderWine())
        GTEST_SKIP() << "Wine looks each name up in the whole folder: 80,000 take hours";
    // 80,000 entries in one folder, every fourth of them already there in upper case.
    constexpr int kEntries = 80000;
    TempDir dir;
    const fs::path folder = dir / "dest/bf1942/levels/Big";
    fs::create_directories(folder);
    std::vector<RawEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
        entries.push_back({"bf1942/levels/Big/f" + std::to_string(i) + ".con", std::to_string(i)});
        if (i % 4 == 0)
            writeBytes(folder / ("F" + std::to_string(i) + ".CON"), "old");
    }
    writeBytes(dir / "many.rfa", storeArchive(entries));
    unpackArchive(dir / "many.rfa", dir / "dest");
    std::size_t files = 0;
    for (const auto& item : fs::directory_iterator(folder)) {
        (void)item;
        ++files;
    }
    EXPECT_EQ(files, static_cast<std::size_t>(kEntries));
    EXPECT_EQ(readBytes(folder / "F0.CON"), "0");
    EXPECT_EQ(readBytes(folder / "f1.con"), "1");
    EXPECT_EQ(readBytes(folder / "F79996.CON"), "79996");
    EXPECT_EQ(readBytes(folder / "f79999.con"), "79999");
}

TEST(ArchivePack, AReadOnlyArchiveIsNotReplacedAndAWritableOneKeepsItsPermissions) {
    TempDir dir;
    writeBytes(dir / "lvl/a.con", "a");
    writeBytes(dir / "ro.rfa", "old archive");
    fs::permissions(dir / "ro.rfa", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(errorMessage([&] { packFolder(dir / "lvl", "lvl", dir / "ro.rfa", false); }),
              "Datei \"" + text(dir / "ro.rfa") + "\" kann nicht erstellt werden. " +
                  tess::systemReason(EACCES));
    EXPECT_EQ(readBytes(dir / "ro.rfa"), "old archive");
#ifdef _WIN32
    // Windows keeps the read-only attribute, no permission bits.
    EXPECT_EQ(permissionsOf(dir / "ro.rfa") & fs::perms::owner_write, fs::perms::none);
#else
    EXPECT_EQ(permissionsOf(dir / "ro.rfa"), fs::perms::owner_read | fs::perms::group_read);
#endif

    writeBytes(dir / "rw.rfa", "old archive");
    fs::permissions(dir / "rw.rfa", fs::perms::owner_read | fs::perms::owner_write);
    packFolder(dir / "lvl", "lvl", dir / "rw.rfa", true);
    EXPECT_EQ(listArchive(dir / "rw.rfa").size(), 1u);
#ifdef _WIN32
    EXPECT_NE(permissionsOf(dir / "rw.rfa") & fs::perms::owner_write, fs::perms::none);
#else
    EXPECT_EQ(permissionsOf(dir / "rw.rfa"), fs::perms::owner_read | fs::perms::owner_write);
#endif
    EXPECT_TRUE(temporaryFilesUnder(dir.path()).empty());
}

#ifndef _WIN32
TEST(ArchiveUnpack, AnArchiveDeclaringMoreThanTheDiskHoldsIsRefusedBeforeWriting) {
    // Every entry shares one chunk table whose 4095 rows all point at the same LZO stream of
    // 1 MiB of zeros: 4096 entries of 4095 MiB each, about 16 TiB, in an archive of 200 KB.
    ChunkJob job;
    job.count = 1;
    job.inputSize = format::kMaxChunkSize;
    job.input.assign(job.inputSize, 0);
    std::vector<unsigned char> workMemory;
    compressChunk(job, workMemory);
    constexpr std::uint32_t kRows = 4095;
    std::string data = le32(kRows);
    for (std::uint32_t row = 0; row < kRows; ++row)
        data += le32(static_cast<std::uint32_t>(job.outputSize)) + le32(format::kMaxChunkSize) +
                le32(0);
    data.append(reinterpret_cast<const char*>(job.output.data()), job.outputSize);
    std::string bytes(156, '\0');
    bytes[4] = 1; // compressed
    bytes += data;
    std::string directory = le32(4096);
    for (int i = 0; i < 4096; ++i) {
        const std::string name = "bf1942/levels/Big/f" + std::to_string(i) + ".raw";
        directory += le32(static_cast<std::uint32_t>(name.size())) + name +
                     le32(static_cast<std::uint32_t>(data.size())) +
                     le32(kRows * format::kMaxChunkSize) + le32(156) + le32(0) + le32(0) + le32(0);
    }
    const std::string toc = le32(static_cast<std::uint32_t>(bytes.size()));
    bytes.replace(0, 4, toc);
    bytes += directory + le32(0);
    TempDir dir;
    writeBytes(dir / "huge.rfa", bytes);
    fs::create_directories(dir / "dest");

    // In a child with a file-size limit, so that a tool without the check stops at 64 MiB.
    const auto child = runInChild(
        [&](std::string& out) {
            out = errorMessage([&] { unpackArchive(dir / "huge.rfa", dir / "dest"); });
            return 0;
        },
        {.fileSize = 64 << 20});
    ASSERT_TRUE(child.finished);
    const std::string start = "Archiv \"" + text(dir / "huge.rfa") +
                              "\" würde 17.587.891.077.120 Bytes entpacken, im Zielordner \"" +
                              text(dir / "dest") + "\" sind aber nur ";
    EXPECT_EQ(child.output.substr(0, start.size()), start) << child.output;
    EXPECT_TRUE(child.output.ends_with(" Bytes frei; es wurde nichts entpackt")) << child.output;
    EXPECT_TRUE(fs::is_empty(dir / "dest"));
}
#endif

TEST(ArchiveNames, OneRuleForPackingAndUnpacking) {
    TempDir dir;
    writeBytes(dir / "lvl/init.con", "x");
    // Paths in the archive that unpacking would refuse are not packed.
    for (const std::string packDir :
         {"../../evil", "C:/x", "a*b", "a\tb", "bf1942/levels/CON", "bf1942/levels/Oase./x"}) {
        SCOPED_TRACE(packDir);
        const std::string message =
            errorMessage([&] { packFolder(dir / "lvl", packDir, dir / "out.rfa", false); });
        EXPECT_EQ(message.rfind(
                      "Der Archivpfad \"" + tess::shownText(packDir) + "\" ist unzulässig (", 0),
                  0u)
            << message;
        EXPECT_TRUE(message.ends_with("); es wurde nichts geschrieben")) << message;
    }
    // Nor are files Windows cannot hold (made where a file system holds them).
    for (const std::string name : {"CON", "nul.txt", "Com1.con", "LPT9", "dot.", "blank "}) {
        if (!tess::test::kCaseSensitiveNames)
            break;
        SCOPED_TRACE(name);
        TempDir one;
        writeBytes(one / ("lvl/" + name), "x");
        const std::string message =
            errorMessage([&] { packFolder(one / "lvl", "lvl", one / "out.rfa", false); });
        EXPECT_EQ(message.rfind("Die Datei \"" + text(one / ("lvl/" + name)) +
                                    "\" kann als \"lvl/" + name + "\" nicht ins Archiv (",
                                0),
                  0u)
            << message;
        EXPECT_FALSE(fs::exists(one / "out.rfa"));
    }
    // Nor two files that are one on Windows (where only a file system that tells letter case
    // apart holds them).
    if (tess::test::kCaseSensitiveNames) {
        writeBytes(dir / "lvl/Sub/X.con", "1");
        writeBytes(dir / "lvl/SUB/x.con", "2");
        const std::string clash =
            errorMessage([&] { packFolder(dir / "lvl", "lvl", dir / "out.rfa", false); });
        EXPECT_TRUE(clash == "Die Dateien \"" + text(dir / "lvl/SUB/x.con") + "\" und \"" +
                                 text(dir / "lvl/Sub/X.con") +
                                 "\" wären unter Windows dieselbe Datei; es wurde nichts "
                                 "geschrieben")
            << clash;
        EXPECT_FALSE(fs::exists(dir / "out.rfa"));
    }

    // Archives holding them anyway (made by other tools) are refused whole.
    const std::pair<std::vector<RawEntry>, std::string> archives[] = {
        {{{"a/ok.con", "1"}, {"a/X.con", "2"}, {"A/x.con", "3"}},
         "enthält die Einträge \"a/X.con\" und \"A/x.con\", die unter Windows dieselbe Datei sind"},
        {{{"a/b.con", "1"}, {"a\\b.con", "2"}},
         "enthält die Einträge \"a/b.con\" und \"a\\b.con\", die unter Windows dieselbe Datei "
         "sind"},
        {{{"a/b.con", "1"}, {"a/b.con", "1"}},
         "enthält die Einträge \"a/b.con\" und \"a/b.con\", die unter Windows dieselbe Datei sind"},
        {{{"a/ok.con", "1"}, {"bf1942/levels/x/CON", "2"}},
         "enthält den unzulässigen Eintrag \"bf1942/levels/x/CON\" (Gerätename von Windows"},
        {{{"a/ok.con", "1"}, {"aux.con", "2"}},
         "enthält den unzulässigen Eintrag \"aux.con\" (Gerätename von Windows"},
        {{{"a/ok.con", "1"}, {"bf1942/levels/x./y.con", "2"}},
         "enthält den unzulässigen Eintrag \"bf1942/levels/x./y.con\" (ein Name endet mit Punkt "
         "oder Leerzeichen"},
        {{{"a/ok.con", "1"}, {"y.con ", "2"}},
         "enthält den unzulässigen Eintrag \"y.con \" (ein Name endet mit Punkt oder Leerzeichen"},
    };
    for (const auto& [entries, what] : archives) {
        SCOPED_TRACE(what);
        TempDir one;
        writeBytes(one / "x.rfa", storeArchive(entries));
        fs::create_directories(one / "dest");
        const std::string message =
            errorMessage([&] { unpackArchive(one / "x.rfa", one / "dest"); });
        EXPECT_EQ(message.rfind("Archiv \"" + text(one / "x.rfa") + "\" " + what, 0), 0u)
            << message;
        EXPECT_TRUE(message.ends_with("; es wurde nichts entpackt")) << message;
        EXPECT_TRUE(fs::is_empty(one / "dest"));
    }
}

TEST(ArchiveNames, ControlCharactersAreShownEscaped) {
    const Entry entry{"bf1942/levels/\x1b[31mRot\x1b[0m\x9d.con", 1, 1, 156};
    EXPECT_EQ(formatListingLine(entry),
              "         1          1 bf1942/levels/\\x1b[31mRot\\x1b[0m\\x9d.con");
    TempDir dir;
    writeBytes(dir / "x.rfa", storeArchive({{entry.name, "x"}}));
    const std::string message = errorMessage([&] { unpackArchive(dir / "x.rfa", dir.path()); });
    EXPECT_EQ(message, "Archiv \"" + text(dir / "x.rfa") +
                           "\" enthält den unzulässigen Eintrag "
                           "\"bf1942/levels/\\x1b[31mRot\\x1b[0m\\x9d.con\" (Steuerzeichen im "
                           "Namen); es wurde nichts entpackt");
}

#ifndef _WIN32
TEST(ArchiveUnpack, TheDestinationAndTheArchiveAreCheckedFirst) {
    TempDir dir;
    // A missing archive creates no destination.
    EXPECT_EQ(errorMessage([&] {
                  unpackArchive(dir / "missing.rfa", dir / "to", {},
                                UnpackOptions{.createDestination = true});
              }),
              "Datei " + text(dir / "missing.rfa") + " kann nicht geöffnet werden. " +
                  tess::systemReason(ENOENT));
    EXPECT_FALSE(fs::exists(dir / "to"));
    // A destination below a file.
    writeBytes(dir / "somefile", "x");
    EXPECT_EQ(errorMessage([&] {
                  unpackArchive(genuine("kursk.rfa"), dir / "somefile/sub", {},
                                UnpackOptions{.createDestination = true});
              }),
              "Zielordner \"" + text(dir / "somefile/sub") + "\" kann nicht angelegt werden. " +
                  tess::systemReason(ENOTDIR));
    unpackArchive(genuine("kursk.rfa"), dir / "to", {}, UnpackOptions{.createDestination = true});
    EXPECT_EQ(filesUnder(dir / "to").size(), 21u);

    // A pipe given as the archive is refused at once, instead of waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe.rfa").c_str(), 0600), 0);
    const auto child = runInChild(
        [&](std::string& out) {
            out = errorMessage([&] { unpackArchive(dir / "pipe.rfa", dir / "to"); });
            return 0;
        },
        {.seconds = 20});
    ASSERT_TRUE(child.finished) << "waited for the pipe";
    EXPECT_EQ(child.output, "Datei " + text(dir / "pipe.rfa") + " kann nicht geöffnet werden. " +
                                tess::notARegularFileReason());
}
#endif

TEST(ArchiveRead, HostileFixturesAreRefusedWholeAndASharedStreamReadsThrough) {
    const std::pair<const char*, const char*> cases[] = {
        {"hostile_device.rfa", "den unzulässigen Eintrag \"bf1942/levels/Test/CON\""},
        {"hostile_device_extension.rfa", "den unzulässigen Eintrag \"bf1942/levels/Test/nul.con\""},
        {"hostile_trailing_dot.rfa", "den unzulässigen Eintrag \"bf1942/levels/Test./x.con\""},
        {"hostile_trailing_blank.rfa", "den unzulässigen Eintrag \"bf1942/levels/Test/x.con \""},
        {"case_duplicate.rfa", "die Einträge \"bf1942/levels/Test/init.con\" und "
                               "\"BF1942\\levels\\test\\INIT.CON\""},
        {"exact_duplicate.rfa",
         "die Einträge \"bf1942/levels/Test/init.con\" und \"bf1942/levels/Test/init.con\""},
        {"escape_in_name.rfa",
         "den unzulässigen Eintrag \"bf1942/levels/Test/\\x1b[2J\\x1b]0;x\\x07.con\""},
    };
    for (const auto& [file, what] : cases) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string message = errorMessage([&] { unpackArchive(fixture(file), dir.path()); });
        EXPECT_EQ(message.rfind("Archiv \"" + text(fixture(file)) + "\" enthält " + what, 0), 0u)
            << message;
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
    // Entries may share their bytes; each reads through its own table.
    TempDir dir;
    unpackArchive(fixture("shared_stream.rfa"), dir.path());
    const auto files = filesUnder(dir.path());
    ASSERT_EQ(files.size(), 64u);
    std::string hello;
    for (int i = 0; i < 1000; ++i)
        hello += "hello";
    EXPECT_EQ(files.at("bf1942/levels/Test/f63.raw"), hello);
    // The program's own files are not in a level.
    TempDir program;
    unpackArchive(fixture("program_files.rfa"), program.path(), {},
                  UnpackOptions{.onlyLevels = true});
    EXPECT_EQ(filesUnder(program.path()).size(), 1u);
}
