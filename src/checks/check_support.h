// Small pieces the check functions share: making findings and their places.
#pragma once

#include "areas/level_areas.h"
#include "checks/findings.h"

#include <string>
#include <utility>

namespace tess::checks {

inline Finding finding(Severity severity, std::string file, std::string text, std::string advice,
                       Place place = {}) {
    Finding f;
    f.severity = severity;
    f.file = std::move(file);
    f.text = std::move(text);
    f.advice = std::move(advice);
    f.place = std::move(place);
    return f;
}

inline Finding error(std::string file, std::string text, std::string advice, Place place = {}) {
    return finding(Severity::error, std::move(file), std::move(text), std::move(advice),
                   std::move(place));
}

inline Finding hint(std::string file, std::string text, std::string advice, Place place = {}) {
    return finding(Severity::hint, std::move(file), std::move(text), std::move(advice),
                   std::move(place));
}

inline Place scriptPlace(std::string file, int line = 0) {
    Place place;
    place.kind = Place::Kind::script;
    place.file = std::move(file);
    place.line = line;
    return place;
}

inline Place areaPlace(const areas::LevelArea& area) {
    Place place;
    place.kind = Place::Kind::area;
    place.name = area.name;
    place.x1 = area.x1;
    place.z1 = area.z1;
    place.x2 = area.x2;
    place.z2 = area.z2;
    return place;
}

inline Place pointPlace(Place::Kind kind, std::string name, double x, double z,
                        std::string file = {}) {
    Place place;
    place.kind = kind;
    place.name = std::move(name);
    place.x1 = x;
    place.z1 = z;
    place.file = std::move(file);
    return place;
}

inline Place pathmapPlace(std::string file) {
    Place place;
    place.kind = Place::Kind::pathmap;
    place.file = std::move(file);
    return place;
}

// A name in double quotes, as the system's messages quote names.
inline std::string quotedName(const std::string& name) {
    return "\"" + name + "\"";
}

} // namespace tess::checks
