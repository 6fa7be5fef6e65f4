// Entry names: the order the game's packer gives them, and the one rule for names that both
// packing and unpacking keep: every name must be one Windows can hold, inside the folder it
// is unpacked into, and no two names may be the same file there.
#pragma once

#include "archive/archive.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::archive {

// Upper case of a stored (Windows-1252) name by the one case-folding rule of core/; the game
// looks names up this way.
std::string foldedName(std::string_view storedName);

// The game's packer orders the files of a folder, and then its subfolders, by their names
// compared in upper case.
bool packerOrderLess(std::string_view storedA, std::string_view storedB);

// Why the stored name may not be packed or unpacked (in German), or empty when it may: it
// must be relative, free of drive letters, "..", control characters and characters Windows
// forbids, name a file, and no component may be a device name (CON, NUL, COM1, ...) or end
// in a dot or blank.
std::string unsafeNameReason(std::string_view storedName);

// Two names of a list that cannot both exist on Windows: the same file (they differ in
// letter case or separators only, or not at all), or one names a file the other needs as
// a folder (`second` is then the file, `first` the name that needs it as a folder).
struct NameClash {
    std::size_t first = 0;
    std::size_t second = 0;
    bool fileAndFolder = false;
};
std::optional<NameClash> findNameClash(const std::vector<std::string>& storedNames);
// Every such pair, the doubled names first.
std::vector<NameClash> findNameClashes(const std::vector<std::string>& storedNames);

// May the archive's entries be unpacked? Each entry that may not, in the words of the
// unpacker: one that would land outside the destination or that Windows cannot hold, one that
// is a file and a folder at once, and (naming both) two entries that are one file on Windows.
// Empty when every entry may. The unpacker refuses the whole archive for the first; the check
// names them all.
std::vector<std::string> refusedEntries(const std::vector<Entry>& entries,
                                        const std::string& archiveText);

// Checks every name before anything is written: throws a tess::Error with the first of
// refusedEntries, saying that nothing was unpacked.
void checkExtractable(const std::vector<Entry>& entries, const std::string& archiveText);

// True when the stored name lies under "bf1942/levels/" (any letter case, either separator),
// where every entry of a level archive lies.
bool isUnderLevelsFolder(std::string_view storedName);

} // namespace tess::archive
