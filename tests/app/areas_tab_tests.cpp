// Tab "(2) Areas" clicked through on the real widgets (offscreen), as a map maker uses it:
// Bastogne chosen, OK and Start, corners placed by clicks on the picture, by the keys and by
// the command labels, the area panel typed into, neighbours ticked in the check list, and the
// area script read back from the addon byte for byte.
#include "app/area_picture.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "areas/hill_and_bridge.h"
#include "areas/level_takeover.h"
#include "core/codepage.h"
#include "screenshot.h"
#include "test_support.h"
#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using tess::areas::AreaDefinition;
using tess::areas::AreaFile;
using tess::areas::LevelTakeover;
using tess::areas::takeOverLevelAreas;
using tess::areas::takeOverLevelAreasOf;
using tess::test::answerMessageBox;
using tess::test::answerQuestion;
using tess::test::chooseInDialog;
using tess::test::click;
using tess::test::expectErrorBox;
using tess::test::kBridgeSummary;
using tess::test::kHillAndBridgeJson;
using tess::test::kHillAndBridgeScript;
using tess::test::kHillSummary;
using tess::test::NoModalExpected;
using tess::test::qs;
using tess::test::quoted;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

// --- Acting as the user ---

void clickPicture(Ui::TForm1& ui, int left, int top) {
    QTest::mouseClick(ui.e, Qt::LeftButton, Qt::NoModifier, QPoint(left, top));
}

void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
}

// Clicks into the field, selects its text and types over it.
void typeInto(QLineEdit* edit, const QString& text) {
    click(edit);
    press(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        press(edit, Qt::Key_Backspace);
    // A letter beyond ASCII ("ü") comes as its own key with its text, as a German keyboard
    // sends it.
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, static_cast<char>(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, edit, static_cast<Qt::Key>(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
    }
}

// A step for the movement commands, confirmed with Enter, which hands the focus back to the
// picture.
void setStep(Ui::TForm1& ui, const QString& step) {
    typeInto(ui.Edit1z, step);
    press(ui.Edit1z, Qt::Key_Return);
}

void setChecked(QAbstractButton* box, bool checked) {
    if (box->isChecked() != checked)
        click(box);
}

// Selects an entry of the check list with the mouse and ticks or unticks it with the space bar.
void toggleEntry(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(row)).center());
    press(list, Qt::Key_Space);
}

void showTab(Ui::TForm1& ui, QWidget* page) {
    QTabBar* bar = ui.PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                      bar->tabRect(ui.PageControl1->indexOf(page)).center());
    ASSERT_EQ(ui.PageControl1->currentWidget(), page);
}

struct AreaInput {
    QPoint green;
    QPoint red;
    QString name;
    QString priority;
    bool cp = false;
    bool leicht = false;
};

// One area as a user draws it with two clicks and the panel.
void drawArea(Ui::TForm1& ui, const AreaInput& area, QRadioButton* side) {
    click(ui.Label1z);
    clickPicture(ui, area.green.x(), area.green.y());
    click(ui.Label2z);
    clickPicture(ui, area.red.x(), area.red.y());
    click(ui.Label8z);
    ASSERT_TRUE(ui.areafert->isVisible());
    typeInto(ui.Edit2z, area.name);
    typeInto(ui.Edit3z, area.priority);
    setChecked(ui.cp, area.cp);
    setChecked(ui.leicht, area.leicht);
    click(side);
    click(ui.Label9z);
    ASSERT_FALSE(ui.areafert->isVisible());
}

const AreaInput kHill{{100, 100}, {200, 300}, QStringLiteral("Hill"), QStringLiteral("100"),
                      true,       true};
const AreaInput kBridge{{300, 50}, {260, 120}, QStringLiteral("Bridge"), QStringLiteral("50")};
const AreaInput kExtra{{400, 400}, {450, 450}, QStringLiteral("Extra"), QStringLiteral("10")};

void drawHillAndBridge(Ui::TForm1& ui) {
    drawArea(ui, kHill, ui.Team1);
    drawArea(ui, kBridge, ui.Neutral);
}

// --- Reading what the tab shows ---

// The entries whole, as the list keeps them (a shortened one shows the rest in its tool tip).
QStringList entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(
            list->item(i)->data(Qt::UserRole).toString() +
            (list->item(i)->checkState() == Qt::Checked ? QStringLiteral(" [x]") : QString()));
    return texts;
}

QImage pictureShown(Ui::TForm1& ui) {
    return ui.e->grab().toImage();
}

bool near(const QColor& seen, int r, int g, int b, int tolerance) {
    return std::abs(seen.red() - r) <= tolerance && std::abs(seen.green() - g) <= tolerance &&
           std::abs(seen.blue() - b) <= tolerance;
}

std::string describe(const QColor& c) {
    return std::to_string(c.red()) + " " + std::to_string(c.green()) + " " +
           std::to_string(c.blue());
}

// How many pixels of a column, from top to bottom, have the colour.
int countInColumn(const QImage& image, int x, int top, int bottom, const QColor& colour) {
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

class AreasTab : public ::testing::Test {
protected:
    AreasTab() {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        tess::test::copyTree(testdata("levels/Bastogne"), bastogne());
    }

    // The map chosen as an unpacked level, OK, Start, and tab "(2) Areas" shown, as the user
    // does it. The window is the active one, so the focus moves as it does for the user.
    void start(TForm1& form, const fs::path& level) {
        form.show();
        click(form.splash()->findChild<QWidget*>(QStringLiteral("Image1")));
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        Ui::TForm1& ui = form.controls();
        click(ui.unpack);
        chooseInDialog(form, (level / "Init.con").string());
        click(ui.Image12);
        click(ui.Button1);
        click(ui.Button2);
        ASSERT_TRUE(ui.t3->isEnabled());
        showTab(ui, ui.t3);
    }

    fs::path bastogne() const { return maps_.path() / "Bastogne"; }
    fs::path scriptFile() const { return program_.addon("Bastogne") / "AI" / "StrategicAreas.con"; }
    std::string script() const { return readBytes(scriptFile()); }
    fs::path savedAreas() const { return program_.path() / "temp" / "areas" / "Bastogne.json"; }

    tess::test::ProgramFolder program_;
    tess::test::FakeDocumentOpener opener_;
    TempDir maps_;
};

} // namespace

