// The pathmaps the game generated for the level: taking "ai.createallmaps" out of the
// addon's AI start script again, listing the game's pathmap folder, copying the maps into
// the addon, and the picture of an 8-bit pathmap for the user to check.
#pragma once

#include "core/lines.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::packing {

// The level-0 8-bit maps that are never copied, compared letter for letter.
inline constexpr std::array<std::string_view, 5> kExcludedPathmaps = {
    "Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw",          "Tank0Level0Map8Bit.raw",
    "Boat2Level0Map8Bit.raw",     "Landingcraft3Level0Map8Bit.raw",
};

// One of the five names above, letter case included.
bool isExcludedPathmap(std::string_view name);

// Removes the first line that is "ai.createallmaps" as a whole, in any letter case; only
// that one. True when a line was removed.
bool removeCreateAllMaps(LineList& lines);

// The folder where the game writes the level's pathmaps:
// <gameDir>bf1942\levels\<mapName>\Pathfinding\ .
std::string gamePathmapFolder(const std::string& gameDir, const std::string& mapName);

// The names of the "*.raw" files of the folder (the extension in any letter case), sorted
// by name as the file list shows them: ignoring letter case. Throws when the folder cannot
// be opened.
std::vector<std::string> listPathmaps(const std::string& folder);

struct PathmapCopy {
    std::vector<std::string> copied;  // taken over into the addon
    std::vector<std::string> skipped; // the excluded 8-bit maps
    std::vector<std::string> failed;  // copies that did not succeed
};

// Copies each listed map but the excluded ones from the folder to <levelDir>Pathfinding\,
// replacing files of that name, in list order. A copy that fails is noted and passed over.
PathmapCopy copyPathmaps(const std::string& fromFolder, const std::vector<std::string>& names,
                         const std::string& levelDir);

// A grey picture: `edge` rows of `edge` bytes, the first row at the top.
struct GreyPicture {
    int edge = 0;
    std::vector<std::uint8_t> pixels;
    std::uint8_t at(int column, int row) const {
        return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(edge) +
                      static_cast<std::size_t>(column)];
    }
};

// The name ends in "8Bit.raw" (in any letter case): a map of one byte per cell.
bool isEightBitPathmapName(std::string_view name);

// The edge of a square 8-bit map of that many bytes, when the size is the square of a power
// of two (up to 8192 x 8192); 0 otherwise.
int eightBitEdge(std::uintmax_t size);

// An 8-bit pathmap as a picture: one byte per cell (0 passable, 255 blocked), drawn with the
// map's first row (world Z 0) at the bottom. Nothing when the file cannot be read or its
// size is not the square of a power of two; never an error.
std::optional<GreyPicture> readEightBitPicture(const std::string& path);

} // namespace tess::packing
