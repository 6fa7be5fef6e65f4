#include "areas/level_takeover.h"

#include "areas/area_names.h"
#include "areas/level_areas.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/paths.h"
#include "core/script_words.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

constexpr std::string_view kCreate = "aiStrategicArea.create";
constexpr std::string_view kSetActive = "aiStrategicArea.setActive";
constexpr std::string_view kAddNeighbour = "AIStrategicArea.addNeighbour";
constexpr std::string_view kAddFlag = "aiStrategicArea.addObjectTypeFlag";
constexpr std::string_view kOrderPosition = "AIStrategicArea.setOrderPosition";
constexpr std::string_view kSetSide = "aiStrategicArea.setSide";

// The order-position classes the panel writes: Infantry always, Car for "leichte", Tank for
// "schwere Fahrzeuge".
constexpr std::array<std::string_view, 3> kOrderClasses = {"Infantry", "Car", "Tank"};

// Area scripts are a few kilobytes; anything beyond this is not one.
constexpr std::uintmax_t kLargestScript = 16 * 1024 * 1024;

bool is(std::string_view word, std::string_view command) {
    return sameNameIgnoringCase(word, command);
}

// The words from `first` on, apart by one blank: a name as the editor writes it.
std::string wordsFrom(const std::vector<std::string_view>& words, std::size_t first) {
    std::string text;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (i > first)
            text += ' ';
        text += words[i];
    }
    return text;
}

struct BlockLine {
    std::string text;
    bool comment = false;
};

struct TakenArea {
    LevelArea created;
    std::vector<BlockLine> lines; // under its create line and its setActive blocks, in order
    bool named = false;           // a setActive has named it
    AreaDefinition definition;
    double shift = 0;      // how far the snapped edges lie from the script's, in world units
    bool widened = false;  // the script's area had no width or height
    bool sideKept = false; // setSide lines stayed as extra lines
};

// What the walk through the script found besides the areas.
struct Leftovers {
    std::size_t outsideLines = 0;
    std::string firstOutside;
    std::vector<std::string> unreadableCreates;
    std::vector<std::string> unknownBlocks;
};

std::vector<TakenArea> readAreaBlocks(std::string_view script, Leftovers& leftovers) {
    std::vector<TakenArea> areas;
    std::unordered_map<std::string, std::vector<std::size_t>> byName;
    std::optional<std::size_t> current;
    bool underSetActive = false;
    bool inCommentBlock = false;
    forEachLine(script, [&](std::string_view line, bool) {
        const std::vector<std::string_view> words = scriptWords(line);
        if (words.empty())
            return;
        const bool comment =
            inCommentBlock || isScriptCommentStart(words[0]) || isScriptCommentBlockStart(words[0]);
        if (inCommentBlock)
            inCommentBlock = !isScriptCommentBlockEnd(words[0]);
        else if (isScriptCommentBlockStart(words[0]))
            inCommentBlock = true;
        if (comment) {
            // A comment in a block is the map maker's; elsewhere it is the script's heading.
            if (current && underSetActive)
                areas[*current].lines.push_back({std::string(line), true});
            return;
        }
        if (is(words[0], kCreate)) {
            underSetActive = false;
            current.reset();
            auto created = parseCreateLine(line);
            if (!created) {
                leftovers.unreadableCreates.emplace_back(line);
                return;
            }
            current = areas.size();
            byName[created->name].push_back(areas.size());
            areas.push_back({std::move(*created), {}, false, {}, 0, false, false});
            return;
        }
        if (is(words[0], kSetActive)) {
            underSetActive = true;
            current.reset();
            const auto found = byName.find(wordsFrom(words, 1));
            if (found == byName.end()) {
                leftovers.unknownBlocks.emplace_back(line);
                return;
            }
            // Areas of one name take their blocks in turn; further blocks add to the last.
            const auto& candidates = found->second;
            const auto unnamed = std::find_if(candidates.begin(), candidates.end(),
                                              [&](std::size_t i) { return !areas[i].named; });
            current = unnamed != candidates.end() ? *unnamed : candidates.back();
            areas[*current].named = true;
            return;
        }
        if (current) {
            areas[*current].lines.push_back({std::string(line), false});
            return;
        }
        if (leftovers.outsideLines++ == 0)
            leftovers.firstOutside = line;
    });
    return areas;
}

