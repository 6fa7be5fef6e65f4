// The pictures of the user guide: the road of the acceptance run walked once more through the
// real window (offscreen), on a sample level made here from our own sketch ("Nordtal": its
// overview picture, its scripts and the pathmaps the game would generate for it), and the
// window grabbed at each step. tools/screenshots runs it with TESS_PICTURES=docs/pictures;
// without that variable the pictures go to a temporary folder and are only checked.
#include "acceptance/sketch.h"
#include "acceptance/window_user.h"
#include "app/check_dialog.h"
#include "archive/archive.h"
#include "platform/program_folder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextCursor>
#include <QWheelEvent>

#include <squish.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::test;

namespace {

// The sample level's spawn positions, in world units (X/height/Z) of its 1024 edge: soldiers
// in the village, at the station and on the hill; vehicles on the road and a boat on the
// river.
const char* const kSoldierPositions[] = {"270/40/724", "300/40/694", "250/40/674", "570/40/824",
                                         "600/40/824", "690/52/334", "750/52/354"};
const char* const kObjectPositions[] = {"120/40/704", "200/40/704", "520/40/824",
                                        "720/40/224", "720/40/144", "452/36/964"};

std::string spawnScript(const char* kind, const char* const* positions, std::size_t count) {
    std::string text = "rem *** Nordtal: " + std::string(kind) + " ***\r\n";
    for (std::size_t i = 0; i < count; ++i)
        text += "Object.create " + std::string(kind) + "_" + std::to_string(i + 1) +
                "\r\nObject.absolutePosition " + positions[i] + "\r\nObject.setTeam " +
                std::to_string(i % 2 + 1) + "\r\n\r\n";
    return text;
}

// A DXT1 texture of the picture, as the game's level textures are stored.
std::string ddsOf(const QImage& picture) {
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    const int width = rgba.width();
    const int height = rgba.height();
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        const auto* line = rgba.constScanLine(y);
        pixels.insert(pixels.end(), line, line + width * 4);
    }
    std::string blocks(
        static_cast<std::size_t>(squish::GetStorageRequirements(width, height, squish::kDxt1)),
        '\0');
    squish::CompressImage(pixels.data(), width, height, blocks.data(), squish::kDxt1);

