// The strategic areas of the addon's area script: that there are any, their names, their
// neighbour links, their place in the world, the control points they hold, and whether the
// infantry can stand in them.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "areas/area_names.h"
#include "core/letter_case.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

namespace tess::checks {
namespace {

const std::string kFile(kAreaScript);

struct Bounds {
    double minX, minZ, maxX, maxZ;
};

Bounds boundsOf(const areas::LevelArea& area) {
    return {std::min(area.x1, area.x2), std::min(area.z1, area.z2), std::max(area.x1, area.x2),
            std::max(area.z1, area.z2)};
}

// Whether the point lies in the area, its edges included.
bool holds(const areas::LevelArea& area, double x, double z) {
    const Bounds b = boundsOf(area);
    return x >= b.minX && x <= b.maxX && z >= b.minZ && z <= b.maxZ;
}

std::string cornersText(const areas::LevelArea& area) {
    const Bounds b = boundsOf(area);
    return worldPoint(b.minX, b.minZ) + " bis " + worldPoint(b.maxX, b.maxZ);
}

// The first area of that name (the game compares names exactly).
const areas::LevelArea* areaNamed(const std::vector<areas::LevelArea>& areas,
                                  const std::string& name) {
    for (const areas::LevelArea& area : areas)
        if (area.name == name)
            return &area;
    return nullptr;
}

Place placeOfArea(const std::vector<areas::LevelArea>& areas, const std::string& name) {
    const areas::LevelArea* area = areaNamed(areas, name);
    return area ? areaPlace(*area) : scriptPlace(kFile);
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    constexpr std::size_t kShown = 8;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kShown)
        text += " und " + std::to_string(names.size() - kShown) + " weitere";
    return text;
}

} // namespace

std::vector<Finding> checkAreasExist(Addon& addon) {
    if (addon.files().find(kAreaScript) == nullptr || !addon.areas().empty())
        return {};
    return {error(kFile,
                  "Das Addon legt keine einzige Strategic Area an: die Bots haben kein Ziel.",
                  "Auf Tab 2 die Areas zeichnen und die Nachbarphase bis zur letzten Area "
                  "beenden; das schreibt AI/StrategicAreas.con.",
                  scriptPlace(kFile))};
}

std::vector<Finding> checkAreaNames(Addon& addon) {
    std::vector<Finding> findings;
    std::vector<std::string> names;
    for (const areas::LevelArea& area : addon.areas()) {
        names.push_back(area.name);
        if (const auto problem = areas::areaNameProblem(area.name))
            findings.push_back(error(kFile,
                                     "Der Area-Name " + quotedName(area.name) + " " + *problem +
                                         ": das Spiel liest ihn als etwas anderes.",
                                     "Die Area auf Tab 2 mit einem Namen ohne Leerzeichen, "
                                     "Schrägstrich und Anführungszeichen neu anlegen.",
                                     areaPlace(area)));
    }
    for (const std::string& name : areas::duplicateAreaNames(names)) {
        // The second area of that name is the one to rename.
        const auto second = std::find_if(
            std::find_if(addon.areas().begin(), addon.areas().end(),
                         [&](const areas::LevelArea& a) { return a.name == name; }) +
                1,
            addon.areas().end(), [&](const areas::LevelArea& a) { return a.name == name; });
        findings.push_back(error(kFile, areas::duplicateAreaNameMessage(name),
                                 "Einer der beiden Areas einen anderen Namen geben.",
                                 areaPlace(*second)));
    }
    return findings;
}

std::vector<Finding> checkNeighbourNames(Addon& addon) {
    const std::vector<areas::LevelArea>& areas = addon.areas();
    std::vector<Finding> findings;
    const std::string advice = "Auf Tab 2 die Nachbarn neu ankreuzen, oder den Namen in "
                               "AI/StrategicAreas.con richtigstellen.";
    std::set<std::string> reported;
    for (const std::string& block : addon.areaLinks().blocks)
        if (!areaNamed(areas, block) && reported.insert(block).second)
            findings.push_back(error(kFile,
                                     "Der Block \"aiStrategicArea.setActive " + block +
                                         "\" gehört zu keiner Area: keine heißt so.",
                                     advice, scriptPlace(kFile)));
    for (const AreaLink& link : addon.areaLinks().links)
        if (!areaNamed(areas, link.to))
            findings.push_back(error(kFile,
                                     "Die Area " + quotedName(link.from) + " nennt " +
                                         quotedName(link.to) +
                                         " als Nachbarn, aber keine Area heißt so.",
                                     advice, placeOfArea(areas, link.from)));
    return findings;
}

