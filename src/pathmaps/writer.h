// The game's pathmap files written back from a grid: the 8-bit maps (0 passable, 255 blocked)
// and the tiled maps in the layout the game reads (the header, then the tiles row by row with
// their markers). An unchanged grid gives its file back byte for byte.
#pragma once

#include "pathmaps/grid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tess::pathmaps {

// The marker a tile gets in a tiled file: the one it had in the file as long as that still
// describes its cells (-1 describes any), else 0 when every cell is passable (region 0), 1
// when every cell is blocked, and -1 otherwise, as the game writes them.
std::int32_t markerOfTile(const Grid& grid, std::int32_t tileX, std::int32_t tileZ);

std::int32_t markerOfTile(const Grid& grid, const std::vector<std::int32_t>& markers,
                          std::int32_t tileX, std::int32_t tileZ);

// The bytes of the file. A grid whose size does not fit its kind (not square for an 8-bit
// map, not whole tiles for a tiled one) throws a tess::Error.
std::string encodePathmap(const Grid& grid);
// The same with other tile markers than the grid's own; `written` gets the markers the
// tiles got.
std::string encodePathmap(const Grid& grid, const std::vector<std::int32_t>& markers,
                          std::vector<std::int32_t>* written);

// The grid's tile markers, kNoMarker for every tile whose cells differ from `before` (the
// cells as the file had them), so that the writer chooses those afresh.
std::vector<std::int32_t> markersAfterChange(const Grid& grid,
                                             const std::vector<std::uint8_t>& before);

} // namespace tess::pathmaps
