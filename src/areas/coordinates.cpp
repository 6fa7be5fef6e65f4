#include "areas/coordinates.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tess::areas {

WorldPosition pixelToWorld(PixelPosition pixel, std::int32_t worldSize, std::int32_t worldScale) {
    const std::int64_t scale = worldScale;
    return {pixel.left * scale, worldSize - pixel.top * scale};
}

namespace {

std::int32_t roundToInt32(double value) {
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value))
        return 0;
    return static_cast<std::int32_t>(std::clamp(std::round(value), kMin, kMax));
}

} // namespace

PixelPosition worldToPixel(double x, double z, std::int32_t worldSize, std::int32_t worldScale) {
    return {roundToInt32(x / worldScale), roundToInt32((worldSize - z) / worldScale)};
}

std::int32_t addStep(std::int32_t coordinate, std::int32_t step) {
    const std::int64_t sum = std::int64_t{coordinate} + step;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string formatNumber(double value) {
    if (value == 0)
        return "0"; // never "-0"
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return "0";
    return std::string(buffer, result.ptr);
}

} // namespace tess::areas
