#include "areas/area_proposal.h"

#include "areas/area_names.h"
#include "areas/level_takeover.h"
#include "core/error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

struct WorldRectangle {
    double minX = 0;
    double maxX = 0;
    double minZ = 0;
    double maxZ = 0;
    bool contains(double x, double z) const {
        return x >= minX && x <= maxX && z >= minZ && z <= maxZ;
    }
};

WorldRectangle worldRectangleOf(const AreaDefinition& area, std::int32_t worldSize,
                                std::int32_t worldScale) {
    const WorldPosition a = pixelToWorld(area.corner1, worldSize, worldScale);
    const WorldPosition b = pixelToWorld(area.corner2, worldSize, worldScale);
    return {static_cast<double>(std::min(a.x, b.x)), static_cast<double>(std::max(a.x, b.x)),
            static_cast<double>(std::min(a.z, b.z)), static_cast<double>(std::max(a.z, b.z))};
}

// A pixel edge within the picture: 0 to the pixel of the world's far edge.
std::int32_t pixelWithin(double pixel, std::int32_t limit) {
    return static_cast<std::int32_t>(std::clamp(pixel, 0.0, static_cast<double>(limit)));
}

// The control point's name with every character that the game would read otherwise (a
// blank, a slash, a quotation mark, a control character) made an underscore.
std::string readableName(const std::string& name) {
    std::string text = name;
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ' || c == '/' || c == '"' || byte < 0x20 || byte == 0x7F)
            c = '_';
    }
    return text.empty() ? "Flaggenpunkt" : text;
}

std::string uniqueName(const std::string& name, std::unordered_set<std::string>& taken) {
    std::string candidate = name;
    for (int n = 2; taken.contains(candidate); ++n)
        candidate = name + "_" + std::to_string(n);
    taken.insert(candidate);
    return candidate;
}

Side sideOfTeam(const areas::ControlPoint& point) {
    if (point.templateFound && point.team == 1)
        return Side::team1;
    if (point.templateFound && point.team == 2)
        return Side::team2;
    return Side::neutral;
}

struct Point {
    double x = 0;
    double z = 0;
};

double squaredDistance(const Point& a, const Point& b) {
    const double dx = a.x - b.x;
    const double dz = a.z - b.z;
    return dx * dx + dz * dz;
}

class Components {
public:
    explicit Components(std::size_t n) : parent_(n) {
        std::iota(parent_.begin(), parent_.end(), std::size_t{0});
    }
    std::size_t find(std::size_t i) {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    // Joins the two; false when they were joined already.
    bool join(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a == b)
            return false;
        parent_[b] = a;
        return true;
    }

private:
    std::vector<std::size_t> parent_;
};

// The links of the Gabriel graph: i and j are linked when no third point lies strictly
// within the circle whose diameter is the line between them. A far pair nearly always has
// one of the nearest points of either end in its circle, so those few are tried first and
// all points only for a pair that they leave open.
std::vector<std::vector<std::size_t>> gabrielLinks(const std::vector<Point>& points) {
    const std::size_t n = points.size();
    constexpr std::size_t kNearest = 8;
    std::vector<std::vector<std::size_t>> nearest(n);
    std::vector<std::pair<double, std::size_t>> byDistance;
    for (std::size_t i = 0; i < n; ++i) {
        byDistance.clear();
        for (std::size_t j = 0; j < n; ++j)
            if (j != i)
                byDistance.emplace_back(squaredDistance(points[i], points[j]), j);
        const std::size_t count = std::min(kNearest, byDistance.size());
        std::partial_sort(byDistance.begin(),
                          byDistance.begin() + static_cast<std::ptrdiff_t>(count),
                          byDistance.end());
        for (std::size_t k = 0; k < count; ++k)
            nearest[i].push_back(byDistance[k].second);
    }
    const auto blocks = [&](std::size_t k, std::size_t i, std::size_t j, double distance) {
        return k != i && k != j &&
               squaredDistance(points[i], points[k]) + squaredDistance(points[j], points[k]) <
                   distance;
    };
    std::vector<std::vector<std::size_t>> links(n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            const double distance = squaredDistance(points[i], points[j]);
            const auto inCircle = [&](std::size_t k) { return blocks(k, i, j, distance); };
            if (std::any_of(nearest[i].begin(), nearest[i].end(), inCircle) ||
                std::any_of(nearest[j].begin(), nearest[j].end(), inCircle))
                continue;
            bool blocked = false;
            for (std::size_t k = 0; k < n && !blocked; ++k)
                blocked = inCircle(k);
            if (!blocked) {
                links[i].push_back(j);
                links[j].push_back(i);
            }
        }
    return links;
}

