// The pathmap reader on real and made-up files, the spawn points on a map, and the picture.
#include "pathmaps/grid.h"
#include "pathmaps/picture.h"
#include "pathmaps/png.h"
#include "pathmaps/spawns.h"

#include "core/files.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "scripts/start.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::pathmaps;
using tess::test::appendI32;
using tess::test::errorMessage;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

namespace {

// A tiled file's header: h0 to h4 as given, then 2, 0, -1 as in every real file.
std::string header(std::int32_t tilesXLog, std::int32_t tilesZLog, std::int32_t tileLog,
                   std::int32_t cellLog, std::int32_t bitsMinusOne) {
    std::string out;
    for (std::int32_t field : {tilesXLog, tilesZLog, tileLog, cellLog, bitsMinusOne, 2, 0, -1})
        appendI32(out, field);
    return out;
}

std::string marker(std::int32_t value) {
    std::string out;
    appendI32(out, value);
    return out;
}

Grid readReal(const std::string& relative) {
    return readPathmap(testdata("pathmaps/" + relative));
}

// Level L shrunk to level L + 1: a cell is blocked when any of its four finer cells is.
Grid shrunk(const Grid& fine) {
    Grid coarse;
    coarse.width = fine.width / 2;
    coarse.height = fine.height / 2;
    coarse.cellSize = fine.cellSize * 2;
    coarse.cells.resize(static_cast<std::size_t>(coarse.width) * coarse.height);
    for (std::int32_t z = 0; z < coarse.height; ++z)
        for (std::int32_t x = 0; x < coarse.width; ++x)
            coarse.cells[static_cast<std::size_t>(z) * coarse.width + x] =
                fine.blocked(2 * x, 2 * z) || fine.blocked(2 * x + 1, 2 * z) ||
                fine.blocked(2 * x, 2 * z + 1) || fine.blocked(2 * x + 1, 2 * z + 1);
    return coarse;
}

double agreement(const Grid& a, const Grid& b) {
    std::size_t same = 0;
    for (std::int32_t z = 0; z < a.height; ++z)
        for (std::int32_t x = 0; x < a.width; ++x)
            same += a.blocked(x, z) == b.blocked(x, z);
    return static_cast<double>(same) / (static_cast<double>(a.width) * a.height);
}

const std::uint8_t* pixel(const tess::areas::RgbaPicture& picture, int x, int y) {
    return picture.rgba.data() + (static_cast<std::size_t>(y) * picture.width + x) * 4;
}

} // namespace

TEST(PathmapReader, CorsicasTiledMapEqualsItsEightBitTwinCellForCell) {
    const Grid tiled = readReal("Corsica/Car4Level2Map.raw");
    const Grid eightBit = readReal("Corsica/Car4Level2Map8Bit.raw");
    EXPECT_EQ(tiled.kind, Kind::tiled);
    EXPECT_EQ(eightBit.kind, Kind::eightBit);
    for (const Grid* grid : {&tiled, &eightBit}) {
        EXPECT_EQ(grid->width, 512);
        EXPECT_EQ(grid->height, 512);
        EXPECT_EQ(grid->cellSize, 4); // a 2048 level at level 2
    }
    ASSERT_EQ(tiled.cells.size(), eightBit.cells.size());
    std::size_t differing = 0;
    for (std::int32_t z = 0; z < 512; ++z)
        for (std::int32_t x = 0; x < 512; ++x)
            differing += tiled.blocked(x, z) != eightBit.blocked(x, z);
    EXPECT_EQ(differing, 0u);
    // The twin's bytes: 255 is blocked, 11,363 of them; the first byte is cell (0, 0).
    EXPECT_EQ(countBlocked(eightBit), 11363u);
    const std::string bytes = readBytes(testdata("pathmaps/Corsica/Car4Level2Map8Bit.raw"));
    for (const auto& [x, z] : {std::pair{0, 0}, {511, 0}, {0, 511}, {300, 200}, {17, 450}})
        EXPECT_EQ(eightBit.blocked(x, z), bytes[static_cast<std::size_t>(z) * 512 + x] != 0);
}

