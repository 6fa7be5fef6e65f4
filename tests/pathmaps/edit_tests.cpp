// Retouching pathmaps: every real map written back and through its picture unchanged, the
// brush, and a stroke saved with the coarser levels of a made-up class.
#include "pathmaps/grid.h"
#include "pathmaps/grid_edit.h"
#include "pathmaps/levels.h"
#include "pathmaps/png.h"
#include "pathmaps/writer.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::pathmaps;
using tess::test::appendI32;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

namespace {

using CellFn = std::function<bool(int x, int z)>;

// A tiled map of `edge` x `edge` cells at `level`, written as the game writes one: 64-cell
// tiles, 0 and 1 for whole tiles, else -1 and the rows of the tile, lowest bit first.
std::string tiledMap(int edge, int level, const CellFn& blocked) {
    const int tiles = edge / 64;
    const int tilesLog = tiles == 1 ? 0 : tiles == 2 ? 1 : 2;
    std::string out;
    for (int field : {tilesLog, tilesLog, 6 + level, level, 0, 2, 0, -1})
        appendI32(out, field);
    for (int tz = 0; tz < tiles; ++tz)
        for (int tx = 0; tx < tiles; ++tx) {
            std::string rows(64 * 8, '\0');
            int count = 0;
            for (int z = 0; z < 64; ++z)
                for (int x = 0; x < 64; ++x)
                    if (blocked(tx * 64 + x, tz * 64 + z)) {
                        rows[static_cast<std::size_t>(z * 8 + x / 8)] |=
                            static_cast<char>(1 << (x % 8));
                        ++count;
                    }
            appendI32(out, count == 0 ? 0 : count == 64 * 64 ? 1 : -1);
            if (count != 0 && count != 64 * 64)
                out += rows;
        }
    return out;
}

std::string eightBitMap(int edge, const CellFn& blocked) {
    std::string out;
    for (int z = 0; z < edge; ++z)
        for (int x = 0; x < edge; ++x)
            out += blocked(x, z) ? '\xff' : '\0';
    return out;
}

std::vector<std::uint8_t> cellsOf(const fs::path& file) {
    return readPathmap(file.string()).cells;
}

// A small map as text: one string a row, row 0 first, '#' a blocked cell.
using Rows = std::vector<std::string>;

std::string eightBitOf(const Rows& rows) {
    return eightBitMap(static_cast<int>(rows.size()), [&](int x, int z) {
        return rows[static_cast<std::size_t>(z)][static_cast<std::size_t>(x)] == '#';
    });
}

Rows rowsOf(const fs::path& file) {
    const Grid grid = readPathmap(file.string());
    Rows rows(static_cast<std::size_t>(grid.height),
              std::string(static_cast<std::size_t>(grid.width), '.'));
    for (int z = 0; z < grid.height; ++z)
        for (int x = 0; x < grid.width; ++x)
            if (grid.blocked(x, z))
                rows[static_cast<std::size_t>(z)][static_cast<std::size_t>(x)] = '#';
    return rows;
}

} // namespace

TEST(PathmapWriter, EveryRealPathmapComesBackByteForByteAlsoThroughItsPicture) {
    int maps = 0;
    int regionMaps = 0;
    for (const auto& entry : fs::recursive_directory_iterator(testdata("pathmaps"))) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || isClassFileName(name))
            continue;
        SCOPED_TRACE(name);
        const std::string bytes = readBytes(entry.path());
        const Grid grid = parsePathmap(bytes, entry.path().string());
        EXPECT_TRUE(encodePathmap(grid) == bytes);
        if (grid.kind == Kind::regions) {
            ++regionMaps;
            EXPECT_NE(tess::test::errorMessage([&] {
                          encodeMapPicture(grid, name);
                      }).find("Gebietskarte " + name),
                      std::string::npos);
            continue;
        }
        ++maps;
        Grid back = grid;
        back.cells = decodeMapPicture(encodeMapPicture(grid, name), grid, "bild.png", name);
        EXPECT_TRUE(back.cells == grid.cells);
        EXPECT_TRUE(encodePathmap(back) == bytes);
    }
    EXPECT_EQ(maps, 17);
    EXPECT_EQ(regionMaps, 3);
}

