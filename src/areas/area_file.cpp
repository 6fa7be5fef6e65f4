#include "areas/area_file.h"

#include "areas/area_names.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
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
                                             "category", "levelLines",
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

std::vector<std::string> scriptLines(const json& area, std::string_view field,
                                     const AreaContext& context) {
    std::vector<std::string> lines = optionalTexts(area, field, context);
    for (std::size_t i = 0; i < lines.size(); ++i)
        checkScriptLine(lines[i], [&](const std::string& problem) {
            return context.fieldError(field, "Zeile " + std::to_string(i + 1) + ": " + problem);
        });
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

// An area as the file has it, with the fields that only saved areas of version 1 carry.
struct ReadArea {
    AreaDefinition definition;
    bool finished = false;
    std::vector<std::size_t> neighbourEntries;
};

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

// Reads the document once more, without building it, to find a field given twice in one
// object, which the parser itself would take silently, the last one winning.
class DuplicateKeys : public nlohmann::json_sax<json> {
public:
    struct Found {
        std::optional<std::size_t> area;
        std::string key;
    };
    const std::optional<Found>& found() const { return found_; }

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return start(true); }
    bool start_array(std::size_t) override { return start(false); }
    bool end_object() override { return end(); }
    bool end_array() override { return end(); }
    bool key(string_t& key) override {
        if (stack_.empty())
            return true;
        Frame& top = stack_.back();
        top.key = key;
        if (!top.keys.insert(key).second) {
            found_ = Found{areaOfTop(), key};
            return false; // the first one is enough
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    struct Frame {
        bool object = false;
        std::unordered_set<std::string> keys;
        std::string key;
        std::size_t elements = 0;
        std::optional<std::size_t> area;
    };

    bool value() {
        if (!stack_.empty() && !stack_.back().object)
            ++stack_.back().elements;
        return true;
    }
    bool start(bool object) {
        Frame frame;
        frame.object = object;
        // An object right inside the document's "areas" list is an area.
        if (object && stack_.size() == 2 && !stack_[1].object && stack_[0].key == "areas")
            frame.area = stack_[1].elements;
        value();
        stack_.push_back(std::move(frame));
        return true;
    }
    bool end() {
        if (!stack_.empty())
            stack_.pop_back();
        return true;
    }
    std::optional<std::size_t> areaOfTop() const {
        for (auto frame = stack_.rbegin(); frame != stack_.rend(); ++frame)
            if (frame->area)
                return frame->area;
        return std::nullopt;
    }

    std::vector<Frame> stack_;
    std::optional<Found> found_;
};

// The token in the parser's complaint "... parsing '1e400'".
std::string quotedToken(std::string_view what) {
    const std::size_t close = what.rfind('\'');
    const std::size_t open = close == std::string_view::npos || close == 0
                                 ? std::string_view::npos
                                 : what.rfind('\'', close - 1);
    if (open == std::string_view::npos)
        return {};
    return std::string(what.substr(open + 1, close - open - 1));
}

json parseDocument(std::string_view text) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        throw Error("Die Area-Datei ist kein gültiges JSON (" + positionOf(text, e.byte) + ")");
    } catch (const json::out_of_range& e) {
        // A number too large for any number JSON can hold, such as 1e400.
        const std::string token = quotedToken(e.what());
        const std::size_t at = token.empty() ? std::string_view::npos : text.find(token);
        throw Error("Die Area-Datei enthält die Zahl " + token +
                    (at == std::string_view::npos ? "" : " (" + positionOf(text, at + 1) + ")") +
                    ", die zu groß ist; Ecken, Prioritäten und Seiten sind ganze Zahlen");
    } catch (const json::exception&) {
        throw Error("Die Area-Datei ist kein gültiges JSON");
    }
    DuplicateKeys duplicates;
    json::sax_parse(text.begin(), text.end(), &duplicates);
    if (const auto& found = duplicates.found()) {
        const std::string problem = "steht zweimal da; welcher Wert gelten soll, bleibt unklar";
        if (!found->area)
            throw Error("Das Feld \"" + found->key + "\" der Area-Datei " + problem);
        AreaContext context(*found->area);
        const json& areas = document["areas"];
        if (*found->area < areas.size()) {
            const json& area = areas[*found->area];
            const auto name = area.is_object() ? area.find("name") : area.end();
            if (name != area.end() && name->is_string())
                context.setName(name->get<std::string>());
        }
        throw context.fieldError(found->key, problem);
    }
    return document;
}

