// The pathmaps the game generated for the level: taking "ai.createallmaps" out of the
// addon's AI start script again, listing the game's pathmap folder and copying the maps into
// the addon. Reading and drawing them is the pathmaps library's work.
#pragma once

#include "core/files.h"
#include "core/lines.h"
#include "core/wizard_state.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::packing {

// The level-0 8-bit maps that are never copied, compared letter for letter.
inline constexpr std::array<std::string_view, 5> kExcludedPathmaps = {
    "Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw",          "Tank0Level0Map8Bit.raw",
    "Boat2Level0Map8Bit.raw",     "Landingcraft3Level0Map8Bit.raw",
};

// One of the five names above, letter case included.
bool isExcludedPathmap(std::string_view name);

// Removes the first line that is "ai.createallmaps" as a whole, in any letter case; only
// that one. True when a line was removed.
bool removeCreateAllMaps(LineList& lines);

// ai.con written again into an addon folder that lost it, as Start writes it for the world
// size, but without "ai.createallmaps" when the addon's Pathfinding folder already holds
// pathmaps (the import had taken it out). True when "ai.createallmaps" stayed in. Throws
// the German reason when the world size is not known or the file cannot be written.
bool restoreAiStartScript(const std::string& addonFolder, std::int32_t worldSize);

// The folder where the game writes the level's pathmaps:
// <gameDir>bf1942\levels\<mapName>\Pathfinding\ .
std::string gamePathmapFolder(const std::string& gameDir, const std::string& mapName);

// The game's pathmap folder of the level, opened by walking down from the game folder
// without passing through a link. Throws "Der Ordner %s kann nicht geöffnet werden. %s" when
// it is missing, and refuses a link on the way.
Folder openGamePathmapFolder(const std::string& gameDir, const std::string& pathmapFolder);

struct PathmapListing {
    // The "*.raw" files (the extension in any letter case), sorted by name as the file list
    // shows them: ignoring letter case.
    std::vector<std::string> names;
    // "*.raw" entries that are links or anything but a regular file: never read.
    std::vector<std::string> refused;
};
PathmapListing listPathmaps(const Folder& folder);

// The "*.raw" files of the folder, as above. Throws when the folder cannot be opened.
std::vector<std::string> listPathmaps(const std::string& folder);

struct PathmapCopy {
    std::vector<std::string> copied;  // taken over into the addon
    std::vector<std::string> skipped; // the excluded 8-bit maps
    std::vector<std::string> failed;  // copies that did not succeed
};

// Copies each listed map but the excluded ones from the open folder (fromFolder names it)
// to <levelDir>Pathfinding\, replacing files of that name, in list order; a link in place of a
// map is never followed. A copy that fails is noted and passed over.
PathmapCopy copyPathmaps(const Folder& from, const std::string& fromFolder,
                         const std::vector<std::string>& names, const std::string& levelDir);

// The map level folder whose overview picture (Textures\ingamemap.dds) lies under the
// pathmaps when they are shown: this run's map level folder, else the map unpacked under the
// program folder (a packed map), else the map's folder in the game folder, where the game
// wrote the pathmaps. The first that holds the picture; empty when none does, as after a
// restart for an unpacked map kept elsewhere.
std::string pictureLevelFolder(const WizardState& state, const std::string& programFolder);

} // namespace tess::packing
