#include "packing/pack_state.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/paths.h"
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

// The lines the file holds at most: the four of every version, and the map level folder.
constexpr std::size_t kMostLines = 5;
// No line is longer than the longest path Windows knows.
constexpr std::size_t kLongestLine = 32767;

// What is wrong with the shape of temp\pathf.bf (whole lines, as many as are written, none
// longer than a path), or empty when nothing is.
std::string shapeProblem(const LineList& lines, bool lastLineEnded) {
    if (lines.size() > kMostLines)
        return "Sie hat " + std::to_string(lines.size()) + " Zeilen, mehr als die " +
               std::to_string(kMostLines) + ", die das 1. Packen schreibt";
    if (!lastLineEnded)
        return "Sie ist abgeschnitten: nach " + std::to_string(lines.size() - 1) +
               " vollständigen Zeilen bricht Zeile " + std::to_string(lines.size()) + " ab";
    if (lines.size() < 4)
        return "Sie hat " + std::to_string(lines.size()) + " von 4 Zeilen";
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].size() > kLongestLine)
            return "Zeile " + std::to_string(i + 1) + " ist mit " +
                   std::to_string(lines[i].size()) + " Zeichen länger als jeder Pfad";
    return {};
}

// What is wrong with the lines of temp\pathf.bf, or empty when nothing is.
std::string packStateProblem(const LineList& lines, bool lastLineEnded,
                             const std::string& programFolder, bool needGameFolder) {
    if (std::string problem = shapeProblem(lines, lastLineEnded); !problem.empty())
        return problem;
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
    const std::string mapLevelDir = lineAt(lines, 4);
    if (!mapLevelDir.empty() && !isPathSeparator(mapLevelDir.back()))
        return "Zeile 5 (\"" + mapLevelDir + "\") nennt keinen Ordner";
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
    const std::string bytes = readFileBytes(path);
    const LineList lines = splitLines(decodeCp1252(bytes));
    const bool lastLineEnded = bytes.empty() || bytes.back() == '\r' || bytes.back() == '\n';
    const std::string problem =
        packStateProblem(lines, lastLineEnded, programFolder, needGameFolder);
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
