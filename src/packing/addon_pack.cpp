#include "packing/addon_pack.h"

#include "core/error.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/paths.h"
#include "packing/batches.h"
#include "packing/pack_state.h"

#include <cerrno>

namespace tess::packing {
namespace {

const char* const kPackBatch = "pack.bat";

std::string programArchiveOf(const WizardState& state, const std::string& programFolder) {
    return programFolder + packNameOf(state.packTarget) + ".rfa";
}

BatchFile packBatchFile(const std::string& programFolder) {
    return {programFolder, kPackBatch};
}

} // namespace

std::string proposedPackName(const WizardState& state) {
    return state.mapName + "_001";
}

std::string packNameOf(const std::string& packTarget) {
    return fileNamePart(packTarget);
}

void choosePackTarget(WizardState& state, const std::string& chosenPath,
                      const std::string& programFolder) {
    buildPackBatch(state.mapName, chosenPath, programFolder);
    state.packTarget = chosenPath;
}

void writePackBatch(const WizardState& state, const std::string& programFolder) {
    saveBatchFile(programFolder + kPackBatch,
                  buildPackBatch(state.mapName, state.packTarget, programFolder));
}

BatchWait startFirstPack(const WizardState& state, const std::string& programFolder) {
    BatchProcess batch = openBatch(programFolder, kPackBatch);
    return BatchWait::forPackedArchive(std::move(batch), packBatchFile(programFolder),
                                       programArchiveOf(state, programFolder),
                                       state.packTarget + ".rfa");
}

PathmapImport importPathmaps(WizardState& state, const std::string& programFolder) {
    restorePackState(state, programFolder);
    PathmapImport result;
    const std::string aiCon = state.levelDir + "ai.con";
    LineList lines = loadLines(aiCon);
    result.commandRemoved = removeCreateAllMaps(lines);
    saveLines(aiCon, lines);
    result.folder = gamePathmapFolder(state.gameDir, state.mapName);
    result.listed = listPathmaps(result.folder);
    result.copy = copyPathmaps(result.folder, result.listed, state.levelDir);
    return result;
}

BatchWait startFinalPack(const WizardState& state, const std::string& programFolder) {
    if (state.packTarget.empty())
        throw Error("Es ist noch kein Ziel für das Addon-Archiv bekannt. Packe dein Addon "
                    "zuerst zum 1. Mal (Teil 1) oder kopiere die generierten Pathmaps in das "
                    "Addon (Teil 2)");
    if (!fileExists(programFolder + kPackBatch))
        throw cannotOpen(programFolder + kPackBatch, systemReason(ENOENT));
    const std::string programArchive = programArchiveOf(state, programFolder);
    if (fileExists(programArchive) && !deleteFile(programArchive))
        throw Error("Das alte Archiv " + programArchive +
                    " kann nicht gelöscht werden; ohne das würde das Packen sofort als "
                    "fertig gelten. Bitte schließe, was es noch benutzt");
    BatchProcess batch = openBatch(programFolder, kPackBatch);
    return BatchWait::forCopiedArchive(std::move(batch), packBatchFile(programFolder),
                                       programArchive, state.packTarget + ".rfa");
}

} // namespace tess::packing
