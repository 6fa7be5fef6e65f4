// The main window, clicked through on real widgets (offscreen): real files in temporary
// program folders, real dialogs and error boxes answered as a user would.
#include "app/clickable_label.h"
#include "app/path_note.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "platform/program_folder.h"
#include "test_support.h"
#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace fs = std::filesystem;
using tess::test::chooseInDialog;
using tess::test::click;
using tess::test::expectErrorBox;
using tess::test::nativePath;
using tess::test::qs;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::whenModal;
using tess::test::writeBytes;

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { tess::test::setEnvironment("TESS_NO_TERMINAL", "1"); }
    tess::test::ProgramFolder program_;
};

} // namespace

TEST_F(WindowTest, StartUpReadsTheGameFolderAndShowsTheSplash) {
    {
        TForm1 form;
        form.show();
        EXPECT_EQ(form.controls().Edit4->text(), QStringLiteral("BF Pfad"));
        EXPECT_EQ(form.state().gameDir, "");
        EXPECT_EQ(form.state().areaEditMode, tess::AreaEditMode::secondCorner);
        EXPECT_TRUE(form.splash()->isVisible());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Tessarine by ferro_lumen"));
        EXPECT_EQ(form.size(), QSize(760, 620));
        EXPECT_EQ(form.splash()->size(), QSize(369, 217));
        // Clicking the splash picture hides it for good.
        click(form.splash()->findChild<QWidget*>(QStringLiteral("Image1")));
        EXPECT_FALSE(form.splash()->isVisible());
    }
    writeBytes(program_.path() / "memory.bf", "D:\\Spiele\\BF1942\\\r\nzweite Zeile\r\n");
    TForm1 form;
    form.show();
    EXPECT_EQ(form.controls().Edit4->text(), QStringLiteral("D:\\Spiele\\BF1942\\"));
    EXPECT_EQ(form.state().gameDir, "D:\\Spiele\\BF1942\\");
}

TEST_F(WindowTest, AnUnreadableMemoryFileShowsTheErrorAndSkipsTheRestOfStartUp) {
    fs::create_directories(program_.path() / "memory.bf"); // exists, but cannot be read
    auto error = expectErrorBox();
    TForm1 form;
    form.show();
    EXPECT_TRUE(error->startsWith(qs("Datei " + program_.text() + "memory.bf kann nicht ge")))
        << error->toStdString();
    EXPECT_TRUE(error->endsWith(QStringLiteral(".")));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.controls().Edit4->text(), QStringLiteral("BF Pfad"));
    EXPECT_EQ(form.state().areaEditMode, tess::AreaEditMode::none);
    EXPECT_FALSE(form.splash()->isVisible());
}

TEST_F(WindowTest, ClosingTheMainWindowClosesTheSplashToo) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(form.splash()->isVisible());
    form.close();
    EXPECT_FALSE(form.splash()->isVisible());
}

TEST_F(WindowTest, GameFolderIsChosenConfirmedAndRemembered) {
    TForm1 form;
    form.show();
    auto& ui = form.controls();
    // Tab 3's game-folder group opens only after the area script; enable it to reach it.
    ui.GroupBox14->setEnabled(true);
    EXPECT_FALSE(ui.GroupBox13->isEnabled());

    chooseInDialog(form, "");
    click(ui.Image9);
    EXPECT_EQ(ui.Edit4->text(), QStringLiteral("BF Pfad"));
    EXPECT_FALSE(fs::exists(program_.path() / "memory.bf"));

    TempDir game;
    writeBytes(game.path() / "BF1942.exe", "MZ");
    const auto filters = chooseInDialog(form, game.text() + "BF1942.exe");
    click(ui.Image9);
    EXPECT_EQ(ui.Edit4->text(), qs(game.text()));
    EXPECT_EQ(form.state().gameDir, game.text());
    EXPECT_EQ(filters->name, QStringLiteral("OpenDialog2"));
    EXPECT_EQ(filters->filter, QStringLiteral("BF1942.exe  (BF1942.exe)"));

    click(ui.Button5);
    EXPECT_EQ(readBytes(program_.path() / "memory.bf"), game.text());
    EXPECT_TRUE(ui.GroupBox13->isEnabled());

    // A typed folder is stored but becomes the game folder only at the next start.
    ui.Edit4->setText(QStringLiteral("/anderswo/"));
    click(ui.Button5);
    EXPECT_EQ(form.state().gameDir, game.text());
    EXPECT_EQ(readBytes(program_.path() / "memory.bf"), "/anderswo/");
}