    std::string header(128, '\0');
    const auto put = [&header](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            header[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    header.replace(0, 4, "DDS ");
    put(4, 124);                                // header size
    put(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000); // caps, height, width, format, size
    put(12, static_cast<std::uint32_t>(height));
    put(16, static_cast<std::uint32_t>(width));
    put(20, static_cast<std::uint32_t>(blocks.size()));
    put(76, 32);  // pixel format size
    put(80, 0x4); // FourCC given
    header.replace(84, 4, "DXT1");
    put(108, 0x1000); // a texture
    return header + blocks;
}

// The 8-bit pathmap of a class at `edge` cells along each side: 255 where the class cannot
// go, 0 elsewhere; the first row is the bottom of the level.
std::string eightBitMap(const QImage& sketch, const QString& className, int edge) {
    const QImage scaled = sketch.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    std::string cells(static_cast<std::size_t>(edge) * edge, '\0');
    for (int z = 0; z < edge; ++z)
        for (int x = 0; x < edge; ++x) {
            const QColor ground = groundAt(scaled, x, edge - 1 - z);
            const bool water = ground == kSketchWater;
            bool blocked = water || ground == kSketchHouse;
            if (className == QStringLiteral("Boat2"))
                blocked = !water;
            else if (className != QStringLiteral("Infantry1"))
                blocked = blocked || ground == kSketchForest ||
                          (className == QStringLiteral("Car4") && ground == kSketchHill);
            cells[static_cast<std::size_t>(z) * edge + x] = blocked ? '\xFF' : '\0';
        }
    return cells;
}

// The sample level as a map maker would have it packed: Init.con, the terrain script with
// the world size, the seven Conquest scripts and the overview picture.
void writeSampleLevel(const fs::path& level, const QImage& sketch) {
    writeBytes(level / "Init.con", "rem *** Nordtal: a sample level of the Tessarine guide ***\r\n"
                                   "run Init/Terrain\r\n");
    writeBytes(level / "Init" / "Terrain.con",
               "rem *** Nordtal: terrain ***\r\nGeometryTemplate.worldSize 1024\r\n");
    const fs::path conquest = level / "Conquest";
    writeBytes(conquest / "SoldierSpawns.con",
               spawnScript("Spawn", kSoldierPositions, std::size(kSoldierPositions)));
    writeBytes(conquest / "ObjectSpawns.con",
               spawnScript("Vehicle", kObjectPositions, std::size(kObjectPositions)));
    for (const char* name :
         {"ControlPoints.con", "ControlPointTemplates.con", "ObjectSpawnTemplates.con",
          "SoldierSpawnTemplates.con", "SpawnPointManagerSettings.con"})
        writeBytes(conquest / name, "rem *** Nordtal: " + std::string(name) + " ***\r\n");
    writeBytes(level / "Textures" / "ingamemap.dds", ddsOf(sketch.scaled(512, 512)));
    // The Conquest flags: the two bases and the hill between them.
    writeBytes(conquest / "ControlPoints.con",
               "rem *** Nordtal: control points ***\r\n"
               "Object.create DorfBasis\r\nObject.absolutePosition 276/40/704\r\n\r\n"
               "Object.create BahnhofBasis\r\nObject.absolutePosition 584/40/830\r\n\r\n"
               "Object.create Huegel\r\nObject.absolutePosition 718/52/344\r\n");
    writeBytes(conquest / "ControlPointTemplates.con",
               "rem *** Nordtal: control point templates ***\r\n"
               "ObjectTemplate.create ControlPoint DorfBasis\r\nObjectTemplate.radius 30\r\n"
               "ObjectTemplate.team 1\r\nObjectTemplate.unableToChangeTeam 1\r\n\r\n"
               "ObjectTemplate.create ControlPoint BahnhofBasis\r\nObjectTemplate.radius 30\r\n"
               "ObjectTemplate.team 2\r\nObjectTemplate.unableToChangeTeam 1\r\n\r\n"
               "ObjectTemplate.create ControlPoint Huegel\r\nObjectTemplate.radius 40\r\n"
               "ObjectTemplate.team 0\r\n");
    // The level's own strategic areas, as a level made for the game brings them.
    writeBytes(level / "AI" / "StrategicAreas.con",
               "aiStrategicArea.create Dorf 230/650 330/760 100\r\n"
               "aiStrategicArea.create Bahnhof 530/780 640/880 100\r\n"
               "aiStrategicArea.create Huegel 660/290 780/400 250\r\n"
               "\r\n"
               "aiStrategicArea.setActive Dorf\r\n"
               "aiStrategicArea.addNeighbour Huegel\r\n"
               "aiStrategicArea.addObjectTypeFlag Base\r\n"
               "aiStrategicArea.setSide 1\r\n"
               "aiStrategicArea.vehicleSearchRadius 60\r\n"
               "\r\n"
               "aiStrategicArea.setActive Bahnhof\r\n"
               "aiStrategicArea.addNeighbour Huegel\r\n"
               "aiStrategicArea.addObjectTypeFlag Base\r\n"
               "aiStrategicArea.setSide 2\r\n"
               "\r\n"
               "aiStrategicArea.setActive Huegel\r\n"
               "aiStrategicArea.addNeighbour Dorf\r\n"
               "aiStrategicArea.addNeighbour Bahnhof\r\n"
               "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
               "aiStrategicArea.setSide 0\r\n");
}

// What the game writes into its pathmap folder for the sample level: the 8-bit maps of four
// classes at two levels of detail.
void writeGeneratedPathmaps(const fs::path& folder, const QImage& sketch) {
    for (const char* name : {"Tank0", "Infantry1", "Car4", "Boat2"}) {
        const QString className = QString::fromLatin1(name);
        writeBytes(folder / (std::string(name) + "Level0Map8Bit.raw"),
                   eightBitMap(sketch, className, 1024));
        writeBytes(folder / (std::string(name) + "Level1Map8Bit.raw"),
                   eightBitMap(sketch, className, 512));
    }
}

// A map maker at work in the pathmap window: zoomed in on the village, the road west of it
// closed with the brush (a fence the tanks must not pass), the brush's outline where the
// stroke ended.
void retouch(PathmapWindow& view) {
    QWidget* canvas = view.canvas();
    // Cells of the 512 x 512 map; the sketch's pixel (x, y) is cell (x, 511 - y).
    const auto at = [&view](int x, int y) { return view.pointOfCell(x, 511 - y); };
    QWheelEvent zoomIn(QPointF(at(120, 170)), canvas->mapToGlobal(QPointF(at(120, 170))), QPoint(),
                       QPoint(0, 3 * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &zoomIn);
    view.findChild<QSpinBox*>(QStringLiteral("brushSize"))->setValue(5);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at(64, 142));
    QTest::mouseMove(canvas, at(64, 160));
    QTest::mouseMove(canvas, at(64, 178));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at(64, 178));
}

// Where the pictures go, and the folder everything of the road lies in. With TESS_PICTURES the
// folder has a fixed name, so that the paths the pictures show are the same at every run.
struct Places {
    fs::path pictures;
    fs::path root;
    std::unique_ptr<TempDir> temporary;
};

Places choosePlaces() {
    Places places;
    const char* wanted = std::getenv("TESS_PICTURES");
    if (wanted != nullptr && *wanted != '\0') {
        places.pictures = fs::absolute(wanted);
        places.root = fs::temp_directory_path() / "tessarine-guide";
        fs::remove_all(places.root);
        fs::create_directories(places.root);
    } else {
        places.temporary = std::make_unique<TempDir>();
        places.root = places.temporary->path();
        places.pictures = places.root / "pictures";
    }
    fs::create_directories(places.pictures);
    return places;
}

class Pictures {
public:
    explicit Pictures(fs::path folder) : folder_(std::move(folder)) {}

