// "Start" (`Button2Click`): turns the inspected map into a bot addon on disk. Creates the
// addon folder tree, writes the AI start script, the stats file, the Co-op, single-player and
// bot-name scripts, copies the map's Conquest scripts and the three behaviour templates,
// writes the path-finding script and an empty area script.
#pragma once

#include "core/wizard_state.h"
#include "scripts/pathfinding.h"

#include "core/lines.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::scripts {

// What a completed Start leaves for its callers (the command-line tool prints it).
struct StartReport {
    std::string addonFolder;            // the new levelDir
    std::size_t soldierSpawnPoints = 0; // position lines of the soldier spawn script
    std::size_t objectSpawnPoints = 0;  // position lines of the object spawn script
};

// Start comes in two parts, with the window's review list filled between them (entries:
// kReviewEntries). Errors travel as tess::Error; what was done before the error stays done.
//
// The first part works on the wizard state as OK left it (worldSize, mapName, levelDir = the
// map level folder). It switches mapLevelDir and levelDir (a repeated run after one that
// stopped keeps them as the first run set them), creates the addon folder tree, writes every
// script up to the path-finding script and leaves the current directory at the addon folder.
StartReport writeAddonScripts(WizardState& state, SpawnFlags flags,
                              const std::string& programFolder);

// The second part: the empty area script in the addon folder (levelDir), which the area
// editor fills later and ai.con runs. Afterwards the window enables the review list and tab
// "(2) Areas" and disables Start.
void writeEmptyAreaScript(const WizardState& state);

// The lines of the AI start script "ai.con" for a level of that world size, as Start writes
// it, "ai.createallmaps" included.
LineList aiStartScript(std::int32_t worldSize);

// Both parts in one call, for callers without a review list (the command-line tool).
StartReport runStart(WizardState& state, SpawnFlags flags, const std::string& programFolder);

// The command-line tool's output for `generate`, one item per line: "addon: <addon folder>",
// "soldierSpawnPoints: <n>", "objectSpawnPoints: <n>".
std::string generateReportText(const StartReport& report);

} // namespace tess::scripts
