// The game's script reader, as far as the system reads the map's scripts: a line is words
// apart by blanks and tabs, a command word in any letter case, "rem" lines and
// "beginrem" ... "endrem" blocks are comments, and a vector is numbers joined by "/".
#pragma once

#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tess {

// The words of one line, apart by blanks and tabs.
std::vector<std::string_view> scriptWords(std::string_view line);

// A whole word as a finite number ("12", "-3.5", "1e2"); nothing for anything else.
std::optional<double> scriptNumber(std::string_view word);

// The numbers of a vector word "a/b/c"; nothing when any part is not a number.
std::optional<std::vector<double>> scriptVector(std::string_view word);

// A point on the map "x/z": two numbers; nothing for any other shape.
struct ScriptPoint {
    double x = 0;
    double z = 0;
};
std::optional<ScriptPoint> scriptPoint(std::string_view word);

// Calls visit(words) for every line of a script that is not a comment: lines whose first
// word is "rem" and the lines from "beginrem" to "endrem" (any letter case) are left out,
// as are empty lines. A visit that takes a second argument gets the line's number too
// (counted from 1), for messages that point into the script.
template <typename Visit> void forEachScriptCommand(std::string_view text, Visit&& visit);

// --- implementation of the template ---
bool isScriptCommentStart(std::string_view firstWord);
bool isScriptCommentBlockStart(std::string_view firstWord);
bool isScriptCommentBlockEnd(std::string_view firstWord);
std::vector<std::string_view> scriptLines(std::string_view text);

template <typename Visit> void forEachScriptCommand(std::string_view text, Visit&& visit) {
    bool inBlock = false;
    int number = 0;
    for (const std::string_view line : scriptLines(text)) {
        ++number;
        const std::vector<std::string_view> words = scriptWords(line);
        if (words.empty())
            continue;
        if (inBlock) {
            inBlock = !isScriptCommentBlockEnd(words[0]);
            continue;
        }
        if (isScriptCommentBlockStart(words[0])) {
            inBlock = true;
            continue;
        }
        if (isScriptCommentStart(words[0]))
            continue;
        if constexpr (std::is_invocable_v<Visit, const std::vector<std::string_view>&, int>)
            visit(words, number);
        else
            visit(words);
    }
}

} // namespace tess
