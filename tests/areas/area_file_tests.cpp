// Area files: the shared Hill and Bridge case through the editor, the file's text and back,
// and a clear message for every kind of malformed input.
#include "areas/area_file.h"
#include "areas/hill_and_bridge.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;

namespace {

struct Level {
    Level() {
        state.worldSize = 2048;
        state.worldScale = 4;
        state.areaEditMode = tess::AreaEditMode::secondCorner;
        state.levelDir = dir.text();
        fs::create_directories(dir.path() / "AI");
    }
    TempDir dir;
    tess::WizardState state;
};

std::string oneArea(const std::string& fields) {
    return R"({"areas": [{)" + fields + "}]}";
}

const std::string kHill = R"("name": "Hill", "corner1": [100, 100], "corner2": [200, 300], )";

} // namespace

TEST(AreaFile, HillAndBridgeWriteTheEditorsBytes) {
    const AreaFile file = parseAreaFile(tess::test::kHillAndBridgeJson);
    ASSERT_EQ(file.size(), 2u);
    Level level;
    AreaEditor editor(level.state);
    EXPECT_EQ(applyAreaFile(editor, file),
              (std::vector<std::string>{std::string(tess::test::kHillSummary),
                                        std::string(tess::test::kBridgeSummary)}));
    EXPECT_EQ(readBytes(level.dir.path() / "AI/StrategicAreas.con"),
              tess::test::kHillAndBridgeScript);

    // What the editor holds afterwards is the file again, and its text reads back unchanged.
    EXPECT_EQ(areaFileOf(editor), file);
    const std::string text = serialiseAreaFile(file);
    EXPECT_EQ(parseAreaFile(text), file);
    EXPECT_EQ(text, tess::test::hillAndBridgeWritten(false));
}

TEST(AreaFile, WhatIsLeftOutAndWhatIsKept) {
    // Only name, corners and priority are needed; a text priority is read as the field
    // reads it; flags come out in the boxes' order whatever the file's order.
    AreaFile file = parseAreaFile(oneArea(kHill + R"("priority": " $1F",
        "flags": ["center", "basis", "Flanke", "basis"])"));
    ASSERT_EQ(file.size(), 1u);
    const AreaPanel& panel = file[0].panel;
    EXPECT_EQ(panel.priorityText, " $1F");
    EXPECT_EQ(panel.side, Side::none);
    EXPECT_FALSE(panel.leicht);
    EXPECT_FALSE(panel.schwer);
    EXPECT_TRUE(file[0].neighbours.empty());
    EXPECT_TRUE(panel.flag(AreaFlag::basis) && panel.flag(AreaFlag::Flanke) &&
                panel.flag(AreaFlag::center));
    EXPECT_FALSE(panel.flag(AreaFlag::cp) || panel.flag(AreaFlag::strong) ||
                 panel.flag(AreaFlag::air));
    const std::string text = serialiseAreaFile(file);
    EXPECT_NE(text.find("\"priority\": \" $1F\""), std::string::npos);
    EXPECT_EQ(text.find("\"side\""), std::string::npos);
    EXPECT_EQ(text.find("\"extraLines\""), std::string::npos);
    EXPECT_EQ(parseAreaFile(text), file);

    // Kept lines go through the file in their order, tabs and trailing blanks included.
    file = parseAreaFile(oneArea(kHill + R"("priority": 1,
        "extraLines": ["aiStrategicArea.vehicleSearchRadius\t160 ", "rem Süd"])"));
    EXPECT_EQ(file[0].extraLines,
              (std::vector<std::string>{"aiStrategicArea.vehicleSearchRadius\t160 ", "rem Süd"}));
    EXPECT_EQ(parseAreaFile(serialiseAreaFile(file)), file);

    // A name with umlauts, its own neighbour, written in the game's code page.
    file = parseAreaFile(R"({"areas": [
        {"name": "BrückeSüd", "corner1": [1, 1], "corner2": [2, 2], "priority": -3,
         "side": 2, "neighbours": ["BrückeSüd"]}]})");
    Level level;
    AreaEditor editor(level.state);
    applyAreaFile(editor, file);
    const std::string script = tess::test::readBytes(level.dir.path() / "AI/StrategicAreas.con");
    EXPECT_NE(script.find("aiStrategicArea.create Br\xfc"
                          "ckeS\xfc"
                          "d 4/2040 8/2044 -3\r\n \r\n"),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("aiStrategicArea.setActive Br\xfc"
                          "ckeS\xfc"
                          "d\r\n"
                          "AIStrategicArea.addNeighbour Br\xfc"
                          "ckeS\xfc"
                          "d\r\n"
                          "AIStrategicArea.setOrderPosition Infantry -4/2032\r\n"
                          "aiStrategicArea.setSide 2\r\n"),
              std::string::npos)
        << script;
}

