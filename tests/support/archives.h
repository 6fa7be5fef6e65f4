// Archives in tests: store archives laid out by hand, byte by byte (for what our own packer
// refuses to write), and what a test reads back out of an archive.
#pragma once

#include "archive/archive.h"
#include "support/files.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tess::test {

inline std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// A signed 32-bit field as the game's files hold it, little-endian.
inline void appendI32(std::string& out, std::int32_t value) {
    out += le32(static_cast<std::uint32_t>(value));
}

struct RawEntry {
    std::string name; // as stored: 8-bit, any separator
    std::string data;
};

// A store archive of the entries, laid out as the format has it: for archives that our own
// packer refuses to write (hostile names, duplicates, names for the program's own files).
inline std::string storeArchive(const std::vector<RawEntry>& entries) {
    std::string body(156, '\0');
    std::string directory = le32(static_cast<std::uint32_t>(entries.size()));
    for (const RawEntry& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(body.size());
        const auto size = static_cast<std::uint32_t>(entry.data.size());
        body += entry.data;
        directory += le32(static_cast<std::uint32_t>(entry.name.size())) + entry.name + le32(size) +
                     le32(size) + le32(offset) + le32(1253856) + le32(0) + le32(0);
    }
    directory += le32(0);
    body.replace(0, 4, le32(static_cast<std::uint32_t>(body.size())));
    return body + directory;
}

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
