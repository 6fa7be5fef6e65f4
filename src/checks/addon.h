// The addon under check and what the checks read of it, each read once, when a check first
// asks: its files, its world size, the search maps of its path-finding script with their
// spawn points and pathmaps, its areas and their links, its control points, and the archive
// the first pack made of it. Nothing here writes a file.
#pragma once

#include "areas/control_points.h"
#include "areas/level_areas.h"
#include "checks/addon_files.h"
#include "checks/area_links.h"
#include "pathmaps/grid.h"
#include "pathmaps/spawns.h"
#include "pathmaps/terrain.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tess::archive {
class ArchiveReader;
}

namespace tess::checks {

// The level's terrain under the addon's pathmaps and each class's comparison with its draft,
// worked out once for the terrain checks (terrain_checks.cpp).
struct TerrainFacts;

// What to check.
struct CheckTarget {
    // An addon folder (a folder text), or an archive: an addon archive or a merged map archive.
    std::string addonFolder;
    std::string archive;
    // The map's name (the level's path in archives is "bf1942/levels/<mapName>"); for a folder
    // taken from its name when empty.
    std::string mapName;
    // The map level folder, when known: its terrain script gives the world size when the
    // addon's ai.con does not.
    std::string mapLevelDir;
    // What the first pack of this addon left (temp\pathf.bf): the archive's target without
    // ".rfa", and the game folder. Empty: the addon has not been packed.
    std::string packTarget;
    std::string gameDir;
    // The map archive this addon's archive was merged into, when the window knows of it.
    std::string mergedArchive;
};

// One "ai.addSearchMap" of the path-finding script, with what belongs to it.
struct SearchMap {
    std::string name;      // "Infantry1"
    std::string className; // "Infantry"
    int number = -1;       // the map number its spawn points are given for
    int line = 0;          // 1-based line of the addSearchMap line
    // The points of its "ai.setMapSpawnPoints" line; nothing when it has none.
    std::optional<std::vector<pathmaps::SpawnPoint>> spawnPoints;
    int spawnLine = 0; // 1-based line of that spawn-point line
    // Its pathmap files in Pathfinding/, finest first (tiled before 8-bit at one level).
    std::vector<const AddonFile*> maps;
};

// What a pathmap file holds, or why it cannot be read.
struct PathmapFacts {
    bool readable = false;
    std::string error; // the reader's message when not readable
    pathmaps::Kind kind = pathmaps::Kind::tiled;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t cellSize = 1;
};

class Addon {
public:
    explicit Addon(CheckTarget target);
    ~Addon();
    Addon(const Addon&) = delete;
    Addon& operator=(const Addon&) = delete;

    const CheckTarget& target() const { return target_; }
    bool fromArchive() const { return !target_.archive.empty(); }
    // An archive that holds a whole level (its init.con): a merged map archive.
    bool isMapArchive() const { return mapArchive_; }
    // The archive cannot be read: its reader's message. Nothing else can be checked then.
    const std::string& archiveError() const { return archiveError_; }
    // The level path of the archive's entries ("bf1942/levels/Kursk"), or of the map.
    const std::string& levelPath() const { return levelPath_; }
    const std::string& mapName() const { return mapName_; }
    // What the user is told was checked.
    std::string shown() const;

    const AddonFiles& files() const { return *files_; }
    // The archive under check; null for a folder or an archive that cannot be read.
    const archive::ArchiveReader* reader() const { return reader_.get(); }
    // A file's bytes; nothing when it is missing or cannot be read.
    std::optional<std::string> bytes(std::string_view path);

    // The 1-based line of "ai.createallmaps" (a whole line, letter case aside) in ai.con; 0
    // when there is none.
    int createAllMapsLine();
    // Pathfinding/ holds pathmaps (*.raw).
    bool hasPathmaps();
    // From ai.con's "aiSettings.setWorldMapSize", else the map's terrain script; nothing when
    // neither tells.
    std::optional<std::int32_t> worldSize();
    const std::vector<SearchMap>& searchMaps();
    const std::vector<areas::LevelArea>& areas();
    const AreaLinks& areaLinks();
    const std::vector<areas::ControlPoint>& controlPoints();
    std::vector<const AddonFile*> pathmapFiles();
    const PathmapFacts& pathmap(const AddonFile& file);
    // The grid of a search map's finest pathmap; null when it has none or it cannot be read.
    const pathmaps::Grid* finestGrid(const SearchMap& map);
    // A map read (again): the coarser levels are kept only while they are compared. What it
    // holds is noted for pathmap() as well.
    std::optional<pathmaps::Grid> readGrid(const AddonFile& file);
    // The terrain of the addon's level (a merged map archive's own files, the map level folder
    // or the map's folder beside the addon) and each class's finest map against its draft.
    const TerrainFacts& terrainFacts();

private:
    CheckTarget target_;
    std::unique_ptr<archive::ArchiveReader> reader_;
    std::unique_ptr<AddonFiles> files_;
    std::string archiveError_;
    std::string levelPath_;
    std::string mapName_;
    bool mapArchive_ = false;

    std::map<std::string, std::optional<std::string>> bytes_;
    std::optional<std::optional<std::int32_t>> worldSize_;
    std::optional<std::vector<SearchMap>> searchMaps_;
    std::optional<std::vector<areas::LevelArea>> areas_;
    std::optional<AreaLinks> links_;
    std::optional<std::vector<areas::ControlPoint>> controlPoints_;
    std::map<const AddonFile*, PathmapFacts> pathmaps_;
    std::map<const AddonFile*, pathmaps::Grid> grids_;
    std::shared_ptr<const TerrainFacts> terrain_;
};

// The terrain of the level the addon belongs to: a merged map archive's own files (also any
// map archive or level folder taken as the addon), else the map level folder of the target,
// else the map's folder beside the addon folder (bf1942/levels/<map> beside <map>_001).
// Nothing when there is none to read: a bare addon archive, a level without its terrain
// script or heightmap. Damaged terrain throws its tess::Error; `heightmapFile` gets the
// heightmap's name as messages give it.
std::optional<pathmaps::Terrain> levelTerrain(Addon& addon, std::string* heightmapFile = nullptr);

// The path-finding script's file and the others the check reads, relative to the addon.
inline constexpr std::string_view kAiScript = "ai.con";
inline constexpr std::string_view kPathFindingScript = "AIPathFinding.con";
inline constexpr std::string_view kAreaScript = "AI/StrategicAreas.con";
inline constexpr std::string_view kPathmapFolder = "Pathfinding";

// A number of world units as messages write it: "1200", "-10", "830.5".
std::string worldNumber(double value);
// "(1200/830)"
std::string worldPoint(double x, double z);

} // namespace tess::checks
