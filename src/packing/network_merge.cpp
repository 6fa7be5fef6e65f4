#include "packing/network_merge.h"

#include "archive/reader.h"
#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/paths.h"
#include "intake/map_choice.h"
#include "packing/batches.h"
#include "packing/level_archive.h"
#include "scripts/coop_listings.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

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
// never followed; a link on the way to it from the program folder stops the merge, since it
// would lead the removal elsewhere.
void emptyMergeFolder(const std::string& programFolder, const std::string& netMapName) {
    if (!isPlainFolderName(netMapName))
        return;
    const std::string folder = mergeFolderOf(programFolder, netMapName);
    const fs::path path = resolvePath(folder);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status))
        return;
    try {
        (void)openFolderBelow(resolvePath(programFolder), path.parent_path());
    } catch (const Error& e) {
        throw Error("Der Ordner " + folder + " kann nicht geleert werden. " +
                    withFullStop(e.what()) + " Map- und Addon-Archiv bleiben, wie sie sind");
    }
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

// The path as the file system finds it, links followed as far as they exist.
fs::path physical(const std::string& path) {
    std::error_code ec;
    fs::path result = fs::weakly_canonical(fs::absolute(resolvePath(path), ec), ec);
    if (ec)
        result = fs::absolute(resolvePath(path), ec).lexically_normal();
    return result;
}

// The path lies in the folder or below it.
bool liesIn(const std::string& path, const std::string& folder) {
    const fs::path inner = physical(path);
    fs::path outer = physical(folder);
    if (!outer.has_filename())
        outer = outer.parent_path();
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i)
        if (i == inner.end() || !sameNameIgnoringCase(pathText(*o), pathText(*i)))
            return false;
    return i != inner.end();
}

// The level archive, or the error that it cannot be read, said for the merge.
LevelArchive readForMerge(const std::string& path) {
    try {
        return readLevelArchive(path);
    } catch (const Error& e) {
        throw Error(withFullStop(e.what()) + " Map- und Addon-Archiv bleiben, wie sie sind");
    }
}

// An archive's path below its level, in the form of a folder text ("\\" separated).
std::string windowsName(std::string name) {
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

// The size of each file that unpacking the archives one after the other leaves under the
// level, by its name below the level (letter case folded), with that name as unpacked.
struct UnpackedFile {
    std::string name;
    std::uint64_t size = 0;
    std::string archive;
};
std::map<std::string, UnpackedFile> filesOf(const std::vector<const LevelArchive*>& archives,
                                            const std::string& level) {
    std::map<std::string, UnpackedFile> files;
    for (const LevelArchive* archive : archives)
        for (const archive::Entry& entry : archive->entries) {
            const std::string name = nameInLevel(entry, level);
            if (!name.empty())
                files[caseFoldedKey(name)] = {name, entry.size, archive->path};
        }
    return files;
}

// The size of a regular file (never through a link at its name), or nothing.
std::optional<std::uint64_t> regularFileSize(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)))
        return std::nullopt;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return size;
}

struct CheckedArchives {
    LevelArchive map;
    LevelArchive addon;
};

CheckedArchives checkArchives(const WizardState& state, Disposal disposal,
                              const std::string& programFolder) {
    const std::string& map = state.netMapArchive;
    const std::string& addon = state.netAddonArchive;
    const std::string unchanged = " Map- und Addon-Archiv bleiben, wie sie sind";
    if (map.empty())
        throw Error("Es ist noch kein Map-Archiv gewählt. Wähle es mit dem Symbol neben \"Map\"");
    if (addon.empty())
        throw Error("Es ist noch kein Addon-Archiv gewählt. Wähle es mit dem Symbol neben "
                    "\"Addon (_00x)\"");
    const std::string mergeArea = networkFolderOf(programFolder) + "bf1942\\";
    for (const std::string* archive : {&map, &addon})
        if (liesIn(*archive, mergeArea))
            throw Error("Das Archiv " + *archive + " liegt im Ordner " + mergeArea +
                        ", den das Verbinden leert und neu füllt. Verschiebe es an einen "
                        "anderen Ort und wähle es dort." +
                        unchanged);
    CheckedArchives checked{readForMerge(map), readForMerge(addon)};
    if (sameFile(map, addon))
        throw Error("Map-Archiv und Addon-Archiv sind dieselbe Datei (" + map +
                    "). Wähle als Addon das Archiv, das Tessarine für diese Map gepackt hat, "
                    "etwa " +
                    state.netMapName + "_001.rfa." + unchanged);
    const LevelArchive& m = checked.map;
    if (m.entries.empty() || !sameNameIgnoringCase(m.level, state.netMapName))
        throw Error("Das Map-Archiv " + map + " enthält nicht den Level \"" + state.netMapName +
                    "\" (bf1942/levels/" + state.netMapName +
                    "/), nach dem es heißt. Wähle das Archiv der Map, das so heißt wie ihr "
                    "Level." +
                    unchanged);
    if (!m.outside.empty())
        throw Error("Das Map-Archiv " + map + " enthält neben dem Level " + m.level + " auch \"" +
                    m.outside +
                    "\"; das Verbinden packt nur den Level wieder ein, und das ginge verloren." +
                    unchanged);
    const LevelArchive& a = checked.addon;
    if (a.entries.empty())
        throw Error("Das Addon-Archiv " + addon + " ist leer." + unchanged);
    if (!sameNameIgnoringCase(a.level, m.level) || !a.outside.empty())
        throw Error("Das Addon-Archiv " + addon + " gehört nicht zur Map " + m.level +
                    ": es enthält \"" +
                    (a.outside.empty() ? archive::entryNameShown(a.entries.front()) : a.outside) +
                    "\", nicht nur Dateien unter bf1942/levels/" + m.level +
                    "/. Wähle das Addon dieser Map, etwa " + m.level + "_001.rfa." + unchanged);
    if (const std::string reason = mapArchiveReason(a); !reason.empty())
        throw Error("Das Addon-Archiv " + addon + " ist kein Addon der Map " + m.level + ": " +
                    reason + " Wähle das Addon dieser Map, etwa " + m.level + "_001.rfa." +
                    unchanged);
    const std::string& backup = state.netBackupPath;
    if (disposal == Disposal::backUp && !backup.empty()) {
        const std::string other = ". Wähle für die Sicherung einen anderen Pfad." + unchanged;
        if (sameFile(backup, map))
            throw Error("Die Sicherung " + backup +
                        " wäre das Map-Archiv selbst, das das Verbinden ersetzt" + other);
        if (sameFile(backup, addon))
            throw Error("Die Sicherung " + backup +
                        " wäre das Addon-Archiv selbst, das danach gelöscht wird" + other);
        if (liesIn(backup, networkFolderOf(programFolder)))
            throw Error("Die Sicherung " + backup + " läge im Netzwerkordner " +
                        networkFolderOf(programFolder) +
                        ", dessen Dateien das Verbinden ersetzt und löscht" + other);
    }
    return checked;
}

