// Map inspection (OK on tab 1): the world size from the map's terrain script, the names
// and paths of the map and of the addon that the later steps build.
#pragma once

#include "core/lines.h"
#include "core/wizard_state.h"

#include <cstdint>
#include <string>

namespace tess::intake {

struct WorldSize {
    std::int32_t size = 4096;
    std::int32_t scale = 8;
};

// Only the two exact lines count (letter case aside); the 2048 line is looked for first,
// and a map without either is 4096 units wide.
WorldSize readWorldSize(const LineList& terrainScript);

// What OK tells the user about the map and its addon, as texts; the window puts each in
// its place.
struct Inspection {
    std::string mapLevelFolder; // the map level folder, levelDir after OK
    std::string worldSize;      // in decimal digits
    std::string basePath;       // the level's path in archives: "bf1942/levels/<mapName>"
    std::string mapKind;        // "Non - RFA" for an unpacked map, "Is - RFA" for a packed one
    std::string mapName;        // the bare map name
    std::string addonFolder;    // the addon folder: <program folder>bf1942\levels\<mapName>_001\ .
};

// Reads levelDir + "init\terrain.con" and settles the state. If the terrain script cannot
// be opened, throws before anything has changed, so OK can be pressed again later.
Inspection inspectMap(WizardState& state, const std::string& programFolder);

std::string basePathOf(const std::string& mapName);
// The levels folder of the program folder or of the game folder: <folder>bf1942\levels\ .
std::string levelsFolderOf(const std::string& folder);
// A level folder under the program folder: <program folder>bf1942\levels\<levelName>\ .
std::string levelFolderOf(const std::string& programFolder, const std::string& levelName);
std::string addonFolderOf(const std::string& programFolder, const std::string& mapName);

} // namespace tess::intake
