// The level's overview picture: the real Bastogne DDS, small hand-made DXT blocks with known
// colours, and damaged files that must give no picture.
#include "areas/overview_picture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

namespace {

void putU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// "DDS " and a 124-byte header for a texture of one mipmap level.
std::string ddsHeader(std::uint32_t width, std::uint32_t height, const std::string& fourCc) {
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    putU32(bytes, 4, 124);
    putU32(bytes, 8, 0x1007);
    putU32(bytes, 12, height);
    putU32(bytes, 16, width);
    putU32(bytes, 76, 32);
    putU32(bytes, 80, 0x4);
    bytes.replace(84, 4, fourCc);
    putU32(bytes, 108, 0x1000);
    return bytes;
}

// A DXT1 block of red (colour 0) and blue (colour 1): the first row runs through the four
// colours of the block, all other pixels are red.
const std::string kRedBlueBlock("\x00\xF8\x1F\x00\xE4\x00\x00\x00", 8);

std::string pixel(const RgbaPicture& picture, int x, int y) {
    const auto* p = &picture.rgba[static_cast<std::size_t>((y * picture.width + x) * 4)];
    return std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + " " +
           std::to_string(p[3]);
}

std::string bastogneDds() {
    return readBytes(testdata("levels/Bastogne/Textures/ingamemap.dds"));
}

} // namespace

TEST(OverviewPicture, BastogneAsTheLevelShowsIt) {
    const auto picture = loadOverviewPicture(testdata("levels/Bastogne/"));
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width, 512);
    ASSERT_EQ(picture->height, 512);
    ASSERT_EQ(picture->rgba.size(), 512u * 512u * 4u);
    // The dark red country round the town above, the pale town area below it, the black
    // arrow at the bottom edge: the picture stands the right way up.
    struct Known {
        int x, y, r, g, b;
    };
    for (const Known& k :
         {Known{10, 10, 112, 74, 63}, Known{300, 64, 49, 33, 32}, Known{300, 447, 140, 125, 106},
          Known{128, 256, 170, 162, 145}, Known{400, 511, 0, 0, 0}}) {
        const auto* p = &picture->rgba[static_cast<std::size_t>((k.y * 512 + k.x) * 4)];
        EXPECT_NEAR(p[0], k.r, 4) << k.x << "," << k.y;
        EXPECT_NEAR(p[1], k.g, 4) << k.x << "," << k.y;
        EXPECT_NEAR(p[2], k.b, 4) << k.x << "," << k.y;
        EXPECT_EQ(p[3], 255) << k.x << "," << k.y;
    }
}

TEST(OverviewPicture, FoundInAnyLetterCaseAndOnlyThere) {
    TempDir level;
    EXPECT_FALSE(loadOverviewPicture(level.text()).has_value());
    EXPECT_FALSE(loadOverviewPicture("").has_value());
    // A folder where the picture should be.
    fs::create_directories(level.path() / "Textures/ingamemap.dds");
    EXPECT_FALSE(loadOverviewPicture(level.text()).has_value());
    fs::remove_all(level.path() / "Textures");
    writeBytes(level.path() / "TEXTURES/InGameMap.DDS", bastogneDds());
    const auto picture = loadOverviewPicture(level.text());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 512);
}

TEST(OverviewPicture, KnownColoursOfEachFormat) {
    // DXT1: four colours in the first row, interpolated in thirds.
    auto picture = decodeDds(ddsHeader(4, 4, "DXT1") + kRedBlueBlock);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(pixel(*picture, 0, 0), "255 0 0 255");
    EXPECT_EQ(pixel(*picture, 1, 0), "0 0 255 255");
    EXPECT_EQ(pixel(*picture, 2, 0), "170 0 85 255");
    EXPECT_EQ(pixel(*picture, 3, 0), "85 0 170 255");
    EXPECT_EQ(pixel(*picture, 3, 3), "255 0 0 255");

    // An edge that is no multiple of 4: two blocks side by side, the second one all blue.
    const std::string blue("\x1F\x00\x00\xF8\x00\x00\x00\x00", 8);
    picture = decodeDds(ddsHeader(5, 3, "DXT1") + kRedBlueBlock + blue);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->rgba.size(), 5u * 3u * 4u);
    EXPECT_EQ(pixel(*picture, 3, 0), "85 0 170 255");
    EXPECT_EQ(pixel(*picture, 4, 0), "0 0 255 255");
    EXPECT_EQ(pixel(*picture, 4, 2), "0 0 255 255");

    // DXT3: explicit 4-bit alpha before the colour block; DXT5: interpolated alpha.
    const std::string halfAlpha("\x88\x88\x88\x88\x88\x88\x88\x88", 8);
    picture = decodeDds(ddsHeader(4, 4, "DXT3") + halfAlpha + kRedBlueBlock);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(pixel(*picture, 1, 0), "0 0 255 136");
    const std::string alpha5("\x40\x40\x00\x00\x00\x00\x00\x00", 8);
    picture = decodeDds(ddsHeader(4, 4, "DXT5") + alpha5 + kRedBlueBlock);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(pixel(*picture, 0, 0), "255 0 0 64");
}

TEST(OverviewPicture, DamagedFilesGiveNoPicture) {
    const std::string good = ddsHeader(4, 4, "DXT1") + kRedBlueBlock;
    ASSERT_TRUE(decodeDds(good).has_value());
    const std::string bastogne = bastogneDds();
    std::string badMagic = good;
    badMagic[3] = 'X';
    std::string badHeaderSize = good;
    putU32(badHeaderSize, 4, 12);
    std::string lowerCaseFourCc = good;
    lowerCaseFourCc.replace(84, 4, "dxt1");
    const std::string damaged[] = {
        "",
        "DDS ",
        good.substr(0, 127),                     // header cut short
        good.substr(0, good.size() - 1),         // last block cut short
        bastogne.substr(0, bastogne.size() / 2), // half a real picture
        badMagic,
        badHeaderSize,
        lowerCaseFourCc,
        ddsHeader(4, 4, "DX10") + kRedBlueBlock,               // a format we do not read
        ddsHeader(4, 4, std::string(4, '\0')) + kRedBlueBlock, // uncompressed
        ddsHeader(0, 4, "DXT1") + kRedBlueBlock,
        ddsHeader(4, 0, "DXT1") + kRedBlueBlock,
        ddsHeader(8193, 4, "DXT1") + std::string(8 * 2049, '\0'),
        ddsHeader(0xFFFFFFFF, 0xFFFFFFFF, "DXT5") + kRedBlueBlock,
        ddsHeader(0x40000000, 0x40000000, "DXT1") + kRedBlueBlock,
    };
    for (std::size_t i = 0; i < std::size(damaged); ++i)
        EXPECT_FALSE(decodeDds(damaged[i]).has_value()) << "case " << i;

    // The same through the level folder: a damaged file is no picture, never an error.
    TempDir level;
    writeBytes(level.path() / "Textures/ingamemap.dds", bastogne.substr(0, 4000));
    EXPECT_FALSE(loadOverviewPicture(level.text()).has_value());
}
