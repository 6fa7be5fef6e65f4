// The game folder (the folder of BF1942.exe), remembered across runs in memory.bf in the
// program folder: the text exactly as confirmed, no line end after it.
#pragma once

#include <optional>
#include <string>

namespace tess::intake {

// The first line of memory.bf, or nothing when the file does not exist. An empty file
// gives an empty text. Throws when the file exists but cannot be read.
std::optional<std::string> readRememberedGameFolder(const std::string& programFolder);

// Stores the text of the game-folder field, overwriting memory.bf.
void rememberGameFolder(const std::string& programFolder, const std::string& text);

// The folder part of the chosen BF1942.exe.
std::string gameFolderOfExecutable(const std::string& executablePath);

// Where the dialogs that choose or place a level archive start: the game's
// <gameDir>bf1942\levels\, where the game loads maps and addons from. Empty while the game
// folder is not known or has no such folder.
std::string gameLevelsFolder(const std::string& gameDir);

} // namespace tess::intake
