// The addon check on real addons: made by Start from our own level and from Bastogne, with
// pathmaps, packed by our archive tool. A clean addon gives no finding at all, in its folder,
// as its archive and merged with its map; each fault gives exactly its own finding; and the
// command-line tool says so in its lines, its JSON and its exit code.
#include "addon_fixture.h"
#include "checks/checks.h"
#include "checks/targets.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace tess::checks;
using namespace tess::test;

namespace {

// The addon folder (as the command-line tool finds it by temp\pathf.bf, or as the window
// knows it after merging it into its map), its archive, or the merged map archive.
enum class Subject { folder, folderMerged, addonArchive, mergedArchive };

CheckReport checkSubject(const AddonFixture& f, const ProgramFolder& program, Subject subject) {
    if (subject == Subject::folder || subject == Subject::folderMerged) {
        CheckTarget target = targetOfArgument("", program.text());
        if (subject == Subject::folderMerged)
            target.mergedArchive = f.mergedArchive().string();
        return checkAddon(target);
    }
    CheckTarget target;
    target.archive = (subject == Subject::addonArchive ? f.archive() : f.mergedArchive()).string();
    return checkAddon(target);
}

std::string described(const CheckReport& report) {
    std::string text;
    for (const Finding& finding : report.findings)
        text += "\n  [" + finding.check + "] " + findingLine(finding);
    return text;
}

using Step = std::function<void(AddonFixture&)>;

// When a fault is made: in the addon folder before it is packed, in the merge folder before it
// is packed, or afterwards, on the archives and the pack state.
enum class Stage { addon, merged, packed };

struct Fault {
    const char* name;
    CheckLevel (*level)();
    Subject subject;
    Stage stage;
    Step step;
    const char* check;
    Severity severity;
    const char* mentions; // words of the finding that name its place
};

fs::path in(const AddonFixture& f, const std::string& relative) {
    return f.addon() / relative;
}

BlockedGround plus(const AddonFixture& f, Rect more) {
    BlockedGround ground = f.level().blocked;
    ground.push_back(more);
    return ground;
}

void emptySpawnLine(const fs::path& file, const std::string& command) {
    std::string text = readBytes(file);
    const std::size_t start = text.find(command + " ");
    ASSERT_NE(start, std::string::npos);
    text.erase(start + command.size(), text.find("\r\n", start) - start - command.size());
    writeBytes(file, text);
}

void renameArea(const AddonFixture& f, const std::string& from, const std::string& to) {
    std::string text = f.level().areaScript;
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    writeBytes(in(f, "AI/StrategicAreas.con"), text);
}

const Severity error = Severity::error;
const Severity hint = Severity::hint;
const Subject folder = Subject::folder;

// clang-format off
const Fault kFaults[] = {
    {"ai.con missing", bastogne, folder, Stage::addon,
     [](auto& f) { fs::remove(in(f, "ai.con")); }, "ai-con", error, "ai.con"},
    {"ai.createallmaps left in after the import", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "ai.con"), "ai.init 2\r\n", "ai.init 2\r\nai.createallmaps\r\n"); },
     "createallmaps", error, "\"ai.createallmaps\""},
    {"a class without pathmaps", hafen, folder, Stage::addon,
     [](auto& f) {
         for (const char* level : {"0", "1", "2"})
             fs::remove(in(f, std::string("Pathfinding/Car4Level") + level + "Map.raw"));
     }, "class-pathmaps", error, "Car4"},
    {"infantry without spawn points", bastogne, folder, Stage::addon,
     [](auto& f) { emptySpawnLine(in(f, "AIPathFinding.con"), "ai.setMapSpawnPoints 1"); },
     "class-spawn-points", error, "Infantry1"},
    {"a script saved with a byte-order mark", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "Coop.con"), "Game.", "\xEF\xBB\xBFGame."); },
     "script-text", error, "BOM"},
    {"no area at all", hafen, folder, Stage::addon,
     [](auto& f) { writeBytes(in(f, "AI/StrategicAreas.con"), "rem *** no areas ***\r\n"); },
     "areas", error, "keine einzige"},
    {"an area name the game splits", hafen, folder, Stage::addon,
     [](auto& f) { renameArea(f, "Dorf", "Altes Dorf"); }, "area-names", error, "\"Altes Dorf\""},
    {"a neighbour that names no area", bastogne, folder, Stage::addon,
     [](auto& f) {
         replaceIn(in(f, "AI/StrategicAreas.con"), "addNeighbour Ost\r\n",
                   "addNeighbour Ost\r\nAIStrategicArea.addNeighbour AlliedBaseEntry\r\n");
     }, "neighbour-names", error, "AlliedBaseEntry"},
    {"a link one way only", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "AI/StrategicAreas.con"), "AIStrategicArea.addNeighbour Dorf\r\n", ""); },
     "mutual-links", hint, "\"Huegel\" aber nicht \"Dorf\""},
    {"an area its own neighbour", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "AI/StrategicAreas.con"), "Dorf\r\nAIStrategicArea.addNeighbour Huegel", "Dorf\r\nAIStrategicArea.addNeighbour Dorf\r\nAIStrategicArea.addNeighbour Huegel"); },
     "mutual-links", hint, "\"Dorf\" nennt sich selbst"},
    {"a neighbour named twice", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "AI/StrategicAreas.con"), "Bahnhof\r\nAIStrategicArea.addNeighbour Huegel", "Bahnhof\r\nAIStrategicArea.addNeighbour Huegel\r\nAIStrategicArea.addNeighbour Huegel"); },
     "mutual-links", hint, "\"Bahnhof\" nennt \"Huegel\" mehrmals"},
    {"an order position outside its area", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "AI/StrategicAreas.con"), "Infantry 630/758", "Infantry 630/100"); },
     "order-positions", hint, "Infantry der Area \"Bahnhof\" (630/100)"},
    {"areas in two groups", hafen, folder, Stage::addon,
     [](auto& f) {
         replaceIn(in(f, "AI/StrategicAreas.con"), "AIStrategicArea.addNeighbour Bahnhof\r\n", "");
         replaceIn(in(f, "AI/StrategicAreas.con"), "Bahnhof\r\nAIStrategicArea.addNeighbour Huegel", "Bahnhof");
     }, "area-groups", error, "(Dorf, Huegel), (Bahnhof)"},
    {"an area partly outside the world", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "AI/StrategicAreas.con"), "768/384 80", "1100/384 80"); },
     "area-in-world", hint, "\"Huegel\""},
    {"a control point in no area", hafen, folder, Stage::addon,
     [](auto& f) { replaceIn(in(f, "SinglePlayer/ControlPoints.con"), "640/30/768", "640/30/560"); },
     "control-point-area", error, "\"Bahnhofplatz\" (640/560)"},
    {"an area on ground the infantry cannot enter", hafen, folder, Stage::addon,
     [](auto& f) { f.writeMaps("Infantry1", plus(f, {512, 640, 768, 896})); },
     "area-passable", hint, "\"Bahnhof\""},
    {"a damaged pathmap", hafen, folder, Stage::addon,
     [](auto& f) { writeBytes(in(f, "Pathfinding/Tank0Level1Map.raw"), std::string(100, '\0')); },
     "pathmap-readable", error, "beschädigt"},
    {"a pathmap of another world size", hafen, folder, Stage::addon,
     [](auto& f) { writeBytes(in(f, "Pathfinding/Car4Level2Map.raw"), tiledPathmap(2048, 2, {})); },
     "pathmap-size", error, "512 x 512"},
    {"a soldier spawning on a blocked cell", hafen, folder, Stage::addon,
     [](auto& f) { f.writeMaps("Infantry1", plus(f, {128, 128, 256, 256})); },
     "spawn-blocked", error, "(200/200)"},
    {"a retouched coarse level", hafen, folder, Stage::addon,
     [](auto& f) { writeBytes(in(f, "Pathfinding/Tank0Level2Map.raw"), tiledPathmap(1024, 2, plus(f, {0, 0, 512, 512}))); },
     "pathmap-levels", hint, "25,0 %"},
    {"the addon archive missing", hafen, folder, Stage::packed,
     [](auto& f) { fs::remove(f.archive()); }, "addon-archive", error, "fehlt"},
    {"the addon archive without pathmaps", hafen, folder, Stage::packed,
     [](auto& f) {
         copyTree(f.addon(), f.root() / "copy");
         fs::remove_all(f.root() / "copy/Pathfinding");
         f.pack(f.root() / "copy");
     }, "addon-archive", error, "9 der 9 Pathmaps"},
    {"the addon archive outside the game's levels folder", hafen, folder, Stage::packed,
     [](auto& f) { f.pack({}, {}, f.root() / "Hafen_001.rfa"); }, "pack-target", hint, "bf1942/levels/"},
    {"a damaged addon archive", hafen, Subject::addonArchive, Stage::packed,
     [](auto& f) { fs::resize_file(f.archive(), 1000); }, "archive-readable", error, "beschädigt"},
    {"an addon archive under the addon folder's name", hafen, Subject::addonArchive, Stage::packed,
     [](auto& f) { f.pack({}, "bf1942/levels/Hafen_001"); },
     "archive-level-path", error, "bf1942/levels/Hafen_001"},
    {"a merged map without the addon's bot names", hafen, Subject::mergedArchive, Stage::merged,
     [](auto& f) { fs::remove(f.mergeFolder() / "SinglePlayer/Bots.con"); },
     "addon-files", error, "SinglePlayer/Bots.con"},
    {"a map archive without any addon", hafen, Subject::mergedArchive, Stage::packed,
     [](auto& f) { tess::archive::packFolder(f.level().source, "bf1942/levels/Hafen", f.mergedArchive(), false); },
     "addon-files", error, "kein Addon"},
    {"a merged map with old Co-op scripts", hafen, Subject::mergedArchive, Stage::merged,
     [](auto& f) { replaceIn(f.mergeFolder() / "Coop.con", "run ai\r\n", "run AI\r\n"); },
     "coop-scripts", hint, "Co-op"},
    {"the addon merged into a map without its pathmaps, its archive disposed of", hafen,
     Subject::folderMerged, Stage::merged,
     [](auto& f) {
         fs::remove_all(f.mergeFolder() / "Pathfinding");
         fs::remove(f.archive());
     }, "merged-archive", error, "9 der 9 Pathmaps"},
};
// clang-format on

