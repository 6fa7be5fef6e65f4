#include "intake/game_folder.h"

#include "core/codepage.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/paths.h"

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

} // namespace tess::intake
