#include "areas/level_takeover.h"

#include "areas/area_block.h"
#include "areas/area_names.h"
#include "areas/area_script.h"
#include "areas/level_areas.h"
#include "areas/script_parts.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/script_words.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

struct TakenArea {
    LevelArea created;
    std::vector<std::string> lines; // its block, in order
    AreaDefinition definition;
    double shift = 0;      // how far the snapped edges lie from the script's, in world units
    bool widened = false;  // the script's area had no width or height
    bool sideKept = false; // setSide lines stayed as extra lines
};

// What the walk through the script found besides the areas.
struct Leftovers {
    std::vector<std::string> unreadableCreates;
    std::vector<std::string> farAway;
    std::vector<std::string> unknownBlocks;
};

// A number of the script as a person reads it: 2048, 12.5, 1e+300.
std::string readableNumber(double value) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

// An edge pair [low, high] of whole pixels with at least one pixel between them.
void keepApart(std::int32_t& low, std::int32_t& high, bool& widened) {
    if (low != high)
        return;
    widened = true;
    ++high;
}

struct Snapped {
    double left, top, right, bottom; // whole pixels
};

Snapped snappedPixels(const LevelArea& c, std::int32_t worldSize, std::int32_t worldScale) {
    return {std::floor(std::min(c.x1, c.x2) / worldScale),
            std::floor((worldSize - std::max(c.z1, c.z2)) / worldScale),
            std::ceil(std::max(c.x1, c.x2) / worldScale),
            std::ceil((worldSize - std::min(c.z1, c.z2)) / worldScale)};
}

// Whether the snapped corners lie within the editor's reach round the picture.
bool withinReach(const Snapped& p) {
    const auto within = [](double v) { return v >= -kCornerReach && v <= 511 + kCornerReach; };
    return within(p.left) && within(p.top) && within(p.right) && within(p.bottom);
}

// The script's rectangle snapped outward to whole picture pixels.
void snapCorners(TakenArea& area, std::int32_t worldSize, std::int32_t worldScale) {
    const LevelArea& c = area.created;
    const Snapped p = snappedPixels(c, worldSize, worldScale);
    auto left = static_cast<std::int32_t>(p.left);
    auto top = static_cast<std::int32_t>(p.top);
    auto right = static_cast<std::int32_t>(p.right);
    auto bottom = static_cast<std::int32_t>(p.bottom);
    keepApart(left, right, area.widened);
    keepApart(top, bottom, area.widened);
    area.definition.corner1 = {left, top};
    area.definition.corner2 = {right, bottom};
    const WorldPosition topLeft = pixelToWorld({left, top}, worldSize, worldScale);
    const WorldPosition bottomRight = pixelToWorld({right, bottom}, worldSize, worldScale);
    area.shift = std::max({std::abs(static_cast<double>(topLeft.x) - std::min(c.x1, c.x2)),
                           std::abs(static_cast<double>(bottomRight.x) - std::max(c.x1, c.x2)),
                           std::abs(static_cast<double>(bottomRight.z) - std::min(c.z1, c.z2)),
                           std::abs(static_cast<double>(topLeft.z) - std::max(c.z1, c.z2))});
}

// The areas of one name, and the next of them that no setActive has named yet.
struct NameSlots {
    std::vector<std::size_t> areas;
    std::size_t nextUnnamed = 0;
};

