// The addon's pathmaps: that each can be read, that its size fits the world, that the spawn
// points of its class lie on passable cells, and that the coarser levels of a class agree
// with its finest one.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "core/error.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "pathmaps/draft.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

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

// The blocked cells of the finest map in each k x k block, for the block sizes the coarser
// maps ask for; each size is summed from the one below it, so the finest map is walked once
// however many coarser maps there are.
class BlockCounts {
public:
    explicit BlockCounts(const pathmaps::Grid& fine) : fine_(fine) {}

    // Nothing for a block size that is not a power of two above 1, or does not divide the map.
    const std::vector<std::uint16_t>* of(std::int32_t k) {
        if (k < 2 || (k & (k - 1)) != 0 || k > 64 || fine_.width % k != 0 || fine_.height % k != 0)
            return nullptr;
        if (const auto found = counts_.find(k); found != counts_.end())
            return &found->second;
        const auto width = static_cast<std::size_t>(fine_.width / k);
        const auto height = static_cast<std::size_t>(fine_.height / k);
        std::vector<std::uint16_t> counts(width * height);
        if (k == 2) {
            const auto fineWidth = static_cast<std::size_t>(fine_.width);
            const bool regions = fine_.kind == pathmaps::Kind::regions;
            for (std::size_t z = 0; z < 2 * height; ++z) {
                const std::uint8_t* row = fine_.cells.data() + z * fineWidth;
                std::uint16_t* out = counts.data() + (z / 2) * width;
                for (std::size_t x = 0; x < fineWidth; ++x)
                    out[x / 2] += regions ? row[x] == pathmaps::kBlockedRegion : row[x] != 0;
            }
        } else {
            const std::vector<std::uint16_t>& half = *of(k / 2);
            const std::size_t halfWidth = 2 * width;
            for (std::size_t z = 0; z < 2 * height; ++z)
                for (std::size_t x = 0; x < halfWidth; ++x)
                    counts[(z / 2) * width + x / 2] += half[z * halfWidth + x];
        }
        return &(counts_[k] = std::move(counts));
    }

private:
    const pathmaps::Grid& fine_;
    std::map<std::int32_t, std::vector<std::uint16_t>> counts_;
};

// The share of the coarse map's cells that contradict the fine one: blocked where every finer
// cell is passable, or passable where every finer cell is blocked. Nothing when the two do not
// cover the same ground in whole cells.
std::optional<double> disagreement(const pathmaps::Grid& fine, const pathmaps::Grid& coarse,
                                   BlockCounts& blocks) {
    if (coarse.cellSize < fine.cellSize || coarse.cellSize % fine.cellSize != 0 ||
        coarse.width == 0 || coarse.height == 0)
        return std::nullopt;
    const std::int32_t k = coarse.cellSize / fine.cellSize;
    if (std::int64_t{coarse.width} * k != fine.width ||
        std::int64_t{coarse.height} * k != fine.height)
        return std::nullopt;
    const std::vector<std::uint16_t>* counts = k == 1 ? nullptr : blocks.of(k);
    if (k != 1 && counts == nullptr)
        return std::nullopt;
    std::size_t contrary = 0;
    std::size_t i = 0;
    for (std::int32_t z = 0; z < coarse.height; ++z)
        for (std::int32_t x = 0; x < coarse.width; ++x, ++i) {
            const std::int32_t blocked = counts ? (*counts)[i] : fine.blocked(x, z);
            const bool coarseBlocked = coarse.blocked(x, z);
            contrary += (coarseBlocked && blocked == 0) || (!coarseBlocked && blocked == k * k);
        }
    return static_cast<double>(contrary) /
           (static_cast<double>(coarse.width) * static_cast<double>(coarse.height));
}

std::string spawnText(const SearchMap& map, std::size_t index, const pathmaps::SpawnPoint& p) {
    return "Der Spawnpunkt " + std::to_string(index + 1) + " der Klasse " + map.name + " " +
           worldPoint(p.x, p.z);
}

