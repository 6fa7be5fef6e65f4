// The area editor model as the tab drives it: cursor, areas, the neighbour phase, the area
// script and the undo of the last area, with the script written to a real folder.
#include "areas/area_editor.h"
#include "areas/area_file.h"
#include "areas/hill_and_bridge.h"
#include "areas/level_takeover.h"
#include "core/codepage.h"
#include "core/wizard_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::WizardState;
using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;

namespace {

// The wizard state after Start on a 2048 level: FormShow set areaEditMode to 1 and levelDir
// names an addon folder that holds an AI folder.
struct Level {
    explicit Level(std::int32_t worldSize = 2048) {
        state.worldSize = worldSize;
        state.worldScale = worldSize / 512;
        state.areaEditMode = tess::AreaEditMode::secondCorner;
        state.levelDir = dir.text();
        fs::create_directories(dir.path() / "AI");
    }
    std::string script() const { return readBytes(dir.path() / "AI/StrategicAreas.con"); }
    bool scriptExists() const { return fs::exists(dir.path() / "AI/StrategicAreas.con"); }

    TempDir dir;
    WizardState state;
};

AreaPanel panelNamed(const std::string& name, const std::string& priority = "100",
                     Side side = Side::neutral) {
    AreaPanel panel;
    panel.name = name;
    panel.priorityText = priority;
    panel.side = side;
    return panel;
}

// Both corners placed by clicks, the area completed and confirmed.
void confirmArea(AreaEditor& editor, PixelPosition green, PixelPosition red,
                 const AreaPanel& panel) {
    editor.newArea();
    editor.placeActiveMarker(green);
    editor.confirmPoint();
    editor.placeActiveMarker(red);
    ASSERT_TRUE(editor.finishArea());
    ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);
}

std::vector<std::string> names(const std::vector<CheckEntry>& entries) {
    std::vector<std::string> result;
    for (const auto& e : entries)
        result.push_back(e.name + (e.ticked ? " [x]" : ""));
    return result;
}

// The cursor as the window's design places it on the picture.
const CursorLayout kDesignLayout = {{
    {{304, 264}, 1, 1, true},   // gruen
    {{280, 216}, 41, 49, true}, // fg
    {{341, 264}, 1, 1, true},   // rot
    {{317, 216}, 41, 49, true}, // fr
    {{624, 360}, 41, 5, false}, // oben
    {{632, 376}, 41, 5, false}, // unten
    {{656, 240}, 5, 41, false}, // links
    {{672, 248}, 5, 41, false}, // rechts
}};

PixelPosition at(const AreaEditor& editor, CursorPart part) {
    return editor.picture(part).position;
}

const std::string kHeader =
    "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n";

} // namespace

TEST(PixelToWorld, EveryWorldSizeWithoutClamping) {
    struct Case {
        std::int32_t size, scale;
        PixelPosition pixel;
        WorldPosition world;
    };
    const Case cases[] = {
        {1024, 2, {0, 0}, {0, 1024}},
        {1024, 2, {100, 412}, {200, 200}},
        {1024, 2, {512, 512}, {1024, 0}},
        {2048, 4, {0, 0}, {0, 2048}},
        {2048, 4, {256, 256}, {1024, 1024}},
        {2048, 4, {511, 511}, {2044, 4}},
        {4096, 8, {511, 1}, {4088, 4088}},
        {4096, 8, {256, 256}, {2048, 2048}},
        {2048, 4, {-10, -20}, {-40, 2128}},
        {2048, 4, {600, 700}, {2400, -752}},
        {4096, 8, {-1, 513}, {-8, -8}},
        {1024, 2, {1000000, -1000000}, {2000000, 2001024}},
        // Far beyond 32 bits of world units: the true value, not a wrapped one.
        {4096, 8, {2147483647, -2147483647 - 1}, {17179869176, 4096 + 17179869184}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pixelToWorld(c.pixel, c.size, c.scale), c.world)
            << c.size << " " << c.pixel.left << "," << c.pixel.top;
}

TEST(AreaEditor, HillAndBridgeByKeysClicksAndLabels) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);

    // Hill: the green marker steered by key moves from its start at (304, 264).
    editor.newArea();
    editor.move(Direction::left, "204");
    editor.move(Direction::up, "100");
    editor.move(Direction::up, "64");
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{100, 100}));
    EXPECT_EQ(at(editor, CursorPart::fg), (PixelPosition{76, 52}));
    EXPECT_EQ(editor.positionText(), "X 400  Z 1648");
    editor.confirmPoint();
    editor.move(Direction::left, "141");
    editor.move(Direction::down, "36");
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{200, 300}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{176, 252}));
    ASSERT_TRUE(editor.finishArea());
    EXPECT_EQ(editor.bounds(), (AreaBounds{400, 848, 800, 1648, 600, 1248}));
    AreaPanel panel = panelNamed("Hill", "100", Side::team1);
    panel.setFlag(AreaFlag::cp, true);
    panel.leicht = true;
    ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);

    // Bridge: corners by clicks; the panel kept Hill's values and the user changed them.
    editor.newArea();
    editor.placeActiveMarker({300, 50});
    editor.confirmPoint();
    editor.placeActiveMarker({260, 120});
    ASSERT_TRUE(editor.finishArea());
    EXPECT_EQ(editor.bounds(), (AreaBounds{1040, 1568, 1200, 1848, 1120, 1708}));
    panel.name = "Bridge";
    panel.priorityText = "50";
    panel.setFlag(AreaFlag::cp, false);
    panel.leicht = false;
    panel.side = Side::neutral;
    ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);
    EXPECT_EQ(editor.summaryEntries(),
              (std::vector<std::string>{std::string(tess::test::kHillSummary),
                                        std::string(tess::test::kBridgeSummary)}));

    editor.openNeighbours();
    EXPECT_EQ(editor.neighbourHeading(), "Hill ist Nachbar von: ");
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Bridge"}));
    editor.setTicked(1, true);
    NextOutcome outcome = editor.nextArea();
    EXPECT_FALSE(outcome.scriptWritten);
    EXPECT_EQ(editor.neighbourHeading(), "Bridge ist Nachbar von: ");
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Bridge"}));
    EXPECT_FALSE(level.scriptExists());

    editor.setTicked(0, true);
    outcome = editor.nextArea();
    EXPECT_TRUE(outcome.scriptWritten);
    EXPECT_EQ(outcome.scriptPath, level.state.levelDir + "AI\\StrategicAreas.con");
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
    EXPECT_EQ(level.script(), tess::test::kHillAndBridgeScript);
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Bridge"}));
    // The script is written: the panel closes.
    EXPECT_FALSE(editor.neighbourPanelVisible());
}

