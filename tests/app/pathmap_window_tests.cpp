// The pathmap window as an editor, on real widgets (offscreen): Bastogne's tank map painted
// with real mouse events, saved into the addon with its coarser levels and read back; the
// question about unsaved strokes; the map through a picture and back.
#include "app/pathmap_window.h"
#include "pathmaps/grid.h"
#include "pathmaps/writer.h"
#include "platform/program_folder.h"
#include "screenshot.h"
#include "support/island_level.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;
namespace pm = tess::pathmaps;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::whenModal;
using tess::test::writeBytes;

namespace {

using tess::test::screenshot;

// A level whose game wrote Bastogne's tank maps, and an addon that took them over, with two
// spawn points for tanks (one on the free cell the test paints) and one strategic area.
class PathmapWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"Tank0Level0Map.raw", "Tank0Level1Map.raw", "Tank0Level2Map.raw", "TankInfo.raw"}) {
            const std::string bytes = readBytes(tess::test::testdata("pathmaps/Bastogne/") + name);
            writeBytes(dir_ / "game" / name, bytes);
            writeBytes(dir_ / "Bastogne_001" / "Pathfinding" / name, bytes);
            game_[name] = bytes;
        }
        level0_ = pm::readPathmap((dir_ / "game" / "Tank0Level0Map.raw").string());
        const pm::Grid level1 = pm::readPathmap((dir_ / "game" / "Tank0Level1Map.raw").string());
        const pm::Grid level2 = pm::readPathmap((dir_ / "game" / "Tank0Level2Map.raw").string());
        // A free cell beside another, away from the edge, under free coarser cells.
        for (std::size_t i = 300 * 2048; i < level0_.cells.size(); ++i) {
            x_ = static_cast<int>(i % 2048);
            z_ = static_cast<int>(i / 2048);
            if (x_ > 8 && x_ < 2040 && !level0_.blocked(x_, z_) && !level0_.blocked(x_ + 1, z_) &&
                !level1.blocked(x_ / 2, z_ / 2) && !level2.blocked(x_ / 4, z_ / 4))
                break;
        }
        writeBytes(dir_ / "Bastogne_001" / "AIPathFinding.con",
                   "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\nai.setMapSpawnPoints 0 " +
                       std::to_string(x_) + ".5/" + std::to_string(z_) + ".5," +
                       std::to_string(x_ + 1) + ".5/" + std::to_string(z_) + ".5\r\n");
        writeBytes(dir_ / "Bastogne_001" / "AI" / "StrategicAreas.con",
                   "aiStrategicArea.create Weg " + std::to_string(x_ - 40) + "/" +
                       std::to_string(z_ - 40) + " " + std::to_string(x_ + 40) + "/" +
                       std::to_string(z_ + 40) + " 100\r\n");
    }

    void open(PathmapWindow& window) {
        const pm::PathmapView view =
            pm::viewPathmap((dir_ / "game" / "Tank0Level0Map.raw").string(),
                            tess::test::testdata("levels/Bastogne") + "/", addon());
        window.showPathmap(QStringLiteral("Tank0Level0Map.raw"), view, true);
    }
    std::string addon() const { return (dir_ / "Bastogne_001").string() + "/"; }
    fs::path inAddon(const std::string& name) const {
        return dir_ / "Bastogne_001" / "Pathfinding" / name;
    }

    TempDir dir_;
    std::map<std::string, std::string> game_;
    pm::Grid level0_;
    int x_ = 0;
    int z_ = 0;
};

template <typename T> T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void press(const PathmapWindow& window, const char* name) {
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// The mouse goes down on one cell, moves to another and comes up there.
void stroke(PathmapWindow& window, Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(window.canvas(), button, Qt::NoModifier, from);
    QTest::mouseMove(window.canvas(), to);
    QTest::mouseRelease(window.canvas(), button, Qt::NoModifier, to);
}

void wheel(QWidget* widget, QPoint at, int delta) {
    QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// Answers the next message box with the button of that caption; its text is kept.
std::shared_ptr<QString> answer(const QString& caption) {
    auto text = std::make_shared<QString>();
    whenModal([text, caption](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        *text = box->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == caption)
                button->click();
    });
    return text;
}

} // namespace