TEST_F(AreasTab, HillAndBridgeByClicksKeysAndLabels) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    // Right after Start: both markers and flags at their start places, the frame bars parked
    // out of sight, only "Neue Strategic - Area" and the picture commands enabled. The
    // movement commands move the red marker, whose world position is shown.
    EXPECT_EQ(ui.gruen->geometry(), QRect(304, 264, 1, 1));
    EXPECT_EQ(ui.fg->geometry(), QRect(280, 216, 41, 49));
    EXPECT_EQ(ui.rot->geometry(), QRect(341, 264, 1, 1));
    EXPECT_EQ(ui.fr->geometry(), QRect(317, 216, 41, 49));
    for (QWidget* part : {ui.gruen, ui.fg, ui.rot, ui.fr})
        EXPECT_TRUE(part->isVisible());
    for (QWidget* bar : {ui.oben, ui.unten, ui.links, ui.rechts})
        EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(ui.Label1z->isEnabled());
    EXPECT_TRUE(ui.Label10z->isEnabled());
    for (QWidget* off : QList<QWidget*>{ui.Label2z, ui.Label8z, ui.Label17z, ui.Label4z, ui.Edit1z})
        EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
    EXPECT_FALSE(ui.areafert->isVisible());
    EXPECT_FALSE(ui.GroupBox5z->isVisible());
    EXPECT_EQ(ui.Label19z->text(), QStringLiteral("X 1364  Z 992"));

    // Hill: the green marker steered by the digit keys with a step typed into the field.
    click(ui.Label1z);
    EXPECT_FALSE(ui.Label1z->isEnabled());
    EXPECT_TRUE(ui.Label2z->isEnabled());
    EXPECT_EQ(ui.Label19z->text(), QStringLiteral("X 1216  Z 992"));
    click(ui.RadioButton1);
    EXPECT_TRUE(ui.Edit1z->isEnabled());
    EXPECT_TRUE(ui.Label4z->isEnabled());
    setStep(ui, QStringLiteral("204"));
    press(ui.e, Qt::Key_4);
    setStep(ui, QStringLiteral("82"));
    press(ui.e, Qt::Key_8);
    press(ui.e, Qt::Key_8);
    EXPECT_EQ(ui.gruen->geometry(), QRect(100, 100, 1, 1));
    EXPECT_EQ(ui.fg->geometry(), QRect(76, 52, 41, 49));
    EXPECT_EQ(ui.Label19z->text(), QStringLiteral("X 400  Z 1648"));

    // ... and the red one placed with one click on the picture; its flag follows.
    click(ui.Label2z);
    EXPECT_TRUE(ui.Label8z->isEnabled());
    EXPECT_FALSE(ui.Label2z->isEnabled());
    clickPicture(ui, 200, 300);
    EXPECT_EQ(ui.rot->geometry(), QRect(200, 300, 1, 1));
    EXPECT_EQ(ui.fr->geometry(), QRect(176, 252, 41, 49));
    EXPECT_EQ(ui.Label19z->text(), QStringLiteral("X 800  Z 848"));

    click(ui.Label8z);
    EXPECT_TRUE(ui.areafert->isVisible());
    EXPECT_EQ(ui.oben->geometry(), QRect(100, 100, 100, 5));
    EXPECT_EQ(ui.unten->geometry(), QRect(100, 300, 100, 5));
    EXPECT_EQ(ui.links->geometry(), QRect(100, 100, 5, 200));
    EXPECT_EQ(ui.rechts->geometry(), QRect(200, 100, 5, 200));
    for (QWidget* bar : {ui.oben, ui.unten, ui.links, ui.rechts})
        EXPECT_TRUE(bar->isVisible());

    // Digits typed into the panel's fields stay there: no marker moves.
    typeInto(ui.Edit2z, QStringLiteral("Hill"));
    typeInto(ui.Edit3z, QStringLiteral("100"));
    EXPECT_EQ(ui.rot->geometry(), QRect(200, 300, 1, 1));
    EXPECT_EQ(ui.gruen->geometry(), QRect(100, 100, 1, 1));
    setChecked(ui.cp, true);
    setChecked(ui.leicht, true);
    click(ui.Team1);
    click(ui.Label9z);
    EXPECT_FALSE(ui.areafert->isVisible());
    EXPECT_EQ(entries(ui.ListBox1z), QStringList{qs(kHillSummary)});
    for (QWidget* part :
         QList<QWidget*>{ui.gruen, ui.fg, ui.rot, ui.fr, ui.oben, ui.unten, ui.links, ui.rechts})
        EXPECT_FALSE(part->isVisible()) << part->objectName().toStdString();
    EXPECT_EQ(ui.rot->geometry(), QRect(341, 264, 1, 1));
    EXPECT_TRUE(ui.Label1z->isEnabled());
    EXPECT_FALSE(ui.Label8z->isEnabled());
    EXPECT_TRUE(ui.Label17z->isEnabled());
    // The confirmed area stays on the picture as an outline.
    EXPECT_EQ(pictureShown(ui).pixelColor(100, 200), AreaPicture::areaColour());
    EXPECT_EQ(pictureShown(ui).pixelColor(150, 300), AreaPicture::areaColour());

    // Bridge: the green marker by a label and the number pad with Num Lock, the red one by the
    // pad's arrows without it.
    click(ui.Label1z);
    EXPECT_EQ(ui.gruen->geometry(), QRect(304, 264, 1, 1));
    setStep(ui, QStringLiteral("4"));
    click(ui.Label4z);
    setStep(ui, QStringLiteral("107"));
    press(ui.e, Qt::Key_8, Qt::KeypadModifier);
    press(ui.e, Qt::Key_8, Qt::KeypadModifier);
    EXPECT_EQ(ui.gruen->geometry(), QRect(300, 50, 1, 1));
    click(ui.Label2z);
    setStep(ui, QStringLiteral("81"));
    press(ui.e, Qt::Key_Left, Qt::KeypadModifier);
    setStep(ui, QStringLiteral("144"));
    press(ui.e, Qt::Key_Up, Qt::KeypadModifier);
    EXPECT_EQ(ui.rot->geometry(), QRect(260, 120, 1, 1));
    click(ui.Label8z);
    // The panel keeps what the previous area had.
    EXPECT_EQ(ui.Edit2z->text(), QStringLiteral("Hill"));
    EXPECT_TRUE(ui.cp->isChecked());
    EXPECT_TRUE(ui.Team1->isChecked());
    typeInto(ui.Edit2z, QStringLiteral("Bridge"));
    typeInto(ui.Edit3z, QStringLiteral("50"));
    setChecked(ui.cp, false);
    setChecked(ui.leicht, false);
    click(ui.Neutral);
    click(ui.Label9z);
    EXPECT_EQ(entries(ui.ListBox1z), (QStringList{qs(kHillSummary), qs(kBridgeSummary)}));

    // The neighbours, first in, first out.
    click(ui.Image2z);
    EXPECT_TRUE(ui.GroupBox5z->isVisible());
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill"), QStringLiteral("Bridge")}));
    EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Hill ist Nachbar von: "));
    toggleEntry(ui.CheckListBox1, 1);
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill"), QStringLiteral("Bridge [x]")}));
    click(ui.Label16z);
    EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Bridge ist Nachbar von: "));
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill"), QStringLiteral("Bridge")}));
    EXPECT_EQ(script(), "");
    toggleEntry(ui.CheckListBox1, 0);
    const auto message = answerMessageBox();
    click(ui.Label16z);

    // The script as the design's example has it, the message, the script opened, tab 3.
    EXPECT_EQ(script(), kHillAndBridgeScript);
    EXPECT_EQ(message->text, QStringLiteral("Ändere etwas, wenn du willst."));
    EXPECT_EQ(message->icon, QMessageBox::NoIcon);
    EXPECT_EQ(opener_.waitForOpened(), scriptFile().string() + "\n");
    EXPECT_EQ(ui.PageControl1->currentWidget(), ui.t4);
    for (QWidget* group : QList<QWidget*>{ui.t4, ui.GroupBox12, ui.GroupBox14, ui.GroupBox15})
        EXPECT_TRUE(group->isEnabled()) << group->objectName().toStdString();
    // The panel "Nachbarn" has done its work and closes.
    EXPECT_TRUE(ui.GroupBox5z->isHidden());

    // The command-line tool writes the same bytes for the same areas, from an area file and
    // from the autosave the window kept.
    const std::string windowScript = script();
    writeBytes(maps_.path() / "areas.json", kHillAndBridgeJson);
    for (const fs::path& areas : {maps_.path() / "areas.json", savedAreas()}) {
        writeBytes(scriptFile(), "");
        const auto run =
            tess::test::cli("areas " + quoted(bastogne().string()) + " " + quoted(areas.string()) +
                                " --program-folder " + quoted(program_.path().string()),
                            program_.path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::string(kHillSummary) + "\n" + std::string(kBridgeSummary) + "\n");
        EXPECT_EQ(script(), windowScript) << areas;
    }
}

