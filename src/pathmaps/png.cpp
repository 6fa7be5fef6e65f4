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

// The PNG bytes of width x height pixels of the given libpng format.
std::string encodePixels(std::int32_t width, std::int32_t height, png_uint_32 format,
                         const void* pixels, const std::string& fileName) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    // First ask for the size, then encode into a buffer of that size.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr))
        throw cannotEncode(fileName, image);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr))
        throw cannotEncode(fileName, image);
    bytes.resize(size);
    return bytes;
}

} // namespace

std::string encodePng(const areas::RgbaPicture& picture, const std::string& fileName) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgba.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4)
        throw Error("Das Bild " + fileName + " kann nicht als PNG geschrieben werden. " +
                    "Es hat keine Bildpunkte.");
    return encodePixels(picture.width, picture.height, PNG_FORMAT_RGBA, picture.rgba.data(),
                        fileName);
}

void writePng(const areas::RgbaPicture& picture, const std::string& path) {
    writeFileAtomically(path, encodePng(picture, path));
}

} // namespace tess::pathmaps

namespace tess::pathmaps {
namespace {

void refuseRegionMap(const Grid& grid, const std::string& mapName) {
    if (grid.kind == Kind::regions)
        throw Error("Die Gebietskarte " + mapName +
                    " geht nicht als Bild in einen Bildeditor: ihre Gebiete kämen nicht zurück, "
                    "und nur das Spiel weiß sie zu zählen");
}

// Frees what libpng holds, however the reading ends.
struct ImageReading {
    png_image image;
    ImageReading() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~ImageReading() { png_image_free(&image); }
    ImageReading(const ImageReading&) = delete;
    ImageReading& operator=(const ImageReading&) = delete;
};

} // namespace

std::string encodeMapPicture(const Grid& grid, const std::string& mapName) {
    refuseRegionMap(grid, mapName);
    if (grid.width <= 0 || grid.height <= 0 ||
        grid.cells.size() !=
            static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height))
        throw Error("Die Pathmap " + mapName + " hat keine Felder für ein Bild");
    const auto width = static_cast<std::size_t>(grid.width);
    std::vector<std::uint8_t> grey(grid.cells.size());
    for (std::int32_t z = 0; z < grid.height; ++z) {
        const std::uint8_t* cells = grid.cells.data() + grid.index(0, z);
        std::uint8_t* row = grey.data() + static_cast<std::size_t>(grid.height - 1 - z) * width;
        for (std::size_t x = 0; x < width; ++x)
            row[x] = cells[x] == kPassable ? 0 : 255;
    }
    return encodePixels(grid.width, grid.height, PNG_FORMAT_GRAY, grey.data(), mapName);
}

std::vector<std::uint8_t> decodeMapPicture(std::string_view bytes, const Grid& map,
                                           const std::string& pictureName,
                                           const std::string& mapName) {
    refuseRegionMap(map, mapName);
    const auto unreadable = [&] {
        return Error("Das Bild " + pictureName +
                     " kann nicht gelesen werden: es ist keine vollständige PNG-Datei");
    };
    ImageReading reading;
    png_image& image = reading.image;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw unreadable();
    if (image.width != static_cast<png_uint_32>(map.width) ||
        image.height != static_cast<png_uint_32>(map.height))
        throw Error("Das Bild " + pictureName + " hat " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " Bildpunkte, die Pathmap " + mapName +
                    " aber " + std::to_string(map.width) + " x " + std::to_string(map.height) +
                    " Felder: das Bild muss genau so groß sein wie die Karte");
    // Grey pictures are read as grey, all others as colour, each with alpha, whatever the
    // file holds (a palette, 16 bits), so that the rule of lightness below is ours.
    const bool colour = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
    image.format = colour ? PNG_FORMAT_RGBA : PNG_FORMAT_GA;
    const std::size_t channels = colour ? 4 : 2;
    const auto width = static_cast<std::size_t>(map.width);
    std::vector<std::uint8_t> pixels(width * static_cast<std::size_t>(map.height) * channels);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        throw unreadable();
    std::vector<std::uint8_t> cells(map.cells.size());
    for (std::int32_t z = 0; z < map.height; ++z) {
        const std::uint8_t* row =
            pixels.data() + static_cast<std::size_t>(map.height - 1 - z) * width * channels;
        std::uint8_t* out = cells.data() + map.index(0, z);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + x * channels;
            // Lightness (ITU-R BT.601) of the pixel over black, in thousandths of a level;
            // middle grey is 127.5.
            const std::uint32_t value =
                colour ? 299u * p[0] + 587u * p[1] + 114u * p[2] : 1000u * p[0];
            const std::uint32_t light = value * p[channels - 1] / 255u;
            out[x] = light > 127500u ? kBlocked : kPassable;
        }
    }
    return cells;
}

} // namespace tess::pathmaps
