// The area editor model as the tab drives it: cursor, areas, the neighbour phase, the area
// script and the undo of the last area, with the script written to a real folder.
#include "areas/area_editor.h"
#include "areas/hill_and_bridge.h"
#include "core/wizard_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
        state.areaEditMode = 1;
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

PixelPosition at(const AreaEditor& editor, CursorPart part) {
    return editor.picture(part).position;
}

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
    AreaEditor editor(level.state);

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
    EXPECT_EQ(outcome.unticked, std::vector<std::size_t>{1});
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
    EXPECT_TRUE(editor.neighbourPanelVisible());
}

TEST(AreaEditor, CursorThroughEveryStateOfTheTab) {
    Level level;
    AreaEditor editor(level.state);
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
    EXPECT_EQ(level.state.areaEditMode, 2);
    EXPECT_EQ(enabled(), "load confirm fertig");
    editor.move(Direction::down, "6");
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 270}));
    EXPECT_EQ(at(editor, CursorPart::fg), (PixelPosition{280, 222}));

    // Placing the second corner.
    editor.confirmPoint();
    EXPECT_EQ(level.state.areaEditMode, 1);
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
    EXPECT_EQ(level.state.areaEditMode, 1);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        const auto part = static_cast<CursorPart>(i);
        EXPECT_EQ(at(editor, part), startPicture(part).position);
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
    level.state.areaEditMode = 0;
    editor.move(Direction::left, "not a number");
    editor.placeActiveMarker({1, 1});
    EXPECT_EQ(at(editor, CursorPart::rot), (PixelPosition{300, 264}));
    EXPECT_EQ(at(editor, CursorPart::gruen), (PixelPosition{304, 264}));
    EXPECT_EQ(editor.positionText(), "");

    // Positions stop at the 32-bit limits instead of wrapping round.
    level.state.areaEditMode = 1;
    editor.move(Direction::left, "2147483647");
    editor.move(Direction::left, "2147483647");
    EXPECT_EQ(at(editor, CursorPart::rot).left, -2147483647 - 1);
}

