// Tab "(3) Pathmaps-config + Packing", clicked through on the real window (offscreen): the
// batches run in processes of their own through the real batch runner, the archives are made
// by our archive tool and read back with our reader, and the dialogs and message boxes are
// answered through the window's seams.
#include "app/path_note.h"
#include "app/pathmap_window.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "archive/archive.h"
#include "core/paths.h"
#include "pathmaps/grid.h"
#include "platform/program_lock.h"
#include "screenshot.h"
#include "support/archives.h"
#include "support/generated_pathmaps.h"
#include "test_support.h"
#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tess::app::shownPath;
using tess::test::entryBytes;
using tess::test::entryNameSet;
using tess::test::qs;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

using tess::test::screenshot;

struct Message {
    QMessageBox::Icon icon;
    QString text;
    bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* out) {
    *out << int(m.icon) << ": " << m.text.toStdString();
}

struct DialogCall {
    QString name;
    QString filter;
    QString proposed;
    bool operator==(const DialogCall&) const = default;
};

void PrintTo(const DialogCall& d, std::ostream* out) {
    *out << d.name.toStdString() << " | " << d.filter.toStdString() << " | "
         << d.proposed.toStdString();
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// A check box is clicked on its box, as its caption may not reach the middle of the control.
void tick(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, box->height() / 2));
}

std::vector<int> valuesOf(const QSignalSpy& spy) {
    std::vector<int> values;
    for (const QList<QVariant>& call : spy)
        values.push_back(call.at(0).toInt());
    return values;
}

const QColor kGrey(128, 128, 128);

int rowOf(const std::vector<std::string>& names, const std::string& name) {
    return int(std::find(names.begin(), names.end(), name) - names.begin());
}

// A pixel that lies under the translucent red of blocked cells.
bool reddish(const QColor& c) {
    return c.red() - c.green() > 60 && c.red() - c.blue() > 60;
}

class PackingTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        useRealBatchRunner();
        fs::create_directories(addons_);
        writeBytes(program_.path() / "memory.bf", gameText());
    }

    // The program folder's tessarine-cli runs the batches: the real one, or one that
    // takes `seconds` before it starts, so that a wait is still running when the test acts.
    // On Windows cmd.exe runs them with our archive tools, and it takes a moment to start.
    void useRealBatchRunner() {
        fs::remove(program_.path() / "tessarine-cli");
        tess::test::installBatchTools(program_.path());
    }
    void useSlowBatchRunner([[maybe_unused]] int seconds) {
#ifndef _WIN32
        fs::remove(program_.path() / "tessarine-cli");
        writeBytes(program_.path() / "tessarine-cli",
                   "#!/bin/sh\nsleep " + std::to_string(seconds) + "\nexec " +
                       tess::test::quoted(TESS_CLI_PATH) + " \"$@\"\n");
        fs::permissions(program_.path() / "tessarine-cli", fs::perms::owner_exec,
                        fs::perm_options::add);
#endif
    }

    // A window as the user meets it after a start, with its dialogs and boxes answered here,
    // and tab 3 as the end of the neighbour phase leaves it.
    std::unique_ptr<TForm1> openWindow() {
        auto form = std::make_unique<TForm1>();
        form->setMessageReader([this](QMessageBox::Icon icon, const QString& text) {
            messages_.push_back({icon, text});
        });
        form->setSaveChooser(
            [this](const QString& name, const QString& filter, const QString& proposed) {
                dialogs_.push_back({name, filter, proposed});
                return nextAnswer();
            });
        form->setFileChooser([this](const QString& name, const QString& filter) {
            dialogs_.push_back({name, filter, {}});
            return nextAnswer();
        });
        form->show();
        form->splash()->hide();
        form->controls().PageControl1->setCurrentWidget(form->controls().t4);
        form->controls().GroupBox14->setEnabled(true);
        return form;
    }

    QString nextAnswer() {
        if (answers_.empty())
            return {};
        const std::string answer = answers_.front();
        answers_.pop_front();
        return qs(answer);
    }

    // The batches that a step left running hold the program folder until they end.
    bool batchesEnd() {
        for (int i = 0; i < 1200; ++i) {
            try {
                const tess::ProgramLock free(pf(), std::chrono::milliseconds(0));
                return true;
            } catch (const tess::Error&) {
                QTest::qWait(50);
            }
        }
        return false;
    }

    // The user watches the bar until the wait is over.
    static bool waitEnds(TForm1& form) {
        for (int i = 0; i < 1200 && form.isWaiting(); ++i)
            QTest::qWait(50);
        return !form.isWaiting();
    }

    // Tab 1 with a packed Bastogne (made by our archive tool from the real level): map
    // icon, the unpack batch, OK and Start.
    void generateBastogne(TForm1& form) {
        const fs::path archive = outside_.path() / "Meine Karten" / "Bastogne.rfa";
        fs::create_directories(archive.parent_path());
        tess::archive::packFolder(tess::test::testdata("levels/Bastogne"), "bf1942/levels/Bastogne",
                                  archive, false);
        auto& ui = form.controls();
        answers_.push_back(archive.string());
        click(ui.Image12);
        for (int i = 0; i < 600 && !tess::test::unpackHasEnded(program_.path(), "Bastogne.rfa");
             ++i)
            QTest::qWait(50);
        click(ui.Button1);
        click(ui.Button2);
        dialogs_.clear();
        ASSERT_TRUE(fs::exists(program_.addon("Bastogne") / "ai.con"));
    }

    std::string pf() const {
        return program_.text();
    }
    std::string gameText() const {
        return tess::test::nativeFolderText(game_.string());
    }
    // What a batch's wait says about where to read the batch's output.
    std::string batchOutput(const std::string& batch) const {
        return tess::test::batchOutputSentence(pf() + batch);
    }

    tess::test::ProgramFolder program_;
    TempDir outside_;
    const fs::path game_ = outside_.path() / "Battlefield 1942";
    const fs::path addons_ = outside_.path() / "Meine Addons";
    std::deque<std::string> answers_;
    std::vector<Message> messages_;
    std::vector<DialogCall> dialogs_;
};

} // namespace

