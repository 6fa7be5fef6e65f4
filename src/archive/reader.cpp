#include "archive/reader.h"

#include "archive/file_io.h"
#include "archive/format.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/paths.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tess::archive {
namespace {

using format::readLe32;

// Chunk tables are read this many triples at a time.
constexpr std::uint32_t kTableBatch = 1024;

class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& path) : file_(path) {}
    std::uint64_t size() const override { return file_.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        return file_.readAt(offset, buffer, count);
    }
    std::optional<FileIdentity> identity() const override { return file_.identity(); }

private:
    InputFile file_;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (count == 0 || offset >= size_)
            return 0;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
        std::memcpy(buffer, data_ + offset, n);
        return n;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
};

// Reads the directory sequentially through a small window, so a large directory costs no
// more memory than its entries.
class Cursor {
public:
    Cursor(ByteSource& source, std::uint64_t begin, std::uint64_t end)
        : source_(source), position_(begin), end_(end) {}

    std::uint64_t remaining() const { return end_ - position_; }

    // The next count bytes (count <= remaining()).
    const unsigned char* take(std::size_t count) {
        if (position_ < windowStart_ || position_ + count > windowStart_ + window_.size()) {
            const std::size_t want = static_cast<std::size_t>(
                std::min<std::uint64_t>(std::max<std::size_t>(count, 65536), remaining()));
            window_.resize(want);
            const std::size_t got = source_.readAt(position_, window_.data(), want);
            window_.resize(got);
            windowStart_ = position_;
            if (got < count)
                return nullptr;
        }
        const unsigned char* p = window_.data() + (position_ - windowStart_);
        position_ += count;
        return p;
    }

private:
    ByteSource& source_;
    std::uint64_t position_;
    std::uint64_t end_;
    std::vector<unsigned char> window_;
    std::uint64_t windowStart_ = 0;
};

void initLzo() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (lzo_init() != LZO_E_OK)
            throw Error("Die LZO-Bibliothek lässt sich nicht initialisieren");
    });
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

} // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    return std::make_unique<FileSource>(path);
}

std::unique_ptr<ByteSource> memorySource(const void* data, std::size_t size) {
    return std::make_unique<MemorySource>(data, size);
}

std::string entryNameText(const Entry& entry) {
    return decodeCp1252(entry.name);
}

std::string entryNameShown(const Entry& entry) {
    return shownText(decodeCp1252(entry.name));
}

ArchiveReader::ArchiveReader(const std::filesystem::path& archive)
    : ArchiveReader(openFileSource(archive), shownText(pathText(archive))) {}

ArchiveReader::ArchiveReader(std::unique_ptr<ByteSource> source, std::string displayName)
    : source_(std::move(source)), displayName_(std::move(displayName)) {
    initLzo();
    readDirectory();
}

ArchiveReader::~ArchiveReader() = default;

void ArchiveReader::corrupt(const std::string& what) const {
    throw Error("Archiv \"" + displayName_ + "\" ist beschädigt: " + what);
}

void ArchiveReader::readExactly(std::uint64_t offset, void* buffer, std::size_t count) {
    if (count == 0)
        return;
    if (source_->readAt(offset, buffer, count) != count)
        corrupt("unerwartetes Dateiende bei Offset " + number(offset));
}

