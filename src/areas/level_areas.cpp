#include "areas/level_areas.h"

#include "areas/area_script.h"
#include "areas/script_parts.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/paths.h"
#include "core/script_words.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

namespace tess::areas {
namespace {

constexpr std::string_view kCreateCommand = "aiStrategicArea.create";

struct Point {
    double x = 0;
    double z = 0;
};

// "x/z"
std::optional<Point> point(std::string_view text) {
    const auto found = scriptPoint(text);
    if (!found)
        return std::nullopt;
    return Point{found->x, found->z};
}

std::optional<std::int32_t> integer(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<LevelArea> parseCreateLine(std::string_view line) {
    const std::vector<std::string_view> w = scriptWords(line);
    if (w.size() < 5 || !sameNameIgnoringCase(w[0], kCreateCommand))
        return std::nullopt;
    // The name runs up to the first two points that a priority follows.
    for (std::size_t i = 2; i + 2 < w.size(); ++i) {
        const auto first = point(w[i]);
        const auto second = first ? point(w[i + 1]) : std::nullopt;
        const auto priority = second ? integer(w[i + 2]) : std::nullopt;
        if (!priority)
            continue;
        LevelArea area;
        area.name = wordsFrom(w, 1, i);
        area.x1 = first->x;
        area.z1 = first->z;
        area.x2 = second->x;
        area.z2 = second->z;
        area.priority = *priority;
        area.category = wordsFrom(w, i + 3);
        return area;
    }
    return std::nullopt;
}

std::vector<LevelArea> parseLevelAreas(std::string_view text, std::int32_t worldSize,
                                       std::int32_t worldScale) {
    std::vector<LevelArea> areas;
    if (worldScale <= 0)
        return areas;
    for (const std::string& line : splitLines(text)) {
        auto area = parseCreateLine(line);
        if (!area)
            continue;
        // The points are opposite corners, either pair of them.
        const PixelPosition a = worldToPixel(area->x1, area->z1, worldSize, worldScale);
        const PixelPosition b = worldToPixel(area->x2, area->z2, worldSize, worldScale);
        area->outline = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.left, b.left),
                         std::max(a.top, b.top)};
        areas.push_back(std::move(*area));
    }
    return areas;
}

std::string readLevelScript(const std::string& windowsPath) {
    const std::filesystem::path path = resolvePath(windowsPath);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) ||
        std::filesystem::file_size(path, error) > kLargestLevelScript || error)
        return {};
    try {
        return decodeCp1252(readFileBytes(pathText(path)));
    } catch (const Error&) {
        return {};
    }
}

std::vector<LevelArea> readLevelAreas(const std::string& levelFolder, std::int32_t worldSize,
                                      std::int32_t worldScale) {
    if (levelFolder.empty() || worldScale <= 0)
        return {};
    return parseLevelAreas(readLevelScript(areaScriptPath(levelFolder)), worldSize, worldScale);
}

} // namespace tess::areas
