// A pathmap as people look at it: drawn over the level's overview picture, blocked cells in
// a translucent colour, the first row at the bottom, and the class's spawn points on it.
#pragma once

#include "areas/overview_picture.h"
#include "pathmaps/grid.h"
#include "pathmaps/grid_edit.h"
#include "pathmaps/spawns.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::pathmaps {

// The picture's longer edge: the grid's own edge, but at least this small (so that a coarse
// map still shows its spawn points apart) and at most this large (so that a 4096 x 4096 map
// stays a picture of a few MiB; a pixel then shows the share of blocked cells under it).
inline constexpr std::int32_t kSmallestPictureEdge = 512;
inline constexpr std::int32_t kLargestPictureEdge = 1024;

// The colours, as red, green, blue and alpha.
struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
};
inline constexpr Colour kNoBackground{128, 128, 128, 255};
inline constexpr Colour kBlockedColour{210, 20, 20, 150};
inline constexpr Colour kRegionColours[3] = {
    {30, 100, 255, 110}, // region 0
    {190, 50, 210, 110}, // region 1
    {0, 190, 190, 110},  // region 2
};
inline constexpr Colour kSpawnColour{0, 230, 60, 255};
inline constexpr Colour kBlockedSpawnColour{255, 220, 0, 255};
inline constexpr Colour kSpawnRing{0, 0, 0, 255};

// The size of the picture of a grid of that size.
struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
PictureSize pictureSizeOf(std::int32_t gridWidth, std::int32_t gridHeight);

// Draws the grid over the overview picture (stretched over the grid; grey where there is
// none), rows from the top as pictures go, so the grid's first row is the picture's last.
// The points of the check are dots, those on blocked cells in the warning colour.
areas::RgbaPicture drawPathmap(const Grid& grid, const areas::RgbaPicture* overview,
                               const SpawnCheck& spawns);

// A clear layer of `width` x `height` pixels; none for a size of nothing.
areas::RgbaPicture clearLayer(std::int32_t width, std::int32_t height);

// The cells of a part of the grid as a layer to lay over the level's picture, `width` x
// `height` pixels, rows from the top: each pixel takes the colours of the cells under it in
// their shares (free cells are clear), with straight alpha.
areas::RgbaPicture drawCellLayer(const Grid& grid, const CellRect& cells, std::int32_t width,
                                 std::int32_t height);
// Draws again the pixels of a layer of the whole grid that lie over the changed cells.
void redrawCellLayer(areas::RgbaPicture& layer, const Grid& grid, const CellRect& changed);

// What the command-line tool prints about a map, and the window may show.
struct PathmapSummary {
    Kind kind = Kind::tiled;
    std::string className; // from the file name; may be empty
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t cellSize = 1;
    std::size_t blockedCells = 0;
    double blockedShare() const {
        const double cells = static_cast<double>(width) * static_cast<double>(height);
        return cells > 0 ? static_cast<double>(blockedCells) / cells : 0.0;
    }
};

// Everything the window shows for one selected pathmap.
struct PathmapView {
    areas::RgbaPicture picture;
    PathmapSummary summary;
    // The addon's path-finding script was found and names points for the map's class; only
    // then do the counts and the line mean anything.
    bool hasSpawnPoints = false;
    std::size_t spawnPoints = 0;
    std::size_t blockedSpawnPoints = 0;
    std::string spawnLine; // "3 von 67 Spawnpunkten liegen auf gesperrten Feldern"
    std::string tip;
    // Where it came from, for the editor: the file and the two folders as given.
    std::string file;
    std::string mapLevelDir;
    std::string addonDir;
};

// Reads the pathmap file, the overview picture `Textures\ingamemap.dds` of the map level
// folder and the spawn points of `AIPathFinding.con` in the addon folder (either folder text
// may be empty: no picture, no points), and draws them. A damaged pathmap throws its
// tess::Error; a missing picture or script is no error.
PathmapView viewPathmap(const std::string& pathmapFile, const std::string& mapLevelDir,
                        const std::string& addonDir);

} // namespace tess::pathmaps
