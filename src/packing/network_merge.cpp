#include "packing/network_merge.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "intake/map_choice.h"
#include "packing/batches.h"
#include "scripts/coop_listings.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace tess::packing {
namespace {

const char* const kUnpackBatch = "unpack.bat";
const char* const kPackBatch = "pack.bat";

std::string networkFolderOf(const std::string& programFolder) {
    return programFolder + "Network\\";
}

template <std::size_t N> LineList linesOf(const std::array<std::string_view, N>& listing) {
    return LineList(listing.begin(), listing.end());
}

// A merge folder name that stays one folder below Network\bf1942\levels\ .
bool isPlainFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/") == std::string::npos;
}

// Removes what an earlier merge left in the merge folder. A link in its place is removed,
// never followed.
void emptyMergeFolder(const std::string& programFolder, const std::string& netMapName) {
    if (!isPlainFolderName(netMapName))
        return;
    const std::string folder = mergeFolderOf(programFolder, netMapName);
    const fs::path path = resolvePath(folder);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status))
        return;
    if (!fs::is_directory(status)) {
        fs::remove(path, ec);
    } else {
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
            fs::remove_all(it->path(), ec);
            if (ec)
                break;
        }
    }
    if (ec)
        throw Error("Der Ordner " + folder + " kann nicht geleert werden. " +
                    systemReason(ec.value()));
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(resolvePath(a), resolvePath(b), ec) && !ec;
}

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(resolvePath(path), ec);
    return ec ? static_cast<std::uintmax_t>(-1) : size;
}

} // namespace

void DisposalChoice::click(DisposalBox box) {
    const auto i = static_cast<std::size_t>(box);
    if (ticked_[i])
        ticked_[i] = false;
    else
        tick(box);
}

void DisposalChoice::tick(DisposalBox box) {
    ticked_ = {false, false, false};
    ticked_[static_cast<std::size_t>(box)] = true;
}

bool DisposalChoice::isTicked(DisposalBox box) const {
    return ticked_[static_cast<std::size_t>(box)];
}

Disposal DisposalChoice::disposal() const {
    if (ticked_[0])
        return Disposal::remove;
    if (ticked_[1])
        return Disposal::backUp;
    return Disposal::keep;
}

std::string chooseNetMap(WizardState& state, const std::string& archivePath) {
    state.netMapName = intake::withoutExtension(fileNamePart(archivePath));
    state.netMapArchive = archivePath;
    return state.netMapArchive;
}

std::string chooseNetAddon(WizardState& state, const std::string& archivePath) {
    state.netAddonName = intake::withoutExtension(fileNamePart(archivePath));
    state.netAddonArchive = archivePath;
    return state.netAddonArchive;
}

void chooseBackupPath(WizardState& state, const std::string& path) {
    state.netBackupPath = path;
}

std::string mergeFolderOf(const std::string& programFolder, const std::string& netMapName) {
    return networkFolderOf(programFolder) + "bf1942\\levels\\" + netMapName + "\\";
}

LineList buildNetworkUnpackBatch(const WizardState& state, const std::string& programFolder) {
    return buildNetworkUnpackBatch(state.netMapArchive, state.netMapName, state.netAddonArchive,
                                   state.netAddonName, programFolder);
}

LineList buildNetworkPackBatch(const WizardState& state, const std::string& programFolder) {
    return buildNetworkPackBatch(state.netMapArchive, state.netMapName, programFolder);
}

BatchProcess startNetworkUnpack(const WizardState& state, const std::string& programFolder) {
    const LineList lines = buildNetworkUnpackBatch(state, programFolder);
    const std::string network = networkFolderOf(programFolder);
    saveBatchFile(network + kUnpackBatch, lines);
    emptyMergeFolder(programFolder, state.netMapName);
    return openBatch(network, kUnpackBatch);
}

