#include "areas/area_file.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/integers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace tess::areas {
namespace {

using nlohmann::json;

constexpr std::string_view kKnownFields[] = {"name",  "corner1", "corner2", "priority",  "flags",
                                             "light", "heavy",   "side",    "neighbours"};

// Names one area in messages: its number in the file and, once known, its name.
class AreaContext {
public:
    explicit AreaContext(std::size_t index) : number_(index + 1) {}
    void setName(const std::string& name) { name_ = name; }

    Error fieldError(std::string_view field, const std::string& problem) const {
        return Error(area() + ", Feld \"" + std::string(field) + "\": " + problem);
    }
    std::string area() const {
        std::string text = "Area " + std::to_string(number_);
        if (!name_.empty())
            text += " (\"" + name_ + "\")";
        return text;
    }

private:
    std::size_t number_;
    std::string name_;
};

// Line and column of a byte offset, counted from 1, for the parser's complaint.
std::string positionOf(std::string_view text, std::size_t byte) {
    // The parser counts the offending character's byte from 1.
    byte = std::min(byte > 0 ? byte - 1 : 0, text.size());
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < byte; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "Zeile " + std::to_string(line) + ", Spalte " + std::to_string(column);
}

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

bool fitsInt32(const json& value) {
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>() <=
               std::uint64_t{std::numeric_limits<std::int32_t>::max()};
    const auto v = value.get<std::int64_t>();
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
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
    return {value[0].get<std::int32_t>(), value[1].get<std::int32_t>()};
}

std::string name(const json& area, AreaContext& context) {
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

AreaDefinition readArea(const json& area, std::size_t index) {
    AreaContext context(index);
    if (!area.is_object())
        throw Error(context.area() + ": ist kein JSON-Objekt");
    AreaDefinition definition;
    // The name first, so that every later message can name the area.
    definition.panel.name = name(area, context);
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
    return definition;
}

} // namespace

AreaFile parseAreaFile(std::string_view text) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        throw Error("Die Area-Datei ist kein gültiges JSON (" + positionOf(text, e.byte) + ")");
    }
    const auto areas = document.is_object() ? document.find("areas") : document.end();
    if (!document.is_object() || areas == document.end() || !areas->is_array())
        throw Error("Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas");
    if (areas->empty())
        throw Error("Die Area-Datei enthält keine Area");

    AreaFile file;
    file.reserve(areas->size());
    for (std::size_t i = 0; i < areas->size(); ++i)
        file.push_back(readArea((*areas)[i], i));

    std::unordered_set<std::string_view> names;
    for (const AreaDefinition& area : file)
        names.insert(area.panel.name);
    for (std::size_t i = 0; i < file.size(); ++i)
        for (const std::string& neighbour : file[i].neighbours)
            if (!names.contains(neighbour)) {
                AreaContext context(i);
                context.setName(file[i].panel.name);
                throw context.fieldError("neighbours",
                                         "\"" + neighbour + "\" ist keine Area dieser Datei");
            }
    return file;
}

std::string serialiseAreaFile(const AreaFile& file) {
    // Fields in the order a reader expects them, not sorted.
    using ordered = nlohmann::ordered_json;
    ordered areas = ordered::array();
    for (const AreaDefinition& definition : file) {
        const AreaPanel& panel = definition.panel;
        ordered area = ordered::object();
        area["name"] = panel.name;
        area["corner1"] = {definition.corner1.left, definition.corner1.top};
        area["corner2"] = {definition.corner2.left, definition.corner2.top};
        // A priority that reads back as the same number is written as that number.
        bool asNumber = false;
        try {
            asNumber = std::to_string(strToInt(panel.priorityText)) == panel.priorityText;
        } catch (const Error&) {
        }
        if (asNumber)
            area["priority"] = strToInt(panel.priorityText);
        else
            area["priority"] = panel.priorityText;
        ordered flags = ordered::array();
        for (const auto& info : kAreaFlags)
            if (panel.flag(info.flag))
                flags.push_back(std::string(info.boxName));
        area["flags"] = flags;
        area["light"] = panel.leicht;
        area["heavy"] = panel.schwer;
        switch (panel.side) {
        case Side::team1:
            area["side"] = 1;
            break;
        case Side::team2:
            area["side"] = 2;
            break;
        case Side::neutral:
            area["side"] = 0;
            break;
        case Side::none:
            break;
        }
        area["neighbours"] = definition.neighbours;
        areas.push_back(std::move(area));
    }
    ordered document = ordered::object();
    document["areas"] = std::move(areas);
    return document.dump(2, ' ', false, ordered::error_handler_t::replace) + "\n";
}

AreaFile areaFileOf(const AreaEditor& editor) {
    AreaFile file;
    file.reserve(editor.confirmedAreas().size());
    for (const ConfirmedArea& area : editor.confirmedAreas())
        file.push_back({area.green, area.red, area.panel, area.neighbours});
    return file;
}

std::vector<std::string> applyAreaFile(AreaEditor& editor, const AreaFile& file) {
    const std::size_t firstSummary = editor.summaryEntries().size();
    for (const AreaDefinition& area : file) {
        editor.newArea();
        editor.placeActiveMarker(area.corner1);
        editor.confirmPoint();
        editor.placeActiveMarker(area.corner2);
        editor.finishArea();
        editor.confirmArea(area.panel);
    }
    editor.openNeighbours();

    std::unordered_map<std::string, std::vector<std::size_t>> entriesByName;
    const auto& checkList = editor.checkList();
    for (std::size_t i = 0; i < checkList.size(); ++i)
        entriesByName[checkList[i].name].push_back(i);
    for (const AreaDefinition& area : file) {
        for (const std::string& neighbour : area.neighbours)
            if (const auto it = entriesByName.find(neighbour); it != entriesByName.end())
                for (const std::size_t entry : it->second)
                    editor.setTicked(entry, true);
        editor.nextArea();
    }
    return {editor.summaryEntries().begin() + static_cast<std::ptrdiff_t>(firstSummary),
            editor.summaryEntries().end()};
}

std::vector<std::string> writeAreaScriptFromFile(WizardState& state, std::string_view json) {
    const AreaFile file = parseAreaFile(json);
    AreaEditor editor(state);
    return applyAreaFile(editor, file);
}

} // namespace tess::areas
