// The addon's pathmaps: that each can be read, that its size fits the world, that the spawn
// points of its class lie on passable cells, and that the coarser levels of a class agree
// with its finest one.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "core/error.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace tess::checks {
namespace {

// Blocked spawn points listed one by one, per class; the rest are counted in one finding.
constexpr std::size_t kListedSpawnPoints = 20;

// A coarser level may differ from its finest one where the game drew it differently; more
// than this share of its cells points to a retouched or stale map.
constexpr double kLevelDisagreement = 0.03;

const std::string kRenew = "Das Spiel die Pathmaps neu erzeugen lassen (\"ai.createallmaps\") "
                           "und sie noch einmal in das Addon kopieren.";

bool isInfantry(const SearchMap& map) {
    return sameNameIgnoringCase(map.className, "Infantry");
}

// "7,0 %", as German writes it.
std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100.0);
    std::string result = text;
    for (char& c : result)
        if (c == '.')
            c = ',';
    return result;
}

// The share of the coarse map's cells that contradict the fine one: blocked where every finer
// cell is passable, or passable where every finer cell is blocked. Nothing when the two do not
// cover the same ground in whole cells.
std::optional<double> disagreement(const pathmaps::Grid& fine, const pathmaps::Grid& coarse) {
    if (coarse.cellSize < fine.cellSize || coarse.cellSize % fine.cellSize != 0)
        return std::nullopt;
    const std::int32_t k = coarse.cellSize / fine.cellSize;
    if (std::int64_t{coarse.width} * k != fine.width ||
        std::int64_t{coarse.height} * k != fine.height || coarse.width == 0 || coarse.height == 0)
        return std::nullopt;
    std::vector<std::int32_t> blockedInRow(static_cast<std::size_t>(coarse.width));
    std::size_t contrary = 0;
    for (std::int32_t z = 0; z < coarse.height; ++z) {
        std::fill(blockedInRow.begin(), blockedInRow.end(), 0);
        for (std::int32_t dz = 0; dz < k; ++dz)
            for (std::int32_t x = 0; x < fine.width; ++x)
                blockedInRow[static_cast<std::size_t>(x / k)] += fine.blocked(x, z * k + dz);
        for (std::int32_t x = 0; x < coarse.width; ++x) {
            const std::int32_t blocked = blockedInRow[static_cast<std::size_t>(x)];
            const bool coarseBlocked = coarse.blocked(x, z);
            contrary += (coarseBlocked && blocked == 0) || (!coarseBlocked && blocked == k * k);
        }
    }
    return static_cast<double>(contrary) /
           (static_cast<double>(coarse.width) * static_cast<double>(coarse.height));
}

std::string spawnText(const SearchMap& map, std::size_t index, const pathmaps::SpawnPoint& p) {
    return "Der Spawnpunkt " + std::to_string(index + 1) + " der Klasse " + map.name + " " +
           worldPoint(p.x, p.z);
}

} // namespace

std::vector<Finding> checkPathmapsReadable(Addon& addon) {
    std::vector<Finding> findings;
    for (const AddonFile* file : addon.pathmapFiles()) {
        if (pathmaps::isClassFileName(file->path))
            continue;
        const PathmapFacts& facts = addon.pathmap(*file);
        if (!facts.readable)
            findings.push_back(
                error(file->path, withFullStop(facts.error), kRenew, pathmapPlace(file->path)));
    }
    return findings;
}

std::vector<Finding> checkPathmapSizes(Addon& addon) {
    const auto world = addon.worldSize();
    if (!world)
        return {};
    std::vector<Finding> findings;
    for (const AddonFile* file : addon.pathmapFiles()) {
        if (pathmaps::isClassFileName(file->path))
            continue;
        const PathmapFacts& facts = addon.pathmap(*file);
        if (!facts.readable || (std::int64_t{facts.width} * facts.cellSize == *world &&
                                std::int64_t{facts.height} * facts.cellSize == *world))
            continue;
        findings.push_back(error(
            file->path,
            "Die Pathmap hat " + std::to_string(facts.width) + " x " +
                std::to_string(facts.height) + " Felder zu " + std::to_string(facts.cellSize) +
                " m, die Welt der Karte ist aber " + std::to_string(*world) + " m groß: sie " +
                "gehört zu einer anderen Karte oder Weltgröße.",
            kRenew, pathmapPlace(file->path)));
    }
    return findings;
}