TEST_F(WindowTest, UnpackedMapThroughOkStartAndReview) {
    TForm1 form;
    form.show();
    auto& ui = form.controls();
    EXPECT_FALSE(ui.Button1->isEnabled());
    EXPECT_FALSE(ui.GroupBox8->isEnabled());
    EXPECT_FALSE(ui.t3->isEnabled());

    // Cancelling still enables OK.
    ui.unpack->setChecked(true);
    chooseInDialog(form, "");
    click(ui.Image12);
    EXPECT_TRUE(ui.Button1->isEnabled());
    EXPECT_TRUE(ui.pack->isEnabled());

    TempDir maps;
    tess::test::copyTree(tess::test::testdata("levels/Bastogne"), maps.path() / "Bastogne");
    const auto filters = chooseInDialog(form, (maps.path() / "Bastogne" / "Init.con").string());
    click(ui.Image12);
    EXPECT_EQ(filters->name, QStringLiteral("o1"));
    EXPECT_EQ(filters->filter, QStringLiteral("Main Init.con (init.con)"));
    EXPECT_EQ(ui.Edit3->text(), qs(maps.text() + nativePath("Bastogne/")));
    EXPECT_FALSE(ui.pack->isEnabled());
    EXPECT_FALSE(ui.unpack->isEnabled());

    click(ui.Button1);
    EXPECT_EQ(ui.Label31->text(), QStringLiteral("2048"));
    EXPECT_EQ(ui.Label30->text(), qs(maps.text() + nativePath("Bastogne/")));
    EXPECT_EQ(ui.Label32->text(), QStringLiteral("bf1942/levels/Bastogne"));
    EXPECT_EQ(ui.Edit5->text(), QStringLiteral("bf1942/levels/Bastogne"));
    EXPECT_EQ(ui.Label33->text(), QStringLiteral("Non - RFA"));
    EXPECT_EQ(ui.Label39->text(), QStringLiteral("Bastogne"));
    // Where the addon goes: the folder itself, whole, with the platform's separators, and a
    // link that opens it.
    const QString addonShown = qs(program_.text() + nativePath("bf1942/levels/Bastogne_001/"));
    EXPECT_EQ(ui.Label46->shownText(), addonShown + QStringLiteral(" Ordner öffnen"));
    EXPECT_EQ(ui.Label46->toolTip(), addonShown);
    EXPECT_FALSE(ui.GroupBox7->isEnabled());
    EXPECT_TRUE(ui.GroupBox8->isEnabled());
    EXPECT_TRUE(ui.GroupBox9->isEnabled());
    EXPECT_TRUE(ui.Memo6->isEnabled());
    EXPECT_FALSE(ui.ListBox1->isEnabled());

    // Saving with nothing selected is refused.
    auto error = expectErrorBox();
    click(ui.Button3);
    EXPECT_EQ(*error, QStringLiteral("Listenindex \u00fcberschreitet das Maximum (-1)."));

    ui.shipp->setChecked(true);
    click(ui.Button2);
    EXPECT_FALSE(ui.Button2->isEnabled());
    EXPECT_TRUE(ui.ListBox1->isEnabled());
    EXPECT_TRUE(ui.t3->isEnabled());
    ASSERT_EQ(ui.ListBox1->count(), 19);
    EXPECT_EQ(ui.ListBox1->item(1)->text(), QStringLiteral("AIPathfinding.con"));
    EXPECT_TRUE(fs::exists(program_.addon("Bastogne") / "AI" / "StrategicAreas.con"));

    // The list gains the focus (the disabled Start button hands it on): no entry is marked
    // as current, and saving still says that nothing is selected.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(ui.ListBox1, &focusIn);
    EXPECT_EQ(ui.ListBox1->currentRow(), -1);
    EXPECT_TRUE(ui.ListBox1->selectedItems().isEmpty());
    error = expectErrorBox();
    click(ui.Button3);
    EXPECT_EQ(*error, QStringLiteral("Listenindex überschreitet das Maximum (-1)."));

    const fs::path addon = program_.path() / "bf1942" / "levels" / "Bastogne_001";
    const std::string script = readBytes(addon / "AIPathFinding.con");
    ui.ListBox1->setCurrentRow(1);
    QString expected = qs(script);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(ui.Memo6->toPlainText(), expected);
    EXPECT_TRUE(ui.Memo6->toPlainText().contains(QStringLiteral("rem *** Boat ***")));

    // Saving unedited leaves the file byte for byte; an edit is written with CR LF.
    click(ui.Button3);
    EXPECT_EQ(readBytes(addon / "AIPathFinding.con"), script);
    ui.Memo6->setPlainText(QStringLiteral("rem neu\nrem \u00e4"));
    click(ui.Button3);
    EXPECT_EQ(readBytes(addon / "AIPathFinding.con"), "rem neu\r\nrem \xe4");
}