TEST(PathmapReader, LevelZeroShrunkTwoByTwoAgreesWithLevelTwo) {
    struct Level {
        const char* level0;
        const char* level1;
        const char* level2;
        double atLeast;
    };
    // Bastogne's coarser maps are hand-edited: its Level1 map follows the rule in 99.8 % of
    // the cells, its Level2 map only in 93 % (it is far more passable than its Level0 map).
    for (const Level& level :
         {Level{"Bastogne/Tank0Level0Map.raw", "Bastogne/Tank0Level1Map.raw",
                "Bastogne/Tank0Level2Map.raw", 0.92},
          Level{"Bastogne/Car0Level0Map.raw", "Bastogne/Car0Level1Map.raw",
                "Bastogne/Car0Level2Map.raw", 0.92},
          Level{"Bastogne/Infantry0Level0Map.raw", "Bastogne/Infantry0Level1Map.raw",
                "Bastogne/Infantry0Level2Map.raw", 0.92},
          Level{"Corsica/Car4Level0Map.raw", nullptr, "Corsica/Car4Level2Map.raw", 0.98}}) {
        const Grid level0 = readReal(level.level0);
        EXPECT_EQ(level0.width, 2048);
        EXPECT_EQ(level0.cellSize, 1);
        const Grid level2 = readReal(level.level2);
        ASSERT_EQ(level2.width, 512);
        const Grid twice = shrunk(shrunk(level0));
        const double toLevel2 = agreement(twice, level2);
        std::cout << level.level0 << ": shrunk to level 2 agrees in " << toLevel2 * 100 << " %";
        EXPECT_GE(toLevel2, level.atLeast) << level.level0;
        if (level.level1) {
            const Grid level1 = readReal(level.level1);
            EXPECT_EQ(level1.cellSize, 2);
            const double toLevel1 = agreement(shrunk(level0), level1);
            std::cout << ", to level 1 in " << toLevel1 * 100 << " %";
            EXPECT_GE(toLevel1, 0.998) << level.level1;
        }
        std::cout << "\n";
    }
    // Bastogne's region maps: 2 m cells, 32-cell tiles, mostly blocked.
    const Grid regions = readReal("Bastogne/TankInfo.raw");
    EXPECT_EQ(regions.kind, Kind::regions);
    EXPECT_EQ(regions.width, 1024);
    EXPECT_EQ(regions.cellSize, 2);
    EXPECT_EQ(countBlocked(regions), 1036974u);
}

