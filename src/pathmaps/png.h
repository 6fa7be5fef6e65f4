// Pictures as PNG files, for the command-line tool (the window shows the buffer itself).
#pragma once

#include "areas/overview_picture.h"

#include <string>

namespace tess::pathmaps {

// The picture as the bytes of a PNG file (8-bit RGBA), encoded by libpng. Throws a
// tess::Error naming `fileName` when libpng refuses the picture.
std::string encodePng(const areas::RgbaPicture& picture, const std::string& fileName);

// Encodes the picture and saves it atomically.
void writePng(const areas::RgbaPicture& picture, const std::string& path);

} // namespace tess::pathmaps
