// The autosave: written after every change, restored into a fresh editor from any of those
// moments so that finishing the work gives the uninterrupted run's script, read by the area
// file reader as it is, and refused whole when damaged or foreign.
#include "areas/area_file.h"
#include "areas/hill_and_bridge.h"
#include "areas/saved_areas.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::test::errorMessage;
using tess::test::kHillAndBridgeScript;
using tess::test::ProgramFolder;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

// A level of Bastogne's size whose addon has its AI folder.
struct Level {
    Level() {
        state.worldSize = 2048;
        state.worldScale = 4;
        state.areaEditMode = tess::AreaEditMode::secondCorner;
        state.levelDir = dir.text();
        state.mapName = "Bastogne";
        fs::create_directories(dir.path() / "AI");
    }
    std::string script() const { return readBytes(dir.path() / "AI/StrategicAreas.con"); }

    TempDir dir;
    tess::WizardState state;
};

void confirm(AreaEditor& editor, PixelPosition green, PixelPosition red, const AreaPanel& panel) {
    editor.newArea();
    editor.placeActiveMarker(green);
    editor.confirmPoint();
    editor.placeActiveMarker(red);
    ASSERT_TRUE(editor.finishArea());
    ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);
}

AreaPanel hill() {
    AreaPanel panel;
    panel.name = "Hill";
    panel.priorityText = "100";
    panel.setFlag(AreaFlag::cp, true);
    panel.leicht = true;
    panel.side = Side::team1;
    return panel;
}

AreaPanel bridge() {
    AreaPanel panel;
    panel.name = "Bridge";
    panel.priorityText = "50";
    panel.side = Side::neutral;
    return panel;
}

AreaPanel mistake() {
    AreaPanel panel;
    panel.name = "Irrtum";
    panel.priorityText = "7";
    panel.schwer = true;
    panel.side = Side::team2;
    return panel;
}

// Everything the tab draws from the editor, and the script it would write.
std::string view(const AreaEditor& editor) {
    std::string text;
    for (const std::string& entry : editor.summaryEntries())
        text += "summary " + entry + "\n";
    for (const ConfirmedArea& area : editor.confirmedAreas())
        text += "outline " + std::to_string(area.rectangle.left) + " " +
                std::to_string(area.rectangle.top) + " " + std::to_string(area.rectangle.right) +
                " " + std::to_string(area.rectangle.bottom) + (area.finished ? " finished" : "") +
                "\n";
    if (editor.neighbourPanelVisible())
        for (const CheckEntry& entry : editor.checkList())
            text += "entry " + entry.name + (entry.ticked ? " [x]" : "") + "\n";
    text += "heading " + editor.neighbourHeading() + "\n";
    text += "waiting " + std::to_string(editor.waitingCount()) + "\n";
    text += std::string("panel ") + (editor.neighbourPanelVisible() ? "shown" : "hidden") + "\n";
    return text + editor.areaScriptText();
}

struct Step {
    std::string label;
    std::function<void(AreaEditor&)> run;
};

// Hill and a mistake drawn, the mistake ticked and deleted, Bridge drawn and edited, the
// neighbour phase: the user's clicks, none of which needs an undo that a new run would lack.
const std::vector<Step>& hillMistakeBridge() {
    static const std::vector<Step> steps = {
        {"OK Hill",
         [](AreaEditor& e) {
             confirm(e, {100, 100}, {200, 300}, hill());
         }},
        {"OK Irrtum",
         [](AreaEditor& e) {
             confirm(e, {400, 400}, {450, 480}, mistake());
         }},
        {"Fertig", [](AreaEditor& e) { e.openNeighbours(); }},
        {"tick Irrtum", [](AreaEditor& e) { e.setTicked(1, true); }},
        {"delete Irrtum",
         [](AreaEditor& e) {
             e.selectArea(1);
             ASSERT_TRUE(e.deleteArea());
         }},
        {"OK Bridge",
         [](AreaEditor& e) {
             AreaPanel first = bridge();
             first.priorityText = "5";
             confirm(e, {300, 50}, {260, 120}, first);
         }},
        {"tick Bridge", [](AreaEditor& e) { e.setTicked(1, true); }},
        {"edit Bridge",
         [](AreaEditor& e) {
             e.selectArea(1);
             ASSERT_TRUE(e.editArea());
             ASSERT_EQ(e.confirmArea(bridge()), ConfirmOutcome::confirmed);
         }},
        {"Nächste Hill", [](AreaEditor& e) { e.nextArea(); }},
        {"tick Hill", [](AreaEditor& e) { e.setTicked(0, true); }},
        {"Nächste Bridge", [](AreaEditor& e) { e.nextArea(); }},
    };
    return steps;
}

