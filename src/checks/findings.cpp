#include "checks/findings.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tess::checks {

std::size_t CheckReport::errors() const {
    return static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(),
                      [](const Finding& f) { return f.severity == Severity::error; }));
}

std::size_t CheckReport::hints() const {
    return findings.size() - errors();
}

std::string severityLabel(Severity severity) {
    return severity == Severity::error ? "Fehler" : "Hinweis";
}

std::string countLine(const CheckReport& report) {
    const std::size_t hints = report.hints();
    const std::string hintText = std::to_string(hints) + (hints == 1 ? " Hinweis" : " Hinweise");
    if (report.errors() == 0)
        return hints == 0 ? "Keine Fehler gefunden." : "Keine Fehler gefunden, " + hintText + ".";
    return std::to_string(report.errors()) + " Fehler, " + hintText;
}

std::string findingLine(const Finding& finding) {
    std::string line = severityLabel(finding.severity) + ": ";
    if (!finding.file.empty())
        line += finding.file + ": ";
    return line + finding.text + " " + finding.advice;
}

namespace {

const char* placeKindName(Place::Kind kind) {
    switch (kind) {
    case Place::Kind::none:
        return "none";
    case Place::Kind::script:
        return "script";
    case Place::Kind::area:
        return "area";
    case Place::Kind::point:
        return "point";
    case Place::Kind::spawnPoint:
        return "spawnPoint";
    case Place::Kind::pathmap:
        return "pathmap";
    }
    return "none";
}

} // namespace

std::string findingsJson(const std::vector<Finding>& findings) {
    using ordered = nlohmann::ordered_json;
    ordered list = ordered::array();
    for (const Finding& finding : findings) {
        ordered item;
        item["severity"] = finding.severity == Severity::error ? "error" : "hint";
        item["check"] = finding.check;
        item["file"] = finding.file;
        item["text"] = finding.text;
        item["advice"] = finding.advice;
        const Place& place = finding.place;
        if (place.kind != Place::Kind::none) {
            ordered where;
            where["kind"] = placeKindName(place.kind);
            if (!place.file.empty())
                where["file"] = place.file;
            if (place.line > 0)
                where["line"] = place.line;
            if (!place.name.empty())
                where["name"] = place.name;
            if (place.kind == Place::Kind::area) {
                where["corners"] = {place.x1, place.z1, place.x2, place.z2};
            } else if (place.kind == Place::Kind::point || place.kind == Place::Kind::spawnPoint) {
                where["x"] = place.x1;
                where["z"] = place.z1;
            }
            item["place"] = where;
        }
        list.push_back(item);
    }
    // Texts that are not valid UTF-8 (names from a damaged script) are replaced, not refused.
    return list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void sortFindings(std::vector<Finding>& findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.severity == Severity::error && b.severity != Severity::error;
    });
}

} // namespace tess::checks
