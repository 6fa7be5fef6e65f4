// Area files: the strategic areas of a level as JSON, for `tessarine-cli areas` and for
// keeping the editor's areas.
//
//   {"areas": [{"name": "Hill", "corner1": [100, 100], "corner2": [200, 300],
//               "priority": 100, "flags": ["cp"], "light": true, "heavy": false,
//               "side": 1, "neighbours": ["Bridge"]}, ...]}
//
// corner1 and corner2 are the picture pixels (Left, Top) of the green and the red marker;
// flags are the check box names basis, cp, strong, air, Flanke, center; side is 1 (Team 1),
// 2 (Team2), 0 (Neutral) or absent (none); priority is a number or a text read as the
// priority field reads it. name, corner1, corner2 and priority are required; flags,
// neighbours, light and heavy default to none and false.
#pragma once

#include "areas/area_editor.h"
#include "areas/area_panel.h"
#include "areas/coordinates.h"

#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct AreaDefinition {
    PixelPosition corner1; // green marker
    PixelPosition corner2; // red marker
    AreaPanel panel;       // panel.name is the area's name
    std::vector<std::string> neighbours;
    friend bool operator==(const AreaDefinition&, const AreaDefinition&) = default;
};

using AreaFile = std::vector<AreaDefinition>;

// Parses and checks a whole area file. Anything malformed throws a tess::Error whose German
// text names the area (number and name) and the field.
AreaFile parseAreaFile(std::string_view json);

// The file's text (two-space indentation, a line break at the end); parseAreaFile reads it
// back unchanged.
std::string serialiseAreaFile(const AreaFile& file);

// The areas confirmed in an editor, with the neighbours of those already finished.
AreaFile areaFileOf(const AreaEditor& editor);

// Runs the areas through an editor with its panel closed and no area waiting, as a user
// would: confirms each area in order with its corners, presses "Fertig" once and finishes
// each area with its neighbours ticked, which writes the area script. Returns the areas'
// summary entries.
std::vector<std::string> applyAreaFile(AreaEditor& editor, const AreaFile& file);

// `tessarine-cli areas`: parses the file and runs its areas through a fresh editor on the
// state, whose levelDir names the addon folder. Malformed input throws before anything is
// written.
std::vector<std::string> writeAreaScriptFromFile(WizardState& state, std::string_view json);

} // namespace tess::areas