class AddonCheck : public ::testing::Test {
protected:
    void SetUp() override { setEnvironment("TESS_NO_TERMINAL", "1"); }
    ProgramFolder program_;
};

} // namespace

TEST_F(AddonCheck, ACleanAddonGivesNoFindingInItsFolderItsArchiveAndTheMergedMap) {
    for (CheckLevel (*level)() : {hafen, bastogne}) {
        AddonFixture f(program_, level());
        f.pack();
        f.unpackMerged();
        f.packMerged();
        for (const Subject subject :
             {Subject::folder, Subject::addonArchive, Subject::mergedArchive}) {
            const CheckReport report = checkSubject(f, program_, subject);
            EXPECT_TRUE(report.findings.empty())
                << f.level().mapName << " " << int(subject) << described(report);
            EXPECT_EQ(countLine(report), "Keine Fehler gefunden.");
            EXPECT_EQ(report.worldSize, f.level().worldSize);
        }
    }
}

TEST_F(AddonCheck, EachFaultGivesExactlyItsFinding) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        AddonFixture f(program_, fault.level());
        if (fault.stage == Stage::addon)
            fault.step(f);
        f.pack();
        if (fault.subject == Subject::mergedArchive || fault.subject == Subject::folderMerged) {
            f.unpackMerged();
            if (fault.stage == Stage::merged)
                fault.step(f);
            f.packMerged();
        }
        if (fault.stage == Stage::packed)
            fault.step(f);
        const CheckReport report = checkSubject(f, program_, fault.subject);
        ASSERT_EQ(report.findings.size(), 1u) << described(report);
        const Finding& found = report.findings.front();
        EXPECT_EQ(found.check, fault.check);
        EXPECT_EQ(found.severity, fault.severity);
        EXPECT_NE(found.text.find(fault.mentions), std::string::npos) << found.text;
        EXPECT_FALSE(found.advice.empty());
        // Each check is in the table once, under the key its findings carry.
        EXPECT_EQ(std::count_if(allChecks().begin(), allChecks().end(),
                                [&](const Check& c) { return c.key == fault.check; }),
                  1);
    }
}