// That the unpack batch succeeded and left every file of both archives in the merge folder.
void checkUnpacked(const CheckedArchives& archives, const WizardState& state,
                   const std::string& programFolder, const BatchProcess& unpack) {
    const std::string network = networkFolderOf(programFolder);
    const std::string afterwards = " " + batchOutputSentence({network, kUnpackBatch}) +
                                   " Map- und Addon-Archiv bleiben, wie sie sind; entpacke "
                                   "sie noch einmal (\"Entpacken\"), wenn die Ursache behoben ist";
    if (unpack.failed())
        throw Error("Das Entpacken von Map und Addon ist fehlgeschlagen." + afterwards);
    const std::string folder = mergeFolderOf(programFolder, state.netMapName);
    for (const auto& [key, file] : filesOf({&archives.map, &archives.addon}, archives.map.level)) {
        const std::optional<std::uint64_t> size =
            regularFileSize(resolvePath(folder + windowsName(file.name)));
        if (!size || *size != file.size)
            throw Error("Das Entpacken ist nicht vollständig: \"" + folder +
                        windowsName(file.name) + "\" aus " + file.archive +
                        (size ? " hat nicht die Größe, die es im Archiv hat." : " fehlt.") +
                        afterwards);
    }
}

} // namespace

void checkMergeArchives(const WizardState& state, Disposal disposal,
                        const std::string& programFolder) {
    checkArchives(state, disposal, programFolder);
}

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

BatchProcess startNetworkUnpack(const WizardState& state, Disposal disposal,
                                const std::string& programFolder) {
    const LineList lines = buildNetworkUnpackBatch(state, programFolder);
    checkArchives(state, disposal, programFolder);
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
        // Deleted only once the backup holds the archive's bytes, read back from the disk.
        if (!copyFileReplacing(archive, backup) ||
            !sameContents(resolvePath(archive), resolvePath(backup))) {
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

MergeStarted finishMerge(const WizardState& state, Disposal disposal,
                         const std::string& programFolder, const BatchProcess& unpack,
                         bool fixCoopScripts) {
    // The names first: a refused name must stop the merge before anything is written.
    const LineList lines = buildNetworkPackBatch(state, programFolder);
    const CheckedArchives archives = checkArchives(state, disposal, programFolder);
    checkUnpacked(archives, state, programFolder, unpack);
    if (fixCoopScripts)
        writeCoopScripts(mergeFolderOf(programFolder, state.netMapName));
    MergeStarted started;
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
    return BatchWait::forBatchEnd(started.batch, {networkFolderOf(programFolder), kPackBatch}, map,
                                  [map, before] {
                                      const ArchiveStamp now = stampOf(map);
                                      return now.exists && now != before;
                                  });
}

DisposalOutcome completeMerge(const WizardState& state, Disposal disposal,
                              const std::string& programFolder) {
    const std::string folder = mergeFolderOf(programFolder, state.netMapName);
    const std::string kept = " Das Addon-Archiv " + state.netAddonArchive + " bleibt, wo es ist. " +
                             batchOutputSentence({networkFolderOf(programFolder), kPackBatch});
    LevelArchive merged;
    try {
        merged = readLevelArchive(state.netMapArchive);
    } catch (const Error& e) {
        throw Error("Das verbundene Map-Archiv ist nicht lesbar: " + withFullStop(e.what()) + kept);
    }
    const std::map<std::string, UnpackedFile> entries = filesOf({&merged}, state.netMapName);
    const fs::path root = resolvePath(folder);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        std::string name = pathText(it->path().lexically_relative(root));
        for (char& c : name)
            if (c == '\\')
                c = '/';
        const auto found = entries.find(caseFoldedKey(name));
        if (found == entries.end() || found->second.size != it->file_size(ec))
            throw Error("Das verbundene Map-Archiv " + state.netMapArchive +
                        " ist nicht vollständig: \"" + windowsName(name) + "\" fehlt darin." +
                        kept);
    }
    if (ec)
        throw Error("Der Ordner " + folder + " kann nicht gelesen werden. " +
                    systemReason(ec.value()) + kept);
    return disposeAddonArchive(state, disposal);
}

} // namespace tess::packing