std::string refusal(const std::string& file, const std::string& reason) {
    return "Die gespeicherten Areas in \"" + file + "\" können nicht geladen werden: " + reason;
}

} // namespace

TEST(SavedAreas, EveryStepSavedAndRestoredGivesTheUninterruptedScript) {
    const ProgramFolder program;
    const auto& steps = hillMistakeBridge();
    const std::string file = savedAreasFile(program.text(), "Bastogne");
    ASSERT_FALSE(fs::exists(program.path() / "temp/areas"));

    // The uninterrupted run, with what was saved and what the tab showed after each step.
    std::vector<std::string> saved;
    std::vector<std::string> shown;
    {
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        for (const Step& step : steps) {
            step.run(editor);
            ASSERT_EQ(editor.autosaveError(), "") << step.label;
            ASSERT_TRUE(fs::exists(program.path() / "temp/areas/Bastogne.json")) << step.label;
            saved.push_back(readBytes(program.path() / "temp/areas/Bastogne.json"));
            shown.push_back(view(editor));
            if (saved.size() > 1) {
                EXPECT_NE(saved[saved.size() - 2], saved.back()) << step.label;
            }
        }
        EXPECT_EQ(level.script(), kHillAndBridgeScript);
    }

    // Interrupted after each step: a new program run loads the file into a fresh editor and
    // the user finishes with the clicks still to come.
    for (std::size_t done = 1; done <= steps.size(); ++done) {
        SCOPED_TRACE("interrupted after " + steps[done - 1].label);
        writeBytes(program.path() / "temp/areas/Bastogne.json", saved[done - 1]);
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        EXPECT_TRUE(editor.isEnabled(Command::loadSavedAreas));
        const auto count = savedAreaCount(file, 2048);
        ASSERT_TRUE(count.has_value());
        const std::size_t areasSaved[] = {1, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2};
        static_assert(std::size(areasSaved) == 11);
        EXPECT_EQ(*count, areasSaved[done - 1]);
        const RestoreOutcome outcome = loadSavedAreas(editor, file);
        EXPECT_EQ(outcome.scriptWritten, done == steps.size());
        EXPECT_EQ(view(editor), shown[done - 1]);
        EXPECT_FALSE(editor.isEnabled(Command::loadSavedAreas));
        // The replay saved nothing on the way.
        EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"), saved[done - 1]);

        for (std::size_t next = done; next < steps.size(); ++next) {
            steps[next].run(editor);
            EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"), saved[next])
                << steps[next].label;
        }
        EXPECT_EQ(level.script(), kHillAndBridgeScript);
        // A loaded file is this run's own: nothing is set aside.
        EXPECT_TRUE(earlierSavedAreas(program.text(), "Bastogne").empty());
    }

    // The area file reader and the command-line tool take every saved file as it is; the
    // last one, every area finished, writes the same script.
    for (const std::string& text : saved)
        EXPECT_NO_THROW(parseAreaFile(text));
    Level cli;
    writeAreaScriptFromFile(cli.state, saved.back());
    EXPECT_EQ(cli.script(), kHillAndBridgeScript);
}

TEST(SavedAreas, TheFileAsWritten) {
    const ProgramFolder program;
    Level level;
    AreaEditor editor(level.state);
    editor.enableAutosave(program.text());
    confirm(editor, {100, 100}, {200, 300}, hill());
    confirm(editor, {300, 50}, {260, 120}, bridge());
    editor.openNeighbours();
    editor.setTicked(1, true);
    editor.nextArea();
    editor.setTicked(0, true);
    EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"),
              tess::test::hillAndBridgeWritten(true));
}

