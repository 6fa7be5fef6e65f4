#include "areas/area_block.h"

#include "areas/script_parts.h"
#include "core/letter_case.h"
#include "core/script_words.h"

#include <unordered_set>

namespace tess::areas {
namespace {

constexpr std::string_view kAddNeighbour = "AIStrategicArea.addNeighbour";
constexpr std::string_view kAddFlag = "aiStrategicArea.addObjectTypeFlag";
constexpr std::string_view kOrderPosition = "AIStrategicArea.setOrderPosition";
constexpr std::string_view kSetSide = "aiStrategicArea.setSide";

bool is(std::string_view word, std::string_view command) {
    return sameNameIgnoringCase(word, command);
}

std::optional<AreaFlag> panelFlag(std::string_view value) {
    for (const AreaFlagInfo& info : kAreaFlags) {
        const std::string_view line = info.line;
        if (is(value, line.substr(line.rfind(' ') + 1)))
            return info.flag;
    }
    return std::nullopt;
}

std::optional<std::size_t> orderClass(std::string_view word) {
    for (std::size_t i = 0; i < kOrderClasses.size(); ++i)
        if (is(word, kOrderClasses[i]))
            return i;
    return std::nullopt;
}

// The class of an order position at a point "x/z" (an index into kOrderClasses).
std::optional<std::size_t> orderPositionClass(const std::vector<std::string_view>& w) {
    if (w.size() != 3 || !is(w[0], kOrderPosition))
        return std::nullopt;
    const auto position = scriptVector(w[2]);
    return position && position->size() == 2 ? orderClass(w[1]) : std::nullopt;
}

std::optional<Side> panelSide(const std::vector<std::string_view>& words) {
    const auto value = words.size() == 2 ? scriptNumber(words[1]) : std::nullopt;
    if (value == 1.0)
        return Side::team1;
    if (value == 2.0)
        return Side::team2;
    if (value == 0.0)
        return Side::neutral;
    return std::nullopt;
}

// Calls visit(line, words) for each line that is not a comment, keep(line) for comments and
// skip() for empty lines.
template <typename Visit, typename Keep, typename Skip>
void forEachBlockLine(const std::vector<std::string>& lines, Visit visit, Keep keep, Skip skip) {
    ScriptComments comments;
    for (const std::string& line : lines) {
        const std::vector<std::string_view> words = scriptWords(line);
        if (words.empty()) {
            skip();
            continue;
        }
        if (comments.isComment(words[0]))
            keep(line);
        else
            visit(line, words);
    }
}

} // namespace

SortedBlock sortBlockLines(const std::vector<std::string>& lines, double orderX, double orderZ,
                           const std::function<bool(const std::string&)>& isAreaName) {
    SortedBlock sorted;
    std::array<bool, kOrderClasses.size()> classSeen{};
    bool sideSeen = false;
    std::unordered_set<std::string> named;
    const auto keep = [&](const std::string& line) { sorted.extraLines.push_back(line); };
    forEachBlockLine(
        lines,
        [&](const std::string& line, const std::vector<std::string_view>& w) {
            bool held = false;
            if (is(w[0], kAddNeighbour) && w.size() >= 2) {
                std::string neighbour = wordsFrom(w, 1);
                if (!isAreaName(neighbour))
                    sorted.strangers.push_back(neighbour);
                else if (named.insert(neighbour).second) {
                    sorted.neighbours.push_back(std::move(neighbour));
                    held = true;
                }
            } else if (is(w[0], kAddFlag) && w.size() == 2) {
                if (const auto flag = panelFlag(w[1])) {
                    bool& ticked = sorted.flags[static_cast<std::size_t>(*flag)];
                    held = !ticked;
                    ticked = true;
                }
            } else if (const auto index = orderPositionClass(w)) {
                const std::vector<double> position = *scriptVector(w[2]);
                if (*index == 1)
                    sorted.leicht = true;
                if (*index == 2)
                    sorted.schwer = true;
                held = !classSeen[*index] && position[0] == orderX && position[1] == orderZ;
                classSeen[*index] = true;
            } else if (is(w[0], kSetSide)) {
                const auto side = panelSide(w);
                held = !sideSeen && side;
                if (held)
                    sorted.side = *side;
                else
                    sorted.sideKept = true;
                sideSeen = true;
            }
            if (!held)
                keep(line);
        },
        keep, [] {});
    return sorted;
}

std::vector<std::optional<std::size_t>>
orderPositionClasses(const std::vector<std::string>& lines) {
    std::vector<std::optional<std::size_t>> classes;
    classes.reserve(lines.size());
    forEachBlockLine(
        lines,
        [&](const std::string&, const std::vector<std::string_view>& w) {
            classes.push_back(orderPositionClass(w));
        },
        [&](const std::string&) { classes.emplace_back(); }, [&] { classes.emplace_back(); });
    return classes;
}

} // namespace tess::areas
