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

// What OK shows: Stats tab values and tab 3's labels.
struct Inspection {
    std::string levelDir;    // Label30: the map level folder
    std::string worldSize;   // Label31
    std::string basePath;    // Label32, Edit5: "bf1942/levels/<mapName>"
    std::string rfa;         // Label33: "Non - RFA" or "Is - RFA"
    std::string mapName;     // Label39
    std::string addonLabel;  // Label46: "Tessarine\bf1942\levels\<mapName>_001"
    std::string addonFolder; // <program folder>bf1942\levels\<mapName>_001\ .
};

// Reads levelDir + "init\terrain.con" and settles the state. If the terrain script cannot
// be opened, throws before anything has changed, so OK can be pressed again later.
Inspection inspectMap(WizardState& state, const std::string& programFolder);

std::string basePathOf(const std::string& mapName);
// A level folder under the program folder: <program folder>bf1942\levels\<levelName>\ .
std::string levelFolderOf(const std::string& programFolder, const std::string& levelName);
std::string addonFolderOf(const std::string& programFolder, const std::string& mapName);

} // namespace tess::intake
