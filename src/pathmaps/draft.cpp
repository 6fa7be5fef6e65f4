#include "pathmaps/draft.h"

#include "core/error.h"
#include "core/letter_case.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>
#include <numeric>
#include <optional>

namespace tess::pathmaps {
namespace {

// The largest finest map the game writes when there is none to take the size from.
constexpr std::int32_t kLargestDraftEdge = 2048;
constexpr std::int32_t kDraftTileEdge = 64;
constexpr double kRadians = std::numbers::pi / 180.0;
// The way from a spawn point starts from every free cell this close to it.
constexpr double kSpawnReach = 4;
// Barbed wire blocks along this length, a disc of kObjectReach every kWireStep metres.
constexpr double kWireLength = 9.5;
constexpr double kWireStep = 0.5;
// Marks a free cell reached by a flood fill; never left in the verdicts.
constexpr std::uint8_t kReached = 0x80;

// The thresholds of doubtsOf (see draft.h for the figures they come from).
constexpr double kDrawnBelow = 0.55;
// The least agreement on the dry ground of a game-made map of the test data's levels.
constexpr double kGameMadeDryAtLeast = 0.64;
constexpr double kWaterFreeAbove = 0.25;
constexpr double kOutsideFreeAbove = 0.01;
// A share is judged only over at least this share of the cells it is taken of.
constexpr double kFewestJudged = 0.01;

// The squared rise over one cell of `cell` metres above which the ground is too steep for the
// class: the tangent of its maximum slope over the cell, squared.
double steepRise(const SearchMapSettings& map, double cell) {
    if (map.maxSlope >= 90)
        return std::numeric_limits<double>::infinity();
    const double rise = cell * std::tan(std::max(map.maxSlope, 0.0) * kRadians);
    return rise * rise;
}

bool waterBlocks(const SearchMapSettings& map, const Terrain& terrain, double height) {
    const double floor = terrain.waterLevel - map.waterDepth;
    return map.waterClass ? height > floor : height < floor;
}

struct Cell {
    std::int32_t x = 0;
    std::int32_t z = 0;
};

// Marks with kReached every free cell 4-connected to the cells on the stack, a row's run at a
// time (a scanline fill: its stack holds runs, not cells). Returns how many it marked.
std::size_t fill(std::vector<std::uint8_t>& flags, const DraftSize& size,
                 std::vector<Cell>& stack) {
    const auto width = static_cast<std::size_t>(size.width);
    std::size_t marked = 0;
    while (!stack.empty()) {
        const Cell seed = stack.back();
        stack.pop_back();
        std::uint8_t* row = flags.data() + static_cast<std::size_t>(seed.z) * width;
        if (row[seed.x] != 0)
            continue;
        std::int32_t first = seed.x;
        std::int32_t last = seed.x;
        while (first > 0 && row[first - 1] == 0)
            --first;
        while (last + 1 < size.width && row[last + 1] == 0)
            ++last;
        std::fill(row + first, row + last + 1, kReached);
        marked += static_cast<std::size_t>(last - first + 1);
        for (const std::int32_t z : {seed.z - 1, seed.z + 1}) {
            if (z < 0 || z >= size.height)
                continue;
            const std::uint8_t* next = flags.data() + static_cast<std::size_t>(z) * width;
            for (std::int32_t x = first; x <= last; ++x)
                if (next[x] == 0 && (x == first || next[x - 1] != 0))
                    stack.push_back({x, z});
        }
    }
    return marked;
}

// Puts every free cell within kSpawnReach of a point's cell on the stack: a point in a pocket
// of one free cell must not stand for the whole map. Nothing when the point lies off the grid.
void pushStartCells(const std::vector<std::uint8_t>& flags, const DraftSize& size,
                    const SpawnPoint& point, std::vector<Cell>& stack) {
    const double cx = std::floor(point.x / size.cellSize);
    const double cz = std::floor(point.z / size.cellSize);
    if (cx < 0 || cz < 0 || cx >= size.width || cz >= size.height)
        return;
    const auto x0 = static_cast<std::int32_t>(cx);
    const auto z0 = static_cast<std::int32_t>(cz);
    const double reach = kSpawnReach / size.cellSize;
    const auto cells = static_cast<std::int32_t>(std::floor(reach));
    for (std::int32_t dz = -cells; dz <= cells; ++dz)
        for (std::int32_t dx = -cells; dx <= cells; ++dx) {
            const std::int32_t x = x0 + dx;
            const std::int32_t z = z0 + dz;
            if (double(dx) * dx + double(dz) * dz <= reach * reach && x >= 0 && z >= 0 &&
                x < size.width && z < size.height &&
                flags[static_cast<std::size_t>(z) * static_cast<std::size_t>(size.width) +
                      static_cast<std::size_t>(x)] == 0)
                stack.push_back({x, z});
        }
}

// Fills from the first cell of the largest free region, found by filling each region once.
void keepLargestRegion(std::vector<std::uint8_t>& flags, const DraftSize& size,
                       std::vector<Cell>& stack) {
    std::optional<Cell> largest;
    std::size_t most = 0;
    for (std::int32_t z = 0; z < size.height; ++z)
        for (std::int32_t x = 0; x < size.width; ++x) {
            if (flags[static_cast<std::size_t>(z) * static_cast<std::size_t>(size.width) +
                      static_cast<std::size_t>(x)] != 0)
                continue;
            stack.push_back({x, z});
            const std::size_t cells = fill(flags, size, stack);
            if (cells > most) {
                most = cells;
                largest = Cell{x, z};
            }
        }
    for (std::uint8_t& flag : flags)
        if (flag == kReached)
            flag = 0;
    if (largest) {
        stack.push_back(*largest);
        fill(flags, size, stack);
    }
}

// Blocks the cells within `reach` metres of the cell that world point (x, z) falls in.
void stampDisc(TerrainVerdicts& verdicts, double x, double z, double reach) {
    const DraftSize& size = verdicts.size;
    const double cells = reach / size.cellSize;
    const auto edge = static_cast<std::int32_t>(std::floor(cells));
    const double cx = std::floor(x / size.cellSize);
    const double cz = std::floor(z / size.cellSize);
    if (cx < -edge || cz < -edge || cx >= size.width + edge || cz >= size.height + edge)
        return;
    for (std::int32_t dz = -edge; dz <= edge; ++dz)
        for (std::int32_t dx = -edge; dx <= edge; ++dx) {
            const auto cellX = static_cast<std::int32_t>(cx) + dx;
            const auto cellZ = static_cast<std::int32_t>(cz) + dz;
            if (double(dx) * dx + double(dz) * dz > cells * cells || cellX < 0 || cellZ < 0 ||
                cellX >= size.width || cellZ >= size.height)
                continue;
            verdicts.flags[static_cast<std::size_t>(cellZ) * static_cast<std::size_t>(size.width) +
                           static_cast<std::size_t>(cellX)] |= kStaticObject;
        }
}

bool isBarbedWire(const StaticObject& object) {
    static const std::string key = caseFoldedKey("barbwire");
    return caseFoldedKey(object.name).find(key) != std::string::npos;
}

// Every object blocks the ground around its place; barbed wire only for classes that consider
// the AI types, and then along its length, across the way it faces.
void stampStaticObjects(const Terrain& terrain, const SearchMapSettings& map,
                        TerrainVerdicts& verdicts) {
    for (const StaticObject& object : terrain.staticObjects) {
        if (!isBarbedWire(object)) {
            stampDisc(verdicts, object.x, object.z, kObjectReach);
            continue;
        }
        if (!map.considerAITypes)
            continue;
        const double angle = (90 - object.yaw) * kRadians;
        const auto steps = static_cast<int>(std::lround(kWireLength / kWireStep));
        for (int step = 0; step <= steps; ++step) {
            const double along = step * kWireStep - kWireLength / 2;
            stampDisc(verdicts, object.x + along * std::cos(angle),
                      object.z + along * std::sin(angle), kObjectReach);
        }
    }
}

// The rows of a disc of `radius` cells: how far each row reaches to either side of the
// centre, the centre row first.
std::vector<std::int32_t> discRows(double radius) {
    std::vector<std::int32_t> rows;
    for (std::int32_t dz = 0; double(dz) * dz <= radius * radius; ++dz) {
        auto reach =
            static_cast<std::int32_t>(std::floor(std::sqrt(radius * radius - double(dz) * dz)));
        while (double(reach + 1) * (reach + 1) + double(dz) * dz <= radius * radius)
            ++reach;
        while (reach > 0 && double(reach) * reach + double(dz) * dz > radius * radius)
            --reach;
        rows.push_back(reach);
    }
    return rows;
}

// ORs `reasons` into the cells of a disc (its rows as discRows gives them) around cell (x, z).
void stampDisc(std::vector<std::uint8_t>& grown, const DraftSize& size,
               const std::vector<std::int32_t>& rows, std::int32_t x, std::int32_t z,
               std::uint8_t reasons) {
    const auto reach = static_cast<std::int32_t>(rows.size()) - 1;
    for (std::int32_t dz = -reach; dz <= reach; ++dz) {
        const std::int32_t row = z + dz;
        if (row < 0 || row >= size.height)
            continue;
        const std::int32_t side = rows[static_cast<std::size_t>(std::abs(dz))];
        std::uint8_t* into =
            grown.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(size.width);
        for (std::int32_t cell = std::max(x - side, 0); cell <= std::min(x + side, size.width - 1);
             ++cell)
            into[cell] |= reasons;
    }
}

// The game keeps a unit's size clear of anything that blocks it: every cell within the class's
// size of water, steep ground or an object takes on that reason too. A disc only from the
// cells at the edge of what blocks (those with a neighbour that lacks one of their reasons)
// reaches all the cells that the discs of all would, and into a second grid, so that what
// grows does not grow again.
void growBySize(const SearchMapSettings& map, TerrainVerdicts& verdicts) {
    const DraftSize& size = verdicts.size;
    const double radius = map.size / size.cellSize;
    if (radius < 1)
        return;
    std::vector<std::uint8_t>& flags = verdicts.flags;
    // A size beyond the grid's diagonal reaches every cell from every cell: each reason found
    // anywhere blocks the whole grid.
    if (radius * radius >= double(size.width) * size.width + double(size.height) * size.height) {
        const auto all = std::accumulate(
            flags.begin(), flags.end(), std::uint8_t{0},
            [](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a | b); });
        for (std::uint8_t& cell : flags)
            cell |= all;
        return;
    }
    const std::vector<std::int32_t> rows = discRows(radius);
    const auto width = static_cast<std::size_t>(size.width);
    std::vector<std::uint8_t> grown(flags.size(), 0);
    // Beyond the grid nothing lacks a reason.
    const std::vector<std::uint8_t> beyond(width, 0xff);
    for (std::int32_t z = 0; z < size.height; ++z) {
        const std::uint8_t* cells = flags.data() + static_cast<std::size_t>(z) * width;
        const std::uint8_t* below = z > 0 ? cells - width : beyond.data();
        const std::uint8_t* above = z + 1 < size.height ? cells + width : beyond.data();
        // The reasons of a cell that one of its neighbours lacks.
        const auto lacking = [&](std::int32_t x) {
            const std::uint8_t left = x > 0 ? cells[x - 1] : 0xff;
            const std::uint8_t right = x + 1 < size.width ? cells[x + 1] : 0xff;
            return cells[x] & ~(left & right & below[x] & above[x]);
        };
        // The same for eight cells at once, with their neighbours inside the row: mostly none,
        // inside a sea as on free land.
        const auto lackingInEight = [&](std::int32_t x) {
            const auto word = [](const std::uint8_t* at) {
                std::uint64_t value = 0;
                std::memcpy(&value, at, sizeof value);
                return value;
            };
            return word(cells + x) &
                   ~(word(cells + x - 1) & word(cells + x + 1) & word(below + x) & word(above + x));
        };
        for (std::int32_t x = 0; x < size.width;) {
            const bool eight = x > 0 && x + 9 <= size.width;
            if (eight && lackingInEight(x) == 0) {
                x += 8;
                continue;
            }
            for (const std::int32_t end = eight ? x + 8 : x + 1; x < end; ++x)
                if (lacking(x) != 0)
                    stampDisc(grown, size, rows, x, z, cells[x]);
        }
    }
    std::uint8_t* cells = flags.data();
    const std::uint8_t* reasons = grown.data();
    const std::size_t count = flags.size();
    for (std::size_t at = 0; at < count; ++at)
        cells[at] |= reasons[at];
}

double distanceOutside(const WorldRect& area, double x, double z) {
    const double dx = std::max({area.x - x, 0.0, x - (area.x + area.width)});
    const double dz = std::max({area.z - z, 0.0, z - (area.z + area.height)});
    return std::sqrt(dx * dx + dz * dz);
}

std::string metres(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::round(value * 10) / 10);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result + " m";
}

} // namespace