TEST_F(PackingTabTest, FirstPackRestartImportPathmapPicturesAndFinalPack) {
    const std::string target = (addons_ / "Bastogne_001").string();
    std::string aiCon;
    std::set<std::string> firstNames;
    {
        auto form = openWindow();
        auto& ui = form->controls();
        generateBastogne(*form);
        screenshot("tab3-after-start");
        aiCon = readBytes(program_.addon("Bastogne") / "ai.con");
        ASSERT_NE(aiCon.find("\r\nai.createallmaps\r\n"), std::string::npos);

        // Cancelled: nothing changes, the label stays.
        click(ui.Label42);
        EXPECT_EQ(dialogs_,
                  (std::vector<DialogCall>{{QStringLiteral("rfapacks"),
                                            QStringLiteral("Refractor Archive Levels (*.rfa)"),
                                            QStringLiteral("Bastogne_001")}}));
        EXPECT_FALSE(ui.Label42->isHidden());
        EXPECT_TRUE(ui.packbar->isHidden());
        EXPECT_FALSE(fs::exists(program_.path() / "pack.bat"));

        QSignalSpy bar(ui.packbar, &QProgressBar::valueChanged);
        answers_.push_back(target);
        click(ui.Label42);
        // Waiting: the bar in place of the label, "Abbrechen" beside it, nothing else starts.
        ASSERT_TRUE(form->isWaiting());
        EXPECT_TRUE(ui.Label42->isHidden());
        EXPECT_FALSE(ui.packbar->isHidden());
        EXPECT_FALSE(ui.packCancel->isHidden());
        EXPECT_LE(ui.packbar->geometry().right(), ui.packCancel->x());
        for (QWidget* w : QList<QWidget*>{ui.t1, ui.t3, ui.GroupBox14, ui.Button6, ui.Button7,
                                          ui.Image13, ui.Image14, ui.Button10, ui.fix1})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(ui.FileListBox2->isEnabled());

        ASSERT_TRUE(waitEnds(*form));
        EXPECT_EQ(valuesOf(bar), (std::vector<int>{20, 50, 66, 78, 100}));
        screenshot("tab3-3-first-pack-done");
        EXPECT_EQ(messages_, std::vector<Message>{});
        EXPECT_TRUE(ui.packCancel->isHidden());
        EXPECT_EQ(ui.packbar->geometry(), QRect(8, 32, 313, 17));
        EXPECT_TRUE(ui.Label42->isHidden()); // the first pack runs once per program run
        // Each control has its own state back: enabled, or disabled as before the wait.
        EXPECT_TRUE(ui.t1->isEnabled());
        EXPECT_TRUE(ui.t3->isEnabled());
        EXPECT_TRUE(ui.Button6->isEnabled());
        EXPECT_FALSE(ui.GroupBox13->isEnabled());
        EXPECT_FALSE(ui.Button8->isEnabled());

        EXPECT_EQ(readBytes(program_.path() / "pack.bat"),
                  "rfaPack.exe bf1942\\levels\\Bastogne_001  bf1942/levels/Bastogne "
                  "\"Bastogne_001.rfa\"\r\n"
                  "copy \"" +
                      pf() + "Bastogne_001.rfa\" \"" + target + ".rfa\"\r\n");
        EXPECT_EQ(readBytes(program_.path() / "temp" / "pathf.bf"),
                  pf() + "bf1942\\levels\\Bastogne_001\\\r\n" + gameText() + "\r\n" + target +
                      "\r\nBastogne\r\n" + pf() + "bf1942\\levels\\Bastogne\\\r\n");
        // The archive at the target: every file of the addon, under the map's level path.
        firstNames = entryNameSet(target + ".rfa");
        std::set<std::string> addonFiles;
        for (const auto& [name, bytes] : tess::test::filesUnder(program_.addon("Bastogne")))
            addonFiles.insert("bf1942/levels/Bastogne/" + name);
        EXPECT_EQ(firstNames, addonFiles);
    }

    // The game runs and writes its pathmaps, the five 8-bit maps among them, and (where names
    // may differ in letter case only) one whose name differs from them in letter case only.
    const bool caseTwin = tess::test::kCaseSensitiveNames;
    const fs::path generated = game_ / "bf1942/levels/Bastogne/Pathfinding";
    tess::test::writeGeneratedPathmaps(generated);

    // A restart: the new window knows nothing but temp\pathf.bf.
    auto form = openWindow();
    auto& ui = form->controls();
    // Tab 3 names no map yet; the addons lie in the program folder's levels folder.
    EXPECT_EQ(ui.Label39->text(), QStringLiteral("--------------"));
    EXPECT_EQ(ui.Label46->wholeText(), shownPath(pf() + "bf1942\\levels\\"));
    click(ui.Button7);
    screenshot("tab3-4-restart-final-pack-refused");
    EXPECT_EQ(messages_,
              (std::vector<Message>{
                  {QMessageBox::Critical,
                   QStringLiteral("Es ist noch kein Ziel für das Addon-Archiv bekannt. Packe dein "
                                  "Addon zuerst zum 1. Mal (Teil 1) oder kopiere die generierten "
                                  "Pathmaps in das Addon (Teil 2).")}}));
    EXPECT_TRUE(ui.finalbar->isHidden());
    messages_.clear();
    // "Packen zum 1." before the state is restored: no map is known, nothing is asked or
    // written.
    const std::string packBatch = readBytes(program_.path() / "pack.bat");
    const std::size_t asked = dialogs_.size();
    click(ui.Label42);
    EXPECT_EQ(messages_, (std::vector<Message>{
                             {QMessageBox::Critical,
                              QStringLiteral("Es ist noch keine Map bekannt. Wähle deine Map auf "
                                             "Tab (1) und schreibe ihr Addon mit OK und Start; "
                                             "nach einem Neustart kopiere zuerst die generierten "
                                             "Pathmaps in das Addon (Teil 2).")}}));
    EXPECT_EQ(dialogs_.size(), asked);
    EXPECT_EQ(readBytes(program_.path() / "pack.bat"), packBatch);
    EXPECT_FALSE(ui.Label42->isHidden());
    messages_.clear();

    click(ui.Button6);
    EXPECT_EQ(messages_, std::vector<Message>{});
    screenshot("tab3-5-imported");
    // The restored map on tab 3: its name, its base path and the addon's folder.
    EXPECT_EQ(ui.Label39->text(), QStringLiteral("Bastogne"));
    EXPECT_EQ(ui.Edit5->text(), QStringLiteral("bf1942/levels/Bastogne"));
    EXPECT_EQ(ui.Label46->wholeText(), shownPath(pf() + "bf1942\\levels\\Bastogne_001\\"));
    const std::vector<std::string> listed = tess::test::generatedPathmapNames();
    ASSERT_EQ(ui.FileListBox2->count(), int(listed.size()));
    const std::set<std::string> excluded{"Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw",
                                         "Tank0Level0Map8Bit.raw", "Boat2Level0Map8Bit.raw",
                                         "Landingcraft3Level0Map8Bit.raw"};
    for (int i = 0; i < int(listed.size()); ++i) {
        const QListWidgetItem* item = ui.FileListBox2->item(i);
        EXPECT_EQ(item->text(), qs(listed[i]));
        const bool greyed = excluded.count(listed[i]) == 1;
        EXPECT_EQ(item->foreground().color() == kGrey, greyed) << listed[i];
        EXPECT_EQ(item->toolTip().startsWith(QStringLiteral("Wird nicht in das Addon kopiert")),
                  greyed)
            << listed[i];
    }
    EXPECT_EQ(ui.FileListBox2->selectedItems().size(), 0);
    const std::size_t copied = caseTwin ? 16 : 15;
    EXPECT_EQ(ui.pathmapCount->text(), qs("Übernommen: " + std::to_string(copied) + " von " +
                                          std::to_string(listed.size())));
    std::set<std::string> inAddon;
    for (const auto& entry : fs::directory_iterator(program_.addon("Bastogne") / "Pathfinding"))
        inAddon.insert(entry.path().filename().string());
    EXPECT_EQ(inAddon.size(), copied);
    EXPECT_EQ(inAddon.count("car4Level0Map8Bit.raw"), caseTwin ? 1u : 0u);
    EXPECT_FALSE(inAddon.count("Car4Level0Map8Bit.raw"));
    std::string withoutCommand = aiCon;
    withoutCommand.erase(withoutCommand.find("ai.createallmaps\r\n"), 18);
    EXPECT_EQ(readBytes(program_.addon("Bastogne") / "ai.con"), withoutCommand);

    // Tank0Level0Map.raw over the level's overview picture, with the object spawn points.
    EXPECT_EQ(form->pathmapWindow(), nullptr);
    ui.FileListBox2->setCurrentRow(rowOf(listed, "Tank0Level0Map.raw"));
    PathmapWindow* view = form->pathmapWindow();
    ASSERT_NE(view, nullptr);
    screenshot("pathmaps-1-tank0level0map");
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(messages_, std::vector<Message>{});
    EXPECT_TRUE(view->facts().startsWith(
        QStringLiteral("Tank0Level0Map.raw: gekachelte Karte der Klasse Tank, 2048 x 2048 "
                       "Felder zu 1 m, ")))
        << view->facts().toStdString();
    EXPECT_FALSE(view->facts().contains(QStringLiteral("Kein Übersichtsbild")));
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^\\d+ von [1-9]\\d* Spawnpunkten liegen auf gesperrten Feldern$"))
            .match(view->line())
            .hasMatch())
        << view->line().toStdString();
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("pathmapPicture"))
                    ->toolTip()
                    .contains(QStringLiteral("Objekt-Spawnpunkte")));
    // Each pixel of the 1024 x 1024 picture covers 2 x 2 cells, the first row at the bottom:
    // where all four are blocked it is red over the picture, where all four are free it shows
    // the level itself (its snow), spawn dots aside.
    const QImage& picture = view->picture();
    ASSERT_EQ(picture.size(), QSize(1024, 1024));
    const tess::pathmaps::Grid grid =
        tess::pathmaps::readPathmap((generated / "Tank0Level0Map.raw").string());
    int blockedSeen = 0;
    int freeSeen = 0;
    for (int py = 3; py < 1024; py += 7)
        for (int px = 5; px < 1024; px += 7) {
            const int z = 2 * (1023 - py);
            const int blocked = grid.blocked(2 * px, z) + grid.blocked(2 * px + 1, z) +
                                grid.blocked(2 * px, z + 1) + grid.blocked(2 * px + 1, z + 1);
            const QColor c = picture.pixelColor(px, py);
            const bool dot =
                c == QColor(0, 230, 60) || c == QColor(255, 220, 0) || c == QColor(0, 0, 0);
            if (dot || (blocked != 0 && blocked != 4))
                continue;
            if (blocked == 4) {
                ++blockedSeen;
                EXPECT_TRUE(reddish(c)) << px << "," << py;
            } else {
                ++freeSeen;
                EXPECT_FALSE(reddish(c)) << px << "," << py;
            }
        }
    EXPECT_GT(blockedSeen, 1000);
    EXPECT_GT(freeSeen, 10);

    // A damaged file and a class file: a note in the window, no error box.
    ui.FileListBox2->setCurrentRow(rowOf(listed, "Tank0Level0Map8Bit.raw"));
    screenshot("tab3-6-damaged-pathmap-note");
    EXPECT_TRUE(view->picture().isNull());
    EXPECT_TRUE(view->note().startsWith(
        QStringLiteral("Kann nicht gezeigt werden: Die Pathmap Tank0Level0Map8Bit.raw ")))
        << view->note().toStdString();
    EXPECT_EQ(view->facts(), QStringLiteral("Tank0Level0Map8Bit.raw"));
    ui.FileListBox2->setCurrentRow(rowOf(listed, "Car.raw"));
    EXPECT_TRUE(view->note().contains(QStringLiteral("Klassendatei")));
    EXPECT_EQ(messages_, std::vector<Message>{});

    // The final pack: its bar, "Fertig", and an archive with the pathmaps and without the
    // command.
    QSignalSpy bar(ui.finalbar, &QProgressBar::valueChanged);
    click(ui.Button7);
    ASSERT_TRUE(form->isWaiting());
    EXPECT_FALSE(ui.finalCancel->isHidden());
    EXPECT_FALSE(ui.Button6->isEnabled());
    ASSERT_TRUE(waitEnds(*form));
    EXPECT_EQ(messages_, (std::vector<Message>{{QMessageBox::NoIcon, QStringLiteral("Fertig")}}));
    screenshot("tab3-7-final-pack-done");
    EXPECT_EQ(valuesOf(bar), (std::vector<int>{20, 50, 66, 78, 100}));
    EXPECT_TRUE(ui.finalCancel->isHidden());
    const std::set<std::string> finalNames = entryNameSet(target + ".rfa");
    EXPECT_EQ(finalNames.size(), firstNames.size() + copied);
    for (const std::string& name : inAddon)
        EXPECT_TRUE(finalNames.count("bf1942/levels/Bastogne/Pathfinding/" + name)) << name;
    EXPECT_EQ(entryBytes(target + ".rfa", "bf1942/levels/Bastogne/ai.con"), withoutCommand);
}