TEST_F(PathmapWindowTest, PaintWithTheMouseSaveIntoTheAddonAndReadTheClassBack) {
    PathmapWindow window;
    open(window);
    ASSERT_NE(window.editor(), nullptr);
    EXPECT_EQ(window.editor()->places().saveTo, addon() + "Pathfinding\\Tank0Level0Map.raw");
    EXPECT_EQ(window.line(), QStringLiteral("0 von 2 Spawnpunkten liegen auf gesperrten Feldern"));
    EXPECT_TRUE(window.filesLine().endsWith(
        QStringLiteral("TankInfo.raw bleibt, wie das Spiel sie geschrieben hat.")));
    EXPECT_FALSE(child<QAbstractButton>(window, "saveButton")->isEnabled());
    EXPECT_FALSE(child<QAbstractButton>(window, "restoreButton")->isEnabled());

    // The wheel zooms round the mouse; the spawn point's world position centres the view.
    const QPoint middle = window.canvas()->rect().center();
    const double fitted = window.zoom();
    wheel(window.canvas(), middle, 240);
    EXPECT_NEAR(window.zoom(), fitted * 1.5625, 1e-9);
    window.showWorldPoint(x_ + 0.5, z_ + 0.5);
    EXPECT_GE(window.zoom(), PathmapWindow::kPointZoom);
    EXPECT_LE((window.pointOfCell(x_, z_) - middle).manhattanLength(), 2);

    // Space held, a drag moves the view and paints nothing.
    QTest::keyPress(window.canvas(), Qt::Key_Space);
    stroke(window, Qt::LeftButton, middle, middle + QPoint(40, 0));
    QTest::keyRelease(window.canvas(), Qt::Key_Space);
    EXPECT_LE((window.pointOfCell(x_, z_) - middle - QPoint(40, 0)).manhattanLength(), 1);
    EXPECT_FALSE(window.editor()->edit().canUndo());
    stroke(window, Qt::MiddleButton, middle + QPoint(40, 0), middle);

    // Brush of one cell: a click blocks the cell under the spawn point, a right drag frees a
    // row of seven; the rectangle blocks 4 x 2 cells, undone and redone.
    child<QSpinBox>(window, "brushSize")->setValue(1);
    stroke(window, Qt::LeftButton, window.pointOfCell(x_, z_), window.pointOfCell(x_, z_));
    EXPECT_EQ(window.line(), QStringLiteral("1 von 2 Spawnpunkten liegen auf gesperrten Feldern"));
    stroke(window, Qt::RightButton, window.pointOfCell(x_ - 3, z_ + 2),
           window.pointOfCell(x_ + 3, z_ + 2));
    press(window, "rectangleTool");
    stroke(window, Qt::LeftButton, window.pointOfCell(x_ - 2, z_ - 4),
           window.pointOfCell(x_ + 1, z_ - 3));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window.editor()->edit().canRedo());
    EXPECT_TRUE(child<QAbstractButton>(window, "redoButton")->isEnabled());
    QTest::keyClick(&window, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(window.editor()->edit().canRedo());
    QTest::mouseMove(window.canvas(), window.pointOfCell(x_, z_));
    EXPECT_TRUE(window.status().startsWith(
        QStringLiteral("Feld %1 / %2 (Welt X %1, Z %2): gesperrt · ").arg(x_).arg(z_)))
        << window.status().toStdString();
    EXPECT_TRUE(window.windowTitle().endsWith(QLatin1Char('*')));
    EXPECT_TRUE(readBytes(inAddon("Tank0Level0Map.raw")) == game_["Tank0Level0Map.raw"]);
    screenshot("pathmap-edit");

    std::vector<std::uint8_t> expected = level0_.cells;
    expected[level0_.index(x_, z_)] = pm::kBlocked;
    for (int x = x_ - 3; x <= x_ + 3; ++x)
        expected[level0_.index(x, z_ + 2)] = pm::kPassable;
    for (int z = z_ - 4; z <= z_ - 3; ++z)
        for (int x = x_ - 2; x <= x_ + 1; ++x)
            expected[level0_.index(x, z)] = pm::kBlocked;
    press(window, "saveButton");
    EXPECT_TRUE(pm::readPathmap(inAddon("Tank0Level0Map.raw").string()).cells == expected);
    EXPECT_TRUE(window.filesLine().startsWith(
        QStringLiteral("Gespeichert: Tank0Level0Map.raw, Tank0Level1Map.raw, "
                       "Tank0Level2Map.raw. Die Originale des Spiels liegen daneben: "
                       "Tank0Level0Map.original.raw, Tank0Level1Map.original.raw, "
                       "Tank0Level2Map.original.raw. Speichern schreibt nach ")))
        << window.filesLine().toStdString();
    EXPECT_FALSE(window.windowTitle().endsWith(QLatin1Char('*')));
    // The coarser levels: changed only over changed cells, there by the rule.
    for (const auto& [name, factor] :
         {std::pair{"Tank0Level1Map.raw", 2}, {"Tank0Level2Map.raw", 4}}) {
        const pm::Grid saved = pm::readPathmap(inAddon(name).string());
        const pm::Grid game = pm::readPathmap((dir_ / "game" / name).string());
        for (int z = 0; z < saved.height; ++z)
            for (int x = 0; x < saved.width; ++x) {
                bool changed = false;
                bool blocked = false;
                for (int dz = 0; dz < factor; ++dz)
                    for (int dx = 0; dx < factor; ++dx) {
                        const std::size_t i = level0_.index(x * factor + dx, z * factor + dz);
                        changed = changed || expected[i] != level0_.cells[i];
                        blocked = blocked || expected[i] != 0;
                    }
                ASSERT_EQ(saved.blocked(x, z), changed ? blocked : game.blocked(x, z))
                    << name << " " << x << "," << z;
            }
    }
    EXPECT_EQ(readBytes(inAddon("TankInfo.raw")), game_["TankInfo.raw"]);
    EXPECT_EQ(readBytes(inAddon("Tank0Level0Map.original.raw")), game_["Tank0Level0Map.raw"]);
    for (const auto& [name, bytes] : game_)
        EXPECT_TRUE(readBytes(dir_ / "game" / name) == bytes) << name;

    // Exported, the original brought back, the picture imported and saved: the same files
    // as the strokes gave.
    std::map<std::string, std::string> painted;
    for (const char* name : {"Tank0Level0Map.raw", "Tank0Level1Map.raw", "Tank0Level2Map.raw"})
        painted[name] = readBytes(inAddon(name));
    const std::string png = (dir_ / "bild.png").string();
    window.setFileChooser([&png](const QString&, const QString& filter, bool) {
        EXPECT_EQ(filter, QStringLiteral("PNG-Bilder (*.png)"));
        return tess::test::qs(png);
    });
    press(window, "exportButton");
    const QImage picture(tess::test::qs(png));
    ASSERT_EQ(picture.size(), QSize(2048, 2048));
    EXPECT_EQ(picture.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(picture.pixel(x_, 2047 - z_)), 255);
    EXPECT_EQ(qGray(picture.pixel(x_, 2047 - z_ - 2)), 0);
    auto question = answer(QStringLiteral("Zurückholen"));
    press(window, "restoreButton");
    for (const auto& [name, bytes] : game_)
        EXPECT_TRUE(readBytes(inAddon(name)) == bytes) << name;
    EXPECT_FALSE(fs::exists(inAddon("Tank0Level0Map.original.raw")));
    EXPECT_EQ(window.line(), QStringLiteral("0 von 2 Spawnpunkten liegen auf gesperrten Feldern"));
    press(window, "importButton");
    EXPECT_EQ(window.line(), QStringLiteral("1 von 2 Spawnpunkten liegen auf gesperrten Feldern"));
    press(window, "saveButton");
    for (const auto& [name, bytes] : painted)
        EXPECT_TRUE(readBytes(inAddon(name)) == bytes) << name;
}