TEST_F(WindowTest, PackedMapOkBeforeUnpackingFailsAndWorksLater) {
    TForm1 form;
    form.show();
    auto& ui = form.controls();
    TempDir maps;
    writeBytes(maps.path() / "Oasis.rfa", "not yet unpacked");
    chooseInDialog(form, maps.text() + "Oasis.rfa");
    click(ui.Image12);
    EXPECT_EQ(ui.Edit3->text(), qs(maps.text() + "Oasis.rfa"));
    EXPECT_EQ(form.state().mapName, "Oasis.rfa");
    EXPECT_TRUE(fs::exists(program_.path() / "unpack.bat"));

    auto error = expectErrorBox();
    click(ui.Button1);
    EXPECT_EQ(*error, qs("Datei " + program_.text() + "bf1942\\levels\\Oasis\\init\\terrain.con") +
                          QStringLiteral(" kann nicht geöffnet werden. Das System kann den "
                                         "angegebenen Pfad nicht finden."));
    EXPECT_TRUE(ui.GroupBox7->isEnabled());
    EXPECT_EQ(form.state().mapName, "Oasis.rfa");

    writeBytes(program_.path() / "bf1942" / "levels" / "Oasis" / "init" / "terrain.con",
               "GeometryTemplate.worldSize 1024\r\n");
    click(ui.Button1);
    EXPECT_EQ(ui.Label31->text(), QStringLiteral("1024"));
    EXPECT_EQ(ui.Label33->text(), QStringLiteral("Is - RFA"));
    EXPECT_EQ(ui.Label39->text(), QStringLiteral("Oasis"));
    EXPECT_EQ(ui.Label46->wholeText(),
              qs(program_.text() + nativePath("bf1942/levels/Oasis_001/")));
    // The level folder the system names as <program folder>bf1942\levels\Oasis\ .
    EXPECT_EQ(ui.Label30->text(), qs(program_.text() + nativePath("bf1942/levels/Oasis/")));
    EXPECT_EQ(form.state().levelDir, program_.text() + "bf1942\\levels\\Oasis\\");
    EXPECT_FALSE(ui.GroupBox7->isEnabled());
}

