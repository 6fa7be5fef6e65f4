#include "areas/area_file.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/integers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

using nlohmann::json;

constexpr std::string_view kKnownFields[] = {"name", "corner1", "corner2", "priority", "flags",
                                             "light", "heavy", "side", "neighbours", "extraLines",
                                             // kept by the autosave
                                             "finished", "neighbourEntries"};

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

// Lines of the area's block that the panel cannot hold: each must stay one line of the
// script, in the game's code page.
std::vector<std::string> extraLines(const json& area, const AreaContext& context) {
    std::vector<std::string> lines = optionalTexts(area, "extraLines", context);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string number = "Zeile " + std::to_string(i + 1) + ": ";
        if (std::any_of(lines[i].begin(), lines[i].end(), [](char c) {
                const auto byte = static_cast<unsigned char>(c);
                return (byte < 0x20 && c != '\t') || byte == 0x7F;
            }))
            throw context.fieldError("extraLines", number + "darf keine Zeilenumbrüche oder "
                                                            "Steuerzeichen enthalten");
        try {
            encodeCp1252(lines[i]);
        } catch (const Error& e) {
            throw context.fieldError("extraLines", number + e.what());
        }
    }
    return lines;
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

SavedArea readArea(const json& area, std::size_t index) {
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
    definition.extraLines = extraLines(area, context);
    return {std::move(definition), optionalBool(area, "finished", context),
            optionalIndices(area, "neighbourEntries", context)};
}

json parseDocument(std::string_view text) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        throw Error("Die Area-Datei ist kein gültiges JSON (" + positionOf(text, e.byte) + ")");
    }
    return document;
}

// An area file may name its version; saved areas must.
void checkVersion(const json& document, bool required) {
    const auto version = document.is_object() ? document.find("version") : document.end();
    if (version == document.end()) {
        if (required)
            throw Error("Die Datei enthält keine gespeicherten Areas: das Feld \"version\" fehlt");
        return;
    }
    if (!version->is_number_integer())
        throw Error("Das Feld \"version\" der Area-Datei muss eine ganze Zahl sein");
    if (version->get<std::int64_t>() != kAreaFileVersion)
        throw Error("Die Area-Datei hat die Version " + version->dump() +
                    "; gelesen wird Version " + std::to_string(kAreaFileVersion));
}

const json& areaList(const json& document) {
    const auto areas = document.is_object() ? document.find("areas") : document.end();
    if (!document.is_object() || areas == document.end() || !areas->is_array())
        throw Error("Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas");
    if (areas->empty())
        throw Error("Die Area-Datei enthält keine Area");
    return *areas;
}