TEST(PathmapReader, MadeUpTiledFilesOfEachTileKind) {
    TempDir dir;
    // 2 x 2 tiles of 64 cells: cells, all blocked, all passable, cells again.
    std::string map = header(1, 1, 6, 0, 0);
    std::string tile0(64 * 8, '\0');
    tile0[0] = '\x01';          // row 0: cell 0
    tile0[8 + 0] = '\x80';      // row 1: cell 7
    tile0[8 + 1] = '\x01';      // row 1: cell 8
    tile0[63 * 8 + 7] = '\x80'; // row 63: cell 63
    std::string tile3(64 * 8, '\0');
    tile3[5 * 8 + 4] = '\x10'; // row 5: cell 36
    map += marker(-1) + tile0 + marker(1) + marker(0) + marker(-1) + tile3;
    writeBytes(dir.path() / "Tank0Level0Map.raw", map);
    const Grid grid = readPathmap(dir.text() + "Tank0Level0Map.raw");
    EXPECT_EQ(grid.kind, Kind::tiled);
    EXPECT_EQ(grid.width, 128);
    EXPECT_EQ(grid.height, 128);
    EXPECT_EQ(grid.cellSize, 1);
    const std::vector<std::pair<int, int>> blocked = {{0, 0}, {7, 1}, {8, 1}, {63, 63}, {100, 69}};
    for (const auto& [x, z] : blocked)
        EXPECT_TRUE(grid.blocked(x, z)) << x << "," << z;
    for (const auto& [x, z] : {std::pair{1, 0},
                               {0, 1},
                               {6, 1},
                               {9, 1},
                               {62, 63},
                               {63, 62},
                               {0, 64},
                               {63, 127},
                               {64, 64},
                               {99, 69},
                               {100, 68},
                               {127, 127}})
        EXPECT_FALSE(grid.blocked(x, z)) << x << "," << z;
    // The all-blocked tile is X 64 to 127, Z 0 to 63.
    for (const auto& [x, z] : {std::pair{64, 0}, {127, 0}, {64, 63}, {127, 63}})
        EXPECT_TRUE(grid.blocked(x, z)) << x << "," << z;
    EXPECT_EQ(countBlocked(grid), 5u + 64u * 64u);

    // A region map of 1 x 2 tiles of 32 cells of 2 m, 2 bits each: cells, then all blocked.
    std::string regions = header(0, 1, 6, 1, 1);
    std::string cells(32 * 8, '\0');
    cells[0] = '\xe4';          // row 0: cells 0 to 3 are regions 0, 1, 2 and blocked
    cells[31 * 8 + 7] = '\x80'; // row 31: cell 31 is region 2
    regions += marker(-1) + cells + marker(1);
    writeBytes(dir.path() / "CarInfo.raw", regions);
    const Grid info = readPathmap(dir.text() + "CarInfo.raw");
    EXPECT_EQ(info.kind, Kind::regions);
    EXPECT_EQ(info.width, 32);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(info.cellSize, 2);
    EXPECT_EQ(info.at(0, 0), 0);
    EXPECT_EQ(info.at(1, 0), 1);
    EXPECT_EQ(info.at(2, 0), 2);
    EXPECT_EQ(info.at(3, 0), 3);
    EXPECT_EQ(info.at(31, 31), 2);
    EXPECT_FALSE(info.blocked(2, 0));
    EXPECT_TRUE(info.blocked(3, 0));
    EXPECT_TRUE(info.blocked(0, 32));
    EXPECT_EQ(countBlocked(info), 1u + 32u * 32u);

    // The largest grid: a 4096 level at level 0, every tile passable.
    std::string largest = header(6, 6, 6, 0, 0);
    for (int i = 0; i < 64 * 64; ++i)
        largest += marker(0);
    const Grid big = parsePathmap(largest, "Car4Level0Map.raw");
    EXPECT_EQ(big.width, 4096);
    EXPECT_EQ(big.cells.size(), 4096u * 4096u);
    EXPECT_EQ(countBlocked(big), 0u);

    // An 8-bit map of 2 x 2 cells: the first row is Z 0, any byte but 0 is blocked.
    const Grid tiny = parsePathmap(std::string("\x00\xff\x01\x00", 4), "Car4Level3Map8Bit.raw");
    EXPECT_EQ(tiny.kind, Kind::eightBit);
    EXPECT_EQ(tiny.cellSize, 8);
    EXPECT_FALSE(tiny.blocked(0, 0));
    EXPECT_TRUE(tiny.blocked(1, 0));
    EXPECT_TRUE(tiny.blocked(0, 1));
    EXPECT_FALSE(tiny.blocked(1, 1));
}