// A vehicle class with its spawn points, and which of them lie on blocked cells.
struct ObjectClass {
    const SearchMap* map = nullptr;
    std::vector<std::size_t> blocked;
};

// An object spawn point blocked for every class that lists it: the first class's list and
// its place there.
struct Stuck {
    const SearchMap* map = nullptr;
    std::size_t index = 0;
};

bool samePoints(const std::vector<pathmaps::SpawnPoint>& a,
                const std::vector<pathmaps::SpawnPoint>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& p, const auto& q) { return p.x == q.x && p.z == q.z; });
}

// The object spawn points that are stuck, in the order of their lists.
std::vector<Stuck> stuckObjectPoints(const std::vector<ObjectClass>& objects) {
    std::vector<Stuck> stuck;
    if (objects.empty())
        return stuck;
    const SearchMap* first = objects.front().map;
    // As Start writes them, every class lists the same points: counted by their place.
    if (std::all_of(objects.begin(), objects.end(), [&](const ObjectClass& object) {
            return samePoints(*object.map->spawnPoints, *first->spawnPoints);
        })) {
        std::vector<std::size_t> blocked(first->spawnPoints->size());
        for (const ObjectClass& object : objects)
            for (const std::size_t i : object.blocked)
                ++blocked[i];
        for (std::size_t i = 0; i < blocked.size(); ++i)
            if (blocked[i] == objects.size())
                stuck.push_back({first, i});
        return stuck;
    }
    // Lists that differ: the points blocked for some class, then how many classes list each.
    struct Count {
        Stuck first;
        std::size_t listed = 0;
        std::size_t blocked = 0;
    };
    struct PointHash {
        std::size_t operator()(const std::pair<double, double>& p) const {
            return std::hash<double>()(p.first) * 31 + std::hash<double>()(p.second);
        }
    };
    std::unordered_map<std::pair<double, double>, Count, PointHash> candidates;
    for (const ObjectClass& object : objects)
        for (const std::size_t i : object.blocked) {
            const pathmaps::SpawnPoint& p = (*object.map->spawnPoints)[i];
            Count& count = candidates[{p.x, p.z}];
            if (count.blocked++ == 0)
                count.first = {object.map, i};
        }
    for (const ObjectClass& object : objects)
        for (const pathmaps::SpawnPoint& p : *object.map->spawnPoints)
            if (const auto found = candidates.find({p.x, p.z}); found != candidates.end())
                ++found->second.listed;
    for (const auto& [point, count] : candidates)
        if (count.blocked == count.listed)
            stuck.push_back(count.first);
    std::sort(stuck.begin(), stuck.end(), [](const Stuck& a, const Stuck& b) {
        const pathmaps::SpawnPoint& pa = (*a.map->spawnPoints)[a.index];
        const pathmaps::SpawnPoint& pb = (*b.map->spawnPoints)[b.index];
        return std::tie(a.index, pa.x, pa.z) < std::tie(b.index, pb.x, pb.z);
    });
    return stuck;
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
    // The vehicle classes share the object spawn points: a point counts as stuck only when it
    // is blocked for each class that lists it.
    std::vector<ObjectClass> objects;
    for (const SearchMap& map : addon.searchMaps()) {
        const pathmaps::Grid* grid = addon.finestGrid(map);
        if (grid == nullptr || !map.spawnPoints || map.spawnPoints->empty())
            continue;
        const std::vector<pathmaps::SpawnPoint>& points = *map.spawnPoints;
        const std::string& file = map.maps.front()->path;
        std::vector<std::size_t> blocked;
        for (std::size_t i = 0; i < points.size(); ++i)
            if (pathmaps::onBlockedCell(*grid, points[i]))
                blocked.push_back(i);
        const auto place = [&](std::size_t i) {
            return pointPlace(Place::Kind::spawnPoint, map.name, points[i].x, points[i].z, file);
        };
        if (isInfantry(map)) {
            for (std::size_t n = 0; n < blocked.size() && n < kListedSpawnPoints; ++n)
                findings.push_back(error(
                    file,
                    spawnText(map, blocked[n], points[blocked[n]]) +
                        " liegt auf einem gesperrten Feld: die Soldaten dort kommen nicht von "
                        "der Stelle.",
                    "Den Spawn in SinglePlayer/SoldierSpawns.con auf freies Gelände setzen und "
                    "Start noch einmal ausführen, oder die Pathmap neu erzeugen lassen.",
                    place(blocked[n])));
            if (blocked.size() > kListedSpawnPoints)
                findings.push_back(
                    error(file,
                          "Dazu liegen " + std::to_string(blocked.size() - kListedSpawnPoints) +
                              " weitere Spawnpunkte der Klasse " + map.name +
                              " auf gesperrten Feldern (" + std::to_string(blocked.size()) +
                              " von " + std::to_string(points.size()) + ").",
                          "Die Spawnpunkte im Pathmap-Fenster ansehen (Tab 3, Liste der Pathmaps).",
                          pathmapPlace(file)));
            continue;
        }
        if (!blocked.empty())
            findings.push_back(hint(
                file,
                std::to_string(blocked.size()) + " von " + std::to_string(points.size()) +
                    " Spawnpunkten liegen auf gesperrten Feldern der Klasse " + map.name + ".",
                "Die Objekt-Spawnpunkte gelten für alle Fahrzeugklassen zugleich: ein Schiff an "
                "Land oder ein Panzer im Wasser ist zu erwarten. Die Punkte im Pathmap-Fenster "
                "ansehen.",
                place(blocked.front())));
        objects.push_back({&map, std::move(blocked)});
    }

    std::string classes;
    for (const ObjectClass& object : objects)
        classes += (classes.empty() ? "" : ", ") + object.map->name;
    const std::vector<Stuck> stuck = stuckObjectPoints(objects);
    for (std::size_t n = 0; n < stuck.size() && n < kListedSpawnPoints; ++n) {
        const Stuck& s = stuck[n];
        const pathmaps::SpawnPoint& p = (*s.map->spawnPoints)[s.index];
        const std::string& file = s.map->maps.front()->path;
        findings.push_back(error(
            file,
            "Der Objekt-Spawnpunkt " + std::to_string(s.index + 1) + " " + worldPoint(p.x, p.z) +
                " liegt für jede Fahrzeugklasse (" + classes +
                ") auf einem gesperrten Feld: kein Fahrzeug kommt dort von der Stelle.",
            "Das Fahrzeug in SinglePlayer/ObjectSpawns.con auf freies Gelände setzen und Start "
            "noch einmal ausführen, oder die Pathmaps neu erzeugen lassen.",
            pointPlace(Place::Kind::spawnPoint, s.map->name, p.x, p.z, file)));
    }
    if (stuck.size() > kListedSpawnPoints)
        findings.push_back(error(stuck.front().map->maps.front()->path,
                                 "Dazu liegen " +
                                     std::to_string(stuck.size() - kListedSpawnPoints) +
                                     " weitere Objekt-Spawnpunkte für jede Fahrzeugklasse auf "
                                     "gesperrten Feldern.",
                                 "Die Spawnpunkte im Pathmap-Fenster ansehen (Tab 3, Liste der "
                                 "Pathmaps).",
                                 pathmapPlace(stuck.front().map->maps.front()->path)));
    return findings;
}

std::vector<Finding> checkPathmapLevels(Addon& addon) {
    std::vector<Finding> findings;
    for (const SearchMap& map : addon.searchMaps()) {
        const pathmaps::Grid* fine = addon.finestGrid(map);
        if (fine == nullptr)
            continue;
        const std::string fineName = fileNamePart(map.maps.front()->path);
        BlockCounts blocks(*fine);
        for (std::size_t i = 1; i < map.maps.size(); ++i) {
            const AddonFile& file = *map.maps[i];
            const auto coarse = addon.readGrid(file);
            const auto share = coarse ? disagreement(*fine, *coarse, blocks) : std::nullopt;
            if (!share || *share <= kLevelDisagreement)
                continue;
            findings.push_back(hint(
                file.path,
                "Die Pathmap widerspricht auf " + pathmaps::percentText(*share) +
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