// An area file may name its version; saved areas must. Answers the version (0 when none).
int checkVersion(const json& document, bool required) {
    const auto version = document.is_object() ? document.find("version") : document.end();
    if (version == document.end()) {
        if (required)
            throw Error("Die Datei enthält keine gespeicherten Areas: das Feld \"version\" fehlt");
        return 0;
    }
    if (!version->is_number_integer())
        throw Error("Das Feld \"version\" der Area-Datei muss eine ganze Zahl sein");
    const auto number = version->get<std::int64_t>();
    if (number != 1 && number != kAreaFileVersion)
        throw Error("Die Area-Datei hat die Version " + version->dump() +
                    "; gelesen werden die "
                    "Versionen 1 und " +
                    std::to_string(kAreaFileVersion));
    return static_cast<int>(number);
}

const json& areaList(const json& document) {
    const auto areas = document.is_object() ? document.find("areas") : document.end();
    if (!document.is_object() || areas == document.end() || !areas->is_array())
        throw Error("Die Area-Datei braucht das Feld \"areas\" mit einer Liste von Areas");
    if (areas->empty())
        throw Error("Die Area-Datei enthält keine Area");
    return *areas;
}

// "outsideLines": {"before": [...], "between": [...], "after": [...]}, each part optional.
OutsideLines outsideLines(const json& document) {
    OutsideLines outside;
    const auto field = document.find("outsideLines");
    if (field == document.end())
        return outside;
    const auto fail = [](const std::string& problem) {
        return Error("Das Feld \"outsideLines\" der Area-Datei " + problem);
    };
    if (!field->is_object())
        throw fail("braucht \"before\", \"between\" und \"after\" mit Listen von Zeilen");
    const std::pair<std::string_view, std::vector<std::string>*> parts[] = {
        {"before", &outside.before}, {"between", &outside.between}, {"after", &outside.after}};
    for (const auto& item : field->items()) {
        const auto part = std::find_if(std::begin(parts), std::end(parts),
                                       [&](const auto& p) { return p.first == item.key(); });
        if (part == std::end(parts))
            throw fail("kennt kein Feld \"" + item.key() + "\"");
        const json& lines = item.value();
        if (!lines.is_array() ||
            !std::all_of(lines.begin(), lines.end(), [](const json& l) { return l.is_string(); }))
            throw fail("\"" + item.key() + "\" muss eine Liste von Texten sein");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            part->second->push_back(lines[i].get<std::string>());
            checkScriptLine(part->second->back(), [&](const std::string& problem) {
                return fail("\"" + item.key() + "\", Zeile " + std::to_string(i + 1) + ": " +
                            problem);
            });
        }
    }
    return outside;
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

// --- Version 1 of saved areas: the editor's steps ---

enum class OldStep { confirm, openNeighbours, next };

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

} // namespace

AreaFile parseAreaFile(std::string_view text) {
    const json document = parseDocument(text);
    checkVersion(document, false);
    std::vector<ReadArea> areas = readAreas(areaList(document), true);
    AreaFile file;
    file.areas.reserve(areas.size());
    for (ReadArea& area : areas)
        file.areas.push_back(std::move(area.definition));
    file.outside = outsideLines(document);
    return file;
}

AreaFile readAreaFile(const std::string& file) {
    const std::string bytes = readFileBytes(file);
    try {
        return parseAreaFile(bytes);
    } catch (const Error& e) {
        throw Error("Die Area-Datei \"" + file + "\" kann nicht gelesen werden: " + e.what() +
                    ". Bitte die Datei berichtigen.");
    }
}

