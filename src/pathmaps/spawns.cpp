#include "pathmaps/spawns.h"

#include "core/lines.h"
#include "core/paths.h"
#include "core/script_words.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace tess::pathmaps {
namespace {

struct ClassMap {
    std::string_view className;
    int searchMap;
};

// The search maps of the path-finding script the addon holds.
constexpr std::array<ClassMap, 5> kClassMaps = {{
    {"Tank", 0},
    {"Infantry", 1},
    {"Boat", 2},
    {"Landingcraft", 3},
    {"Car", 4},
}};

constexpr std::string_view kSpawnPointsCommand = "ai.setMapSpawnPoints";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// "x/z" as numbers, blanks allowed around each; nothing for any other shape.
std::optional<SpawnPoint> pointOf(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos || text.find('/', slash + 1) != std::string_view::npos)
        return std::nullopt;
    const auto x = scriptNumber(trimmed(text.substr(0, slash)));
    const auto z = scriptNumber(trimmed(text.substr(slash + 1)));
    if (!x || !z)
        return std::nullopt;
    return SpawnPoint{*x, *z};
}

// The list of "ai.setMapSpawnPoints <map> <list>" when the line is one for that map.
std::optional<std::string_view> spawnListOf(std::string_view line, int searchMap) {
    line = trimmed(line);
    if (line.size() < kSpawnPointsCommand.size() ||
        !sameNameIgnoringCase(line.substr(0, kSpawnPointsCommand.size()), kSpawnPointsCommand))
        return std::nullopt;
    line.remove_prefix(kSpawnPointsCommand.size());
    if (line.empty() || !isBlank(line.front()))
        return std::nullopt;
    line = trimmed(line);
    int map = -1;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), map);
    if (error != std::errc() || map != searchMap)
        return std::nullopt;
    const std::string_view rest = line.substr(static_cast<std::size_t>(end - line.data()));
    if (!rest.empty() && !isBlank(rest.front()))
        return std::nullopt;
    return trimmed(rest);
}

} // namespace

int searchMapOfClass(std::string_view className) {
    for (const ClassMap& entry : kClassMaps)
        if (sameNameIgnoringCase(entry.className, className))
            return entry.searchMap;
    return -1;
}

bool takesObjectSpawnPoints(std::string_view className) {
    const int map = searchMapOfClass(className);
    return map >= 0 && !sameNameIgnoringCase(className, "Infantry");
}

std::optional<std::vector<SpawnPoint>> spawnPointsOfSearchMap(std::string_view scriptBytes,
                                                              int searchMap) {
    std::optional<std::string_view> list;
    forEachLine(scriptBytes, [&](std::string_view line, bool) {
        if (const auto found = spawnListOf(line, searchMap))
            list = found;
    });
    if (!list)
        return std::nullopt;
    std::vector<SpawnPoint> points;
    std::string_view rest = *list;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        if (const auto point = pointOf(rest.substr(0, comma)))
            points.push_back(*point);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return points;
}

bool onBlockedCell(const Grid& grid, const SpawnPoint& point) {
    const double cellSize = grid.cellSize;
    const double x = std::floor(point.x / cellSize);
    const double z = std::floor(point.z / cellSize);
    if (x < 0 || z < 0 || x >= grid.width || z >= grid.height)
        return true;
    return grid.blocked(static_cast<std::int32_t>(x), static_cast<std::int32_t>(z));
}

SpawnCheck checkSpawnPoints(const Grid& grid, const std::vector<SpawnPoint>& points) {
    SpawnCheck check;
    for (const SpawnPoint& point : points)
        (onBlockedCell(grid, point) ? check.blocked : check.passable).push_back(point);
    return check;
}

std::string blockedSpawnLine(const SpawnCheck& check) {
    return std::to_string(check.blocked.size()) + " von " + std::to_string(check.total()) +
           " Spawnpunkten liegen auf gesperrten Feldern";
}

std::string pictureTip(Kind kind, std::string_view className) {
    std::string tip = kind == Kind::regions
                          ? "Blau, Violett und Türkis: die zusammenhängenden freien Gebiete "
                            "jeder Kachel; rot: gesperrte Felder."
                          : "Rot: für diese Klasse gesperrte Felder.";
    tip += " Grüne Punkte: Spawnpunkte auf freien Feldern; gelbe Punkte: Spawnpunkte auf "
           "gesperrten Feldern.";
    if (takesObjectSpawnPoints(className))
        tip += " Die Objekt-Spawnpunkte gelten für Panzer, Autos, Schiffe und Landungsboote "
               "zugleich: ein Spawnpunkt eines Schiffs an Land oder eines Panzers im Wasser "
               "ist daher zu erwarten und kein Fehler.";
    return tip;
}

} // namespace tess::pathmaps
