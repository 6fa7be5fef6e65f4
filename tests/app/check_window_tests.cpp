// "Addon prüfen" through the real window (offscreen): after a restart the pack state is
// restored with "Generierte Pathmaps in das Addon kopieren", the button checks the addon, the
// list shows the findings under its count line, and a double click shows a control point on
// tab 2's picture and a spawn point in the pathmap window.
#include "app/area_picture.h"
#include "app/check_dialog.h"
#include "app/pathmap_window.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "checks/addon_fixture.h"
#include "screenshot.h"
#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

namespace fs = std::filesystem;
using namespace tess::test;

namespace {

void doubleClick(QTreeWidget* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    ASSERT_NE(item, nullptr);
    const QPoint at = list->visualItemRect(item).center();
    // A double click is a press, a release and a second press that Qt turns into one.
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The window shown on tab 4, as after a restart.
Ui::TForm1& showPackingTab(TForm1& form) {
    form.show();
    form.splash()->hide();
    Ui::TForm1& ui = form.controls();
    ui.PageControl1->setCurrentWidget(ui.t4);
    return ui;
}

void waitForCheck(const CheckDialog* dialog) {
    for (int i = 0; i < 600 && dialog->isChecking(); ++i)
        QTest::qWait(50);
    ASSERT_FALSE(dialog->isChecking());
}

} // namespace

TEST(CheckWindow, TheListAfterARestartAndTheJumpsToAControlPointAndASpawnPoint) {
    setEnvironment("TESS_NO_TERMINAL", "1");
    const ProgramFolder program;
    AddonFixture f(program, hafen());
    // Two faults: a control point outside every area, a soldier on a blocked cell.
    replaceIn(f.addon() / "SinglePlayer/ControlPoints.con", "640/30/768", "640/30/560");
    f.writeMaps("Infantry1", {{896, 896, 1024, 1024}, {128, 128, 256, 256}});
    f.pack();
    // What the game generated, for the import to take over.
    copyTree(f.addon() / "Pathfinding", f.game() / "bf1942/levels/Hafen/Pathfinding");

    TForm1 form;
    Ui::TForm1& ui = showPackingTab(form);
    EXPECT_FALSE(ui.checkButton->isEnabled());
    click(ui.Button6);
    ASSERT_TRUE(ui.checkButton->isEnabled());

    click(ui.checkButton);
    CheckDialog* dialog = form.checkDialog();
    ASSERT_NE(dialog, nullptr);
    waitForCheck(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->countLine(), QStringLiteral("2 Fehler, 0 Hinweise"));
    QTreeWidget* list = dialog->list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Fehler"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("SinglePlayer/ControlPoints.con"));
    EXPECT_TRUE(list->topLevelItem(0)->text(2).startsWith(
        QStringLiteral("Der Kontrollpunkt \"Bahnhofplatz\" (640/560) liegt in keiner Area")));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("Pathfinding/Infantry1Level0Map.raw"));
    // The selected finding in full, with what to do.
    EXPECT_TRUE(dialog->details().endsWith(
        QStringLiteral("Auf Tab 2 eine Area über den Kontrollpunkt legen (mit \"ControlPoint\" "
                       "angekreuzt).")));

    // The control point on tab 2's picture: world (640, 560) of 1024 at 2 units a pixel. Tab 2,
    // which Start has not opened in this run, shows the level's picture and the addon's areas.
    EXPECT_FALSE(ui.t3->isEnabled());
    doubleClick(list, 0);
    EXPECT_EQ(ui.PageControl1->currentWidget(), ui.t3);
    ASSERT_TRUE(ui.e->mark().has_value());
    EXPECT_EQ(ui.e->mark()->left, 320);
    EXPECT_EQ(ui.e->mark()->top, 232);
    EXPECT_TRUE(ui.e->mark()->isPoint());
    EXPECT_TRUE(ui.t3->isEnabled());
    EXPECT_FALSE(ui.e->pixmap().isNull());
    ASSERT_EQ(ui.ListBox1z->count(), 3);
    EXPECT_EQ(ui.ListBox1z->item(2)->data(Qt::UserRole).toString(),
              QStringLiteral("Bahnhof [ 512;640 / 768;896 ] ==> Prio. [150]"));
    form.raise();
    screenshot("areas-7-tab2-after-restart");
    dialog->raise();

    // The soldier at (200, 200) in the pathmap window, centred at a zoom where cells show.
    doubleClick(list, 1);
    PathmapWindow* pathmap = form.pathmapWindow();
    ASSERT_NE(pathmap, nullptr);
    EXPECT_TRUE(pathmap->isVisible());
    EXPECT_EQ(pathmap->windowTitle(), QStringLiteral("Pathmap: Infantry1Level0Map.raw"));
    ASSERT_TRUE(pathmap->markedPoint().has_value());
    EXPECT_DOUBLE_EQ(pathmap->markedPoint()->x(), 200.0);
    EXPECT_DOUBLE_EQ(pathmap->markedPoint()->y(), 200.0);
    EXPECT_GE(pathmap->zoom(), PathmapWindow::kPointZoom);
}

// An addon that lost its ai.con after the restart: the finding offers to write it again, as
// Start wrote it but without "ai.createallmaps", since the addon has its pathmaps.
TEST(CheckWindow, AMissingAiConIsWrittenAgain) {
    setEnvironment("TESS_NO_TERMINAL", "1");
    const ProgramFolder program;
    AddonFixture f(program, hafen());
    f.pack();
    // The first pack's state names the map's level folder, whose terrain gives the world size.
    const fs::path state = program.path() / "temp/pathf.bf";
    std::string lines = readBytes(state);
    ASSERT_TRUE(lines.ends_with("\r\n\r\n"));
    writeBytes(state, lines.substr(0, lines.size() - 2) + f.level().source.string() + "/\r\n");
    copyTree(f.addon() / "Pathfinding", f.game() / "bf1942/levels/Hafen/Pathfinding");
    TForm1 form;
    Ui::TForm1& ui = showPackingTab(form);
    click(ui.Button6);
    fs::remove(f.addon() / "ai.con");

    click(ui.checkButton);
    CheckDialog* dialog = form.checkDialog();
    ASSERT_NE(dialog, nullptr);
    waitForCheck(dialog);
    ASSERT_EQ(dialog->list()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog->list()->topLevelItem(0)->text(1), QStringLiteral("ai.con"));
    EXPECT_TRUE(dialog->details().endsWith(
        QStringLiteral("Im Fenster \"Addon prüfen\" schreibt \"ai.con neu schreiben\" sie wieder, "
                       "wie Start sie schrieb (ohne \"ai.createallmaps\", wenn das Addon schon "
                       "Pathmaps hat); danach das Addon neu packen.")));
    ASSERT_TRUE(dialog->rewriteButton()->isVisible());
    click(dialog->rewriteButton());
    waitForCheck(dialog);
    EXPECT_EQ(dialog->countLine(), QStringLiteral("Keine Fehler gefunden."));
    EXPECT_FALSE(dialog->rewriteButton()->isVisible());
    const std::string written = readBytes(f.addon() / "ai.con");
    EXPECT_NE(written.find("aiSettings.setWorldMapSize 1024 1024\r\n"), std::string::npos);
    EXPECT_EQ(written.find("ai.createallmaps"), std::string::npos);
}