TEST(AreaEditor, CursorThroughEveryStateOfTheTab) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    const auto visible = [&] {
        std::string parts;
        const char* labels[] = {"gruen", "fg", "rot", "fr", "oben", "unten", "links", "rechts"};
        for (std::size_t i = 0; i < kCursorPartCount; ++i)
            if (editor.picture(static_cast<CursorPart>(i)).visible)
                parts += std::string(parts.empty() ? "" : " ") + labels[i];
        return parts;
    };
    const auto enabled = [&] {
        std::string commands;
        const std::pair<Command, const char*> all[] = {
            {Command::loadPicture, "load"},      {Command::newArea, "new"},
            {Command::confirmPoint, "confirm"},  {Command::finishArea, "finish"},
            {Command::moveLabels, "moveLabels"}, {Command::confirmArea, "ok"},
            {Command::openNeighbours, "fertig"}, {Command::nextArea, "next"}};
        for (const auto& [command, label] : all)
            if (editor.isEnabled(command))
                commands += std::string(commands.empty() ? "" : " ") + label;
        return commands;
    };

    // Start: both markers and flags at their start positions; moves act on the red marker.
    EXPECT_EQ(visible(), "gruen fg rot fr");
    EXPECT_EQ(enabled(), "load new fertig");
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 264}));
    EXPECT_EQ(at(editor, CursorPart::fg), (PixelPosition{280, 216}));
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{341, 264}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{317, 216}));
    editor.move(Direction::right, "2");
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{343, 264}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{319, 216}));
    EXPECT_EQ(editor.positionText(), "X 1372  Z 992");

    // The movement labels follow the radio buttons; the keys always act.
    editor.chooseMovementMode(MovementMode::interval);
    EXPECT_EQ(enabled(), "load new moveLabels fertig");
    editor.chooseMovementMode(MovementMode::keypad);
    EXPECT_EQ(enabled(), "load new fertig");

    // A step that is not a number moves nothing; a negative one moves back, 0 not at all.
    EXPECT_EQ(errorMessage([&] { editor.move(Direction::up, "5x"); }),
              "'5x' ist kein gültiger Integerwert");
    EXPECT_EQ(errorMessage([&] { editor.move(Direction::up, ""); }),
              "'' ist kein gültiger Integerwert");
    editor.move(Direction::right, "-2");
    editor.move(Direction::down, "0");
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{341, 264}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{317, 216}));

    // Placing the first corner.
    editor.newArea();
    EXPECT_EQ(level.state.areaEditMode, tess::AreaEditMode::firstCorner);
    EXPECT_EQ(enabled(), "load confirm fertig");
    editor.move(Direction::down, "6");
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 270}));
    EXPECT_EQ(at(editor, CursorPart::fg), (PixelPosition{280, 222}));

    // Placing the second corner.
    editor.confirmPoint();
    EXPECT_EQ(level.state.areaEditMode, tess::AreaEditMode::secondCorner);
    EXPECT_EQ(enabled(), "load finish fertig");
    EXPECT_EQ(visible(), "gruen fg rot fr");

    // Completing: the frame bars, the panel.
    editor.placeActiveMarker({-20, 600});
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{-44, 552}));
    EXPECT_EQ(editor.positionText(), "X -80  Z -352");
    ASSERT_TRUE(editor.finishArea());
    EXPECT_EQ(visible(), "gruen fg rot fr oben unten links rechts");
    EXPECT_EQ(enabled(), "load finish ok fertig");
    EXPECT_TRUE(editor.areaPanelVisible());

    // Idle: everything parked and hidden; areaEditMode stays 1.
    ASSERT_EQ(editor.confirmArea(panelNamed("Edge")), ConfirmOutcome::confirmed);
    EXPECT_EQ(visible(), "");
    EXPECT_EQ(enabled(), "load new fertig");
    EXPECT_FALSE(editor.areaPanelVisible());
    EXPECT_EQ(level.state.areaEditMode, tess::AreaEditMode::secondCorner);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        const auto part = static_cast<CursorPart>(i);
        EXPECT_EQ(at(editor, part), kDesignLayout[i].position);
    }

    // The hidden red marker still moves, and reappears where it was moved to.
    editor.move(Direction::left, "41");
    EXPECT_FALSE(editor.picture(CursorPart::rot).visible);
    editor.newArea();
    EXPECT_EQ(visible(), "gruen fg");
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 264}));
    editor.confirmPoint();
    EXPECT_EQ(visible(), "gruen fg rot fr");
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{300, 264}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{276, 216}));

    // With an edit mode other than 1 or 2 (memory.bf unreadable at start) nothing moves and
    // the step is not even read.
    level.state.areaEditMode = tess::AreaEditMode::none;
    editor.move(Direction::left, "not a number");
    editor.placeActiveMarker({1, 1});
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{300, 264}));
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 264}));
    EXPECT_EQ(editor.positionText(), "");

    // Positions stop at the 32-bit limits instead of wrapping round.
    level.state.areaEditMode = tess::AreaEditMode::secondCorner;
    editor.move(Direction::left, "2147483647");
    editor.move(Direction::left, "2147483647");
    EXPECT_EQ(at(editor, CursorPart::rot).left, -2147483647 - 1);
}