TEST(SavedAreas, WhereAndWhenTheFileIsWritten) {
    EXPECT_EQ(savedAreasFile("/p/", "Bastogne"), "/p/temp\\areas\\Bastogne.json");
    for (const std::string name : {"", ".", "..", "a/b", "a\\b", "C:x", "a\nb", "../Bastogne"})
        EXPECT_EQ(errorMessage([&] { savedAreasFile("/p/", name); }),
                  "Aus dem Kartennamen \"" + name +
                      "\" lässt sich kein Dateiname für die gespeicherten Areas bilden");

    const ProgramFolder program;
    const fs::path file = program.path() / "temp/areas/Bastogne.json";
    // A file from an earlier run stays for its offer until the first "OK" of this one: the
    // cursor, "Fertig" and the ticks save nothing.
    writeBytes(file, "from an earlier run");
    {
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        editor.openNeighbours();
        editor.setTicked(0, true);
        editor.newArea();
        editor.confirmPoint();
        editor.finishArea();
        EXPECT_EQ(readBytes(file), "from an earlier run");
        EXPECT_FALSE(editor.isEnabled(Command::loadSavedAreas)); // an area is begun

        editor.placeActiveMarker({200, 300});
        ASSERT_TRUE(editor.finishArea());
        ASSERT_EQ(editor.confirmArea(hill()), ConfirmOutcome::confirmed);
        EXPECT_EQ(parseAreaSession(readBytes(file)).areas.size(), 1u);
        // The earlier run's areas, not loaded, are set aside under a dated name, once.
        const auto earlier = earlierSavedAreas(program.text(), "Bastogne");
        ASSERT_EQ(earlier.size(), 1u);
        EXPECT_EQ(editor.keptEarlierFile(), earlier[0].file);
        EXPECT_EQ(readBytes(tess::resolvePath(earlier[0].file)), "from an earlier run");
        // With the last area gone there is nothing left to offer.
        ASSERT_TRUE(editor.undo());
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(earlierSavedAreas(program.text(), "Bastogne"), earlier);
        EXPECT_EQ(savedAreaCount(tess::pathText(file), 2048), std::nullopt);
        EXPECT_EQ(editor.autosaveError(), "");
    }
    {
        // A save that fails cuts nothing short; its message waits for the window, and the
        // next save that succeeds clears it.
        fs::remove_all(program.path() / "temp/areas");
        writeBytes(program.path() / "temp/areas", "a file where the folder belongs");
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        confirm(editor, {100, 100}, {200, 300}, hill());
        EXPECT_EQ(editor.summaryEntries().size(), 1u);
        EXPECT_EQ(editor.autosaveError().rfind("Datei \"" +
                                                   savedAreasFile(program.text(), "Bastogne") +
                                                   "\" kann nicht erstellt werden. ",
                                               0),
                  0u)
            << editor.autosaveError();
        fs::remove(program.path() / "temp/areas");
        editor.openNeighbours();
        EXPECT_EQ(editor.autosaveError(), "");
        EXPECT_TRUE(fs::exists(file));

        // A map name that is no file name is refused, and the editor goes on.
        level.state.mapName = "../Bastogne";
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        EXPECT_EQ(editor.autosaveError(), "Aus dem Kartennamen \"../Bastogne\" lässt sich kein "
                                          "Dateiname für die gespeicherten Areas bilden");
        EXPECT_FALSE(fs::exists(program.path() / "temp/Bastogne.json"));
    }
}

