// The level's ground under its pathmaps: the heightmap, the world's size, the height scale, the
// water level and the combat area, and the search maps of the path-finding script (what each
// class may cross, and where it starts). Widget-free; what lies in an archive is read above
// and handed in as bytes.
#pragma once

#include "pathmaps/spawns.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathmaps {

// A rectangle of the world in metres: x along a row, z from the first row.
struct WorldRect {
    double x = 0;
    double z = 0;
    double width = 0;
    double height = 0;
    bool contains(double px, double pz) const {
        return px >= x && px < x + width && pz >= z && pz < z + height;
    }
};

// The level's files the terrain is read from, as bytes; the names are for messages.
struct TerrainFiles {
    std::string terrainScript; // Init/Terrain.con
    std::string terrainScriptName;
    std::string initScript; // Init.con; empty when the level has none
    std::string heightmap;
    std::string heightmapName;
    std::string staticObjects; // StaticObjects.con; empty when the level has none
};

// One object of StaticObjects.con: its template, its place and which way it faces.
struct StaticObject {
    std::string name; // the template of "Object.create" ("stebarbwire_m1")
    double x = 0;
    double z = 0;
    double yaw = 0; // degrees, the first value of "Object.rotation"
};

// The height field of a level. Sample (i, j) lies at world (i, j) x spacing(): row j is world
// Z, as in the pathmaps. Between samples the ground is two triangles a square, split along the
// diagonal from sample (i, j) to (i + 1, j + 1), as the game builds its ground; beyond the last
// sample it keeps the edge's height.
struct Terrain {
    std::int32_t worldSize = 0;
    double yScale = 1;
    double waterLevel = 0;
    std::int32_t samples = 0; // along each edge of the heightmap
    std::vector<std::uint16_t> heights;
    // The level's active combat area; the whole world when Init.con sets none.
    WorldRect combatArea;
    bool hasCombatArea = false;
    std::string heightmapName;
    // The level's static objects: their places are known, their footprints are not.
    std::vector<StaticObject> staticObjects;

    double spacing() const { return static_cast<double>(worldSize) / samples; }
    // The height in metres of sample (i, j), clamped to the heightmap.
    double sampleHeight(std::int32_t i, std::int32_t j) const;
    // The ground's height in metres at a world point.
    double heightAt(double x, double z) const;
    // How the ground rises from a world point to the point `step` metres further along X and
    // along Z, in metres: what the game judges a pathmap's cell of that size by, at the cell's
    // corner. The last corner before the world's edge has no further one (it rises 0 there).
    struct Rise {
        double x = 0;
        double z = 0;
    };
    Rise riseAt(double x, double z, double step) const;
    // The ground's slope in degrees at a world point, from riseAt.
    double slopeAt(double x, double z, double step) const;
};

// heightAt of the corners of a grid's cells (x, z) x step, a row at a time, with where each
// column falls among the heightmap's samples worked out once.
class CornerHeights {
public:
    CornerHeights(const Terrain& terrain, double step, std::size_t columns);
    // The heights of the corners of row `row`, one for each column.
    void row(std::int32_t row, std::vector<double>& heights) const;

private:
    const Terrain& terrain_;
    double step_;
    // Per column: its two samples along X, clamped, and the place between them.
    std::vector<std::size_t> first_;
    std::vector<std::size_t> second_;
    std::vector<double> along_;
};

// The heightmap's file name in the level folder: the last part of "GeometryTemplate.file"
// with ".raw" ("bf1942\levels\Corsica\Heightmap" gives "Heightmap.raw"), or "Heightmap.raw".
std::string heightmapFileName(std::string_view terrainScript);

// Reads the terrain from the files' bytes. A heightmap that is no square of 16-bit samples
// (2 x n x n bytes, n a power of two from 16 to 4096), or a world size that is no power of two
// from 64 to 65536, throws a tess::Error naming the file. Commands in any letter case;
// "rem" lines and "beginrem" blocks are comments, as the game reads them.
Terrain parseTerrain(const TerrainFiles& files);

// Reads the terrain from a level folder (a folder text): Init/Terrain.con, Init.con, the
// heightmap and StaticObjects.con, in any letter case. A missing terrain script or heightmap throws
// the file error.
Terrain readTerrain(const std::string& levelFolder);

// One "ai.addSearchMap" of a path-finding script: a class of units and the ground it crosses.
struct SearchMapSettings {
    std::string name;      // "Tank0"
    std::string className; // "Tank"
    int number = -1;       // the number its spawn points are given for
    bool waterClass = false;
    double waterDepth =
        0; // metres: the deepest water a land class wades, the shallowest a boat floats in
    double maxSlope = 90; // degrees
    double size = 1;      // the unit's size in metres ("brush"): the game keeps it that far
                          // from anything that blocks
    double lowClip = 0;   // the two clip levels, read as they stand
    double hiClip = 0;
    // Whether obstacles made for the AI types count ("considerAITypes"): barbed wire stops
    // infantry (1) but not the vehicles (0) in the game's maps.
    bool considerAITypes = false;
    // The points of its "ai.setMapSpawnPoints" line; nothing when it has none.
    std::optional<std::vector<SpawnPoint>> spawnPoints;
};

// The search maps of a path-finding script (its bytes). A map's spawn points are those given
// for the number in its name when the script has such a line (Tessarine writes "Car4" with
// "4"), else for its place among the search maps (older levels give "Car4" as map "2").
std::vector<SearchMapSettings> readSearchMaps(std::string_view scriptBytes);

// The search map a pathmap file belongs to, by its class ("Infantry0Level0Map.raw" finds
// "Infantry1"), letter case aside; or by its full name when the class is there twice.
const SearchMapSettings* searchMapOfFile(const std::vector<SearchMapSettings>& maps,
                                         std::string_view fileName);

// The search map of that name or class ("Tank0", "tank"); null when there is none.
const SearchMapSettings* searchMapNamed(const std::vector<SearchMapSettings>& maps,
                                        std::string_view name);

} // namespace tess::pathmaps