std::vector<Finding> checkMutualLinks(Addon& addon) {
    const std::vector<areas::LevelArea>& areas = addon.areas();
    std::set<std::pair<std::string, std::string>> links;
    for (const AreaLink& link : addon.areaLinks().links)
        if (areaNamed(areas, link.from) && areaNamed(areas, link.to))
            links.insert({link.from, link.to});
    std::vector<Finding> findings;
    std::set<std::pair<std::string, std::string>> reported;
    std::set<std::pair<std::string, std::string>> twice;
    for (const AreaLink& link : addon.areaLinks().links) {
        const std::pair<std::string, std::string> pair{link.from, link.to};
        if (!links.count(pair))
            continue;
        if (!reported.insert(pair).second) {
            if (twice.insert(pair).second)
                findings.push_back(
                    hint(kFile,
                         "Die Area " + quotedName(link.from) + " nennt " + quotedName(link.to) +
                             " mehrmals als Nachbarn.",
                         "Eine der Zeilen \"AIStrategicArea.addNeighbour " + link.to + "\" genügt.",
                         placeOfArea(areas, link.from)));
            continue;
        }
        if (link.from == link.to)
            findings.push_back(hint(
                kFile, "Die Area " + quotedName(link.from) + " nennt sich selbst als Nachbarn.",
                "Das Häkchen bei der Area selbst entfernen: eine Area ist "
                "nicht ihr eigener Nachbar.",
                placeOfArea(areas, link.from)));
        else if (!links.count({link.to, link.from}))
            findings.push_back(
                hint(kFile,
                     "Die Area " + quotedName(link.from) + " nennt " + quotedName(link.to) +
                         " als Nachbarn, " + quotedName(link.to) + " aber nicht " +
                         quotedName(link.from) + ".",
                     "Bei " + quotedName(link.to) + " auch " + quotedName(link.from) +
                         " ankreuzen, wenn die Bots auch von dort "
                         "hinüberziehen sollen.",
                     placeOfArea(areas, link.to)));
    }
    return findings;
}

std::vector<Finding> checkOrderPositions(Addon& addon) {
    const std::vector<areas::LevelArea>& areas = addon.areas();
    std::vector<Finding> findings;
    for (const OrderPosition& order : addon.areaLinks().orders) {
        const areas::LevelArea* area = areaNamed(areas, order.area);
        if (!area)
            continue; // the neighbour check names the block
        if (holds(*area, order.x, order.z))
            continue;
        findings.push_back(hint(
            kFile,
            "Die Order-Position " + order.kind + " der Area " + quotedName(area->name) + " " +
                worldPoint(order.x, order.z) + " liegt außerhalb der Area " + cornersText(*area) +
                ": die Bots dieser Art sammeln sich dort, nicht in der Area.",
            "Ist das so gemeint (etwa bei einem Flugplatz), ist es in Ordnung; sonst die Zeile "
            "\"AIStrategicArea.setOrderPosition " +
                order.kind + "\" in AI/StrategicAreas.con berichtigen.",
            areaPlace(*area)));
    }
    return findings;
}

