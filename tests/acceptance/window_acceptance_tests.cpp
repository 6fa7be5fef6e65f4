// The whole road of one map through the real window (offscreen), in one run as a map maker
// goes it: a fresh installation without memory.bf, the packed Kursk chosen and unpacked by the
// real batch in a process of its own, OK, "Schiffe", Start, a script edited in the review
// editor, a picture on tab 2, three areas drawn by clicks and keys, their neighbours, the game
// folder, the first pack, the window closed, the game's pathmaps in the game folder, a new
// window, the import, one pathmap looked at, the final pack and the network merge. After each
// step the files on disk are read back: byte for byte where the system writes fixed texts,
// the archives through our own archive reader.
#include "acceptance/kursk_road.h"
#include "acceptance/sketch.h"
#include "acceptance/window_user.h"
#include "app/area_picture.h"
#include "app/path_note.h"
#include "areas/area_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::test;
using namespace tess::test::kursk;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

bool near(const QColor& seen, const QColor& wanted, int tolerance) {
    return std::abs(seen.red() - wanted.red()) <= tolerance &&
           std::abs(seen.green() - wanted.green()) <= tolerance &&
           std::abs(seen.blue() - wanted.blue()) <= tolerance;
}

class WindowRoad : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        // The installation runs its batches with the tessarine-cli beside the window.
        tess::test::installBatchTools(program_.path());
        for (const char* folder : {"Battlefield 1942", "Meine Karten", "Meine Addons", "Sicherung"})
            fs::create_directories(outside_.path() / folder);
        writeBytes(outside_.path() / "Battlefield 1942" / "BF1942.exe", "MZ");
        fs::copy_file(kurskArchive(), outside_.path() / "Meine Karten" / "kursk.rfa");
        fs::permissions(outside_.path() / "Meine Karten" / "kursk.rfa", fs::perms::owner_write,
                        fs::perm_options::add);
        places_.program = program_.text();
        places_.game = outside_.text() + nativePath("Battlefield 1942/");
        places_.target = outside_.text() + nativePath("Meine Addons/kursk_001");
        places_.mapArchive = outside_.text() + nativePath("Meine Karten/kursk.rfa");
        places_.backup = outside_.text() + nativePath("Sicherung/kursk_001.rfa");
    }

    fs::path program() const { return program_.path(); }
    fs::path addon() const { return program_.addon("kursk"); }

    ProgramFolder program_;
    FakeDocumentOpener opener_;
    TempDir outside_;
    Places places_;
};

} // namespace

