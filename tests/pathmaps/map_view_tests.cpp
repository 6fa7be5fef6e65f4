// Where a pathmap lies on the window's canvas, without a widget: a map of 512 x 256 cells of
// 4 m on a surface of 512 x 512 pixels, fitted, zoomed, panned and centred, and the points,
// cells and world metres under the surface's pixels, all written out.
#include "pathmaps/map_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tess::pathmaps;

namespace {

MapView fittedView() {
    MapView view;
    view.setMap(512, 256, 4);
    view.resize(512, 512);
    view.fit();
    return view;
}

} // namespace

TEST(MapView, ZoomPanAndCentreKeepThePointsTheySay) {
    struct Row {
        const char* step;
        std::function<void(MapView&)> act;
        double zoom;
        double originX;
        double originY;
    };
    // One after the other, on the same view.
    const std::vector<Row> rows{
        {"fitted: the map across, centred downwards", [](MapView&) {}, 1.0, 0, 128},
        {"two notches in at the first cell's corner (0, 384)",
         [](MapView& v) {
             v.zoomAt({0, 384}, 1.25 * 1.25);
         },
         1.5625, 0, -16},
        {"panned by (10, -20)", [](MapView& v) { v.panBy(10, -20); }, 1.5625, 10, -36},
        {"far out: kept at half the fit",
         [](MapView& v) {
             v.zoomAt({10, 364}, 0.01);
         },
         0.5, 10, 236},
        {"centred on cell (100, 50) at 8", [](MapView& v) { v.centreOn(100, 50, 8); }, 8, -544,
         -1392},
        {"centred closer than the closest zoom", [](MapView& v) { v.centreOn(0, 0, 100); }, 32, 256,
         -7936},
        {"the surface grew by 100 x 200: the middle stays", [](MapView& v) { v.resize(612, 712); },
         32, 306, -7836},
        {"fitted again", [](MapView& v) { v.fit(); }, 1.1953125, 0, 203},
    };
    MapView view = fittedView();
    for (const Row& row : rows) {
        row.act(view);
        EXPECT_DOUBLE_EQ(view.zoom(), row.zoom) << row.step;
        EXPECT_DOUBLE_EQ(view.origin().x, row.originX) << row.step;
        EXPECT_DOUBLE_EQ(view.origin().y, row.originY) << row.step;
    }
}

TEST(MapView, SurfacePointsCellsAndWorldPointsAgree) {
    MapView view = fittedView();
    view.zoomAt({0, 384}, 2); // 2 pixels a cell, the first cell's corner still at (0, 384)
    struct Row {
        double x, y;         // the surface point
        std::int32_t cx, cz; // the cell under it
        double wx, wz;       // the world point under it
    };
    const std::vector<Row> rows{
        {0, 384, 0, 0, 0, 0},           {1.5, 383.5, 0, 0, 3, 1},
        {2, 382, 1, 1, 4, 4},           {1023.9, -127.9, 511, 255, 2047.8, 1023.8},
        {-0.5, 384, -1, 0, -1, 0},      {100, 385, 50, -1, 200, -2},
        {256, 128, 128, 128, 512, 512},
    };
    for (const Row& row : rows) {
        const CellPoint cell = view.cellAt({row.x, row.y});
        const WorldPoint world = view.worldOf({row.x, row.y});
        EXPECT_EQ(cell.x, row.cx) << row.x << " " << row.y;
        EXPECT_EQ(cell.z, row.cz) << row.x << " " << row.y;
        EXPECT_NEAR(world.x, row.wx, 1e-9) << row.x << " " << row.y;
        EXPECT_NEAR(world.z, row.wz, 1e-9) << row.x << " " << row.y;
    }
    // Back from cells: the centre of cell (10, 20), and the map's far corner.
    EXPECT_DOUBLE_EQ(view.screenOf(10.5, 20.5).x, 21);
    EXPECT_DOUBLE_EQ(view.screenOf(10.5, 20.5).y, 343);
    EXPECT_DOUBLE_EQ(view.screenOf(512, 256).x, 1024);
    EXPECT_DOUBLE_EQ(view.screenOf(512, 256).y, -128);
    // The cells in view: columns 0 to 255, rows from the top 64 to 255 (the rest is off).
    const CellsInView in = view.cellsIn(0, 0, 512, 512);
    EXPECT_EQ(in.left, 0);
    EXPECT_EQ(in.right, 256);
    EXPECT_EQ(in.top, 64);
    EXPECT_EQ(in.bottom, 256);
}