std::int32_t toInt32(double value) {
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

// An edge pair [low, high] of whole pixels with at least one pixel between them.
void keepApart(std::int32_t& low, std::int32_t& high, bool& widened) {
    if (low != high)
        return;
    widened = true;
    if (high < std::numeric_limits<std::int32_t>::max())
        ++high;
    else
        --low;
}

// The script's rectangle snapped outward to whole picture pixels.
void snapCorners(TakenArea& area, std::int32_t worldSize, std::int32_t worldScale) {
    const LevelArea& c = area.created;
    const double minX = std::min(c.x1, c.x2);
    const double maxX = std::max(c.x1, c.x2);
    const double minZ = std::min(c.z1, c.z2);
    const double maxZ = std::max(c.z1, c.z2);
    std::int32_t left = toInt32(std::floor(minX / worldScale));
    std::int32_t right = toInt32(std::ceil(maxX / worldScale));
    std::int32_t top = toInt32(std::floor((worldSize - maxZ) / worldScale));
    std::int32_t bottom = toInt32(std::ceil((worldSize - minZ) / worldScale));
    keepApart(left, right, area.widened);
    keepApart(top, bottom, area.widened);
    area.definition.corner1 = {left, top};
    area.definition.corner2 = {right, bottom};
    const WorldPosition topLeft = pixelToWorld({left, top}, worldSize, worldScale);
    const WorldPosition bottomRight = pixelToWorld({right, bottom}, worldSize, worldScale);
    area.shift = std::max({std::abs(static_cast<double>(topLeft.x) - minX),
                           std::abs(static_cast<double>(bottomRight.x) - maxX),
                           std::abs(static_cast<double>(bottomRight.z) - minZ),
                           std::abs(static_cast<double>(topLeft.z) - maxZ)});
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

// Gives each block line to the panel or keeps it as an extra line (see the header).
struct AreaNames {
    std::unordered_set<std::string> exact;
    std::unordered_map<std::string, std::string> folded; // folded name -> a name
};

void sortBlockLines(TakenArea& area, const AreaNames& names, std::int32_t worldSize,
                    std::int32_t worldScale, std::vector<std::string>& notes) {
    AreaDefinition& definition = area.definition;
    AreaPanel& panel = definition.panel;
    panel.name = area.created.name;
    panel.priorityText = std::to_string(area.created.priority);
    panel.side = Side::none;
    const WorldPosition topLeft = pixelToWorld(definition.corner1, worldSize, worldScale);
    const WorldPosition bottomRight = pixelToWorld(definition.corner2, worldSize, worldScale);
    // Where the editor writes its own order positions.
    const double orderX =
        static_cast<double>(topLeft.x) + static_cast<double>(bottomRight.x - topLeft.x) / 2 - 10;
    const double orderZ = static_cast<double>(bottomRight.z) +
                          static_cast<double>(topLeft.z - bottomRight.z) / 2 - 10;
    std::array<bool, kOrderClasses.size()> classSeen{};
    bool sideSeen = false;

    for (BlockLine& line : area.lines) {
        const std::vector<std::string_view> w = scriptWords(line.text);
        // A comment stays as it is, whatever command it holds.
        bool held = false;
        if (line.comment) {
            held = false;
        } else if (is(w[0], kAddNeighbour) && w.size() >= 2) {
            const std::string neighbour = wordsFrom(w, 1);
            held = names.exact.contains(neighbour);
            const auto similar = names.folded.find(caseFoldedKey(neighbour));
            if (held)
                definition.neighbours.push_back(neighbour);
            else
                notes.push_back("Area \"" + panel.name + "\": der Nachbar \"" + neighbour +
                                "\" ist keine Area dieses Skripts" +
                                (similar != names.folded.end()
                                     ? " (gemeint \"" + similar->second + "\"?)"
                                     : std::string()) +
                                "; die Zeile bleibt als zusätzliche Zeile erhalten.");
        } else if (is(w[0], kAddFlag) && w.size() == 2) {
            const auto flag = panelFlag(w[1]);
            held = flag && !panel.flag(*flag);
            if (held)
                panel.setFlag(*flag, true);
        } else if (is(w[0], kOrderPosition) && w.size() >= 2) {
            if (const auto index = orderClass(w[1])) {
                const auto position = w.size() == 3 ? scriptVector(w[2]) : std::nullopt;
                const bool valid = position && position->size() == 2;
                if (valid && *index == 1)
                    panel.leicht = true;
                if (valid && *index == 2)
                    panel.schwer = true;
                held = valid && !classSeen[*index] && (*position)[0] == orderX &&
                       (*position)[1] == orderZ;
                classSeen[*index] = true;
            }
        } else if (is(w[0], kSetSide)) {
            const auto side = panelSide(w);
            held = !sideSeen && side;
            if (held)
                panel.side = *side;
            else
                area.sideKept = true;
            sideSeen = true;
        }
        if (!held)
            definition.extraLines.push_back(std::move(line.text));
    }
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string quotedLine(const std::string& line) {
    return "\"" + line + "\"";
}

void addNotes(LevelTakeover& result, const std::vector<TakenArea>& areas,
              const Leftovers& leftovers, std::vector<std::string> blockNotes) {
    std::vector<std::string> names;
    std::vector<std::string> snapped;
    std::vector<std::string> kept;
    std::vector<std::string> categories;
    std::size_t keptLines = 0;
    double largestShift = 0;
    for (const TakenArea& area : areas) {
        const std::string& name = area.created.name;
        names.push_back(name);
        if (const auto problem = areaNameProblem(name))
            result.notes.push_back(areaNameMessage(name, *problem));
        if (area.shift > 0) {
            snapped.push_back(name);
            largestShift = std::max(largestShift, area.shift);
        }
        if (area.widened)
            result.notes.push_back("Die Area \"" + name +
                                   "\" hat im Skript keine Breite oder Höhe; sie wird einen "
                                   "Bildpunkt breit oder hoch.");
        if (area.sideKept)
            result.notes.push_back("Area \"" + name +
                                   "\": weitere oder unbekannte Seiten (setSide) bleiben als "
                                   "zusätzliche Zeilen erhalten.");
        if (!area.definition.extraLines.empty()) {
            kept.push_back(name + " (" + std::to_string(area.definition.extraLines.size()) + ")");
            keptLines += area.definition.extraLines.size();
        }
        if (!area.created.category.empty())
            categories.push_back(name + " (" + area.created.category + ")");
    }
    for (const std::string& name : duplicateAreaNames(names))
        result.notes.push_back(duplicateAreaNameMessage(name));
    for (std::string& note : blockNotes)
        result.notes.push_back(std::move(note));
    if (!snapped.empty())
        result.notes.push_back("Auf die Bildpunkte erweitert: " + joined(snapped) + ".");
    if (!kept.empty())
        result.notes.push_back(
            "Zusätzliche Zeilen, die das Panel nicht zeigt, bleiben bei ihren Areas: " +
            joined(kept) + ".");
    if (!categories.empty())
        result.notes.push_back("Die Kategorie hinter der Priorität wird nicht übernommen: " +
                               joined(categories) + ".");
    for (const std::string& line : leftovers.unreadableCreates)
        result.notes.push_back("Die Zeile " + quotedLine(line) +
                               " legt keine lesbare Area an; sie wird nicht übernommen.");
    for (const std::string& line : leftovers.unknownBlocks)
        result.notes.push_back("Der Block " + quotedLine(line) +
                               " nennt keine Area dieses Skripts; er wird nicht übernommen.");
    if (leftovers.outsideLines > 0)
        result.notes.push_back(
            std::to_string(leftovers.outsideLines) +
            (leftovers.outsideLines == 1 ? " Zeile" : " Zeilen") + " außerhalb der Areas " +
            (leftovers.outsideLines == 1 ? "wird" : "werden") +
            " nicht übernommen (die erste: " + quotedLine(leftovers.firstOutside) + ").");

    if (areas.empty()) {
        result.summary = "Keine Area übernommen: das Skript legt keine Area an.";
        return;
    }
    result.summary = std::to_string(areas.size()) +
                     (areas.size() == 1 ? " Area übernommen" : " Areas übernommen");
    if (!snapped.empty())
        result.summary += ", " + std::to_string(snapped.size()) +
                          " davon auf die Bildpunkte erweitert (um höchstens " +
                          formatNumber(std::ceil(largestShift)) +
                          (std::ceil(largestShift) == 1 ? " Welteinheit)" : " Welteinheiten)");
    if (keptLines > 0)
        result.summary += ", " + std::to_string(keptLines) + " zusätzliche " +
                          (keptLines == 1 ? "Zeile" : "Zeilen") + " behalten";
    result.summary += ".";
}

} // namespace

LevelTakeover takeOverLevelAreas(std::string_view script, std::int32_t worldSize,
                                 std::int32_t worldScale) {
    if (worldScale <= 0)
        throw Error(std::string(kWorldSizeUnknownMessage));
    Leftovers leftovers;
    std::vector<TakenArea> areas = readAreaBlocks(script, leftovers);
    // Neighbours name areas exactly; a name in another letter case is only pointed out.
    AreaNames names;
    for (const TakenArea& area : areas) {
        names.exact.insert(area.created.name);
        names.folded.try_emplace(caseFoldedKey(area.created.name), area.created.name);
    }
    std::vector<std::string> blockNotes;
    for (TakenArea& area : areas) {
        snapCorners(area, worldSize, worldScale);
        sortBlockLines(area, names, worldSize, worldScale, blockNotes);
    }
    LevelTakeover result;
    addNotes(result, areas, leftovers, std::move(blockNotes));
    result.areas.reserve(areas.size());
    for (TakenArea& area : areas)
        result.areas.push_back(std::move(area.definition));
    return result;
}

LevelTakeover takeOverLevelAreasOf(const std::string& levelFolder, std::int32_t worldSize,
                                   std::int32_t worldScale) {
    const std::string shown = levelFolder + "AI\\StrategicAreas.con";
    const std::filesystem::path path = resolvePath(shown);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw Error("Die Karte bringt keine eigenen Strategic Areas mit: " + shown + " fehlt");
    if (std::filesystem::file_size(path, error) > kLargestScript && !error)
        throw Error("Datei " + shown + " ist zu groß für ein Area-Skript");
    return takeOverLevelAreas(decodeCp1252(readFileBytes(shown)), worldSize, worldScale);
}

} // namespace tess::areas
