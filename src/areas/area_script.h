// The lines of the area script `AI\StrategicAreas.con` and the texts of the area list. The
// game reads the prefixes exactly as written here, including their differing case
// ("aiStrategicArea." against "AIStrategicArea.").
#pragma once

#include "areas/area_panel.h"
#include "core/lines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// "aiStrategicArea.create Hill 400/848 800/1648 100": the near and the far corner, then the
// category a level's area may carry ("... 100 land").
std::string createLine(const std::string& name, const AreaBounds& bounds, std::int32_t priority,
                       const std::string& category = {});

// One line per ticked kind-of-place box, in the boxes' order.
LineList flagLines(const AreaPanel& panel);

// Infantry always, then Car for `leicht` and Tank for `schwer`, each at the centre less 10.
LineList orderPositionLines(const AreaPanel& panel, const AreaBounds& bounds);

// "aiStrategicArea.setSide 1" for Team 1, "... 2" for Team2, "... 0" for Neutral, and an
// empty line when no side is selected.
std::string sideLine(Side side);

// The lines of an area's block after its setActive line, as the editor writes a drawn area:
// its neighbours, flags, order positions and side line, then the lines it keeps from a level.
// An order position that the kept lines give for a class stands for the editor's own, so that
// no class gets two; a kept Car or Tank position stays while its box is ticked.
LineList drawnBlockLines(const AreaPanel& panel, const AreaBounds& bounds,
                         const std::vector<std::string>& neighbours,
                         const std::vector<std::string>& keptLines);

inline constexpr std::string_view kSetActivePrefix = "aiStrategicArea.setActive ";
inline constexpr std::string_view kAddNeighbourPrefix = "AIStrategicArea.addNeighbour ";

// The first line: our signature and home page. A script read back leaves out the line that
// starts with the signature: it is written anew with every script.
inline constexpr std::string_view kAreaScriptSignature =
    "rem *** WorX done by ferro_lumen's Tessarine";
std::string areaScriptHeader();

// Appends a line and its CR LF to a text of lines.
void appendLine(std::string& text, std::string_view line);

// The lines of a level's script outside its areas (definitions the areas use, a condition
// around them, comments), each on the side of the areas where the level has it.
struct OutsideLines {
    std::vector<std::string> before;  // before the create lines
    std::vector<std::string> between; // between the create lines and the first block
    std::vector<std::string> after;   // after the last block
    bool empty() const { return before.empty() && between.empty() && after.empty(); }
    std::size_t size() const { return before.size() + between.size() + after.size(); }
    friend bool operator==(const OutsideLines&, const OutsideLines&) = default;
};

// The whole script as text with CR LF line ends: the header, the outside lines before the
// areas, the create lines as confirmed (each area's create line and a line of one blank), an
// empty line, two lines of one blank, the outside lines between, the area blocks (each ending
// with an empty line), the outside lines after, and one more empty line. Both parts are texts
// of whole lines, each ending in CR LF.
std::string assembleAreaScript(const OutsideLines& outside, std::string_view createLines,
                               std::string_view areaBlocks);

// Where the script lies in a level folder.
std::string areaScriptPath(const std::string& levelDir);

} // namespace tess::areas
