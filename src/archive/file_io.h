// Plain binary input files for the archive code: 64-bit offsets, errno-based German errors,
// and no buffering beyond what the C library does, so large copies go straight through.
// Files are written through core's AtomicFile.
#pragma once

#include "core/files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace tess::archive {

// Stored data and files are copied in pieces of this size.
constexpr std::size_t kCopyBlock = 1u << 17;

class InputFile {
public:
    // Throws "Datei %s kann nicht geöffnet werden. %s", also for what is not a regular file
    // (a pipe would never end).
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::uint64_t size() const { return size_; }
    const FileIdentity& identity() const { return identity_; }
    // Reads up to count bytes at offset; returns how many were read (fewer only at the end
    // of the file). Throws on a read error.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count);

private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    FileIdentity identity_;
};

} // namespace tess::archive