// "Speichern" writes the class whole or not at all, as the command line does: with a map of
// it read-only, none is written; and no picture is exported over a map of the class.
TEST_F(PathmapWindowTest, AClassIsSavedWholeOrNotAtAllAndNoPictureGoesOverIt) {
    fs::permissions(inAddon("Tank0Level2Map.raw"), fs::perms::owner_read);
    PathmapWindow window;
    open(window);
    stroke(window, Qt::LeftButton, window.pointOfCell(x_, z_), window.pointOfCell(x_, z_));
    auto refusal = answer(QStringLiteral("OK"));
    press(window, "saveButton");
    EXPECT_EQ(refusal->toStdString(),
              "Datei \"" + addon() +
                  "Pathfinding\\Tank0Level2Map.raw\" kann nicht erstellt "
                  "werden. Zugriff verweigert. Nichts wurde geschrieben; Tank0Level0Map.raw, "
                  "Tank0Level1Map.raw und Tank0Level2Map.raw sind wie vorher.");
    screenshot("pathmap-class-refused");

    window.setFileChooser([this](const QString&, const QString&, bool) {
        return tess::test::qs(inAddon("TANK0LEVEL1MAP.RAW").string());
    });
    refusal = answer(QStringLiteral("OK"));
    press(window, "exportButton");
    EXPECT_TRUE(refusal->startsWith(QStringLiteral("Die Zieldatei "))) << refusal->toStdString();
    for (const auto& [name, bytes] : game_)
        EXPECT_TRUE(readBytes(inAddon(name)) == bytes) << name;
    EXPECT_FALSE(fs::exists(inAddon("Tank0Level0Map.original.raw")));
    EXPECT_TRUE(window.windowTitle().endsWith(QLatin1Char('*')));
}

