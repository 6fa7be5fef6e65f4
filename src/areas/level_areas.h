// The strategic areas that a level already has, from its own `AI\StrategicAreas.con`: the
// tab draws them as read-only outlines with their names, a guide while the user draws new
// ones.
#pragma once

#include "areas/area_editor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct LevelArea {
    std::string name;
    // The two points of the create line, opposite corners in world units.
    double x1 = 0;
    double z1 = 0;
    double x2 = 0;
    double z2 = 0;
    std::int32_t priority = 0;
    // Whatever follows the priority (a category such as "land"), its words apart by one blank.
    std::string category;
    // Where it lies on the 512 x 512 picture (worldToPixel of its corners).
    PixelRectangle outline;
};

// The create lines of a script, in order: "aiStrategicArea.create <name> <x1>/<z1> <x2>/<z2>
// <priority>", the command in any letter case, words apart by any blanks or tabs, and
// whatever follows the priority (a category) left aside. A name of several words, as this
// editor allows, is read whole with one blank between its words. Lines of any other kind,
// and create lines whose points or priority are no numbers, are passed over.
std::vector<LevelArea> parseLevelAreas(std::string_view text, std::int32_t worldSize,
                                       std::int32_t worldScale);

// One create line read as parseLevelAreas reads it (the outline left empty); nothing for a
// line of any other kind and for a create line whose points or priority are no numbers.
std::optional<LevelArea> parseCreateLine(std::string_view line);

// Level scripts are a few kilobytes; a file beyond this is not one.
inline constexpr std::uintmax_t kLargestLevelScript = 16 * 1024 * 1024;

// The text of a script of the level (a Windows path, any letter case), decoded from the code
// page; empty when it is missing, not a regular file, larger than kLargestLevelScript or
// cannot be read: what the level's scripts show is a help, never an error.
std::string readLevelScript(const std::string& windowsPath);

// Reads `AI\StrategicAreas.con` (any letter case) in a level folder (a folder text, such as
// mapLevelDir). A script that is missing or cannot be read, an empty folder text or a world
// frame not yet known (worldScale not positive) give no areas and no error.
std::vector<LevelArea> readLevelAreas(const std::string& levelFolder, std::int32_t worldSize,
                                      std::int32_t worldScale);

} // namespace tess::areas
