#include "packing/pack_state.h"

#include "core/error.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "intake/map_choice.h"
#include "intake/map_inspection.h"

namespace tess::packing {
namespace {

// A folder text in one spelling: both separators alike, letter case folded.
std::string spelling(std::string text) {
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return caseFoldedKey(text);
}

// What is wrong with the lines of temp\pathf.bf, or empty when nothing is.
std::string packStateProblem(const LineList& lines, const std::string& programFolder,
                             bool needGameFolder) {
    if (lines.size() < 4)
        return "Sie hat " + std::to_string(lines.size()) + " von 4 Zeilen";
    const std::string& mapName = lines[3];
    if (mapName.empty())
        return "Zeile 4 nennt keine Map";
    try {
        intake::checkMapName(mapName);
    } catch (const Error& e) {
        return "Zeile 4: " + std::string(e.what());
    }
    const std::string addon = intake::addonFolderOf(programFolder, mapName);
    if (spelling(lines[0]) != spelling(addon))
        return "Zeile 1 (\"" + lines[0] + "\") ist nicht der Addon-Ordner " + addon + " der Map " +
               mapName;
    if (needGameFolder && lines[1].empty())
        return "Zeile 2 nennt keinen Spielordner; bestätige ihn zuerst unter \"Battlefield 1942\"";
    if (lines[2].empty())
        return "Zeile 3 nennt kein Ziel für das Addon-Archiv";
    return {};
}

} // namespace

std::string packStatePath(const std::string& programFolder) {
    return programFolder + "temp\\pathf.bf";
}

void writePackState(const WizardState& state, const std::string& programFolder) {
    saveLines(packStatePath(programFolder),
              {state.levelDir, state.gameDir, state.packTarget, state.mapName, state.mapLevelDir});
}

void restorePackState(WizardState& state, const std::string& programFolder, bool needGameFolder) {
    const std::string path = packStatePath(programFolder);
    const LineList lines = loadLines(path);
    const std::string problem = packStateProblem(lines, programFolder, needGameFolder);
    if (!problem.empty())
        throw Error("Die Datei " + path + " ist beschädigt. " + withFullStop(problem) +
                    " Packe dein Addon noch einmal zum 1. Mal (Teil 1); das schreibt die Datei "
                    "neu");
    state.levelDir = lines[0];
    state.gameDir = lines[1];
    state.packTarget = lines[2];
    state.mapName = lines[3];
    if (!lineAt(lines, 4).empty())
        state.mapLevelDir = lineAt(lines, 4);
}

} // namespace tess::packing
