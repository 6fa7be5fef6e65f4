#include "pathmaps/draft.h"

#include "core/error.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <optional>

namespace tess::pathmaps {
namespace {

// The largest finest map the game writes when there is none to take the size from.
constexpr std::int32_t kLargestDraftEdge = 2048;
constexpr std::int32_t kDraftTileEdge = 64;
constexpr double kRadians = std::numbers::pi / 180.0;
// A spawn point on a blocked cell starts from the nearest free cell this close.
constexpr double kSpawnReach = 4;
// Marks a free cell reached by a flood fill; never left in the verdicts.
constexpr std::uint8_t kReached = 0x80;

// The thresholds of doubtsOf (see draft.h for the figures they come from).
constexpr double kDrawnBelow = 0.60;
// The least agreement on the dry ground of a game-made map of the test data's levels.
constexpr double kGameMadeDryAtLeast = 0.79;
constexpr double kWaterFreeAbove = 0.25;
constexpr double kOutsideFreeAbove = 0.01;
// A share is judged only over at least this share of the cells it is taken of.
constexpr double kFewestJudged = 0.01;

// Where a world X falls in a row of the heightmap: its two samples (clamped to the heightmap)
// and the weight of the second, as Terrain::heightAt interpolates. The same for every row, so
// worked out once per column.
struct Between {
    std::size_t first = 0;
    std::size_t second = 0;
    double weight = 0;
};

Between betweenOf(const Terrain& terrain, double x) {
    const double fx = x / terrain.spacing();
    const double ix = std::floor(fx);
    const std::int32_t last = terrain.samples - 1;
    const auto i = static_cast<std::int32_t>(std::clamp(ix, -1.0, double(last + 1)));
    return {static_cast<std::size_t>(std::clamp(i, 0, last)),
            static_cast<std::size_t>(std::clamp(i + 1, 0, last)), fx - ix};
}

// The ground along one world Z: the heightmap interpolated between its two rows there.
class GroundRow {
public:
    void set(const Terrain& terrain, double z) {
        const double fz = z / terrain.spacing();
        const double iz = std::floor(fz);
        const double tz = fz - iz;
        const auto j = static_cast<std::int32_t>(std::clamp(iz, -1.0, double(terrain.samples)));
        values_.resize(static_cast<std::size_t>(terrain.samples));
        for (std::int32_t i = 0; i < terrain.samples; ++i)
            values_[static_cast<std::size_t>(i)] =
                terrain.sampleHeight(i, j) * (1 - tz) + terrain.sampleHeight(i, j + 1) * tz;
    }

