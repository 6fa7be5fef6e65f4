// The control points of a level's Conquest mode: where its flags stand (`ControlPoints.con`:
// "Object.create <template>" then "Object.absolutePosition x/y/z") and what their templates
// say (`ControlPointTemplates.con`: "ObjectTemplate.create ControlPoint <name>" with
// "ObjectTemplate.radius", ".team" and ".unableToChangeTeam"). Read as tolerantly as the game
// reads them: commands in any letter case, words apart by any blanks, comments and unknown
// lines passed over.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct ControlPoint {
    std::string name; // the template the object was created from
    double x = 0;     // world position: x along a row of the picture ...
    double y = 0;     // ... height ...
    double z = 0;     // ... and z upwards on the picture
    // From the template; empty when the level does not carry the template (the game's own
    // levels take theirs from the game's object archives).
    std::optional<double> radius;
    std::optional<int> team; // 1, 2 or another number the template gives
    bool unableToChangeTeam = false;
    bool templateFound = false;
};

// The control points in the order of their objects. An object whose position is not three
// numbers (a variable, say) is left out; an object created twice keeps its last position.
// Template names are matched without regard to letter case, as the game does.
std::vector<ControlPoint> parseControlPoints(std::string_view controlPointsText,
                                             std::string_view templatesText);

// Reads `Conquest\ControlPoints.con` and `Conquest\ControlPointTemplates.con` (any letter
// case) of a level folder (a folder text ending in a separator). A missing or unreadable
// file gives no points (no templates), never an error: the points are a help for drawing.
std::vector<ControlPoint> readControlPoints(const std::string& levelFolder);

} // namespace tess::areas