TEST(AreaFile, EveryMalformedInputNamesItsPlace) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "Die Area-Datei ist kein gültiges JSON (Zeile 1, Spalte 1)"},
        {"nicht json", "Die Area-Datei ist kein gültiges JSON (Zeile 1, Spalte 2)"},
        {"{\"areas\": [\n  {\"name\": \"Hill\",,",
         "Die Area-Datei ist kein gültiges JSON (Zeile 2, Spalte 19)"},
        {"[]", "Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas"},
        {R"({"area": []})", "Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas"},
        {R"({"areas": {}})", "Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas"},
        {R"({"areas": []})", "Die Area-Datei enthält keine Area"},
        {R"({"areas": [5]})", "Area 1: ist kein JSON-Objekt"},
        {oneArea(R"("corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": fehlt"},
        {oneArea(R"("name": 7, "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": muss ein Text sein"},
        {oneArea(R"("name": "", "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": ist leer"},
        {oneArea(R"("name": "a\nb", "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": darf keine Zeilenumbrüche oder Steuerzeichen enthalten"},
        {oneArea(R"("name": "Pfad → Süd", "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": Das Zeichen \"→\" kann im Zeichensatz des Spiels "
         "(Windows-1252) nicht gespeichert werden"},
        // Names the game's reader would split, or that two areas share.
        {oneArea(R"("name": "Brücke Nord", "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": Der Area-Name \"Brücke Nord\" enthält ein Leerzeichen. Bitte "
         "einen Namen ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
        {oneArea(R"("name": "\"Dorf\"", "corner1": [1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1, Feld \"name\": Der Area-Name \"\"Dorf\"\" enthält ein Anführungszeichen. "
         "Bitte einen Namen ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
        {R"({"areas": [{"name": "Dorf", "corner1": [1, 1], "corner2": [2, 2], "priority": 1},
                       {"name": "Dorf", "corner1": [3, 3], "corner2": [4, 4], "priority": 1}]})",
         "Area 2 (\"Dorf\"), Feld \"name\": Der Area-Name \"Dorf\" ist schon vergeben. Jede "
         "Area braucht einen eigenen Namen, weil die Nachbarn sie beim Namen nennen."},
        // Corners beyond reach, fields given twice, numbers beyond any JSON number.
        {oneArea(R"("name": "Hill", "corner1": [2147483647, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": Die Ecke (2147483647, 1) liegt zu weit außerhalb "
         "des Bildes: eine Ecke darf höchstens 512 Bildpunkte über seinen Rand hinaus liegen "
         "(-512 bis 1023)"},
        {oneArea(R"("name": "Hill", "corner1": [-513, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": Die Ecke (-513, 1) liegt zu weit außerhalb des "
         "Bildes: eine Ecke darf höchstens 512 Bildpunkte über seinen Rand hinaus liegen (-512 "
         "bis 1023)"},
        {oneArea(kHill + R"("priority": 1, "name": "Fort")"),
         "Area 1 (\"Fort\"), Feld \"name\": steht zweimal da; welcher Wert gelten soll, bleibt "
         "unklar"},
        {R"({"areas": [], "areas": []})",
         "Das Feld \"areas\" der Area-Datei steht zweimal da; welcher Wert gelten soll, bleibt "
         "unklar"},
        {oneArea(kHill + R"("priority": 1e400)"),
         "Die Area-Datei enthält die Zahl 1e400 (Zeile 1, Spalte 87), die zu groß ist; Ecken, "
         "Prioritäten und Seiten sind ganze Zahlen"},
        {oneArea(kHill + R"("priority": 1, "neighbors": ["Hill"])"),
         "Area 1 (\"Hill\"), Feld \"neighbors\": unbekanntes Feld"},
        {oneArea(R"("name": "Hill", "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": fehlt"},
        {oneArea(R"("name": "Hill", "corner1": [1, 1], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner2\": fehlt"},
        {oneArea(R"("name": "Hill", "corner1": [1], "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": [1, 1, 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": [1, 1], "corner2": [2.5, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner2\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": ["1", 1], "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": [1, 1], "corner2": [2147483648, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner2\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": {"x": 1}, "corner2": [2, 2], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner1\": muss eine Liste aus zwei ganzen Zahlen sein: "
         "[links, oben] in Bildpunkten"},
        {oneArea(R"("name": "Hill", "corner1": [1, 5], "corner2": [1, 9], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner2\": liegt in derselben Zeile oder Spalte wie "
         "\"corner1\"; eine Area braucht Breite und Höhe"},
        {oneArea(R"("name": "Hill", "corner1": [1, 5], "corner2": [9, 5], "priority": 1)"),
         "Area 1 (\"Hill\"), Feld \"corner2\": liegt in derselben Zeile oder Spalte wie "
         "\"corner1\"; eine Area braucht Breite und Höhe"},
        {oneArea(R"("name": "Hill", "corner1": [1, 1], "corner2": [2, 2])"),
         "Area 1 (\"Hill\"), Feld \"priority\": fehlt"},
        {oneArea(kHill + R"("priority": true)"),
         "Area 1 (\"Hill\"), Feld \"priority\": muss eine ganze Zahl oder ein Text sein"},
        {oneArea(kHill + R"("priority": 1.5)"),
         "Area 1 (\"Hill\"), Feld \"priority\": muss eine ganze Zahl oder ein Text sein"},
        {oneArea(kHill + R"("priority": "hoch")"),
         "Area 1 (\"Hill\"), Feld \"priority\": 'hoch' ist kein gültiger Integerwert"},
        {oneArea(kHill + R"x("priority": "Priorität (von 1 - 200)")x"),
         "Area 1 (\"Hill\"), Feld \"priority\": 'Priorität (von 1 - 200)' ist kein gültiger "
         "Integerwert"},
        {oneArea(kHill + R"("priority": 3000000000)"),
         "Area 1 (\"Hill\"), Feld \"priority\": '3000000000' ist kein gültiger Integerwert"},
        {oneArea(kHill + R"("priority": 1, "flags": "cp")"),
         "Area 1 (\"Hill\"), Feld \"flags\": muss eine Liste von Texten sein"},
        {oneArea(kHill + R"("priority": 1, "flags": ["cp", 2])"),
         "Area 1 (\"Hill\"), Feld \"flags\": muss eine Liste von Texten sein"},
        {oneArea(kHill + R"("priority": 1, "flags": ["CP"])"),
         "Area 1 (\"Hill\"), Feld \"flags\": unbekannte Markierung \"CP\" (erlaubt: basis, cp, "
         "strong, air, Flanke, center)"},
        {oneArea(kHill + R"("priority": 1, "light": "ja")"),
         "Area 1 (\"Hill\"), Feld \"light\": muss true oder false sein"},
        {oneArea(kHill + R"("priority": 1, "heavy": 1)"),
         "Area 1 (\"Hill\"), Feld \"heavy\": muss true oder false sein"},
        {oneArea(kHill + R"("priority": 1, "side": 3)"),
         "Area 1 (\"Hill\"), Feld \"side\": muss 1 (Team 1), 2 (Team2) oder 0 (Neutral) sein; "
         "ohne Seite fehlt das Feld"},
        {oneArea(kHill + R"("priority": 1, "side": "1")"),
         "Area 1 (\"Hill\"), Feld \"side\": muss 1 (Team 1), 2 (Team2) oder 0 (Neutral) sein; "
         "ohne Seite fehlt das Feld"},
        {oneArea(kHill + R"("priority": 1, "side": null)"),
         "Area 1 (\"Hill\"), Feld \"side\": muss 1 (Team 1), 2 (Team2) oder 0 (Neutral) sein; "
         "ohne Seite fehlt das Feld"},
        {oneArea(kHill + R"("priority": 1, "neighbours": "Hill")"),
         "Area 1 (\"Hill\"), Feld \"neighbours\": muss eine Liste von Texten sein"},
        {oneArea(kHill + R"("priority": 1, "extraLines": [3])"),
         "Area 1 (\"Hill\"), Feld \"extraLines\": muss eine Liste von Texten sein"},
        {oneArea(kHill + R"("priority": 1, "extraLines": ["rem a", "rem b\r\nrem c"])"),
         "Area 1 (\"Hill\"), Feld \"extraLines\": Zeile 2: darf keine Zeilenumbrüche oder "
         "Steuerzeichen enthalten"},
        {oneArea(kHill + R"("priority": 1, "extraLines": ["rem →"])"),
         "Area 1 (\"Hill\"), Feld \"extraLines\": Zeile 1: Das Zeichen \"→\" kann im "
         "Zeichensatz des Spiels (Windows-1252) nicht gespeichert werden"},
        {oneArea(kHill + R"("priority": 1, "neighbours": ["hill"])"),
         "Area 1 (\"Hill\"), Feld \"neighbours\": \"hill\" ist keine Area dieser Datei"},
        // The second area is named by its number and name.
        {R"({"areas": [{"name": "Hill", "corner1": [1, 1], "corner2": [2, 2], "priority": 1,
                        "neighbours": ["Bridge"]},
                       {"name": "Bridge", "corner1": [1, 1], "corner2": [2, 2], "priority": 1,
                        "neighbours": ["Hill", "Fort"]}]})",
         "Area 2 (\"Bridge\"), Feld \"neighbours\": \"Fort\" ist keine Area dieser Datei"},
        {R"({"areas": [{"name": "Hill", "corner1": [1, 1], "corner2": [2, 2], "priority": 1},
                       {"name": "Bridge", "corner1": [1, 1], "corner2": [2, 2]}]})",
         "Area 2 (\"Bridge\"), Feld \"priority\": fehlt"},
    };
    Level level;
    for (const auto& [json, message] : cases)
        EXPECT_EQ(errorMessage([&] { writeAreaScriptFromFile(level.state, json); }), message)
            << json;
    EXPECT_FALSE(fs::exists(level.dir.path() / "AI/StrategicAreas.con"));
}
