// Reading an area file or saved areas: the JSON document with the place of a fault in it,
// a field given twice, the version and the lines outside the areas; the areas themselves are
// read and checked in area_file_check.cpp.
#include "areas/area_file.h"

#include "areas/area_file_fields.h"
#include "core/error.h"
#include "core/files.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

namespace tess::areas {

using namespace file_fields;

namespace {

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

} // namespace tess::areas