std::vector<Finding> checkAreaGroups(Addon& addon) {
    const std::vector<areas::LevelArea>& areas = addon.areas();
    if (areas.size() < 2)
        return {};
    // Groups of areas joined by links in either direction.
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < areas.size(); ++i)
        index.emplace(areas[i].name, i);
    std::vector<std::size_t> parent(areas.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    const auto root = [&](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (const AreaLink& link : addon.areaLinks().links) {
        const auto from = index.find(link.from);
        const auto to = index.find(link.to);
        if (from != index.end() && to != index.end())
            parent[root(from->second)] = root(to->second);
    }
    std::map<std::size_t, std::vector<std::size_t>> groups;
    for (const auto& [name, i] : index)
        groups[root(i)].push_back(i);
    if (groups.size() < 2)
        return {};
    std::vector<std::vector<std::size_t>> ordered;
    for (auto& [rootIndex, members] : groups) {
        std::sort(members.begin(), members.end());
        ordered.push_back(members);
    }
    std::sort(ordered.begin(), ordered.end());
    std::string text = "Die Areas zerfallen in " + std::to_string(ordered.size()) +
                       " Gruppen, die kein Nachbar verbindet: ";
    const std::vector<std::size_t>* smallest = &ordered.front();
    for (std::size_t g = 0; g < ordered.size(); ++g) {
        std::vector<std::string> names;
        for (const std::size_t i : ordered[g])
            names.push_back(areas[i].name);
        text += (g ? ", " : "") + std::string("(") + listed(names) + ")";
        if (ordered[g].size() < smallest->size())
            smallest = &ordered[g];
    }
    return {error(kFile, text + ": die Bots ziehen nie von einer Gruppe zur anderen.",
                  "In der Nachbarphase auf Tab 2 benachbarte Areas der Gruppen als Nachbarn "
                  "ankreuzen.",
                  areaPlace(areas[smallest->front()]))};
}

std::vector<Finding> checkAreasInWorld(Addon& addon) {
    const auto world = addon.worldSize();
    if (!world)
        return {};
    const double size = *world;
    std::vector<Finding> findings;
    for (const areas::LevelArea& area : addon.areas()) {
        const Bounds b = boundsOf(area);
        if (b.minX >= 0 && b.minZ >= 0 && b.maxX <= size && b.maxZ <= size)
            continue;
        const bool wholly = b.maxX <= 0 || b.maxZ <= 0 || b.minX >= size || b.minZ >= size;
        const std::string text = "Die Area " + quotedName(area.name) + " " + cornersText(area) +
                                 " liegt " + (wholly ? "ganz" : "zum Teil") +
                                 " außerhalb der Welt (0 bis " + worldNumber(size) + ")";
        const std::string advice = "Die Area auf Tab 2 innerhalb des Kartenbilds neu zeichnen.";
        if (wholly)
            findings.push_back(error(kFile, text + ": die Bots können sie nie erreichen.", advice,
                                     areaPlace(area)));
        else
            findings.push_back(hint(kFile, text + ".", advice, areaPlace(area)));
    }
    return findings;
}

std::vector<Finding> checkControlPointsInAreas(Addon& addon) {
    const std::vector<areas::LevelArea>& areas = addon.areas();
    if (areas.empty())
        return {};
    std::vector<Finding> findings;
    for (const areas::ControlPoint& point : addon.controlPoints()) {
        const bool inside = std::any_of(areas.begin(), areas.end(), [&](const auto& area) {
            return holds(area, point.x, point.z);
        });
        if (!inside)
            findings.push_back(error(
                "SinglePlayer/ControlPoints.con",
                "Der Kontrollpunkt " + quotedName(point.name) + " " + worldPoint(point.x, point.z) +
                    " liegt in keiner Area: die Bots nehmen ihn nicht ein.",
                "Auf Tab 2 eine Area über den Kontrollpunkt legen (mit \"ControlPoint\" "
                "angekreuzt).",
                pointPlace(Place::Kind::point, point.name, point.x, point.z)));
    }
    return findings;
}

std::vector<Finding> checkAreasPassable(Addon& addon) {
    const SearchMap* infantry = nullptr;
    for (const SearchMap& map : addon.searchMaps())
        if (!infantry && sameNameIgnoringCase(map.className, "Infantry"))
            infantry = &map;
    const pathmaps::Grid* grid = infantry ? addon.finestGrid(*infantry) : nullptr;
    if (grid == nullptr)
        return {};
    std::vector<Finding> findings;
    const double cell = grid->cellSize;
    for (const areas::LevelArea& area : addon.areas()) {
        const Bounds b = boundsOf(area);
        const auto first = [&](double v, std::int32_t edge) {
            return static_cast<std::int32_t>(std::clamp(std::floor(v / cell), 0.0, double(edge)));
        };
        const auto last = [&](double v, std::int32_t edge) {
            return static_cast<std::int32_t>(std::clamp(std::ceil(v / cell), 0.0, double(edge)));
        };
        const std::int32_t x0 = first(b.minX, grid->width), x1 = last(b.maxX, grid->width);
        const std::int32_t z0 = first(b.minZ, grid->height), z1 = last(b.maxZ, grid->height);
        if (x0 >= x1 || z0 >= z1)
            continue; // outside the map: the world check tells
        bool passable = false;
        for (std::int32_t z = z0; z < z1 && !passable; ++z)
            for (std::int32_t x = x0; x < x1 && !passable; ++x)
                passable = !grid->blocked(x, z);
        if (!passable)
            findings.push_back(hint(
                infantry->maps.front()->path,
                "Die Area " + quotedName(area.name) + " " + cornersText(area) +
                    " liegt auf der Infanterie-Pathmap ganz auf gesperrten Feldern: Soldaten "
                    "erreichen sie nicht.",
                "Die Area auf Tab 2 auf begehbares Gelände legen; ist sie für Schiffe gedacht, "
                "ist das in Ordnung.",
                areaPlace(area)));
    }
    return findings;
}

} // namespace tess::checks