TEST(PathmapReader, DamagedFilesNameTheFileAndWhatIsWrong) {
    const std::string name = "C:\\bf1942\\levels\\X\\Pathfinding\\Tank0Level0Map.raw";
    const auto error = [&](const std::string& bytes, const std::string& path) {
        return errorMessage([&] { parsePathmap(bytes, path); });
    };
    const std::string prefix = "Die Pathmap " + name + " ist beschädigt: ";
    const std::string oneTile = header(0, 0, 6, 0, 0);
    const std::string cells(64 * 8, '\0');

    EXPECT_EQ(error("", name), prefix + "sie ist mit 0 Bytes kürzer als ihr Kopf von 32 Bytes");
    EXPECT_EQ(error(oneTile.substr(0, 31), name),
              prefix + "sie ist mit 31 Bytes kürzer als ihr Kopf von 32 Bytes");
    EXPECT_EQ(error(oneTile, name), prefix + "sie ist mit 32 Bytes zu kurz für ihre 1 Kacheln");
    // A header for a 4096 x 4096 grid with nothing behind it allocates nothing.
    EXPECT_EQ(error(header(6, 6, 6, 0, 0), name),
              prefix + "sie ist mit 32 Bytes zu kurz für ihre 4096 Kacheln");
    EXPECT_EQ(error(oneTile + marker(-1) + cells.substr(0, 511), name),
              prefix + "sie endet mitten in Kachel 1 von 1");
    EXPECT_EQ(error(header(1, 0, 6, 0, 0) + marker(-1) + cells + std::string(2, '\0'), name),
              prefix + "sie endet vor Kachel 2 von 2");
    EXPECT_EQ(error(oneTile + marker(2), name),
              prefix + "Kachel 1 von 1 beginnt mit 2 statt mit -1, 0 oder 1");
    EXPECT_EQ(error(header(1, 0, 6, 0, 0) + marker(0) + marker(-2), name),
              prefix + "Kachel 2 von 2 beginnt mit -2 statt mit -1, 0 oder 1");
    EXPECT_EQ(error(oneTile + marker(1) + "x", name),
              prefix + "nach der letzten Kachel folgen noch 1 Bytes");
    EXPECT_EQ(error(oneTile + marker(-1) + cells + marker(0), name),
              prefix + "nach der letzten Kachel folgen noch 4 Bytes");

    const std::string implausible = " beschreibt kein Raster bis 4096 x 4096 Feldern";
    EXPECT_EQ(error(header(7, 6, 6, 0, 0), name), prefix + "ihr Kopf (7 6 6 0 0)" + implausible);
    EXPECT_EQ(error(header(0, 0, 13, 0, 0), name), prefix + "ihr Kopf (0 0 13 0 0)" + implausible);
    EXPECT_EQ(error(header(-1, 0, 6, 0, 0), name), prefix + "ihr Kopf (-1 0 6 0 0)" + implausible);
    EXPECT_EQ(error(header(0, 0, 6, 7, 0), name), prefix + "ihr Kopf (0 0 6 7 0)" + implausible);
    EXPECT_EQ(error(header(0, 0, 6, 0, 2), name), prefix + "ihr Kopf (0 0 6 0 2)" + implausible);
    EXPECT_EQ(error(header(0, 0, 2, 0, 0), name), prefix + "ihr Kopf (0 0 2 0 0)" + implausible);
    EXPECT_EQ(error(header(32, 32, 0, 0, 0), name),
              prefix + "ihr Kopf (32 32 0 0 0)" + implausible);

    const std::string eightBit = "Car4Level2Map8Bit.raw";
    const std::string eightBitPrefix = "Die Pathmap " + eightBit + " ist beschädigt: ";
    EXPECT_EQ(error(std::string(9, '\xff'), eightBit),
              eightBitPrefix + "9 Bytes ergeben kein quadratisches Raster von 1 x 1 bis 4096 x "
                               "4096 Feldern");
    EXPECT_EQ(error(std::string(512 * 512 + 1, '\0'), eightBit),
              eightBitPrefix + "262145 Bytes ergeben kein quadratisches Raster von 1 x 1 bis "
                               "4096 x 4096 Feldern");
    EXPECT_EQ(error("", eightBit),
              eightBitPrefix + "0 Bytes ergeben kein quadratisches Raster von 1 x 1 bis 4096 x "
                               "4096 Feldern");
    EXPECT_EQ(error("\x20\x00\x00\x00\x20\x00\x00\x00", "Tank.raw"),
              "Die Datei Tank.raw ist eine Klassendatei der Pathmaps und hat keine Felder zum "
              "Zeigen");

    // From disk: a missing file is the usual file error, a huge one is refused unread.
    TempDir dir;
    EXPECT_EQ(errorMessage([&] {
                  readPathmap(dir.text() + "Car4Level0Map.raw");
              }).rfind("Datei " + dir.text() + "Car4Level0Map.raw kann nicht geöffnet werden. ", 0),
              0u);
    {
        std::ofstream huge(dir.path() / "Car4Level0Map8Bit.raw", std::ios::binary);
        huge.seekp(4096ll * 4096ll);
        huge.put('\0');
    }
    EXPECT_EQ(errorMessage([&] { readPathmap(dir.text() + "Car4Level0Map8Bit.raw"); }),
              "Die Pathmap " + dir.text() +
                  "Car4Level0Map8Bit.raw ist beschädigt: sie ist mit 16777217 Bytes größer als "
                  "jede Pathmap bis 4096 x 4096 Feldern");
}