TEST_F(PackingTabTest, AbbrechenAndBatchesThatNeverDeliverEndTheWaitAndSaySo) {
    auto form = openWindow();
    auto& ui = form->controls();
    tess::WizardState& state = form->state();
    state.mapName = "Oasis";
    state.levelDir = pf() + "bf1942\\levels\\Oasis_001\\";
    const std::string target = (addons_ / "Oasis_001").string();
    writeBytes(program_.addon("Oasis") / "ai.con", "rem\r\n");

    // A name that would carry a command of its own: refused, nothing written.
    answers_.push_back((addons_ / "Oasis&del").string());
    click(ui.Label42);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(ui.Label42->isHidden());
    EXPECT_FALSE(fs::exists(program_.path() / "pack.bat"));
    messages_.clear();

    // A target folder that does not exist: the batch ends without the archive there, and the
    // message names the log.
    answers_.push_back((addons_ / "Fehlt" / "Oasis_001").string());
    click(ui.Label42);
    ASSERT_TRUE(waitEnds(*form));
    EXPECT_EQ(messages_, (std::vector<Message>{
                             {QMessageBox::Critical,
                              qs("Die Batchdatei \"" + pf() + "pack.bat\" ist beendet, ohne \"" +
                                 (addons_ / "Fehlt" / "Oasis_001").string() +
                                 ".rfa\" zu liefern. " + batchOutput("pack.log"))}}));
    // The first pack can be tried again.
    EXPECT_FALSE(ui.Label42->isHidden());
    EXPECT_TRUE(ui.packbar->isHidden());
    EXPECT_FALSE(fs::exists(program_.path() / "temp" / "pathf.bf"));
    messages_.clear();

    // "Abbrechen" while the batch has not even begun.
    useSlowBatchRunner(1);
    answers_.push_back(target);
    click(ui.Label42);
    ASSERT_TRUE(form->isWaiting());
    screenshot("tab3-8-waiting-slow-batch");
    click(ui.packCancel);
    EXPECT_FALSE(form->isWaiting());
    const QString abandoned = qs("Abgebrochen: Auf \"" + pf() +
                                 "Oasis_001.rfa\" wird nicht mehr gewartet. Die Batchdatei \"" +
                                 pf() + "pack.bat\" läuft noch. " + batchOutput("pack.log"));
    EXPECT_EQ(messages_, (std::vector<Message>{{QMessageBox::Critical, abandoned}}));
    EXPECT_FALSE(ui.Label42->isHidden());
    EXPECT_TRUE(ui.packCancel->isHidden());
    EXPECT_TRUE(ui.t1->isEnabled());
    EXPECT_TRUE(ui.Button7->isEnabled());
    EXPECT_FALSE(fs::exists(program_.path() / "temp" / "pathf.bf"));
    messages_.clear();

    // The abandoned batch holds the program folder until it ends. The final pack, abandoned:
    // no "Fertig".
    ASSERT_TRUE(batchesEnd());
    state.packTarget = target;
    click(ui.Button7);
    ASSERT_TRUE(form->isWaiting());
    EXPECT_FALSE(ui.finalbar->isHidden());
    click(ui.finalCancel);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.startsWith(QStringLiteral("Abgebrochen: Auf \"")))
        << messages_[0].text.toStdString();
    EXPECT_TRUE(ui.finalbar->isHidden());
    messages_.clear();

    // "Map und Addon verbinden" while "Entpacken" still runs waits for it; abandoned, it
    // leaves the addon archive alone although "Löschen" is ticked.
    const fs::path addonArchive = addons_ / "Kursk_001.rfa";
    const std::string addonBytes =
        tess::test::storeArchive({{"bf1942/levels/Kursk/ai.con", "rem ai\r\n"}});
    writeBytes(addonArchive, addonBytes);
    answers_.push_back(tess::test::testdata("archives/kursk.rfa"));
    click(ui.Image13);
    answers_.push_back(addonArchive.string());
    click(ui.Image14);
    tick(ui.fix1);
    ASSERT_TRUE(batchesEnd());
    click(ui.Button10);
    click(ui.Button8);
    ASSERT_TRUE(form->isWaiting());
    EXPECT_FALSE(ui.netbar->isHidden());
    screenshot("tab3-9-merge-waiting-for-unpack");
    EXPECT_FALSE(ui.Button10->isEnabled());
    click(ui.netCancel);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.startsWith(
        qs("Abgebrochen: Auf \"" + pf() + "Network\\bf1942\\levels\\kursk\\\" wird nicht")))
        << messages_[0].text.toStdString();
    EXPECT_EQ(readBytes(addonArchive), addonBytes);
    EXPECT_FALSE(fs::exists(program_.path() / "Network" / "pack.bat"));
    EXPECT_TRUE(ui.Button8->isEnabled());
    EXPECT_TRUE(ui.fix1->isChecked());

    // The abandoned batches run on; the last one started ends last. Their folders go only
    // after that (on Windows the program folder waits for them).