TEST_F(AreasTab, RefusedInputChangesNothing) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    // A step that is no number: the error box, and nothing has moved.
    click(ui.RadioButton1);
    setStep(ui, QStringLiteral("x"));
    auto error = expectErrorBox();
    click(ui.Label4z);
    EXPECT_EQ(*error, QStringLiteral("'x' ist kein gültiger Integerwert."));
    EXPECT_EQ(ui.rot->geometry(), QRect(341, 264, 1, 1));
    setStep(ui, QStringLiteral("1"));

    // Both corners in one column: the bars show, the panel does not open.
    click(ui.Label1z);
    clickPicture(ui, 100, 100);
    click(ui.Label2z);
    clickPicture(ui, 100, 300);
    click(ui.Label8z);
    EXPECT_FALSE(ui.areafert->isVisible());
    EXPECT_TRUE(ui.oben->isVisible());
    clickPicture(ui, 200, 300);
    click(ui.Label8z);
    ASSERT_TRUE(ui.areafert->isVisible());
    // The area and its flags lie where the panel stands at first: it opens at the right.
    EXPECT_EQ(ui.areafert->geometry(), QRect(349, 4, 161, 345));
    // The panel hides the picture beneath it, its caption's strip too.
    const QImage tab = ui.t3->grab().toImage();
    EXPECT_EQ(tab.pixelColor(349 + 148, 330), kSilver);
    EXPECT_EQ(tab.pixelColor(349 + 148, 6), kSilver);

    // An empty name: the message, nothing queued, the panel stays open.
    typeInto(ui.Edit2z, QString());
    const auto message = answerMessageBox();
    click(ui.Label9z);
    EXPECT_EQ(message->text, QStringLiteral("Bitte Name eingeben"));
    EXPECT_EQ(message->icon, QMessageBox::NoIcon);
    EXPECT_TRUE(ui.areafert->isVisible());
    EXPECT_EQ(ui.ListBox1z->count(), 0);

    // The untouched priority field.
    typeInto(ui.Edit2z, QStringLiteral("Hill"));
    error = expectErrorBox();
    click(ui.Label9z);
    EXPECT_EQ(*error, QStringLiteral("'Priorität (von 1 - 200)' ist kein gültiger Integerwert."));
    EXPECT_TRUE(ui.areafert->isVisible());
    EXPECT_EQ(ui.ListBox1z->count(), 0);
    EXPECT_FALSE(ui.Label17z->isEnabled());

    // A priority outside the advised range is taken.
    typeInto(ui.Edit3z, QStringLiteral("-5"));
    click(ui.Label9z);
    EXPECT_EQ(entries(ui.ListBox1z),
              QStringList{QStringLiteral("Hill [ 400;848 / 800;1648 ] ==> Prio. [-5]")});
    // A name the game's reader would split: refused with the reason, the panel stays open.
    drawArea(ui, kBridge, ui.Neutral);
    click(ui.Label1z);
    clickPicture(ui, 10, 10);
    click(ui.Label2z);
    clickPicture(ui, 20, 20);
    click(ui.Label8z);
    typeInto(ui.Edit2z, QStringLiteral("Brücke Nord"));
    error = expectErrorBox();
    click(ui.Label9z);
    EXPECT_EQ(*error, QStringLiteral("Der Area-Name \"Brücke Nord\" enthält ein Leerzeichen. Bitte "
                                     "einen Namen ohne Leerzeichen, Schrägstrich und "
                                     "Anführungszeichen wählen."));
    typeInto(ui.Edit2z, QStringLiteral("Bridge"));
    error = expectErrorBox();
    click(ui.Label9z);
    EXPECT_TRUE(error->contains(QStringLiteral("\"Bridge\" ist schon vergeben")))
        << error->toStdString();
    EXPECT_TRUE(ui.areafert->isVisible());
    EXPECT_EQ(ui.ListBox1z->count(), 2);
}