std::uint8_t judgePoint(const Terrain& terrain, const SearchMapSettings& map, double x, double z,
                        double cellSize) {
    std::uint8_t flags = 0;
    if (!terrain.combatArea.contains(x, z))
        flags |= kOutsideArea;
    if (waterBlocks(map, terrain, terrain.heightAt(x, z)))
        flags |= kWaterBlocks;
    // A boat floats: the ground's slope under the water is nothing to it.
    if (!map.waterClass) {
        const Terrain::Rise rise = terrain.riseAt(x, z, cellSize);
        if (rise.x * rise.x + rise.z * rise.z > steepRise(map, cellSize))
            flags |= kTooSteep;
    }
    return flags;
}

DraftSize draftSizeOf(const Terrain& terrain, const Grid* existing) {
    if (existing != nullptr)
        return {existing->width, existing->height, existing->cellSize};
    const std::int32_t edge = std::min(terrain.worldSize, kLargestDraftEdge);
    return {edge, edge, terrain.worldSize / edge};
}

TerrainVerdicts judgeTerrain(const Terrain& terrain, const SearchMapSettings& map, DraftSize size) {
    TerrainVerdicts verdicts;
    verdicts.size = size;
    const auto width = static_cast<std::size_t>(size.width);
    verdicts.flags.assign(width * static_cast<std::size_t>(size.height), 0);
    const double cell = size.cellSize;
    const double steep = steepRise(map, cell);
    // The ground at the corners of this row of cells and of the next one.
    const CornerHeights corners(terrain, cell, width);
    std::vector<double> row;
    std::vector<double> next;
    corners.row(0, row);
    for (std::int32_t z = 0; z < size.height; ++z) {
        corners.row(std::min(z + 1, size.height - 1), next);
        std::uint8_t* flags = verdicts.flags.data() + static_cast<std::size_t>(z) * width;
        for (std::size_t x = 0; x < width; ++x) {
            if (waterBlocks(map, terrain, row[x]))
                flags[x] |= kWaterBlocks;
            // A boat floats: the ground's slope under the water is nothing to it.
            const double riseX = row[std::min(x + 1, width - 1)] - row[x];
            const double riseZ = next[x] - row[x];
            if (!map.waterClass && riseX * riseX + riseZ * riseZ > steep)
                flags[x] |= kTooSteep;
        }
        row.swap(next);
    }
    stampStaticObjects(terrain, map, verdicts);
    if (!map.waterClass)
        growBySize(map, verdicts);

    // The way from the spawn points goes where the ground lets the class, in the combat area
    // or not; what lies outside it is blocked afterwards.
    std::vector<Cell> stack;
    if (map.spawnPoints)
        for (const SpawnPoint& point : *map.spawnPoints)
            pushStartCells(verdicts.flags, size, point, stack);
    verdicts.fromSpawnPoints = !stack.empty();
    if (verdicts.fromSpawnPoints)
        fill(verdicts.flags, size, stack);
    else
        keepLargestRegion(verdicts.flags, size, stack);
    const WorldRect& area = terrain.combatArea;
    std::vector<std::uint8_t> columnOutside(width);
    for (std::size_t x = 0; x < width; ++x) {
        const double wx = static_cast<double>(x) * cell;
        columnOutside[x] = wx >= area.x && wx < area.x + area.width ? 0 : kOutsideArea;
    }
    for (std::int32_t z = 0; z < size.height; ++z) {
        const std::uint8_t rowOutside =
            z * cell >= area.z && z * cell < area.z + area.height ? 0 : kOutsideArea;
        std::uint8_t* flags = verdicts.flags.data() + static_cast<std::size_t>(z) * width;
        for (std::size_t x = 0; x < width; ++x)
            flags[x] = static_cast<std::uint8_t>((flags[x] == kReached ? 0
                                                  : flags[x] == 0      ? kUnreachable
                                                                       : flags[x]) |
                                                 rowOutside | columnOutside[x]);
    }
    return verdicts;
}

