// Reading side of the public interface: listing and unpacking (rfaunpack.exe).
#include "archive/archive.h"

#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace fs = std::filesystem;

namespace tess::archive {
namespace {

// Folders held open at once while unpacking; beyond this many they are closed and opened
// again when needed.
constexpr std::size_t kMaxOpenFolders = 64;

std::string rightAligned(std::uint32_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 10)
        text.insert(0, 10 - text.size(), ' ');
    return text;
}

// 429496729600 -> "429.496.729.600"
std::string groupedNumber(std::uint64_t value) {
    std::string text = std::to_string(value);
    for (std::size_t i = text.size(); i > 3; i -= 3)
        text.insert(i - 3, ".");
    return text;
}

fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

// The components of an entry's name; either separator separates, empty ones are left out.
std::vector<std::string> componentsOf(const std::string& name) {
    std::vector<std::string> parts;
    std::string current;
    for (const char c : name) {
        if (c == '/' || c == '\\') {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

// A folder under the destination as the unpacking sees it: a real folder on disk (never a
// link), or one that an entry will create.
struct TargetFolder {
    TargetFolder* parent = nullptr;
    std::string name; // on disk, or as the first entry naming it spells it
    fs::path path;    // for messages
    bool exists = false;
    bool listed = false;
    // The names in the folder by their case-folded key: those on disk and those planned.
    std::unordered_map<std::string, std::vector<std::string>> names;
    std::unordered_map<std::string, std::unique_ptr<TargetFolder>> subfolders;
    std::optional<Folder> handle;
};

struct Target {
    TargetFolder* folder = nullptr;
    std::string name;
    Folder::Item existing; // what lies at the name now
};

// Where each entry goes. Every entry is placed before the first file is written, so that a
// link, a file where a folder belongs or a file that must not be replaced refuses the whole
// archive; writing then opens each folder again without following links, so nothing planted
// in between is passed through either. Names are matched through a map keyed by the
// case-folded name, so a folder of many entries costs no more per entry than a small one.
class Targets {
public:
    Targets(const fs::path& destination, std::optional<FileIdentity> archive,
            std::string archiveText)
        : archive_(archive), archiveText_(std::move(archiveText)) {
        root_.path = destination;
        root_.exists = true;
        root_.handle.emplace(destination);
    }

    Target place(const Entry& entry) {
        const std::vector<std::string> parts = componentsOf(entryNameText(entry));
        TargetFolder* folder = &root_;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            folder = &subfolder(*folder, parts[i], entry);
        const std::string name = chosenName(*folder, parts.back());
        Folder::Item item;
        if (folder->exists) {
            item = handleOf(*folder, false).inspect(name);
            const fs::path path = folder->path / fromUtf8(name);
            if (item.kind == Folder::Kind::folder)
                refuse(entry, "kann nicht entpackt werden, " + quoted(path) + " ist ein Ordner");
            if (item.kind == Folder::Kind::file && archive_ && item.identity == *archive_)
                refuse(entry, "würde das Archiv selbst überschreiben (" + quoted(path) + ")");
            if (item.readOnly)
                refuse(entry, "würde die schreibgeschützte Datei " + quoted(path) + " ersetzen");
            // Whatever else a save would refuse (a pipe, a device) refuses the whole archive
            // as well, before the first file is written.
            if (!whyNotReplaceable(item).empty())
                refuse(entry, "kann nicht entpackt werden, " + quoted(path) +
                                  " ist keine gewöhnliche Datei (sondern ein Gerät, eine Pipe "
                                  "oder ein Socket)");
        }
        return {folder, name, item};
    }

    // The folder opened for writing, created when it is missing; never through a link.
    Folder& handleOf(TargetFolder& target, bool create) {
        if (target.handle)
            return *target.handle;
        std::vector<TargetFolder*> chain;
        for (TargetFolder* f = &target; !f->handle; f = f->parent)
            chain.push_back(f);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            TargetFolder& folder = **it;
            if (open_.size() >= kMaxOpenFolders)
                closeFoldersBut(folder.parent);
            folder.handle.emplace(
                folder.parent->handle->subfolder(folder.name, create && !folder.exists));
            folder.exists = true;
            open_.push_back(&folder);
        }
        return *target.handle;
    }

private:
    [[noreturn]] void refuse(const Entry& entry, const std::string& what) const {
        throw Error("Archiv \"" + archiveText_ + "\": Eintrag \"" + entryNameShown(entry) + "\" " +
                    what + "; es wurde nichts entpackt");
    }

    static std::string quoted(const fs::path& path) {
        return "\"" + shownText(pathText(path)) + "\"";
    }

    TargetFolder& subfolder(TargetFolder& folder, const std::string& component,
                            const Entry& entry) {
        const std::string key = caseFoldedKey(component);
        const auto known = folder.subfolders.find(key);
        if (known != folder.subfolders.end())
            return *known->second;
        auto child = std::make_unique<TargetFolder>();
        child->parent = &folder;
        child->name = chosenName(folder, component);
        child->path = folder.path / fromUtf8(child->name);
        if (folder.exists) {
            switch (handleOf(folder, false).inspect(child->name).kind) {
            case Folder::Kind::missing:
                break;
            case Folder::Kind::folder:
                child->exists = true;
                break;
            case Folder::Kind::link:
                refuse(entry, "führt durch die Verknüpfung " + quoted(child->path) +
                                  ", durch die nicht geschrieben wird");
            default:
                refuse(entry, "braucht " + quoted(child->path) +
                                  " als Ordner, dort liegt aber eine Datei");
            }
        }
        return *folder.subfolders.emplace(key, std::move(child)).first->second;
    }

    // The name in the folder that `component` means: the existing one in any letter case
    // (itself when it exists as written, else the first in byte order, as path resolution
    // takes it), or the component itself, which later entries then meet.
    std::string chosenName(TargetFolder& folder, const std::string& component) {
        if (folder.exists && !folder.listed) {
            for (std::string& name : handleOf(folder, false).names())
                folder.names[caseFoldedKey(name)].push_back(std::move(name));
            folder.listed = true;
        }
        std::vector<std::string>& names = folder.names[caseFoldedKey(component)];
        if (names.empty()) {
            names.push_back(component);
            return component;
        }
        if (std::find(names.begin(), names.end(), component) != names.end())
            return component;
        return *std::min_element(names.begin(), names.end());
    }

    void closeFoldersBut(TargetFolder* keep) {
        for (TargetFolder* folder : open_)
            if (folder != keep)
                folder->handle.reset();
        open_.clear();
        if (keep && keep->handle && keep != &root_)
            open_.push_back(keep);
    }

    TargetFolder root_;
    std::vector<TargetFolder*> open_;
    std::optional<FileIdentity> archive_;
    std::string archiveText_;
};

void checkFreeSpace(const std::vector<const Entry*>& entries, const fs::path& destination,
                    const std::string& archiveText) {
    std::uint64_t total = 0;
    for (const Entry* entry : entries)
        total += entry->size;
    std::error_code ec;
    const fs::space_info space = fs::space(destination, ec);
    if (!ec && total > space.available)
        throw Error("Archiv \"" + archiveText + "\" würde " + groupedNumber(total) +
                    " Bytes entpacken, im Zielordner \"" + shownText(pathText(destination)) +
                    "\" sind aber nur " + groupedNumber(space.available) +
                    " Bytes frei; es wurde nichts entpackt");
}

void prepareDestination(const fs::path& destination, bool create) {
    std::error_code ec;
    if (create) {
        fs::create_directories(destination, ec);
        if (ec)
            throw Error("Zielordner \"" + shownText(pathText(destination)) +
                        "\" kann nicht angelegt werden. " + systemReason(ec.value()));
    }
    if (!fs::is_directory(destination, ec))
        throw Error("Zielordner \"" + shownText(pathText(destination)) + "\" existiert nicht");
}

} // namespace

std::vector<Entry> listArchive(const fs::path& archive) {
    return ArchiveReader(archive).entries();
}

void unpackArchive(const fs::path& archive, const fs::path& destination, const Progress& progress,
                   const UnpackOptions& options) {
    report(progress, "-- RFA Unpack 1.7 --");
    ArchiveReader reader(archive);
    const std::vector<Entry>& entries = reader.entries();
    checkExtractable(entries, reader.displayName());

    std::vector<const Entry*> selected;
    selected.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (options.onlyLevels && !isUnderLevelsFolder(entry.name))
            report(progress,
                   "  Übersprungen, liegt nicht unter bf1942/levels/: " + entryNameShown(entry));
        else
            selected.push_back(&entry);
    }
    const std::size_t skipped = entries.size() - selected.size();

    prepareDestination(destination, options.createDestination);
    checkFreeSpace(selected, destination, reader.displayName());
    Targets targets(destination, reader.identity(), reader.displayName());
    std::vector<Target> placed;
    placed.reserve(selected.size());
    for (const Entry* entry : selected)
        placed.push_back(targets.place(*entry));

    report(progress, "Unpacking " + reader.displayName() + " (" + std::to_string(selected.size()) +
                         " files)");
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const Entry& entry = *selected[i];
        const Target& target = placed[i];
        report(progress, "  " + entryNameShown(entry));
        Folder& folder = targets.handleOf(*target.folder, true);
        AtomicFile out(folder, target.name,
                       shownText(pathText(target.folder->path / fromUtf8(target.name))),
                       AtomicFile::Options{.keepPermissions = false, .target = &target.existing});
        reader.readEntry(
            entry, [&](const unsigned char* data, std::size_t size) { out.write(data, size); });
        out.commit(false);
    }
    report(progress, "Done: " + std::to_string(selected.size()) + " files unpacked" +
                         (skipped > 0 ? ", " + std::to_string(skipped) + " skipped." : "."));
}

std::string formatListingLine(const Entry& entry) {
    return rightAligned(entry.storedSize) + " " + rightAligned(entry.size) + " " +
           entryNameShown(entry);
}

std::vector<std::string> formatListing(const std::vector<Entry>& entries) {
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const Entry& entry : entries)
        lines.push_back(formatListingLine(entry));
    return lines;
}

} // namespace tess::archive