TEST_F(AreasTab, KeysActOnlyOnTheShownTabAndNotInTextFields) {
    TForm1 form;
    Ui::TForm1& ui = form.controls();
    // Before Start the tab can be shown, but it does not respond.
    form.show();
    showTab(ui, ui.t3);
    press(ui.PageControl1->tabBar(), Qt::Key_6);
    EXPECT_EQ(ui.rot->geometry(), QRect(341, 264, 1, 1));

    start(form, bastogne());
    ASSERT_EQ(ui.rot->geometry(), QRect(341, 264, 1, 1));
    const auto red = [&ui] { return ui.rot->geometry().topLeft(); };
    press(ui.e, Qt::Key_6);
    EXPECT_EQ(red(), QPoint(342, 264));
    press(ui.e, Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(red(), QPoint(343, 264));
    press(ui.e, Qt::Key_Right, Qt::KeypadModifier);
    EXPECT_EQ(red(), QPoint(344, 264));
    press(ui.e, Qt::Key_5);
    press(ui.e, Qt::Key_Clear, Qt::KeypadModifier);
    EXPECT_EQ(red(), QPoint(344, 266));
    press(ui.e, Qt::Key_4);
    press(ui.e, Qt::Key_8, Qt::KeypadModifier);
    EXPECT_EQ(red(), QPoint(343, 265));
    // Down is 5, not 2; the arrow keys beside the pad and other keys do nothing.
    press(ui.e, Qt::Key_2);
    press(ui.e, Qt::Key_Down, Qt::KeypadModifier);
    press(ui.e, Qt::Key_Right);
    press(ui.e, Qt::Key_6, Qt::AltModifier | Qt::ControlModifier);
    EXPECT_EQ(red(), QPoint(343, 265));
    // Keys on other controls of the tab act as well.
    press(ui.ListBox1z, Qt::Key_6);
    EXPECT_EQ(red(), QPoint(344, 265));

    // A text field with the focus keeps its keys, also those it passes on.
    click(ui.RadioButton1);
    typeInto(ui.Edit1z, QStringLiteral("3"));
    press(ui.Edit1z, Qt::Key_6);
    press(ui.Edit1z, Qt::Key_Clear, Qt::KeypadModifier);
    EXPECT_EQ(ui.Edit1z->text(), QStringLiteral("36"));
    EXPECT_EQ(red(), QPoint(344, 265));

    // The step is read at every move, in keypad mode too, where the field is disabled.
    setStep(ui, QStringLiteral("5"));
    click(ui.RadioButton2);
    EXPECT_FALSE(ui.Edit1z->isEnabled());
    EXPECT_FALSE(ui.Label5z->isEnabled());
    press(ui.e, Qt::Key_6);
    EXPECT_EQ(red(), QPoint(349, 265));
    click(ui.RadioButton1);
    setStep(ui, QStringLiteral("-3"));
    click(ui.Label5z);
    EXPECT_EQ(red(), QPoint(346, 265));

    // Another tab shown: the keys are its own.
    showTab(ui, ui.t1);
    press(ui.PageControl1->tabBar(), Qt::Key_6);
    press(ui.t1, Qt::Key_6);
    EXPECT_EQ(red(), QPoint(346, 265));
}

TEST_F(AreasTab, FertigWithoutAreasSaysSoAndListsEachAreaOnce) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    // "Fertig" before any area: a message, no empty panel, no script.
    auto message = answerMessageBox();
    click(ui.Image2z);
    EXPECT_TRUE(message->text.startsWith(QStringLiteral("Es gibt noch keine Area.")))
        << message->text.toStdString();
    EXPECT_FALSE(ui.GroupBox5z->isVisible());
    EXPECT_EQ(script(), "");

    // "Fertig" twice lists every area once.
    drawHillAndBridge(ui);
    click(ui.Image2z);
    click(ui.Image2z);
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill"), QStringLiteral("Bridge")}));
}