std::vector<Finding> checkSpawnPointsPassable(Addon& addon) {
    std::vector<Finding> findings;
    // Object spawn points serve every vehicle class at once: a point counts as stuck only
    // when it is blocked for each class that lists it.
    struct Shared {
        int listed = 0;
        int blocked = 0;
        const SearchMap* map = nullptr;
        std::size_t index = 0;
    };
    std::map<std::pair<double, double>, Shared> objectPoints;
    std::vector<std::string> objectClasses;
    for (const SearchMap& map : addon.searchMaps()) {
        const pathmaps::Grid* grid = addon.finestGrid(map);
        if (grid == nullptr || !map.spawnPoints || map.spawnPoints->empty())
            continue;
        const std::vector<pathmaps::SpawnPoint>& points = *map.spawnPoints;
        const std::string& file = map.maps.front()->path;
        const auto place = [&](const pathmaps::SpawnPoint& p) {
            return pointPlace(Place::Kind::spawnPoint, map.name, p.x, p.z, file);
        };
        if (isInfantry(map)) {
            std::size_t blocked = 0;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (!pathmaps::onBlockedCell(*grid, points[i]))
                    continue;
                if (++blocked <= kListedSpawnPoints)
                    findings.push_back(error(
                        file,
                        spawnText(map, i, points[i]) +
                            " liegt auf einem gesperrten Feld: die Soldaten dort kommen nicht "
                            "von der Stelle.",
                        "Den Spawn in SinglePlayer/SoldierSpawns.con auf freies Gelände setzen "
                        "und Start noch einmal ausführen, oder die Pathmap neu erzeugen lassen.",
                        place(points[i])));
            }
            if (blocked > kListedSpawnPoints)
                findings.push_back(error(
                    file,
                    "Dazu liegen " + std::to_string(blocked - kListedSpawnPoints) +
                        " weitere Spawnpunkte der Klasse " + map.name +
                        " auf gesperrten "
                        "Feldern (" +
                        std::to_string(blocked) + " von " + std::to_string(points.size()) + ").",
                    "Die Spawnpunkte im Pathmap-Fenster ansehen (Tab 3, Liste der Pathmaps).",
                    pathmapPlace(file)));
            continue;
        }
        objectClasses.push_back(map.name);
        const pathmaps::SpawnCheck check = pathmaps::checkSpawnPoints(*grid, points);
        for (std::size_t i = 0; i < points.size(); ++i) {
            Shared& shared = objectPoints[{points[i].x, points[i].z}];
            if (shared.listed++ == 0) {
                shared.map = &map;
                shared.index = i;
            }
            shared.blocked += pathmaps::onBlockedCell(*grid, points[i]);
        }
        if (!check.blocked.empty())
            findings.push_back(
                hint(file, pathmaps::blockedSpawnLine(check) + " der Klasse " + map.name + ".",
                     "Die Objekt-Spawnpunkte gelten für alle Fahrzeugklassen zugleich: ein Schiff "
                     "an Land oder ein Panzer im Wasser ist zu erwarten. Die Punkte im "
                     "Pathmap-Fenster ansehen.",
                     place(check.blocked.front())));
    }
    std::vector<const Shared*> stuck;
    for (const auto& [point, shared] : objectPoints)
        if (shared.blocked == shared.listed)
            stuck.push_back(&shared);
    std::sort(stuck.begin(), stuck.end(),
              [](const Shared* a, const Shared* b) { return a->index < b->index; });
    for (std::size_t n = 0; n < stuck.size() && n < kListedSpawnPoints; ++n) {
        const Shared& s = *stuck[n];
        const pathmaps::SpawnPoint& p = (*s.map->spawnPoints)[s.index];
        std::string classes;
        for (const std::string& name : objectClasses)
            classes += (classes.empty() ? "" : ", ") + name;
        findings.push_back(error(
            s.map->maps.front()->path,
            "Der Objekt-Spawnpunkt " + std::to_string(s.index + 1) + " " + worldPoint(p.x, p.z) +
                " liegt für jede Fahrzeugklasse (" + classes +
                ") auf einem gesperrten Feld: kein Fahrzeug kommt dort von der Stelle.",
            "Das Fahrzeug in SinglePlayer/ObjectSpawns.con auf freies Gelände setzen und Start "
            "noch einmal ausführen, oder die Pathmaps neu erzeugen lassen.",
            pointPlace(Place::Kind::spawnPoint, s.map->name, p.x, p.z, s.map->maps.front()->path)));
    }
    if (stuck.size() > kListedSpawnPoints)
        findings.push_back(error(stuck.front()->map->maps.front()->path,
                                 "Dazu liegen " +
                                     std::to_string(stuck.size() - kListedSpawnPoints) +
                                     " weitere Objekt-Spawnpunkte für jede Fahrzeugklasse auf "
                                     "gesperrten Feldern.",
                                 "Die Spawnpunkte im Pathmap-Fenster ansehen (Tab 3, Liste der "
                                 "Pathmaps).",
                                 pathmapPlace(stuck.front()->map->maps.front()->path)));
    return findings;
}

std::vector<Finding> checkPathmapLevels(Addon& addon) {
    std::vector<Finding> findings;
    for (const SearchMap& map : addon.searchMaps()) {
        const pathmaps::Grid* fine = addon.finestGrid(map);
        if (fine == nullptr)
            continue;
        const std::string fineName = fileNamePart(map.maps.front()->path);
        for (std::size_t i = 1; i < map.maps.size(); ++i) {
            const AddonFile& file = *map.maps[i];
            if (!addon.pathmap(file).readable)
                continue;
            const auto coarse = addon.readGrid(file);
            const auto share = coarse ? disagreement(*fine, *coarse) : std::nullopt;
            if (!share || *share <= kLevelDisagreement)
                continue;
            findings.push_back(hint(
                file.path,
                "Die Pathmap widerspricht auf " + percent(*share) +
                    " ihrer Felder der feinsten Stufe " + fineName +
                    ": sie wurde nachbearbeitet oder stammt von einer älteren Fassung der "
                    "Karte.",
                "Ist das nicht gewollt, die Pathmaps neu erzeugen lassen und kopieren: die Bots "
                "planen mit den groben Stufen und gehen auf der feinsten.",
                pathmapPlace(file.path)));
        }
    }
    return findings;
}

} // namespace tess::checks
