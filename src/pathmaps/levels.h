// A class's maps side by side: the levels of detail of one search map (`Tank0Level0Map.raw`,
// `Tank0Level1Map.raw`, ...) and their 8-bit twins (`Tank0Level1Map8Bit.raw`). A changed map
// is saved with every other map of its class beside it brought up to date where it changed,
// and the game's own files are kept the first time they are replaced.
#pragma once

#include "pathmaps/grid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathmaps {

// What the name of a map says: "Tank0Level1Map8Bit.raw" is search map "Tank0", level 1,
// 8-bit. Nothing for names of any other shape (region maps, class files, kept originals).
struct MapName {
    std::string searchMap;
    int level = 0;
    bool eightBit = false;
    // The finest map of its class (level 0, not 8-bit): the one drafted from the terrain.
    bool finest() const { return level == 0 && !eightBit; }
};
std::optional<MapName> mapNameOf(std::string_view fileName);

// A map of the class beside another: its path and what its name says.
struct LevelFile {
    std::string path;
    MapName name;
};

// The other maps of the same search map in the folder of `mapFile` (a Windows path), every
// level and both kinds, letter case ignored; the file itself is left out.
std::vector<LevelFile> classMapsBeside(const std::string& mapFile);

// The region map of the map's class beside it (`<Class>Info.raw`, any letter case), or
// nothing when there is none.
std::optional<std::string> regionMapBeside(const std::string& mapFile);

// Every file of the map's class beside it, the map included: the other levels and twins, the
// region map, the class file (`Tank.raw`) and the kept originals of them all. A command that
// reads the map writes none of them but the ones it saves.
std::vector<std::string> classFilesOf(const std::string& mapFile);

// What a save did, by file name.
struct SaveReport {
    std::vector<std::string> written;
    std::vector<std::string> originalsKept;
    // The markers the saved map's tiles got, for the next save.
    std::vector<std::int32_t> tileMarkers;
};

// Saves `edited` as `target` (a Windows path) and brings the class's other maps beside the
// target up to date where the edited cells differ from `before` (the cells as the file held
// them): the twin of the same level takes the changed cells; a coarser cell is set where any
// finer cell under it changed, blocked when any finer cell under it is blocked; every other
// cell keeps the game's value. A file whose bytes stay the same is not written. Before a
// file is first replaced, the game's version is kept beside it (originalNameOf); for a target
// that does not exist yet, the file at `readFrom` is the game's version.
//
// Every file is read and checked before the first is written: a damaged map beside, or one
// whose size does not fit its level, throws a tess::Error and nothing is written. The files
// are written whole or not at all (writeFilesTogether): a file that cannot be replaced (a
// read-only map) changes none, and a write that fails part way puts back what it had written.
// Region maps are never written.
SaveReport saveMapWithLevels(const Grid& edited, const std::vector<std::uint8_t>& before,
                             const std::string& target, const std::string& readFrom);

// The files of the target's class (the target, its twin and coarser levels) that have a kept
// original beside them, as file names.
std::vector<std::string> keptOriginals(const std::string& target);

// Puts every kept original of the target's class back in place of its file, all of them or
// none, and then removes the kept copies. Returns the names of the files brought back.
std::vector<std::string> restoreOriginals(const std::string& target);

} // namespace tess::pathmaps
