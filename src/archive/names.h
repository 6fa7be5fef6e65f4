// Entry names: the order the game's packer gives them, and the checks that keep an
// archive's names inside the folder it is unpacked into.
#pragma once

#include "archive/archive.h"

#include <string>
#include <string_view>
#include <vector>

namespace tess::archive {

// Upper case of a stored (Windows-1252) name, folding ASCII and Latin-1 letters as
// Windows does; the game looks names up this way.
std::string foldedName(std::string_view storedName);

// The game's packer orders the files of a folder, and then its subfolders, by their names
// compared in upper case.
bool packerOrderLess(std::string_view storedA, std::string_view storedB);

// Why the stored name may not be unpacked (in German), or empty when it may: it must be
// relative, free of drive letters, "..", control characters, and name a file.
std::string unsafeNameReason(std::string_view storedName);

// Checks every name before anything is written: throws a tess::Error naming the archive and
// the first entry that would land outside the destination or that is a file and a folder
// at once.
void checkExtractable(const std::vector<Entry>& entries, const std::string& archiveText);

} // namespace tess::archive