TEST(AreaEditor, RectangleOfEveryCornerArrangement) {
    Level level;
    AreaEditor editor(level.state);
    editor.newArea();
    editor.confirmPoint();
    const PixelPosition corners[][2] = {
        {{100, 100}, {200, 300}}, // green top left
        {{200, 300}, {100, 100}}, // green bottom right
        {{100, 300}, {200, 100}}, // green bottom left
        {{200, 100}, {100, 300}}, // green top right
    };
    for (const auto& pair : corners) {
        level.state.areaEditMode = 2;
        editor.placeActiveMarker(pair[0]);
        level.state.areaEditMode = 1;
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
    level.state.areaEditMode = 1;
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
    AreaEditor editor(level.state);
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
    AreaEditor editor(level.state);
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
    // A name the game's code page cannot hold could never be written.
    EXPECT_EQ(errorMessage([&] { editor.confirmArea(panelNamed("Brücke → Fluss")); }),
              "Das Zeichen \"→\" kann im Zeichensatz des Spiels (Windows-1252) nicht "
              "gespeichert werden");
    EXPECT_TRUE(editor.areaPanelVisible());
    EXPECT_TRUE(editor.summaryEntries().empty());
    EXPECT_EQ(editor.waitingCount(), 0u);
    EXPECT_TRUE(editor.isEnabled(Command::finishArea));
    EXPECT_FALSE(editor.isEnabled(Command::newArea));

    // "OK" again with a number works, with whatever range.
    ASSERT_EQ(editor.confirmArea(panelNamed("Dorf", "-5")), ConfirmOutcome::confirmed);
    EXPECT_EQ(editor.areaPriority(), -5);
    EXPECT_EQ(editor.summaryEntries().back(), "Dorf [ 1216;848 / 1290;920 ] ==> Prio. [-5]");
}

TEST(AreaEditor, UnusualAreasAreWrittenAsTheyAre) {
    Level level;
    AreaEditor editor(level.state);
    // The untouched name, no flag, both vehicle kinds, priority 0, no side; centre 0/0 with
    // order positions at -10; an area past the picture edge.
    AreaPanel untouched;
    untouched.priorityText = "0";
    untouched.leicht = true;
    untouched.schwer = true;
    confirmArea(editor, {-10, 522}, {10, 502}, untouched);
    AreaPanel all = panelNamed("Basis Nord", "250", Side::team2);
    for (const auto& info : kAreaFlags)
        all.setFlag(info.flag, true);
    confirmArea(editor, {600, -5}, {520, 3}, all);
    EXPECT_EQ(editor.summaryEntries(),
              (std::vector<std::string>{"Hier den Area - Namen [ -40;-40 / 0;0 ] ==> Prio. [0]",
                                        "Basis Nord [ 2080;2036 / 2240;2052 ] ==> Prio. [250]"}));
    editor.openNeighbours();
    editor.nextArea();
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(),
              "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
              "aiStrategicArea.create Hier den Area - Namen -40/-40 0/0 0\r\n"
              " \r\n"
              "aiStrategicArea.create Basis Nord 2080/2036 2240/2052 250\r\n"
              " \r\n"
              "\r\n"
              " \r\n"
              " \r\n"
              "aiStrategicArea.setActive Hier den Area - Namen\r\n"
              "AIStrategicArea.setOrderPosition Infantry -10/-10\r\n"
              "AIStrategicArea.setOrderPosition Car -10/-10\r\n"
              "AIStrategicArea.setOrderPosition Tank -10/-10\r\n"
              "\r\n"
              "\r\n"
              "aiStrategicArea.setActive Basis Nord\r\n"
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
    AreaEditor editor(level.state);
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

TEST(NeighbourPhase, FirstInFirstOutWithTheCheckListAsItGrows) {
    Level level;
    AreaEditor editor(level.state);
    EXPECT_EQ(editor.neighbourHeading(), "Area");
    EXPECT_FALSE(editor.neighbourPanelVisible());
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A"));
    confirmArea(editor, {30, 30}, {40, 40}, panelNamed("B"));

    // "Fertig" twice puts every waiting name twice into the list.
    editor.openNeighbours();
    editor.openNeighbours();
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B", "A", "B"}));
    // C is confirmed after "Fertig": it waits, but is not in the list yet.
    confirmArea(editor, {50, 50}, {60, 60}, panelNamed("C"));
    EXPECT_EQ(editor.checkList().size(), 4u);

    // A: both copies of B ticked, and A itself (no check against that).
    editor.setTicked(1, true);
    editor.setTicked(3, true);
    editor.setTicked(0, true);
    editor.setTicked(0, false);
    editor.setTicked(2, true);
    editor.setTicked(99, true); // no such entry
    NextOutcome outcome = editor.nextArea();
    EXPECT_EQ(outcome.unticked, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B", "A", "B"}));
    EXPECT_EQ(editor.neighbourHeading(), "B ist Nachbar von: ");
    // B: nothing ticked.
    editor.nextArea();
    EXPECT_EQ(editor.neighbourHeading(), "C ist Nachbar von: ");
    // A second "Fertig" adds the one still waiting behind the old entries.
    editor.openNeighbours();
    EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"A", "B", "A", "B", "C"}));
    editor.setTicked(0, true);
    outcome = editor.nextArea();
    ASSERT_TRUE(outcome.scriptWritten);
    const std::string blocks = "aiStrategicArea.setActive A\r\n"
                               "AIStrategicArea.addNeighbour B\r\n"
                               "AIStrategicArea.addNeighbour A\r\n"
                               "AIStrategicArea.addNeighbour B\r\n"
                               "AIStrategicArea.setOrderPosition Infantry 50/1978\r\n"
                               "aiStrategicArea.setSide 0\r\n"
                               "\r\n"
                               "aiStrategicArea.setActive B\r\n"
                               "AIStrategicArea.setOrderPosition Infantry 130/1898\r\n"
                               "aiStrategicArea.setSide 0\r\n"
                               "\r\n"
                               "aiStrategicArea.setActive C\r\n"
                               "AIStrategicArea.addNeighbour A\r\n"
                               "AIStrategicArea.setOrderPosition Infantry 210/1818\r\n"
                               "aiStrategicArea.setSide 0\r\n"
                               "\r\n";
    const std::string creates = "aiStrategicArea.create A 40/1968 60/1988 100\r\n"
                                " \r\n"
                                "aiStrategicArea.create B 120/1888 140/1908 100\r\n"
                                " \r\n"
                                "aiStrategicArea.create C 200/1808 220/1828 100\r\n"
                                " \r\n";
    const std::string header =
        "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n";
    EXPECT_EQ(level.script(), header + creates + "\r\n \r\n \r\n" + blocks + "\r\n");

    // "Nächste" with nothing waiting changes nothing at all.
    editor.setTicked(4, true);
    outcome = editor.nextArea();
    EXPECT_FALSE(outcome.areaFinished);
    EXPECT_FALSE(outcome.scriptWritten);
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
    EXPECT_TRUE(editor.checkList()[4].ticked);
    editor.setTicked(4, false);

    // The tab stays usable: a later area rewrites the script with every area.
    confirmArea(editor, {70, 70}, {80, 80}, panelNamed("D", "7", Side::team2));
    editor.openNeighbours();
    EXPECT_EQ(editor.neighbourHeading(), "D ist Nachbar von: ");
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(),
              header + creates +
                  "aiStrategicArea.create D 280/1728 300/1748 7\r\n \r\n\r\n \r\n \r\n" + blocks +
                  "aiStrategicArea.setActive D\r\n"
                  "AIStrategicArea.setOrderPosition Infantry 290/1738\r\n"
                  "aiStrategicArea.setSide 2\r\n"
                  "\r\n"
                  "\r\n");
}

