// "Areas an den Flaggenpunkten vorschlagen": one ordinary, editable area per control point of
// the level's Conquest mode, since nearly every strategic area is about a flag.
//
// Each area is centred on its control point with a half edge of the template's radius, at
// least 10 world units, rounded outward to whole picture pixels and clipped to the world;
// it is named after the control point (made a name the game can read and no other area has),
// flagged "ControlPoint", and "Basis" as well for a point that cannot change team; its side
// is the template's team (1 "Team 1", 2 "Team2", anything else "Neutral"), both vehicle
// kinds are allowed, and its neighbours link it to its nearest areas: the links of the
// Gabriel graph of the control points (two points are linked when no third lies within the
// circle over their distance), which reaches every point, with the shortest links between
// what is still apart added should it not. Every link is mutual.
#pragma once

#include "areas/area_file.h"
#include "areas/control_points.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tess::areas {

// The smallest half edge of a proposed area, and that of a point without a template.
inline constexpr double kSmallestHalfEdge = 10;

// The priorities of the proposed areas: bases matter less to the bots than the points that
// change hands (the game's own levels give bases 1 to 100, contested towns 150 to 300).
struct ProposalPriorities {
    std::int32_t base = 50;
    std::int32_t contested = 150;
};

struct AreaProposal {
    // The new areas only, in the order of their control points; corner1 is the top left,
    // corner2 the bottom right pixel corner.
    AreaFile areas;
    // The line shown after proposing: how many areas were proposed.
    std::string summary;
    // What the map maker should know, in German: points already inside an area, points
    // without a template, names that had to change.
    std::vector<std::string> notes;
};

// Proposes the areas for the control points that no area (of `existing` or proposed before
// them) holds yet. The existing areas stay as they are and are not linked to the new ones.
// Throws kWorldSizeUnknownMessage (level_takeover.h) while worldScale is not positive.
AreaProposal proposeAreas(const std::vector<areas::ControlPoint>& points, const AreaFile& existing,
                          std::int32_t worldSize, std::int32_t worldScale,
                          ProposalPriorities priorities = {});

} // namespace tess::areas
