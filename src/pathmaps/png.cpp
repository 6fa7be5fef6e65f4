#include "pathmaps/png.h"

#include "core/error.h"
#include "core/files.h"

#include <png.h>

#include <cstring>

namespace tess::pathmaps {
namespace {

Error cannotEncode(const std::string& fileName, const png_image& image) {
    return Error("Das Bild " + fileName + " kann nicht als PNG geschrieben werden. " +
                 std::string(image.message));
}

} // namespace

std::string encodePng(const areas::RgbaPicture& picture, const std::string& fileName) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgba.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4)
        throw Error("Das Bild " + fileName + " kann nicht als PNG geschrieben werden. " +
                    "Es hat keine Bildpunkte.");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGBA;
    // First ask for the size, then encode into a buffer of that size.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgba.data(), 0, nullptr))
        throw cannotEncode(fileName, image);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgba.data(), 0, nullptr))
        throw cannotEncode(fileName, image);
    bytes.resize(size);
    return bytes;
}

void writePng(const areas::RgbaPicture& picture, const std::string& path) {
    writeFileAtomically(path, encodePng(picture, path));
}

} // namespace tess::pathmaps