TEST(PathmapNames, ClassLevelAndKindComeFromTheFileName) {
    EXPECT_EQ(pathmapClass("Tank0Level0Map.raw"), "Tank");
    EXPECT_EQ(pathmapClass("LandingCraft3Level2Map8Bit.raw"), "LandingCraft");
    EXPECT_EQ(pathmapClass("C:\\x\\Pathfinding\\InfantryInfo.raw"), "Infantry");
    EXPECT_EQ(pathmapClass("Car.raw"), "Car");
    EXPECT_EQ(pathmapClass("my_map.raw"), "");
    EXPECT_EQ(levelInName("Tank0Level0Map.raw"), 0);
    EXPECT_EQ(levelInName("/levels/Level9/Car4Level2Map8Bit.RAW"), 2);
    EXPECT_EQ(levelInName("TankInfo.raw"), -1);
    EXPECT_TRUE(isEightBitPathmapName("tank0level0map8bit.RAW"));
    EXPECT_FALSE(isEightBitPathmapName("Car4Level2Map.raw"));
    EXPECT_TRUE(isClassFileName("landingcraft.RAW"));
    EXPECT_FALSE(isClassFileName("TankInfo.raw"));

    // Numbers in file names vary between levels; the class name alone finds the search map.
    EXPECT_EQ(searchMapOfClass("Tank"), 0);
    EXPECT_EQ(searchMapOfClass("infantry"), 1);
    EXPECT_EQ(searchMapOfClass("Boat"), 2);
    EXPECT_EQ(searchMapOfClass("LandingCraft"), 3);
    EXPECT_EQ(searchMapOfClass("Landingcraft"), 3);
    EXPECT_EQ(searchMapOfClass("Car"), 4);
    EXPECT_EQ(searchMapOfClass("Plane"), -1);
    EXPECT_FALSE(takesObjectSpawnPoints("Infantry"));
    EXPECT_TRUE(takesObjectSpawnPoints("Boat"));
}

TEST(SpawnPoints, ComeFromTheClassesLineAndAreCountedOnBothSidesOfATileBorder) {
    const std::string script = "\r\n"
                               "rem *** Tank ***\r\n"
                               "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
                               "ai.setMapSpawnPoints 0 63.9/10,64/10,1050.5/980, 7 / 8 ,v_pos\r\n"
                               "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\r\n"
                               "ai.setMapSpawnPoints 1\r\n"
                               "AI.SETMAPSPAWNPOINTS 4 1/2,3/4\n"
                               "rem ai.setMapSpawnPoints 4 9/9\n"
                               "ai.setMapSpawnPoints 42 5/5\r\n";
    const auto tank = spawnPointsOfSearchMap(script, 0);
    ASSERT_TRUE(tank);
    ASSERT_EQ(tank->size(), 4u); // "v_pos" is no position
    EXPECT_DOUBLE_EQ((*tank)[0].x, 63.9);
    EXPECT_DOUBLE_EQ((*tank)[2].x, 1050.5);
    EXPECT_DOUBLE_EQ((*tank)[2].z, 980);
    EXPECT_DOUBLE_EQ((*tank)[3].x, 7);
    EXPECT_DOUBLE_EQ((*tank)[3].z, 8);
    ASSERT_TRUE(spawnPointsOfSearchMap(script, 1));
    EXPECT_TRUE(spawnPointsOfSearchMap(script, 1)->empty());
    ASSERT_TRUE(spawnPointsOfSearchMap(script, 4));
    EXPECT_EQ(spawnPointsOfSearchMap(script, 4)->size(), 2u);
    EXPECT_FALSE(spawnPointsOfSearchMap(script, 2)); // no Boat block
    EXPECT_FALSE(spawnPointsOfSearchMap(script, 3));

    // Two tiles of 64 cells of 2 m along X: the left one passable, the right one blocked.
    const Grid grid =
        parsePathmap(header(1, 0, 7, 1, 0) + marker(0) + marker(1), "Tank0Level1Map.raw");
    ASSERT_EQ(grid.cellSize, 2);
    const std::vector<SpawnPoint> points = {
        {127.9, 10},                           // last cell of the left tile
        {128.0, 10},                           // first cell of the right tile
        {0, 0},      {255.9, 127.9}, {256, 5}, // the last is outside the map
        {-0.1, 5},   {5, 128},
    };
    const SpawnCheck check = checkSpawnPoints(grid, points);
    EXPECT_EQ(check.total(), 7u);
    ASSERT_EQ(check.passable.size(), 2u);
    EXPECT_DOUBLE_EQ(check.passable[0].x, 127.9);
    EXPECT_DOUBLE_EQ(check.passable[1].x, 0);
    EXPECT_EQ(blockedSpawnLine(check), "5 von 7 Spawnpunkten liegen auf gesperrten Feldern");
    EXPECT_EQ(blockedSpawnLine(SpawnCheck{}), "0 von 0 Spawnpunkten liegen auf gesperrten Feldern");

    EXPECT_NE(pictureTip(Kind::tiled, "Boat").find("ein Spawnpunkt eines Schiffs an Land"),
              std::string::npos);
    EXPECT_EQ(pictureTip(Kind::tiled, "Infantry").find("Objekt-Spawnpunkte"), std::string::npos);
}