    double at(const Between& x) const {
        return values_[x.first] * (1 - x.weight) + values_[x.second] * x.weight;
    }

private:
    std::vector<double> values_;
};

// The slope is measured over the unit's size, but never over less than half a metre.
double slopeBase(const SearchMapSettings& map) {
    return std::max(map.size, 0.5);
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

// The free cell nearest to a point's cell within kSpawnReach, ring by ring; nothing when
// the point lies off the grid or no free cell is that close.
std::optional<Cell> startCell(const std::vector<std::uint8_t>& flags, const DraftSize& size,
                              const SpawnPoint& point) {
    const double cx = std::floor(point.x / size.cellSize);
    const double cz = std::floor(point.z / size.cellSize);
    if (cx < 0 || cz < 0 || cx >= size.width || cz >= size.height)
        return std::nullopt;
    const auto x0 = static_cast<std::int32_t>(cx);
    const auto z0 = static_cast<std::int32_t>(cz);
    const auto isFree = [&](std::int32_t x, std::int32_t z) {
        return x >= 0 && z >= 0 && x < size.width && z < size.height &&
               flags[static_cast<std::size_t>(z) * static_cast<std::size_t>(size.width) +
                     static_cast<std::size_t>(x)] == 0;
    };
    const auto reach = static_cast<std::int32_t>(std::ceil(kSpawnReach / size.cellSize));
    for (std::int32_t ring = 0; ring <= reach; ++ring) {
        std::optional<Cell> best;
        double bestDistance = 0;
        for (std::int32_t dz = -ring; dz <= ring; ++dz)
            for (std::int32_t dx = -ring; dx <= ring; ++dx) {
                if (std::max(std::abs(dx), std::abs(dz)) != ring || !isFree(x0 + dx, z0 + dz))
                    continue;
                const double distance = double(dx) * dx + double(dz) * dz;
                if (!best || distance < bestDistance) {
                    best = Cell{x0 + dx, z0 + dz};
                    bestDistance = distance;
                }
            }
        if (best)
            return best;
    }
    return std::nullopt;
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

void stampStaticObjects(const Terrain& terrain, TerrainVerdicts& verdicts) {
    const DraftSize& size = verdicts.size;
    const double reach = kObjectReach / size.cellSize;
    const auto cells = static_cast<std::int32_t>(std::floor(reach));
    for (const SpawnPoint& object : terrain.staticObjects) {
        const double cx = std::floor(object.x / size.cellSize);
        const double cz = std::floor(object.z / size.cellSize);
        if (cx < -cells || cz < -cells || cx >= size.width + cells || cz >= size.height + cells)
            continue;
        for (std::int32_t dz = -cells; dz <= cells; ++dz)
            for (std::int32_t dx = -cells; dx <= cells; ++dx) {
                const auto x = static_cast<std::int32_t>(cx) + dx;
                const auto z = static_cast<std::int32_t>(cz) + dz;
                if (double(dx) * dx + double(dz) * dz > reach * reach || x < 0 || z < 0 ||
                    x >= size.width || z >= size.height)
                    continue;
                verdicts.flags[static_cast<std::size_t>(z) * static_cast<std::size_t>(size.width) +
                               static_cast<std::size_t>(x)] |= kStaticObject;
            }
    }
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

std::uint8_t judgePoint(const Terrain& terrain, const SearchMapSettings& map, double x, double z) {
    std::uint8_t flags = 0;
    if (!terrain.combatArea.contains(x, z))
        flags |= kOutsideArea;
    if (waterBlocks(map, terrain, terrain.heightAt(x, z)))
        flags |= kWaterBlocks;
    // A boat floats: the ground's slope under the water is nothing to it.
    if (!map.waterClass && terrain.slopeAt(x, z, slopeBase(map)) > map.maxSlope)
        flags |= kTooSteep;
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
    const double base = slopeBase(map);
    const double half = base / 2;
    // Steeper than the maximum: the squared rise per metre above the squared tangent.
    const double steepRise = map.maxSlope >= 90
                                 ? std::numeric_limits<double>::infinity()
                                 : std::pow(std::tan(std::max(map.maxSlope, 0.0) * kRadians), 2);
    std::vector<Between> centre(width);
    std::vector<Between> left(width);
    std::vector<Between> right(width);
    std::vector<bool> columnInside(width);
    for (std::size_t x = 0; x < width; ++x) {
        const double wx = (static_cast<double>(x) + 0.5) * cell;
        centre[x] = betweenOf(terrain, wx);
        left[x] = betweenOf(terrain, wx - half);
        right[x] = betweenOf(terrain, wx + half);
        columnInside[x] =
            wx >= terrain.combatArea.x && wx < terrain.combatArea.x + terrain.combatArea.width;
    }
    GroundRow below;
    GroundRow middle;
    GroundRow above;
    for (std::int32_t z = 0; z < size.height; ++z) {
        const double wz = (z + 0.5) * cell;
        middle.set(terrain, wz);
        if (!map.waterClass) {
            below.set(terrain, wz - half);
            above.set(terrain, wz + half);
        }
        std::uint8_t* row = verdicts.flags.data() + static_cast<std::size_t>(z) * width;
        const bool rowInside =
            wz >= terrain.combatArea.z && wz < terrain.combatArea.z + terrain.combatArea.height;
        for (std::size_t x = 0; x < width; ++x) {
            std::uint8_t flags = rowInside && columnInside[x] ? 0 : kOutsideArea;
            if (waterBlocks(map, terrain, middle.at(centre[x])))
                flags |= kWaterBlocks;
            if (!map.waterClass) {
                const double gx = (middle.at(right[x]) - middle.at(left[x])) / base;
                const double gz = (above.at(centre[x]) - below.at(centre[x])) / base;
                if (gx * gx + gz * gz > steepRise)
                    flags |= kTooSteep;
            }
            row[x] = flags;
        }
    }

    stampStaticObjects(terrain, verdicts);
    std::vector<Cell> stack;
    if (map.spawnPoints)
        for (const SpawnPoint& point : *map.spawnPoints)
            if (const auto start = startCell(verdicts.flags, size, point))
                stack.push_back(*start);
    verdicts.fromSpawnPoints = !stack.empty();
    if (verdicts.fromSpawnPoints)
        fill(verdicts.flags, size, stack);
    else
        keepLargestRegion(verdicts.flags, size, stack);
    for (std::uint8_t& flag : verdicts.flags)
        flag = flag == kReached ? 0 : flag == 0 ? kUnreachable : flag;
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
        const double wz = (z + 0.5) * size.cellSize;
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
                    distanceOutside(terrain.combatArea, (x + 0.5) * size.cellSize, wz) >
                        kFarOutside) {
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