TEST_F(PathmapWindowTest, UnsavedStrokesAreAskedAboutBeforeTheyAreLost) {
    PathmapWindow window;
    open(window);
    window.showWorldPoint(x_, z_);
    const QPoint cell = window.pointOfCell(x_, z_);

    // Cancelled: the window stays with its strokes. Discarded: gone, the file as it was.
    stroke(window, Qt::LeftButton, cell, cell);
    auto asked = answer(QStringLiteral("Abbrechen"));
    window.close();
    EXPECT_EQ(*asked, QStringLiteral("Die Pathmap Tank0Level0Map.raw hat ungespeicherte Striche. "
                                     "Sollen sie gespeichert werden?"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.editor()->edit().unsaved());
    answer(QStringLiteral("Verwerfen"));
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(readBytes(inAddon("Tank0Level0Map.raw")) == game_["Tank0Level0Map.raw"]);

    // Shown again, painted, and another map chosen: saved on the answer "Speichern".
    open(window);
    EXPECT_FALSE(window.editor()->edit().unsaved());
    window.showWorldPoint(x_, z_);
    stroke(window, Qt::LeftButton, cell, cell);
    answer(QStringLiteral("Speichern"));
    window.showNote(QStringLiteral("Tank.raw"), QStringLiteral("Eine Klassendatei"));
    EXPECT_EQ(window.note(), QStringLiteral("Eine Klassendatei"));
    EXPECT_TRUE(pm::readPathmap(inAddon("Tank0Level0Map.raw").string()).blocked(x_, z_));
    // Nothing unsaved: closing asks nothing.
    {
        tess::test::NoModalExpected none;
        window.close();
        EXPECT_TRUE(none.seen().isEmpty());
    }

    // Closing the main window ends the program: strokes in its pathmap window are asked about.
    QWidget main;
    main.show();
    PathmapWindow beside(&main);
    open(beside);
    beside.showWorldPoint(x_, z_);
    stroke(beside, Qt::RightButton, cell, cell);
    answer(QStringLiteral("Abbrechen"));
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    answer(QStringLiteral("Verwerfen"));
    EXPECT_TRUE(main.close());
}

#ifndef _WIN32
// A save into the addon is a step in the program folder: while another run works there, it is
// refused with that run named, and nothing is written.
TEST_F(PathmapWindowTest, ASaveIntoTheProgramFolderWaitsForNoOtherRun) {
    fs::create_directories(dir_ / "temp");
    tess::setProgramFolderOverride(dir_.path().string());
    (void)tess::programFolder();
    const std::string lockFile = (dir_ / "temp" / "tessarine.lock").string();
    // Another run: a process group of its own that holds the lock until it is ended.
    const std::string holder = "setsid flock -x " + tess::test::quoted(lockFile) +
                               " sleep 60 </dev/null >/dev/null 2>&1 & echo $!";
    FILE* pipe = ::popen(holder.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(pipe, "%d", &pid), 1);
    ::pclose(pipe);
    QTest::qWait(300); // the other run has its lock

    PathmapWindow window;
    open(window);
    stroke(window, Qt::LeftButton, window.pointOfCell(x_, z_), window.pointOfCell(x_, z_));
    auto refusal = answer(QStringLiteral("OK"));
    press(window, "saveButton");
    ::kill(-pid, SIGTERM);
    tess::setProgramFolderOverride("");
    EXPECT_TRUE(refusal->contains(QStringLiteral("arbeitet gerade ein anderer Lauf")))
        << refusal->toStdString();
    EXPECT_TRUE(readBytes(inAddon("Tank0Level0Map.raw")) == game_["Tank0Level0Map.raw"]);
    EXPECT_TRUE(window.windowTitle().endsWith(QLatin1Char('*')));
}
#endif

namespace {

// The island level (a lake with an island, a cliff, a strip outside the combat area) with an
// addon whose tank map of 256 x 256 cells of 1 m is all free: the tank starts at 120/200.
class PathmapTerrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::writeIslandLevel(dir_ / "Insel");
        pm::Grid grid;
        grid.width = grid.height = 256;
        grid.tileEdge = 64;
        grid.cells.assign(256 * 256, pm::kPassable);
        writeBytes(inAddon("Tank0Level0Map.raw"), pm::encodePathmap(grid));
        writeBytes(inAddon("Tank.raw"), "the class file");
        writeBytes(inAddon("TankInfo.raw"), "the region map");
        writeBytes(dir_ / "Insel_001" / "AIPathFinding.con",
                   "ai.addSearchMap Tank0 0 0 30 3 0.3 2.5 0\r\n"
                   "ai.setMapSpawnPoints 0 120/200\r\n");
        files_ = tess::test::filesUnder(dir_ / "Insel_001");
    }
    void open(PathmapWindow& window, const std::string& level = "Insel") {
        const std::string addon = (dir_ / "Insel_001").string() + "/";
        window.showPathmap(QStringLiteral("Tank0Level0Map.raw"),
                           pm::viewPathmap(inAddon("Tank0Level0Map.raw").string(),
                                           (dir_ / level).string() + "/", addon),
                           false);
    }
    fs::path inAddon(const std::string& name) const {
        return dir_ / "Insel_001" / "Pathfinding" / name;
    }
    // The cells of a row from x to x + count - 1, "1" blocked, "0" free, in the window or in
    // the saved file.
    static std::string row(const pm::Grid& grid, int x, int z, int count) {
        std::string text;
        for (int i = x; i < x + count; ++i)
            text += grid.blocked(i, z) ? '1' : '0';
        return text;
    }

    TempDir dir_;
    std::map<std::string, std::string> files_;
};

