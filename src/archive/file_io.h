// Plain binary files for the archive code: 64-bit offsets, errno-based German errors, and
// no buffering beyond what the C library does, so large copies go straight through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace tess::archive {

// Stored data and files are copied in pieces of this size.
constexpr std::size_t kCopyBlock = 1u << 17;

class InputFile {
public:
    // Throws "Datei %s kann nicht geöffnet werden. %s".
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::uint64_t size() const { return size_; }
    // Reads up to count bytes at offset; returns how many were read (fewer only at the end
    // of the file). Throws on a read error.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count);

private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

class OutputFile {
public:
    // Creates or truncates the file. Throws "Datei "%s" kann nicht erstellt werden. %s"
    // naming displayPath (the file's own path when empty).
    explicit OutputFile(const std::filesystem::path& path,
                        const std::filesystem::path& displayPath = {});
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const void* data, std::size_t count);
    void seek(std::uint64_t offset);
    std::uint64_t position() const { return position_; }
    // Flushes, optionally forces the bytes to disk, and closes; throws on failure.
    void close(bool sync);

private:
    [[noreturn]] void fail(int error);

    std::filesystem::path displayPath_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
};

} // namespace tess::archive
