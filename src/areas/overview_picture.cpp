#include "areas/overview_picture.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <squish.h>

#include <filesystem>

namespace tess::areas {
namespace {

// The DDS layout: "DDS ", a 124-byte header, then the top mipmap level's blocks.
constexpr std::size_t kMagicSize = 4;
constexpr std::size_t kHeaderSize = 124;
constexpr std::size_t kDataOffset = kMagicSize + kHeaderSize;
constexpr std::size_t kHeightOffset = 12;
constexpr std::size_t kWidthOffset = 16;
constexpr std::size_t kFourCcOffset = 84;

std::uint32_t readU32(std::string_view bytes, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// squish's format flag for the texture's FourCC, or 0.
int squishFormat(std::string_view fourCc) {
    if (fourCc == "DXT1")
        return squish::kDxt1;
    if (fourCc == "DXT3")
        return squish::kDxt3;
    if (fourCc == "DXT5")
        return squish::kDxt5;
    return 0;
}

} // namespace

std::optional<RgbaPicture> decodeDds(std::string_view bytes) {
    if (bytes.size() < kDataOffset || bytes.substr(0, kMagicSize) != "DDS " ||
        readU32(bytes, kMagicSize) != kHeaderSize)
        return std::nullopt;
    const int format = squishFormat(bytes.substr(kFourCcOffset, 4));
    const std::uint32_t width = readU32(bytes, kWidthOffset);
    const std::uint32_t height = readU32(bytes, kHeightOffset);
    if (format == 0 || width == 0 || height == 0 || width > kMaxOverviewEdge ||
        height > kMaxOverviewEdge)
        return std::nullopt;
    const std::size_t blockBytes = format == squish::kDxt1 ? 8 : 16;
    const std::size_t needed =
        std::size_t{(width + 3) / 4} * std::size_t{(height + 3) / 4} * blockBytes;
    if (bytes.size() - kDataOffset < needed)
        return std::nullopt;

    RgbaPicture picture;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.rgba.resize(std::size_t{width} * height * 4);
    squish::DecompressImage(picture.rgba.data(), picture.width, picture.height,
                            bytes.data() + kDataOffset, format);
    return picture;
}

std::optional<RgbaPicture> loadOverviewPicture(const std::string& levelFolder) {
    if (levelFolder.empty())
        return std::nullopt;
    const std::filesystem::path path = resolvePath(levelFolder + "Textures\\ingamemap.dds");
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    // The largest picture we decode, DXT3 or DXT5 at the edge limit, with all its mipmaps
    // and some slack.
    constexpr std::uintmax_t kLargestFile =
        kDataOffset + std::uintmax_t{kMaxOverviewEdge} * kMaxOverviewEdge * 2;
    if (error || size > kLargestFile)
        return std::nullopt;
    try {
        return decodeDds(readFileBytes(pathText(path)));
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace tess::areas