TEST(AreaEditor, RectangleOfEveryCornerArrangement) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    editor.newArea();
    editor.confirmPoint();
    const PixelPosition corners[][2] = {
        {{100, 100}, {200, 300}}, // green top left
        {{200, 300}, {100, 100}}, // green bottom right
        {{100, 300}, {200, 100}}, // green bottom left
        {{200, 100}, {100, 300}}, // green top right
    };
    for (const auto& pair : corners) {
        level.state.areaEditMode = tess::AreaEditMode::firstCorner;
        editor.placeActiveMarker(pair[0]);
        level.state.areaEditMode = tess::AreaEditMode::secondCorner;
        editor.placeActiveMarker(pair[1]);
        ASSERT_TRUE(editor.finishArea());
        EXPECT_EQ(editor.bounds(), (AreaBounds{400, 848, 800, 1648, 600, 1248}));
        EXPECT_EQ(editor.rectangle(), (PixelRectangle{100, 100, 200, 300}));
        const auto bar = [&](CursorPart part) {
            const CursorPicture& p = editor.picture(part);
            return std::vector<std::int32_t>{p.position.left, p.position.top, p.width, p.height};
        };
        EXPECT_EQ(bar(CursorPart::oben), (std::vector<std::int32_t>{100, 100, 100, 5}));
        EXPECT_EQ(bar(CursorPart::unten), (std::vector<std::int32_t>{100, 300, 100, 5}));
        EXPECT_EQ(bar(CursorPart::links), (std::vector<std::int32_t>{100, 100, 5, 200}));
        EXPECT_EQ(bar(CursorPart::rechts), (std::vector<std::int32_t>{200, 100, 5, 200}));
    }

    // One row or one column computes nothing; the open panel keeps the earlier values.
    level.state.areaEditMode = tess::AreaEditMode::secondCorner;
    for (const PixelPosition red : {PixelPosition{200, 250}, PixelPosition{150, 100}}) {
        editor.placeActiveMarker(red);
        EXPECT_FALSE(editor.finishArea());
        EXPECT_TRUE(editor.areaPanelVisible());
        EXPECT_EQ(editor.bounds(), (AreaBounds{400, 848, 800, 1648, 600, 1248}));
        EXPECT_EQ(at(editor, CursorPart::oben), (PixelPosition{100, 100}));
    }
}

TEST(AreaEditor, OneRowBeforeAnyAreaOpensNothing) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    editor.newArea();
    editor.placeActiveMarker({341, 10}); // green into the red marker's column
    editor.confirmPoint();
    EXPECT_FALSE(editor.finishArea());
    EXPECT_FALSE(editor.areaPanelVisible());
    // The bars are shown but still lie parked out of sight.
    EXPECT_TRUE(editor.picture(CursorPart::oben).visible);
    EXPECT_EQ(at(editor, CursorPart::oben), (PixelPosition{624, 360}));
    EXPECT_EQ(editor.confirmArea(panelNamed("X")), ConfirmOutcome::panelClosed);
    EXPECT_TRUE(editor.summaryEntries().empty());
}

TEST(AreaEditor, RefusedConfirmationsLeaveThePanelOpenAndQueueNothing) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    editor.newArea();
    editor.confirmPoint();
    editor.placeActiveMarker({341, 300});
    ASSERT_TRUE(editor.finishArea());

    EXPECT_EQ(editor.confirmArea(panelNamed("")), ConfirmOutcome::nameMissing);
    EXPECT_EQ(editor.areaName(), "");

    // The untouched prompt text, words and numbers too large for 32 bits are not numbers;
    // areaName has already taken the new name.
    const std::pair<std::string, std::string> bad[] = {
        {"Priorität (von 1 - 200)", "'Priorität (von 1 - 200)' ist kein gültiger Integerwert"},
        {"viel", "'viel' ist kein gültiger Integerwert"},
        {"2147483648", "'2147483648' ist kein gültiger Integerwert"},
        {"", "'' ist kein gültiger Integerwert"}};
    for (const auto& [priority, message] : bad) {
        EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed("Dorf", priority)); }), message);
        EXPECT_EQ(editor.areaName(), "Dorf");
    }
    // Names the game's reader would split, or cannot hold; a corner far off the picture.
    const std::pair<std::string, std::string> names[] = {
        {"Brücke→Fluss", "Das Zeichen \"→\" kann im Zeichensatz des Spiels (Windows-1252) "
                         "nicht gespeichert werden"},
        {"Hier den Area - Namen",
         "Der Area-Name \"Hier den Area - Namen\" enthält ein Leerzeichen. Bitte einen Namen "
         "ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
        {"Brücke\tNord", "Der Area-Name \"Brücke\tNord\" enthält einen Tabulator, "
                         "Zeilenumbruch oder ein Steuerzeichen. Bitte einen Namen ohne "
                         "Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
        {"A/B", "Der Area-Name \"A/B\" enthält einen Schrägstrich (/). Bitte einen Namen ohne "
                "Leerzeichen, Schrägstrich und Anführungszeichen wählen."},
    };
    for (const auto& [name, message] : names)
        EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed(name)); }), message) << name;
    editor.placeActiveMarker({341, 1024});
    ASSERT_TRUE(editor.finishArea());
    EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed("Dorf")); }),
              "Die Ecke (341, 1024) liegt zu weit außerhalb des Bildes: eine Ecke darf höchstens "
              "512 Bildpunkte über seinen Rand hinaus liegen (-512 bis 1023)");
    editor.placeActiveMarker({341, 300});
    ASSERT_TRUE(editor.finishArea());
    EXPECT_TRUE(editor.areaPanelVisible());
    EXPECT_TRUE(editor.summaryEntries().empty());
    EXPECT_EQ(editor.waitingCount(), 0u);
    EXPECT_TRUE(editor.isEnabled(Command::finishArea));
    EXPECT_FALSE(editor.isEnabled(Command::newArea));

    // "OK" again with a number works, with whatever range.
    ASSERT_EQ(editor.confirmArea(panelNamed("Dorf", "-5")), ConfirmOutcome::confirmed);
    EXPECT_EQ(editor.areaPriority(), -5);
    EXPECT_EQ(editor.summaryEntries().back(), "Dorf [ 1216;848 / 1364;992 ] ==> Prio. [-5]");

    // A second "Dorf" is refused, and so is the name of another area taken in an edit.
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("Kirche"));
    editor.newArea();
    editor.confirmPoint();
    editor.placeActiveMarker({341, 300});
    ASSERT_TRUE(editor.finishArea());
    const std::string twice = "Der Area-Name \"Dorf\" ist schon vergeben. Jede Area braucht einen "
                              "eigenen Namen, weil die Nachbarn sie beim Namen nennen.";
    EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed("Dorf")); }), twice);
    ASSERT_EQ(editor.confirmArea(panelNamed("Turm")), ConfirmOutcome::confirmed);
    editor.selectArea(1);
    ASSERT_TRUE(editor.editArea());
    EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed("Dorf")); }), twice);
    // Its own name it keeps.
    EXPECT_EQ(editor.confirmArea(panelNamed("Kirche", "3")), ConfirmOutcome::confirmed);
    EXPECT_EQ(editor.summaryEntries().size(), 3u);
}