TEST_F(WindowTest, GenuineArchiveIsUnpackedByTheBatchInItsOwnProcess) {
    // The program folder holds the command-line tool that runs batches, as installed.
    tess::test::installBatchTools(program_.path());
    TForm1 form;
    form.show();
    auto& ui = form.controls();
    // The map maker's own copy of the map, writable (Windows deletes no read-only copy).
    TempDir maps;
    fs::copy_file(tess::test::testdata("archives/kursk.rfa"), maps.path() / "kursk.rfa");
    fs::permissions(maps.path() / "kursk.rfa", fs::perms::owner_write, fs::perm_options::add);
    chooseInDialog(form, (maps.path() / "kursk.rfa").string());
    click(ui.Image12);
    EXPECT_EQ(form.state().mapName, "kursk.rfa");

    // The batch runs on its own; wait for its end, as a user waits for the console window
    // to close.
    for (int i = 0; i < 600 && !tess::test::unpackHasEnded(program_.path(), "kursk.rfa"); ++i)
        QTest::qWait(50);
    click(ui.Button1);
    EXPECT_EQ(ui.Label31->text(), QStringLiteral("1024"))
        << readBytes(program_.path() / "unpack.log");
    EXPECT_EQ(ui.Label39->text(), QStringLiteral("kursk"));
    EXPECT_TRUE(fs::exists(maps.path() / "kursk.rfa"));
    EXPECT_FALSE(fs::exists(program_.path() / "kursk.rfa")); // the batch removed its copy
    // What the batch printed stays in unpack.log: its commands and the archive tool's lines.
    const std::string log = readBytes(program_.path() / "unpack.log");
    for (const std::string line : {">rfaunpack.exe kursk.rfa", "-- RFA Unpack 1.7 --",
                                   "  bf1942/Levels/Kursk/Init.con", ">del \""})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in:\n" << log;
}

// Every control of the window is drawn in the window design's font, those with a colour style
// of their own too.
TEST_F(WindowTest, OneFontForTheWholeWindow) {
    TForm1 form;
    form.show();
    const QFontInfo design(form.font());
    EXPECT_EQ(form.font().pointSize(), 8);
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const QFontInfo used(w->font());
        EXPECT_EQ(used.family(), design.family()) << w->objectName().toStdString();
        EXPECT_EQ(used.pointSize(), design.pointSize()) << w->objectName().toStdString();
    }
}

// Every caption of the window fits its control in the window's font: labels on one line, the
// buttons, and the boxes beside their indicators.
TEST_F(WindowTest, EveryCaptionFitsItsControl) {
    TForm1 form;
    form.show();
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const QFontMetrics metrics(w->font());
        int room = 0;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
            text = label->text();
            room = label->contentsRect().width() - 2 * label->margin();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            text = button->text();
            room = button->width() - 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin);
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            text = static_cast<QAbstractButton*>(w)->text();
            room = w->width() - w->style()->pixelMetric(QStyle::PM_IndicatorWidth) -
                   w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        }
        text.remove(QLatin1Char('&'));
        if (text.isEmpty() || text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('\n')))
            continue;
        EXPECT_LE(metrics.horizontalAdvance(text), room)
            << w->objectName().toStdString() << ": " << text.toStdString();
    }
}

// Qt's own dialogs speak German: the map dialog, as the user opens it.
TEST_F(WindowTest, DialogsSpeakGerman) {
    TForm1 form;
    form.show();
    auto buttons = std::make_shared<QStringList>();
    auto labels = std::make_shared<QStringList>();
    whenModal([buttons, labels](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        for (auto* button : dialog->findChildren<QPushButton*>())
            buttons->append(button->text().remove(QLatin1Char('&')));
        for (auto* label : dialog->findChildren<QLabel*>())
            labels->append(label->text().remove(QLatin1Char('&')));
        dialog->reject();
    });
    click(form.controls().Image12);
    EXPECT_TRUE(buttons->contains(QStringLiteral("Abbrechen")))
        << buttons->join(u'|').toStdString();
    EXPECT_TRUE(buttons->contains(QStringLiteral("Öffnen"))) << buttons->join(u'|').toStdString();
    EXPECT_TRUE(labels->contains(QStringLiteral("Dateiname:"))) << labels->join(u'|').toStdString();
    for (const char* english : {"Cancel", "Open", "Look in:", "File name:", "Files of type:"}) {
        EXPECT_FALSE(buttons->contains(QString::fromUtf8(english))) << english;
        EXPECT_FALSE(labels->contains(QString::fromUtf8(english))) << english;
    }
    // Cancelled: nothing chosen, OK enabled all the same.
    EXPECT_EQ(form.controls().Edit3->text(), QStringLiteral("Pfad"));
    EXPECT_TRUE(form.controls().Button1->isEnabled());
}