std::vector<SavedArea> readAreas(const json& areas) {
    std::vector<SavedArea> file;
    file.reserve(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i)
        file.push_back(readArea(areas[i], i));

    std::unordered_set<std::string_view> names;
    for (const SavedArea& area : file)
        names.insert(area.definition.panel.name);
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

constexpr std::pair<AreaStep, std::string_view> kStepNames[] = {
    {AreaStep::confirm, "confirm"},
    {AreaStep::openNeighbours, "openNeighbours"},
    {AreaStep::next, "next"},
};

std::string_view stepName(AreaStep step) {
    for (const auto& [value, name] : kStepNames)
        if (value == step)
            return name;
    return {};
}

std::vector<AreaStep> readSteps(const json& document) {
    const Error malformed("Die Datei enthält keine gespeicherten Areas: das Feld \"steps\" "
                          "braucht eine Liste aus \"confirm\", \"openNeighbours\" und \"next\"");
    const auto steps = document.find("steps");
    if (steps == document.end() || !steps->is_array())
        throw malformed;
    std::vector<AreaStep> result;
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

// Replays the steps on counts alone, as the editor would take them, so that a file whose
// replay would go astray is refused before any area reaches the editor.
void checkSteps(const AreaSession& session) {
    const auto mismatch = [](const std::string& detail) {
        return Error("Die Schritte der Area-Datei passen nicht zu ihren Areas: " + detail);
    };
    const auto areaText = [&](std::size_t index) {
        AreaContext context(index);
        context.setName(session.areas[index].definition.panel.name);
        return context.area();
    };
    std::size_t confirmed = 0;
    std::size_t finished = 0;
    bool panelShown = false;
    std::vector<std::size_t> entries; // the area each check list entry names
    for (std::size_t i = 0; i < session.steps.size(); ++i) {
        const std::string step = "Schritt " + std::to_string(i + 1) + " (\"" +
                                 std::string(stepName(session.steps[i])) + "\")";
        switch (session.steps[i]) {
        case AreaStep::confirm:
            if (confirmed == session.areas.size())
                throw mismatch(step + ": keine Area mehr übrig");
            ++confirmed;
            break;
        case AreaStep::openNeighbours:
            panelShown = true;
            for (std::size_t area = finished; area < confirmed; ++area)
                entries.push_back(area);
            break;
        case AreaStep::next: {
            if (!panelShown || finished == confirmed)
                throw mismatch(step + ": keine Area wartet");
            const SavedArea& area = session.areas[finished];
            if (!area.finished)
                throw mismatch(step + ": " + areaText(finished) +
                               " ist nicht als fertig gespeichert");
            const auto& ticked = area.neighbourEntries;
            bool fits = ticked.size() == area.definition.neighbours.size() &&
                        std::is_sorted(ticked.begin(), ticked.end()) &&
                        std::adjacent_find(ticked.begin(), ticked.end()) == ticked.end();
            for (std::size_t n = 0; fits && n < ticked.size(); ++n)
                fits = ticked[n] < entries.size() &&
                       session.areas[entries[ticked[n]]].definition.panel.name ==
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
    if (confirmed != session.areas.size())
        throw mismatch("nur " + std::to_string(confirmed) + " von " +
                       std::to_string(session.areas.size()) + " Areas werden bestätigt");
    for (std::size_t area = finished; area < session.areas.size(); ++area) {
        const SavedArea& waiting = session.areas[area];
        if (waiting.finished || !waiting.neighbourEntries.empty() ||
            !waiting.definition.neighbours.empty())
            throw mismatch(areaText(area) + " wartet noch auf \"Nächste\", ist aber als fertig "
                                            "oder mit Nachbarn gespeichert");
    }
    const auto& ticked = session.ticked;
    if (!std::is_sorted(ticked.begin(), ticked.end()) ||
        std::adjacent_find(ticked.begin(), ticked.end()) != ticked.end() ||
        (!ticked.empty() && ticked.back() >= entries.size()))
        throw mismatch("\"ticked\" nennt Einträge, die die Nachbarliste nicht hat");
}

} // namespace

AreaFile parseAreaFile(std::string_view text) {
    const json document = parseDocument(text);
    checkVersion(document, false);
    std::vector<SavedArea> areas = readAreas(areaList(document));
    AreaFile file;
    file.reserve(areas.size());
    for (SavedArea& area : areas)
        file.push_back(std::move(area.definition));
    return file;
}

AreaSession parseAreaSession(std::string_view text) {
    const json document = parseDocument(text);
    checkVersion(document, true);
    AreaSession session;
    const auto worldSize = document.find("worldSize");
    if (worldSize == document.end() || !worldSize->is_number_integer() || !fitsInt32(*worldSize) ||
        worldSize->get<std::int32_t>() <= 0)
        throw Error("Die Datei enthält keine gespeicherten Areas: das Feld \"worldSize\" braucht "
                    "die Kartengröße als ganze Zahl");
    session.worldSize = worldSize->get<std::int32_t>();
    session.areas = readAreas(areaList(document));
    session.steps = readSteps(document);
    if (const auto ticked = document.find("ticked"); ticked != document.end()) {
        auto indices = indexList(*ticked);
        if (!indices)
            throw Error("Das Feld \"ticked\" der Area-Datei muss eine Liste von Eintragsnummern "
                        "(ab 0) sein");
        session.ticked = std::move(*indices);
    }
    checkSteps(session);
    return session;
}

namespace {

// Fields in the order a reader expects them, not sorted.
using ordered = nlohmann::ordered_json;

ordered areaObject(const AreaDefinition& definition) {
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
    if (!definition.extraLines.empty())
        area["extraLines"] = definition.extraLines;
    return area;
}

std::string text(const ordered& document) {
    return document.dump(2, ' ', false, ordered::error_handler_t::replace) + "\n";
}

} // namespace

std::string serialiseAreaFile(const AreaFile& file) {
    ordered areas = ordered::array();
    for (const AreaDefinition& definition : file)
        areas.push_back(areaObject(definition));
    ordered document = ordered::object();
    document["areas"] = std::move(areas);
    return text(document);
}

std::string serialiseAreaSession(const AreaSession& session) {
    ordered areas = ordered::array();
    for (const SavedArea& saved : session.areas) {
        ordered area = areaObject(saved.definition);
        area["finished"] = saved.finished;
        area["neighbourEntries"] = saved.neighbourEntries;
        areas.push_back(std::move(area));
    }
    ordered steps = ordered::array();
    for (const AreaStep step : session.steps)
        steps.push_back(std::string(stepName(step)));
    ordered document = ordered::object();
    document["version"] = kAreaFileVersion;
    document["worldSize"] = session.worldSize;
    document["areas"] = std::move(areas);
    document["steps"] = std::move(steps);
    document["ticked"] = session.ticked;
    return text(document);
}

AreaSession areaSessionOf(const AreaEditor& editor) {
    AreaSession session;
    session.worldSize = editor.worldSize();
    session.areas.reserve(editor.confirmedAreas().size());
    for (const ConfirmedArea& area : editor.confirmedAreas())
        session.areas.push_back({{area.green, area.red, area.panel, area.neighbours, {}},
                                 area.finished,
                                 area.neighbourEntries});
    session.steps = editor.steps();
    const auto& checkList = editor.checkList();
    for (std::size_t i = 0; i < checkList.size(); ++i)
        if (checkList[i].ticked)
            session.ticked.push_back(i);
    return session;
}

AreaFile areaFileOf(const AreaEditor& editor) {
    AreaFile file;
    file.reserve(editor.confirmedAreas().size());
    for (const ConfirmedArea& area : editor.confirmedAreas())
        file.push_back({area.green, area.red, area.panel, area.neighbours, {}});
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