BatchWait waitForNetworkUnpack(BatchProcess unpack, const WizardState& state,
                               const std::string& programFolder) {
    const std::string folder = mergeFolderOf(programFolder, state.netMapName);
    return BatchWait::forBatchEnd(std::move(unpack), {networkFolderOf(programFolder), kUnpackBatch},
                                  folder, [folder] { return fileExists(folder); });
}

void writeCoopScripts(const std::string& mergeFolder) {
    saveLines(mergeFolder + "Coop.con", linesOf(scripts::kCoopScript));
    saveLines(mergeFolder + "Gametypes\\Coop.con", linesOf(scripts::kCoopGameTypeScript));
}

DisposalOutcome disposeAddonArchive(const WizardState& state, Disposal disposal) {
    const std::string& archive = state.netAddonArchive;
    DisposalOutcome outcome;
    if (disposal == Disposal::keep || archive.empty() || !fileExists(archive))
        return outcome;
    const std::string kept = " Es bleibt, wo es ist.";
    if (disposal == Disposal::backUp) {
        const std::string& backup = state.netBackupPath;
        if (backup.empty()) {
            outcome.note = "\"Sichern nach:\" ist angekreuzt, aber kein Pfad gewählt: Das "
                           "Addon-Archiv " +
                           archive + " wird nicht gelöscht." + kept;
            return outcome;
        }
        if (sameFile(archive, backup)) {
            outcome.note = "Das Addon-Archiv " + archive +
                           " soll auf sich selbst gesichert werden und wird nicht gelöscht." + kept;
            return outcome;
        }
        const bool copied = copyFileReplacing(archive, backup);
        if (!copied || !fileExists(backup) || sizeOf(backup) != sizeOf(archive)) {
            outcome.note = "Das Addon-Archiv " + archive + " kann nicht nach " + backup +
                           " gesichert werden und wird nicht gelöscht." + kept;
            return outcome;
        }
    }
    if (!deleteFile(archive) || fileExists(archive)) {
        outcome.note = "Das Addon-Archiv " + archive + " kann nicht gelöscht werden." + kept;
        return outcome;
    }
    outcome.archiveGone = true;
    return outcome;
}

ArchiveStamp stampOf(const std::string& path) {
    ArchiveStamp stamp;
    const fs::path file = resolvePath(path);
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(file, ec))
        return stamp;
    stamp.exists = true;
    stamp.size = fs::file_size(file, ec);
#ifdef _WIN32
    // To the 100 ns that Windows keeps (the run-time's last_write_time gives whole seconds,
    // and two merges within one second would look alike).
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
        stamp.modified =
            static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                      data.ftLastWriteTime.dwLowDateTime);
#else
    stamp.modified =
        static_cast<std::int64_t>(fs::last_write_time(file, ec).time_since_epoch().count());
#endif
    return stamp;
}

MergeStarted finishMerge(const WizardState& state, Disposal disposal,
                         const std::string& programFolder, bool fixCoopScripts) {
    // The names first: a refused name must stop the merge before the addon archive is
    // touched.
    const LineList lines = buildNetworkPackBatch(state, programFolder);
    if (fixCoopScripts)
        writeCoopScripts(mergeFolderOf(programFolder, state.netMapName));
    MergeStarted started;
    started.disposal = disposeAddonArchive(state, disposal);
    const std::string network = networkFolderOf(programFolder);
    saveBatchFile(network + kPackBatch, lines);
    started.mapBefore = stampOf(state.netMapArchive);
    started.batch = openBatch(network, kPackBatch);
    return started;
}

BatchWait waitForNetworkPack(const MergeStarted& started, const WizardState& state,
                             const std::string& programFolder) {
    const std::string map = state.netMapArchive;
    const ArchiveStamp before = started.mapBefore;
    return BatchWait::forBatchEnd(
        started.batch, {networkFolderOf(programFolder), kPackBatch}, map, [map, before] {
            const ArchiveStamp now = stampOf(map);
            return now.exists &&
                   (!before.exists || now.size != before.size || now.modified != before.modified);
        });
}

} // namespace tess::packing