#ifndef _WIN32
    const std::string lastLine = "del \"" + pf() + "Network\\Kursk_001.rfa\"";
    for (int i = 0;
         i < 200 &&
         readBytes(program_.path() / "Network" / "unpack.log").find(lastLine) == std::string::npos;
         ++i)
        QTest::qWait(50);
#endif
}

TEST_F(PackingTabTest, NetworkMergeOfKurskForEachDisposalThroughTheRealControls) {
    const fs::path maps = outside_.path() / "Meine Karten";
    fs::create_directories(maps);
    const fs::path kursk = maps / "Kursk.rfa";
    fs::copy_file(tess::test::testdata("archives/kursk.rfa"), kursk);
    fs::permissions(kursk, fs::perms::owner_write, fs::perm_options::add);
    const std::set<std::string> mapNames = entryNameSet(kursk);
    // An addon of an older version, with a file that the map has too.
    const fs::path addonSource = outside_.path() / "addon";
    writeBytes(addonSource / "SinglePlayer" / "ControlPoints.con", "rem the addon's own\r\n");
    writeBytes(addonSource / "ai.con", "rem ai\r\n");
    writeBytes(addonSource / "GameTypes" / "Coop.con", "rem an old Co-op script\r\n");
    const fs::path addonArchive = addons_ / "Kursk_001.rfa";
    tess::archive::packFolder(addonSource, "bf1942/levels/Kursk", addonArchive, false);
    const std::string addonBytes = readBytes(addonArchive);

    auto form = openWindow();
    auto& ui = form->controls();
    EXPECT_FALSE(ui.Button8->isEnabled());
    click(ui.Image13); // cancelled
    EXPECT_EQ(ui.Edit6->text(), QStringLiteral("Map"));
    answers_.push_back(kursk.string());
    click(ui.Image13);
    EXPECT_EQ(ui.Edit6->text(), qs(kursk.string()));
    answers_.push_back(addonArchive.string());
    click(ui.Image14);
    EXPECT_EQ(ui.Edit7->text(), qs(addonArchive.string()));

    // The disposal boxes: one or none ticked; "Pfad" ticks "Sichern nach:" even when its
    // dialog is cancelled.
    const auto ticks = [&] {
        return std::vector<bool>{ui.fix1->isChecked(), ui.fix2->isChecked(), ui.fix3->isChecked()};
    };
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false, true}));
    tick(ui.fix1);
    EXPECT_EQ(ticks(), (std::vector<bool>{true, false, false}));
    tick(ui.fix1);
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false, false}));
    click(ui.Button9);
    EXPECT_EQ(ticks(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(dialogs_,
              (std::vector<DialogCall>{
                  {QStringLiteral("fixen1dlg"), QStringLiteral("Refractor Archive (*.rfa)"), {}},
                  {QStringLiteral("fixen1dlg"), QStringLiteral("Refractor Archive (*.rfa)"), {}},
                  {QStringLiteral("fixen2dlg"), QStringLiteral("Refractor - Archive (*.rfa)"), {}},
                  {QStringLiteral("fixenpath"), QStringLiteral("Refractor Archives (*.rfa)"),
                   QStringLiteral("Kursk_001.rfa")}}));
    EXPECT_EQ(form->state().netBackupPath, "");
    screenshot("tab3-10-merge-chosen");

    const auto merge = [&] {
        messages_.clear();
        click(ui.Button10);
        EXPECT_TRUE(ui.Button8->isEnabled());
        click(ui.Button8);
        EXPECT_TRUE(waitEnds(*form));
    };
    const Message done{QMessageBox::NoIcon, QStringLiteral("Fertig")};

    // "Sichern nach:" without a path, and "Map und Addon verbinden" clicked while the unpack
    // batch has not even begun: it waits, and the addon archive stays.
    useSlowBatchRunner(1);
    merge();
    useRealBatchRunner();
    screenshot("tab3-12-merged");
    EXPECT_EQ(messages_,
              (std::vector<Message>{
                  {QMessageBox::Warning,
                   qs("\"Sichern nach:\" ist angekreuzt, aber kein Pfad gewählt: Das "
                      "Addon-Archiv " +
                      addonArchive.string() + " wird nicht gelöscht. Es bleibt, wo es ist.")},
                  done}));
    EXPECT_EQ(readBytes(addonArchive), addonBytes);
    EXPECT_EQ(readBytes(program_.path() / "Network" / "pack.bat"),
              "rfaPack.exe bf1942\\levels\\Kursk bf1942/levels/Kursk \"Kursk.rfa\"\r\n"
              "copy \"" +
                  pf() + "Network\\Kursk.rfa\" \"" + kursk.string() +
                  "\"\r\n"
                  "del \"" +
                  pf() + "Network\\Kursk.rfa\"\r\n");
    // The merged map: the map's files and the addon's, the addon's version winning, and the
    // current Co-op scripts.
    const std::set<std::string> merged = entryNameSet(kursk);
    EXPECT_EQ(merged.size(), mapNames.size() + 2); // ai.con and Coop.con are new
    EXPECT_EQ(entryBytes(kursk, "bf1942/levels/Kursk/SinglePlayer/ControlPoints.con"),
              "rem the addon's own\r\n");
    EXPECT_EQ(entryBytes(kursk, "bf1942/levels/Kursk/ai.con"), "rem ai\r\n");
    EXPECT_NE(entryBytes(kursk, "bf1942/levels/Kursk/GameTypes/Coop.con")
                  .find("\r\nif v_arg1== host\r\n"),
              std::string::npos);

    // A backup that fails: the archive stays, and the user is told.
    const std::string nowhere = outside_.text() + tess::test::nativePath("Fehlt/Kursk_001.rfa");
    answers_.push_back(nowhere);
    click(ui.Button9);
    EXPECT_EQ(form->state().netBackupPath, nowhere);
    merge();
    EXPECT_EQ(messages_, (std::vector<Message>{
                             {QMessageBox::Warning, qs("Das Addon-Archiv " + addonArchive.string() +
                                                       " kann nicht nach " + nowhere +
                                                       " gesichert werden und wird nicht gelöscht. "
                                                       "Es bleibt, wo es ist.")},
                             done}));
    EXPECT_EQ(readBytes(addonArchive), addonBytes);

    // A backup that works: copied, then deleted.
    const fs::path saved = outside_.path() / "Sicherung.rfa";
    answers_.push_back(saved.string());
    click(ui.Button9);
    merge();
    EXPECT_EQ(messages_, std::vector<Message>{done});
    EXPECT_FALSE(fs::exists(addonArchive));
    EXPECT_EQ(readBytes(saved), addonBytes);

    // "Löschen".
    fs::copy_file(saved, addonArchive);
    tick(ui.fix1);
    EXPECT_EQ(ticks(), (std::vector<bool>{true, false, false}));
    merge();
    EXPECT_EQ(messages_, std::vector<Message>{done});
    EXPECT_FALSE(fs::exists(addonArchive));

    // "So lassen".
    fs::copy_file(saved, addonArchive);
    tick(ui.fix3);
    merge();
    EXPECT_EQ(messages_, std::vector<Message>{done});
    EXPECT_EQ(readBytes(addonArchive), addonBytes);
    EXPECT_EQ(entryNameSet(kursk), merged);
}

// Once the game folder is known (here from memory.bf), the dialogs that place or choose a level
// archive start in the game's bf1942\levels\, where the game loads maps and addons: the first
// pack's, "MAP" and "ADD".
TEST_F(PackingTabTest, ArchiveDialogsStartInTheGamesLevelsFolder) {
    const fs::path levels = game_ / "bf1942" / "levels";
    fs::create_directories(levels);
    auto form = openWindow();
    auto& ui = form->controls();
    generateBastogne(*form);
    form->setSaveChooser(nullptr);
    form->setFileChooser(nullptr);
    const auto startFolder = [](QWidget* control, const QString& dialog) {
        auto seen = std::make_shared<QString>();
        tess::test::whenModal([seen, dialog](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->objectName(), dialog);
            *seen = chooser->directory().canonicalPath();
            chooser->reject();
        });
        click(control);
        return *seen;
    };
    const QString inGame = QDir(qs(tess::pathText(levels))).canonicalPath();
    EXPECT_EQ(startFolder(ui.Label42, QStringLiteral("rfapacks")), inGame);
    EXPECT_EQ(startFolder(ui.Image13, QStringLiteral("fixen1dlg")), inGame);
    EXPECT_EQ(startFolder(ui.Image14, QStringLiteral("fixen2dlg")), inGame);
    EXPECT_EQ(messages_, std::vector<Message>{});
}