TEST(AreaEditor, UnusualAreasAreWrittenAsTheyAre) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    // No flag, both vehicle kinds, priority 0, no side; centre 0/0 with order positions at
    // -10; an area past the picture edge.
    AreaPanel untouched = panelNamed("Nirgendwo", "0", Side::none);
    untouched.leicht = true;
    untouched.schwer = true;
    confirmArea(editor, {-10, 522}, {10, 502}, untouched);
    AreaPanel all = panelNamed("BasisNord", "250", Side::team2);
    for (const auto& info : kAreaFlags)
        all.setFlag(info.flag, true);
    confirmArea(editor, {600, -5}, {520, 3}, all);
    EXPECT_EQ(editor.summaryEntries(),
              (std::vector<std::string>{"Nirgendwo [ -40;-40 / 40;40 ] ==> Prio. [0]",
                                        "BasisNord [ 2080;2036 / 2400;2068 ] ==> Prio. [250]"}));
    editor.openNeighbours();
    editor.nextArea();
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(),
              "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
              "aiStrategicArea.create Nirgendwo -40/-40 40/40 0\r\n"
              " \r\n"
              "aiStrategicArea.create BasisNord 2080/2036 2400/2068 250\r\n"
              " \r\n"
              "\r\n"
              " \r\n"
              " \r\n"
              "aiStrategicArea.setActive Nirgendwo\r\n"
              "AIStrategicArea.setOrderPosition Infantry -10/-10\r\n"
              "AIStrategicArea.setOrderPosition Car -10/-10\r\n"
              "AIStrategicArea.setOrderPosition Tank -10/-10\r\n"
              "\r\n"
              "\r\n"
              "aiStrategicArea.setActive BasisNord\r\n"
              "aiStrategicArea.addObjectTypeFlag Base\r\n"
              "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
              "aiStrategicArea.addObjectTypeFlag StrongPoint\r\n"
              "aiStrategicArea.addObjectTypeFlag airfield\r\n"
              "aiStrategicArea.addObjectTypeFlag flank\r\n"
              "aiStrategicArea.addObjectTypeFlag center\r\n"
              "AIStrategicArea.setOrderPosition Infantry 2230/2042\r\n"
              "aiStrategicArea.setSide 2\r\n"
              "\r\n"
              "\r\n");
}

TEST(AreaEditor, AreasWithoutSideKeepTheOthersSides) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A", "1", Side::none));
    confirmArea(editor, {30, 30}, {40, 40}, panelNamed("B", "1", Side::team1));
    confirmArea(editor, {50, 50}, {60, 60}, panelNamed("C", "1", Side::none));
    editor.openNeighbours();
    for (int i = 0; i < 3; ++i)
        editor.nextArea();
    const std::string script = level.script();
    const auto block = script.substr(script.find("aiStrategicArea.setActive"));
    EXPECT_EQ(block, "aiStrategicArea.setActive A\r\n"
                     "AIStrategicArea.setOrderPosition Infantry 50/1978\r\n"
                     "\r\n"
                     "\r\n"
                     "aiStrategicArea.setActive B\r\n"
                     "AIStrategicArea.setOrderPosition Infantry 130/1898\r\n"
                     "aiStrategicArea.setSide 1\r\n"
                     "\r\n"
                     "aiStrategicArea.setActive C\r\n"
                     "AIStrategicArea.setOrderPosition Infantry 210/1818\r\n"
                     "\r\n"
                     "\r\n"
                     "\r\n");
}