TEST(NeighbourPhase, NothingWaitingBeforeAnyArea) {
    Level level;
    AreaEditor editor(level.state);
    EXPECT_FALSE(editor.nextArea().areaFinished); // the panel is not even shown
    editor.openNeighbours();
    EXPECT_TRUE(editor.neighbourPanelVisible());
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
    EXPECT_TRUE(editor.checkList().empty());
    const NextOutcome outcome = editor.nextArea();
    EXPECT_FALSE(outcome.areaFinished);
    EXPECT_FALSE(outcome.scriptWritten);
    EXPECT_FALSE(level.scriptExists());
    // No stray set-active line reaches a later script.
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A"));
    editor.openNeighbours();
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script().find("setActive \r\n"), std::string::npos);
    const std::string text = editor.areaScriptText();
    EXPECT_EQ(text, level.script());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
}

TEST(NeighbourPhase, AFailedWriteLosesNothing) {
    Level level;
    fs::remove_all(level.dir.path() / "AI");
    AreaEditor editor(level.state);
    confirmArea(editor, {10, 10}, {20, 20}, panelNamed("A"));
    editor.openNeighbours();
    const std::string message = errorMessage([&] { editor.nextArea(); });
    EXPECT_EQ(message.rfind("Datei \"" + level.state.levelDir +
                                "AI\\StrategicAreas.con\" kann nicht erstellt werden. ",
                            0),
              0u)
        << message;
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");

    // Once the folder exists, "Nächste" writes what was finished.
    fs::create_directories(level.dir.path() / "AI");
    NextOutcome outcome = editor.nextArea();
    ASSERT_TRUE(outcome.scriptWritten);
    const std::string first = level.script();
    EXPECT_NE(first.find("aiStrategicArea.setActive A\r\n"), std::string::npos);
    // Nothing left to write: the next "Nächste" does nothing again.
    EXPECT_FALSE(editor.nextArea().scriptWritten);

    // A failed write, then a further area finished: the rewrite holds both areas, each once.
    fs::remove_all(level.dir.path() / "AI");
    confirmArea(editor, {30, 30}, {40, 40}, panelNamed("B"));
    editor.openNeighbours();
    EXPECT_NE(errorMessage([&] { editor.nextArea(); }), "(no error)");
    fs::create_directories(level.dir.path() / "AI");
    confirmArea(editor, {50, 50}, {60, 60}, panelNamed("C"));
    editor.openNeighbours();
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    const std::string script = level.script();
    for (const char* area : {"A", "B", "C"}) {
        const std::string line = std::string("aiStrategicArea.setActive ") + area + "\r\n";
        EXPECT_NE(script.find(line), std::string::npos) << area;
        EXPECT_EQ(script.find(line), script.rfind(line)) << area;
    }
}

// Undo of the last confirmed area: gone from every queue and list as if never confirmed,
// before and during the neighbour phase, and never once its block is final.
namespace {

void confirmHill(AreaEditor& editor) {
    AreaPanel panel = panelNamed("Hill", "100", Side::team1);
    panel.setFlag(AreaFlag::cp, true);
    panel.leicht = true;
    confirmArea(editor, {100, 100}, {200, 300}, panel);
}

void confirmBridge(AreaEditor& editor) {
    confirmArea(editor, {300, 50}, {260, 120}, panelNamed("Bridge", "50", Side::neutral));
}

// An area drawn by mistake, with everything ticked that leaves lines behind.
void confirmMistake(AreaEditor& editor) {
    AreaPanel panel = panelNamed("Irrtum", "7", Side::team2);
    panel.setFlag(AreaFlag::basis, true);
    panel.schwer = true;
    confirmArea(editor, {400, 400}, {450, 480}, panel);
}

const std::string kHeader =
    "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n";

} // namespace

