#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "pathmaps/grid.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace tess::pathmaps {
namespace {

constexpr std::string_view kRawExtension = ".raw";
// Kept copies of the game's files: "Tank0Level0Map.original.raw".
constexpr std::string_view kOriginalMark = ".original";
constexpr std::size_t kHeaderFields = 8;
constexpr std::size_t kHeaderSize = kHeaderFields * 4;
constexpr std::size_t kMarkerSize = 4;

// Base-2 logarithms above this make an edge beyond kMaxGridEdge anyway; refusing them first
// keeps every shift below well defined.
constexpr std::int32_t kMaxLog = 12;

// The largest file of any kind: an 8-bit map at the largest edge. Region maps at that edge
// take a quarter of it, tiled maps an eighth.
constexpr std::uintmax_t kLargestFile = std::uintmax_t{kMaxGridEdge} * std::uintmax_t{kMaxGridEdge};

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           sameNameIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The file name without its folder and without ".raw" (a kept original's name without
// ".original.raw": it is read as the file it was kept of).
std::string_view stemOf(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    if (endsWithIgnoringCase(fileName, kRawExtension)) {
        fileName.remove_suffix(kRawExtension.size());
        if (endsWithIgnoringCase(fileName, kOriginalMark))
            fileName.remove_suffix(kOriginalMark.size());
    }
    return fileName;
}

std::int32_t readI32(std::string_view bytes, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    const std::uint32_t u = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                            std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    return static_cast<std::int32_t>(u);
}

Error damaged(const std::string& path, const std::string& reason) {
    return Error("Die Pathmap " + path + " ist beschädigt: " + reason);
}

// The edge of a square 8-bit map of that many bytes: a power of two up to kMaxGridEdge.
std::int32_t eightBitEdge(std::size_t size) {
    for (std::int32_t edge = 1; edge <= kMaxGridEdge; edge *= 2)
        if (static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge) == size)
            return edge;
    return 0;
}

Grid parseEightBit(std::string_view bytes, const std::string& path) {
    const std::int32_t edge = eightBitEdge(bytes.size());
    if (edge == 0)
        throw damaged(path, std::to_string(bytes.size()) +
                                " Bytes ergeben kein quadratisches Raster von 1 x 1 bis " +
                                std::to_string(kMaxGridEdge) + " x " +
                                std::to_string(kMaxGridEdge) + " Feldern");
    Grid grid;
    grid.kind = Kind::eightBit;
    grid.width = edge;
    grid.height = edge;
    const int level = levelInName(path);
    grid.cellSize = level >= 0 && level <= kMaxLog ? std::int32_t{1} << level : 1;
    // 0 is passable, 255 blocked; any other value is not known to be passable.
    grid.cells.resize(bytes.size());
    std::transform(bytes.begin(), bytes.end(), grid.cells.begin(),
                   [](char b) { return b == 0 ? kPassable : kBlocked; });
    return grid;
}

// What the header of a tiled map says.
struct TiledLayout {
    std::int32_t tilesX = 0;
    std::int32_t tilesZ = 0;
    std::int32_t tileEdge = 0; // cells along a tile's edge
    std::int32_t bitsPerCell = 0;
    std::int32_t cellSize = 0;
    std::size_t rowBytes = 0; // bytes of one row of a tile
    std::array<std::int32_t, 3> tail{};
};

TiledLayout readLayout(std::string_view bytes, const std::string& path) {
    if (bytes.size() < kHeaderSize)
        throw damaged(path, "sie ist mit " + std::to_string(bytes.size()) +
                                " Bytes kürzer als ihr Kopf von 32 Bytes");
    std::array<std::int32_t, kHeaderFields> h{};
    for (std::size_t i = 0; i < kHeaderFields; ++i)
        h[i] = readI32(bytes, i * 4);
    const auto implausible = [&] {
        std::string fields;
        for (std::size_t i = 0; i < 5; ++i)
            fields += (i ? " " : "") + std::to_string(h[i]);
        return damaged(path, "ihr Kopf (" + fields + ") beschreibt kein Raster bis " +
                                 std::to_string(kMaxGridEdge) + " x " +
                                 std::to_string(kMaxGridEdge) + " Feldern");
    };
    const auto inRange = [](std::int32_t v) { return v >= 0 && v <= kMaxLog; };
    // h0, h1: tiles along X and Z; h2: a tile's edge, h3: a cell's edge, both in level-0
    // cells; h4: bits per cell minus one. h5 to h7 are not known to mean anything.
    if (!inRange(h[0]) || !inRange(h[1]) || !inRange(h[2]) || !inRange(h[3]) || h[3] > h[2] ||
        (h[4] != 0 && h[4] != 1))
        throw implausible();
    const std::int32_t tileLog = h[2] - h[3];
    if (h[0] + tileLog > kMaxLog || h[1] + tileLog > kMaxLog)
        throw implausible();
    TiledLayout layout;
    layout.tilesX = std::int32_t{1} << h[0];
    layout.tilesZ = std::int32_t{1} << h[1];
    layout.tileEdge = std::int32_t{1} << tileLog;
    layout.bitsPerCell = h[4] + 1;
    layout.cellSize = std::int32_t{1} << h[3];
    layout.tail = {h[5], h[6], h[7]};
    // A row of a tile is a whole number of bytes in every file seen; a tile too narrow for
    // that has no known layout.
    const std::int32_t rowBits = layout.tileEdge * layout.bitsPerCell;
    if (rowBits % 8 != 0)
        throw implausible();
    layout.rowBytes = static_cast<std::size_t>(rowBits / 8);
    return layout;
}

// Fills the cells of one tile whose rows follow in the data.
void unpackTile(const unsigned char* data, const TiledLayout& layout, Grid& grid,
                std::size_t firstCell) {
    const auto width = static_cast<std::size_t>(grid.width);
    const auto edge = static_cast<std::size_t>(layout.tileEdge);
    for (std::size_t r = 0; r < edge; ++r) {
        const unsigned char* row = data + r * layout.rowBytes;
        std::uint8_t* out = grid.cells.data() + firstCell + r * width;
        if (layout.bitsPerCell == 1) {
            for (std::size_t x = 0; x < edge; ++x)
                out[x] = static_cast<std::uint8_t>(row[x >> 3] >> (x & 7) & 1);
        } else {
            for (std::size_t x = 0; x < edge; ++x)
                out[x] = static_cast<std::uint8_t>(row[x >> 2] >> ((x & 3) * 2) & 3);
        }
    }
}

void fillTile(std::uint8_t value, const TiledLayout& layout, Grid& grid, std::size_t firstCell) {
    const auto width = static_cast<std::size_t>(grid.width);
    const auto edge = static_cast<std::size_t>(layout.tileEdge);
    for (std::size_t r = 0; r < edge; ++r)
        std::memset(grid.cells.data() + firstCell + r * width, value, edge);
}

Grid parseTiled(std::string_view bytes, const std::string& path) {
    const TiledLayout layout = readLayout(bytes, path);
    Grid grid;
    grid.kind = layout.bitsPerCell == 1 ? Kind::tiled : Kind::regions;
    grid.width = layout.tilesX * layout.tileEdge;
    grid.height = layout.tilesZ * layout.tileEdge;
    grid.cellSize = layout.cellSize;
    grid.tileEdge = layout.tileEdge;
    grid.headerTail = layout.tail;
    const std::uint8_t blockedValue = grid.kind == Kind::regions ? kBlockedRegion : kBlocked;
    const std::size_t tileBytes = layout.rowBytes * static_cast<std::size_t>(layout.tileEdge);
    const std::size_t tiles =
        static_cast<std::size_t>(layout.tilesX) * static_cast<std::size_t>(layout.tilesZ);
    // Even the smallest file of this header (every tile one marker) must fit before the grid
    // is allocated.
    if (bytes.size() - kHeaderSize < tiles * kMarkerSize)
        throw damaged(path, "sie ist mit " + std::to_string(bytes.size()) +
                                " Bytes zu kurz für ihre " + std::to_string(tiles) + " Kacheln");
    grid.cells.assign(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height),
                      kPassable);
    grid.tileMarkers.reserve(tiles);

    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t pos = kHeaderSize;
    for (std::size_t tile = 0; tile < tiles; ++tile) {
        const std::string tileName =
            "Kachel " + std::to_string(tile + 1) + " von " + std::to_string(tiles);
        if (bytes.size() - pos < kMarkerSize)
            throw damaged(path, "sie endet vor " + tileName);
        const std::int32_t marker = readI32(bytes, pos);
        pos += kMarkerSize;
        grid.tileMarkers.push_back(marker);
        const std::size_t tx = tile % static_cast<std::size_t>(layout.tilesX);
        const std::size_t tz = tile / static_cast<std::size_t>(layout.tilesX);
        const auto edge = static_cast<std::size_t>(layout.tileEdge);
        const std::size_t firstCell = tz * edge * static_cast<std::size_t>(grid.width) + tx * edge;
        if (marker == kCellsFollow) {
            if (bytes.size() - pos < tileBytes)
                throw damaged(path, "sie endet mitten in " + tileName);
            unpackTile(data + pos, layout, grid, firstCell);
            pos += tileBytes;
        } else if (marker == kAllBlocked) {
            fillTile(blockedValue, layout, grid, firstCell);
        } else if (marker != kAllPassable) {
            throw damaged(path, tileName + " beginnt mit " + std::to_string(marker) +
                                    " statt mit -1, 0 oder 1");
        }
    }
    if (pos != bytes.size())
        throw damaged(path, "nach der letzten Kachel folgen noch " +
                                std::to_string(bytes.size() - pos) + " Bytes");
    return grid;
}

} // namespace

