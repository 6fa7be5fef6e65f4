// "Vorhandene Areas übernehmen": a level's own `AI\StrategicAreas.con` turned into areas of
// the editor, exactly as if they had been drawn, so that a map maker who fixes a level's bots
// starts from its areas instead of from nothing.
//
// The script is read as a sequence of parts (script_parts.h): lines outside the areas, create
// lines ("aiStrategicArea.create <name> <x>/<z> <x>/<z> <priority> [category]", the two points
// opposite corners in either order) and blocks. Each area takes its corners (snapped outward
// to whole picture pixels), name, priority and category from its create line, and its block:
// the lines after its create line and under every "aiStrategicArea.setActive <name>" that
// names it (areas of one name take their blocks in turn, further blocks add to the last). The
// panel takes from the block what it can show (area_block.h); the block itself is kept as the
// level has it, and is written back unchanged while the area is not edited.
//
// Every other line stays in the script, on its side of the areas: before the create lines,
// between them and the first block, or after the last block (OutsideLines). So are the lines
// of a create line that cannot be read, of an area far off the map, and of a block that names
// no area. Empty lines and the heading this editor writes are left out.
#pragma once

#include "areas/area_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct LevelTakeover {
    // In the order of the create lines; corners snapped outward to whole picture pixels:
    // corner1 the top left, corner2 the bottom right pixel corner. With the lines outside the
    // areas.
    AreaFile areas;
    // The line shown after taking over: how many areas, how many snapped, how many lines kept
    // with the areas and outside them.
    std::string summary;
    // What the map maker should know, in German: names the game would split or that are used
    // twice (such an area is still taken over, and the window asks for another name before
    // "OK"), neighbours that name no area, what stays outside the areas and where.
    std::vector<std::string> notes;
};

// Refused while the world frame is not known (worldScale not positive): the corners could
// not be placed on the picture.
inline constexpr std::string_view kWorldSizeUnknownMessage =
    "Die Größe der Karte ist noch nicht bekannt; bitte zuerst die Karte mit OK einlesen";

// The areas of a script's text; throws kWorldSizeUnknownMessage without a world frame.
LevelTakeover takeOverLevelAreas(std::string_view script, std::int32_t worldSize,
                                 std::int32_t worldScale);

// Reads `AI\StrategicAreas.con` (any letter case) of a level folder (a folder text ending in
// a separator) and takes over its areas. Throws a tess::Error in German when the level has
// no such script or it cannot be read.
LevelTakeover takeOverLevelAreasOf(const std::string& levelFolder, std::int32_t worldSize,
                                   std::int32_t worldScale);

} // namespace tess::areas