TEST(Undo, TheUndoneAreaLeavesNoTrace) {
    {
        SCOPED_TRACE("undone before \"Fertig\"");
        Level level;
        AreaEditor editor(level.state);
        EXPECT_FALSE(editor.isEnabled(Command::undoArea));
        confirmHill(editor);
        confirmMistake(editor);
        EXPECT_TRUE(editor.isEnabled(Command::undoArea));
        ASSERT_TRUE(editor.undoLastArea());
        EXPECT_EQ(editor.summaryEntries(),
                  std::vector<std::string>{std::string(tess::test::kHillSummary)});
        ASSERT_EQ(editor.confirmedAreas().size(), 1u);
        EXPECT_EQ(editor.confirmedAreas()[0].rectangle, (PixelRectangle{100, 100, 200, 300}));
        EXPECT_EQ(editor.waitingCount(), 1u);
        confirmBridge(editor);
        editor.openNeighbours();
        EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Bridge"}));
        editor.setTicked(1, true);
        editor.nextArea();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        EXPECT_EQ(level.script(), tess::test::kHillAndBridgeScript);
    }
    {
        SCOPED_TRACE("undone after \"Fertig\", its entry ticked for the current area");
        Level level;
        AreaEditor editor(level.state);
        confirmHill(editor);
        confirmBridge(editor);
        confirmMistake(editor);
        editor.openNeighbours();
        editor.openNeighbours(); // every name twice
        editor.setTicked(2, true);
        editor.setTicked(4, true);
        ASSERT_TRUE(editor.undoLastArea());
        // Its entries leave the list, its tick with them; the others move up with theirs.
        EXPECT_EQ(names(editor.checkList()),
                  (std::vector<std::string>{"Hill", "Bridge", "Hill", "Bridge [x]"}));
        EXPECT_EQ(editor.neighbourHeading(), "Hill ist Nachbar von: ");
        // Hill's block gets one neighbour line, for the tick that is left.
        editor.nextArea();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        EXPECT_EQ(level.script(), tess::test::kHillAndBridgeScript);
    }
    {
        SCOPED_TRACE("undone again and again, down to nothing");
        Level level;
        AreaEditor editor(level.state);
        confirmHill(editor);
        confirmBridge(editor);
        confirmMistake(editor);
        editor.openNeighbours();
        EXPECT_TRUE(editor.undoLastArea());
        EXPECT_TRUE(editor.undoLastArea());
        EXPECT_EQ(names(editor.checkList()), std::vector<std::string>{"Hill"});
        EXPECT_TRUE(editor.undoLastArea());
        EXPECT_FALSE(editor.isEnabled(Command::undoArea));
        EXPECT_FALSE(editor.undoLastArea());
        EXPECT_TRUE(editor.summaryEntries().empty());
        EXPECT_TRUE(editor.confirmedAreas().empty());
        EXPECT_TRUE(editor.checkList().empty());
        EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
        EXPECT_EQ(editor.areaScriptText(), kHeader + "\r\n \r\n \r\n\r\n");
        EXPECT_FALSE(level.scriptExists());
    }
}

TEST(Undo, TheAreaWaitingWhenTheOthersAreFinished) {
    // Hill and Bridge are finished while the mistake still waits, so the script was not
    // written; without the mistake the phase is complete and "Nächste" writes it.
    Level level;
    AreaEditor editor(level.state);
    confirmHill(editor);
    confirmBridge(editor);
    confirmMistake(editor);
    editor.openNeighbours();
    editor.setTicked(1, true);
    editor.nextArea();
    editor.setTicked(0, true);
    EXPECT_FALSE(editor.nextArea().scriptWritten);
    EXPECT_EQ(editor.neighbourHeading(), "Irrtum ist Nachbar von: ");
    ASSERT_TRUE(editor.undoLastArea());
    EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
    EXPECT_FALSE(level.scriptExists());
    const NextOutcome outcome = editor.nextArea();
    EXPECT_FALSE(outcome.areaFinished);
    ASSERT_TRUE(outcome.scriptWritten);
    EXPECT_EQ(level.script(), tess::test::kHillAndBridgeScript);
    EXPECT_FALSE(editor.nextArea().scriptWritten);
}