// Any area selected on the picture or in the list, edited with its flags back on its corners,
// deleted (after a question when others name it), every step undone with Ctrl+Z, and the
// areas edited again after the script was written.
TEST_F(AreasTab, EveryAreaEditableDeletableAndUndone) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    drawHillAndBridge(ui);
    drawArea(ui, kExtra, ui.Team2);
    EXPECT_FALSE(ui.Label23z->isEnabled());

    // A click on Bridge's outline selects it, drawn highlighted and current in the list.
    clickPicture(ui, 280, 50);
    EXPECT_EQ(ui.ListBox1z->currentRow(), 1);
    EXPECT_EQ(pictureShown(ui).pixelColor(280, 50), AreaPicture::selectedColour());
    EXPECT_TRUE(ui.Label23z->isEnabled());
    EXPECT_TRUE(ui.Label24z->isEnabled());

    // "Area bearbeiten": the flags on its corners, its panel; a corner moved, a new name.
    click(ui.Label23z);
    EXPECT_EQ(ui.gruen->geometry().topLeft(), QPoint(300, 50));
    EXPECT_EQ(ui.rot->geometry().topLeft(), QPoint(260, 120));
    ASSERT_TRUE(ui.areafert->isVisible());
    EXPECT_EQ(ui.Edit2z->text(), QStringLiteral("Bridge"));
    EXPECT_TRUE(ui.Neutral->isChecked());
    clickPicture(ui, 310, 40);
    typeInto(ui.Edit2z, QStringLiteral("Brücke"));
    click(ui.Label9z);
    EXPECT_FALSE(ui.areafert->isVisible());
    EXPECT_EQ(entries(ui.ListBox1z),
              (QStringList{qs(kHillSummary),
                           QStringLiteral("Brücke [ 1040;1568 / 1240;1888 ] ==> Prio. [50]"),
                           QStringLiteral("Extra [ 1600;248 / 1800;448 ] ==> Prio. [10]")}));

    // Hill walked with Brücke and Extra ticked.
    click(ui.Image2z);
    toggleEntry(ui.CheckListBox1, 1);
    toggleEntry(ui.CheckListBox1, 2);
    click(ui.Label16z);
    EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Brücke ist Nachbar von: "));

    // Extra, chosen in the list, is Hill's neighbour: the question first; "Nein" keeps it.
    QTest::mouseClick(ui.ListBox1z->viewport(), Qt::LeftButton, Qt::NoModifier,
                      ui.ListBox1z->visualItemRect(ui.ListBox1z->item(2)).center());
    auto question = answerQuestion(false);
    click(ui.Label24z);
    EXPECT_TRUE(question->text.startsWith(QStringLiteral("Die Area \"Extra\" ist Nachbar von "
                                                         "\"Hill\".")))
        << question->text.toStdString();
    EXPECT_EQ(ui.ListBox1z->count(), 3);
    question = answerQuestion(true);
    click(ui.Label24z);
    EXPECT_EQ(ui.ListBox1z->count(), 2);
    EXPECT_NE(pictureShown(ui).pixelColor(440, 450), AreaPicture::areaColour());

    // Ctrl+Z only where the focus is on no text field; then the deletion is undone.
    click(ui.RadioButton1);
    click(ui.Edit1z);
    press(ui.Edit1z, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui.ListBox1z->count(), 2);
    press(ui.Edit1z, Qt::Key_Return);
    press(ui.e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui.ListBox1z->count(), 3);
    EXPECT_EQ(pictureShown(ui).pixelColor(440, 450), AreaPicture::areaColour());

    // The script cannot be written: the error box says why, and nothing is lost.
    toggleEntry(ui.CheckListBox1, 0);
    click(ui.Label16z);
    fs::remove_all(program_.addon("Bastogne") / "AI");
    const auto error = expectErrorBox();
    click(ui.Label16z);
    EXPECT_TRUE(
        error->contains(QStringLiteral("StrategicAreas.con\" kann nicht erstellt werden. Das "
                                       "System kann den angegebenen Pfad nicht finden.")))
        << error->toStdString();
    EXPECT_EQ(ui.PageControl1->currentWidget(), ui.t3);

    // Once the folder is back, the next "Nächste" writes every area as it stands.
    fs::create_directories(program_.addon("Bastogne") / "AI");
    auto message = answerMessageBox();
    click(ui.Label16z);
    EXPECT_EQ(message->text, QStringLiteral("Ändere etwas, wenn du willst."));
    const std::string written =
        "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
        "aiStrategicArea.create Hill 400/848 800/1648 100\r\n"
        " \r\n"
        "aiStrategicArea.create Br\xfc"
        "cke 1040/1568 1240/1888 50\r\n"
        " \r\n"
        "aiStrategicArea.create Extra 1600/248 1800/448 10\r\n"
        " \r\n"
        "\r\n"
        " \r\n"
        " \r\n"
        "aiStrategicArea.setActive Hill\r\n"
        "AIStrategicArea.addNeighbour Br\xfc"
        "cke\r\n"
        "AIStrategicArea.addNeighbour Extra\r\n"
        "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
        "AIStrategicArea.setOrderPosition Infantry 590/1238\r\n"
        "AIStrategicArea.setOrderPosition Car 590/1238\r\n"
        "aiStrategicArea.setSide 1\r\n"
        "\r\n"
        "aiStrategicArea.setActive Br\xfc"
        "cke\r\n"
        "AIStrategicArea.addNeighbour Hill\r\n"
        "AIStrategicArea.setOrderPosition Infantry 1130/1718\r\n"
        "aiStrategicArea.setSide 0\r\n"
        "\r\n"
        "aiStrategicArea.setActive Extra\r\n"
        "AIStrategicArea.setOrderPosition Infantry 1690/338\r\n"
        "aiStrategicArea.setSide 2\r\n"
        "\r\n"
        "\r\n";
    EXPECT_EQ(script(), written);
    EXPECT_EQ(ui.PageControl1->currentWidget(), ui.t4);

    // The script is final: no edit, no undo, until "Areas wieder bearbeiten"; then the next
    // phase shows each area's earlier ticks, and "Nächste" through them writes the same.
    showTab(ui, ui.t3);
    EXPECT_FALSE(ui.Label17z->isEnabled());
    EXPECT_FALSE(ui.Label24z->isEnabled());
    ASSERT_TRUE(ui.Label26z->isEnabled());
    click(ui.Label26z);
    EXPECT_FALSE(ui.GroupBox5z->isVisible());
    click(ui.Image2z);
    EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Hill ist Nachbar von: "));
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill"), QStringLiteral("Brücke [x]"),
                           QStringLiteral("Extra [x]")}));
    fs::remove(scriptFile());
    click(ui.Label16z);
    click(ui.Label16z);
    message = answerMessageBox();
    click(ui.Label16z);
    EXPECT_EQ(script(), written);
}

TEST_F(AreasTab, SavedAreasComeBackInTheNextRun) {
    {
        TForm1 form;
        start(form, bastogne());
        Ui::TForm1& ui = form.controls();
        EXPECT_FALSE(ui.Label18z->isVisible());
        drawHillAndBridge(ui);
        drawArea(ui, kExtra, ui.Team2);
        click(ui.Label17z);
        click(ui.Image2z);
        toggleEntry(ui.CheckListBox1, 1);
        click(ui.Label16z);
        toggleEntry(ui.CheckListBox1, 0);
        EXPECT_EQ(ui.Label20z->text(), QString());
    }
    ASSERT_TRUE(fs::exists(savedAreas()));

    // The next run, for the same map: the saved areas are offered and come back as they were,
    // down to the tick and the panel's values.
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    EXPECT_TRUE(ui.Label18z->isVisible());
    EXPECT_EQ(ui.Label18z->text(), QStringLiteral("Gespeicherte Areas laden (2)"));
    click(ui.Label18z);
    EXPECT_FALSE(ui.Label18z->isVisible());
    EXPECT_EQ(entries(ui.ListBox1z), (QStringList{qs(kHillSummary), qs(kBridgeSummary)}));
    EXPECT_EQ(entries(ui.CheckListBox1),
              (QStringList{QStringLiteral("Hill [x]"), QStringLiteral("Bridge")}));
    EXPECT_TRUE(ui.GroupBox5z->isVisible());
    EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Bridge ist Nachbar von: "));
    EXPECT_EQ(ui.Edit2z->text(), QStringLiteral("Bridge"));
    EXPECT_TRUE(ui.Neutral->isChecked());
    EXPECT_FALSE(ui.Team1->isChecked());
    EXPECT_FALSE(ui.cp->isChecked());
    EXPECT_EQ(pictureShown(ui).pixelColor(100, 200), AreaPicture::areaColour());
    EXPECT_EQ(script(), "");

    answerMessageBox();
    click(ui.Label16z);
    EXPECT_EQ(script(), kHillAndBridgeScript);
}