std::size_t countBlocked(const Grid& grid) {
    const std::uint8_t blockedValue = grid.kind == Kind::regions ? kBlockedRegion : kBlocked;
    return static_cast<std::size_t>(std::count(grid.cells.begin(), grid.cells.end(), blockedValue));
}

bool isEightBitPathmapName(std::string_view fileName) {
    return endsWithIgnoringCase(stemOf(fileName), "8Bit");
}

std::string pathmapClass(std::string_view fileName) {
    std::string_view stem = stemOf(fileName);
    if (endsWithIgnoringCase(stem, "Info"))
        stem.remove_suffix(4);
    std::size_t letters = 0;
    while (letters < stem.size() && isLetter(stem[letters]))
        ++letters;
    // A class name is followed by its map number or by nothing.
    if (letters < stem.size() && !isDigit(stem[letters]))
        return {};
    return std::string(stem.substr(0, letters));
}

int levelInName(std::string_view fileName) {
    const std::string_view stem = stemOf(fileName);
    constexpr std::string_view kLevel = "level";
    for (std::size_t i = 0; i + kLevel.size() < stem.size(); ++i) {
        if (!sameNameIgnoringCase(stem.substr(i, kLevel.size()), kLevel))
            continue;
        std::size_t end = i + kLevel.size();
        int level = 0;
        while (end < stem.size() && isDigit(stem[end]) && level < 100)
            level = level * 10 + (stem[end++] - '0');
        if (end > i + kLevel.size())
            return level;
    }
    return -1;
}

