#pragma once

// What a test reads back out of an archive: the names of its entries and the bytes of one.

#include "archive/archive.h"
#include "test_support.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tess::test {

// The entry names in the order the archive lists them.
inline std::vector<std::string> entryNames(const std::filesystem::path& archive) {
    std::vector<std::string> names;
    for (const tess::archive::Entry& entry : tess::archive::listArchive(archive))
        names.push_back(entry.name);
    return names;
}

inline std::set<std::string> entryNameSet(const std::filesystem::path& archive) {
    const std::vector<std::string> names = entryNames(archive);
    return {names.begin(), names.end()};
}

// One entry's bytes, unpacked with the rest of the archive into a folder of its own.
inline std::string entryBytes(const std::filesystem::path& archive, const std::string& name) {
    TempDir out;
    tess::archive::unpackArchive(archive, out.path());
    return readBytes(out.path() / name);
}

} // namespace tess::test
