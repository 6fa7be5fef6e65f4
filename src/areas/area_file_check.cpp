// The areas of an area file, field by field, each checked as it is read; and the replay of
// the steps of saved areas of version 1.
#include "areas/area_file_fields.h"

#include "areas/area_names.h"
#include "core/codepage.h"
#include "core/integers.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace tess::areas::file_fields {
namespace {

constexpr std::string_view kKnownFields[] = {"name", "corner1", "corner2", "priority", "flags",
                                             "light", "heavy", "side", "neighbours", "extraLines",
                                             "category", "levelLines",
                                             // kept by the autosave
                                             "finished", "neighbourEntries"};

const json& required(const json& area, std::string_view field, const AreaContext& context) {
    const auto it = area.find(field);
    if (it == area.end())
        throw context.fieldError(field, "fehlt");
    return *it;
}

bool optionalBool(const json& area, std::string_view field, const AreaContext& context) {
    const auto it = area.find(field);
    if (it == area.end())
        return false;
    if (!it->is_boolean())
        throw context.fieldError(field, "muss true oder false sein");
    return it->get<bool>();
}

std::vector<std::size_t> optionalIndices(const json& area, std::string_view field,
                                         const AreaContext& context) {
    const auto it = area.find(field);
    if (it == area.end())
        return {};
    auto indices = indexList(*it);
    if (!indices)
        throw context.fieldError(field, "muss eine Liste von Eintragsnummern (ab 0) sein");
    return std::move(*indices);
}

std::vector<std::string> optionalTexts(const json& area, std::string_view field,
                                       const AreaContext& context) {
    std::vector<std::string> texts;
    const auto it = area.find(field);
    if (it == area.end())
        return texts;
    if (!it->is_array())
        throw context.fieldError(field, "muss eine Liste von Texten sein");
    for (const json& item : *it) {
        if (!item.is_string())
            throw context.fieldError(field, "muss eine Liste von Texten sein");
        texts.push_back(item.get<std::string>());
    }
    return texts;
}

std::vector<std::string> scriptLines(const json& area, std::string_view field,
                                     const AreaContext& context) {
    std::vector<std::string> lines = optionalTexts(area, field, context);
    for (std::size_t i = 0; i < lines.size(); ++i)
        checkScriptLine(lines[i], [&](const std::string& problem) {
            return context.fieldError(field, "Zeile " + std::to_string(i + 1) + ": " + problem);
        });
    return lines;
}

PixelPosition corner(const json& area, std::string_view field, const AreaContext& context) {
    const json& value = required(area, field, context);
    const bool ok = value.is_array() && value.size() == 2 &&
                    std::all_of(value.begin(), value.end(), [](const json& c) {
                        return c.is_number_integer() && fitsInt32(c);
                    });
    if (!ok)
        throw context.fieldError(
            field, "muss eine Liste aus zwei ganzen Zahlen sein: [links, oben] in Bildpunkten");
    const PixelPosition position{value[0].get<std::int32_t>(), value[1].get<std::int32_t>()};
    if (!cornerWithinReach(position))
        throw context.fieldError(field, cornerOutOfReachMessage(position));
    return position;
}

std::string name(const json& area, AreaContext& context, bool readableNames) {
    const json& value = required(area, "name", context);
    if (!value.is_string())
        throw context.fieldError("name", "muss ein Text sein");
    const std::string text = value.get<std::string>();
    if (text.empty())
        throw context.fieldError("name", "ist leer");
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        throw context.fieldError("name", "darf keine Zeilenumbrüche oder Steuerzeichen enthalten");
    try {
        encodeCp1252(text);
    } catch (const Error& e) {
        throw context.fieldError("name", e.what());
    }
    if (const auto problem = areaNameProblem(text); problem && readableNames)
        throw context.fieldError("name", areaNameMessage(text, *problem));
    context.setName(text);
    return text;
}

std::string priorityText(const json& area, const AreaContext& context) {
    const json& value = required(area, "priority", context);
    std::string text;
    if (value.is_number_integer())
        text = value.dump();
    else if (value.is_string())
        text = value.get<std::string>();
    else
        throw context.fieldError("priority", "muss eine ganze Zahl oder ein Text sein");
    try {
        strToInt(text);
    } catch (const Error& e) {
        throw context.fieldError("priority", e.what());
    }
    return text;
}

Side side(const json& area, const AreaContext& context) {
    const auto it = area.find("side");
    if (it == area.end())
        return Side::none;
    if (it->is_number_integer() && fitsInt32(*it)) {
        switch (it->get<std::int32_t>()) {
        case 1:
            return Side::team1;
        case 2:
            return Side::team2;
        case 0:
            return Side::neutral;
        default:
            break;
        }
    }
    throw context.fieldError("side", "muss 1 (Team 1), 2 (Team2) oder 0 (Neutral) sein; ohne "
                                     "Seite fehlt das Feld");
}

void readFlags(const json& area, AreaPanel& panel, const AreaContext& context) {
    for (const std::string& boxName : optionalTexts(area, "flags", context)) {
        const auto info = std::find_if(kAreaFlags.begin(), kAreaFlags.end(),
                                       [&](const AreaFlagInfo& f) { return f.boxName == boxName; });
        if (info == kAreaFlags.end())
            throw context.fieldError("flags", "unbekannte Markierung \"" + boxName +
                                                  "\" (erlaubt: basis, cp, strong, air, "
                                                  "Flanke, center)");
        panel.setFlag(info->flag, true);
    }
}

ReadArea readArea(const json& area, std::size_t index, bool readableNames) {
    AreaContext context(index);
    if (!area.is_object())
        throw Error(context.area() + ": ist kein JSON-Objekt");
    AreaDefinition definition;
    // The name first, so that every later message can name the area.
    definition.panel.name = name(area, context, readableNames);
    for (const auto& item : area.items())
        if (std::find(std::begin(kKnownFields), std::end(kKnownFields), item.key()) ==
            std::end(kKnownFields))
            throw context.fieldError(item.key(), "unbekanntes Feld");
    definition.corner1 = corner(area, "corner1", context);
    definition.corner2 = corner(area, "corner2", context);
    if (definition.corner1.left == definition.corner2.left ||
        definition.corner1.top == definition.corner2.top)
        throw context.fieldError("corner2", "liegt in derselben Zeile oder Spalte wie "
                                            "\"corner1\"; eine Area braucht Breite und Höhe");
    definition.panel.priorityText = priorityText(area, context);
    readFlags(area, definition.panel, context);
    definition.panel.leicht = optionalBool(area, "light", context);
    definition.panel.schwer = optionalBool(area, "heavy", context);
    definition.panel.side = side(area, context);
    definition.neighbours = optionalTexts(area, "neighbours", context);
    definition.extraLines = scriptLines(area, "extraLines", context);
    if (const auto category = area.find("category"); category != area.end()) {
        if (!category->is_string())
            throw context.fieldError("category", "muss ein Text sein");
        definition.category = category->get<std::string>();
        checkScriptLine(definition.category, [&](const std::string& problem) {
            return context.fieldError("category", problem);
        });
    }
    if (area.contains("levelLines"))
        definition.levelLines = scriptLines(area, "levelLines", context);
    return {std::move(definition), optionalBool(area, "finished", context),
            optionalIndices(area, "neighbourEntries", context)};
}

constexpr std::pair<OldStep, std::string_view> kStepNames[] = {
    {OldStep::confirm, "confirm"},
    {OldStep::openNeighbours, "openNeighbours"},
    {OldStep::next, "next"},
};

std::string_view stepName(OldStep step) {
    for (const auto& [value, name] : kStepNames)
        if (value == step)
            return name;
    return {};
}

} // namespace