// A run that draws anew instead of loading never costs the saved areas: the status line says
// where they went, and a later run offers them beside the map's own file.
TEST_F(AreasTab, EarlierAreasAreKeptAndOffered) {
    {
        TForm1 form;
        start(form, bastogne());
        drawHillAndBridge(form.controls());
    }
    {
        TForm1 form;
        start(form, bastogne());
        Ui::TForm1& ui = form.controls();
        EXPECT_TRUE(ui.Label18z->isVisible());
        EXPECT_FALSE(ui.ComboBox1z->isVisible());
        drawArea(ui, kExtra, ui.Team2);
        const QString status = ui.Label20z->wholeText();
        EXPECT_TRUE(status.startsWith(qs("Die Areas des früheren Laufs liegen jetzt in \"" +
                                         program_.text() +
                                         tess::test::nativePath("temp/areas/Bastogne.20"))))
            << status.toStdString();
        EXPECT_TRUE(status.endsWith(
            QStringLiteral(".json\"; beim nächsten Start bietet \"Frühere Areas laden\" sie an.")))
            << status.toStdString();
    }
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    EXPECT_EQ(ui.Label18z->text(), QStringLiteral("Gespeicherte Areas laden (1)"));
    ASSERT_TRUE(ui.ComboBox1z->isVisible());
    ASSERT_EQ(ui.ComboBox1z->count(), 1);
    EXPECT_TRUE(ui.ComboBox1z->itemText(0).contains(u':'))
        << ui.ComboBox1z->itemText(0).toStdString();
    click(ui.Label21z);
    EXPECT_EQ(entries(ui.ListBox1z), (QStringList{qs(kHillSummary), qs(kBridgeSummary)}));
    EXPECT_FALSE(ui.ComboBox1z->isVisible());
    EXPECT_FALSE(ui.Label18z->isVisible());
}

// "Vorhandene Areas übernehmen" on Bastogne, then "Fertig" and "Nächste" through every area:
// the script holds the level's own areas. On a level without areas, "Areas an den
// Flaggenpunkten vorschlagen" gives a connected set, one step for Ctrl+Z, that "Fertig" writes.
TEST_F(AreasTab, AreasFromTheLevelAndItsControlPoints) {
    const LevelTakeover own = takeOverLevelAreasOf(bastogne().string() + "/", 2048, 4);
    {
        TForm1 form;
        start(form, bastogne());
        Ui::TForm1& ui = form.controls();
        auto message = answerMessageBox();
        click(ui.Label25z);
        EXPECT_TRUE(message->text.startsWith(QStringLiteral("7 Areas übernommen")))
            << message->text.toStdString();
        EXPECT_EQ(message->icon, QMessageBox::Information);
        EXPECT_EQ(ui.ListBox1z->count(), 7);
        click(ui.Image2z);
        for (int i = 0; i < 6; ++i)
            click(ui.Label16z);
        message = answerMessageBox();
        click(ui.Label16z);
        EXPECT_EQ(message->text, QStringLiteral("Ändere etwas, wenn du willst."));
        EXPECT_EQ(takeOverLevelAreas(tess::decodeCp1252(script()), 2048, 4).areas, own.areas);
    }

    fs::remove_all(bastogne() / "AI");
    writeBytes(scriptFile(), "");
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    EXPECT_FALSE(ui.Label25z->isVisible());
    ASSERT_TRUE(ui.Label22z->isEnabled());
    auto message = answerMessageBox();
    click(ui.Label22z);
    EXPECT_TRUE(
        message->text.startsWith(QStringLiteral("7 Areas an den Flaggenpunkten vorgeschlagen.")))
        << message->text.toStdString();
    EXPECT_EQ(ui.ListBox1z->count(), 7);
    press(ui.e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui.ListBox1z->count(), 0);
    message = answerMessageBox();
    click(ui.Label22z);
    ASSERT_EQ(ui.ListBox1z->count(), 7);
    click(ui.Image2z);
    for (int i = 0; i < 6; ++i)
        click(ui.Label16z);
    message = answerMessageBox();
    click(ui.Label16z);
    // Every area links to another, and every link is mutual.
    const AreaFile written = takeOverLevelAreas(tess::decodeCp1252(script()), 2048, 4).areas;
    ASSERT_EQ(written.size(), 7u);
    for (const AreaDefinition& area : written) {
        EXPECT_FALSE(area.neighbours.empty()) << area.panel.name;
        for (const std::string& neighbour : area.neighbours) {
            const auto other = std::find_if(written.begin(), written.end(), [&](const auto& a) {
                return a.panel.name == neighbour;
            });
            ASSERT_NE(other, written.end());
            EXPECT_EQ(
                std::count(other->neighbours.begin(), other->neighbours.end(), area.panel.name), 1)
                << area.panel.name << " - " << neighbour;
        }
    }
}

TEST_F(AreasTab, ADamagedSavedFileIsReportedAndKept) {
    writeBytes(savedAreas(), "{kaputt");
    TForm1 form;
    const auto error = expectErrorBox();
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    EXPECT_TRUE(
        error->startsWith(qs("Die gespeicherten Areas in \"" + program_.text() +
                             "temp\\areas\\Bastogne.json\" können nicht geladen werden: Die "
                             "Area-Datei ist kein gültiges JSON")))
        << error->toStdString();
    EXPECT_EQ(readBytes(savedAreas()), "{kaputt");
    EXPECT_FALSE(ui.Label18z->isVisible());
    EXPECT_TRUE(ui.Label1z->isEnabled());
}

