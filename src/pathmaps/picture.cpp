#include "pathmaps/picture.h"

#include "core/files.h"
#include "core/paths.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tess::pathmaps {
namespace {

// Cell values run from 0 to 3 in every kind of grid.
constexpr std::size_t kValues = 4;

std::array<Colour, kValues> paletteOf(Kind kind) {
    if (kind == Kind::regions)
        return {kRegionColours[0], kRegionColours[1], kRegionColours[2], kBlockedColour};
    return {Colour{}, kBlockedColour, kBlockedColour, kBlockedColour};
}

// The cells [begin, end) under each pixel of a picture line of `pixels` over `cells` cells.
// Every pixel covers at least one cell, also when the picture is larger than the grid.
struct Span {
    std::int32_t begin = 0;
    std::int32_t end = 0;
};

Span spanOf(std::int64_t pixel, std::int64_t pixels, std::int64_t cells) {
    const auto begin = static_cast<std::int32_t>(pixel * cells / pixels);
    const auto end = static_cast<std::int32_t>((pixel + 1) * cells / pixels);
    return {begin, std::max(end, begin + 1)};
}

// The overview picture stretched over the whole picture (nearest pixel), or grey.
void drawBackground(areas::RgbaPicture& out, const areas::RgbaPicture* overview) {
    const auto width = static_cast<std::size_t>(out.width);
    const auto height = static_cast<std::size_t>(out.height);
    if (overview == nullptr || overview->width <= 0 || overview->height <= 0 ||
        overview->rgba.size() < static_cast<std::size_t>(overview->width) *
                                    static_cast<std::size_t>(overview->height) * 4) {
        for (std::size_t i = 0; i < width * height; ++i) {
            std::uint8_t* p = out.rgba.data() + i * 4;
            p[0] = kNoBackground.r;
            p[1] = kNoBackground.g;
            p[2] = kNoBackground.b;
            p[3] = 255;
        }
        return;
    }
    const auto sourceWidth = static_cast<std::size_t>(overview->width);
    const auto sourceHeight = static_cast<std::size_t>(overview->height);
    std::vector<std::size_t> sourceColumn(width);
    for (std::size_t x = 0; x < width; ++x)
        sourceColumn[x] = x * sourceWidth / width;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* sourceRow =
            overview->rgba.data() + (y * sourceHeight / height) * sourceWidth * 4;
        std::uint8_t* row = out.rgba.data() + y * width * 4;
        for (std::size_t x = 0; x < width; ++x) {
            std::copy_n(sourceRow + sourceColumn[x] * 4, 3, row + x * 4);
            row[x * 4 + 3] = 255;
        }
    }
}

// The colours of the cells under one pixel in their shares, each weighted by its opacity:
// premultiplied red, green and blue, and the opacity of the mix.
struct Mix {
    double alpha = 0;
    double r = 0;
    double g = 0;
    double b = 0;
};

// Inline: it runs once a pixel, and out of line it costs the drawing half its speed.
inline Mix mixOf(const std::uint32_t* count, const std::array<Colour, kValues>& palette) {
    const double total = count[0] + count[1] + count[2] + count[3];
    Mix mix;
    for (std::size_t v = 0; v < kValues; ++v) {
        const double weight = count[v] * (palette[v].a / 255.0) / total;
        mix.alpha += weight;
        mix.r += weight * palette[v].r;
        mix.g += weight * palette[v].g;
        mix.b += weight * palette[v].b;
    }
    return mix;
}

// Lays the cells over the background: each pixel takes the colours of the cells under it in
// their shares, so a one-cell path through blocked land stays visible in a shrunk picture.
void drawCells(areas::RgbaPicture& out, const Grid& grid) {
    const std::array<Colour, kValues> palette = paletteOf(grid.kind);
    const auto width = static_cast<std::size_t>(out.width);
    std::vector<Span> columns(width);
    for (std::size_t x = 0; x < width; ++x)
        columns[x] = spanOf(static_cast<std::int64_t>(x), out.width, grid.width);
    std::vector<std::uint32_t> counts(width * kValues);
    const auto gridWidth = static_cast<std::size_t>(grid.width);

    for (std::int32_t y = 0; y < out.height; ++y) {
        // Picture rows run from the top, grid rows from world Z 0 at the bottom.
        const Span rows = spanOf(out.height - 1 - y, out.height, grid.height);
        std::fill(counts.begin(), counts.end(), 0u);
        for (std::int32_t z = rows.begin; z < rows.end; ++z) {
            const std::uint8_t* cells = grid.cells.data() + static_cast<std::size_t>(z) * gridWidth;
            for (std::size_t x = 0; x < width; ++x) {
                std::uint32_t* count = counts.data() + x * kValues;
                for (std::int32_t c = columns[x].begin; c < columns[x].end; ++c)
                    ++count[cells[c] & 3];
            }
        }
        std::uint8_t* row = out.rgba.data() + static_cast<std::size_t>(y) * width * 4;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t* count = counts.data() + x * kValues;
            const Mix mix = mixOf(count, palette);
            std::uint8_t* p = row + x * 4;
            p[0] = static_cast<std::uint8_t>(std::lround(p[0] * (1 - mix.alpha) + mix.r));
            p[1] = static_cast<std::uint8_t>(std::lround(p[1] * (1 - mix.alpha) + mix.g));
            p[2] = static_cast<std::uint8_t>(std::lround(p[2] * (1 - mix.alpha) + mix.b));
        }
    }
}

