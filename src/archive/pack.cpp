// Writing side of the public interface: packing a folder as the game's rfaPack.exe does.
#include "archive/archive.h"

#include "archive/compressor.h"
#include "archive/file_io.h"
#include "archive/format.h"
#include "archive/names.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace tess::archive {
namespace {

constexpr std::uint64_t kMaxArchiveOffset = std::numeric_limits<std::uint32_t>::max();
// Folder trees deeper than this are taken for a loop of links.
constexpr int kMaxDepth = 64;

struct SourceFile {
    fs::path path;
    std::string name; // stored name
    std::uint64_t size = 0;
};

// A file or folder name as the archive stores it: Windows-1252. A "\" in a name (possible
// off Windows) would separate folders in the archive, so such a name is not packed.
std::string storedComponent(const fs::path& path) {
    const std::string text = pathText(path.filename());
    if (text.find('\\') != std::string::npos)
        throw Error("Der Name \"" + shownText(pathText(path)) +
                    "\" enthält \"\\\", das im Archiv Ordner trennt; es wurde nichts geschrieben");
    try {
        return encodeCp1252(text);
    } catch (const Error& e) {
        throw Error("Der Name \"" + shownText(pathText(path)) +
                    "\" lässt sich im Archiv nicht speichern: " + e.what());
    }
}

// The game's packer's order: in each folder first its files, then its subfolders, both by
// name compared in upper case. A folder met again on its own path (through a link to
// itself or to a folder above it) is a loop: it would never end, or pack the same files
// under ever longer names, so it stops the pack before anything is written. What a killed
// run left half written (isLeftoverName) is never packed, only counted.
class FolderWalk {
public:
    FolderWalk(const fs::path& archive, std::vector<SourceFile>& files)
        : archive_(identityOf(archive)), files_(files) {}

    std::size_t leftovers() const { return leftovers_; }

    void walk(const fs::path& folder, const std::string& prefix, int depth) {
        if (depth > kMaxDepth)
            throw Error("Der Ordner \"" + shown(folder) +
                        "\" ist zu tief verschachtelt; es wurde nichts geschrieben");
        const std::optional<FileIdentity> identity = identityOf(folder);
        if (!identity)
            throw cannotOpen(shown(folder), systemReason(ENOENT));
        for (const auto& [onPath, path] : path_)
            if (onPath == *identity)
                throw Error("Der Ordner \"" + shown(folder) + "\" ist derselbe wie \"" +
                            shown(path) +
                            "\", in dem er liegt: eine Schleife aus Verknüpfungen; es wurde "
                            "nichts geschrieben");
        path_.emplace_back(*identity, folder);

        std::vector<SourceFile> files;
        std::vector<std::pair<std::string, fs::path>> folders;
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        if (ec)
            throw cannotOpen(shown(folder), systemReason(ec.value()));
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec)
                throw cannotOpen(shown(folder), systemReason(ec.value()));
            const fs::directory_entry& item = *it;
            if (item.is_directory(ec)) {
                folders.emplace_back(storedComponent(item.path()), item.path());
            } else if (isLeftoverName(pathText(item.path().filename()))) {
                ++leftovers_;
            } else if (item.is_regular_file(ec) && !isTheArchive(item.path())) {
                const std::uint64_t size = item.file_size(ec);
                if (ec)
                    throw cannotOpen(shown(item.path()), systemReason(ec.value()));
                files.push_back({item.path(), storedComponent(item.path()), size});
            }
        }
        std::sort(files.begin(), files.end(), [](const SourceFile& a, const SourceFile& b) {
            return packerOrderLess(a.name, b.name);
        });
        std::sort(folders.begin(), folders.end(),
                  [](const auto& a, const auto& b) { return packerOrderLess(a.first, b.first); });
        for (SourceFile& file : files) {
            file.name = prefix + file.name;
            if (file.name.size() > format::kMaxNameLength)
                throw Error("Der Name \"" + shown(file.path) +
                            "\" ist zu lang für ein Archiv; es wurde nichts geschrieben");
            // The rule that unpacking keeps: what it would refuse is never packed.
            const std::string reason = unsafeNameReason(file.name);
            if (!reason.empty())
                throw Error("Die Datei \"" + shown(file.path) + "\" kann als \"" +
                            shownText(decodeCp1252(file.name)) + "\" nicht ins Archiv (" + reason +
                            "); es wurde nichts geschrieben");
            files_.push_back(std::move(file));
        }
        for (const auto& [name, path] : folders)
            walk(path, prefix + name + "/", depth + 1);
        path_.pop_back();
    }