TEST_F(AddonCheck, CommandLineLinesJsonAndExitCodes) {
    AddonFixture f(program_, hafen());
    f.pack();
    const std::string folder = " --program-folder " + quoted(program_.text());

    CliResult run = cli("check" + folder, program_.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Keine Fehler gefunden."), std::string::npos) << run.err;

    // A fault after the pack: its error first, then the hint that the archive is older, exit
    // code 1; by the map's name and by its level folder.
    replaceIn(f.addon() / "ai.con", "ai.init 2\r\n", "ai.init 2\r\nai.createallmaps\r\n");
    for (const std::string& map : {std::string("Hafen"), f.level().source.string()}) {
        run = cli("check " + quoted(map) + folder, program_.path());
        EXPECT_EQ(run.exitCode, 1) << run.err;
        const std::string lines[] = {"Fehler: ai.con: ai.con enthält noch \"ai.createallmaps\"",
                                     "Hinweis: " + f.archive().string() +
                                         ": 1 Dateien des Addons wurden nach dem Packen "
                                         "geändert (ai.con)."};
        const std::size_t second = run.out.find('\n') + 1;
        EXPECT_EQ(run.out.rfind(lines[0], 0), 0u) << run.out;
        EXPECT_EQ(run.out.compare(second, lines[1].size(), lines[1]), 0) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
        EXPECT_NE(run.err.find("1 Fehler, 1 Hinweis\n"), std::string::npos) << run.err;
    }

    // The archive, packed before the fault, without unpacking it; the findings as JSON.
    run = cli("check --json " + quoted(f.archive().string()), program_.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out), nlohmann::json::array());
    run = cli("check --json" + folder, program_.path());
    const nlohmann::json findings = nlohmann::json::parse(run.out);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0]["severity"], "error");
    EXPECT_EQ(findings[0]["check"], "createallmaps");
    EXPECT_EQ(findings[0]["place"]["line"], 13);
    EXPECT_EQ(findings[1]["severity"], "hint");
    EXPECT_EQ(findings[1]["check"], "addon-archive");

    // Wrong usage: a map that is not there.
    run = cli("check Nirgendwo" + folder, program_.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Nirgendwo gibt es nicht"), std::string::npos) << run.err;
}