TEST(PathmapEdit, BrushSizesUndoRedoAndWhatIsUnsaved) {
    Grid grid;
    grid.kind = Kind::eightBit;
    grid.width = 32;
    grid.height = 32;
    grid.cells.assign(32 * 32, kPassable);
    struct Row {
        int size;
        int x;
        int z;
        std::size_t cells; // blocked by one dab
    };
    // Odd sizes centre on the cell, even ones on its corner; off the grid nothing is painted.
    for (const Row& row : {Row{1, 10, 10, 1},
                           {2, 10, 10, 4},
                           {3, 10, 10, 9},
                           {4, 10, 10, 12},
                           {5, 10, 10, 21},
                           {0, 10, 10, 1},
                           {3, 0, 0, 4},
                           {1, -1, 5, 0},
                           {200, 16, 16, 32 * 32}}) {
        SCOPED_TRACE(row.size);
        GridEdit edit(grid);
        edit.beginStroke(true);
        edit.dab(row.x, row.z, row.size);
        edit.dab(row.x, row.z, row.size); // painting over the same cells changes nothing more
        EXPECT_EQ(edit.endStroke().empty(), row.cells == 0);
        EXPECT_EQ(edit.blockedCells(), row.cells);
        EXPECT_EQ(edit.canUndo(), row.cells > 0);
        EXPECT_EQ(edit.unsaved(), row.cells > 0);
    }

    GridEdit edit(grid);
    edit.beginStroke(true);
    edit.drag(2, 3, 12, 3, 1); // a row of 11 cells, no gaps
    edit.endStroke();
    EXPECT_EQ(edit.blockedCells(), 11u);
    edit.beginStroke(false);
    edit.fillRectangle(7, 3, 5, 3); // corners in any order
    edit.endStroke();
    EXPECT_EQ(edit.blockedCells(), 8u);
    edit.markSaved({});
    EXPECT_FALSE(edit.unsaved());
    EXPECT_EQ(edit.undo(), (CellRect{5, 3, 3, 1}));
    EXPECT_EQ(edit.blockedCells(), 11u);
    EXPECT_TRUE(edit.unsaved());
    EXPECT_EQ(edit.redo(), (CellRect{5, 3, 3, 1}));
    EXPECT_FALSE(edit.unsaved());
    // A new step after an undo drops the undone one; the saved state is then out of reach.
    edit.undo();
    edit.beginStroke(true);
    edit.dab(20, 20, 1);
    edit.endStroke();
    EXPECT_FALSE(edit.canRedo());
    edit.undo();
    EXPECT_TRUE(edit.unsaved());
    // A whole picture at once is one step, undone whole; a picture of another size is refused.
    std::vector<std::uint8_t> picture(32 * 32, kPassable);
    for (std::size_t i = 0; i < picture.size(); i += 3)
        picture[i] = 255;
    const std::vector<std::uint8_t> before = edit.grid().cells;
    edit.replaceCells(picture);
    EXPECT_EQ(edit.blockedCells(), (picture.size() + 2) / 3);
    edit.undo();
    EXPECT_TRUE(edit.grid().cells == before);
    EXPECT_NE(tess::test::errorMessage([&] { edit.replaceCells({1, 0}); }), "(no error)");
}

