#include "pathmaps/writer.h"

#include "core/error.h"

#include <algorithm>
#include <cstring>

namespace tess::pathmaps {
namespace {

constexpr std::int32_t kMapTileEdge = 64;
constexpr std::int32_t kRegionTileEdge = 32;

void appendI32(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const char bytes[4] = {static_cast<char>(u & 0xff), static_cast<char>(u >> 8 & 0xff),
                           static_cast<char>(u >> 16 & 0xff), static_cast<char>(u >> 24 & 0xff)};
    out.append(bytes, 4);
}

// The base-2 logarithm of a power of two; -1 for anything else.
std::int32_t log2Of(std::int32_t value) {
    if (value <= 0 || (value & (value - 1)) != 0)
        return -1;
    std::int32_t log = 0;
    while ((std::int32_t{1} << log) < value)
        ++log;
    return log;
}

std::int32_t tileEdgeOf(const Grid& grid) {
    if (grid.tileEdge > 0)
        return grid.tileEdge;
    return grid.kind == Kind::regions ? kRegionTileEdge : kMapTileEdge;
}

std::uint8_t blockedValueOf(Kind kind) {
    return kind == Kind::regions ? kBlockedRegion : kBlocked;
}

Error cannotWrite(const Grid& grid, const std::string& why) {
    return Error("Eine Pathmap von " + std::to_string(grid.width) + " x " +
                 std::to_string(grid.height) + " Feldern kann nicht geschrieben werden: " + why);
}

std::string encodeEightBit(const Grid& grid) {
    if (grid.width != grid.height || log2Of(grid.width) < 0)
        throw cannotWrite(grid, "eine 8-Bit-Karte ist quadratisch, ihre Kante eine Zweierpotenz");
    std::string out(grid.cells.size(), '\0');
    std::transform(grid.cells.begin(), grid.cells.end(), out.begin(),
                   [](std::uint8_t cell) { return cell == kPassable ? '\0' : '\xff'; });
    return out;
}

// Packs one row of a tile: cell x at bit x x bitsPerCell of the row, from the least
// significant bit of its first byte.
void packRow(const std::uint8_t* cells, std::int32_t edge, std::int32_t bitsPerCell, char* out) {
    const std::int32_t perByte = 8 / bitsPerCell;
    for (std::int32_t byte = 0; byte < edge / perByte; ++byte) {
        unsigned value = 0;
        const std::uint8_t* group = cells + byte * perByte;
        if (bitsPerCell == 1) {
            for (std::int32_t i = 0; i < 8; ++i)
                value |= unsigned{group[i] != kPassable} << i;
        } else {
            for (std::int32_t i = 0; i < 4; ++i)
                value |= unsigned{group[i] & 3u} << (2 * i);
        }
        out[byte] = static_cast<char>(value);
    }
}

std::string encodeTiled(const Grid& grid, const std::vector<std::int32_t>& markers,
                        std::vector<std::int32_t>* written) {
    const std::int32_t bitsPerCell = grid.kind == Kind::regions ? 2 : 1;
    const std::int32_t edge = tileEdgeOf(grid);
    const std::int32_t edgeLog = log2Of(edge);
    const std::int32_t cellLog = log2Of(grid.cellSize);
    if (edgeLog < 0 || cellLog < 0 || edge * bitsPerCell % 8 != 0 || grid.width % edge != 0 ||
        grid.height % edge != 0)
        throw cannotWrite(grid, "sie besteht nicht aus ganzen Kacheln");
    const std::int32_t tilesX = grid.width / edge;
    const std::int32_t tilesZ = grid.height / edge;
    const std::int32_t tilesXLog = log2Of(tilesX);
    const std::int32_t tilesZLog = log2Of(tilesZ);
    if (tilesXLog < 0 || tilesZLog < 0)
        throw cannotWrite(grid, "die Zahl ihrer Kacheln ist keine Zweierpotenz");

    const auto rowBytes = static_cast<std::size_t>(edge * bitsPerCell / 8);
    const std::size_t tiles = static_cast<std::size_t>(tilesX) * static_cast<std::size_t>(tilesZ);
    std::string out;
    out.reserve(32 + tiles * (4 + rowBytes * static_cast<std::size_t>(edge)));
    for (std::int32_t field : {tilesXLog, tilesZLog, edgeLog + cellLog, cellLog, bitsPerCell - 1})
        appendI32(out, field);
    for (std::int32_t field : grid.headerTail)
        appendI32(out, field);

    if (written != nullptr) {
        written->clear();
        written->reserve(tiles);
    }
    std::vector<char> row(rowBytes);
    for (std::int32_t tz = 0; tz < tilesZ; ++tz)
        for (std::int32_t tx = 0; tx < tilesX; ++tx) {
            const std::int32_t marker = markerOfTile(grid, markers, tx, tz);
            appendI32(out, marker);
            if (written != nullptr)
                written->push_back(marker);
            if (marker != kCellsFollow)
                continue;
            for (std::int32_t r = 0; r < edge; ++r) {
                packRow(grid.cells.data() + grid.index(tx * edge, tz * edge + r), edge, bitsPerCell,
                        row.data());
                out.append(row.data(), rowBytes);
            }
        }
    return out;
}

} // namespace

std::int32_t markerOfTile(const Grid& grid, std::int32_t tileX, std::int32_t tileZ) {
    return markerOfTile(grid, grid.tileMarkers, tileX, tileZ);
}

std::int32_t markerOfTile(const Grid& grid, const std::vector<std::int32_t>& markers,
                          std::int32_t tileX, std::int32_t tileZ) {
    const std::int32_t edge = tileEdgeOf(grid);
    const std::int32_t tilesX = grid.width / edge;
    const std::size_t tile =
        static_cast<std::size_t>(tileZ) * static_cast<std::size_t>(tilesX) + tileX;
    const std::int32_t recorded = tile < markers.size() ? markers[tile] : kNoMarker;
    if (recorded == kCellsFollow)
        return kCellsFollow;
    const std::uint8_t blocked = blockedValueOf(grid.kind);
    bool allPassable = true;
    bool allBlocked = true;
    for (std::int32_t r = 0; r < edge && (allPassable || allBlocked); ++r) {
        const std::uint8_t* cells = grid.cells.data() + grid.index(tileX * edge, tileZ * edge + r);
        for (std::int32_t x = 0; x < edge; ++x) {
            allPassable = allPassable && cells[x] == kPassable;
            allBlocked = allBlocked && cells[x] == blocked;
        }
    }
    if (recorded == kAllPassable && allPassable)
        return kAllPassable;
    if (recorded == kAllBlocked && allBlocked)
        return kAllBlocked;
    return allPassable ? kAllPassable : allBlocked ? kAllBlocked : kCellsFollow;
}

std::string encodePathmap(const Grid& grid) {
    return encodePathmap(grid, grid.tileMarkers, nullptr);
}

std::string encodePathmap(const Grid& grid, const std::vector<std::int32_t>& markers,
                          std::vector<std::int32_t>* written) {
    if (grid.width <= 0 || grid.height <= 0 ||
        grid.cells.size() !=
            static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height))
        throw cannotWrite(grid, "sie hat keine Felder");
    if (grid.kind == Kind::eightBit) {
        if (written != nullptr)
            written->clear();
        return encodeEightBit(grid);
    }
    return encodeTiled(grid, markers, written);
}

std::vector<std::int32_t> markersAfterChange(const Grid& grid,
                                             const std::vector<std::uint8_t>& before) {
    std::vector<std::int32_t> markers = grid.tileMarkers;
    if (grid.kind == Kind::eightBit || markers.empty() || before.size() != grid.cells.size())
        return markers;
    const std::int32_t edge = tileEdgeOf(grid);
    const std::int32_t tilesX = grid.width / edge;
    const std::int32_t tilesZ = grid.height / edge;
    for (std::int32_t tz = 0; tz < tilesZ; ++tz)
        for (std::int32_t tx = 0; tx < tilesX; ++tx) {
            const std::size_t tile = static_cast<std::size_t>(tz) * tilesX + tx;
            if (tile >= markers.size())
                return markers;
            for (std::int32_t r = 0; r < edge; ++r) {
                const std::size_t first = grid.index(tx * edge, tz * edge + r);
                if (std::memcmp(grid.cells.data() + first, before.data() + first,
                                static_cast<std::size_t>(edge)) != 0) {
                    markers[tile] = kNoMarker;
                    break;
                }
            }
        }
    return markers;
}

} // namespace tess::pathmaps
