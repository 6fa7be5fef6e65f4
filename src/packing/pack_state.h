// The pack state file temp\pathf.bf in the program folder: what the pathmap import needs
// after the restart that the first pack asks for. Four lines, each ended by CR LF:
// levelDir, gameDir, packTarget, mapName.
#pragma once

#include "core/wizard_state.h"

#include <string>

namespace tess::packing {

std::string packStatePath(const std::string& programFolder);

// Writes the four values, replacing the file. temp\ must exist (it is not created here).
void writePackState(const WizardState& state, const std::string& programFolder);

// Takes lines 1 to 4 into levelDir, gameDir, packTarget and mapName; a missing line gives an
// empty value. Throws "Datei %s kann nicht geöffnet werden. %s" and changes nothing when the
// file cannot be read.
void restorePackState(WizardState& state, const std::string& programFolder);

} // namespace tess::packing
