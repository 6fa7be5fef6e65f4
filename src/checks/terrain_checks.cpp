// The addon's pathmaps against the ground of its level: each class's finest map compared with
// its draft from the terrain (a map drawn by hand or taken from another level, a map made with
// another water level, free ground far outside the combat area), and the spawn points the
// terrain puts in the water or outside the combat area. The terrain comes from a merged map
// archive's own files or from the map's level folder; an addon without it is not judged here.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "pathmaps/draft.h"

#include <map>

namespace tess::checks {

using pathmaps::SpawnPoint;

struct TerrainFacts {
    std::optional<pathmaps::Terrain> terrain;
    // Why the level's terrain could not be read (its heightmap has the wrong size, ...).
    std::string error;
    std::string errorFile;
    std::vector<pathmaps::SearchMapSettings> settings;
    struct Class {
        const SearchMap* map = nullptr;
        const pathmaps::SearchMapSettings* settings = nullptr;
        pathmaps::TerrainComparison comparison;
        std::vector<pathmaps::DraftDoubt> doubts;
    };
    std::vector<Class> classes;
};

namespace {

const std::string kRenewFromTerrain =
    "Ist das nicht gewollt, die Pathmaps vom Spiel neu erzeugen lassen (\"ai.createallmaps\") "
    "und sie noch einmal in das Addon kopieren; \"tessarine-cli terrain\" mit --compare zeigt, "
    "wo die Karte vom Gelände abweicht.";

// The level folder of an addon folder's map: the map level folder when known, else the map's
// own folder beside the addon (bf1942/levels/<map> beside bf1942/levels/<map>_001).
std::string levelFolderOf(const Addon& addon) {
    if (!addon.target().mapLevelDir.empty())
        return addon.target().mapLevelDir;
    std::string folder = addon.target().addonFolder;
    while (!folder.empty() && isPathSeparator(folder.back()))
        folder.pop_back();
    if (folder.empty() || addon.mapName().empty())
        return {};
    return folderPart(folder) + addon.mapName() + nativeSeparator();
}

const SearchMap* searchMapOf(Addon& addon, const std::string& name) {
    for (const SearchMap& map : addon.searchMaps())
        if (map.name == name)
            return &map;
    return nullptr;
}

// The finding for each class whose comparison raised this doubt, on its finest map.
std::vector<Finding> doubtFindings(Addon& addon, pathmaps::DraftDoubt::Kind kind,
                                   const std::string& advice) {
    std::vector<Finding> findings;
    for (const TerrainFacts::Class& c : addon.terrainFacts().classes)
        for (const pathmaps::DraftDoubt& doubt : c.doubts)
            if (doubt.kind == kind) {
                const std::string& file = c.map->maps.front()->path;
                findings.push_back(hint(file, doubt.text, advice, pathmapPlace(file)));
            }
    return findings;
}

} // namespace

std::optional<pathmaps::Terrain> levelTerrain(Addon& addon, std::string* heightmapFile) {
    std::string unused;
    std::string& file = heightmapFile ? *heightmapFile : unused;
    if (addon.isMapArchive()) {
        pathmaps::TerrainFiles files;
        const auto script = addon.bytes("Init/Terrain.con");
        const std::string heightmap = script ? pathmaps::heightmapFileName(*script) : "";
        const AddonFile* found = script ? addon.files().find(heightmap) : nullptr;
        if (found == nullptr)
            return std::nullopt;
        const auto bytes = addon.bytes(heightmap);
        if (!bytes)
            return std::nullopt;
        files.terrainScript = *script;
        files.terrainScriptName = addon.files().shownPath(*addon.files().find("Init/Terrain.con"));
        files.initScript = addon.bytes("Init.con").value_or("");
        files.staticObjects = addon.bytes("StaticObjects.con").value_or("");
        files.heightmap = *bytes;
        files.heightmapName = file = addon.files().shownPath(*found);
        return pathmaps::parseTerrain(files);
    }
    const std::string folder = addon.fromArchive() ? std::string() : levelFolderOf(addon);
    if (folder.empty() || !fileExists(folder + "Init\\Terrain.con"))
        return std::nullopt;
    file = folder + pathmaps::heightmapFileName(readFileBytes(folder + "Init\\Terrain.con"));
    if (!fileExists(file))
        return std::nullopt;
    return pathmaps::readTerrain(folder);
}

const TerrainFacts& Addon::terrainFacts() {
    if (terrain_)
        return *terrain_;
    auto facts = std::make_shared<TerrainFacts>();
    terrain_ = facts;
    try {
        facts->terrain = levelTerrain(*this, &facts->errorFile);
    } catch (const Error& e) {
        facts->error = e.what();
    }
    const auto script = bytes(kPathFindingScript);
    if (!facts->terrain || !script)
        return *facts;
    facts->settings = pathmaps::readSearchMaps(*script);
    const pathmaps::Terrain& terrain = *facts->terrain;
    for (const SearchMap& map : searchMaps()) {
        const pathmaps::Grid* grid = finestGrid(map);
        const pathmaps::SearchMapSettings* settings =
            pathmaps::searchMapNamed(facts->settings, map.name);
        if (grid == nullptr || settings == nullptr || grid->kind == pathmaps::Kind::regions ||
            pathmaps::levelInName(map.maps.front()->path) != 0)
            continue;
        const pathmaps::DraftSize size = pathmaps::draftSizeOf(terrain, grid);
        // A map of another world size is the size check's finding; it has no draft here.
        if (std::int64_t{size.width} * size.cellSize != terrain.worldSize ||
            std::int64_t{size.height} * size.cellSize != terrain.worldSize)
            continue;
        const pathmaps::TerrainComparison comparison =
            pathmaps::compareWithDraft(*grid, pathmaps::judgeTerrain(terrain, *settings, size),
                                       terrain, map.maps.front()->path);
        facts->classes.push_back(
            {&map, settings, comparison, pathmaps::doubtsOf(comparison, *settings, terrain)});
    }
    return *facts;
}

std::vector<Finding> checkTerrainReadable(Addon& addon) {
    const TerrainFacts& facts = addon.terrainFacts();
    if (facts.error.empty())
        return {};
    return {hint(facts.errorFile, withFullStop(facts.error),
                 "Ohne lesbares Gelände vergleicht die Prüfung die Pathmaps nicht mit ihm; die "
                 "Höhenkarte der Karte prüfen.")};
}

std::vector<Finding> checkTerrainDrawn(Addon& addon) {
    return doubtFindings(addon, pathmaps::DraftDoubt::Kind::drawn, kRenewFromTerrain);
}

std::vector<Finding> checkTerrainWater(Addon& addon) {
    return doubtFindings(addon, pathmaps::DraftDoubt::Kind::waterLevel,
                         "Die Pathmaps mit dem jetzigen Wasserstand vom Spiel neu erzeugen lassen "
                         "(\"ai.createallmaps\"), sonst fahren und laufen die Bots ins tiefe "
                         "Wasser.");
}

std::vector<Finding> checkTerrainOutside(Addon& addon) {
    return doubtFindings(addon, pathmaps::DraftDoubt::Kind::outside, kRenewFromTerrain);
}

std::vector<Finding> checkTerrainSpawnPoints(Addon& addon) {
    const TerrainFacts& facts = addon.terrainFacts();
    if (!facts.terrain)
        return {};
    // A slope is estimated, water and the combat area are not: only those two count.
    constexpr std::uint8_t kCounted = pathmaps::kWaterBlocks | pathmaps::kOutsideArea;
    std::vector<Finding> findings;
    const auto found = [&](const SearchMap& map, const std::string& what, const SpawnPoint& p) {
        // On the class's pathmap when it has one, else on the level's picture.
        const bool hasMap = !map.maps.empty();
        findings.push_back(hint(
            std::string(kPathFindingScript),
            what +
                " im Wasser, das die Klasse nicht durchquert, oder außerhalb des "
                "Kampfgebiets, zuerst " +
                worldPoint(p.x, p.z) + ".",
            "Die Spawns in SinglePlayer/SoldierSpawns.con und ObjectSpawns.con auf festes "
            "Gelände im Kampfgebiet setzen und Start noch einmal ausführen: das Spiel sperrt diese "
            "Felder in den Pathmaps.",
            pointPlace(hasMap ? Place::Kind::spawnPoint : Place::Kind::point, map.name, p.x, p.z,
                       hasMap ? map.maps.front()->path : std::string())));
    };
    // The vehicle classes share the object spawn points: a point counts only when the terrain
    // stops every class that lists it. Each point once, with its first class.
    struct ObjectPoint {
        const SearchMap* map = nullptr;
        SpawnPoint point;
        std::size_t listed = 0;
        std::size_t stopped = 0;
    };
    const double cellSize = pathmaps::draftSizeOf(*facts.terrain, nullptr).cellSize;
    std::vector<ObjectPoint> objectPoints;
    std::map<std::pair<double, double>, std::size_t> placeOf;
    std::string vehicles;
    for (const pathmaps::SearchMapSettings& settings : facts.settings) {
        const SearchMap* map = searchMapOf(addon, settings.name);
        if (map == nullptr || !settings.spawnPoints)
            continue;
        const bool objects = pathmaps::takesObjectSpawnPoints(settings.className);
        if (objects)
            vehicles += (vehicles.empty() ? "" : ", ") + map->name;
        std::vector<const SpawnPoint*> stopped;
        for (const SpawnPoint& p : *settings.spawnPoints) {
            const bool stops =
                pathmaps::judgePoint(*facts.terrain, settings, p.x, p.z, cellSize) & kCounted;
            if (!objects) {
                if (stops)
                    stopped.push_back(&p);
                continue;
            }
            const auto [at, added] = placeOf.try_emplace({p.x, p.z}, objectPoints.size());
            if (added)
                objectPoints.push_back({map, p});
            ++objectPoints[at->second].listed;
            objectPoints[at->second].stopped += stops;
        }
        if (!stopped.empty())
            found(*map,
                  std::to_string(stopped.size()) + " von " +
                      std::to_string(settings.spawnPoints->size()) + " Spawnpunkten der Klasse " +
                      map->name + " liegen",
                  *stopped.front());
    }
    std::erase_if(objectPoints, [](const ObjectPoint& o) { return o.stopped < o.listed; });
    if (!objectPoints.empty())
        found(*objectPoints.front().map,
              std::to_string(objectPoints.size()) + " von " + std::to_string(placeOf.size()) +
                  " Objekt-Spawnpunkten liegen für jede Fahrzeugklasse, die sie nennt (" +
                  vehicles + "),",
              objectPoints.front().point);
    return findings;
}

} // namespace tess::checks
