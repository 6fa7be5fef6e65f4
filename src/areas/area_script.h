// The lines of the area script `AI\StrategicAreas.con` and the texts of the area list. The
// game reads the prefixes exactly as written here, including their differing case
// ("aiStrategicArea." against "AIStrategicArea.").
#pragma once

#include "areas/area_panel.h"
#include "core/lines.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tess::areas {

// The rectangle of a completed area in world units (the fields of "Area fertigstellen").
struct AreaBounds {
    std::int64_t areaMinX = 0;
    std::int64_t areaMinZ = 0;
    std::int64_t areaMaxX = 0;
    std::int64_t areaMaxZ = 0;
    double areaCenterX = 0;
    double areaCenterZ = 0;
    friend bool operator==(const AreaBounds&, const AreaBounds&) = default;
};

// "Hill [ 400;848 / 800;1648 ] ==> Prio. [100]": the two points of the create line.
std::string summaryEntry(const std::string& name, const AreaBounds& bounds, std::int32_t priority);

// "aiStrategicArea.create Hill 400/848 800/1648 100": the near and the far corner.
std::string createLine(const std::string& name, const AreaBounds& bounds, std::int32_t priority);

// One line per ticked kind-of-place box, in the boxes' order.
LineList flagLines(const AreaPanel& panel);

// Infantry always, then Car for `leicht` and Tank for `schwer`, each at the centre less 10.
LineList orderPositionLines(const AreaPanel& panel, const AreaBounds& bounds);

// "aiStrategicArea.setSide 1" for Team 1, "... 2" for Team2, "... 0" for Neutral, and an
// empty line when no side is selected.
std::string sideLine(Side side);

inline constexpr std::string_view kSetActivePrefix = "aiStrategicArea.setActive ";
inline constexpr std::string_view kAddNeighbourPrefix = "AIStrategicArea.addNeighbour ";

// The first line: our signature and home page.
std::string areaScriptHeader();

// Appends a line and its CR LF to a text of lines.
void appendLine(std::string& text, std::string_view line);

// The whole script as text with CR LF line ends: the header, the create lines as confirmed
// (each area's create line and a line of one blank), an empty line, two lines of one blank,
// the area blocks (each ending with an empty line) and one more empty line. Both parts are
// texts of whole lines, each ending in CR LF.
std::string assembleAreaScript(std::string_view createLines, std::string_view areaBlocks);

// Where the script lies in a level folder.
std::string areaScriptPath(const std::string& levelDir);

} // namespace tess::areas
