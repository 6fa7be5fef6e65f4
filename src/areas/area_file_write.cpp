// Writing area files and saved areas, and the areas of an editor as such a file.
#include "areas/area_file.h"

#include "core/error.h"
#include "core/integers.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace tess::areas {
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