private:
    static std::string shown(const fs::path& path) { return shownText(pathText(path)); }

    // The archive being replaced may lie inside the folder; it is not packed into itself,
    // whatever name it has there.
    bool isTheArchive(const fs::path& path) const {
        return archive_ && identityOf(path) == archive_;
    }

    std::optional<FileIdentity> archive_;
    std::vector<SourceFile>& files_;
    std::vector<std::pair<FileIdentity, fs::path>> path_; // the folders being walked
    std::size_t leftovers_ = 0;
};

// The path inside the archive: forward slashes, no leading or trailing slash, and a name
// unpacking would accept.
std::string storedPackDir(const std::string& packDirName) {
    std::string dir = packDirName;
    std::replace(dir.begin(), dir.end(), '\\', '/');
    while (!dir.empty() && dir.front() == '/')
        dir.erase(dir.begin());
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    std::string stored;
    try {
        stored = encodeCp1252(dir);
    } catch (const Error& e) {
        throw Error("Der Archivpfad \"" + shownText(packDirName) +
                    "\" lässt sich im Archiv nicht speichern: " + e.what());
    }
    const std::string reason = stored.empty() ? std::string() : unsafeNameReason(stored);
    if (!reason.empty())
        throw Error("Der Archivpfad \"" + shownText(packDirName) + "\" ist unzulässig (" + reason +
                    "); es wurde nichts geschrieben");
    return stored;
}

std::vector<SourceFile> collectFiles(const fs::path& sourceDir, const std::string& packDir,
                                     const fs::path& archive, std::size_t& leftovers) {
    std::error_code ec;
    if (!fs::is_directory(sourceDir, ec))
        throw Error("Der Ordner \"" + shownText(pathText(sourceDir)) + "\" existiert nicht");
    std::vector<SourceFile> files;
    FolderWalk walk(archive, files);
    walk.walk(sourceDir, packDir.empty() ? "" : packDir + "/", 0);
    leftovers = walk.leftovers();
    // Two files that would be one on Windows (names differing in letter case only, on a file
    // system that tells them apart) would unpack as one: neither is packed.
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const SourceFile& file : files)
        names.push_back(file.name);
    if (const auto clash = findNameClash(names))
        throw Error(
            "Die Dateien \"" + shownText(pathText(files[clash->first].path)) + "\" und \"" +
            shownText(pathText(files[clash->second].path)) + "\" wären unter Windows " +
            (clash->fileAndFolder ? "Ordner und Datei desselben Namens" : "dieselbe Datei") +
            "; es wurde nichts geschrieben");
    return files;
}

// The archive file being written: header, data, directory.
class ArchiveWriter {
public:
    ArchiveWriter(const fs::path& archive, std::uint32_t version)
        : out_(archive, shownText(pathText(archive))), archive_(archive) {
        unsigned char header[format::kHeaderSize] = {};
        format::writeLe32(header + 4, version);
        std::copy(format::kOpaqueBlock.begin(), format::kOpaqueBlock.end(),
                  header + format::kOpaqueOffset);
        out_.write(header, sizeof header); // tocOffset follows at the end
    }

    AtomicFile& out() { return out_; }
    std::vector<Entry>& entries() { return entries_; }

    void write(const void* data, std::size_t size) {
        out_.write(data, size);
        checkSize();
    }

    void checkSize() const {
        if (out_.position() > kMaxArchiveOffset)
            throw Error("Das Archiv \"" + pathText(archive_) +
                        "\" würde größer als 4 GiB; mehr fasst das Format nicht");
    }