AreaSession parseAreaSession(std::string_view text) {
    const json document = parseDocument(text);
    const int version = checkVersion(document, true);
    const auto worldSize = document.find("worldSize");
    if (worldSize == document.end() || !worldSize->is_number_integer() || !fitsInt32(*worldSize) ||
        worldSize->get<std::int32_t>() <= 0)
        throw Error("Die Datei enthält keine gespeicherten Areas: das Feld \"worldSize\" braucht "
                    "die Kartengröße als ganze Zahl");
    std::vector<ReadArea> areas = readAreas(areaList(document), false);
    if (version == 1) {
        std::vector<std::size_t> ticked;
        if (const auto field = document.find("ticked"); field != document.end()) {
            auto indices = indexList(*field);
            if (!indices)
                throw Error("Das Feld \"ticked\" der Area-Datei muss eine Liste von "
                            "Eintragsnummern (ab 0) sein");
            ticked = std::move(*indices);
        }
        return sessionOfSteps(std::move(areas), readSteps(document), ticked,
                              worldSize->get<std::int32_t>());
    }
    AreaSession session;
    session.worldSize = worldSize->get<std::int32_t>();
    session.outside = outsideLines(document);
    if (const auto phase = document.find("neighbourPhase"); phase != document.end()) {
        if (!phase->is_boolean())
            throw Error("Das Feld \"neighbourPhase\" der Area-Datei muss true oder false sein");
        session.neighbourPhase = phase->get<bool>();
    }
    session.areas.reserve(areas.size());
    for (ReadArea& area : areas)
        session.areas.push_back({std::move(area.definition), area.finished});
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
    if (!definition.category.empty())
        area["category"] = definition.category;
    if (definition.levelLines)
        area["levelLines"] = *definition.levelLines;
    return area;
}

void addOutsideLines(ordered& document, const OutsideLines& outside) {
    if (outside.empty())
        return;
    ordered parts = ordered::object();
    for (const auto& [name, lines] : {std::pair{"before", &outside.before},
                                      {"between", &outside.between},
                                      {"after", &outside.after}})
        if (!lines->empty())
            parts[name] = *lines;
    document["outsideLines"] = std::move(parts);
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
    addOutsideLines(document, file.outside);
    return text(document);
}

std::string serialiseAreaSession(const AreaSession& session) {
    ordered areas = ordered::array();
    for (const SavedArea& saved : session.areas) {
        ordered area = areaObject(saved.definition);
        area["finished"] = saved.finished;
        areas.push_back(std::move(area));
    }
    ordered document = ordered::object();
    document["version"] = kAreaFileVersion;
    document["worldSize"] = session.worldSize;
    document["areas"] = std::move(areas);
    document["neighbourPhase"] = session.neighbourPhase;
    addOutsideLines(document, session.outside);
    return text(document);
}

namespace {

AreaDefinition definitionOf(const AreaEditor& editor, const ConfirmedArea& area) {
    return {area.green,      area.red,      area.panel,     editor.neighbourNames(area),
            area.extraLines, area.category, area.levelLines};
}

} // namespace

AreaSession areaSessionOf(const AreaEditor& editor) {
    AreaSession session;
    session.worldSize = editor.worldSize();
    session.neighbourPhase = editor.neighbourPhase();
    session.outside = editor.outsideLines();
    session.areas.reserve(editor.confirmedAreas().size());
    for (const ConfirmedArea& area : editor.confirmedAreas())
        session.areas.push_back({definitionOf(editor, area), area.finished});
    return session;
}

AreaFile areaFileOf(const AreaEditor& editor) {
    AreaFile file;
    file.outside = editor.outsideLines();
    file.areas.reserve(editor.confirmedAreas().size());
    for (const ConfirmedArea& area : editor.confirmedAreas())
        file.areas.push_back(definitionOf(editor, area));
    return file;
}

std::vector<std::string> applyAreaFile(AreaEditor& editor, const AreaFile& file) {
    const std::size_t firstSummary = editor.summaryEntries().size();
    editor.importAreas(file);
    editor.openNeighbours();
    for (std::size_t i = 0; i < file.size(); ++i)
        editor.nextArea();
    return {editor.summaryEntries().begin() + static_cast<std::ptrdiff_t>(firstSummary),
            editor.summaryEntries().end()};
}

std::vector<std::string> writeAreaScriptFromFile(WizardState& state, std::string_view json) {
    const AreaFile file = parseAreaFile(json);
    AreaEditor editor(state);
    return applyAreaFile(editor, file);
}

} // namespace tess::areas
