#include "intake/map_choice.h"

#include "core/error.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "platform/shell.h"

#include <filesystem>
#include <system_error>

namespace tess::intake {

std::string mapNameFromLevelDir(std::string_view levelDir, char separator) {
    std::string_view path = levelDir;
    if (!path.empty())
        path.remove_suffix(1);
    std::size_t k = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (path[i - 1] == separator)
            return std::string(path.substr(path.size() - k));
        ++k;
    }
    return {};
}

std::string chooseUnpackedMap(WizardState& state, const std::string& initConPath) {
    const std::string folder = folderPart(initConPath);
    state.levelDir = folder;
    state.mapName = mapNameFromLevelDir(folder, nativeSeparator());
    return folder;
}

void checkSafeForBatch(const std::string& text) {
    for (const char c : text) {
        if (c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '%' || c == '"')
            throw Error("Der Pfad \"" + text + "\" enthält das Zeichen " + c +
                        ", das in einer Batchdatei eine eigene Bedeutung hat. Bitte benenne "
                        "die Datei oder den Ordner um");
    }
}

std::string withoutExtension(const std::string& archiveFileName) {
    if (archiveFileName.size() < 4)
        return archiveFileName;
    return archiveFileName.substr(0, archiveFileName.size() - 4);
}

namespace {

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto pa = std::filesystem::weakly_canonical(resolvePath(a), ec);
    if (ec)
        return false;
    const auto pb = std::filesystem::weakly_canonical(resolvePath(b), ec);
    return !ec && pa == pb;
}

} // namespace

LineList buildUnpackBatch(const std::string& archivePath, const std::string& programFolder) {
    checkSafeForBatch(archivePath);
    checkSafeForBatch(programFolder);
    const std::string file = fileNamePart(archivePath);
    const std::string toolArgument =
        file.find(' ') == std::string::npos ? file : "\"" + file + "\"";
    const std::string toolLine = "rfaunpack.exe " + toolArgument + " ";
    if (sameFolder(folderPart(archivePath), programFolder))
        return {toolLine};
    return {
        "copy \"" + archivePath + "\" \"" + programFolder + file + "\"",
        toolLine,
        "del \"" + programFolder + file + "\"",
    };
}

std::string choosePackedMap(WizardState& state, const std::string& archivePath,
                            const std::string& programFolder) {
    const LineList batch = buildUnpackBatch(archivePath, programFolder);
    const std::string file = fileNamePart(archivePath);
    state.mapName = file;
    runBatch(programFolder, "unpack.bat", batch);
    state.scratch = withoutExtension(file);
    state.levelDir = levelFolderOf(programFolder, state.scratch);
    return archivePath;
}

} // namespace tess::intake