    std::uint32_t position() const { return static_cast<std::uint32_t>(out_.position()); }

    void finish() {
        const std::uint32_t tocOffset = position();
        std::vector<unsigned char> directory;
        const auto put = [&](std::uint32_t value) {
            unsigned char bytes[4];
            format::writeLe32(bytes, value);
            directory.insert(directory.end(), bytes, bytes + 4);
        };
        put(static_cast<std::uint32_t>(entries_.size()));
        for (const Entry& entry : entries_) {
            put(static_cast<std::uint32_t>(entry.name.size()));
            directory.insert(directory.end(), entry.name.begin(), entry.name.end());
            put(entry.storedSize);
            put(entry.size);
            put(entry.dataOffset);
            put(format::kReserved1);
            put(format::kReserved2);
            put(format::kFlags);
            if (directory.size() >= kCopyBlock) {
                write(directory.data(), directory.size());
                directory.clear();
            }
        }
        put(0);
        write(directory.data(), directory.size());
        unsigned char offset[4];
        format::writeLe32(offset, tocOffset);
        out_.seek(0);
        out_.write(offset, 4);
        out_.commit(true);
    }

private:
    AtomicFile out_;
    fs::path archive_;
    std::vector<Entry> entries_;
};

[[noreturn]] void changedWhilePacking(const fs::path& path) {
    throw Error("Die Datei \"" + pathText(path) + "\" hat sich während des Packens verändert");
}

std::uint32_t checkedFileSize(const SourceFile& file, const fs::path& archive) {
    if (file.size > kMaxArchiveOffset)
        throw Error("Die Datei \"" + pathText(file.path) + "\" ist zu groß für das Archiv \"" +
                    pathText(archive) + "\" (höchstens 4 GiB)");
    return static_cast<std::uint32_t>(file.size);
}

void packStored(ArchiveWriter& writer, const std::vector<SourceFile>& files,
                const fs::path& archive, const Progress& progress) {
    std::vector<unsigned char> buffer;
    for (const SourceFile& file : files) {
        report(progress, "  " + decodeCp1252(file.name));
        const std::uint32_t size = checkedFileSize(file, archive);
        writer.entries().push_back({file.name, size, size, writer.position()});
        if (size == 0)
            continue;
        InputFile in(file.path);
        buffer.resize(std::min<std::size_t>(size, kCopyBlock));
        std::uint64_t offset = 0;
        while (offset < size) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
            if (in.readAt(offset, buffer.data(), want) != want)
                changedWhilePacking(file.path);
            writer.write(buffer.data(), want);
            offset += want;
        }
    }
}

// Writes the finished chunks of compressed entries: the chunk table goes first, so it is
// reserved when an entry's first chunk arrives and filled in after its last.
class CompressedEntryWriter {
public:
    explicit CompressedEntryWriter(ArchiveWriter& writer) : writer_(writer) {}

    void operator()(const ChunkJob& job) {
        Entry& entry = writer_.entries()[job.entry];
        if (job.count == 0) {
            entry.dataOffset = writer_.position();
            entry.storedSize = static_cast<std::uint32_t>(format::kEmptyCompressedEntry.size());
            writer_.write(format::kEmptyCompressedEntry.data(),
                          format::kEmptyCompressedEntry.size());
            return;
        }
        if (job.index == 0) {
            entry.dataOffset = writer_.position();
            table_.assign(4 + format::kChunkTableEntrySize * job.count, 0);
            format::writeLe32(table_.data(), job.count);
            writer_.write(table_.data(), table_.size());
            streamBytes_ = 0;
        }
        unsigned char* triple = table_.data() + 4 + format::kChunkTableEntrySize * job.index;
        format::writeLe32(triple, static_cast<std::uint32_t>(job.outputSize));
        format::writeLe32(triple + 4, static_cast<std::uint32_t>(job.inputSize));
        format::writeLe32(triple + 8, static_cast<std::uint32_t>(streamBytes_));
        writer_.write(job.output.data(), job.outputSize);
        streamBytes_ += job.outputSize;
        if (job.index + 1 < job.count)
            return;
        std::uint64_t stored = table_.size() + streamBytes_;
        // Readers, the game's among them, take an entry whose stored size equals its size
        // for a stored one. Should the streams come out exactly that long, one byte after
        // the last stream (which no chunk reaches) keeps the entry a compressed one.
        if (stored == entry.size) {
            const unsigned char pad = 0;
            writer_.write(&pad, 1);
            ++stored;
        }
        entry.storedSize = static_cast<std::uint32_t>(stored);
        const std::uint64_t end = writer_.out().position();
        writer_.out().seek(entry.dataOffset);
        writer_.out().write(table_.data(), table_.size());
        writer_.out().seek(end);
    }

private:
    ArchiveWriter& writer_;
    std::vector<unsigned char> table_;
    std::uint64_t streamBytes_ = 0;
};