void ArchiveReader::readDirectory() {
    const std::uint64_t fileSize = source_->size();
    unsigned char head[sizeof(format::kDemoMagic) - 1];
    if (fileSize >= sizeof head) {
        readExactly(0, head, sizeof head);
        if (std::memcmp(head, format::kDemoMagic, sizeof head) == 0)
            throw Error("Archiv \"" + displayName_ +
                        "\" hat das Format der Demo- und Konsolenfassung des Spiels "
                        "(\"Refractor2 FlatArchive 1.1\"), das nicht unterstützt wird");
    }
    if (fileSize < 8)
        corrupt("die Datei ist mit " + number(fileSize) + " Bytes zu kurz für den Archivkopf");
    readExactly(0, head, 8);
    const std::uint32_t tocOffset = readLe32(head);
    version_ = readLe32(head + 4);
    if (std::uint64_t{tocOffset} + 4 > fileSize)
        corrupt("das Verzeichnis (Offset " + number(tocOffset) + ") liegt hinter dem Dateiende (" +
                number(fileSize) + " Bytes)");

    Cursor cursor(*source_, tocOffset, fileSize);
    const auto take = [&](std::size_t n) {
        const unsigned char* p = cursor.take(n);
        if (p == nullptr)
            corrupt("unerwartetes Dateiende im Verzeichnis");
        return p;
    };
    const std::uint32_t count = readLe32(take(4));
    // Every entry needs its name length and six numbers.
    constexpr std::uint64_t kMinEntrySize = 4 + format::kEntryFixedSize;
    if (count > cursor.remaining() / kMinEntrySize)
        corrupt("das Verzeichnis nennt " + number(count) +
                " Einträge, dafür ist die Datei zu kurz");
    entries_.reserve(std::min<std::uint32_t>(count, 65536));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string index = number(i + 1);
        if (cursor.remaining() < 4)
            corrupt("das Verzeichnis endet mitten in Eintrag " + index);
        const std::uint32_t nameLength = readLe32(take(4));
        if (nameLength > format::kMaxNameLength)
            corrupt("der Name von Eintrag " + index + " ist mit " + number(nameLength) +
                    " Bytes unmöglich lang");
        if (nameLength > cursor.remaining())
            corrupt("der Name von Eintrag " + index + " (" + number(nameLength) +
                    " Bytes) reicht über das Dateiende hinaus");
        if (std::uint64_t{nameLength} + format::kEntryFixedSize > cursor.remaining())
            corrupt("das Verzeichnis endet mitten in Eintrag " + index);
        Entry entry;
        if (nameLength > 0)
            entry.name.assign(reinterpret_cast<const char*>(take(nameLength)), nameLength);
        const unsigned char* fixed = take(format::kEntryFixedSize);
        entry.storedSize = readLe32(fixed);
        entry.size = readLe32(fixed + 4);
        entry.dataOffset = readLe32(fixed + 8);
        if (std::uint64_t{entry.dataOffset} + entry.storedSize > fileSize)
            corrupt("die Daten von Eintrag " + quoted(entryNameShown(entry)) + " (Offset " +
                    number(entry.dataOffset) + ", " + number(entry.storedSize) +
                    " Bytes) reichen über das Dateiende (" + number(fileSize) + " Bytes) hinaus");
        entries_.push_back(std::move(entry));
    }
}

bool ArchiveReader::isCompressed(const Entry& entry) {
    if (entry.storedSize != entry.size)
        return true;
    // In a compressed archive every non-empty entry is compressed; should one have come
    // out exactly as long as its content, its chunk table tells.
    return version_ == format::kVersionCompressed && hasGameChunkTable(entry);
}

// True when the entry starts with a consistent chunk table of 32768-byte chunks whose
// streams fill the entry exactly: raw content does not look like that by chance.
bool ArchiveReader::hasGameChunkTable(const Entry& entry) {
    if (entry.size == 0 || entry.storedSize < 4 + format::kChunkTableEntrySize)
        return false;
    unsigned char buffer[4];
    readExactly(entry.dataOffset, buffer, 4);
    const std::uint32_t count = readLe32(buffer);
    const std::uint64_t expected =
        (std::uint64_t{entry.size} + format::kChunkSize - 1) / format::kChunkSize;
    if (count != expected || 4 + format::kChunkTableEntrySize * count > entry.storedSize)
        return false;
    std::uint64_t streamBytes = 0;
    std::uint64_t contentBytes = 0;
    const bool consistent = forEachChunkRow(entry, count, [&](const ChunkRow& row) {
        const std::uint32_t wanted = row.index + 1 < count
                                         ? format::kChunkSize
                                         : entry.size - format::kChunkSize * row.index;
        if (row.size != wanted || row.offset != streamBytes)
            return false;
        streamBytes += row.compressedSize;
        contentBytes += wanted;
        return true;
    });
    return consistent && contentBytes == entry.size &&
           4 + format::kChunkTableEntrySize * count + streamBytes == entry.storedSize;
}

void ArchiveReader::readEntry(const Entry& entry, const Sink& sink) {
    // Tools write 0, 4 or 20 bytes for an empty file; none of them needs decoding.
    if (entry.size == 0)
        return;
    if (isCompressed(entry))
        readCompressed(entry, sink);
    else
        readStored(entry, sink);
}

