// Reading side of the public interface: listing and unpacking (rfaunpack.exe).
#include "archive/archive.h"

#include "archive/file_io.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/paths.h"

#include <map>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace tess::archive {
namespace {

std::string rightAligned(std::uint32_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 10)
        text.insert(0, 10 - text.size(), ' ');
    return text;
}

// Where each entry goes under the destination. Folders and files that exist in another
// letter case are reused, as on Windows: resolvePath finds each distinct folder once, and
// a file name is matched against that folder's listing, taken once, by the same rule.
class Targets {
public:
    explicit Targets(const fs::path& destination)
        : destination_(destination), base_(pathText(destination) + "/") {}

    fs::path target(const std::string& name) {
        const std::string folderText = folderPart(name);
        Folder& folder = folderFor(folderText);
        const std::string file = folder.match(name.substr(folderText.size()));
        return folder.path / fs::path(std::u8string(file.begin(), file.end()));
    }

private:
    struct Folder {
        fs::path path;
        std::unordered_set<std::string> names;

        std::string match(const std::string& name) {
            if (names.count(name) != 0)
                return name;
            // Of several names in other letter case (possible off Windows) the same one
            // as resolvePath would take: the first in byte order.
            const std::string* found = nullptr;
            for (const std::string& existing : names)
                if (sameNameIgnoringCase(existing, name) && (!found || existing < *found))
                    found = &existing;
            if (found)
                return *found;
            names.insert(name);
            return name;
        }
    };

    Folder& folderFor(const std::string& folderText) {
        const auto known = byText_.find(folderText);
        if (known != byText_.end())
            return *known->second;
        const fs::path path = folderText.empty() ? destination_ : resolvePath(base_ + folderText);
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec)
            throw cannotCreate(pathText(path), ec.message());
        auto& folder = byPath_[path];
        if (!folder) {
            folder = std::make_unique<Folder>();
            folder->path = path;
            for (const auto& item : fs::directory_iterator(path, ec))
                folder->names.insert(pathText(item.path().filename()));
        }
        byText_[folderText] = folder.get();
        return *folder;
    }

    fs::path destination_;
    std::string base_;
    std::unordered_map<std::string, Folder*> byText_;
    std::map<fs::path, std::unique_ptr<Folder>> byPath_;
};

// Writes one entry to its file; a half-written file does not stay behind.
void extractEntry(ArchiveReader& reader, const Entry& entry, const fs::path& target,
                  const fs::path& archive) {
    std::error_code ec;
    // Unpacking into the archive's own folder must not replace the archive while reading it.
    if (sameNameIgnoringCase(pathText(target.filename()), pathText(archive.filename())) &&
        fs::equivalent(target, archive, ec))
        throw Error("Archiv \"" + reader.displayName() + "\": Eintrag \"" + entryNameText(entry) +
                    "\" würde das Archiv selbst überschreiben");
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
    Targets targets(destination);
    for (const Entry& entry : entries) {
        const std::string name = entryNameText(entry);
        report(progress, "  " + name);
        extractEntry(reader, entry, targets.target(name), archive);
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
