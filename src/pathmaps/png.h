// Pictures as PNG files, for the command-line tool (the window shows the buffer itself).
#pragma once

#include "areas/overview_picture.h"
#include "pathmaps/grid.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathmaps {

// The picture as the bytes of a PNG file (8-bit RGBA), encoded by libpng. Throws a
// tess::Error naming `fileName` when libpng refuses the picture.
std::string encodePng(const areas::RgbaPicture& picture, const std::string& fileName);

// Encodes the picture and saves it atomically.
void writePng(const areas::RgbaPicture& picture, const std::string& path);

// A map for any image editor: an 8-bit grey picture of one pixel a cell, north up (its first
// row is the map's last, as the level's overview picture shows it), black free and white
// blocked. Region maps are refused: their regions would not come back.
std::string encodeMapPicture(const Grid& grid, const std::string& mapName);

// The cells of a picture of the map (PNG, grey or colour, any bit depth): a pixel is blocked
// (1) when it is lighter than middle grey, where a translucent pixel lies over black. A file
// that is no readable PNG, or a picture of another size than the map, throws a tess::Error
// naming `pictureName`; nothing is decoded beyond the size of the map.
std::vector<std::uint8_t> decodeMapPicture(std::string_view bytes, const Grid& map,
                                           const std::string& pictureName,
                                           const std::string& mapName);

} // namespace tess::pathmaps