// Adds the shortest links between points that the links do not yet connect, until every
// point reaches every other. The Gabriel graph holds the shortest tree through all points
// and so connects them; this guards against a rounded distance that drops one of its links.
void connectAll(const std::vector<Point>& points, std::vector<std::vector<std::size_t>>& links) {
    const std::size_t n = points.size();
    Components components(n);
    std::size_t apart = n;
    for (std::size_t i = 0; i < n; ++i)
        for (const std::size_t j : links[i])
            if (components.join(i, j))
                --apart;
    if (apart <= 1)
        return;
    std::vector<std::pair<double, std::pair<std::size_t, std::size_t>>> pairs;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            pairs.push_back({squaredDistance(points[i], points[j]), {i, j}});
    std::sort(pairs.begin(), pairs.end());
    for (const auto& [distance, pair] : pairs) {
        if (apart <= 1)
            break;
        if (components.join(pair.first, pair.second)) {
            links[pair.first].push_back(pair.second);
            links[pair.second].push_back(pair.first);
            --apart;
        }
    }
}

} // namespace

AreaProposal proposeAreas(const std::vector<areas::ControlPoint>& points, const AreaFile& existing,
                          std::int32_t worldSize, std::int32_t worldScale,
                          ProposalPriorities priorities) {
    if (worldScale <= 0)
        throw Error(std::string(kWorldSizeUnknownMessage));
    AreaProposal result;
    const std::int32_t limit = worldSize / worldScale;
    std::vector<std::pair<std::string, WorldRectangle>> held; // name, rectangle
    std::unordered_set<std::string> taken;
    for (const AreaDefinition& area : existing) {
        held.emplace_back(area.panel.name, worldRectangleOf(area, worldSize, worldScale));
        taken.insert(area.panel.name);
    }
    std::vector<Point> centres;
    std::vector<std::string> withoutTemplate;

    for (const areas::ControlPoint& point : points) {
        if (point.x < 0 || point.x > worldSize || point.z < 0 || point.z > worldSize) {
            result.notes.push_back("Der Flaggenpunkt \"" + point.name +
                                   "\" liegt außerhalb der Karte; er bekommt keine Area.");
            continue;
        }
        const auto holder = std::find_if(held.begin(), held.end(), [&](const auto& area) {
            return area.second.contains(point.x, point.z);
        });
        if (holder != held.end()) {
            result.notes.push_back("Der Flaggenpunkt \"" + point.name +
                                   "\" liegt schon in der Area \"" + holder->first +
                                   "\"; er bekommt keine eigene.");
            continue;
        }
        double half = kSmallestHalfEdge;
        if (point.templateFound && point.radius)
            half = std::max(*point.radius, kSmallestHalfEdge);
        if (!point.templateFound)
            withoutTemplate.push_back(point.name);

        AreaDefinition area;
        area.corner1 = {pixelWithin(std::floor((point.x - half) / worldScale), limit),
                        pixelWithin(std::floor((worldSize - point.z - half) / worldScale), limit)};
        area.corner2 = {pixelWithin(std::ceil((point.x + half) / worldScale), limit),
                        pixelWithin(std::ceil((worldSize - point.z + half) / worldScale), limit)};
        AreaPanel& panel = area.panel;
        panel.name = uniqueName(readableName(point.name), taken);
        if (panel.name != point.name)
            result.notes.push_back("Der Flaggenpunkt \"" + point.name + "\" heißt als Area \"" +
                                   panel.name + "\".");
        const bool base = point.templateFound && point.unableToChangeTeam;
        panel.priorityText = std::to_string(base ? priorities.base : priorities.contested);
        panel.setFlag(AreaFlag::cp, true);
        panel.setFlag(AreaFlag::basis, base);
        panel.leicht = true;
        panel.schwer = true;
        panel.side = sideOfTeam(point);
        held.emplace_back(panel.name, worldRectangleOf(area, worldSize, worldScale));
        centres.push_back({point.x, point.z});
        result.areas.areas.push_back(std::move(area));
    }

    std::vector<std::vector<std::size_t>> links = gabrielLinks(centres);
    connectAll(centres, links);
    for (std::size_t i = 0; i < links.size(); ++i) {
        std::sort(links[i].begin(), links[i].end());
        for (const std::size_t j : links[i])
            result.areas[i].neighbours.push_back(result.areas[j].panel.name);
    }

    if (!withoutTemplate.empty())
        result.notes.push_back(
            "Für " + quotedNames(withoutTemplate) +
            " bringt die Karte keine Vorlage mit (das Spiel nimmt sie aus seinen eigenen "
            "Archiven): ihre Areas haben 10 Welteinheiten halbe Kantenlänge und die Seite "
            "\"Neutral\". Bitte Größe und Seite prüfen.");
    if (!existing.empty() && !result.areas.empty())
        result.notes.push_back("Die neuen Areas sind untereinander verbunden; Nachbarn unter "
                               "den vorhandenen Areas bitte selbst ankreuzen.");
    const std::size_t count = result.areas.size();
    if (points.empty())
        result.summary = "Keine Area vorgeschlagen: die Karte hat keine Flaggenpunkte.";
    else if (count == 0)
        result.summary = "Keine Area vorgeschlagen: kein Flaggenpunkt ist ohne Area.";
    else
        result.summary =
            std::to_string(count) + (count == 1 ? " Area an den Flaggenpunkten vorgeschlagen."
                                                : " Areas an den Flaggenpunkten vorgeschlagen.");
    return result;
}

} // namespace tess::areas