#ifndef _WIN32
// On Windows every batch has a console window of its own and the shell opens the script.
// Where a batch runs without a window of its own, or no program opens the area script, a line
// in the window says so and where to look.
TEST_F(PackingTabTest, WhatRunsOrWaitsUnseenIsNamedInTheWindow) {
    auto form = openWindow();
    auto& ui = form->controls();
    generateBastogne(*form);
    EXPECT_EQ(ui.mapNote->wholeText(),
              QStringLiteral("unpack.bat läuft ohne eigenes Fenster. Was sie tut, steht in "
                             "unpack.log im Ordner ") +
                  shownPath(pf()) + QStringLiteral("."));
    ui.PageControl1->setCurrentWidget(ui.t1);
    screenshot("tab3-11-unpack-without-a-window");

    // One area, its neighbours, and the script written with no program to open it.
    ui.PageControl1->setCurrentWidget(ui.t3);
    click(ui.Label1z);
    QTest::mouseClick(ui.e, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    click(ui.Label2z);
    QTest::mouseClick(ui.e, Qt::LeftButton, Qt::NoModifier, QPoint(200, 300));
    click(ui.Label8z);
    ui.Edit2z->setText(QStringLiteral("Hill"));
    ui.Edit3z->setText(QStringLiteral("50"));
    click(ui.Neutral);
    click(ui.Label9z);
    click(ui.Image2z);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    tess::test::setEnvironment("PATH", outside_.path().string());
    click(ui.Label16z);
    tess::test::setEnvironment("PATH", oldPath);
    const std::string script = program_.addon("Bastogne").string() + "/AI/StrategicAreas.con";
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("Ändere etwas, wenn du willst."))
        << messages_[0].text.toStdString();
    EXPECT_NE(readBytes(script), "");
    // The note names the folder whole, in its tip, and on its narrow line as much of it as
    // fits, shortened in the middle; "Ordner öffnen" shows it in the file manager.
    const QString scriptFolder =
        shownPath(tess::folderPart(pf() + "bf1942\\levels\\Bastogne_001\\AI\\x"));
    EXPECT_EQ(ui.shellNote->wholeText(),
              QStringLiteral("Kein Programm zum Öffnen gefunden. StrategicAreas.con liegt in ") +
                  scriptFolder + QStringLiteral("."));
    EXPECT_EQ(ui.shellNote->toolTip(), scriptFolder);
    screenshot("tab3-11b-no-program-for-the-script");
    const QStringList lines = ui.shellNote->shownText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << ui.shellNote->shownText().toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Kein Programm zum Öffnen gefunden. StrategicAreas.con "
                                       "liegt in "));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("/AI/. Ordner öffnen"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("…"))) << lines[1].toStdString();
    const QString pathLine = lines[1].chopped(QStringLiteral(" Ordner öffnen").size());
    EXPECT_LE(ui.shellNote->fontMetrics().horizontalAdvance(pathLine),
              ui.shellNote->contentsRect().width());
    {
        const tess::test::FakeDocumentOpener opener;
        emit ui.shellNote->linkActivated(QStringLiteral("folder"));
        EXPECT_EQ(opener.waitForOpened(), pf() + "bf1942/levels/Bastogne_001/AI\n");
    }

    // "Entpacken" in the network folder.
    const fs::path addonArchive = addons_ / "Kursk_001.rfa";
    writeBytes(addonArchive,
               tess::test::storeArchive({{"bf1942/levels/Kursk/ai.con", "rem ai\r\n"}}));
    answers_.push_back(tess::test::testdata("archives/kursk.rfa"));
    click(ui.Image13);
    answers_.push_back(addonArchive.string());
    click(ui.Image14);
    click(ui.Button10);
    EXPECT_EQ(ui.shellNote->wholeText(),
              QStringLiteral("unpack.bat läuft ohne eigenes Fenster. Was sie tut, steht in "
                             "unpack.log im Ordner ") +
                  shownPath(pf() + "Network\\") + QStringLiteral("."));
    screenshot("tab3-12-network-unpack-without-a-window");
    EXPECT_TRUE(batchesEnd());
}
#endif