TEST(NeighbourPhase, EachAreaOnceWithItsOwnTicks) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    EXPECT_EQ(editor.neighbourHeading(), "Area");
    // "Fertig" before any area: nothing opens, the window says why.
    EXPECT_FALSE(editor.openNeighbours());
    EXPECT_FALSE(editor.neighbourPanelVisible());
    EXPECT_FALSE(editor.nextArea().areaFinished);
    EXPECT_EQ(kNoAreaYetMessage, "Es gibt noch keine Area. Zeichne zuerst eine Area (\"Neue "
                                 "Strategic - Area\") oder übernimm die Areas der Karte; danach "
                                 "führt \"Fertig\" durch ihre Nachbarn.");

    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A"));
    confirmArea(editor, {30, 30}, {40, 40}, panelNamed("B"));
    // "Fertig" twice lists every area once.
    ASSERT_TRUE(editor.openNeighbours());
    ASSERT_TRUE(editor.openNeighbours());
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(editor.neighbourHeading(), "A ist Nachbar von: ");
    // An area confirmed during the phase joins the list and the walk at once.
    confirmArea(editor, {50, 50}, {60, 60}, panelNamed("C"));
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B", "C"}));

    // A: C and B ticked (written in the list's order), itself ticked and unticked.
    editor.setTicked(2, true);
    editor.setTicked(1, true);
    editor.setTicked(0, true);
    editor.setTicked(0, false);
    editor.setTicked(99, true); // no such entry
    EXPECT_FALSE(editor.nextArea().scriptWritten);
    // B shows its own ticks: none yet.
    EXPECT_EQ(editor.neighbourHeading(), "B ist Nachbar von: ");
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B", "C"}));
    editor.setTicked(0, true);
    editor.nextArea();
    editor.setTicked(1, true);
    const NextOutcome outcome = editor.nextArea();
    ASSERT_TRUE(outcome.scriptWritten);
    EXPECT_TRUE(editor.scriptFinal());
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
    EXPECT_EQ(level.script(), kHeader + "aiStrategicArea.create A 40/1968 80/2008 100\r\n"
                                        " \r\n"
                                        "aiStrategicArea.create B 120/1888 160/1928 100\r\n"
                                        " \r\n"
                                        "aiStrategicArea.create C 200/1808 240/1848 100\r\n"
                                        " \r\n"
                                        "\r\n"
                                        " \r\n"
                                        " \r\n"
                                        "aiStrategicArea.setActive A\r\n"
                                        "AIStrategicArea.addNeighbour B\r\n"
                                        "AIStrategicArea.addNeighbour C\r\n"
                                        "AIStrategicArea.setOrderPosition Infantry 50/1978\r\n"
                                        "aiStrategicArea.setSide 0\r\n"
                                        "\r\n"
                                        "aiStrategicArea.setActive B\r\n"
                                        "AIStrategicArea.addNeighbour A\r\n"
                                        "AIStrategicArea.setOrderPosition Infantry 130/1898\r\n"
                                        "aiStrategicArea.setSide 0\r\n"
                                        "\r\n"
                                        "aiStrategicArea.setActive C\r\n"
                                        "AIStrategicArea.addNeighbour B\r\n"
                                        "AIStrategicArea.setOrderPosition Infantry 210/1818\r\n"
                                        "aiStrategicArea.setSide 0\r\n"
                                        "\r\n"
                                        "\r\n");
    // Nothing waits and nothing changed: "Nächste" does nothing.
    EXPECT_FALSE(editor.nextArea().scriptWritten);

    // "Areas wieder bearbeiten": back to drawing; the next phase walks every area again with
    // its earlier ticks, and "Nächste" through them writes the same bytes.
    const std::string written = level.script();
    EXPECT_FALSE(editor.isEnabled(Command::undo));
    EXPECT_TRUE(editor.isEnabled(Command::editAgain));
    ASSERT_TRUE(editor.editAgain());
    EXPECT_FALSE(editor.neighbourPanelVisible());
    EXPECT_EQ(editor.waitingCount(), 3u);
    ASSERT_TRUE(editor.openNeighbours());
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B [x]", "C [x]"}));
    editor.nextArea();
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A [x]", "B", "C"}));
    editor.nextArea();
    fs::remove(level.dir.path() / "AI/StrategicAreas.con");
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(), written);
}

TEST(NeighbourPhase, AFailedWriteLosesNothing) {
    Level level;
    fs::remove_all(level.dir.path() / "AI");
    AreaEditor editor(level.state, kDesignLayout);
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A"));
    editor.openNeighbours();
    const std::string message = errorMessage([&] { editor.nextArea(); });
    EXPECT_EQ(message.rfind("Datei \"" + level.state.levelDir +
                                "AI\\StrategicAreas.con\" kann nicht erstellt werden. ",
                            0),
              0u)
        << message;
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");

    // Once the folder exists, "Nächste" writes what was finished, once.
    fs::create_directories(level.dir.path() / "AI");
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_NE(level.script().find("aiStrategicArea.setActive A\r\n"), std::string::npos);
    EXPECT_FALSE(editor.nextArea().scriptWritten);
}

// Every area editable, deletable, and every such step undone, whatever the neighbour phase
// has done meanwhile: Hill, Bridge and Irrtum drawn, Hill walked with Bridge and Irrtum as its
// neighbours, Bridge with Hill; Irrtum waits.
namespace {

AreaPanel hillPanel() {
    AreaPanel panel = panelNamed("Hill", "100", Side::team1);
    panel.setFlag(AreaFlag::cp, true);
    panel.leicht = true;
    return panel;
}

struct ThreeAreas {
    ThreeAreas() {
        confirmArea(editor, {100, 100}, {200, 300}, hillPanel());
        confirmArea(editor, {300, 50}, {260, 120}, panelNamed("Bridge", "50", Side::neutral));
        confirmArea(editor, {400, 400}, {450, 480}, panelNamed("Irrtum", "7", Side::team2));
        editor.openNeighbours();
        editor.setTicked(1, true);
        editor.setTicked(2, true);
        editor.nextArea();
        editor.setTicked(0, true);
        editor.nextArea();
    }
    // Each area with its summary entry and neighbours, and the current one.
    std::string view() const {
        std::string text;
        for (std::size_t i = 0; i < editor.confirmedAreas().size(); ++i) {
            const ConfirmedArea& area = editor.confirmedAreas()[i];
            text += editor.summaryEntries()[i] + " ->";
            for (const std::string& name : editor.neighbourNames(area))
                text += " " + name;
            text += area.finished ? " (fertig)\n" : "\n";
        }
        return text + editor.neighbourHeading();
    }
    void edit(std::size_t index, PixelPosition green, PixelPosition red, const AreaPanel& panel) {
        editor.selectArea(index);
        ASSERT_TRUE(editor.editArea());
        editor.placeActiveMarker(green);
        editor.confirmPoint();
        editor.placeActiveMarker(red);
        ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);
    }
    Level level;
    AreaEditor editor{level.state, kDesignLayout};
};

} // namespace