void ArchiveReader::readStored(const Entry& entry, const Sink& sink) {
    input_.resize(static_cast<std::size_t>(std::min<std::uint32_t>(entry.size, kCopyBlock)));
    std::uint64_t offset = entry.dataOffset;
    std::uint32_t left = entry.size;
    while (left > 0) {
        const std::size_t n = std::min<std::size_t>(left, input_.size());
        readExactly(offset, input_.data(), n);
        sink(input_.data(), n);
        offset += n;
        left -= static_cast<std::uint32_t>(n);
    }
}

bool ArchiveReader::forEachChunkRow(const Entry& entry, std::uint32_t count,
                                    const std::function<bool(const ChunkRow&)>& visit) {
    std::vector<unsigned char> table(format::kChunkTableEntrySize * std::min(count, kTableBatch));
    for (std::uint32_t first = 0; first < count; first += kTableBatch) {
        const std::uint32_t batch = std::min(kTableBatch, count - first);
        readExactly(entry.dataOffset + 4 + std::uint64_t{first} * format::kChunkTableEntrySize,
                    table.data(), batch * format::kChunkTableEntrySize);
        for (std::uint32_t j = 0; j < batch; ++j) {
            const unsigned char* t = table.data() + j * format::kChunkTableEntrySize;
            if (!visit({first + j, readLe32(t), readLe32(t + 4), readLe32(t + 8)}))
                return false;
        }
    }
    return true;
}

void ArchiveReader::readCompressed(const Entry& entry, const Sink& sink) {
    const std::string name = quoted(entryNameShown(entry));
    if (entry.storedSize < 4)
        corrupt("die Blocktabelle von Eintrag " + name + " fehlt");
    unsigned char buffer[4];
    readExactly(entry.dataOffset, buffer, 4);
    const std::uint32_t count = readLe32(buffer);
    const std::uint64_t tableSize = format::kChunkTableEntrySize * std::uint64_t{count};
    if (4 + tableSize > entry.storedSize)
        corrupt("die Blocktabelle von Eintrag " + name + " nennt " + number(count) +
                " Blöcke, die nicht in seine " + number(entry.storedSize) + " Bytes passen");
    const std::uint64_t streamsStart = std::uint64_t{entry.dataOffset} + 4 + tableSize;
    const std::uint64_t streamsSize = entry.storedSize - 4 - tableSize;

    std::uint64_t produced = 0;
    forEachChunkRow(entry, count, [&](const ChunkRow& row) {
        const std::uint32_t packed = row.compressedSize;
        const std::uint32_t size = row.size;
        const std::uint32_t offset = row.offset;
        const std::string chunk = "Block " + number(row.index + 1) + " von Eintrag " + name;
        if (std::uint64_t{offset} + packed > streamsSize)
            corrupt(chunk + " liegt außerhalb des Eintrags");
        if (size > format::kMaxChunkSize || packed > format::kMaxCompressedChunkSize)
            corrupt(chunk + " ist unmöglich groß");
        if (produced + size > entry.size)
            corrupt("die Blöcke von Eintrag " + name + " ergeben mehr als seine Größe von " +
                    number(entry.size) + " Bytes");
        if (size == 0)
            return true; // the empty chunk of an empty file: its stream is never decoded
        input_.resize(std::max<std::size_t>(input_.size(), packed));
        output_.resize(std::max<std::size_t>(output_.size(), size));
        readExactly(streamsStart + offset, input_.data(), packed);
        lzo_uint decoded = size;
        const int result =
            lzo1x_decompress_safe(input_.data(), packed, output_.data(), &decoded, nullptr);
        const bool ok =
            (result == LZO_E_OK || result == LZO_E_INPUT_NOT_CONSUMED) && decoded == size;
        if (ok)
            sink(output_.data(), size);
        else if (packed == size)
            sink(input_.data(), size); // a chunk kept as it was
        else
            corrupt(chunk + " lässt sich nicht entpacken (LZO-Fehler " + std::to_string(result) +
                    ")");
        produced += size;
        return true;
    });
    if (produced != entry.size)
        corrupt("die Blöcke von Eintrag " + name + " ergeben " + number(produced) + " statt " +
                number(entry.size) + " Bytes");
}

} // namespace tess::archive