TEST_F(WindowRoad, KurskFromThePackedMapToTheMergedArchive) {
    // A fresh installation: the program, its templates and folders, nothing remembered.
    EXPECT_FALSE(fs::exists(program() / "memory.bf"));
    EXPECT_EQ(filesUnder(program() / "bf1942"), (std::map<std::string, std::string>{}));

    WindowUser user;
    {
        user.open();
        Ui::TForm1& ui = user.ui();
        EXPECT_EQ(ui.Edit4->text(), QStringLiteral("BF Pfad"));
        EXPECT_EQ(user.form().state().gameDir, "");

        // --- Tab 1: the packed map, unpacked by its batch in a process of its own.
        // The map maker's own copy of the map (writable, as a map maker's files are: Windows
        // deletes no read-only copy of it after the unpack).
        user.chooseMap(places_.mapArchive);
        EXPECT_EQ(
            user.takeDialogs(),
            (std::vector<DialogCall>{
                {QStringLiteral("o2"), QStringLiteral("BF Refractor Archives (*.rfa)"), {}}}));
        EXPECT_EQ(ui.Edit3->text(), qs(places_.mapArchive));
        EXPECT_FALSE(ui.pack->isEnabled());
        EXPECT_EQ(readBytes(program() / "unpack.bat"), "copy \"" + places_.mapArchive + "\" \"" +
                                                           places_.program +
                                                           "kursk.rfa\"\r\n"
                                                           "rfaunpack.exe kursk.rfa \r\n"
                                                           "del \"" +
                                                           places_.program + "kursk.rfa\"\r\n");
        ASSERT_TRUE(user.waitForUnpack(program(), "kursk.rfa"))
            << readBytes(program() / "unpack.log");
        checkUnpackedMap(places_);
        EXPECT_EQ(readBytes(places_.mapArchive), readBytes(kurskArchive())); // left alone

        user.pressOk();
        EXPECT_EQ(ui.Label31->text(), QStringLiteral("1024"));
        EXPECT_EQ(ui.Label39->text(), QStringLiteral("kursk"));
        EXPECT_EQ(ui.Label33->text(), QStringLiteral("Is - RFA"));
        EXPECT_EQ(ui.Label32->text(), QStringLiteral("bf1942/levels/kursk"));
        EXPECT_EQ(ui.Edit5->text(), QStringLiteral("bf1942/levels/kursk"));
        EXPECT_EQ(ui.Label46->wholeText(),
                  qs(places_.program + nativePath("bf1942/levels/kursk_001/")));
        EXPECT_FALSE(ui.GroupBox7->isEnabled());
        EXPECT_TRUE(ui.GroupBox8->isEnabled());

        user.tickShipsAndStart();
        EXPECT_EQ(user.takeMessages(), std::vector<Message>{});
        EXPECT_FALSE(ui.Button2->isEnabled());
        EXPECT_TRUE(ui.t3->isEnabled());
        ASSERT_EQ(ui.ListBox1->count(), 19);
        checkAddon(places_, false, "");

        // The review list names the copies that Kursk could not give; opening one says so.
        QListWidgetItem* missing =
            ui.ListBox1
                ->findItems(QStringLiteral("Singleplayer/ObjectSpawnTemplates.con"),
                            Qt::MatchExactly)
                .constFirst();
        ui.ListBox1->scrollToItem(missing);
        QTest::mouseClick(ui.ListBox1->viewport(), Qt::LeftButton, {},
                          ui.ListBox1->visualItemRect(missing).center());
        EXPECT_EQ(
            user.takeMessages(),
            (std::vector<Message>{
                {QMessageBox::Critical,
                 qs("Datei " + places_.program +
                    "bf1942\\levels\\kursk_001\\Singleplayer/ObjectSpawnTemplates.con kann nicht "
                    "geöffnet werden. Das System kann die angegebene Datei nicht finden.")}}));

        // The review editor: the single-player script, one line typed over, saved.
        user.editScript(QStringLiteral("SinglePlayerAllied.con"), qs(kEditedFrom), qs(kEditedTo));
        EXPECT_EQ(user.takeMessages(), std::vector<Message>{});
        checkAddon(places_, true, "");

        // --- Tab 2: Kursk brings no overview picture and no areas of its own: the placeholder,
        // then the map maker's own sketch as the orientation picture.
        user.showTab(ui.t3);
        EXPECT_TRUE(near(ui.e->grab().toImage().pixelColor(10, 10), QColor(0x5d, 0x70, 0x40), 10));
        EXPECT_FALSE(ui.CheckBox1z->isVisible());
        const fs::path sketch = outside_.path() / "Skizze.png";
        ASSERT_TRUE(drawSketch(1024).save(qs(sketch.string()), "PNG"));
        user.loadOrientationPicture(sketch.string());
        EXPECT_EQ(user.takeDialogs().at(0).name, QStringLiteral("OpenPictureDialog1"));
        const QImage shown = ui.e->grab().toImage();
        EXPECT_TRUE(near(shown.pixelColor(5, 5), kSketchField, 8));
        EXPECT_TRUE(near(shown.pixelColor(455, 300), kSketchForest, 8));
        EXPECT_TRUE(near(shown.pixelColor(230, 20), kSketchWater, 8));

        // Three areas, by clicks, the digit keys and the number pad.
        const std::vector<AreaDrawing>& areas = threeAreas();
        QStringList summaries;
        for (std::size_t i = 0; i < areas.size(); ++i) {
            user.placeCorners(areas[i]);
            ASSERT_TRUE(ui.areafert->isVisible()) << i;
            EXPECT_EQ(ui.gruen->geometry().topLeft(), areas[i].green);
            EXPECT_EQ(ui.rot->geometry().topLeft(), areas[i].red);
            user.fillPanel(areas[i]);
            user.confirmArea();
            EXPECT_FALSE(ui.areafert->isVisible());
            summaries.append(qs(kAreaSummaries[i]));
            EXPECT_EQ(texts(ui.ListBox1z), summaries);
        }
        EXPECT_EQ(user.takeMessages(), std::vector<Message>{});
        // Each confirmed area stays outlined on the picture.
        EXPECT_EQ(ui.e->grab().toImage().pixelColor(100, 160), AreaPicture::areaColour());

        user.openNeighbours();
        EXPECT_EQ(texts(ui.CheckListBox1),
                  (QStringList{QStringLiteral("Dorf"), QStringLiteral("Hügel"),
                               QStringLiteral("Bahnhof")}));
        user.finishNextArea(areas[0]);
        EXPECT_EQ(ui.Label13z->text(), QStringLiteral("Hügel ist Nachbar von: "));
        user.finishNextArea(areas[1]);
        EXPECT_EQ(readBytes(addon() / "AI" / "StrategicAreas.con"), "");
        user.finishNextArea(areas[2]);
        EXPECT_EQ(user.takeMessages(),
                  (std::vector<Message>{
                      {QMessageBox::NoIcon, QStringLiteral("Ändere etwas, wenn du willst.")}}));
        EXPECT_EQ(opener_.waitForOpened(), (addon() / "AI" / "StrategicAreas.con").string() + "\n");
        EXPECT_EQ(ui.PageControl1->currentWidget(), ui.t4);
        EXPECT_TRUE(ui.GroupBox14->isEnabled());
        checkAddon(places_, true, std::string(kStrategicAreasCon));
        // The areas are kept for a later run, the same as the command line's area file.
        const fs::path saved = program() / "temp" / "areas" / "kursk.json";
        EXPECT_EQ(tess::areas::parseAreaFile(readBytes(saved)),
                  tess::areas::parseAreaFile(kAreasJson));

        // --- Tab 3: the game folder, chosen by its BF1942.exe and confirmed.
        EXPECT_FALSE(ui.GroupBox13->isEnabled());
        user.chooseGameFolder(places_.game + "BF1942.exe");
        EXPECT_EQ(
            user.takeDialogs(),
            (std::vector<DialogCall>{
                {QStringLiteral("OpenDialog2"), QStringLiteral("BF1942.exe  (BF1942.exe)"), {}}}));
        EXPECT_EQ(ui.Edit4->text(), qs(places_.game));
        user.confirmGameFolder();
        EXPECT_EQ(readBytes(program() / "memory.bf"), places_.game);
        EXPECT_TRUE(ui.GroupBox13->isEnabled());
        EXPECT_EQ(ui.Label39->text(), QStringLiteral("kursk"));

        // The first pack, to a place of the user's choice.
        ASSERT_TRUE(user.firstPack(places_.target));
        EXPECT_EQ(user.takeDialogs(),
                  (std::vector<DialogCall>{{QStringLiteral("rfapacks"),
                                            QStringLiteral("Refractor Archive Levels (*.rfa)"),
                                            QStringLiteral("kursk_001")}}));
        EXPECT_EQ(user.takeMessages(), std::vector<Message>{});
        EXPECT_EQ(ui.packbar->value(), 100);
        EXPECT_TRUE(ui.Label42->isHidden());
        EXPECT_EQ(readBytes(program() / "pack.bat"), packBat(places_));
        EXPECT_EQ(readBytes(program() / "temp" / "pathf.bf"), pathfBf(places_));
        checkAddonArchive(places_);
        EXPECT_EQ(archiveFiles(places_.target + ".rfa").at("bf1942/levels/kursk/ai.con"),
                  aiConBeforeImport());

        // The program is closed; the game loads the addon and writes its pathmaps.
        user.close();
    }
    copyTree(pathmapSource(),
             outside_.path() / "Battlefield 1942" / "bf1942" / "levels" / "Kursk" / "Pathfinding");

    // --- The restart: a new window, started in the program folder, knows only the files.
    fs::current_path(program());
    user.open();
    Ui::TForm1& ui = user.ui();
    EXPECT_EQ(ui.Edit4->text(), qs(places_.game));
    EXPECT_EQ(user.form().state().gameDir, places_.game);
    EXPECT_EQ(user.form().state().levelDir, "");

    user.importPathmaps();
    EXPECT_EQ(user.takeMessages(), std::vector<Message>{});
    EXPECT_EQ(user.form().state().mapName, "kursk");
    EXPECT_EQ(ui.FileListBox2->count(), 15);
    EXPECT_EQ(ui.pathmapCount->text(), QStringLiteral("Übernommen: 15 von 15"));
    checkImported(places_);

    // One pathmap looked at, with the addon's object spawn points on it.
    PathmapWindow* view = user.lookAtPathmap(qs(kViewedPathmap));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(view->picture().isNull());
    EXPECT_TRUE(view->facts().startsWith(
        QStringLiteral("Tank0Level0Map.raw: gekachelte Karte der Klasse Tank, 2048 x 2048 Felder")))
        << view->facts().toStdString();
    EXPECT_EQ(view->line(), qs(kViewedPathmapLine));
    // All 18 points are drawn, in the colour of points on blocked cells.
    int onBlocked = 0;
    int onFree = 0;
    const QImage& drawn = view->picture();
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            onBlocked += drawn.pixelColor(x, y) == QColor(255, 220, 0) ? 1 : 0;
            onFree += drawn.pixelColor(x, y) == QColor(0, 230, 60) ? 1 : 0;
        }
    EXPECT_GE(onBlocked, 18);
    EXPECT_EQ(onFree, 0);
    EXPECT_EQ(user.takeMessages(), std::vector<Message>{});

    // The final pack: the same batch, "Fertig", the archive now with the pathmaps and without
    // the command.
    ASSERT_TRUE(user.finalPack());
    EXPECT_EQ(user.takeMessages(),
              (std::vector<Message>{{QMessageBox::NoIcon, QStringLiteral("Fertig")}}));
    EXPECT_EQ(ui.finalbar->value(), 100);
    EXPECT_EQ(readBytes(program() / "pack.bat"), packBat(places_));
    checkAddonArchive(places_);
    const auto addonArchive = archiveFiles(places_.target + ".rfa");
    EXPECT_EQ(addonArchive.at("bf1942/levels/kursk/ai.con"), aiConAfterImport());
    EXPECT_EQ(addonArchive.size(), 31u); // 16 scripts, 15 pathmaps

    // --- The network merge of Kursk and the addon; the addon archive saved elsewhere.
    const std::string addonBytes = readBytes(places_.target + ".rfa");
    ASSERT_TRUE(user.merge(places_.mapArchive, places_.target + ".rfa", places_.backup));
    EXPECT_EQ(user.takeMessages(),
              (std::vector<Message>{{QMessageBox::NoIcon, QStringLiteral("Fertig")}}));
    EXPECT_EQ(user.takeDialogs(),
              (std::vector<DialogCall>{
                  {QStringLiteral("fixen1dlg"), QStringLiteral("Refractor Archive (*.rfa)"), {}},
                  {QStringLiteral("fixen2dlg"), QStringLiteral("Refractor - Archive (*.rfa)"), {}},
                  {QStringLiteral("fixenpath"), QStringLiteral("Refractor Archives (*.rfa)"),
                   QStringLiteral("kursk_001.rfa")}}));
    EXPECT_TRUE(ui.fix2->isChecked());
    EXPECT_EQ(readBytes(program() / "Network" / "unpack.bat"), networkUnpackBat(places_));
    EXPECT_EQ(readBytes(program() / "Network" / "pack.bat"), networkPackBat(places_));
    checkMergedMap(places_, addonArchive);
    EXPECT_EQ(readBytes(places_.backup), addonBytes);
    EXPECT_FALSE(fs::exists(places_.target + ".rfa"));

    user.close();
}

int main(int argc, char** argv) {
    // Headless unless a display is asked for explicitly (test discovery runs without one).
    tess::test::setEnvironment("QT_QPA_PLATFORM", "offscreen", false);
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
