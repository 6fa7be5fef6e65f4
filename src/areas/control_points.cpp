#include "areas/control_points.h"

#include "areas/level_areas.h"
#include "core/letter_case.h"
#include "core/script_words.h"

#include <cmath>
#include <map>

namespace tess::areas {
namespace {

struct Template {
    std::optional<double> radius;
    std::optional<int> team;
    bool unableToChangeTeam = false;
};

bool is(std::string_view word, std::string_view command) {
    return sameNameIgnoringCase(word, command);
}

std::map<std::string, Template> parseTemplates(std::string_view text) {
    std::map<std::string, Template> templates;
    Template* current = nullptr;
    forEachScriptCommand(text, [&](const std::vector<std::string_view>& w) {
        if (is(w[0], "ObjectTemplate.create")) {
            // "ObjectTemplate.create <type> <name>": only control points count, but any
            // other create ends the template before it.
            current = nullptr;
            if (w.size() >= 3 && is(w[1], "ControlPoint"))
                current = &templates[caseFoldedKey(w[2])];
            return;
        }
        if (is(w[0], "ObjectTemplate.active")) {
            const auto found =
                w.size() >= 2 ? templates.find(caseFoldedKey(w[1])) : templates.end();
            current = found == templates.end() ? nullptr : &found->second;
            return;
        }
        if (current == nullptr || w.size() < 2)
            return;
        const auto value = scriptNumber(w[1]);
        if (!value)
            return;
        if (is(w[0], "ObjectTemplate.radius") && *value >= 0)
            current->radius = *value;
        else if (is(w[0], "ObjectTemplate.team") && std::abs(*value) < 1e6)
            current->team = static_cast<int>(*value);
        else if (is(w[0], "ObjectTemplate.unableToChangeTeam"))
            current->unableToChangeTeam = *value != 0;
    });
    return templates;
}

} // namespace

std::vector<ControlPoint> parseControlPoints(std::string_view controlPointsText,
                                             std::string_view templatesText) {
    const std::map<std::string, Template> templates = parseTemplates(templatesText);
    std::vector<ControlPoint> points;
    std::map<std::string, std::size_t> created; // object name -> index in points
    std::optional<std::string> current;
    forEachScriptCommand(controlPointsText, [&](const std::vector<std::string_view>& w) {
        if (is(w[0], "Object.create")) {
            current.reset();
            if (w.size() >= 2)
                current = std::string(w[1]);
            return;
        }
        if (!current || w.size() < 2 || !is(w[0], "Object.absolutePosition"))
            return;
        const auto position = scriptVector(w[1]);
        if (!position || position->size() != 3)
            return;
        const std::string key = caseFoldedKey(*current);
        auto [entry, isNew] = created.try_emplace(key, points.size());
        if (isNew) {
            ControlPoint point;
            point.name = *current;
            if (const auto found = templates.find(key); found != templates.end()) {
                point.radius = found->second.radius;
                point.team = found->second.team;
                point.unableToChangeTeam = found->second.unableToChangeTeam;
                point.templateFound = true;
            }
            points.push_back(std::move(point));
        }
        ControlPoint& point = points[entry->second];
        point.x = (*position)[0];
        point.y = (*position)[1];
        point.z = (*position)[2];
    });
    return points;
}

std::vector<ControlPoint> readControlPoints(const std::string& levelFolder) {
    if (levelFolder.empty())
        return {};
    return parseControlPoints(readLevelScript(levelFolder + "Conquest\\ControlPoints.con"),
                              readLevelScript(levelFolder + "Conquest\\ControlPointTemplates.con"));
}

} // namespace tess::areas
