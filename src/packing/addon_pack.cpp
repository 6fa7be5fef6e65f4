#include "packing/addon_pack.h"

#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/lines.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "packing/batches.h"
#include "packing/level_archive.h"
#include "packing/pack_state.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace tess::packing {
namespace {

const char* const kPackBatch = "pack.bat";

std::string programArchiveOf(const WizardState& state, const std::string& programFolder) {
    return programFolder + packNameOf(state.packTarget) + ".rfa";
}

BatchFile packBatchFile(const std::string& programFolder) {
    return {programFolder, kPackBatch};
}

// Refuses an archive that a pack would replace when it is anything but an addon archive of
// the map: a pack never overwrites the map archive, nor any file of the user's.
void checkReplaceable(const std::string& archive, const std::string& mapName) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(resolvePath(archive), ec)))
        return;
    const std::string reason = notAnAddonReason(archive, mapName);
    if (!reason.empty())
        throw Error(archive + " ist schon da und ist kein Addon-Archiv der Map " + mapName + " (" +
                    reason + ") Es wird nicht überschrieben. Wähle einen anderen Namen, etwa " +
                    mapName + "_001, oder verschiebe die Datei");
}

// The archive in the program folder and the target: both replaceable, and the one in the
// program folder removed unless it is the target itself. What each is before the batch.
std::pair<ArchiveStamp, ArchiveStamp> prepareArchives(const WizardState& state,
                                                      const std::string& programFolder) {
    const std::string programArchive = programArchiveOf(state, programFolder);
    const std::string target = state.packTarget + ".rfa";
    checkReplaceable(target, state.mapName);
    checkReplaceable(programArchive, state.mapName);
    if (fileExists(programArchive) && !sameFile(programArchive, target) &&
        (!deleteFile(programArchive) || fileExists(programArchive)))
        throw Error("Das alte Archiv " + programArchive +
                    " kann nicht gelöscht werden; ohne das würde das Packen sofort als "
                    "fertig gelten. Bitte schließe, was es noch benutzt");
    return {stampOf(programArchive), stampOf(target)};
}

} // namespace

void checkAddonToPack(const WizardState& state, const std::string& programFolder) {
    if (state.mapName.empty())
        throw Error("Es ist noch keine Map bekannt. Wähle deine Map auf Tab (1) und schreibe ihr "
                    "Addon mit OK und Start; nach einem Neustart kopiere zuerst die "
                    "generierten Pathmaps in das Addon (Teil 2)");
    const std::string addon = intake::addonFolderOf(programFolder, state.mapName);
    const auto spelling = [](std::string text) {
        for (char& c : text)
            if (c == '/')
                c = '\\';
        return caseFoldedKey(text);
    };
    if (spelling(state.levelDir) != spelling(addon) || !fileExists(addon + "ai.con"))
        throw Error("Das Addon " + addon +
                    " ist noch nicht geschrieben. Schreibe es zuerst mit Start auf Tab (1)");
}

std::string proposedPackName(const WizardState& state) {
    return state.mapName + "_001";
}

std::string packNameOf(const std::string& packTarget) {
    return fileNamePart(packTarget);
}

void choosePackTarget(WizardState& state, const std::string& chosenPath,
                      const std::string& programFolder) {
    checkAddonToPack(state, programFolder);
    buildPackBatch(state.mapName, chosenPath, programFolder);
    checkReplaceable(chosenPath + ".rfa", state.mapName);
    checkReplaceable(programFolder + packNameOf(chosenPath) + ".rfa", state.mapName);
    state.packTarget = chosenPath;
}

void writePackBatch(const WizardState& state, const std::string& programFolder) {
    saveBatchFile(programFolder + kPackBatch,
                  buildPackBatch(state.mapName, state.packTarget, programFolder));
}

BatchWait startFirstPack(const WizardState& state, const std::string& programFolder) {
    const auto before = prepareArchives(state, programFolder);
    BatchProcess batch = openBatch(programFolder, kPackBatch);
    return BatchWait::forPackedArchive(std::move(batch), packBatchFile(programFolder),
                                       programArchiveOf(state, programFolder),
                                       state.packTarget + ".rfa", before);
}

PathmapImport importPathmaps(WizardState& state, const std::string& programFolder) {
    restorePackState(state, programFolder, true);
    PathmapImport result;
    const std::string aiCon = state.levelDir + "ai.con";
    LineList lines = loadLines(aiCon);
    result.commandRemoved = removeCreateAllMaps(lines);
    saveLines(aiCon, lines);
    result.folder = gamePathmapFolder(state.gameDir, state.mapName);
    const Folder folder = openGamePathmapFolder(state.gameDir, result.folder);
    PathmapListing listing = listPathmaps(folder);
    result.listed = std::move(listing.names);
    result.refused = std::move(listing.refused);
    result.copy = copyPathmaps(folder, result.folder, result.listed, state.levelDir);
    return result;
}

BatchWait startFinalPack(const WizardState& state, const std::string& programFolder) {
    if (state.packTarget.empty())
        throw Error("Es ist noch kein Ziel für das Addon-Archiv bekannt. Packe dein Addon "
                    "zuerst zum 1. Mal (Teil 1) oder kopiere die generierten Pathmaps in das "
                    "Addon (Teil 2)");
    if (!fileExists(programFolder + kPackBatch))
        throw cannotOpen(programFolder + kPackBatch, systemReason(ENOENT));
    const auto before = prepareArchives(state, programFolder);
    BatchProcess batch = openBatch(programFolder, kPackBatch);
    return BatchWait::forCopiedArchive(std::move(batch), packBatchFile(programFolder),
                                       programArchiveOf(state, programFolder),
                                       state.packTarget + ".rfa", before);
}

} // namespace tess::packing