Grid draftMap(const TerrainVerdicts& verdicts) {
    Grid grid;
    grid.kind = Kind::tiled;
    grid.width = verdicts.size.width;
    grid.height = verdicts.size.height;
    grid.cellSize = verdicts.size.cellSize;
    grid.tileEdge = kDraftTileEdge;
    grid.cells.resize(verdicts.flags.size());
    std::transform(verdicts.flags.begin(), verdicts.flags.end(), grid.cells.begin(),
                   [](std::uint8_t flags) { return flags != 0 ? kBlocked : kPassable; });
    return grid;
}

std::string differenceName(Difference kind) {
    switch (kind) {
    case Difference::water:
        return "Wasser";
    case Difference::steep:
        return "zu steil";
    case Difference::outside:
        return "außerhalb des Kampfgebiets";
    case Difference::unreachable:
        return "nicht erreichbar";
    case Difference::object:
        return "Objekt";
    case Difference::other:
        return "anderes";
    }
    return {};
}

TerrainComparison compareWithDraft(const Grid& map, const TerrainVerdicts& verdicts,
                                   const Terrain& terrain, const std::string& mapName) {
    const DraftSize& size = verdicts.size;
    if (map.width != size.width || map.height != size.height || map.cellSize != size.cellSize)
        throw Error("Die Pathmap " + mapName + " hat " + std::to_string(map.width) + " x " +
                    std::to_string(map.height) + " Felder zu " + std::to_string(map.cellSize) +
                    " m, ihr Entwurf " + std::to_string(size.width) + " x " +
                    std::to_string(size.height) + " Felder zu " + std::to_string(size.cellSize) +
                    " m: sie gehört zu einer anderen Weltgröße");
    TerrainComparison result;
    result.cells = verdicts.flags.size();
    for (std::int32_t z = 0; z < size.height; ++z) {
        const double wz = static_cast<double>(z) * size.cellSize;
        for (std::int32_t x = 0; x < size.width; ++x) {
            const std::uint8_t flags = verdicts.at(x, z);
            const bool mapBlocked = map.blocked(x, z);
            const bool draftBlocked = flags != 0;
            const bool agree = mapBlocked == draftBlocked;
            result.agreeing += agree;
            if (!agree) {
                const Difference kind = !draftBlocked           ? Difference::other
                                        : flags & kOutsideArea  ? Difference::outside
                                        : flags & kWaterBlocks  ? Difference::water
                                        : flags & kTooSteep     ? Difference::steep
                                        : flags & kStaticObject ? Difference::object
                                                                : Difference::unreachable;
                ++result.differing[static_cast<std::size_t>(kind)];
            }
            if (flags & kOutsideArea) {
                if (terrain.hasCombatArea &&
                    distanceOutside(terrain.combatArea, static_cast<double>(x) * size.cellSize,
                                    wz) > kFarOutside) {
                    ++result.farOutsideCells;
                    result.farOutsideFree += !mapBlocked;
                }
                continue;
            }
            ++result.areaCells;
            result.areaAgreeing += agree;
            if (flags & kWaterBlocks) {
                ++result.waterCells;
                result.waterFree += !mapBlocked;
            } else {
                ++result.dryCells;
                result.dryAgreeing += agree;
            }
        }
    }
    return result;
}

