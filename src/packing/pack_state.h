// The pack state file temp\pathf.bf in the program folder: what the pathmap import needs
// after the restart that the first pack asks for. Five lines, each ended by CR LF: levelDir,
// gameDir, packTarget, mapName and the map level folder (mapLevelDir, where the level's
// overview picture lies; a reader of the first four lines alone finds them as ever).
#pragma once

#include "core/wizard_state.h"

#include <string>

namespace tess::packing {

std::string packStatePath(const std::string& programFolder);

// Writes the five values, replacing the file. temp\ must exist (it is not created here).
void writePackState(const WizardState& state, const std::string& programFolder);

// Takes lines 1 to 4 into levelDir, gameDir, packTarget and mapName, and a fifth line, when
// there is one, into mapLevelDir. Every line is checked before anything changes: four or five
// whole lines (a file cut short, or with more appended, is damaged), none longer than a path,
// a map name that the addon may carry, levelDir the addon folder of that map under
// the program folder's bf1942\levels\, a pack target, with needGameFolder a game folder, and
// a fifth line that is empty or a folder.
// Throws "Datei %s kann nicht geöffnet werden. %s" when the file cannot be read, and a message
// naming the file and the line that is wrong when it is damaged; the state is then as before.
void restorePackState(WizardState& state, const std::string& programFolder,
                      bool needGameFolder = false);

} // namespace tess::packing
