// The game's level archive format (".rfa"): our own reader and writer, standing in for the
// game's rfaunpack.exe and rfaPack.exe. Paths here are file-system paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tess::archive {

struct Entry {
    std::string name; // as stored: forward slashes, 8-bit
    std::uint32_t storedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t dataOffset = 0;
};

// One line of progress, as the game's tools print them.
using Progress = std::function<void(const std::string& line)>;

// Hands one line to progress, when there is a receiver.
inline void report(const Progress& progress, const std::string& line) {
    if (progress)
        progress(line);
}

// The directory of an archive. Throws tess::Error naming the archive and what is wrong.
std::vector<Entry> listArchive(const std::filesystem::path& archive);

struct UnpackOptions {
    // Writes only the entries under "bf1942/levels/" (any letter case) and skips every other
    // one, naming it in the progress: for unpacking where the program's own files lie (the
    // program folder, its Network folder). A level archive holds nothing else.
    bool onlyLevels = false;
    // Creates the destination, once the archive has been read; otherwise it must exist.
    bool createDestination = false;
};

// Extracts every entry under destination, recreating the stored paths (rfaunpack.exe).
// Folders and files that exist in another letter case are reused, as on Windows.
// Everything is checked before anything is written, and a problem refuses the whole
// archive: every name (see names.h), the free space against the sum of the entries' sizes,
// and the destination itself: a link, or a file where a folder belongs, is never passed
// through, a read-only file and the archive itself (under any name) are never replaced.
// Each file is written under a temporary name beside its target and renamed into place
// once complete, so an entry that fails leaves the file it was to replace whole; a link at
// a file's name is replaced, never written through.
void unpackArchive(const std::filesystem::path& archive, const std::filesystem::path& destination,
                   const Progress& progress = {}, const UnpackOptions& options = {});

// Packs sourceDir as `rfaPack.exe <sourceDir> <packDirName> <archive> [-Compress]` does.
void packFolder(const std::filesystem::path& sourceDir, const std::string& packDirName,
                const std::filesystem::path& archive, bool compress, const Progress& progress = {});

struct PackOptions {
    bool compress = false;
    // Threads compressing chunks: 0 takes one per processor core, 1 compresses on the
    // calling thread. The archive's bytes are the same for every choice.
    unsigned threads = 0;
};

// packFolder with the number of compressing threads chosen.
void packFolder(const std::filesystem::path& sourceDir, const std::string& packDirName,
                const std::filesystem::path& archive, const PackOptions& options,
                const Progress& progress = {});

// One line of `rfa-list`: stored size and size right-aligned in ten columns each, then the
// name (in UTF-8), separated by blanks: "      2358       2358 bf1942/Levels/Kursk/Init.con".
std::string formatListingLine(const Entry& entry);

// The lines of `rfa-list` for an archive, one per entry in directory order.
std::vector<std::string> formatListing(const std::vector<Entry>& entries);

} // namespace tess::archive