std::vector<DraftDoubt> doubtsOf(const TerrainComparison& comparison, const SearchMapSettings& map,
                                 const Terrain& terrain) {
    std::vector<DraftDoubt> doubts;
    const auto judged = [&](std::size_t cells, std::size_t of) {
        return cells > 0 && static_cast<double>(cells) >= kFewestJudged * static_cast<double>(of);
    };
    const double dry = shareOf(comparison.dryAgreeing, comparison.dryCells);
    if (judged(comparison.dryCells, comparison.areaCells) && dry < kDrawnBelow)
        doubts.push_back(
            {DraftDoubt::Kind::drawn,
             "Die Karte stimmt auf dem Gelände, das das Wasser der Klasse " + map.name +
                 " lässt, nur zu " + percentText(dry) + " mit ihrem Entwurf aus dem Gelände " +
                 "überein (vom Spiel erzeugte Karten: " + percentText(kGameMadeDryAtLeast) +
                 " und mehr): von Hand gezeichnet oder aus einer anderen Karte?"});
    const double water = shareOf(comparison.waterFree, comparison.waterCells);
    if (!map.waterClass && judged(comparison.waterCells, comparison.areaCells) &&
        water > kWaterFreeAbove)
        doubts.push_back({DraftDoubt::Kind::waterLevel,
                          "Die Karte lässt " + percentText(water) +
                              " des Wassers frei, das tiefer als " + metres(map.waterDepth) +
                              " unter dem Wasserstand von " + metres(terrain.waterLevel) +
                              " liegt, obwohl die Klasse " + map.name +
                              " dort nicht fahren oder gehen kann: mit einem anderen " +
                              "Wasserstand erzeugt?"});
    const double outside = shareOf(comparison.farOutsideFree, comparison.farOutsideCells);
    if (comparison.farOutsideCells > 0 && outside > kOutsideFreeAbove)
        doubts.push_back({DraftDoubt::Kind::outside,
                          "Die Karte lässt " + percentText(outside) + " des Geländes frei, " +
                              "das mehr als " + metres(kFarOutside) +
                              " außerhalb des Kampfgebiets liegt: dorthin fahren und laufen die " +
                              "Bots aus dem Kampfgebiet hinaus."});
    return doubts;
}

std::string percentText(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100.0);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

double shareOf(std::size_t part, std::size_t whole) {
    return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

} // namespace tess::pathmaps