TEST(Undo, NeverAnAreaWhoseBlockIsFinal) {
    {
        SCOPED_TRACE("after its \"Nächste\"");
        Level level;
        AreaEditor editor(level.state);
        confirmHill(editor);
        editor.openNeighbours();
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        const std::string script = level.script();
        EXPECT_FALSE(editor.isEnabled(Command::undoArea));
        EXPECT_FALSE(editor.undoLastArea());
        EXPECT_EQ(editor.summaryEntries().size(), 1u);
        EXPECT_EQ(editor.areaScriptText(), script);
    }
    {
        SCOPED_TRACE("named as neighbour by a finished area");
        Level level;
        AreaEditor editor(level.state);
        confirmHill(editor);
        confirmMistake(editor);
        editor.openNeighbours();
        editor.setTicked(1, true);
        editor.nextArea(); // Hill's block names Irrtum
        EXPECT_EQ(editor.waitingCount(), 1u);
        EXPECT_FALSE(editor.isEnabled(Command::undoArea));
        EXPECT_FALSE(editor.undoLastArea());
        EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Irrtum"}));
        EXPECT_EQ(editor.summaryEntries().size(), 2u);
    }
    {
        SCOPED_TRACE("areas confirmed after a finished neighbour phase");
        Level level;
        AreaEditor editor(level.state);
        confirmHill(editor);
        confirmBridge(editor);
        editor.openNeighbours();
        editor.setTicked(1, true);
        editor.nextArea();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);

        confirmMistake(editor);
        editor.openNeighbours();
        EXPECT_EQ(editor.neighbourHeading(), "Irrtum ist Nachbar von: ");
        editor.setTicked(2, true);
        ASSERT_TRUE(editor.undoLastArea());
        EXPECT_EQ(editor.neighbourHeading(), " ist Nachbar von: ");
        EXPECT_EQ(names(editor.checkList()), (std::vector<std::string>{"Hill", "Bridge"}));
        EXPECT_EQ(editor.areaScriptText(), tess::test::kHillAndBridgeScript);
        // Nothing was finished since the script was written: nothing to write again.
        EXPECT_FALSE(editor.nextArea().scriptWritten);
        // Hill and Bridge are final.
        EXPECT_FALSE(editor.undoLastArea());
        EXPECT_EQ(editor.summaryEntries().size(), 2u);

        // Drawn anew, the area joins the script behind the others.
        confirmMistake(editor);
        editor.openNeighbours();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        const std::string_view golden = tess::test::kHillAndBridgeScript;
        const std::size_t creates = golden.find("\r\n\r\n \r\n \r\n") + 2;
        EXPECT_EQ(level.script(),
                  std::string(golden.substr(0, creates)) +
                      "aiStrategicArea.create Irrtum 1600/128 1700/288 7\r\n"
                      " \r\n" +
                      std::string(golden.substr(creates, golden.size() - creates - 2)) +
                      "aiStrategicArea.setActive Irrtum\r\n"
                      "AIStrategicArea.addNeighbour Hill\r\n"
                      "aiStrategicArea.addObjectTypeFlag Base\r\n"
                      "AIStrategicArea.setOrderPosition Infantry 1690/278\r\n"
                      "AIStrategicArea.setOrderPosition Tank 1690/278\r\n"
                      "aiStrategicArea.setSide 2\r\n"
                      "\r\n"
                      "\r\n");
    }
}

TEST(Undo, WhileTheNextAreaIsBeingDrawn) {
    // The panel of a new area is open: the undo takes the last confirmed one and leaves the
    // new one to be confirmed.
    Level level;
    AreaEditor editor(level.state);
    confirmHill(editor);
    confirmMistake(editor);
    editor.newArea();
    editor.placeActiveMarker({300, 50});
    editor.confirmPoint();
    editor.placeActiveMarker({260, 120});
    ASSERT_TRUE(editor.finishArea());
    ASSERT_TRUE(editor.undoLastArea());
    EXPECT_TRUE(editor.areaPanelVisible());
    AreaPanel bridge;
    bridge.name = "Bridge";
    bridge.priorityText = "50";
    bridge.side = Side::neutral;
    ASSERT_EQ(editor.confirmArea(bridge), ConfirmOutcome::confirmed);
    editor.openNeighbours();
    editor.setTicked(1, true);
    editor.nextArea();
    editor.setTicked(0, true);
    ASSERT_TRUE(editor.nextArea().scriptWritten);
    EXPECT_EQ(level.script(), tess::test::kHillAndBridgeScript);
}
