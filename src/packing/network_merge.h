// The network merge: a map archive and an addon archive become one map archive, for play
// with human opponents on a dedicated server. "Entpacken" unpacks both into the merge
// folder Network\bf1942\levels\<netMapName>\ (the addon second, so its files win);
// "Map und Addon verbinden" writes the current Co-op scripts there, disposes of the addon
// archive as the user chose, and packs the folder over the chosen map archive.
#pragma once

#include "core/lines.h"
#include "core/wizard_state.h"
#include "packing/batch_wait.h"
#include "platform/shell.h"

#include <array>
#include <cstdint>
#include <string>

namespace tess::packing {

// What becomes of the addon archive once the merge runs.
enum class Disposal {
    keep,   // fix3, or no box ticked
    remove, // fix1 "Löschen"
    backUp, // fix2 "Sichern nach:"
};

enum class DisposalBox { fix1, fix2, fix3 };

// The three check boxes fix1 to fix3 as one exclusive choice: at most one is ticked, at the
// start fix3. A tick made by the program (Button9Click, or the unticking itself) starts no
// further unticking.
class DisposalChoice {
public:
    // The user clicked the box: its tick flips; a new tick unticks the other two.
    void click(DisposalBox box);
    // The program ticks the box (as "Pfad" ticks fix2) and unticks the other two.
    void tick(DisposalBox box);
    bool isTicked(DisposalBox box) const;
    Disposal disposal() const;

private:
    std::array<bool, 3> ticked_{false, false, true};
};

// Image13Click: the chosen map archive. Returns the text shown in Edit6.
std::string chooseNetMap(WizardState& state, const std::string& archivePath);

// Image14Click: the chosen addon archive. Returns the text shown in Edit7; the backup
// dialog then proposes fileNamePart(netAddonArchive).
std::string chooseNetAddon(WizardState& state, const std::string& archivePath);

// Button9Click, after its dialog: the backup path, unchanged, with no extension added.
void chooseBackupPath(WizardState& state, const std::string& path);

// <program folder>Network\bf1942\levels\<netMapName>\ .
std::string mergeFolderOf(const std::string& programFolder, const std::string& netMapName);

LineList buildNetworkUnpackBatch(const WizardState& state, const std::string& programFolder);
LineList buildNetworkPackBatch(const WizardState& state, const std::string& programFolder);

// Button10Click: checks the names, saves Network\unpack.bat, empties the merge folder (so
// that only what this merge unpacks is packed) and starts the batch. The window keeps what
// comes back: "Map und Addon verbinden" waits for it to end.
BatchProcess startNetworkUnpack(const WizardState& state, const std::string& programFolder);

// The wait for a running unpack batch: done when it has ended and the merge folder is there.
BatchWait waitForNetworkUnpack(BatchProcess unpack, const WizardState& state,
                               const std::string& programFolder);

// Writes Coop.con and Gametypes\Coop.con (the current Co-op scripts) into the merge folder.
void writeCoopScripts(const std::string& mergeFolder);

struct DisposalOutcome {
    bool archiveGone = false; // the addon archive was deleted (after a verified backup)
    std::string note;         // what the user must be told, in German; empty when nothing
};

// Deletes, backs up and then deletes, or keeps the addon archive. It is deleted after a
// backup only when the copy exists with the same size; with no backup path, a failing copy
// or a backup onto the archive itself it stays where it is, and the note says so.
DisposalOutcome disposeAddonArchive(const WizardState& state, Disposal disposal);

// The merged map archive as it was before the pack batch ran, to tell when it is replaced.
struct ArchiveStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
};
ArchiveStamp stampOf(const std::string& path);

struct MergeStarted {
    BatchProcess batch;     // Network\pack.bat
    ArchiveStamp mapBefore; // the map archive before the batch replaces it
    DisposalOutcome disposal;
};

// Button8Click after any wait for the unpack: checks the names, writes the Co-op scripts
// (when `fixCoopScripts`, as the always selected `oldfix` asks), disposes of the addon
// archive, saves Network\pack.bat and starts it. An error stops it where it occurs; the
// addon archive is touched only after the Co-op scripts are written.
MergeStarted finishMerge(const WizardState& state, Disposal disposal,
                         const std::string& programFolder, bool fixCoopScripts = true);

// The wait for the pack batch of the merge: done when it has ended and the map archive has
// been replaced.
BatchWait waitForNetworkPack(const MergeStarted& started, const WizardState& state,
                             const std::string& programFolder);

} // namespace tess::packing