// A class of a made-up 256 level: Level0 to Level2, the 8-bit twin of Level1, the region map
// and the class file. The game's coarser maps disagree with the rule here and there, as real
// ones do; a save must leave those cells alone unless the finer cells under them changed.
TEST(PathmapSave, AStrokeChangesExactlyThePaintedCellsAndTheCoarserOnesByTheRule) {
    TempDir dir;
    const CellFn level0 = [](int x, int z) {
        if (x < 64 && z < 64)
            return false; // a whole free tile
        if (x >= 192 && z >= 192)
            return true; // a whole blocked tile
        return (x / 16 + z / 16) % 3 == 0;
    };
    // Coarser by the rule, with the game's own deviations.
    const auto coarser = [&](int factor, int seed) -> CellFn {
        return [=](int x, int z) {
            bool any = false;
            for (int dz = 0; dz < factor; ++dz)
                for (int dx = 0; dx < factor; ++dx)
                    any = any || level0(x * factor + dx, z * factor + dz);
            return (x * 7 + z * 3 + seed) % 29 == 0 ? !any : any;
        };
    };
    const CellFn level1 = coarser(2, 0);
    const CellFn level2 = coarser(4, 5);
    const std::map<std::string, std::string> files = {
        {"Tank0Level0Map.raw", tiledMap(256, 0, level0)},
        {"Tank0Level1Map.raw", tiledMap(128, 1, level1)},
        {"Tank0Level2Map.raw", tiledMap(64, 2, level2)},
        {"Tank0Level1Map8Bit.raw", eightBitMap(128, level1)},
        {"TankInfo.raw", "region map, never written"},
        {"Tank.raw", "class file, never written"},
        {"Car4Level1Map.raw", tiledMap(128, 1, level1)}};
    for (const auto& [name, bytes] : files)
        writeBytes(dir / name, bytes);
    const std::string target = (dir / "Tank0Level0Map.raw").string();

    const Grid game0 = readPathmap(target);
    GridEdit edit(game0);
    edit.beginStroke(true);
    edit.fillRectangle(10, 20, 13, 21); // in the free tile
    edit.endStroke();
    edit.beginStroke(false);
    edit.dab(100, 50, 3); // in blocked land
    edit.endStroke();
    edit.beginStroke(true);
    edit.dab(5, 5, 1);
    edit.endStroke();
    edit.undo();
    // Painted, but back as it was: freed and blocked again.
    edit.beginStroke(false);
    edit.fillRectangle(200, 200, 210, 210);
    edit.endStroke();
    edit.beginStroke(true);
    edit.fillRectangle(200, 200, 210, 210);
    edit.endStroke();

    std::vector<std::uint8_t> expected0 = game0.cells;
    for (int z = 0; z < 256; ++z)
        for (int x = 0; x < 256; ++x) {
            if (x >= 10 && x <= 13 && z >= 20 && z <= 21)
                expected0[game0.index(x, z)] = kBlocked;
            if (x >= 99 && x <= 101 && z >= 49 && z <= 51)
                expected0[game0.index(x, z)] = kPassable;
        }
    const SaveReport report = saveMapWithLevels(edit.grid(), edit.savedCells(), target, target);
    EXPECT_EQ(report.written,
              (std::vector<std::string>{"Tank0Level0Map.raw", "Tank0Level1Map.raw",
                                        "Tank0Level1Map8Bit.raw", "Tank0Level2Map.raw"}));
    EXPECT_EQ(report.originalsKept.size(), 4u);
    EXPECT_TRUE(cellsOf(target) == expected0);

    // The coarser cells over the changed ones, worked out by hand: the stroke blocked Level1
    // cells 5 and 6 of row 10 (Level2: 2 and 3 of row 5); the dab freed 3 x 3 cells at
    // (99..101, 49..51) of blocked land, which frees only Level1 cell (50, 25), the one whole
    // 2 x 2 group of it. Every other cell keeps the game's value.
    struct Coarse {
        std::string name;
        int edge;
        CellFn game;
        std::vector<std::tuple<int, int, bool>> changed; // x, z, blocked
    };
    const std::vector<std::tuple<int, int, bool>> level1Changed = {{5, 10, true},  {6, 10, true},
                                                                   {49, 24, true}, {50, 24, true},
                                                                   {49, 25, true}, {50, 25, false}};
    for (const Coarse& coarse :
         {Coarse{"Tank0Level1Map.raw", 128, level1, level1Changed},
          Coarse{"Tank0Level1Map8Bit.raw", 128, level1, level1Changed},
          Coarse{"Tank0Level2Map.raw",
                 64,
                 level2,
                 {{2, 5, true}, {3, 5, true}, {24, 12, true}, {25, 12, true}}}}) {
        SCOPED_TRACE(coarse.name);
        std::vector<std::uint8_t> expected;
        for (int z = 0; z < coarse.edge; ++z)
            for (int x = 0; x < coarse.edge; ++x)
                expected.push_back(coarse.game(x, z) ? kBlocked : kPassable);
        for (const auto& [x, z, blocked] : coarse.changed)
            expected[static_cast<std::size_t>(z * coarse.edge + x)] =
                blocked ? kBlocked : kPassable;
        EXPECT_TRUE(cellsOf(dir / coarse.name) == expected);
        EXPECT_TRUE(readBytes(dir / originalNameOf(coarse.name)) == files.at(coarse.name));
    }
    EXPECT_TRUE(readBytes(dir / "Tank0Level0Map.original.raw") == files.at("Tank0Level0Map.raw"));
    // Tiles keep their markers unless their cells changed: the free tile now has cells, the
    // blocked one painted and put back stays whole.
    const Grid saved0 = readPathmap(target);
    std::vector<std::int32_t> markers = game0.tileMarkers;
    markers[0] = kCellsFollow;
    EXPECT_EQ(saved0.tileMarkers, markers);
    EXPECT_EQ(saved0.tileMarkers[15], kAllBlocked);
    for (const char* untouched : {"TankInfo.raw", "Tank.raw", "Car4Level1Map.raw"})
        EXPECT_FALSE(fs::exists(dir / originalNameOf(untouched))) << untouched;
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(name.rfind("Tank0", 0) == 0 || readBytes(dir / name) == bytes) << name;

    // Saved again unchanged: nothing written. Restored: the game's files, and no copies left.
    EXPECT_TRUE(saveMapWithLevels(saved0, saved0.cells, target, target).written.empty());
    EXPECT_EQ(keptOriginals(target).size(), 4u);
    EXPECT_EQ(restoreOriginals(target).size(), 4u);
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(readBytes(dir / name), bytes) << name;
        EXPECT_FALSE(fs::exists(dir / originalNameOf(name))) << name;
    }
}