// Every kind of step, undone with Ctrl+Z and done again with Ctrl+Y.
TEST(Editing, EveryStepOnAnyAreaItsUndoAndItsRedo) {
    const std::string base =
        "Hill [ 400;848 / 800;1648 ] ==> Prio. [100] -> Bridge Irrtum (fertig)\n"
        "Bridge [ 1040;1568 / 1200;1848 ] ==> Prio. [50] -> Hill (fertig)\n"
        "Irrtum [ 1600;128 / 1800;448 ] ==> Prio. [7] ->\n"
        "Irrtum ist Nachbar von: ";
    struct Case {
        std::string label;
        std::function<void(ThreeAreas&)> step;
        std::string view;
    };
    const Case cases[] = {
        {"Bridge renamed and moved: the ticks follow the name",
         [](ThreeAreas& t) {
             t.edit(1, {290, 40}, {250, 130}, panelNamed("Brücke", "60", Side::team1));
         },
         "Hill [ 400;848 / 800;1648 ] ==> Prio. [100] -> Brücke Irrtum (fertig)\n"
         "Brücke [ 1000;1528 / 1160;1888 ] ==> Prio. [60] -> Hill (fertig)\n"
         "Irrtum [ 1600;128 / 1800;448 ] ==> Prio. [7] ->\n"
         "Irrtum ist Nachbar von: "},
        {"Irrtum deleted: Hill no longer names it, and no area waits",
         [](ThreeAreas& t) {
             t.editor.selectArea(2);
             EXPECT_EQ(t.editor.areasNamingSelected(), std::vector<std::string>{"Hill"});
             ASSERT_TRUE(t.editor.deleteArea());
         },
         "Hill [ 400;848 / 800;1648 ] ==> Prio. [100] -> Bridge (fertig)\n"
         "Bridge [ 1040;1568 / 1200;1848 ] ==> Prio. [50] -> Hill (fertig)\n"
         " ist Nachbar von: "},
        {"Hill, walked already, deleted",
         [](ThreeAreas& t) {
             t.editor.clickPicture({150, 102}); // on its outline
             EXPECT_EQ(t.editor.selectedArea(), 0u);
             EXPECT_EQ(t.editor.areasNamingSelected(), std::vector<std::string>{"Bridge"});
             ASSERT_TRUE(t.editor.deleteArea());
         },
         "Bridge [ 1040;1568 / 1200;1848 ] ==> Prio. [50] -> (fertig)\n"
         "Irrtum [ 1600;128 / 1800;448 ] ==> Prio. [7] ->\n"
         "Irrtum ist Nachbar von: "},
        {"a new area during the phase waits behind Irrtum",
         [](ThreeAreas& t) {
             confirmArea(t.editor, {10, 10}, {20, 20}, panelNamed("Wald"));
         },
         base.substr(0, base.rfind('\n') + 1) +
             "Wald [ 40;1968 / 80;2008 ] ==> Prio. [100] ->\nIrrtum ist Nachbar von: "},
        {"a level's area taken in with a line outside the areas",
         [](ThreeAreas& t) {
             AreaFile file;
             file.areas.push_back({{10, 10}, {20, 20}, panelNamed("Dorf"), {"Hill"}, {}, {}, {}});
             file.outside.before = {"aiSettings.createVehicleGroup common"};
             t.editor.importAreas(file);
         },
         base.substr(0, base.rfind('\n') + 1) +
             "Dorf [ 40;1968 / 80;2008 ] ==> Prio. [100] -> Hill\nIrrtum ist Nachbar von: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ThreeAreas t;
        ASSERT_EQ(t.view(), base);
        const std::string before = t.editor.areaScriptText();
        c.step(t);
        EXPECT_EQ(t.view(), c.view);
        const std::string after = t.editor.areaScriptText();
        // Ctrl+Z gives back exactly what was there, Ctrl+Y what the step made, once.
        EXPECT_FALSE(t.editor.isEnabled(Command::redo));
        ASSERT_TRUE(t.editor.isEnabled(Command::undo));
        ASSERT_TRUE(t.editor.undo());
        EXPECT_EQ(t.view(), base);
        EXPECT_EQ(t.editor.areaScriptText(), before);
        ASSERT_TRUE(t.editor.redo());
        EXPECT_EQ(t.view(), c.view);
        EXPECT_EQ(t.editor.areaScriptText(), after);
        EXPECT_FALSE(t.editor.redo());
    }

    // The steps one after another, undone one by one, done again, undone again; a new step
    // after an undo leaves nothing to redo.
    ThreeAreas t;
    for (const Case& c : cases)
        if (!c.label.starts_with("Hill"))
            c.step(t);
    const std::string all = t.view();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(t.editor.undo());
    EXPECT_EQ(t.view(), base);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(t.editor.redo());
    EXPECT_EQ(t.view(), all);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(t.editor.undo());
    EXPECT_EQ(t.view(), base);
    ASSERT_TRUE(t.editor.redo());
    confirmArea(t.editor, {10, 10}, {20, 20}, panelNamed("Weide"));
    EXPECT_FALSE(t.editor.isEnabled(Command::redo));
    ASSERT_TRUE(t.editor.undo());
    ASSERT_TRUE(t.editor.undo());
    EXPECT_EQ(t.view(), base);

    // Finished with the phase, Bridge's edit reaches every line that names it.
    t.edit(1, {300, 50}, {260, 120}, panelNamed("Brücke", "50", Side::neutral));
    t.editor.setTicked(0, true);
    ASSERT_TRUE(t.editor.nextArea().scriptWritten);
    const std::string script = t.level.script();
    EXPECT_NE(script.find("aiStrategicArea.setActive Hill\r\n"
                          "AIStrategicArea.addNeighbour Br\xfc"
                          "cke\r\n"
                          "AIStrategicArea.addNeighbour Irrtum\r\n"),
              std::string::npos)
        << script;
    EXPECT_EQ(script.find("Bridge"), std::string::npos);
}

TEST(Editing, WhatEachStateAllows) {
    ThreeAreas t;
    AreaEditor& editor = t.editor;
    // Nothing selected: no edit, no deletion; a click beside every area selects none and
    // places the hidden marker.
    EXPECT_FALSE(editor.isEnabled(Command::editArea));
    editor.clickPicture({10, 500});
    EXPECT_EQ(editor.selectedArea(), std::nullopt);
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{10, 500}));
    // Inside two areas, the smaller one.
    confirmArea(editor, {90, 90}, {300, 350}, panelNamed("Gross"));
    editor.clickPicture({150, 200});
    EXPECT_EQ(editor.selectedArea(), 0u);

    // The edit puts the flags on the corners and opens the panel with the area's values;
    // meanwhile no other edit, deletion, undo or new area.
    const auto panel = editor.editArea();
    ASSERT_TRUE(panel);
    EXPECT_EQ(*panel, hillPanel());
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{100, 100}));
    EXPECT_EQ(at(editor, CursorPart::fg), (PixelPosition{76, 52}));
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{200, 300}));
    EXPECT_EQ(at(editor, CursorPart::fr), (PixelPosition{176, 252}));
    EXPECT_EQ(at(editor, CursorPart::oben), (PixelPosition{100, 100}));
    EXPECT_EQ(t.level.state.areaEditMode, tess::AreaEditMode::firstCorner);
    for (const Command off : {Command::editArea, Command::deleteArea, Command::undo,
                              Command::newArea, Command::importAreas})
        EXPECT_FALSE(editor.isEnabled(off));
    // Both corners in one column: refused, the panel stays open.
    editor.placeActiveMarker({200, 10});
    EXPECT_NE(errorMessage([&] { editor.confirmArea(hillPanel()); }), "(no error)");
    EXPECT_TRUE(editor.areaPanelVisible());
    // Unchanged: no step to undo.
    editor.placeActiveMarker({100, 100});
    const std::size_t areas = editor.confirmedAreas().size();
    ASSERT_EQ(editor.confirmArea(hillPanel()), ConfirmOutcome::confirmed);
    EXPECT_TRUE(editor.undo()); // takes "Gross", the last step
    EXPECT_EQ(editor.confirmedAreas().size(), areas - 1);
}

