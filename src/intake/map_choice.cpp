#include "intake/map_choice.h"

#include "batch/batch_text.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "platform/shell.h"

#include <algorithm>
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
    state.packed = false;
    // Windows takes "/" as a separator too (a path typed for the command-line tool).
    std::string nativeFolder = folder;
    if (kOnWindows)
        std::replace(nativeFolder.begin(), nativeFolder.end(), '/', '\\');
    const std::string mapName = mapNameFromLevelDir(nativeFolder, nativeSeparator());
    checkMapName(mapName);
    state.levelDir = folder;
    state.mapName = mapName;
    return folder;
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
    batch::checkSafeForBatch(archivePath);
    batch::checkSafeForBatch(programFolder);
    const std::string file = fileNamePart(archivePath);
    // The tool line ends with a blank, as the game's tools have always been called.
    const std::string toolLine = "rfaunpack.exe " + batch::batchArgument(file) + " ";
    if (sameFolder(folderPart(archivePath), programFolder))
        return {toolLine};
    return {
        batch::copyCommand(archivePath, programFolder + file),
        toolLine,
        batch::deleteCommand(programFolder + file),
    };
}

void takePackedMap(WizardState& state, const std::string& archiveFileName,
                   const std::string& programFolder) {
    state.packed = true;
    state.mapName = archiveFileName;
    const std::string levelName = withoutExtension(archiveFileName);
    state.levelDir = levelFolderOf(programFolder, levelName);
}

std::string choosePackedMap(WizardState& state, const std::string& archivePath,
                            const std::string& programFolder, BatchProcess* started) {
    checkMapName(withoutExtension(fileNamePart(archivePath)));
    BatchProcess batch =
        runBatch(programFolder, "unpack.bat", buildUnpackBatch(archivePath, programFolder));
    if (started)
        *started = batch;
    takePackedMap(state, fileNamePart(archivePath), programFolder);
    return archivePath;
}

} // namespace tess::intake
