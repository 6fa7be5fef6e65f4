#include "checks/addon_files.h"

#include "archive/reader.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace tess::checks {
namespace {

std::string slashed(std::string_view path) {
    std::string text(path);
    std::replace(text.begin(), text.end(), '\\', '/');
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

void refuseLarge(const AddonFile& file, const std::string& shown) {
    if (file.size > kLargestCheckedFile)
        throw Error("Die Datei " + shown + " ist mit " + std::to_string(file.size) +
                    " Bytes zu groß für eine Datei eines Addons");
}

class FolderFiles : public AddonFiles {
public:
    explicit FolderFiles(const std::string& folder) : root_(resolvePath(folder)) {
        std::error_code error;
        // Links to folders are not followed: the addon is what lies in its folder.
        auto it = fs::recursive_directory_iterator(
            root_, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            std::error_code ec;
            if (!it->is_regular_file(ec))
                continue;
            const std::u8string relative = it->path().lexically_relative(root_).generic_u8string();
            files_.push_back({std::string(relative.begin(), relative.end()), it->file_size(ec)});
        }
        std::sort(files_.begin(), files_.end(),
                  [](const AddonFile& a, const AddonFile& b) { return a.path < b.path; });
    }

    std::string read(const AddonFile& file) const override {
        const std::string shown = shownPath(file);
        refuseLarge(file, shown);
        return readFileBytes(
            pathText(root_ / fs::path(std::u8string(file.path.begin(), file.path.end()))));
    }

    std::string shownPath(const AddonFile& file) const override {
        return pathText(root_ / fs::path(std::u8string(file.path.begin(), file.path.end())));
    }

private:
    fs::path root_;
};

class ArchiveFiles : public AddonFiles {
public:
    ArchiveFiles(archive::ArchiveReader& reader, const std::string& levelPath) : reader_(reader) {
        const std::string prefix = caseFoldedKey(slashed(levelPath) + "/");
        for (std::size_t i = 0; i < reader.entries().size(); ++i) {
            const std::string name = archive::entryNameText(reader.entries()[i]);
            if (name.size() <= prefix.size() ||
                caseFoldedKey(name.substr(0, prefix.size())) != prefix)
                continue;
            files_.push_back({name.substr(prefix.size()), reader.entries()[i].size});
            entries_.push_back(i);
        }
    }

    std::string read(const AddonFile& file) const override {
        const std::string shown = shownPath(file);
        refuseLarge(file, shown);
        const auto index = static_cast<std::size_t>(&file - files_.data());
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(file.size));
        reader_.readEntry(reader_.entries()[entries_.at(index)],
                          [&bytes](const unsigned char* data, std::size_t size) {
                              bytes.append(reinterpret_cast<const char*>(data), size);
                          });
        return bytes;
    }

    std::string shownPath(const AddonFile& file) const override {
        const auto index = static_cast<std::size_t>(&file - files_.data());
        return reader_.displayName() + ": " +
               archive::entryNameShown(reader_.entries()[entries_.at(index)]);
    }

private:
    archive::ArchiveReader& reader_;
    std::vector<std::size_t> entries_; // the entry of each file
};

} // namespace

const AddonFile* AddonFiles::find(std::string_view path) const {
    if (index_.empty())
        for (std::size_t i = files_.size(); i-- > 0;)
            index_[caseFoldedKey(files_[i].path)] = i; // the first of equal keys wins
    const auto found = index_.find(caseFoldedKey(slashed(path)));
    return found == index_.end() ? nullptr : &files_[found->second];
}

std::vector<const AddonFile*> AddonFiles::under(std::string_view folder) const {
    const std::string prefix = caseFoldedKey(slashed(folder) + "/");
    std::vector<const AddonFile*> found;
    for (const AddonFile& file : files_)
        if (file.path.size() > prefix.size() &&
            caseFoldedKey(file.path.substr(0, prefix.size())) == prefix)
            found.push_back(&file);
    return found;
}

std::unique_ptr<AddonFiles> folderFiles(const std::string& folder) {
    return std::make_unique<FolderFiles>(folder);
}

std::unique_ptr<AddonFiles> archiveFiles(archive::ArchiveReader& reader,
                                         const std::string& levelPath) {
    return std::make_unique<ArchiveFiles>(reader, levelPath);
}

} // namespace tess::checks
