// "Vorhandene Areas übernehmen": a level's own `AI\StrategicAreas.con` turned into areas of
// the editor, exactly as if they had been drawn, so that a map maker who fixes a level's bots
// starts from its areas instead of from nothing.
//
// The script is read as the game reads it (commands in any letter case, words apart by any
// blanks, CR LF or LF, comments), in the shape that the game's levels and this editor write:
// the create lines ("aiStrategicArea.create <name> <x>/<z> <x>/<z> <priority>", the two points
// opposite corners in either order), then per area a block under
// "aiStrategicArea.setActive <name>" with neighbours, flags, order positions, a search radius
// and a side. The panel takes what it can show; every other line of the block stays with the
// area as an extra line, which the editor writes back after the area's own lines. The panel
// takes a line only where writing its own line first and the extra lines after it leaves the
// game with what the level said:
// - a neighbour that is an area of the script;
// - the first of each of the six flags of the panel (letter case aside);
// - the first order position of a class (Infantry, Car, Tank) when it lies where the editor
//   puts its own, at the area's centre minus 10 on each axis; a Car or Tank position anywhere
//   ticks "leichte" or "schwere Fahrzeuge";
// - the first side, when it is 0, 1 or 2.
// Lines after a create line and before the next setActive count as that area's too (a create
// makes its area the active one); everything else outside the blocks is named in a note and
// left behind.
#pragma once

#include "areas/area_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct LevelTakeover {
    // In the order of the create lines; corners snapped outward to whole picture pixels:
    // corner1 the top left, corner2 the bottom right pixel corner.
    AreaFile areas;
    // The line shown after taking over: how many areas, how many snapped, how many lines kept.
    std::string summary;
    // What the map maker should know, in German: names the game would split or that are used
    // twice (such an area is still taken over, and the window asks for another name before
    // "OK"), neighbours that name no area, what could not be taken over.
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