// The file list shows the pathmaps of the folder that is current at start-up, until the
// import points it elsewhere.
TEST_F(PackingTabTest, An8BitPathmapIsDrawnWithItsFirstRowAtTheBottom) {
    TempDir folder;
    const std::string bytes =
        readBytes(tess::test::testdata("pathmaps/Corsica/Car4Level2Map8Bit.raw"));
    ASSERT_EQ(bytes.size(), 512u * 512u);
    writeBytes(folder.path() / "Car4Level2Map8Bit.raw", bytes);
    writeBytes(folder.path() / "Tank0Level2Map8Bit.raw", std::string(1000, '\0'));
    fs::current_path(folder.path());
    auto form = openWindow();
    auto& ui = form->controls();
    ASSERT_EQ(ui.FileListBox2->count(), 2);
    EXPECT_EQ(ui.FileListBox2->item(0)->text(), QStringLiteral("Car4Level2Map8Bit.raw"));

    ui.FileListBox2->setCurrentRow(0);
    const PathmapWindow* view = form->pathmapWindow();
    ASSERT_NE(view, nullptr);
    screenshot("tab3-11-8bit-picture");
    const QImage& picture = view->picture();
    ASSERT_EQ(picture.size(), QSize(512, 512));
    // No level here: the map on grey, blocked cells (255) red over it, free ones (0) grey.
    int blocked = 0;
    int free = 0;
    for (int z = 0; z < 512; z += 3)
        for (int x = 0; x < 512; x += 5) {
            const auto cell = static_cast<unsigned char>(bytes[std::size_t(z) * 512 + x]);
            const QColor c = picture.pixelColor(x, 511 - z);
            if (cell == 0) {
                ++free;
                EXPECT_EQ(c, kGrey) << x << "," << z;
            } else {
                ++blocked;
                EXPECT_TRUE(reddish(c)) << x << "," << z;
            }
        }
    EXPECT_GT(blocked, 500);
    EXPECT_GT(free, 500);
    EXPECT_TRUE(view->facts().startsWith(
        QStringLiteral("Car4Level2Map8Bit.raw: 8-Bit-Karte der Klasse Car, 512 x 512 Felder")))
        << view->facts().toStdString();
    EXPECT_TRUE(view->facts().contains(QStringLiteral("Kein Übersichtsbild")));
    EXPECT_EQ(view->line(), QStringLiteral("Keine Spawnpunkte des Addons für diese Klasse."));

    // A file of the wrong size is not drawn, and raises no error box.
    ui.FileListBox2->setCurrentRow(1);
    EXPECT_TRUE(view->picture().isNull());
    EXPECT_TRUE(view->note().startsWith(
        QStringLiteral("Kann nicht gezeigt werden: Die Pathmap Tank0Level2Map8Bit.raw ")))
        << view->note().toStdString();
    EXPECT_EQ(messages_, std::vector<Message>{});
}
