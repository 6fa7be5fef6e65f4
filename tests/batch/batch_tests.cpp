#include "batch/batch_text.h"
#include "batch/interpreter.h"
#include "test_support.h"

#include "core/error.h"
#include "core/paths.h"
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using tess::batch::runBatchLines;
using tess::batch::splitArguments;

using tess::test::filesUnder;
using tess::test::readBytes;
using tess::test::storeArchive;
using tess::test::TempDir;
using tess::test::utf8Path;
using tess::test::writeBytes;

namespace {

// Enters a folder for the lifetime of the object.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

// Runs `driver run-batch batch [programFolder]` as a process of its own in folder, its
// standard output going to outputFile. Returns the exit code.
int runBatchProcess(const fs::path& folder, const std::string& batch, const fs::path& outputFile,
                    const std::string& programFolder = {}) {
    std::vector<std::string> arguments{"run-batch", batch};
    if (!programFolder.empty())
        arguments.push_back(programFolder);
    const auto run = tess::test::runProgram(TESS_BATCH_DRIVER, arguments, folder);
    tess::test::writeBytes(outputFile, run.out);
    return run.exitCode;
}

const std::string kToolMissing = "Das Archivwerkzeug ist nicht verfügbar";

} // namespace

TEST(BatchArguments, SplitLikeCmd) {
    auto texts = [](std::string_view line) {
        std::vector<std::string> result;
        for (const auto& a : splitArguments(line))
            result.push_back(a.text);
        return result;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(texts("copy \"C:\\Mein Ordner\\a b.rfa\" \"x\""),
              (V{"copy", "C:\\Mein Ordner\\a b.rfa", "x"}));
    // Doubled blanks and a trailing blank separate nothing more.
    EXPECT_EQ(texts("rfaPack.exe bf1942\\levels\\X_001  bf1942/levels/X \"X_001.rfa\" "),
              (V{"rfaPack.exe", "bf1942\\levels\\X_001", "bf1942/levels/X", "X_001.rfa"}));
    EXPECT_EQ(texts("\tdel\ta\"b c\"d"), (V{"del", "ab cd"}));
    EXPECT_EQ(texts("del \"offen bis zum Ende "), (V{"del", "offen bis zum Ende "}));

    const auto empty = splitArguments("del \"\" /Q");
    ASSERT_EQ(empty.size(), 3u);
    EXPECT_EQ(empty[1].text, "");
    EXPECT_TRUE(empty[1].quoted);
    EXPECT_FALSE(empty[2].quoted);
    EXPECT_TRUE(splitArguments("  \t ").empty());
}

// What the batch builders write is what the interpreter runs: names with blanks and umlauts
// reach the right files, and a name that would smuggle in a command never gets into a batch.
TEST(BatchText, CommandsTheBuildersWriteRunAsMeant) {
    TempDir temp;
    writeBytes(temp / "Meine Karte ü.rfa", "archive");
    CurrentFolder here(temp.path());
    std::ostringstream log;
    const int failed =
        runBatchLines({tess::batch::copyCommand("Meine Karte ü.rfa", "Kopie mit Blank.rfa"),
                       tess::batch::deleteCommand("Meine Karte ü.rfa")},
                      log, "");
    EXPECT_EQ(failed, 0) << log.str();
    EXPECT_EQ(readBytes(temp.path() / "Kopie mit Blank.rfa"), "archive");
    EXPECT_FALSE(fs::exists(temp / "Meine Karte ü.rfa"));

    EXPECT_EQ(tess::batch::batchArgument("Oasis.rfa"), "Oasis.rfa");
    EXPECT_EQ(tess::batch::batchArgument("El Alamein.rfa"), "\"El Alamein.rfa\"");
    EXPECT_EQ(tess::batch::batchArgument("a\tb"), "\"a\tb\"");
    EXPECT_EQ(splitArguments("rfaunpack.exe " + tess::batch::batchArgument("El Alamein.rfa") + " ")
                  .at(1)
                  .text,
              "El Alamein.rfa");

    for (const char* name : {"a&b", "a|b", "a<b", "a>b", "a^b", "a%b", "a\"b"})
        EXPECT_THROW(tess::batch::checkSafeForBatch(name), tess::Error) << name;
    EXPECT_NO_THROW(tess::batch::checkSafeForBatch("C:\\Spiele (x86)\\Müller's Karte.rfa"));
    // A line break would end the batch line and start a command of the name's own.
    EXPECT_EQ(tess::test::errorMessage([] { tess::batch::checkSafeForBatch("a\nb"); }),
              "Der Pfad \"a\nb\" enthält einen Zeilenumbruch, der in einer Batchdatei einen "
              "eigenen Befehl beginnen würde. Bitte benenne die Datei oder den Ordner um");
    EXPECT_THROW(tess::batch::checkSafeForBatch("a\rdel x"), tess::Error);
}

TEST(BatchProcess, CopiesAndDeletesRealFilesAndWritesTheLogBesideTheBatch) {
    TempDir temp;
    const fs::path f = temp.path() / "Arbeit";
    fs::create_directories(f / "Mein Ordner");
    fs::create_directories(f / "bf1942" / "levels" / "x");
    fs::create_directories(f / "bleibt");
    writeBytes(f / utf8Path("Mein Ordner/Quelle ü.txt"), "Inhalt\r\n");
    writeBytes(f / "ziel.txt", "alter, längerer Inhalt");
    writeBytes(f / "weg.txt", "x");
    writeBytes(f / "bleibt" / "datei", "y");

#ifdef _WIN32
    // The batch is in the console's code page (437 or 850): 0x81 is "ü", 0x9A is "Ü".
    const std::string ue = "\x81";
    const std::string bigUe = "\x9a";
#else
    // The batch is Windows-1252: 0xFC is "ü", 0xDC is "Ü".
    const std::string ue = "\xfc";
    const std::string bigUe = "\xdc";
#endif
    writeBytes(f / "Test.bat", "copy \"Mein Ordner\\Quelle " + ue +
                                   ".txt\" "
                                   "\"BF1942\\LEVELS\\X\\Kopie " +
                                   ue +
                                   ".txt\"\r\n"
                                   "copy \"mein ordner/QUELLE " +
                                   bigUe +
                                   ".TXT\" \"Ziel.txt\"\r\n"
                                   "\r\n"
                                   "del \"Weg.TXT\"\r\n"
                                   "del \"fehlt.txt\"\n"
                                   "format c:\r\n"
                                   "rm -rf bleibt\r\n"
                                   "copy \"fehlt.txt\" \"x.txt\"\r\n"
                                   "echo Fertig\r\n");

    // Some lines failed: the exit code says so, after every line has run.
    EXPECT_EQ(runBatchProcess(f, "test.BAT", temp.path() / "stdout.txt"), 1);

    EXPECT_EQ(readBytes(f / utf8Path("bf1942/levels/x/Kopie ü.txt")), "Inhalt\r\n");
    EXPECT_EQ(readBytes(f / "ziel.txt"), "Inhalt\r\n");
    EXPECT_FALSE(fs::exists(f / "weg.txt"));
    EXPECT_TRUE(fs::exists(f / "bleibt" / "datei"));
    EXPECT_TRUE(fs::exists(f / utf8Path("Mein Ordner/Quelle ü.txt")));
    EXPECT_FALSE(fs::exists(f / "x.txt"));

    const std::string p = "\n" + f.string() + ">";
    const std::string expected =
        p + "copy \"Mein Ordner\\Quelle ü.txt\" \"BF1942\\LEVELS\\X\\Kopie ü.txt\"\n" +
        "        1 Datei(en) kopiert.\n" + //
        p + "copy \"mein ordner/QUELLE Ü.TXT\" \"Ziel.txt\"\n" +
        "        1 Datei(en) kopiert.\n" +                                                //
        p + "del \"Weg.TXT\"\n" +                                                         //
        p + "del \"fehlt.txt\"\n" +                                                       //
        "Die Datei \"" + tess::pathText(f / "fehlt.txt") + "\" wurde nicht gefunden.\n" + //
        p + "format c:\n" +                                                               //
        "Unbekannter Befehl, wird nicht ausgeführt: format c:\n" +                        //
        p + "rm -rf bleibt\n" +                                                           //
        "Unbekannter Befehl, wird nicht ausgeführt: rm -rf bleibt\n" +                    //
        p + "copy \"fehlt.txt\" \"x.txt\"\n" +                                            //
        "Das System kann die angegebene Datei nicht finden.\n" +                          //
        "        0 Datei(en) kopiert.\n" +                                                //
        p + "echo Fertig\n" +                                                             //
        "Fertig\n";
    // test.BAT resolves to Test.bat; the log goes beside it under the name as given.
    EXPECT_EQ(readBytes(f / "test.log"), expected);
    EXPECT_EQ(readBytes(temp.path() / "stdout.txt"), expected);
}

TEST(BatchProcess, RunsTheUnpackBatchOfTheMapStep) {
    TempDir temp;
    const fs::path program = temp.path() / "Mein Programm";
    fs::create_directories(program);
    const std::string programFolder = program.string() + "/";
    const std::string archive = std::string(TESS_TESTDATA_DIR) + "/archives/kursk.rfa";

    writeBytes(program / "unpack.bat", "copy \"" + archive + "\" \"" + programFolder +
                                           "kursk.rfa\"\r\n"
                                           "rfaunpack.exe kursk.rfa \r\n"
                                           "del \"" +
                                           programFolder + "kursk.rfa\"\r\n");
    EXPECT_EQ(runBatchProcess(program, "unpack.bat", temp.path() / "stdout.txt"), 0);

    const std::string log = readBytes(program / "unpack.log");
    const std::string p = "\n" + program.string() + ">";
    const std::string copyPart = p + "copy \"" + archive + "\" \"" + programFolder +
                                 "kursk.rfa\"\n        1 Datei(en) kopiert.\n" + p +
                                 "rfaunpack.exe kursk.rfa \n";
    EXPECT_EQ(log.substr(0, copyPart.size()), copyPart);
    const std::string delPart = p + "del \"" + programFolder + "kursk.rfa\"\n";
    ASSERT_GE(log.size(), delPart.size());
    EXPECT_EQ(log.substr(log.size() - delPart.size()), delPart);

    // The archive code reports its own failure in the log until it is there; then the
    // level appears under its stored path.
    if (log.find(kToolMissing) == std::string::npos) {
        EXPECT_TRUE(fs::exists(tess::resolvePath(
            programFolder + "bf1942\\levels\\kursk\\conquest\\SoldierSpawns.con")))
            << log;
    }
    EXPECT_FALSE(fs::exists(program / "kursk.rfa"));
    EXPECT_TRUE(fs::exists(archive));
}

TEST(BatchProcess, AMissingBatchIsReportedInTheLog) {
    TempDir temp;
    EXPECT_EQ(runBatchProcess(temp.path(), "fehlt.bat", temp.path() / "stdout.txt"), 1);
    const std::string log = readBytes(temp.path() / "fehlt.log");
    EXPECT_EQ(log.rfind("Datei fehlt.bat kann nicht geöffnet werden. ", 0), 0u) << log;
    EXPECT_EQ(readBytes(temp.path() / "stdout.txt"), log);
    EXPECT_EQ(tess::batchLogPath("Network\\PACK.BAT"), "Network\\PACK.log");
    EXPECT_EQ(tess::batchLogPath("ohne"), "ohne.log");
}

TEST(BatchLines, CopyDelAndFurnitureBehaveLikeCmd) {
    TempDir temp;
    CurrentFolder inside(temp.path());
    fs::create_directory("Sub");
    fs::create_directory("Ordner");
    writeBytes("a.txt", "A");

    std::ostringstream log;
    const int failures = runBatchLines(
        {"@echo off", "rem nichts", ":: Kommentar", ":marke", "  ECHO Hallo  Welt ", "echo.",
         "COPY /Y \"a.txt\" \"sub\"", "copy \"a.txt\" \"A.TXT\"", "copy \"a.txt\"",
         "copy \"a.txt\" \"fehlt\\b.txt\"", "copy \"a.txt\" \"neu\\\"", "copy", "del \"ordner\"",
         "Erase /Q \"SUB\\A.TXT\"", "pause", "exit", "del \"a.txt\""},
        log, "");
    EXPECT_EQ(log.str(), "Hallo  Welt \n"
                         "\n"
                         "        1 Datei(en) kopiert.\n"
                         "Die Datei kann nicht auf sich selbst kopiert werden.\n"
                         "        0 Datei(en) kopiert.\n"
                         "Die Datei kann nicht auf sich selbst kopiert werden.\n"
                         "        0 Datei(en) kopiert.\n"
                         "Das System kann den angegebenen Pfad nicht finden.\n"
                         "        0 Datei(en) kopiert.\n"
                         "Das System kann den angegebenen Pfad nicht finden.\n"
                         "        0 Datei(en) kopiert.\n"
                         "Die Syntax des Befehls ist falsch.\n"
                         "\"ordner\" ist ein Ordner und wird nicht gelöscht.\n");
    EXPECT_EQ(failures, 6);
    EXPECT_EQ(readBytes("a.txt"), "A"); // the self copy left it whole; exit stopped the del
    EXPECT_FALSE(fs::exists("Sub/a.txt"));
    EXPECT_TRUE(fs::is_directory("Ordner"));
}

TEST(BatchLines, ArchiveToolLinesReachTheArchiveCodeAndTheBatchGoesOn) {
    TempDir temp;
    CurrentFolder inside(temp.path());
    fs::create_directories("bf1942/levels/Oasis_001/ai");
    writeBytes("bf1942/levels/Oasis_001/ai/ai.con", "ai.createallmaps\r\n");

    std::ostringstream log;
    const int failures = runBatchLines(
        {"@echo off", "rfaPack.exe bf1942\\Levels\\fehlt  bf1942/levels/Oasis \"Oasis_001.rfa\"",
         "RFAPACK bf1942\\levels\\Oasis_001 \"Oasis_001.rfa\"", "rfaUnpack",
         "rfaunpack.exe fehlt.rfa ",
         "rfaPack.exe BF1942\\LEVELS\\oasis_001  bf1942/levels/Oasis \"Oasis_001.rfa\" -Compress",
         "echo weiter"},
        log, "");
    const std::string text = log.str();
    const std::string expectedStart =
        "Der Ordner \"bf1942\\Levels\\fehlt\" wurde nicht gefunden.\n"
        "Aufruf: rfaPack.exe <Ordner> <Pfad im Archiv> <Archiv> [-Compress]\n"
        "Aufruf: rfaunpack.exe <Archiv> [<Zielordner>]\n"
        "Das Archiv \"fehlt.rfa\" wurde nicht gefunden.\n";
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(text.substr(text.size() - 7), "weiter\n");
    if (text.find(kToolMissing) != std::string::npos) {
        EXPECT_EQ(failures, 5);
    } else {
        EXPECT_EQ(failures, 4) << text;
        EXPECT_TRUE(fs::is_regular_file("Oasis_001.rfa"));
    }
}

// A map archive holding more than its level: unpacked by the map step's batch in the
// program folder, or in its Network folder, it writes its level and nothing else, and the
// log names what was skipped.
TEST(BatchProcess, AMapArchiveCannotReplaceTheProgramsOwnFiles) {
    TempDir temp;
    const fs::path program = temp.path() / "Tessarine";
    const std::string programFolder = program.string() + "/";
    writeBytes(program / "tessarine", "the program");
    writeBytes(program / "temp/con files/conditions.con", "template");
    writeBytes(program / "memory.bf", "D:\\Spiele\\");
    writeBytes(program / "Network/merge.con", "merge");
    writeBytes(temp.path() / "maps/Oase.rfa",
               storeArchive({{"tessarine", "evil"},
                             {"temp/con files/conditions.con", "evil"},
                             {"memory.bf", "evil"},
                             {"unpack.bat", "evil"},
                             {"Network/merge.con", "evil"},
                             {"bf1942/levels/Oase/init.con", "rem"}}));
    const std::string archive = (temp.path() / "maps/Oase.rfa").string();
    const auto untouched = filesUnder(program);

    writeBytes(program / "unpack.bat", "copy \"" + archive + "\" \"" + programFolder +
                                           "Oase.rfa\"\r\n"
                                           "rfaunpack.exe Oase.rfa \r\n"
                                           "del \"" +
                                           programFolder + "Oase.rfa\"\r\n");
    EXPECT_EQ(runBatchProcess(program, "unpack.bat", temp.path() / "stdout.txt", programFolder), 0);
    auto expected = untouched;
    expected["unpack.bat"] = readBytes(program / "unpack.bat");
    expected["unpack.log"] = readBytes(program / "unpack.log");
    expected["bf1942/levels/Oase/init.con"] = "rem";
    EXPECT_EQ(filesUnder(program), expected);
    const std::string log = readBytes(program / "unpack.log");
    for (const char* skipped : {"tessarine", "temp/con files/conditions.con", "memory.bf",
                                "unpack.bat", "Network/merge.con"})
        EXPECT_NE(log.find("  Übersprungen, liegt nicht unter bf1942/levels/: " +
                           std::string(skipped) + "\n"),
                  std::string::npos)
            << skipped << "\n"
            << log;
    EXPECT_NE(log.find("Done: 1 files unpacked, 5 skipped.\n"), std::string::npos) << log;

    // The same in the Network folder.
    writeBytes(program / "Network/merge.bat", "rfaunpack.exe \"" + archive + "\"\r\n");
    EXPECT_EQ(runBatchProcess(program / "Network", "merge.bat", temp.path() / "stdout.txt",
                              programFolder),
              0);
    EXPECT_EQ(readBytes(program / "Network/merge.con"), "merge");
    EXPECT_EQ(readBytes(program / "Network/bf1942/levels/Oase/init.con"), "rem");
    EXPECT_FALSE(fs::exists(program / "Network/tessarine"));

    // Anywhere else the archive unpacks whole.
    fs::create_directories(temp.path() / "elsewhere");
    writeBytes(temp.path() / "elsewhere/all.bat", "rfaunpack.exe \"" + archive + "\"\r\n");
    EXPECT_EQ(runBatchProcess(temp.path() / "elsewhere", "all.bat", temp.path() / "stdout.txt",
                              programFolder),
              0);
    EXPECT_EQ(readBytes(temp.path() / "elsewhere/memory.bf"), "evil");
}

#ifndef _WIN32
TEST(BatchLines, CopiesAreAtomicAndNeverFollowALink) {
    TempDir temp;
    CurrentFolder inside(temp.path());
    writeBytes("a.txt", "A");
    writeBytes("victim.txt", "victim");
    fs::create_symlink(temp.path() / "victim.txt", "link.txt");
    writeBytes("ro.txt", "read-only");
    fs::permissions("ro.txt", fs::perms::owner_read);
    std::ostringstream log;
    const int failures = runBatchLines(
        {"@echo off", "copy \"a.txt\" \"link.txt\"", "copy \"a.txt\" \"ro.txt\""}, log, "");
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(log.str(), "        1 Datei(en) kopiert.\n"
                         "Datei \"ro.txt\" kann nicht erstellt werden. " +
                             tess::systemReason(EACCES) + "\n        0 Datei(en) kopiert.\n");
    EXPECT_FALSE(fs::is_symlink("link.txt"));
    EXPECT_EQ(readBytes("link.txt"), "A");
    EXPECT_EQ(readBytes("victim.txt"), "victim");
    EXPECT_EQ(readBytes("ro.txt"), "read-only");
}
#endif