// Areas from elsewhere (a level's own script, a proposal) come in as if drawn: kept lines,
// neighbours as ticks, names the game cannot read marked until changed.
TEST(Editing, AreasTakenInWithKeptLinesAndNamesToChange) {
    Level level;
    AreaEditor editor(level.state, kDesignLayout);
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("Wald"));
    AreaFile file;
    file.areas.resize(3);
    file[0].corner1 = {100, 100};
    file[0].corner2 = {200, 300};
    file[0].panel = hillPanel();
    file[0].neighbours = {"Dorf Nord", "Wald", "Verschwunden"};
    file[0].extraLines = {"aiStrategicArea.addObjectTypeFlag Target",
                          "AIStrategicArea.setOrderPosition Infantry 620/1300"};
    file[1].corner1 = {300, 50};
    file[1].corner2 = {260, 120};
    file[1].panel = panelNamed("Dorf Nord", "50");
    file[2] = file[1];
    file[2].panel.name = "Wald";

    // A corner out of reach refuses the whole file.
    AreaFile outOfReach = file;
    outOfReach[2].corner2 = {2000, 120};
    EXPECT_EQ(errorMessage([&] { editor.importAreas(outOfReach); }),
              "Area 3 (\"Wald\"): Die Ecke (2000, 120) liegt zu weit außerhalb des Bildes: eine "
              "Ecke darf höchstens 512 Bildpunkte über seinen Rand hinaus liegen (-512 bis 1023)");
    EXPECT_EQ(editor.confirmedAreas().size(), 1u);

    const ImportOutcome outcome = editor.importAreas(file);
    EXPECT_EQ(outcome.areaCount, 3u);
    EXPECT_EQ(outcome.namesToChange, (std::vector<std::string>{"Dorf Nord", "Wald"}));
    EXPECT_EQ(editor.summaryEntries()[1], std::string(tess::test::kHillSummary));
    // "Wald" names both; "Verschwunden" is no area and stays a line of its own. The kept
    // Infantry position stands for the editor's own: no class gets two.
    EXPECT_EQ(editor.neighbourNames(editor.confirmedAreas()[1]),
              (std::vector<std::string>{"Dorf Nord", "Wald", "Wald"}));
    EXPECT_EQ(errorMessage([&] { editor.openNeighbours(); }),
              "Diese Area-Namen kann das Spiel nicht lesen, oder sie kommen doppelt vor: \"Wald\", "
              "\"Dorf Nord\". Bitte jede dieser Areas auswählen, \"Area bearbeiten\" und ihr einen "
              "eigenen Namen ohne Leerzeichen geben.");

    // Renamed, the areas go through the phase with the ticks they came with.
    editor.selectArea(2);
    ASSERT_TRUE(editor.editArea());
    EXPECT_NE(errorMessage([&] { editor.confirmArea(panelNamed("Dorf Nord", "50")); }),
              "(no error)");
    ASSERT_EQ(editor.confirmArea(panelNamed("DorfNord", "50")), ConfirmOutcome::confirmed);
    editor.selectArea(3);
    ASSERT_TRUE(editor.editArea());
    ASSERT_EQ(editor.confirmArea(panelNamed("Weide", "50")), ConfirmOutcome::confirmed);
    EXPECT_TRUE(editor.namesToChange().empty());
    ASSERT_TRUE(editor.openNeighbours());
    for (int i = 0; i < 4; ++i)
        editor.nextArea();
    const std::string script = level.script();
    EXPECT_NE(script.find("aiStrategicArea.setActive Hill\r\n"
                          "AIStrategicArea.addNeighbour DorfNord\r\n"
                          "AIStrategicArea.addNeighbour Wald\r\n"
                          "AIStrategicArea.addNeighbour Weide\r\n"
                          "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
                          "AIStrategicArea.setOrderPosition Car 590/1238\r\n"
                          "aiStrategicArea.setSide 1\r\n"
                          "aiStrategicArea.addObjectTypeFlag Target\r\n"
                          "AIStrategicArea.setOrderPosition Infantry 620/1300\r\n"
                          "AIStrategicArea.addNeighbour Verschwunden\r\n"
                          "\r\n"),
              std::string::npos)
        << script;
}