// Walks the parts: the areas with their blocks, and every other line on its side.
std::vector<TakenArea> takeParts(std::vector<ScriptPart> parts, std::int32_t worldSize,
                                 std::int32_t worldScale, OutsideLines& outside,
                                 Leftovers& leftovers) {
    std::vector<TakenArea> areas;
    std::vector<std::optional<std::size_t>> areaOf(parts.size());
    std::unordered_map<std::string, NameSlots> byName;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        ScriptPart& part = parts[i];
        if (part.kind != ScriptPart::Kind::create)
            continue;
        if (!part.created) {
            leftovers.unreadableCreates.push_back(part.line);
            continue;
        }
        const LevelArea& c = *part.created;
        if (!withinReach(snappedPixels(c, worldSize, worldScale))) {
            leftovers.farAway.push_back("\"" + c.name + "\" (X " + readableNumber(c.x1) + " bis " +
                                        readableNumber(c.x2) + ", Z " + readableNumber(c.z1) +
                                        " bis " + readableNumber(c.z2) + ")");
            continue;
        }
        areaOf[i] = areas.size();
        byName[c.name].areas.push_back(areas.size());
        areas.push_back({std::move(*part.created), {}, {}, 0, false, false});
    }
    std::optional<std::size_t> lastCreated;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        ScriptPart& part = parts[i];
        if (part.kind == ScriptPart::Kind::create)
            lastCreated = areaOf[i];
        if (part.kind != ScriptPart::Kind::block)
            continue;
        if (part.line.empty()) {
            areaOf[i] = lastCreated; // the lines after its create line
        } else if (const auto found = byName.find(part.name); found != byName.end()) {
            NameSlots& slots = found->second;
            areaOf[i] = slots.areas[std::min(slots.nextUnnamed, slots.areas.size() - 1)];
            if (slots.nextUnnamed < slots.areas.size())
                ++slots.nextUnnamed;
        } else {
            leftovers.unknownBlocks.push_back(part.line);
        }
        if (areaOf[i]) {
            std::vector<std::string>& lines = areas[*areaOf[i]].lines;
            lines.insert(lines.end(), std::make_move_iterator(part.lines.begin()),
                         std::make_move_iterator(part.lines.end()));
        }
    }
    // From the end: a line before a create line of an area stands before the areas, one
    // before a block between them, any other after the last block.
    bool createFollows = false;
    bool blockFollows = false;
    std::vector<std::string> before, between, after;
    for (std::size_t i = parts.size(); i-- > 0;) {
        ScriptPart& part = parts[i];
        if (areaOf[i]) {
            (part.kind == ScriptPart::Kind::create ? createFollows : blockFollows) = true;
            continue;
        }
        std::vector<std::string>& place = createFollows ? before : blockFollows ? between : after;
        for (auto line = part.lines.rbegin(); line != part.lines.rend(); ++line)
            place.push_back(std::move(*line));
        if (!part.line.empty())
            place.push_back(std::move(part.line));
    }
    for (auto [from, to] : {std::pair{&before, &outside.before},
                            {&between, &outside.between},
                            {&after, &outside.after}})
        to->assign(std::make_move_iterator(from->rbegin()), std::make_move_iterator(from->rend()));
    return areas;
}

// The panel takes from the block what it can show (area_block.h); the block stays as it is.
void sortBlock(TakenArea& area, const std::unordered_set<std::string>& names,
               const std::unordered_map<std::string, std::string>& folded, std::int32_t worldSize,
               std::int32_t worldScale, std::vector<std::string>& notes) {
    AreaDefinition& definition = area.definition;
    AreaPanel& panel = definition.panel;
    panel.name = area.created.name;
    panel.priorityText = std::to_string(area.created.priority);
    definition.category = area.created.category;
    const WorldPosition topLeft = pixelToWorld(definition.corner1, worldSize, worldScale);
    const WorldPosition bottomRight = pixelToWorld(definition.corner2, worldSize, worldScale);
    // Where the editor writes its own order positions.
    const double orderX =
        static_cast<double>(topLeft.x) + static_cast<double>(bottomRight.x - topLeft.x) / 2 - 10;
    const double orderZ = static_cast<double>(bottomRight.z) +
                          static_cast<double>(topLeft.z - bottomRight.z) / 2 - 10;
    SortedBlock sorted = sortBlockLines(
        area.lines, orderX, orderZ, [&](const std::string& name) { return names.contains(name); });
    panel.flags = sorted.flags;
    panel.leicht = sorted.leicht;
    panel.schwer = sorted.schwer;
    panel.side = sorted.side;
    definition.neighbours = std::move(sorted.neighbours);
    definition.extraLines = std::move(sorted.extraLines);
    area.sideKept = sorted.sideKept;
    for (const std::string& neighbour : sorted.strangers) {
        const auto similar = folded.find(caseFoldedKey(neighbour));
        notes.push_back(
            "Area \"" + panel.name + "\": der Nachbar \"" + neighbour +
            "\" ist keine Area dieses Skripts" +
            (similar != folded.end() ? " (gemeint \"" + similar->second + "\"?)" : std::string()) +
            "; die Zeile bleibt als zusätzliche Zeile erhalten.");
    }
    definition.levelLines = std::move(area.lines);
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

std::string linesText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " Zeile" : " Zeilen");
}

