// Area files: the strategic areas of a level as JSON, for `tessarine-cli areas` and for
// keeping the editor's areas.
//
//   {"areas": [{"name": "Hill", "corner1": [100, 100], "corner2": [200, 300],
//               "priority": 100, "flags": ["cp"], "light": true, "heavy": false,
//               "side": 1, "neighbours": ["Bridge"],
//               "extraLines": ["aiStrategicArea.vehicleSearchRadius 160"]}, ...],
//    "outsideLines": {"before": ["aiSettings.createVehicleGroup common"], "after": []}}
//
// corner1 and corner2 are the picture pixels (Left, Top) of the green and the red marker;
// flags are the check box names basis, cp, strong, air, Flanke, center; side is 1 (Team 1),
// 2 (Team2), 0 (Neutral) or absent (none); priority is a number or a text read as the
// priority field reads it; extraLines are lines of the area's block that the panel cannot
// hold (taken over from a level's script), written back after the area's own lines, each one
// line in the game's code page. name, corner1, corner2 and priority are required; flags,
// neighbours, extraLines, light and heavy default to none and false.
//
// An area taken over from a level has two fields more: "category", the words after the
// priority on its create line ("land"), and "levelLines", its block as the level has it
// (level_takeover.h). "outsideLines" holds the level's lines outside its areas, in "before"
// (the create lines), "between" (them and the first block) and "after" (the last block);
// each of the three may be left out.
//
// corner1 and corner2 lie at most kCornerReach pixels outside the picture.
//
// The editor's autosave writes the same format with a few fields more (AreaSession below);
// read as an area file, such a file gives its areas, and the extra fields only need to have
// the right types.
#pragma once

#include "areas/area_editor.h"
#include "areas/area_panel.h"
#include "areas/area_script.h"
#include "areas/coordinates.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct AreaDefinition {
    PixelPosition corner1; // green marker
    PixelPosition corner2; // red marker
    AreaPanel panel;       // panel.name is the area's name
    std::vector<std::string> neighbours;
    // Lines of the area's block that the panel cannot hold (other flags, a search radius,
    // order positions of their own), taken over from a level's script: written back after
    // the area's own lines, in their order.
    std::vector<std::string> extraLines;
    // Taken over from a level: what follows the priority on its create line, and its block
    // as the level has it (area_block.h says when it is written back as it stands).
    std::string category;
    std::optional<std::vector<std::string>> levelLines;
    friend bool operator==(const AreaDefinition&, const AreaDefinition&) = default;
};

// The areas of a file, in order, and the lines of a level's script outside them. Read like
// the list of its areas.
struct AreaFile {
    std::vector<AreaDefinition> areas;
    OutsideLines outside;

    std::size_t size() const { return areas.size(); }
    bool empty() const { return areas.empty(); }
    const AreaDefinition& operator[](std::size_t i) const { return areas[i]; }
    AreaDefinition& operator[](std::size_t i) { return areas[i]; }
    auto begin() const { return areas.begin(); }
    auto end() const { return areas.end(); }
    auto begin() { return areas.begin(); }
    auto end() { return areas.end(); }
    friend bool operator==(const AreaFile&, const AreaFile&) = default;
};

// Parses and checks a whole area file. Anything malformed throws a tess::Error whose German
// text names the area (number and name) and the field: a name that the game's reader cannot
// take or that two areas share (area_names.h), a corner out of reach (cornerWithinReach), a
// field given twice, a number beyond what JSON numbers hold.
AreaFile parseAreaFile(std::string_view json);

// Reads and parses the area file at `file`; every refusal names the file.
AreaFile readAreaFile(const std::string& file);

// The file's text (two-space indentation, a line break at the end); parseAreaFile reads it
// back unchanged.
std::string serialiseAreaFile(const AreaFile& file);

// The areas of an editor, with their neighbours.
AreaFile areaFileOf(const AreaEditor& editor);

// Runs the areas through an editor with its panel closed and no area waiting, as a user
// would: takes them in, presses "Fertig" once and "Nächste" through every area, each with its
// neighbours ticked, which writes the area script. Returns the areas' summary entries.
std::vector<std::string> applyAreaFile(AreaEditor& editor, const AreaFile& file);

// `tessarine-cli areas`: parses the file and runs its areas through a fresh editor on the
// state, whose levelDir names the addon folder. Malformed input throws before anything is
// written.
std::vector<std::string> writeAreaScriptFromFile(WizardState& state, std::string_view json);

// --- Saved areas ---
//
//   {"version": 2, "worldSize": 2048,
//    "areas": [{...the fields above..., "finished": true}, ...], "neighbourPhase": true}
//
// worldSize is the level's edge the corners were drawn for; finished tells whether the area
// was walked with "Nächste" in the current neighbour phase, neighbourPhase whether the panel
// "Nachbarn" was shown. Unlike an area file, saved areas may hold names that the game cannot
// read (taken over from a level): they come back marked, to be changed before "Fertig".
// Version 1, written by earlier versions of Tessarine, recorded the editor's steps instead
// ("steps": "confirm", "openNeighbours", "next"; "neighbourEntries", "ticked"); it is still
// read. Any other version is refused, by parseAreaFile too.
inline constexpr int kAreaFileVersion = 2;

struct SavedArea {
    AreaDefinition definition;
    bool finished = false;
    friend bool operator==(const SavedArea&, const SavedArea&) = default;
};

struct AreaSession {
    std::int32_t worldSize = 0;
    std::vector<SavedArea> areas;
    bool neighbourPhase = false;
    OutsideLines outside;
    friend bool operator==(const AreaSession&, const AreaSession&) = default;
};

// Parses and checks saved areas: the fields as parseAreaFile does, the version, and for
// version 1 that its steps replay. Throws a tess::Error with the German reason.
AreaSession parseAreaSession(std::string_view json);

// The file's text; parseAreaSession reads it back unchanged.
std::string serialiseAreaSession(const AreaSession& session);

// What an editor holds: every area with its walked state, and the neighbour panel.
AreaSession areaSessionOf(const AreaEditor& editor);

} // namespace tess::areas
