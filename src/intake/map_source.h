// The map as the command-line tool names it: a level folder holding init.con, the path of
// an init.con, or a level archive. An archive is unpacked at once under the program
// folder's bf1942/levels/, as the window's unpack batch would leave it.
#pragma once

#include "core/wizard_state.h"

#include <string>

namespace tess::intake {

// Chooses the map named by `map` (a native path) and, for an archive, unpacks it and waits.
// Afterwards the state is as after the window's map choice, ready for inspectMap.
void chooseMapAndWait(WizardState& state, const std::string& map, const std::string& programFolder);

} // namespace tess::intake