// A list of check list entries, counted from 0; nothing when the value is not one.
std::optional<std::vector<std::size_t>> indexList(const json& value) {
    const auto isIndex = [](const json& item) {
        return item.is_number_unsigned() ||
               (item.is_number_integer() && item.get<std::int64_t>() >= 0);
    };
    if (!value.is_array() || !std::all_of(value.begin(), value.end(), isIndex))
        return std::nullopt;
    std::vector<std::size_t> indices;
    indices.reserve(value.size());
    for (const json& item : value)
        indices.push_back(static_cast<std::size_t>(item.get<std::uint64_t>()));
    return indices;
}

// Lines that are written into the script as they are: each must stay one line of the script,
// in the game's code page.
void checkScriptLine(const std::string& line, const std::function<Error(std::string)>& fail) {
    if (std::any_of(line.begin(), line.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && c != '\t') || byte == 0x7F;
        }))
        throw fail("darf keine Zeilenumbrüche oder Steuerzeichen enthalten");
    try {
        encodeCp1252(line);
    } catch (const Error& e) {
        throw fail(e.what());
    }
}

bool fitsInt32(const json& value) {
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>() <=
               std::uint64_t{std::numeric_limits<std::int32_t>::max()};
    const auto v = value.get<std::int64_t>();
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

// The areas of the list, their neighbours checked against their names. With readableNames a
// name the game cannot read, or used by two areas, is refused.
std::vector<ReadArea> readAreas(const json& areas, bool readableNames) {
    std::vector<ReadArea> file;
    file.reserve(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i)
        file.push_back(readArea(areas[i], i, readableNames));

    std::unordered_set<std::string_view> names;
    for (std::size_t i = 0; i < file.size(); ++i) {
        const std::string& name = file[i].definition.panel.name;
        if (!names.insert(name).second && readableNames) {
            AreaContext context(i);
            context.setName(name);
            throw context.fieldError("name", duplicateAreaNameMessage(name));
        }
    }
    for (std::size_t i = 0; i < file.size(); ++i)
        for (const std::string& neighbour : file[i].definition.neighbours)
            if (!names.contains(neighbour)) {
                AreaContext context(i);
                context.setName(file[i].definition.panel.name);
                throw context.fieldError("neighbours",
                                         "\"" + neighbour + "\" ist keine Area dieser Datei");
            }
    return file;
}

std::vector<OldStep> readSteps(const json& document) {
    const Error malformed("Die Datei enthält keine gespeicherten Areas: das Feld \"steps\" "
                          "braucht eine Liste aus \"confirm\", \"openNeighbours\" und \"next\"");
    const auto steps = document.find("steps");
    if (steps == document.end() || !steps->is_array())
        throw malformed;
    std::vector<OldStep> result;
    result.reserve(steps->size());
    for (const json& step : *steps) {
        const auto known =
            std::find_if(std::begin(kStepNames), std::end(kStepNames), [&](const auto& s) {
                return step.is_string() && step.get<std::string>() == s.second;
            });
        if (known == std::end(kStepNames))
            throw malformed;
        result.push_back(known->first);
    }
    return result;
}

// Replays the steps on counts alone, as the editor of that version took them, so that a file
// whose replay would go astray is refused; then the areas as this editor holds them: the
// ticks of the area waiting first become its neighbours.
AreaSession sessionOfSteps(std::vector<ReadArea> areas, const std::vector<OldStep>& steps,
                           const std::vector<std::size_t>& ticked, std::int32_t worldSize) {
    const auto mismatch = [](const std::string& detail) {
        return Error("Die Schritte der Area-Datei passen nicht zu ihren Areas: " + detail);
    };
    const auto areaText = [&](std::size_t index) {
        AreaContext context(index);
        context.setName(areas[index].definition.panel.name);
        return context.area();
    };
    std::size_t confirmed = 0;
    std::size_t finished = 0;
    bool panelShown = false;
    std::vector<std::size_t> entries; // the area each check list entry names
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string step =
            "Schritt " + std::to_string(i + 1) + " (\"" + std::string(stepName(steps[i])) + "\")";
        switch (steps[i]) {
        case OldStep::confirm:
            if (confirmed == areas.size())
                throw mismatch(step + ": keine Area mehr übrig");
            ++confirmed;
            break;
        case OldStep::openNeighbours:
            panelShown = true;
            for (std::size_t area = finished; area < confirmed; ++area)
                entries.push_back(area);
            break;
        case OldStep::next: {
            if (!panelShown || finished == confirmed)
                throw mismatch(step + ": keine Area wartet");
            const ReadArea& area = areas[finished];
            if (!area.finished)
                throw mismatch(step + ": " + areaText(finished) +
                               " ist nicht als fertig gespeichert");
            const auto& entriesTicked = area.neighbourEntries;
            bool fits = entriesTicked.size() == area.definition.neighbours.size() &&
                        std::is_sorted(entriesTicked.begin(), entriesTicked.end()) &&
                        std::adjacent_find(entriesTicked.begin(), entriesTicked.end()) ==
                            entriesTicked.end();
            for (std::size_t n = 0; fits && n < entriesTicked.size(); ++n)
                fits = entriesTicked[n] < entries.size() &&
                       areas[entries[entriesTicked[n]]].definition.panel.name ==
                           area.definition.neighbours[n];
            if (!fits)
                throw mismatch(step + ": " + areaText(finished) +
                               ", \"neighbourEntries\" passt nicht zu \"neighbours\" und der "
                               "Nachbarliste");
            ++finished;
            break;
        }
        }
    }
    if (confirmed != areas.size())
        throw mismatch("nur " + std::to_string(confirmed) + " von " + std::to_string(areas.size()) +
                       " Areas werden bestätigt");
    for (std::size_t area = finished; area < areas.size(); ++area) {
        const ReadArea& waiting = areas[area];
        if (waiting.finished || !waiting.neighbourEntries.empty() ||
            !waiting.definition.neighbours.empty())
            throw mismatch(areaText(area) + " wartet noch auf \"Nächste\", ist aber als fertig "
                                            "oder mit Nachbarn gespeichert");
    }
    if (!std::is_sorted(ticked.begin(), ticked.end()) ||
        std::adjacent_find(ticked.begin(), ticked.end()) != ticked.end() ||
        (!ticked.empty() && ticked.back() >= entries.size()))
        throw mismatch("\"ticked\" nennt Einträge, die die Nachbarliste nicht hat");

    AreaSession session;
    session.worldSize = worldSize;
    session.neighbourPhase = panelShown;
    if (finished < areas.size())
        for (const std::size_t entry : ticked) {
            auto& neighbours = areas[finished].definition.neighbours;
            const std::string& name = areas[entries[entry]].definition.panel.name;
            if (std::find(neighbours.begin(), neighbours.end(), name) == neighbours.end())
                neighbours.push_back(name);
        }
    session.areas.reserve(areas.size());
    for (ReadArea& area : areas)
        session.areas.push_back({std::move(area.definition), area.finished});
    return session;
}

} // namespace tess::areas::file_fields