void packCompressed(ArchiveWriter& writer, const std::vector<SourceFile>& files,
                    const fs::path& archive, unsigned threads, const Progress& progress) {
    ChunkCompressor compressor(threads, CompressedEntryWriter(writer));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const SourceFile& file = files[i];
        report(progress, "  " + decodeCp1252(file.name));
        const std::uint32_t size = checkedFileSize(file, archive);
        writer.entries().push_back({file.name, 0, size, 0});
        if (size == 0) {
            ChunkJob& job = compressor.next();
            job.entry = i;
            job.index = 0;
            job.count = 0;
            job.inputSize = 0;
            compressor.submit();
            continue;
        }
        const std::uint32_t count = (size + format::kChunkSize - 1) / format::kChunkSize;
        InputFile in(file.path);
        for (std::uint32_t chunk = 0; chunk < count; ++chunk) {
            ChunkJob& job = compressor.next();
            job.entry = i;
            job.index = chunk;
            job.count = count;
            const std::uint64_t offset = std::uint64_t{chunk} * format::kChunkSize;
            job.inputSize = static_cast<std::size_t>(
                std::min<std::uint64_t>(format::kChunkSize, size - offset));
            job.input.resize(format::kChunkSize);
            if (in.readAt(offset, job.input.data(), job.inputSize) != job.inputSize)
                changedWhilePacking(file.path);
            compressor.submit();
        }
    }
    compressor.finish();
}

unsigned compressionThreads(unsigned requested) {
    if (requested != 0)
        return requested;
    return std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
}

} // namespace

void packFolder(const fs::path& sourceDir, const std::string& packDirName, const fs::path& archive,
                bool compress, const Progress& progress) {
    packFolder(sourceDir, packDirName, archive, PackOptions{compress, 0}, progress);
}

void packFolder(const fs::path& sourceDir, const std::string& packDirName, const fs::path& archive,
                const PackOptions& options, const Progress& progress) {
    report(progress, "-- RFA Pack 1.7 --");
    const std::string packDir = storedPackDir(packDirName);
    std::size_t leftovers = 0;
    const std::vector<SourceFile> files = collectFiles(sourceDir, packDir, archive, leftovers);
    report(progress, "Packing " + shownText(pathText(sourceDir)) + " as " + decodeCp1252(packDir) +
                         " into " + shownText(pathText(archive)) +
                         (options.compress ? " (compressed)" : ""));
    if (leftovers > 0)
        report(progress, "Skipped: " + std::to_string(leftovers) +
                             " half-written files of interrupted runs (*.tess-*.tmp)");

    // The archive is written under a temporary name beside it and renamed into place when
    // complete (AtomicFile): a failed pack leaves the old archive whole, and a read-only
    // archive is not replaced.
    ArchiveWriter writer(archive,
                         options.compress ? format::kVersionCompressed : format::kVersionStore);
    if (options.compress)
        packCompressed(writer, files, archive, compressionThreads(options.threads), progress);
    else
        packStored(writer, files, archive, progress);
    writer.finish();
    std::error_code ec;
    report(progress, "Done: " + std::to_string(files.size()) + " files packed, " +
                         std::to_string(fs::file_size(archive, ec)) + " bytes.");
}

} // namespace tess::archive
