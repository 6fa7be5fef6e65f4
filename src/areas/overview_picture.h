// The level's own overview picture, `Textures/ingamemap.dds`: a DXT1, DXT3 or DXT5 texture
// whose top mipmap level becomes the background of the area editor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

// A decoded picture: 4 bytes (red, green, blue, alpha) per pixel, rows from the top.
struct RgbaPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgba;
};

// Pictures larger than this on either edge are not decoded (levels use 512 or 1024).
inline constexpr std::int32_t kMaxOverviewEdge = 8192;

// Decodes the top level of a DDS file. Anything damaged, truncated, too large or in
// another format gives no picture; the bytes are never read past their end.
std::optional<RgbaPicture> decodeDds(std::string_view bytes);

// Reads and decodes `Textures\ingamemap.dds` (any letter case) in a level folder. No
// picture when it is missing, unreadable or not a picture we can decode.
std::optional<RgbaPicture> loadOverviewPicture(const std::string& levelFolder);

} // namespace tess::areas