// Runs that start without loading the saved areas never cost an earlier set: each is set
// aside under the date it was set aside, the newest ones are kept, and each can be loaded.
TEST(SavedAreas, EarlierSetsAreKeptAndOffered) {
    const ProgramFolder program;
    const std::string folder = program.text() + "temp\\areas\\";
    const auto setAt = [](int year, int day, int second) {
        std::tm time{};
        time.tm_year = year - 1900;
        time.tm_mon = 2;
        time.tm_mday = day;
        time.tm_hour = 14;
        time.tm_min = 5;
        time.tm_sec = second;
        time.tm_isdst = -1;
        return std::mktime(&time);
    };
    EXPECT_EQ(keepEarlierSavedAreas(program.text(), "Bastogne", setAt(2025, 12, 33)), "");
    // Areas of the legacy name are offered last.
    writeBytes(program.path() / "temp/areas/Bastogne.previous.json", "legacy");
    writeBytes(program.path() / "temp/areas/Bastogne.json", "run 1");
    EXPECT_EQ(keepEarlierSavedAreas(program.text(), "Bastogne", setAt(2025, 12, 33)),
              folder + "Bastogne.2025-03-12_14-05-33.json");
    writeBytes(program.path() / "temp/areas/Bastogne.json", "run 2");
    EXPECT_EQ(keepEarlierSavedAreas(program.text(), "Bastogne", setAt(2025, 12, 33)),
              folder + "Bastogne.2025-03-12_14-05-33_2.json");
    // Other maps' sets and foreign files are no sets of this map.
    writeBytes(program.path() / "temp/areas/Bastogne.Nord.2025-03-12_14-05-33.json", "x");
    writeBytes(program.path() / "temp/areas/Bastogne.notes.json", "x");
    writeBytes(program.path() / "temp/areas/Bastogne.2025-03-12_14-05-33_99999999.json", "x");
    EXPECT_EQ(earlierSavedAreas(program.text(), "Bastogne"),
              (std::vector<EarlierAreas>{
                  {folder + "Bastogne.2025-03-12_14-05-33_2.json", "12.03.2025 14:05:33 (2)"},
                  {folder + "Bastogne.2025-03-12_14-05-33.json", "12.03.2025 14:05:33"},
                  {folder + "Bastogne.previous.json", "früherer Lauf"}}));

    // Of many runs the newest sets stay, and the legacy one.
    for (int day = 1; day <= 25; ++day) {
        writeBytes(program.path() / "temp/areas/Bastogne.json", "day " + std::to_string(day));
        keepEarlierSavedAreas(program.text(), "Bastogne", setAt(2026, day, 0));
    }
    const auto kept = earlierSavedAreas(program.text(), "Bastogne");
    ASSERT_EQ(kept.size(), kKeptEarlierSets + 1);
    EXPECT_EQ(kept.front().label, "25.03.2026 14:05:00");
    EXPECT_EQ(readBytes(tess::resolvePath(kept.front().file)), "day 25");
    EXPECT_EQ(kept[kKeptEarlierSets - 1].label, "06.03.2026 14:05:00");
    EXPECT_EQ(kept.back().label, "früherer Lauf");

    // An earlier set loaded: the map's own file is still set aside before the first save
    // replaces it.
    std::string hillOnly;
    {
        Level level;
        AreaEditor editor(level.state);
        confirm(editor, {100, 100}, {200, 300}, hill());
        hillOnly = serialiseAreaSession(areaSessionOf(editor));
    }
    writeBytes(tess::resolvePath(kept[3].file), hillOnly);
    writeBytes(program.path() / "temp/areas/Bastogne.json", hillOnly);
    Level level;
    AreaEditor editor(level.state);
    editor.enableAutosave(program.text());
    EXPECT_EQ(loadEarlierAreas(editor, kept[3].file).areaCount, 1u);
    confirm(editor, {300, 50}, {260, 120}, bridge());
    EXPECT_EQ(readBytes(tess::resolvePath(editor.keptEarlierFile())), hillOnly);
    EXPECT_EQ(readBytes(tess::resolvePath(kept[3].file)), hillOnly);
    EXPECT_EQ(parseAreaSession(readBytes(program.path() / "temp/areas/Bastogne.json")).areas.size(),
              2u);
}

