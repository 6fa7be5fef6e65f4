// "Start" (`Button2Click`): turns the inspected map into a bot addon on disk. Creates the
// addon folder tree, writes the AI start script, the stats file, the Co-op, single-player and
// bot-name scripts, copies the map's Conquest scripts and the three behaviour templates,
// writes the path-finding script and an empty area script.
#pragma once

#include "core/wizard_state.h"
#include "scripts/pathfinding.h"

#include <cstddef>
#include <functional>
#include <string>

namespace tess::scripts {

// What a completed Start leaves for its callers (the command-line tool prints it).
struct StartReport {
    std::string addonFolder;            // the new levelDir
    std::size_t soldierSpawnPoints = 0; // position lines of the soldier spawn script
    std::size_t objectSpawnPoints = 0;  // position lines of the object spawn script
};

// Runs Start on the wizard state as OK left it (worldSize, mapName, levelDir = the map level
// folder). Switches mapLevelDir and levelDir first (a repeated run after one that stopped
// keeps them as the first run set them), and leaves the current directory at the addon folder.
// `fillReviewList` runs after the path-finding script is written and before the empty area
// script: the window fills its review list there (entries: kReviewEntries). When Start returns,
// the window enables the review list and tab "(2) Areas" and disables Start.
// Errors travel as tess::Error; what was done before the error stays done.
StartReport runStart(WizardState& state, SpawnFlags flags, const std::string& programFolder,
                     const std::function<void()>& fillReviewList = {});

// The command-line tool's output for `generate`, one item per line: "addon: <addon folder>",
// "soldierSpawnPoints: <n>", "objectSpawnPoints: <n>".
std::string generateReportText(const StartReport& report);

} // namespace tess::scripts