// A level's own script, taken over: written again by the editor unchanged, it gives the same
// bytes when the editor wrote it first, and the same areas for the game's own levels.
TEST(AreasFromTheLevel, TakenOverAndWrittenAgainUnchanged) {
    std::mt19937 random(7);
    const char* const names[] = {"Hill", "Brücke", "x", "Fort_2", "Ölfeld", "HQ-A"};
    const char* const extras[] = {"aiStrategicArea.vehicleSearchRadius 160",
                                  "aiStrategicArea.addObjectTypeFlag Remote",
                                  "AIStrategicArea.setOrderPosition Infantry 12.5/7", "rem Notiz"};
    const auto pick = [&](int range) { return static_cast<std::int32_t>(random() % range); };
    for (int round = 0; round < 100; ++round) {
        Level level(1024 << pick(3));
        const std::int32_t size = level.state.worldSize;
        AreaFile areas;
        areas.areas.resize(1 + static_cast<std::size_t>(pick(std::size(names))));
        for (std::size_t i = 0; i < areas.size(); ++i) {
            AreaDefinition& a = areas[i];
            a.corner1 = {pick(560) - 20, pick(560) - 20};
            a.corner2 = {a.corner1.left + (1 + pick(80)) * (pick(2) ? 1 : -1),
                         a.corner1.top + (1 + pick(80)) * (pick(2) ? 1 : -1)};
            a.panel = {names[i],     std::to_string(pick(500) - 50), {}, pick(2) == 0,
                       pick(2) == 0, static_cast<Side>(pick(4))};
            for (bool& flag : a.panel.flags)
                flag = pick(2);
            for (std::size_t n = 0; n < areas.size(); ++n)
                if (pick(3) == 0)
                    a.neighbours.push_back(names[n]);
            for (int e = pick(4); e > 0; --e)
                a.extraLines.push_back(extras[pick(std::size(extras))]);
        }
        AreaEditor first(level.state);
        applyAreaFile(first, areas);
        const std::string written = level.script();
        const LevelTakeover taken =
            takeOverLevelAreas(tess::decodeCp1252(written), size, size / 512);
        fs::remove(level.dir.path() / "AI/StrategicAreas.con");
        AreaEditor second(level.state);
        applyAreaFile(second, taken.areas);
        ASSERT_EQ(level.script(), written) << "round " << round;
    }

    // The game's own levels through the editor: name, flags, side, neighbours, kept lines,
    // corners, each block and the lines outside the areas all come back as they were taken
    // over; each block as the level has it, the vehicle groups before the areas.
    const struct {
        std::string script;
        std::size_t areas;
        std::string block;
    } levels[] = {
        {tess::test::testdata("levels/Bastogne/AI/StrategicAreas.con"), 7,
         "rem *** Create strategic areas ***\r\naiStrategicArea.create Villeroux 296/168 656/580 "
         "200\r\n"
         " \r\naiStrategicArea.create Bastogne 952/788 1128/1036 300\r\n"},
        {tess::test::testdata("levels/Bastogne/AI/StrategicAreas.con"), 7,
         "\r\naiStrategicArea.setActive Bastogne\r\nAIStrategicArea.addNeighbour "
         "AlliedBaseEntry\r\n"
         "aiStrategicArea.addObjectTypeFlag Centre\r\naiStrategicArea.addObjectTypeFlag Base\r\n"
         "aiStrategicArea.addObjectTypeFlag ControlPoint\r\nAIStrategicArea.setOrderPosition Tank "
         "1023/940\r\n"
         "AIStrategicArea.setOrderPosition Infantry 1023/930\r\naiStrategicArea.setSide "
         "0\r\n\r\n\r\n"
         "aiStrategicArea.setActive AxisBase\r\n"},
        {tess::test::testdata("strategic-areas/Kwajalein_Atoll.con"), 3,
         "ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
         "rem *** Create vehicle groups ***\r\naiSettings.createVehicleGroup heavyVehicles\r\n"},
        {tess::test::testdata("strategic-areas/Kwajalein_Atoll.con"), 3,
         "aiStrategicArea.createNewCategory(land)\r\naiStrategicArea.create AlliedBase 620/636 "
         "644/660 60 land\r\n"},
        {tess::test::testdata("strategic-areas/Kwajalein_Atoll.con"), 3,
         "aiStrategicArea.playerSensitivity 5.0f\r\n\r\naiStrategicArea.addObjectTypeFlag Base\r\n"
         "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n\r\naiStrategicArea.setActive "
         "AxisBase\r\n"},
    };
    for (const auto& l : levels) {
        Level level;
        const LevelTakeover taken = takeOverLevelAreas(readBytes(l.script), 2048, 4);
        ASSERT_EQ(taken.areas.size(), l.areas);
        AreaEditor editor(level.state, kDesignLayout);
        applyAreaFile(editor, taken.areas);
        const std::string written = level.script();
        EXPECT_EQ(takeOverLevelAreas(tess::decodeCp1252(written), 2048, 4).areas, taken.areas);
        EXPECT_NE(written.find(l.block), std::string::npos) << written;
    }
}