QRgb pixelAt(const PathmapWindow& window, int x, int z) {
    return window.canvas()->grab().toImage().pixel(window.pointOfCell(x, z));
}

// A layer switched on colours the cell or leaves it, and switched off again leaves it as it was.
struct LayerProbe {
    const char* layer;
    int x, z;
    bool coloured;
};
void expectLayers(PathmapWindow& window, const std::vector<LayerProbe>& probes) {
    window.resize(760, 900);
    QApplication::processEvents();
    for (const LayerProbe& probe : probes) {
        SCOPED_TRACE(std::string(probe.layer) + " " + std::to_string(probe.x));
        auto* box = child<QAbstractButton>(window, probe.layer);
        ASSERT_TRUE(box->isEnabled());
        const QRgb before = pixelAt(window, probe.x, probe.z);
        box->click();
        EXPECT_EQ(pixelAt(window, probe.x, probe.z) != before, probe.coloured);
        box->click();
        EXPECT_EQ(pixelAt(window, probe.x, probe.z), before);
    }
}

} // namespace

TEST_F(PathmapTerrainTest, LayersShowTheVerdictsAndTheStatusLineTheGround) {
    PathmapWindow window;
    open(window);
    expectLayers(window, {
                             {"waterLayer", 40, 40, true},
                             {"waterLayer", 120, 200, false},
                             {"steepLayer", 158, 100, true},
                             {"steepLayer", 40, 40, false},
                             {"outsideLayer", 240, 100, true},
                             {"outsideLayer", 190, 100, false},
                             {"unreachableLayer", 64, 64, true},
                             {"unreachableLayer", 190, 100, true},
                             {"unreachableLayer", 120, 200, false},
                         });
    QTest::mouseMove(window.canvas(), window.pointOfCell(120, 200));
    EXPECT_TRUE(window.status().contains(QStringLiteral(" · Höhe 20,0 m · Neigung 0° · ")))
        << window.status().toStdString();
    QTest::mouseMove(window.canvas(), window.pointOfCell(190, 100));
    EXPECT_TRUE(window.status().contains(QStringLiteral(" · Höhe 60,0 m · Neigung 0° · ")))
        << window.status().toStdString();
    // Up the cliff, 10 m a metre.
    QTest::mouseMove(window.canvas(), window.pointOfCell(157, 100));
    EXPECT_TRUE(window.status().contains(QStringLiteral(" m · Neigung 84° · ")))
        << window.status().toStdString();
}

