// The lines of one area's block in the area script, read the way the area panel sees them.
// The panel holds a line only where writing its own line first and the kept lines after it
// leaves the game with what the block says:
// - a neighbour that names an area, the first time it is named;
// - the first of each of the six flags of the panel (letter case aside);
// - the first order position of a class (Infantry, Car, Tank) when it lies where the editor
//   puts its own, at the area's centre minus 10 on each axis; a Car or Tank position anywhere
//   ticks "leichte" or "schwere Fahrzeuge";
// - the first side, when it is 0, 1 or 2.
// Every other line is kept as it stands, comments included (a command inside a comment is
// not read); empty lines say nothing and are not kept.
//
// An area taken over from a level keeps its block as the level had it; as long as sorting
// those lines again gives what the area holds now, the block is written back unchanged.
#pragma once

#include "areas/area_panel.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct SortedBlock {
    std::array<bool, kAreaFlagCount> flags{};
    bool leicht = false;
    bool schwer = false;
    Side side = Side::none;
    std::vector<std::string> neighbours; // the names of the held neighbour lines, in order
    std::vector<std::string> extraLines; // the lines kept beside the panel, in order
    // Names of neighbour lines that name no area (their lines are among extraLines).
    std::vector<std::string> strangers;
    bool sideKept = false; // a setSide line is among extraLines
};

// Sorts a block's lines; (orderX, orderZ) is where the editor puts its own order positions.
SortedBlock sortBlockLines(const std::vector<std::string>& lines, double orderX, double orderZ,
                           const std::function<bool(const std::string&)>& isAreaName);

// The order-position classes the panel writes: Infantry always, Car for "leichte", Tank for
// "schwere Fahrzeuge".
inline constexpr std::array<std::string_view, 3> kOrderClasses = {"Infantry", "Car", "Tank"};

// For each line, the class (an index into kOrderClasses) of the order position it sets, if it
// sets one of these at a point; comments set none.
std::vector<std::optional<std::size_t>> orderPositionClasses(const std::vector<std::string>& lines);

} // namespace tess::areas