TEST_F(AreasTab, TheLevelsOwnPictureAndAreasAsAGuide) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    // The level's overview picture: the dark red country in its top left corner.
    QImage shown = pictureShown(ui);
    EXPECT_TRUE(near(shown.pixelColor(10, 10), 112, 74, 63, 6))
        << describe(shown.pixelColor(10, 10));

    // "aiStrategicArea.create Villeroux 299/578 655/169 200" on a 2048 level: the pixels 75 to
    // 164 across and 368 to 470 down, outlined dashed.
    const QColor guide = AreaPicture::guideColour();
    EXPECT_EQ(shown.pixelColor(75, 368), guide);
    const int left = countInColumn(shown, 75, 368, 470, guide);
    EXPECT_GT(left, 50);
    EXPECT_LT(left, 95);
    EXPECT_GT(countInColumn(shown, 164, 368, 470, guide), 50);
    EXPECT_EQ(countInColumn(shown, 74, 380, 460, guide), 0);
    EXPECT_EQ(countInColumn(shown, 76, 380, 460, guide), 0);
    EXPECT_TRUE(ui.CheckBox1z->isVisible());
    EXPECT_TRUE(ui.CheckBox1z->isChecked());
    EXPECT_TRUE(ui.Label25z->isVisible());
    EXPECT_TRUE(ui.Label25z->isEnabled());

    // The control points as small flags in their team's colour: AxisBase (team 1) stands at
    // 419.6/1604.9, the pixel (105, 111); its flag flies above it.
    EXPECT_EQ(ui.e->controlPoints().size(), 7u);
    EXPECT_EQ(shown.pixelColor(107, 102), AreaPicture::teamColour(1));
    EXPECT_TRUE(ui.Label22z->isEnabled());

    // Hidden with the check box, and shown again.
    click(ui.CheckBox1z);
    EXPECT_EQ(countInColumn(pictureShown(ui), 75, 368, 470, guide), 0);
    click(ui.CheckBox1z);
    EXPECT_EQ(countInColumn(pictureShown(ui), 75, 368, 470, guide), left);
}

TEST_F(AreasTab, ADamagedOverviewPictureLeavesThePlaceholder) {
    const fs::path level = maps_.path() / "Broken";
    tess::test::copyTree(bastogne(), level);
    fs::resize_file(level / "Textures" / "ingamemap.dds", 300);
    fs::remove_all(level / "AI");
    TForm1 form;
    {
        const NoModalExpected none;
        start(form, level);
        EXPECT_TRUE(none.seen().isEmpty()) << none.seen().join(u'|').toStdString();
    }
    Ui::TForm1& ui = form.controls();
    const QColor shown = pictureShown(ui).pixelColor(10, 10);
    EXPECT_TRUE(near(shown, 0x5d, 0x70, 0x40, 10)) << describe(shown);
    EXPECT_FALSE(ui.CheckBox1z->isVisible());
}

TEST_F(AreasTab, OrientationPictureInTheFormatsQtReads) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    TempDir pictures;
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(QColor(200, 30, 40));
    for (const char* format : {"png", "jpg", "bmp", "ico"}) {
        const fs::path file = pictures.path() / (std::string("karte.") + format);
        ASSERT_TRUE(red.save(QString::fromStdString(file.string()), format)) << format;
        ui.e->setPixmap(QPixmap());
        const auto dialog = chooseInDialog(form, file.string());
        click(ui.Label10z);
        EXPECT_EQ(dialog->name, QStringLiteral("OpenPictureDialog1"));
        const QColor shown = pictureShown(ui).pixelColor(450, 100); // clear of the guides
        EXPECT_TRUE(near(shown, 200, 30, 40, 12)) << format << ": " << describe(shown);
    }
    const auto dialog = chooseInDialog(form, testdata("levels/Bastogne/Textures/ingamemap.dds"));
    click(ui.Label10z);
    for (const char* pattern : {"*.jpg", "*.jpeg", "*.bmp", "*.png", "*.ico", "*.dds"})
        EXPECT_TRUE(dialog->filter.contains(QString::fromLatin1(pattern)))
            << pattern << " in " << dialog->filter.toStdString();
    EXPECT_TRUE(near(pictureShown(ui).pixelColor(10, 10), 112, 74, 63, 6));

    // An extension no reader knows, and a file that is no picture: the error box, and the
    // picture stays.
    writeBytes(pictures.path() / "karte.txt", "Karte");
    auto error = expectErrorBox();
    chooseInDialog(form, (pictures.path() / "karte.txt").string());
    click(ui.Label10z);
    EXPECT_EQ(*error, QStringLiteral("Unbekannte Bilddateierweiterung (.txt)."));
    writeBytes(pictures.path() / "kaputt.png", "kein Bild");
    error = expectErrorBox();
    chooseInDialog(form, (pictures.path() / "kaputt.png").string());
    click(ui.Label10z);
    EXPECT_EQ(*error, qs("Datei " + (pictures.path() / "kaputt.png").string() +
                         " ist kein gültiges Bild."));
    // Cancelled.
    chooseInDialog(form, "");
    click(ui.Label10z);
    EXPECT_TRUE(near(pictureShown(ui).pixelColor(10, 10), 112, 74, 63, 6));
}

// The autosave never interrupts: its failure is a line on the tab until a save succeeds.
TEST_F(AreasTab, AFailedAutosaveIsShownOnTheTabUntilASaveSucceeds) {
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();
    writeBytes(program_.path() / "temp" / "areas", "a file where the folder belongs");
    {
        const NoModalExpected none;
        drawArea(ui, kHill, ui.Team1);
        EXPECT_TRUE(none.seen().isEmpty()) << none.seen().join(u'|').toStdString();
    }
    EXPECT_EQ(ui.ListBox1z->count(), 1);
    EXPECT_TRUE(ui.Label20z->text().startsWith(
        QStringLiteral("Die Areas konnten nicht gesichert werden: Datei \"")))
        << ui.Label20z->text().toStdString();
    EXPECT_TRUE(ui.Label20z->isVisible());

    fs::remove(program_.path() / "temp" / "areas");
    drawArea(ui, kBridge, ui.Neutral);
    EXPECT_EQ(ui.Label20z->text(), QString());
    EXPECT_TRUE(fs::exists(savedAreas()));
}

