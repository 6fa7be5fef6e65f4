// The network merge: a map archive and an addon archive become one map archive, for play
// with human opponents on a dedicated server. "Entpacken" unpacks both into the merge
// folder Network\bf1942\levels\<netMapName>\ (the addon second, so its files win);
// "Map und Addon verbinden" writes the current Co-op scripts there and packs the folder over
// the chosen map archive; once the map archive holds all of it, the addon archive is disposed
// of as the user chose. Nothing is replaced or deleted before what replaces it is proven
// complete: a merge that fails anywhere leaves both archives as they were.
#pragma once

#include "core/lines.h"
#include "core/wizard_state.h"
#include "packing/batch_wait.h"
#include "platform/shell.h"

#include <array>
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

// Everything is checked before the merge writes or deletes anything: both archives exist and
// are readable level archives, they are not one file, neither lies in the folder that the
// merge empties (Network\bf1942\), the map archive holds the level <netMapName> and nothing
// beside it (what lay beside it would not be packed again), the addon's files lie under the
// same level path, and a backup path (with "Sichern nach:") is neither of the two archives
// nor in the network folder. Throws tess::Error saying what is wrong; nothing has changed.
void checkMergeArchives(const WizardState& state, Disposal disposal,
                        const std::string& programFolder);

// Button10Click: checks the archives (checkMergeArchives), saves Network\unpack.bat, empties
// the merge folder (so that only what this merge unpacks is packed) and starts the batch. The
// window keeps what comes back: "Map und Addon verbinden" waits for it to end.
BatchProcess startNetworkUnpack(const WizardState& state, Disposal disposal,
                                const std::string& programFolder);

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
// backup only when the copy holds the archive's bytes; with no backup path, a failing copy or
// a backup onto the archive itself it stays where it is, and the note says so.
DisposalOutcome disposeAddonArchive(const WizardState& state, Disposal disposal);

struct MergeStarted {
    BatchProcess batch;     // Network\pack.bat
    ArchiveStamp mapBefore; // the map archive before the batch replaces it
};

// Button8Click after any wait for the unpack: checks the archives again, then that `unpack`
// succeeded and left every file of both archives in the merge folder (the addon's version
// where both hold one); writes the Co-op scripts (when `fixCoopScripts`, as the always
// selected `oldfix` asks), saves Network\pack.bat and starts it. Throws where a check fails,
// before anything is written; the addon archive is not touched here.
MergeStarted finishMerge(const WizardState& state, Disposal disposal,
                         const std::string& programFolder, const BatchProcess& unpack,
                         bool fixCoopScripts = true);

// The wait for the pack batch of the merge: done when it has ended and the map archive has
// been replaced.
BatchWait waitForNetworkPack(const MergeStarted& started, const WizardState& state,
                             const std::string& programFolder);

// After the pack: checks that the map archive now holds every file of the merge folder, and
// only then disposes of the addon archive as chosen. Throws when the map archive is not
// complete; the addon archive then stays where it is.
DisposalOutcome completeMerge(const WizardState& state, Disposal disposal,
                              const std::string& programFolder);

} // namespace tess::packing