// The coarser levels cell by cell, on 8-bit maps small enough to write out: 8 x 8 cells at
// Level0, 4 x 4 at Level1, 2 x 2 at Level2. The game's Level1 keeps two cells against the
// rule, (3, 0) blocked over free cells and (0, 2) free over a blocked one; its Level2 keeps
// (0, 1) free over blocked cells.
TEST(PathmapSave, CoarserLevelsCellByCell) {
    const Rows game0{"........", "........", "....##..", "....##..",
                     "#.......", "........", "......##", "......##"};
    const Rows game1{"...#", "..#.", "....", "...#"};
    const Rows game2{".#", ".#"};
    struct Row {
        const char* what;
        Rows edited0;
        Rows level1;
        Rows level2;
    };
    for (const Row& row : {
             Row{"one cell blocked, one of four freed, all four freed",
                 {"........", ".#......", ".....#..", "....##..", "#.......", "........",
                  "........", "........"},
                 {"#..#", "..#.", "....", "...."},
                 {"##", ".."}},
             Row{"a cell blocked under cells the game keeps free",
                 {"........", "........", "....##..", "....##..", "#.......", ".#......",
                  "......##", "......##"},
                 {"...#", "..#.", "#...", "...#"},
                 {".#", "##"}},
         }) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        writeBytes(dir / "Tank0Level0Map8Bit.raw", eightBitOf(game0));
        writeBytes(dir / "Tank0Level1Map8Bit.raw", eightBitOf(game1));
        writeBytes(dir / "Tank0Level2Map8Bit.raw", eightBitOf(game2));
        const std::string target = (dir / "Tank0Level0Map8Bit.raw").string();
        Grid edited = readPathmap(target);
        const std::vector<std::uint8_t> before = edited.cells;
        edited.cells = parsePathmap(eightBitOf(row.edited0), target).cells;
        saveMapWithLevels(edited, before, target, target);
        EXPECT_EQ(rowsOf(dir / "Tank0Level0Map8Bit.raw"), row.edited0);
        EXPECT_EQ(rowsOf(dir / "Tank0Level1Map8Bit.raw"), row.level1);
        EXPECT_EQ(rowsOf(dir / "Tank0Level2Map8Bit.raw"), row.level2);
    }
}