// A slip costs nothing: the arrow keys move the marker in keypad mode, the panel opens off the
// area, Ctrl+Z is undone by "Wiederholen", Ctrl+Y and Ctrl+Shift+Z; a level's areas keep their
// names readable and their self-links, and the neighbour panel closes when its work is done.
TEST_F(AreasTab, TheEditorForgivesASlip) {
    // A self-link in Marvie's block and an area at the picture's eastern edge.
    std::string level = readBytes(bastogne() / "AI/StrategicAreas.con");
    level.replace(level.find("AIStrategicArea.addNeighbour Volksbase"), 0,
                  "AIStrategicArea.addNeighbour Marvie\n");
    level += "aiStrategicArea.create Ostrand_am_Kartenrand 1990/700 2048/760 10\n";
    writeBytes(bastogne() / "AI/StrategicAreas.con", level);
    TForm1 form;
    start(form, bastogne());
    Ui::TForm1& ui = form.controls();

    // Keypad mode: the labels stay grey and say why; the arrows move the red marker and its
    // flag by the step, and the radio buttons stay as they are.
    click(ui.RadioButton2);
    EXPECT_FALSE(ui.Label4z->isEnabled());
    EXPECT_TRUE(ui.Label4z->toolTip().startsWith(
        QStringLiteral("Erst \"Intervall Einstellung / Tastenbewegung\" wählen")));
    ASSERT_EQ(QApplication::focusWidget(), ui.RadioButton2);
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Up, Qt::Key_Down})
        press(ui.RadioButton2, key);
    EXPECT_EQ(ui.rot->geometry(), QRect(343, 265, 1, 1));
    EXPECT_EQ(ui.fr->geometry(), QRect(319, 217, 41, 49));
    EXPECT_TRUE(ui.RadioButton2->isChecked());
    EXPECT_FALSE(ui.RadioButton1->isChecked());
    press(ui.e, Qt::Key_Left);
    EXPECT_EQ(ui.rot->geometry(), QRect(342, 265, 1, 1));
    tess::test::screenshot("areas-1-arrow-keys");

    // An area across the top of the picture: the panel opens at the bottom, off it.
    click(ui.Label1z);
    clickPicture(ui, 10, 10);
    click(ui.Label2z);
    clickPicture(ui, 500, 100);
    click(ui.Label8z);
    EXPECT_EQ(ui.areafert->geometry(), QRect(2, 163, 161, 345));
    tess::test::screenshot("areas-2-panel-off-the-area");
    typeInto(ui.Edit2z, QStringLiteral("Nordrand"));
    typeInto(ui.Edit3z, QStringLiteral("20"));
    click(ui.Label9z);
    ASSERT_EQ(ui.ListBox1z->count(), 1);

    // Undone, and done again three ways.
    EXPECT_FALSE(ui.Label27z->isEnabled());
    const auto undoThen = [&](const std::function<void()>& redo) {
        press(ui.e, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(ui.ListBox1z->count(), 0);
        EXPECT_TRUE(ui.Label27z->isEnabled());
        redo();
        EXPECT_EQ(entries(ui.ListBox1z),
                  QStringList{QStringLiteral("Nordrand [ 40;1648 / 2000;2008 ] ==> Prio. [20]")});
    };
    undoThen([&] {
        tess::test::screenshot("areas-3-redo");
        click(ui.Label27z);
    });
    undoThen([&] { press(ui.e, Qt::Key_Y, Qt::ControlModifier); });
    undoThen([&] { press(ui.e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); });
    EXPECT_FALSE(ui.Label27z->isEnabled());

    // The level's areas: every name inside the picture and none over another, the guides' and
    // the control points' included; an entry too long for the list is shortened, whole in its
    // tool tip.
    auto message = answerMessageBox();
    click(ui.Label25z);
    ASSERT_EQ(ui.ListBox1z->count(), 9);
    pictureShown(ui);
    const std::vector<QRect>& tags = ui.e->nameTags();
    EXPECT_EQ(tags.size(), ui.e->controlPoints().size() + 8 + 9);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        EXPECT_TRUE(QRect(0, 0, 512, 512).contains(tags[i])) << i;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(tags[i].intersects(tags[j])) << i << " " << j;
    }
    QListWidgetItem* longest = ui.ListBox1z->item(8);
    EXPECT_EQ(longest->toolTip(),
              QStringLiteral("Ostrand_am_Kartenrand [ 1988;700 / 2048;760 ] ==> Prio. [10]"));
    EXPECT_LT(longest->text().size(), longest->toolTip().size());
    EXPECT_TRUE(longest->text().contains(QChar(0x2026)));
    EXPECT_EQ(ui.ListBox1z->horizontalScrollBar()->maximum(), 0);
    tess::test::screenshot("areas-4-labels");

    // The neighbour list shows ten rows; Marvie's self-link is shown as the level has it, and
    // the panel's tip says so.
    click(ui.Image2z);
    EXPECT_GE(ui.CheckListBox1->viewport()->height(), 10 * ui.CheckListBox1->sizeHintForRow(0));
    for (int i = 0; i < 4; ++i)
        click(ui.Label16z);
    ASSERT_EQ(ui.Label13z->text(), QStringLiteral("Marvie ist Nachbar von: "));
    EXPECT_EQ(ui.CheckListBox1->item(4)->checkState(), Qt::Checked);
    EXPECT_FALSE(ui.Label3z->text().contains(QStringLiteral("kann nicht Nachbar von sich selbst")));
    EXPECT_TRUE(ui.Label3z->text().endsWith(QStringLiteral(
        "Diese Area ist, wie in der Karte, als ihr eigener Nachbar angekreuzt; ist das nicht "
        "gemeint, nimm das Häkchen weg.")));
    tess::test::screenshot("areas-5-self-link");
    click(ui.Label16z);
    EXPECT_TRUE(ui.Label3z->text().endsWith(
        QStringLiteral("Tip: eine Area kann nicht Nachbar von sich selbst sein !")));

    // The script written, the panel closes; "Areas wieder bearbeiten" waits below the picture.
    for (int i = 0; i < 3; ++i)
        click(ui.Label16z);
    message = answerMessageBox();
    click(ui.Label16z);
    EXPECT_EQ(message->text, QStringLiteral("Ändere etwas, wenn du willst."));
    showTab(ui, ui.t3);
    EXPECT_FALSE(ui.GroupBox5z->isVisible());
    EXPECT_TRUE(ui.Label26z->isVisible());
    EXPECT_TRUE(ui.Label26z->isEnabled());
    tess::test::screenshot("areas-6-script-written");
}
