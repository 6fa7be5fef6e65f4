// The path-finding script "AIPathFinding.con": where units of each class enter the map, taken
// from the positions of the map's soldier and object spawns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tess::scripts {

// The two check boxes of the group "CON Files": `shipp` "Schiffe" and `landp` "Landungsboote".
struct SpawnFlags {
    bool ships = false;
    bool landingCraft = false;
};

// The spawn points of one spawn script: the joined points (non-empty points in file order,
// separated by ",") and the number of position lines, empty points included.
struct SpawnPoints {
    std::string joined;
    std::size_t count = 0;
};

// The point walk: keeps the first, third, fifth ... "/"-separated component of a position
// value and joins them with "/" (a/b/c gives a/c). A leading "/" is dropped first. Works on the
// bytes of the game's code page, in which "/" is always one byte.
std::string spawnPointFromValue(std::string_view value);

// Reads every position line of a spawn script (the file's bytes; CR, LF or CR LF end a line).
// A position line starts with exactly "Object.absolutePosition"; its value starts at the 25th
// character. Every position line counts, however many the file holds.
SpawnPoints readSpawnPoints(std::string_view scriptBytes);

// The whole path-finding script as bytes with CR LF after each line (23, 29 or 35 lines).
std::string pathFindingScript(std::string_view soldierPoints, std::string_view objectPoints,
                              SpawnFlags flags);

// What the path-finding step found: the number of position lines of each spawn script.
struct PathFindingCounts {
    std::size_t soldierSpawnPoints = 0;
    std::size_t objectSpawnPoints = 0;
};

// The path-finding step: reads levelDir + "singleplayer/soldierspawns.con" and levelDir +
// "singleplayer/ObjectSpawns.con" and writes levelDir + "AIPathFinding.con". A missing spawn
// script throws "Datei %s kann nicht geöffnet werden. %s" before anything is written.
PathFindingCounts writePathFindingScript(const std::string& levelDir, SpawnFlags flags);

} // namespace tess::scripts