void setPixel(areas::RgbaPicture& out, std::int32_t x, std::int32_t y, Colour colour) {
    if (x < 0 || y < 0 || x >= out.width || y >= out.height)
        return;
    std::uint8_t* p = out.rgba.data() + (static_cast<std::size_t>(y) * out.width + x) * 4;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = 255;
}

// A round dot with a dark ring, centred on the point's place in the picture.
void drawDot(areas::RgbaPicture& out, const Grid& grid, const SpawnPoint& point, Colour colour) {
    const double worldWidth = static_cast<double>(grid.width) * grid.cellSize;
    const double worldHeight = static_cast<double>(grid.height) * grid.cellSize;
    const double cx = point.x / worldWidth * out.width;
    const double cy = (1.0 - point.z / worldHeight) * out.height;
    const double radius = std::max(3.0, std::max(out.width, out.height) / 200.0);
    const double ring = radius + 1.5;
    // Far outside the picture nothing is drawn; this also keeps the loop bounds small.
    if (!(cx > -ring && cy > -ring && cx < out.width + ring && cy < out.height + ring))
        return;
    const auto left = static_cast<std::int32_t>(std::floor(cx - ring));
    const auto top = static_cast<std::int32_t>(std::floor(cy - ring));
    const auto right = static_cast<std::int32_t>(std::ceil(cx + ring));
    const auto bottom = static_cast<std::int32_t>(std::ceil(cy + ring));
    for (std::int32_t y = top; y <= bottom; ++y)
        for (std::int32_t x = left; x <= right; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d <= radius)
                setPixel(out, x, y, colour);
            else if (d <= ring)
                setPixel(out, x, y, kSpawnRing);
        }
}

// Fills the pixels [left, right) x [top, bottom) of a layer that shows the cells.
void fillLayer(areas::RgbaPicture& out, const Grid& grid, const CellRect& cells, std::int32_t left,
               std::int32_t top, std::int32_t right, std::int32_t bottom) {
    const std::array<Colour, kValues> palette = paletteOf(grid.kind);
    std::vector<Span> columns(static_cast<std::size_t>(std::max(0, right - left)));
    for (std::int32_t x = left; x < right; ++x) {
        const Span span = spanOf(x, out.width, cells.width);
        columns[static_cast<std::size_t>(x - left)] = {cells.x + span.begin, cells.x + span.end};
    }
    std::array<std::uint32_t, kValues> count{};
    for (std::int32_t y = top; y < bottom; ++y) {
        // Pixel rows run from the top, grid rows from world Z 0 at the bottom.
        const Span fromTop = spanOf(y, out.height, cells.height);
        const std::int32_t lowest = cells.z + cells.height - fromTop.end;
        const std::int32_t highest = cells.z + cells.height - fromTop.begin;
        std::uint8_t* row = out.rgba.data() + static_cast<std::size_t>(y) * out.width * 4;
        for (std::int32_t x = left; x < right; ++x) {
            const Span& span = columns[static_cast<std::size_t>(x - left)];
            std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
            if (highest - lowest == 1 && span.end - span.begin == 1) {
                const Colour& c = palette[grid.at(span.begin, lowest) & 3];
                p[0] = c.r;
                p[1] = c.g;
                p[2] = c.b;
                p[3] = c.a;
                continue;
            }
            count.fill(0);
            for (std::int32_t z = lowest; z < highest; ++z) {
                const std::uint8_t* cellsOfRow = grid.cells.data() + grid.index(0, z);
                for (std::int32_t c = span.begin; c < span.end; ++c)
                    ++count[cellsOfRow[c] & 3];
            }
            const Mix mix = mixOf(count.data(), palette);
            const double straight = mix.alpha > 0 ? 1 / mix.alpha : 0;
            p[0] = static_cast<std::uint8_t>(std::lround(std::min(255.0, mix.r * straight)));
            p[1] = static_cast<std::uint8_t>(std::lround(std::min(255.0, mix.g * straight)));
            p[2] = static_cast<std::uint8_t>(std::lround(std::min(255.0, mix.b * straight)));
            p[3] = static_cast<std::uint8_t>(std::lround(mix.alpha * 255));
        }
    }
}

} // namespace

