#include "core/script_words.h"

#include "core/letter_case.h"
#include "core/lines.h"

#include <charconv>
#include <cmath>

namespace tess {

std::vector<std::string_view> scriptWords(std::string_view line) {
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            result.push_back(line.substr(start, i - start));
    }
    return result;
}

std::optional<double> scriptNumber(std::string_view word) {
    // from_chars takes no leading "+", the game's reader does.
    if (!word.empty() && word.front() == '+')
        word.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<double>> scriptVector(std::string_view word) {
    std::vector<double> numbers;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = word.find('/', start);
        const auto number = scriptNumber(word.substr(start, slash - start));
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        if (slash == std::string_view::npos)
            return numbers;
        start = slash + 1;
    }
}

std::optional<ScriptPoint> scriptPoint(std::string_view word) {
    const auto numbers = scriptVector(word);
    if (!numbers || numbers->size() != 2)
        return std::nullopt;
    return ScriptPoint{(*numbers)[0], (*numbers)[1]};
}

bool isScriptCommentStart(std::string_view firstWord) {
    return sameNameIgnoringCase(firstWord, "rem");
}

bool isScriptCommentBlockStart(std::string_view firstWord) {
    return sameNameIgnoringCase(firstWord, "beginrem");
}

bool isScriptCommentBlockEnd(std::string_view firstWord) {
    return sameNameIgnoringCase(firstWord, "endrem");
}

std::vector<std::string_view> scriptLines(std::string_view text) {
    std::vector<std::string_view> lines;
    forEachLine(text, [&](std::string_view line, bool) { lines.push_back(line); });
    return lines;
}

} // namespace tess