TEST(PathmapPicture, DrawsTheFirstRowAtTheBottomOverTheOverview) {
    // 64 x 64 cells of 8 m (a 512 level at level 3): only the cells of row 0 are blocked.
    Grid grid;
    grid.width = 64;
    grid.height = 64;
    grid.cellSize = 8;
    grid.cells.assign(64 * 64, kPassable);
    for (int x = 0; x < 64; ++x)
        grid.cells[static_cast<std::size_t>(x)] = kBlocked;
    // The overview: white, with a black top-left pixel.
    tess::areas::RgbaPicture overview;
    overview.width = 4;
    overview.height = 4;
    overview.rgba.assign(4 * 4 * 4, 255);
    overview.rgba[0] = overview.rgba[1] = overview.rgba[2] = 0;
    SpawnCheck spawns;
    spawns.passable.push_back({256, 500}); // high Z: near the top, centred
    spawns.blocked.push_back({40, 4});     // low Z: near the bottom left

    const auto picture = drawPathmap(grid, &overview, spawns);
    ASSERT_EQ(picture.width, 512);
    ASSERT_EQ(picture.height, 512);
    // Bottom rows (cell row 0, 8 pixels high) in the blocked colour over white; above, white.
    const auto blockedOverWhite = [](int colour) {
        return static_cast<int>(std::lround(255 * (1 - 150 / 255.0) + colour * 150 / 255.0));
    };
    for (int y : {504, 511}) {
        EXPECT_EQ(pixel(picture, 300, y)[0], blockedOverWhite(210)) << y;
        EXPECT_EQ(pixel(picture, 300, y)[1], blockedOverWhite(20)) << y;
    }
    EXPECT_EQ(pixel(picture, 300, 503)[1], 255);
    EXPECT_EQ(pixel(picture, 300, 0)[1], 255);
    // The overview's top-left pixel stays at the top left.
    EXPECT_EQ(pixel(picture, 0, 0)[0], 0);
    EXPECT_EQ(pixel(picture, 127, 127)[0], 0);
    EXPECT_EQ(pixel(picture, 128, 128)[0], 255);
    // Dots: X 256 of 512 is the middle column, Z 500 is 12 world units below the top; the
    // warning dot lies at the bottom left.
    const std::uint8_t* top = pixel(picture, 256, 12);
    EXPECT_EQ((std::vector<int>{top[0], top[1], top[2]}), (std::vector<int>{0, 230, 60}));
    const std::uint8_t* bottom = pixel(picture, 40, 507);
    EXPECT_EQ((std::vector<int>{bottom[0], bottom[1], bottom[2]}), (std::vector<int>{255, 220, 0}));
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4)
        ASSERT_EQ(picture.rgba[i], 255);

    // Without an overview the background is grey; a 2048-cell grid is shrunk to 1024 pixels
    // and a pixel over two blocked and two passable cells is tinted half as much.
    Grid large;
    large.width = 2048;
    large.height = 2048;
    large.cells.assign(2048u * 2048u, kPassable);
    large.cells[0] = large.cells[1] = kBlocked;
    const auto shrunkPicture = drawPathmap(large, nullptr, {});
    ASSERT_EQ(shrunkPicture.width, 1024);
    ASSERT_EQ(shrunkPicture.height, 1024);
    const double half = 150 / 255.0 / 2;
    EXPECT_EQ(pixel(shrunkPicture, 0, 1023)[0], std::lround(128 * (1 - half) + 210 * half));
    EXPECT_EQ(pixel(shrunkPicture, 1, 1023)[0], 128);
    EXPECT_EQ(pixel(shrunkPicture, 0, 1022)[0], 128);

    EXPECT_EQ(pictureSizeOf(4096, 4096).width, 1024);
    EXPECT_EQ(pictureSizeOf(64, 64).width, 512);
    EXPECT_EQ(pictureSizeOf(4096, 2048).height, 512);
}

