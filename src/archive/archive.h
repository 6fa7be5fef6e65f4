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

// The directory of an archive. Throws tess::Error naming the archive and what is wrong.
std::vector<Entry> listArchive(const std::filesystem::path& archive);

// Extracts every entry under destination, recreating the stored paths (rfaunpack.exe).
void unpackArchive(const std::filesystem::path& archive, const std::filesystem::path& destination,
                   const Progress& progress = {});

// Packs sourceDir as `rfaPack.exe <sourceDir> <packDirName> <archive> [-Compress]` does.
void packFolder(const std::filesystem::path& sourceDir, const std::string& packDirName,
                const std::filesystem::path& archive, bool compress,
                const Progress& progress = {});

} // namespace tess::archive