TEST_F(PathmapTerrainTest, TheBrushGelaendePaintsTheVerdictAndIsUndone) {
    PathmapWindow window;
    open(window);
    // A stale region: three rows blocked across the lake's western shore.
    press(window, "rectangleTool");
    stroke(window, Qt::LeftButton, window.pointOfCell(20, 63), window.pointOfCell(35, 65));
    press(window, "terrainTool");
    stroke(window, Qt::LeftButton, window.pointOfCell(20, 64), window.pointOfCell(35, 64));
    // Free up to the slope, steep from 25, water from 28 on; the rows beside as they were.
    EXPECT_EQ(row(window.editor()->grid(), 18, 64, 18), "000000011111111111");
    EXPECT_EQ(row(window.editor()->grid(), 18, 65, 18), "001111111111111111");
    press(window, "undoButton");
    EXPECT_EQ(row(window.editor()->grid(), 18, 64, 18), "001111111111111111");
    // The brush, with the right button too, paints the verdict: free stays free.
    press(window, "brushTool");
    child<QSpinBox>(window, "brushSize")->setValue(1);
    stroke(window, Qt::RightButton, window.pointOfCell(24, 63), window.pointOfCell(24, 63));
    stroke(window, Qt::RightButton, window.pointOfCell(26, 63), window.pointOfCell(26, 63));
    EXPECT_EQ(row(window.editor()->grid(), 18, 63, 18), "001111011111111111");
}

