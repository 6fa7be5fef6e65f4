// The spawn points of the addon's path-finding script laid on a pathmap: where the units of
// the map's class enter the level, and whether they can move from there.
#pragma once

#include "pathmaps/grid.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathmaps {

// A spawn point in world units: x along a row, z from the first row.
struct SpawnPoint {
    double x = 0;
    double z = 0;
};

// The search map whose spawn points serve a class, by the class name in letter case of any
// kind: Tank 0, Infantry 1 (the soldier points), Boat 2, Landingcraft 3, Car 4 (the object
// points). -1 for any other name. Numbers in pathmap file names vary between levels (older
// levels have `Car0`, `Infantry0`), so the name alone decides.
int searchMapOfClass(std::string_view className);

// True for the classes that take the object spawn points: those points serve several
// classes at once.
bool takesObjectSpawnPoints(std::string_view className);

// The points of the last "ai.setMapSpawnPoints <map> x/z,x/z,..." line for that search map
// in a path-finding script (its bytes; CR, LF or CR LF end a line); nothing when the script
// has no such line. A point whose two parts are not numbers (a position written through a
// variable) is left out.
std::optional<std::vector<SpawnPoint>> spawnPointsOfSearchMap(std::string_view scriptBytes,
                                                              int searchMap);

// Where a point lies on the grid. A point outside the grid counts as blocked: no unit can
// move from there.
bool onBlockedCell(const Grid& grid, const SpawnPoint& point);

struct SpawnCheck {
    std::vector<SpawnPoint> passable;
    std::vector<SpawnPoint> blocked;
    std::size_t total() const { return passable.size() + blocked.size(); }
};

SpawnCheck checkSpawnPoints(const Grid& grid, const std::vector<SpawnPoint>& points);

// "3 von 67 Spawnpunkten liegen auf gesperrten Feldern"
std::string blockedSpawnLine(const SpawnCheck& check);

// The picture's tip: what the colours say and, for the classes that share the object spawn
// points, that a point on a cell blocked for this class is to be expected.
std::string pictureTip(Kind kind, std::string_view className);

} // namespace tess::pathmaps