// An archive that our unpacker refuses is an error for the check, each entry in the
// unpacker's words; so is a half-written file of a killed run packed into it.
TEST_F(AddonCheck, EveryEntryTheUnpackerRefusesIsAnError) {
    TempDir dir;
    const std::string addon = "bf1942/levels/Hafen/";
    const struct {
        std::string name;
        std::string check;
        std::string text;
    } rows[] = {
        {addon + "ai.con", "archive-entries",
         "enthält die Einträge \"" + addon + "ai.con\" und \"" + addon +
             "ai.con\", die unter Windows dieselbe Datei sind"},
        {addon + "AI.CON", "archive-entries",
         "enthält die Einträge \"" + addon + "ai.con\" und \"" + addon +
             "AI.CON\", die unter Windows dieselbe Datei sind"},
        {addon + "../../../x.con", "archive-entries",
         "enthält den unzulässigen Eintrag \"" + addon +
             "../../../x.con\" (Verweis auf einen übergeordneten Ordner)"},
        {addon + std::string("a\0b.con", 7), "archive-entries",
         "enthält den unzulässigen Eintrag \"" + addon + "a\\x00b.con\" (Steuerzeichen im Namen)"},
        {addon + "a\x1b.con", "archive-entries",
         "enthält den unzulässigen Eintrag \"" + addon + "a\\x1b.con\" (Steuerzeichen im Namen)"},
        {addon + "con:.con", "archive-entries",
         "enthält den unzulässigen Eintrag \"" + addon +
             "con:.con\" (Laufwerksangabe oder Doppelpunkt)"},
        {addon + "a<b>.con", "archive-entries",
         "enthält den unzulässigen Eintrag \"" + addon +
             "a<b>.con\" (unzulässiges Zeichen im Namen)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path archive = dir / "Hafen_001.rfa";
        writeBytes(archive, storeArchive({{addon + "ai.con", "rem\r\n"}, {row.name, "x"}}));
        CheckTarget target;
        target.archive = archive.string();
        std::vector<std::string> texts;
        for (const Finding& finding : checkAddon(target).findings)
            if (finding.check == row.check) {
                EXPECT_EQ(finding.severity, Severity::error);
                texts.push_back(finding.text);
            }
        EXPECT_EQ(texts,
                  std::vector<std::string>{"Archiv \"" + archive.string() + "\" " + row.text +
                                           ": rfaunpack entpackt deshalb nichts davon."});
    }
    // A file of a killed run.
    writeBytes(dir / "Hafen_001.rfa",
               storeArchive({{addon + "ai.con", "rem\r\n"},
                             {addon + "ai.con.tess-42-0123456789abcdef.tmp", "re"}}));
    CheckTarget target;
    target.archive = (dir / "Hafen_001.rfa").string();
    std::vector<std::string> texts;
    for (const Finding& finding : checkAddon(target).findings)
        if (finding.check == "leftovers" || finding.check == "archive-entries")
            texts.push_back(finding.text);
    EXPECT_EQ(texts, std::vector<std::string>{
                         "Das Archiv enthält \"" + addon +
                         "ai.con.tess-42-0123456789abcdef.tmp\", die halb geschriebene Datei "
                         "eines abgebrochenen Laufs."});
}
