// The wizard state: paths, names and numbers that the steps hand on to later steps. Owned
// by the main window for the whole run (and by the command-line tool for one command);
// every step below the window works on it. Field names follow the window design. Folder
// texts end with a separator.
#pragma once

#include <cstdint>
#include <string>

namespace tess {

// Which corner marker of the area editor the movement commands move: the first corner (green)
// or the second (red). `FormShow` sets secondCorner; while it stays none (memory.bf could not
// be read at start-up) the movement commands move nothing.
enum class AreaEditMode : std::int32_t { none = 0, secondCorner = 1, firstCorner = 2 };

struct WizardState {
    std::int32_t worldSize = 0;
    std::int32_t worldScale = 0;
    AreaEditMode areaEditMode = AreaEditMode::none;
    std::int32_t conFileIndex = 0;
    std::string levelDir;
    std::string mapLevelDir;
    std::string gameDir;
    std::string mapName;
    // The map kind chosen on tab 1 (radio button `pack`).
    bool packed = true;
    // The full path chosen for the addon archive, without ".rfa" (the file name of the save
    // dialog `rfapacks`); restored from temp\pathf.bf after a restart.
    std::string packTarget;
    // The network merge: map archive and addon archive (full paths), their file names
    // without the last four characters, and where the addon archive is saved before it goes.
    std::string netMapArchive;
    std::string netAddonArchive;
    std::string netMapName;
    std::string netAddonName;
    std::string netBackupPath;
};

} // namespace tess
