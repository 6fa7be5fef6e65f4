// The pathmaps the game writes into a level's Pathfinding/ folder, read into one grid: the
// 8-bit maps (one byte per cell, no header), the tiled bit maps (`...Level<L>Map.raw`) and the
// 2-bit region maps (`<Class>Info.raw`).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathmaps {

// The largest grid read: a 4096 level at level 0. Anything larger is a damaged header.
inline constexpr std::int32_t kMaxGridEdge = 4096;

enum class Kind {
    eightBit, // `...Map8Bit.raw`
    tiled,    // `...Level<L>Map.raw`: 1 bit per cell
    regions,  // `<Class>Info.raw`: 2 bits per cell, the passable region of each 64-cell tile
};

// Tile markers of the tiled files: the cells follow, or the whole tile is passable (region 0)
// or blocked. kNoMarker is no marker of the files: a tile whose cells have changed.
inline constexpr std::int32_t kCellsFollow = -1;
inline constexpr std::int32_t kAllPassable = 0;
inline constexpr std::int32_t kAllBlocked = 1;
inline constexpr std::int32_t kNoMarker = 2;

// Cell values of maps (both kinds): passable and blocked. Region maps hold the region number
// (0 to 2) or kBlockedRegion.
inline constexpr std::uint8_t kPassable = 0;
inline constexpr std::uint8_t kBlocked = 1;
inline constexpr std::uint8_t kBlockedRegion = 3;

// One pathmap. The first row is world Z 0 (the bottom of the level's overview picture), the
// first cell of a row world X 0; so a cell at world (x, z) is at (x / cellSize, z / cellSize).
struct Grid {
    Kind kind = Kind::tiled;
    std::int32_t width = 0;    // cells along X
    std::int32_t height = 0;   // cells along Z
    std::int32_t cellSize = 1; // world units (metres) along one cell's edge
    std::vector<std::uint8_t> cells;

    // What a tiled file needs to be written back byte for byte: the cells along a tile's
    // edge, the header's last three fields (not known to mean anything) and the marker each
    // tile had in the file, row by row of tiles. A tile whose marker is kNoMarker, or a grid
    // without markers, gets the one the game would choose for its cells.
    std::int32_t tileEdge = 0;
    std::array<std::int32_t, 3> headerTail{2, 0, -1};
    std::vector<std::int32_t> tileMarkers;

    std::size_t index(std::int32_t x, std::int32_t z) const {
        return static_cast<std::size_t>(z) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
    std::uint8_t at(std::int32_t x, std::int32_t z) const {
        return cells[static_cast<std::size_t>(z) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)];
    }
    bool blocked(std::int32_t x, std::int32_t z) const {
        return kind == Kind::regions ? at(x, z) == kBlockedRegion : at(x, z) != kPassable;
    }
};

// The number of blocked cells.
std::size_t countBlocked(const Grid& grid);

// Names of the game's files ("Tank0Level1Map.raw", "Car4Level2Map8Bit.raw", "TankInfo.raw",
// "Tank.raw"), letter case ignored.
bool isEightBitPathmapName(std::string_view fileName);
// The class a file belongs to: the letters before the search map's number, "Info" or ".raw"
// ("LandingCraft3Level0Map.raw" gives "LandingCraft"). Empty when the name has none.
std::string pathmapClass(std::string_view fileName);
// The level of detail in the name ("Level2" gives 2); -1 when the name has none.
int levelInName(std::string_view fileName);
// The name under which the game's own version of a file is kept when it is first replaced:
// "Tank0Level0Map.raw" gives "Tank0Level0Map.original.raw" (a folder before it is kept).
// Such a name is read as the file it was kept of.
std::string originalNameOf(std::string_view fileName);
bool isOriginalName(std::string_view fileName);
// A class file (`Car.raw`, `Tank.raw`, ...): no cells, nothing to show.
bool isClassFileName(std::string_view fileName);

// Reads a pathmap from its bytes; `path` names the file in messages, and its file name
// decides between an 8-bit map and a tiled one (whose header tells map from region map).
// Damaged data (short, a tile marker other than -1, 0 or 1, bytes left over, an implausible
// header, a grid larger than kMaxGridEdge) throws a tess::Error naming the file. Never reads
// past the end of the bytes.
Grid parsePathmap(std::string_view bytes, const std::string& path);

// Reads the file (a Windows path, resolved as every path is) and parses it. A file too large
// for any pathmap is refused before it is read.
Grid readPathmap(const std::string& path);

} // namespace tess::pathmaps
