// Reading side of the public interface: listing and unpacking (rfaunpack.exe).
#include "archive/archive.h"

#include "archive/file_io.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/paths.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::archive {
namespace {

void report(const Progress& progress, const std::string& line) {
    if (progress)
        progress(line);
}

std::string rightAligned(std::uint32_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 10)
        text.insert(0, 10 - text.size(), ' ');
    return text;
}

// Writes one entry to its file; a half-written file does not stay behind.
void extractEntry(ArchiveReader& reader, const Entry& entry, const fs::path& target,
                  const fs::path& archive) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec)
        throw cannotCreate(pathText(target), ec.message());
    // Unpacking into the archive's own folder must not replace the archive while reading it.
    if (sameNameIgnoringCase(pathText(target.filename()), pathText(archive.filename())) &&
        fs::equivalent(target, archive, ec))
        throw Error("Archiv \"" + reader.displayName() + "\": Eintrag \"" + entryNameText(entry) +
                    "\" w\xc3\xbcrde das Archiv selbst \xc3\xbc"
                    "berschreiben");
    try {
        OutputFile out(target);
        reader.readEntry(
            entry, [&](const unsigned char* data, std::size_t size) { out.write(data, size); });
        out.close(false);
    } catch (...) {
        fs::remove(target, ec);
        throw;
    }
}

} // namespace

std::vector<Entry> listArchive(const fs::path& archive) {
    return ArchiveReader(archive).entries();
}

void unpackArchive(const fs::path& archive, const fs::path& destination, const Progress& progress) {
    report(progress, "-- RFA Unpack 1.7 --");
    ArchiveReader reader(archive);
    const std::vector<Entry>& entries = reader.entries();
    std::error_code ec;
    if (!fs::is_directory(destination, ec))
        throw Error("Zielordner \"" + pathText(destination) + "\" existiert nicht");
    checkExtractable(entries, reader.displayName());

    report(progress,
           "Unpacking " + pathText(archive) + " (" + std::to_string(entries.size()) + " files)");
    const std::string base = pathText(destination) + "/";
    for (const Entry& entry : entries) {
        const std::string name = entryNameText(entry);
        report(progress, "  " + name);
        extractEntry(reader, entry, resolvePath(base + name), archive);
    }
    report(progress, "Done: " + std::to_string(entries.size()) + " files unpacked.");
}

std::string formatListingLine(const Entry& entry) {
    return rightAligned(entry.storedSize) + " " + rightAligned(entry.size) + " " +
           entryNameText(entry);
}

std::vector<std::string> formatListing(const std::vector<Entry>& entries) {
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const Entry& entry : entries)
        lines.push_back(formatListingLine(entry));
    return lines;
}

} // namespace tess::archive
