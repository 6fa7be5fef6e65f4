// Picture pixels and world coordinates of the area editor. The map picture is 512 x 512
// pixels; X grows to the right and Z grows up the picture, against the pixel rows.
#pragma once

#include <cstdint>
#include <string>

namespace tess::areas {

// A position on the picture: Left and Top in pixels. Not confined to the picture.
struct PixelPosition {
    std::int32_t left = 0;
    std::int32_t top = 0;
    friend bool operator==(const PixelPosition&, const PixelPosition&) = default;
};

// World coordinates of a picture position. Computed in 64 bits so that a marker moved
// absurdly far off the picture gives its true coordinate rather than a wrapped one.
struct WorldPosition {
    std::int64_t x = 0;
    std::int64_t z = 0;
    friend bool operator==(const WorldPosition&, const WorldPosition&) = default;
};

// X = Left x worldScale, Z = worldSize - Top x worldScale.
WorldPosition pixelToWorld(PixelPosition pixel, std::int32_t worldSize, std::int32_t worldScale);

// The inverse, for world positions read from a level's scripts: Left = X / worldScale,
// Top = (worldSize - Z) / worldScale, each rounded to the nearest pixel (halves away from
// zero) and held within 32 bits. worldScale must be positive.
PixelPosition worldToPixel(double x, double z, std::int32_t worldSize, std::int32_t worldScale);

// Adds a step to a position coordinate; at the 32-bit limits the position stops instead
// of wrapping round to the other side.
std::int32_t addStep(std::int32_t coordinate, std::int32_t step);

// A world number as the area script writes it: plain decimal, a minus sign when negative,
// no exponent; a whole number carries no decimal point, any other the shortest digits that
// read back exactly.
std::string formatNumber(double value);

} // namespace tess::areas