TEST_F(PathmapTerrainTest, TheDraftIsWrittenOnlyBySpeichern) {
    {
        PathmapWindow window;
        open(window);
        press(window, "draftButton");
        EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("Entwurf")));
        EXPECT_TRUE(window.filesLine().startsWith(QStringLiteral("Entwurf aus dem Gelände")));
        EXPECT_EQ(row(window.editor()->grid(), 20, 64, 8), "00000111");
        EXPECT_EQ(row(window.editor()->grid(), 60, 64, 8), "11111111"); // the island
        EXPECT_EQ(row(window.editor()->grid(), 116, 200, 8), "00000000");
        EXPECT_EQ(row(window.editor()->grid(), 220, 100, 8), "11111111"); // the plateau, outside
        // Undone: no draft; done again and discarded on closing: the files as they were.
        press(window, "undoButton");
        EXPECT_FALSE(window.windowTitle().contains(QStringLiteral("Entwurf")));
        press(window, "draftButton");
        answer(QStringLiteral("Verwerfen"));
        window.close();
        EXPECT_EQ(tess::test::filesUnder(dir_ / "Insel_001"), files_);
    }
    PathmapWindow window;
    open(window);
    press(window, "draftButton");
    press(window, "saveButton");
    EXPECT_FALSE(window.windowTitle().contains(QStringLiteral("Entwurf")));
    const pm::Grid saved = pm::readPathmap(inAddon("Tank0Level0Map.raw").string());
    EXPECT_EQ(row(saved, 20, 64, 8), "00000111");
    EXPECT_EQ(row(saved, 60, 64, 8), "11111111");
    EXPECT_EQ(row(saved, 116, 200, 8), "00000000");
    EXPECT_EQ(readBytes(inAddon("Tank.raw")), "the class file");
    EXPECT_EQ(readBytes(inAddon("TankInfo.raw")), "the region map");
}

TEST_F(PathmapTerrainTest, WithoutTerrainOrSearchMapTheControlsSayWhy) {
    struct Row {
        const char* level;
        const char* script;
        const char* why;
    };
    const Row rows[] = {
        {"Leer", "ai.addSearchMap Tank0 0 0 30 3\r\n", "Init/Terrain.con fehlt"},
        {"Insel", "ai.addSearchMap Infantry1 0 1.5 40 1\r\n", "keine Suchkarte für die Klasse"},
    };
    int x = 120;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        fs::create_directories(dir_ / "Leer");
        writeBytes(dir_ / "Insel_001" / "AIPathFinding.con", row.script);
        PathmapWindow window;
        open(window, row.level);
        for (const char* name : {"waterLayer", "steepLayer", "outsideLayer", "unreachableLayer",
                                 "terrainTool", "draftButton"}) {
            auto* control = child<QAbstractButton>(window, name);
            EXPECT_FALSE(control->isEnabled()) << name;
            EXPECT_TRUE(control->toolTip().startsWith(QStringLiteral("Nicht möglich: ")));
            EXPECT_TRUE(control->toolTip().contains(QString::fromUtf8(row.why)))
                << control->toolTip().toStdString();
        }
        QTest::mouseMove(window.canvas(), window.pointOfCell(x += 10, 200));
        EXPECT_EQ(window.status().contains(QStringLiteral("Höhe")),
                  std::string(row.level) == "Insel");
    }
}

// LD_Omaha_Day1's tank map as the game made it, over the level's ground: the sea inside the
// combat area blue, the land beyond it dark, at the zoom that shows the whole map.
TEST(PathmapTerrainOnARealLevel, OmahasSeaAndItsCombatArea) {
    TempDir dir;
    const std::string map = tess::test::testdata("pathmaps/LD_Omaha_Day1/Tank0Level0Map.raw");
    writeBytes(dir / "Pathfinding" / "Tank0Level0Map.raw", readBytes(map));
    writeBytes(dir / "AIPathFinding.con",
               readBytes(tess::test::testdata("levels/LD_Omaha_Day1/AIpathFinding.con")));
    PathmapWindow window;
    window.showPathmap(QStringLiteral("Tank0Level0Map.raw"),
                       pm::viewPathmap(map, tess::test::testdata("levels/LD_Omaha_Day1") + "/",
                                       dir.path().string() + "/"),
                       true);
    expectLayers(window, {
                             {"waterLayer", 1300, 1600, true},
                             {"waterLayer", 1300, 1000, false},
                             {"outsideLayer", 100, 100, true},
                             {"outsideLayer", 1300, 1000, false},
                         });
    for (const char* layer : {"waterLayer", "steepLayer", "outsideLayer", "unreachableLayer"})
        child<QAbstractButton>(window, layer)->click();
    // The combat area across the picture.
    wheel(window.canvas(), window.pointOfCell(1335, 1250), 480);
    QTest::mouseMove(window.canvas(), window.pointOfCell(1250, 1200));
    screenshot("pathmap-terrain", &window);
}