// The command labels and icons: a left click on the enabled label, and nothing else.
TEST(ClickableLabelTest, ClickedOnlyByTheLeftButtonReleasedInsideWhileEnabled) {
    QWidget window;
    auto* label = new ClickableLabel(&window);
    label->setGeometry(10, 10, 40, 20);
    window.show();
    QSignalSpy clicks(label, &ClickableLabel::clicked);
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(label, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(60, 5)); // moved off before letting go
    EXPECT_EQ(clicks.count(), 1);
    label->setEnabled(false);
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    label->setEnabled(true);
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 2);
}

// A note that names a path: the path whole where it fits, else shortened in the middle to its
// line, the whole path in the tip. A note that wraps puts a long path on a line of its own;
// a one-line note keeps everything on its line. "Ordner öffnen" asks for the folder.
TEST(PathNoteTest, ThePathIsWholeOrShortenedInTheMiddleToFitItsLine) {
    const QString path = QStringLiteral("C:\\Users\\Anna Müller\\Spiele\\Tessarine für "
                                        "BF1942\\bf1942\\levels\\remagen_001\\");
    const QString before = QStringLiteral("StrategicAreas.con liegt in ");
    const struct {
        int width;
        bool wrap;
        QString before;
        bool shortened;
        bool ownLine;
    } rows[] = {
        {1500, true, before, false, false},     {177, true, before, true, true},
        {1500, false, QString(), false, false}, {200, false, QString(), true, false},
        {177, true, QString(), true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        PathNote note;
        note.setWordWrap(row.wrap);
        note.resize(row.width, 60);
        note.showPath(row.before, path, QStringLiteral("."), QStringLiteral("C:\\Ordner\\"));
        EXPECT_EQ(note.wholeText(), row.before + path + QStringLiteral("."));
        EXPECT_EQ(note.toolTip(), path);
        const QStringList lines = note.shownText().split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), row.ownLine ? 2 : 1) << note.shownText().toStdString();
        EXPECT_TRUE(lines.last().endsWith(QStringLiteral(". Ordner öffnen")));
        EXPECT_EQ(lines.last().contains(QStringLiteral("…")), row.shortened);
        EXPECT_EQ(note.shownText().contains(path), !row.shortened);
        // What must stay on one line fits it: the path with its full stop, on a one-line
        // note the link too.
        const QString oneLine =
            row.wrap ? lines.last().chopped(QStringLiteral(" Ordner öffnen").size()) : lines.last();
        EXPECT_LE(note.fontMetrics().horizontalAdvance(oneLine), row.width);
    }
    PathNote note;
    note.showPath(before, path, QStringLiteral("."), QStringLiteral("C:\\Ordner\\"));
    QSignalSpy asked(&note, &PathNote::folderRequested);
    emit note.linkActivated(QStringLiteral("folder"));
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).toString(), QStringLiteral("C:\\Ordner\\"));
    note.showText(QStringLiteral("Kein Pfad"));
    EXPECT_EQ(note.shownText(), QStringLiteral("Kein Pfad"));
    EXPECT_EQ(note.toolTip(), QString());
}

int main(int argc, char** argv) {
    // Headless unless a display is asked for explicitly (test discovery runs without one).
    tess::test::setEnvironment("QT_QPA_PLATFORM", "offscreen", false);
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
