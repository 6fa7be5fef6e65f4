// What an archive is, as far as a step must know before it replaces or deletes one or packs it
// into a map: the level it holds, and whether that is a map or an addon of a map.
#pragma once

#include "archive/archive.h"

#include <string>
#include <vector>

namespace tess::packing {

struct LevelArchive {
    std::string path;                    // as given, for messages
    std::vector<archive::Entry> entries; // in directory order
    // The <level> of "bf1942/levels/<level>/" as its first entry spells it; empty when the
    // first entry lies elsewhere.
    std::string level;
    // The first entry that lies outside that level (shown as its name), empty when none does.
    std::string outside;
    bool hasInitCon = false; // <level>/init.con, the file that makes a map
    bool hasAiCon = false;   // <level>/ai.con, the AI start script of an addon
};

// Reads the archive's directory and checks every name as unpacking would. Throws tess::Error
// naming the archive when it is missing, no regular file, damaged or holds unsafe names.
LevelArchive readLevelArchive(const std::string& windowsPath);

// The part of an entry's name below "bf1942/levels/<level>/" (UTF-8, "/" separated), or empty
// when it does not lie below that level (letter case ignored).
std::string nameInLevel(const archive::Entry& entry, const std::string& level);

// Why an archive is a map and so no addon of one (in German: it holds the map's init.con), or
// empty. Neither a pack nor the merge takes such an archive for an addon.
std::string mapArchiveReason(const LevelArchive& archive);

// Why the file at windowsPath is no addon archive of the map mapName (in German), or empty
// when it is one: a readable archive whose entries all lie under bf1942/levels/<mapName>/,
// with the addon's ai.con and without the map's init.con. Only such an archive is ever
// replaced by a pack.
std::string notAnAddonReason(const std::string& windowsPath, const std::string& mapName);

} // namespace tess::packing