std::string originalNameOf(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : fileName.substr(0, slash + 1);
    return std::string(folder) + std::string(stemOf(fileName)) + std::string(kOriginalMark) +
           std::string(kRawExtension);
}

bool isOriginalName(std::string_view fileName) {
    return endsWithIgnoringCase(fileName, std::string(kOriginalMark) + std::string(kRawExtension));
}

bool isClassFileName(std::string_view fileName) {
    const std::string_view stem = stemOf(fileName);
    if (!endsWithIgnoringCase(fileName, kRawExtension))
        return false;
    std::string lower(stem);
    std::transform(lower.begin(), lower.end(), lower.begin(), asciiLower);
    for (std::string_view name : {"infantry", "tank", "car", "boat", "landingcraft"})
        if (lower == name)
            return true;
    return false;
}

Grid parsePathmap(std::string_view bytes, const std::string& path) {
    if (isClassFileName(path))
        throw Error("Die Datei " + path +
                    " ist eine Klassendatei der Pathmaps und hat keine Felder zum Zeigen");
    return isEightBitPathmapName(path) ? parseEightBit(bytes, path) : parseTiled(bytes, path);
}

Grid readPathmap(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(resolvePath(path), error);
    if (!error && size > kLargestFile)
        throw damaged(path, "sie ist mit " + std::to_string(size) +
                                " Bytes größer als jede Pathmap bis " +
                                std::to_string(kMaxGridEdge) + " x " +
                                std::to_string(kMaxGridEdge) + " Feldern");
    return parsePathmap(readFileBytes(path), path);
}

} // namespace tess::pathmaps