void addNotes(LevelTakeover& result, const std::vector<TakenArea>& areas,
              const Leftovers& leftovers, std::vector<std::string> blockNotes,
              std::int32_t worldSize) {
    std::vector<std::string> names;
    std::vector<std::string> snapped;
    std::vector<std::string> kept;
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
    const std::string stays = " außerhalb der Areas im Skript.";
    for (const std::string& line : leftovers.unreadableCreates)
        result.notes.push_back("Die Zeile " + quotedLine(line) +
                               " legt keine lesbare Area an; sie bleibt" + stays);
    for (const std::string& area : leftovers.farAway)
        result.notes.push_back("Die Area " + area + " liegt weit außerhalb der Karte (0 bis " +
                               std::to_string(worldSize) +
                               " Welteinheiten) und wird nicht übernommen; ihre Zeilen bleiben" +
                               stays);
    for (const std::string& line : leftovers.unknownBlocks)
        result.notes.push_back("Der Block " + quotedLine(line) +
                               " nennt keine Area dieses Skripts; er bleibt" + stays);
    const OutsideLines& outside = result.areas.outside;
    if (!outside.empty()) {
        std::vector<std::string> places;
        if (!outside.before.empty())
            places.push_back(std::to_string(outside.before.size()) + " vor den Areas");
        if (!outside.between.empty())
            places.push_back(std::to_string(outside.between.size()) +
                             " zwischen den create-Zeilen und den Blöcken");
        if (!outside.after.empty())
            places.push_back(std::to_string(outside.after.size()) + " nach dem letzten Block");
        result.notes.push_back(
            "Zeilen außerhalb der Areas bleiben an ihrem Platz: " + joined(places) + ".");
    }

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
    if (!outside.empty())
        result.summary += ", " + linesText(outside.size()) + " außerhalb der Areas";
    result.summary += ".";
}

} // namespace

LevelTakeover takeOverLevelAreas(std::string_view script, std::int32_t worldSize,
                                 std::int32_t worldScale) {
    if (worldScale <= 0)
        throw Error(std::string(kWorldSizeUnknownMessage));
    LevelTakeover result;
    Leftovers leftovers;
    std::vector<TakenArea> areas =
        takeParts(readScriptParts(script), worldSize, worldScale, result.areas.outside, leftovers);
    // Neighbours name areas exactly; a name in another letter case is only pointed out.
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> folded; // folded name -> a name
    for (const TakenArea& area : areas) {
        names.insert(area.created.name);
        folded.try_emplace(caseFoldedKey(area.created.name), area.created.name);
    }
    std::vector<std::string> blockNotes;
    for (TakenArea& area : areas) {
        snapCorners(area, worldSize, worldScale);
        sortBlock(area, names, folded, worldSize, worldScale, blockNotes);
    }
    addNotes(result, areas, leftovers, std::move(blockNotes), worldSize);
    result.areas.areas.reserve(areas.size());
    for (TakenArea& area : areas)
        result.areas.areas.push_back(std::move(area.definition));
    return result;
}

LevelTakeover takeOverLevelAreasOf(const std::string& levelFolder, std::int32_t worldSize,
                                   std::int32_t worldScale) {
    const std::string shown = areaScriptPath(levelFolder);
    const std::filesystem::path path = resolvePath(shown);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw Error("Die Karte bringt keine eigenen Strategic Areas mit: " + shown + " fehlt");
    if (std::filesystem::file_size(path, error) > kLargestLevelScript && !error)
        throw Error("Datei " + shown + " ist zu groß für ein Area-Skript");
    return takeOverLevelAreas(decodeCp1252(readFileBytes(shown)), worldSize, worldScale);
}

} // namespace tess::areas
