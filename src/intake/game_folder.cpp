#include "intake/game_folder.h"

#include "core/codepage.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/paths.h"
#include "intake/map_inspection.h"

#include <filesystem>
#include <system_error>

namespace tess::intake {

std::optional<std::string> readRememberedGameFolder(const std::string& programFolder) {
    const std::string path = programFolder + "memory.bf";
    if (!fileExists(path))
        return std::nullopt;
    return lineAt(loadLines(path), 0);
}

void rememberGameFolder(const std::string& programFolder, const std::string& text) {
    writeFileAtomically(programFolder + "memory.bf", encodeCp1252(text));
}

std::string gameFolderOfExecutable(const std::string& executablePath) {
    return folderPart(executablePath);
}

std::string gameLevelsFolder(const std::string& gameDir) {
    if (gameDir.empty())
        return {};
    const std::string levels = levelsFolderOf(gameDir);
    std::error_code ec;
    return std::filesystem::is_directory(resolvePath(levels), ec) ? levels : std::string();
}

} // namespace tess::intake