areas::RgbaPicture clearLayer(std::int32_t width, std::int32_t height) {
    areas::RgbaPicture out;
    if (width <= 0 || height <= 0)
        return out;
    out.width = width;
    out.height = height;
    out.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    return out;
}

areas::RgbaPicture drawCellLayer(const Grid& grid, const CellRect& cells, std::int32_t width,
                                 std::int32_t height) {
    areas::RgbaPicture out = clearLayer(width, height);
    if (out.rgba.empty() || !cells.liesOn(grid.width, grid.height))
        return out;
    fillLayer(out, grid, cells, 0, 0, width, height);
    return out;
}

void redrawCellLayer(areas::RgbaPicture& layer, const Grid& grid, const CellRect& changed) {
    if (changed.empty() || grid.width <= 0 || grid.height <= 0 || layer.width <= 0 ||
        layer.height <= 0)
        return;
    const std::int64_t w = layer.width;
    const std::int64_t h = layer.height;
    // The pixels whose cells reach into the changed ones, and one more on each side.
    const auto clampTo = [](std::int64_t v, std::int64_t edge) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, edge));
    };
    const std::int32_t left = clampTo(std::int64_t{changed.x} * w / grid.width - 1, w);
    const std::int32_t right =
        clampTo((std::int64_t{changed.x} + changed.width) * w / grid.width + 2, w);
    const std::int64_t fromTop = std::int64_t{grid.height} - changed.z - changed.height;
    const std::int32_t top = clampTo(fromTop * h / grid.height - 1, h);
    const std::int32_t bottom = clampTo((fromTop + changed.height) * h / grid.height + 2, h);
    fillLayer(layer, grid, {0, 0, grid.width, grid.height}, left, top, right, bottom);
}

PictureSize pictureSizeOf(std::int32_t gridWidth, std::int32_t gridHeight) {
    const std::int64_t longer = std::max<std::int64_t>(1, std::max(gridWidth, gridHeight));
    const std::int64_t edge =
        std::clamp<std::int64_t>(longer, kSmallestPictureEdge, kLargestPictureEdge);
    return {static_cast<std::int32_t>(std::max<std::int64_t>(1, gridWidth * edge / longer)),
            static_cast<std::int32_t>(std::max<std::int64_t>(1, gridHeight * edge / longer))};
}

areas::RgbaPicture drawPathmap(const Grid& grid, const areas::RgbaPicture* overview,
                               const SpawnCheck& spawns) {
    const PictureSize size = pictureSizeOf(grid.width, grid.height);
    areas::RgbaPicture out;
    out.width = size.width;
    out.height = size.height;
    out.rgba.resize(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) *
                    4);
    drawBackground(out, overview);
    if (grid.width > 0 && grid.height > 0 &&
        grid.cells.size() ==
            static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height))
        drawCells(out, grid);
    if (grid.width > 0 && grid.height > 0 && grid.cellSize > 0) {
        // Warnings last, so that none hides under a point that is fine.
        for (const SpawnPoint& point : spawns.passable)
            drawDot(out, grid, point, kSpawnColour);
        for (const SpawnPoint& point : spawns.blocked)
            drawDot(out, grid, point, kBlockedSpawnColour);
    }
    return out;
}

PathmapView viewPathmap(const std::string& pathmapFile, const std::string& mapLevelDir,
                        const std::string& addonDir) {
    PathmapView view;
    SpawnCheck check;
    {
        const Grid grid = readPathmap(pathmapFile);
        view.summary.kind = grid.kind;
        view.summary.className = pathmapClass(fileNamePart(pathmapFile));
        view.summary.width = grid.width;
        view.summary.height = grid.height;
        view.summary.cellSize = grid.cellSize;
        view.summary.blockedCells = countBlocked(grid);

        const int searchMap = searchMapOfClass(view.summary.className);
        const std::string script = addonDir + "AIPathFinding.con";
        if (!addonDir.empty() && searchMap >= 0 && fileExists(script)) {
            if (const auto points = spawnPointsOfSearchMap(readFileBytes(script), searchMap)) {
                check = checkSpawnPoints(grid, *points);
                view.hasSpawnPoints = true;
                view.spawnPoints = check.total();
                view.blockedSpawnPoints = check.blocked.size();
                view.spawnLine = blockedSpawnLine(check);
            }
        }
        const auto overview = areas::loadOverviewPicture(mapLevelDir);
        view.picture = drawPathmap(grid, overview ? &*overview : nullptr, check);
    }
    view.tip = pictureTip(view.summary.kind, view.summary.className);
    view.file = pathmapFile;
    view.mapLevelDir = mapLevelDir;
    view.addonDir = addonDir;
    return view;
}

} // namespace tess::pathmaps
