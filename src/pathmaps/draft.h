// What the ground says of a class's finest pathmap: per cell, whether the class's water, a slope
// too steep for it, the edge of the combat area, a static object or the lack of a way from its
// spawn points blocks it; the map drafted from that, and a game's map compared with the draft.
// The draft is for seeing and repairing: it never replaces the game's maps. Widget-free.
//
// The rules follow the game's own Level0 maps of three levels. A cell is judged at its corner:
// the ground's height there (the heightmap's squares as two triangles), its rise to the next
// corner along X and along Z against the class's maximum slope. A land class keeps its size
// ("brush") clear of water, steep ground and objects, and the way from its spawn points goes
// where the ground lets it, inside the combat area or not; outside it everything is blocked.
// On a level generated with its present settings (LD_Omaha_Day1) the draft agrees on 98.6 to
// 98.7 % of all cells and 94.5 to 97.3 % of the combat area; what remains are the footprints of
// buildings, walls and obstacles (not in the level's files) and the free edge along the combat
// area, which the game's maps end up to 67 m outside or 26 m inside it (Omaha's infantry map
// was cut back by hand there). A static object blocks the ground within a metre of its place:
// wider discs made the draft worse on Corsica, whose trees the game leaves free, narrower ones
// gained less on LD_Omaha_Day1. Barbed wire stops only the classes that consider the AI types
// (infantry); tanks and cars cross it.
#pragma once

#include "pathmaps/grid.h"
#include "pathmaps/terrain.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess::pathmaps {

// Why the terrain blocks a cell for a class; a cell may carry several.
// Water, steep ground and objects block a land class within its size too.
inline constexpr std::uint8_t kWaterBlocks = 1;   // a land class: deeper than its water depth;
                                                  // a water class: shallower than its depth
inline constexpr std::uint8_t kTooSteep = 2;      // steeper than the class's maximum slope
inline constexpr std::uint8_t kOutsideArea = 4;   // outside the combat area
inline constexpr std::uint8_t kUnreachable = 8;   // free, but no way from the class's start
inline constexpr std::uint8_t kStaticObject = 16; // within kObjectReach of a static object

// How far from its place a static object blocks the ground, in metres.
inline constexpr double kObjectReach = 1;

// The ground's verdict at a world point for the class, judged as the corner of a cell of
// `cellSize` metres: kWaterBlocks, kTooSteep and kOutsideArea (0: the ground lets the class
// stand there). The class's size, static objects and the way from the spawn points depend on
// the grid around it: judgeTerrain gives them.
std::uint8_t judgePoint(const Terrain& terrain, const SearchMapSettings& map, double x, double z,
                        double cellSize);

// A grid's size over the world.
struct DraftSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t cellSize = 1;
};

// The size the game writes a class's finest map in: that of `existing` when there is one
// (the class's Level0 map), else one cell per metre up to 2048 cells along each edge.
DraftSize draftSizeOf(const Terrain& terrain, const Grid* existing);

// The verdict of every cell of a grid for one class, rows from world Z 0 as in the pathmaps.
struct TerrainVerdicts {
    DraftSize size;
    std::vector<std::uint8_t> flags;
    // The cells kept were reached from the class's spawn points; false: the level gives none
    // that the ground lets the class stand on, and the largest free region was kept, as the
    // game does without spawn points.
    bool fromSpawnPoints = false;
    std::uint8_t at(std::int32_t x, std::int32_t z) const {
        return flags[static_cast<std::size_t>(z) * static_cast<std::size_t>(size.width) +
                     static_cast<std::size_t>(x)];
    }
};

// Judges every cell at its corner as judgePoint does, blocks the cells of static objects (those
// whose corner lies within kObjectReach of the object's cell's corner), grows for a land class
// what blocks by its size (every cell within it takes on the reasons), then keeps free only
// what is reachable (4-connected, through the combat area or not) from the free cells within a
// few metres of the class's spawn points, or the largest free region when none starts
// anywhere, and blocks what lies outside the combat area. Linear in the cells (the growth in
// the cells at the edge of what blocks, times the cells of the class's size).
TerrainVerdicts judgeTerrain(const Terrain& terrain, const SearchMapSettings& map, DraftSize size);

// The class's finest map as the game's tiled format holds it: blocked wherever the terrain
// gives any reason.
Grid draftMap(const TerrainVerdicts& verdicts);

// The kinds of cells in which a map and its draft differ: a cell the draft blocks counts by
// its first reason (outside, water, steep, object, unreachable); a cell the draft leaves free
// but the map blocks is "other" (buildings, walls, obstacles, a hand's stroke).
enum class Difference { water, steep, outside, unreachable, object, other };
inline constexpr std::size_t kDifferenceKinds = 6;
// "Wasser", "zu steil", "außerhalb des Kampfgebiets", "nicht erreichbar", "Objekt", "anderes"
std::string differenceName(Difference kind);

// How a map agrees with its draft, cell by cell.
struct TerrainComparison {
    std::size_t cells = 0;
    std::size_t agreeing = 0;
    // Inside the combat area (the whole world when the level sets none).
    std::size_t areaCells = 0;
    std::size_t areaAgreeing = 0;
    std::array<std::size_t, kDifferenceKinds> differing{};
    // Inside the combat area: the ground the class's water leaves to it, and how much of it
    // agrees; the cells its water blocks, and how many of those the map leaves free.
    std::size_t dryCells = 0;
    std::size_t dryAgreeing = 0;
    std::size_t waterCells = 0;
    std::size_t waterFree = 0;
    // Farther than kFarOutside from the combat area, and free in the map.
    std::size_t farOutsideCells = 0;
    std::size_t farOutsideFree = 0;
};

// Beyond this many metres outside the combat area a game's map frees nothing (the game's own
// maps of LD_Omaha_Day1 free ground up to 67 m outside it).
inline constexpr double kFarOutside = 100;

// Compares a map (any kind but region maps) with the verdicts of a grid of its size. A map of
// another size throws a tess::Error naming `mapName`.
TerrainComparison compareWithDraft(const Grid& map, const TerrainVerdicts& verdicts,
                                   const Terrain& terrain, const std::string& mapName);

// Where a map's draft cannot be trusted, and why; each with one German sentence.
struct DraftDoubt {
    enum class Kind { drawn, waterLevel, outside };
    Kind kind = Kind::drawn;
    std::string text;
};

// The doubts a comparison raises, from the figures of the test data's levels (agreement on the
// dry ground of the combat area, share of the class's water the map leaves free):
// - a map that agrees on less than 55 % of the dry ground is drawn by hand or comes from
//   another level: the game's own maps agree on 64 % and more (LD_Omaha_Day1's on 90 % and
//   more; Corsica's, made with other settings, on 64 to 95 %), Bastogne's hand-drawn ones on
//   46 % and less; the threshold lies halfway;
// - a land class's map that leaves more than 25 % of its water free (LD_Omaha_Day1: 0.1 % and
//   less; Corsica: 99.3 % and more) was made with another water level;
// - a map that frees more than 1 % of the ground farther than kFarOutside from the combat area.
std::vector<DraftDoubt> doubtsOf(const TerrainComparison& comparison, const SearchMapSettings& map,
                                 const Terrain& terrain);

// "21,8 %", as German writes a share.
std::string percentText(double share);

// The share of `part` in `whole`; 0 for nothing.
double shareOf(std::size_t part, std::size_t whole);

} // namespace tess::pathmaps
