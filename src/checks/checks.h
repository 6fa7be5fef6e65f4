// The addon check: one small function per check, each returning its findings, all listed in
// one table. A new check is one function and one entry. The checks only read: nothing of the
// addon, its archive or the program folder is changed.
#pragma once

#include "checks/addon.h"
#include "checks/findings.h"

#include <span>
#include <string_view>
#include <vector>

namespace tess::checks {

using CheckFunction = std::vector<Finding> (*)(Addon& addon);

struct Check {
    std::string_view key; // the finding's `check`, and its name in --json
    CheckFunction run;
};

// Every check, in the order they run (scripts, areas, pathmaps, archives).
std::span<const Check> allChecks();

// Runs every check on the target; the findings errors first.
CheckReport checkAddon(const CheckTarget& target);

// The checks, one function each (script_checks.cpp, area_checks.cpp, pathmap_checks.cpp,
// terrain_checks.cpp, archive_checks.cpp).
std::vector<Finding> checkArchiveReadable(Addon& addon);
std::vector<Finding> checkAiScript(Addon& addon);
std::vector<Finding> checkAddonFiles(Addon& addon);
std::vector<Finding> checkCreateAllMaps(Addon& addon);
std::vector<Finding> checkClassPathmaps(Addon& addon);
std::vector<Finding> checkClassSpawnPoints(Addon& addon);
std::vector<Finding> checkScriptText(Addon& addon);
std::vector<Finding> checkAreasExist(Addon& addon);
std::vector<Finding> checkAreaNames(Addon& addon);
std::vector<Finding> checkNeighbourNames(Addon& addon);
std::vector<Finding> checkMutualLinks(Addon& addon);
std::vector<Finding> checkOrderPositions(Addon& addon);
std::vector<Finding> checkAreaGroups(Addon& addon);
std::vector<Finding> checkAreasInWorld(Addon& addon);
std::vector<Finding> checkControlPointsInAreas(Addon& addon);
std::vector<Finding> checkAreasPassable(Addon& addon);
std::vector<Finding> checkPathmapsReadable(Addon& addon);
std::vector<Finding> checkPathmapSizes(Addon& addon);
std::vector<Finding> checkSpawnPointsPassable(Addon& addon);
std::vector<Finding> checkPathmapLevels(Addon& addon);
std::vector<Finding> checkTerrainReadable(Addon& addon);
std::vector<Finding> checkTerrainDrawn(Addon& addon);
std::vector<Finding> checkTerrainWater(Addon& addon);
std::vector<Finding> checkTerrainOutside(Addon& addon);
std::vector<Finding> checkTerrainSpawnPoints(Addon& addon);
std::vector<Finding> checkArchiveEntries(Addon& addon);
std::vector<Finding> checkLeftovers(Addon& addon);
std::vector<Finding> checkArchiveLevelPath(Addon& addon);
std::vector<Finding> checkCoopScripts(Addon& addon);
std::vector<Finding> checkAddonArchive(Addon& addon);
std::vector<Finding> checkMergedArchive(Addon& addon);
std::vector<Finding> checkPackTargetPlace(Addon& addon);

} // namespace tess::checks
