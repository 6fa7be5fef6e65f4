// Undo of the last confirmed area: gone from every queue and list as if never confirmed,
// before and during the neighbour phase, and never once its block is final.
#include "areas/area_editor.h"
#include "areas/hill_and_bridge.h"
#include "core/wizard_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::test::kHillAndBridgeScript;
using tess::test::readBytes;
using tess::test::TempDir;

namespace {

struct Level {
    Level() {
        state.worldSize = 2048;
        state.worldScale = 4;
        state.areaEditMode = 1;
        state.levelDir = dir.text();
        fs::create_directories(dir.path() / "AI");
    }
    std::string script() const { return readBytes(dir.path() / "AI/StrategicAreas.con"); }
    bool scriptExists() const { return fs::exists(dir.path() / "AI/StrategicAreas.con"); }

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

void confirmHill(AreaEditor& editor) {
    AreaPanel panel;
    panel.name = "Hill";
    panel.priorityText = "100";
    panel.setFlag(AreaFlag::cp, true);
    panel.leicht = true;
    panel.side = Side::team1;
    confirm(editor, {100, 100}, {200, 300}, panel);
}

void confirmBridge(AreaEditor& editor) {
    AreaPanel panel;
    panel.name = "Bridge";
    panel.priorityText = "50";
    panel.side = Side::neutral;
    confirm(editor, {300, 50}, {260, 120}, panel);
}

// An area drawn by mistake, with everything ticked that leaves lines behind.
void confirmMistake(AreaEditor& editor) {
    AreaPanel panel;
    panel.name = "Irrtum";
    panel.priorityText = "7";
    panel.setFlag(AreaFlag::basis, true);
    panel.schwer = true;
    panel.side = Side::team2;
    confirm(editor, {400, 400}, {450, 480}, panel);
}

std::vector<std::string> entries(const AreaEditor& editor) {
    std::vector<std::string> result;
    for (const auto& e : editor.checkList())
        result.push_back(e.name + (e.ticked ? " [x]" : ""));
    return result;
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
        EXPECT_EQ(entries(editor), (std::vector<std::string>{"Hill", "Bridge"}));
        editor.setTicked(1, true);
        editor.nextArea();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        EXPECT_EQ(level.script(), kHillAndBridgeScript);
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
        EXPECT_EQ(entries(editor),
                  (std::vector<std::string>{"Hill", "Bridge", "Hill", "Bridge [x]"}));
        EXPECT_EQ(editor.neighbourHeading(), "Hill ist Nachbar von: ");
        // Hill's block gets one neighbour line, for the tick that is left.
        editor.nextArea();
        editor.setTicked(0, true);
        ASSERT_TRUE(editor.nextArea().scriptWritten);
        EXPECT_EQ(level.script(), kHillAndBridgeScript);
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
        EXPECT_EQ(entries(editor), std::vector<std::string>{"Hill"});
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
    EXPECT_EQ(level.script(), kHillAndBridgeScript);
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
        EXPECT_EQ(entries(editor), (std::vector<std::string>{"Hill", "Irrtum"}));
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
        EXPECT_EQ(entries(editor), (std::vector<std::string>{"Hill", "Bridge"}));
        EXPECT_EQ(editor.areaScriptText(), kHillAndBridgeScript);
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
        const std::string_view golden = kHillAndBridgeScript;
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
    EXPECT_EQ(level.script(), kHillAndBridgeScript);
}
