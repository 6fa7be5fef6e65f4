// An area script `AI\StrategicAreas.con` read as the sequence of its parts, so that a script
// taken over from a level can be written back part by part: lines outside the areas, create
// lines, and the blocks of lines that belong to one area.
//
// The game runs the script line by line; "aiStrategicArea.create" makes the new area the
// active one, "aiStrategicArea.setActive <name>" makes a named area active, and every other
// "aiStrategicArea." command sets something of the active area. So a block is:
// - the lines after a setActive line: the area commands, comments, and whatever stands inside
//   a condition ("if" ... "endIf", "while" ... "endWhile") that opens in the block;
// - the area commands after a create line, before the next create or setActive (a block
//   without a setActive line).
// Everything else is outside the areas: definitions the areas use (vehicle groups, categories
// such as "aiStrategicArea.createNewCategory(land)", landing zones), a condition around the
// areas and its end, other commands, and comments outside a block. Comments at the end of a
// block that come right before an outside line go with that line, as its heading. A block
// stays open across outside lines: the game's active area does not change there.
//
// Words are read as the game reads them (commands in any letter case, apart by any blanks,
// "rem" lines and "beginrem" ... "endrem" comments); lines are kept as they stand. Empty lines
// inside a block are kept with it (but for the last one, which the writer puts back); other
// empty lines and the heading this editor writes carry nothing and are left out.
#pragma once

#include "areas/level_areas.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

struct ScriptPart {
    enum class Kind { outside, create, block };
    Kind kind = Kind::outside;
    // outside: the line; create: the create line; block: its setActive line, or empty for the
    // area commands after a create line.
    std::string line;
    // create: the area as read (nothing when its points or priority are no numbers);
    std::optional<LevelArea> created;
    // block: the name of the area it sets, and its lines in order.
    std::string name;
    std::vector<std::string> lines;
};

std::vector<ScriptPart> readScriptParts(std::string_view script);

// Follows a script line by line, as the game reads it: whether a line is a comment, a "rem"
// line or one of the lines from "beginrem" to "endrem" (any letter case).
class ScriptComments {
public:
    // Whether the next line, whose first word is firstWord, is a comment.
    bool isComment(std::string_view firstWord);

private:
    bool inBlock_ = false;
};

// The words of a line from `first` on, up to `end` (not included; the last word at most),
// apart by one blank: a name as the editor writes it.
std::string wordsFrom(const std::vector<std::string_view>& words, std::size_t first,
                      std::size_t end = std::string_view::npos);

} // namespace tess::areas
