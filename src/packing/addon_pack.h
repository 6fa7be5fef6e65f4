// The addon's way to its archive: the first pack (so that the game, loading it, generates
// the pathmaps), the pathmap import after the restart, and the final pack. Each handler of
// the window is split into steps, and the window draws between them:
//
//   first pack:  proposedPackName -> (save dialog) -> choosePackTarget -> bar 20 ->
//                writePackBatch -> bar 50 -> startFirstPack -> bar 66 -> poll the wait
//                (78, 100) -> writePackState
//   import:      importPathmaps
//   final pack:  startFinalPack -> poll the wait -> "Fertig"
#pragma once

#include "core/wizard_state.h"
#include "packing/batch_wait.h"
#include "packing/pathmaps.h"

#include <string>
#include <vector>

namespace tess::packing {

// The name the save dialog proposes: "<mapName>_001".
std::string proposedPackName(const WizardState& state);

// The file-name part of the pack target (after the last separator): the archive's name in
// the program folder.
std::string packNameOf(const std::string& packTarget);

// Refuses the first pack while there is no addon to pack: no map known yet (after a restart,
// before the pathmap import has restored the state), or its addon not written by Start.
void checkAddonToPack(const WizardState& state, const std::string& programFolder);

// The path chosen in the save dialog becomes packTarget, once the names that pack.bat will
// carry have been checked, and once neither the archive at the target nor the one that the
// pack makes in the program folder would replace anything but an addon archive of this map
// (an earlier "<map>_001.rfa"): never the map archive itself, nor any other file. A refusal
// throws and changes nothing.
void choosePackTarget(WizardState& state, const std::string& chosenPath,
                      const std::string& programFolder);

// Saves pack.bat into the program folder.
void writePackBatch(const WizardState& state, const std::string& programFolder);

// Starts pack.bat in the program folder and returns the wait for both archives, which ends
// only on the archives that this run makes. An archive that an earlier pack left in the program
// folder is removed first, so that a pack that fails has nothing old to copy to the target.
BatchWait startFirstPack(const WizardState& state, const std::string& programFolder);

// What Button6Click did, for the window to show.
struct PathmapImport {
    bool commandRemoved = false;     // "ai.createallmaps" was taken out of ai.con
    std::string folder;              // the game's pathmap folder that was listed
    std::vector<std::string> listed; // its "*.raw" files, sorted
    PathmapCopy copy;
    std::vector<std::string> refused; // "*.raw" entries that are links or no regular files
};

// Restores the state from temp\pathf.bf (checked whole first), takes the first
// "ai.createallmaps" out of the addon's ai.con (saved in any case), lists the game's pathmaps
// and copies all but the five excluded ones into the addon: regular files only, never
// through a link, in the game's folder or in the addon. Throws where a step fails; what was
// done before stays done (the restored state too).
PathmapImport importPathmaps(WizardState& state, const std::string& programFolder);

// Runs pack.bat once more and returns the wait for the archive at the target. Refused with
// a message when there is no pack target (neither a first pack nor an import in this run)
// or no pack.bat, and (as choosePackTarget) when an archive it would replace is no addon of
// this map. Removes the archive that the last pack left in the program folder first, so the
// wait ends on the archive that this run makes.
BatchWait startFinalPack(const WizardState& state, const std::string& programFolder);

} // namespace tess::packing