TEST(SavedAreas, ADamagedOrForeignFileIsRefusedAndLeftAsItIs) {
    const ProgramFolder program;
    const std::string file = savedAreasFile(program.text(), "Bastogne");
    const std::string good = R"({"version": 2, "worldSize": 2048, "areas": [
        {"name": "Hill", "corner1": [100, 100], "corner2": [200, 300], "priority": 100,
         "flags": ["cp"], "light": true, "side": 1, "finished": true, "neighbours": ["Bridge"]},
        {"name": "Bridge", "corner1": [300, 50], "corner2": [260, 120], "priority": 50,
         "side": 0, "neighbours": ["Hill"]}],
        "neighbourPhase": true})";
    // As earlier versions of Tessarine wrote it: the steps, with Hill ticked for Bridge.
    const std::string version1 = R"({"version": 1, "worldSize": 2048, "areas": [
        {"name": "Hill", "corner1": [100, 100], "corner2": [200, 300], "priority": 100,
         "flags": ["cp"], "light": true, "side": 1, "finished": true, "neighbours": ["Bridge"],
         "neighbourEntries": [1]},
        {"name": "Bridge", "corner1": [300, 50], "corner2": [260, 120], "priority": 50,
         "side": 0}],
        "steps": ["confirm", "confirm", "openNeighbours", "next"], "ticked": [0]})";
    const auto replace = [&](std::string text, const std::string& from, const std::string& to) {
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {"", "Die Area-Datei ist kein gültiges JSON (Zeile 1, Spalte 1)"},
        {good.substr(0, 80), "Die Area-Datei ist kein gültiges JSON (Zeile 2, Spalte 36)"},
        {std::string(tess::test::kHillAndBridgeJson),
         "Die Datei enthält keine gespeicherten Areas: das Feld \"version\" fehlt"},
        {replace(good, "\"version\": 2", "\"version\": 3"),
         "Die Area-Datei hat die Version 3; gelesen werden die Versionen 1 und 2"},
        {replace(good, "\"version\": 2", "\"version\": \"1\""),
         "Das Feld \"version\" der Area-Datei muss eine ganze Zahl sein"},
        {replace(good, "\"name\": \"Bridge\"", "\"name\": \"\""),
         "Area 2, Feld \"name\": ist leer"},
        {replace(good, "\"worldSize\": 2048", "\"worldSize\": 4096"),
         "Die Areas wurden für eine Karte der Größe 4096 gezeichnet, diese Karte hat die Größe "
         "2048"},
        {replace(good, "\"worldSize\": 2048, ", ""),
         "Die Datei enthält keine gespeicherten Areas: das Feld \"worldSize\" braucht die "
         "Kartengröße als ganze Zahl"},
        {replace(good, "\"neighbourPhase\": true", "\"neighbourPhase\": 1"),
         "Das Feld \"neighbourPhase\" der Area-Datei muss true oder false sein"},
        {replace(good, "\"priority\": 50", "\"priority\": 1e400"),
         "Die Area-Datei enthält die Zahl 1e400 (Zeile 4, Spalte 85), die zu groß ist; Ecken, "
         "Prioritäten und Seiten sind ganze Zahlen"},
        {replace(good, "\"priority\": 50", "\"priority\": 50, \"priority\": 60"),
         "Area 2 (\"Bridge\"), Feld \"priority\": steht zweimal da; welcher Wert gelten soll, "
         "bleibt unklar"},
        {replace(good, "[260, 120]", "[2147483647, 120]"),
         "Area 2 (\"Bridge\"), Feld \"corner2\": Die Ecke (2147483647, 120) liegt zu weit "
         "außerhalb des Bildes: eine Ecke darf höchstens 512 Bildpunkte über seinen Rand hinaus "
         "liegen (-512 bis 1023)"},
        {replace(version1, "\"openNeighbours\", ", ""),
         "Die Schritte der Area-Datei passen nicht zu ihren Areas: Schritt 3 (\"next\"): keine "
         "Area wartet"},
        {replace(version1, "\"confirm\", \"confirm\"", "\"confirm\", \"undo\""),
         "Die Datei enthält keine gespeicherten Areas: das Feld \"steps\" braucht eine Liste aus "
         "\"confirm\", \"openNeighbours\" und \"next\""},
        {replace(version1, "\"neighbourEntries\": [1]", "\"neighbourEntries\": [0]"),
         "Die Schritte der Area-Datei passen nicht zu ihren Areas: Schritt 4 (\"next\"): Area 1 "
         "(\"Hill\"), \"neighbourEntries\" passt nicht zu \"neighbours\" und der Nachbarliste"},
        {replace(version1, "\"finished\": true, ", ""),
         "Die Schritte der Area-Datei passen nicht zu ihren Areas: Schritt 4 (\"next\"): Area 1 "
         "(\"Hill\") ist nicht als fertig gespeichert"},
        {replace(version1, "\"ticked\": [0]", "\"ticked\": [2]"),
         "Die Schritte der Area-Datei passen nicht zu ihren Areas: \"ticked\" nennt Einträge, die "
         "die Nachbarliste nicht hat"},
        {R"({"version": 2, "worldSize": 2048, "areas": []})", "Die Area-Datei enthält keine Area"},
    };
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(text);
        writeBytes(program.path() / "temp/areas/Bastogne.json", text);
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        EXPECT_EQ(errorMessage([&] { savedAreaCount(file, 2048); }), refusal(file, reason));
        EXPECT_EQ(errorMessage([&] { loadSavedAreas(editor, file); }), refusal(file, reason));
        EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"), text);
        EXPECT_TRUE(editor.confirmedAreas().empty());
        EXPECT_TRUE(editor.isEnabled(Command::loadSavedAreas));
    }

    // Both versions load as the same areas, Bridge waiting with Hill ticked; not into an
    // editor that has begun an area of its own.
    for (const std::string& text : {good, version1}) {
        writeBytes(program.path() / "temp/areas/Bastogne.json", text);
        EXPECT_EQ(savedAreaCount(file, 2048), 2u);
        Level level;
        AreaEditor editor(level.state);
        editor.newArea();
        EXPECT_EQ(errorMessage([&] { loadSavedAreas(editor, file); }),
                  "Gespeicherte Areas lassen sich nur laden, solange noch keine Area begonnen "
                  "oder bestätigt ist");
        EXPECT_TRUE(editor.confirmedAreas().empty());
        AreaEditor fresh(level.state);
        EXPECT_EQ(loadSavedAreas(fresh, file).areaCount, 2u);
        EXPECT_EQ(fresh.neighbourHeading(), "Bridge ist Nachbar von: ");
        EXPECT_TRUE(fresh.checkList()[0].ticked);
        EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"), text);
        ASSERT_TRUE(fresh.nextArea().scriptWritten);
        EXPECT_EQ(level.script(), kHillAndBridgeScript);
    }

    // Names the game cannot read come back marked (a level's own areas, taken over, may
    // carry them), to be changed before "Fertig".
    writeBytes(program.path() / "temp/areas/Bastogne.json",
               replace(replace(good, "Bridge", "Brücke Nord"), "Bridge", "Brücke Nord"));
    Level level;
    AreaEditor editor(level.state);
    EXPECT_EQ(loadSavedAreas(editor, file).namesToChange, std::vector<std::string>{"Brücke Nord"});
    const std::string refused = errorMessage([&] { editor.openNeighbours(); });
    EXPECT_NE(refused.find("\"Brücke Nord\""), std::string::npos) << refused;
    EXPECT_EQ(errorMessage([&] { editor.nextArea(); }), refused);

    // The area file reader refuses another version too.
    EXPECT_EQ(
        errorMessage([&] { parseAreaFile(replace(good, "\"version\": 2", "\"version\": 3")); }),
        "Die Area-Datei hat die Version 3; gelesen werden die Versionen 1 und 2");
}

