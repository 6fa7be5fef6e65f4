// Reading an archive: its directory, and each entry's bytes streamed chunk by chunk through
// the entry's own dataOffset. Everything the archive claims is checked against the real
// file before it is used, so a damaged or hostile archive ends in a tess::Error naming the
// archive and what is wrong, never in a crash or an allocation of a claimed size.
#pragma once

#include "archive/archive.h"
#include "core/files.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tess::archive {

// Where the archive's bytes come from: a file, or memory (for the fuzzer).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Up to count bytes at offset; fewer only at the end of the source.
    virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
    // The file's identity, for a source that is a file.
    virtual std::optional<FileIdentity> identity() const { return std::nullopt; }
};

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path);
// The bytes must outlive the source.
std::unique_ptr<ByteSource> memorySource(const void* data, std::size_t size);

// Receives an entry's bytes in order, in pieces of at most 1 MiB.
using Sink = std::function<void(const unsigned char* data, std::size_t size)>;

class ArchiveReader {
public:
    // Opens the file and reads its directory.
    explicit ArchiveReader(const std::filesystem::path& archive);
    // displayName is the archive's name in messages.
    ArchiveReader(std::unique_ptr<ByteSource> source, std::string displayName);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    std::uint32_t version() const { return version_; }
    const std::vector<Entry>& entries() const { return entries_; }
    const std::string& displayName() const { return displayName_; }
    std::optional<FileIdentity> identity() const { return source_->identity(); }

    // Streams the entry's uncompressed bytes: exactly entry.size bytes reach the sink, or
    // a tess::Error is thrown.
    void readEntry(const Entry& entry, const Sink& sink);

    // "Archiv "<name>" ist beschädigt: <what>"
    [[noreturn]] void corrupt(const std::string& what) const;

private:
    // One row of an entry's chunk table.
    struct ChunkRow {
        std::uint32_t index = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t offset = 0; // counted from the end of the table
    };

    void readDirectory();
    // Visits the rows of a chunk table of `count` chunks, read a batch at a time so that a
    // huge table costs no more memory than a small one. Stops early when visit returns false
    // and then returns false.
    bool forEachChunkRow(const Entry& entry, std::uint32_t count,
                         const std::function<bool(const ChunkRow&)>& visit);
    bool isCompressed(const Entry& entry);
    bool hasGameChunkTable(const Entry& entry);
    void readStored(const Entry& entry, const Sink& sink);
    void readCompressed(const Entry& entry, const Sink& sink);
    void readExactly(std::uint64_t offset, void* buffer, std::size_t count);

    std::unique_ptr<ByteSource> source_;
    std::string displayName_;
    std::uint32_t version_ = 0;
    std::vector<Entry> entries_;
    std::vector<unsigned char> input_;
    std::vector<unsigned char> output_;
};

// An entry's name for the file system: UTF-8 of the stored 8-bit name.
std::string entryNameText(const Entry& entry);

// An entry's name for messages and listings: as entryNameText, with control characters
// shown escaped ("\x1b"), so that a name cannot steer the terminal it is printed on.
std::string entryNameShown(const Entry& entry);

} // namespace tess::archive
