#include "intake/map_choice.h"

#include "core/codepage.h"
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

void checkMapName(const std::string& mapName) {
    std::string reason;
    const auto onlyDotsAndBlanks = mapName.find_first_not_of(". ") == std::string::npos;
    for (const char c : mapName) {
        if (c == '\\' || c == '/') {
            reason = std::string("er enthält \"") + c + "\", das unter Windows Ordner trennt";
            break;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
            std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
            reason = "er enthält das Zeichen \"" + shownText(std::string(1, c)) +
                     "\", das Windows in Namen nicht erlaubt";
            break;
        }
    }
    if (reason.empty() && !mapName.empty() && onlyDotsAndBlanks)
        reason = "er verweist auf einen übergeordneten Ordner";
    if (reason.empty() && !fitsCp1252(mapName)) {
        try {
            encodeCp1252(mapName);
        } catch (const Error& e) {
            reason = e.what();
        }
    }
    if (!reason.empty())
        throw Error("Der Kartenname \"" + shownText(mapName) + "\" ist unzulässig: " + reason +
                    ". Bitte benenne den Ordner oder das Archiv der Karte um");
}

std::string chooseUnpackedMap(WizardState& state, const std::string& initConPath) {
    const std::string folder = folderPart(initConPath);
    const std::string mapName = mapNameFromLevelDir(folder, nativeSeparator());
    checkMapName(mapName);
    state.levelDir = folder;
    state.mapName = mapName;
    return folder;
}

void checkSafeForBatch(const std::string& text) {
    for (const char c : text) {
        if (c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '%' || c == '"')
            throw Error("Der Pfad \"" + text + "\" enth\xc3\xa4lt das Zeichen " + c +
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
    checkMapName(withoutExtension(file));
    state.mapName = file;
    runBatch(programFolder, "unpack.bat", batch);
    state.scratch = withoutExtension(file);
    state.levelDir = levelFolderOf(programFolder, state.scratch);
    return archivePath;
}

} // namespace tess::intake