TEST(SavedAreas, AFailedScriptWriteDuringTheReplay) {
    // The user had every area finished; in the new run the addon has no AI folder yet. The
    // areas are all back, the error says why the script is missing, and "Nächste" writes it
    // once the folder exists.
    const ProgramFolder program;
    std::string saved;
    {
        Level level;
        AreaEditor editor(level.state);
        editor.enableAutosave(program.text());
        for (const Step& step : hillMistakeBridge())
            step.run(editor);
        saved = readBytes(program.path() / "temp/areas/Bastogne.json");
    }
    Level level;
    fs::remove_all(level.dir.path() / "AI");
    AreaEditor editor(level.state);
    editor.enableAutosave(program.text());
    const std::string file = savedAreasFile(program.text(), "Bastogne");
    const std::string message = errorMessage([&] { loadSavedAreas(editor, file); });
    EXPECT_EQ(message.rfind("Datei \"" + level.state.levelDir +
                                "AI\\StrategicAreas.con\" kann nicht erstellt werden. ",
                            0),
              0u)
        << message;
    EXPECT_EQ(editor.summaryEntries(),
              (std::vector<std::string>{std::string(tess::test::kHillSummary),
                                        std::string(tess::test::kBridgeSummary)}));
    EXPECT_EQ(editor.waitingCount(), 0u);
    EXPECT_EQ(readBytes(program.path() / "temp/areas/Bastogne.json"), saved);
    fs::create_directories(level.dir.path() / "AI");
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(), kHillAndBridgeScript);
}