TEST(PathmapView, BastognesTankMapWithTheSpawnPointsOfItsAddon) {
    tess::test::ProgramFolder program;
    tess::WizardState state;
    tess::intake::chooseMapAndWait(state, testdata("levels/Bastogne"), program.text());
    const std::string addon = tess::intake::inspectMap(state, program.text()).addonFolder;
    const std::string mapLevelDir = state.levelDir;
    tess::scripts::runStart(state, tess::scripts::SpawnFlags{true, true}, program.text());

    const std::string tank = testdata("pathmaps/Bastogne/Tank0Level0Map.raw");
    const PathmapView view = viewPathmap(tank, mapLevelDir, addon);
    EXPECT_EQ(view.summary.kind, Kind::tiled);
    EXPECT_EQ(view.summary.className, "Tank");
    EXPECT_EQ(view.summary.width, 2048);
    EXPECT_EQ(view.picture.width, 1024);
    ASSERT_TRUE(view.hasSpawnPoints);
    EXPECT_GT(view.spawnPoints, 10u);
    EXPECT_EQ(view.spawnLine, std::to_string(view.blockedSpawnPoints) + " von " +
                                  std::to_string(view.spawnPoints) +
                                  " Spawnpunkten liegen auf gesperrten Feldern");
    EXPECT_NE(view.tip.find("Objekt-Spawnpunkte"), std::string::npos);

    // The same points serve the boats; the soldiers have points of their own.
    const std::string objects = tess::readFileBytes(addon + "AIPathFinding.con");
    ASSERT_TRUE(spawnPointsOfSearchMap(objects, 2));
    const Grid grid = readPathmap(tank);
    EXPECT_EQ(view.spawnPoints, spawnPointsOfSearchMap(objects, 2)->size());
    EXPECT_EQ(view.blockedSpawnPoints,
              checkSpawnPoints(grid, *spawnPointsOfSearchMap(objects, 0)).blocked.size());
    const PathmapView infantry =
        viewPathmap(testdata("pathmaps/Bastogne/Infantry0Level0Map.raw"), mapLevelDir, addon);
    EXPECT_EQ(infantry.spawnPoints, spawnPointsOfSearchMap(objects, 1)->size());

    // Without an addon or a picture: the map alone on grey, no count.
    const PathmapView alone = viewPathmap(tank, "", "");
    EXPECT_FALSE(alone.hasSpawnPoints);
    EXPECT_TRUE(alone.spawnLine.empty());
    EXPECT_NE(alone.picture.rgba, view.picture.rgba);

    // The picture as a PNG file, saved atomically.
    TempDir dir;
    writePng(view.picture, dir.text() + "tank.png");
    const std::string png = readBytes(dir.path() / "tank.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
}