    // The main window as the user sees it, without the frame: 760 x 620 pixels.
    void take(QWidget& window, const std::string& name) {
        QTest::qWait(50);
        const QImage image = window.grab().toImage();
        const fs::path file = folder_ / (name + ".png");
        // Quality 0: the strongest compression, the same pixels.
        EXPECT_TRUE(image.save(qs(file.string()), "PNG", 0)) << file;
        taken_.push_back(file);
    }
    const std::vector<fs::path>& taken() const { return taken_; }

private:
    fs::path folder_;
    std::vector<fs::path> taken_;
};

} // namespace

TEST(GuidePictures, TheRoadOfTheUserGuideOnTheSampleLevel) {
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    const fs::path startedIn = fs::current_path();
    const Places places = choosePlaces();
    const fs::path& root = places.root;

    // The installation, as the build lays it out, in a folder named as the program's.
    const fs::path program = root / "Tessarine";
    const fs::path templates = fs::path(TESS_SOURCE_DIR) / "src/resources/con files";
    for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
        writeBytes(program / "temp" / "con files" / name, readBytes(templates / name));
    fs::create_directories(program / "Network");
    fs::create_directories(program / "bf1942" / "levels");
    fs::create_symlink(TESS_CLI_PATH, program / "tessarine-cli");
    tess::setProgramFolderOverride(program.string() + "/");
    const FakeDocumentOpener opener;

    // The map maker's own folders: the packed sample level, the game, the addons.
    const QImage sketch = drawSketch(1024);
    const TempDir source;
    writeSampleLevel(source.path() / "Nordtal", sketch);
    const fs::path mapArchive = root / "Karten" / "Nordtal.rfa";
    fs::create_directories(mapArchive.parent_path());
    tess::archive::packFolder(source.path() / "Nordtal", "bf1942/levels/Nordtal", mapArchive,
                              false);
    const fs::path game = root / "Battlefield 1942";
    writeBytes(game / "BF1942.exe", "MZ");
    fs::create_directories(root / "Addons");
    fs::create_directories(root / "Sicherung");
    const std::string target = (root / "Addons" / "Nordtal_001").string();

    Pictures pictures(places.pictures);
    WindowUser user;
    {
        user.open();
        Ui::TForm1& ui = user.ui();
        user.chooseMap(mapArchive.string());
        ASSERT_TRUE(user.waitForUnpack(program, "Nordtal.rfa"));
        pictures.take(user.form(), "1-map-chosen");

        user.pressOk();
        user.tickShipsAndStart();
        user.editScript(QStringLiteral("SinglePlayerAllied.con"),
                        QStringLiteral("game.maxNrofPlayers 18"),
                        QStringLiteral("game.maxNrofPlayers 32"));
        ui.Memo6->moveCursor(QTextCursor::Start);
        pictures.take(user.form(), "2-scripts-written");
        user.showTab(ui.t6);
        pictures.take(user.form(), "3-stats");

        user.showTab(ui.t3);
        // The level's own areas taken over, and areas proposed at its flags; each taken back.
        QTest::mouseClick(ui.Label25z, Qt::LeftButton);
        pictures.take(user.form(), "4a-areas-taken-over");
        QTest::keyClick(ui.e, Qt::Key_Z, Qt::ControlModifier);
        QTest::mouseClick(ui.Label22z, Qt::LeftButton);
        pictures.take(user.form(), "4b-areas-proposed");
        QTest::keyClick(ui.e, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(ui.ListBox1z->count(), 0);
        const std::vector<Message> notes = user.takeMessages();
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_TRUE(notes[0].text.startsWith(QStringLiteral("3 Areas übernommen")))
            << notes[0].text.toStdString();
        EXPECT_TRUE(notes[1].text.startsWith(
            QStringLiteral("3 Areas an den Flaggenpunkten vorgeschlagen.")))
            << notes[1].text.toStdString();

        const std::vector<AreaDrawing>& areas = threeAreas();
        user.drawArea(areas[0]);
        user.drawArea(areas[1]);
        user.placeCorners(areas[2]);
        user.fillPanel(areas[2]);
        pictures.take(user.form(), "4-area-panel");
        user.confirmArea();
        user.openNeighbours();
        user.finishNextArea(areas[0]);
        user.tickNeighbours(areas[1]);
        pictures.take(user.form(), "5-neighbours");
        user.next();
        user.finishNextArea(areas[2]);

        user.chooseGameFolder((game / "BF1942.exe").string());
        user.confirmGameFolder();
        ASSERT_TRUE(user.firstPack(target));
        pictures.take(user.form(), "6-first-pack");
        EXPECT_EQ(user.takeMessages(),
                  (std::vector<Message>{
                      {QMessageBox::NoIcon, QStringLiteral("Ändere etwas, wenn du willst.")}}));
        user.close();
    }

    writeGeneratedPathmaps(game / "bf1942" / "levels" / "Nordtal" / "Pathfinding", sketch);

    fs::current_path(program);
    user.open();
    Ui::TForm1& ui = user.ui();
    user.showTab(ui.t4);
    user.importPathmaps();
    EXPECT_EQ(ui.pathmapCount->text(), QStringLiteral("Übernommen: 4 von 8"));
    pictures.take(user.form(), "7-pathmaps-imported");
    PathmapWindow* view = user.lookAtPathmap(QStringLiteral("Tank0Level1Map8Bit.raw"));
    ASSERT_NE(view, nullptr);
    pictures.take(*view, "8-pathmap-window");
    retouch(*view);
    pictures.take(*view, "8b-pathmap-edit");
    // The strokes were for the picture only.
    QTest::mouseClick(view->findChild<QAbstractButton*>(QStringLiteral("undoButton")),
                      Qt::LeftButton);
    EXPECT_FALSE(view->editor()->edit().unsaved());
    view->close();
    ASSERT_TRUE(user.finalPack());
    ASSERT_TRUE(user.merge(mapArchive.string(), target + ".rfa",
                           (root / "Sicherung" / "Nordtal_001.rfa").string()));
    pictures.take(user.form(), "9-final-pack-and-merge");
    QTest::mouseClick(ui.checkButton, Qt::LeftButton);
    CheckDialog* check = user.form().checkDialog();
    ASSERT_NE(check, nullptr);
    for (int i = 0; i < 600 && check->isChecking(); ++i)
        QTest::qWait(50);
    pictures.take(*check, "10-addon-check");
    check->close();
    EXPECT_EQ(user.takeMessages(),
              (std::vector<Message>{{QMessageBox::NoIcon, QStringLiteral("Fertig")},
                                    {QMessageBox::NoIcon, QStringLiteral("Fertig")}}));
    user.close();
    tess::setProgramFolderOverride("");
    fs::current_path(startedIn);

    // Every picture of the main window is the window's client area.
    ASSERT_EQ(pictures.taken().size(), 13u);
    for (const fs::path& file : pictures.taken()) {
        const QImage image(qs(file.string()));
        ASSERT_FALSE(image.isNull()) << file;
        if (file.filename().string().find("-pathmap-") == std::string::npos &&
            file.filename() != "10-addon-check.png") {
            EXPECT_EQ(image.size(), QSize(760, 620)) << file;
        }
    }
}

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
