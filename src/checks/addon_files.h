// The files of an addon wherever they lie: in the addon folder, or inside an archive under the
// level's path (never unpacked for the check). Paths are relative to the addon, "/" between
// their parts; they are looked up without regard to letter case, as the game does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tess::archive {
class ArchiveReader;
}

namespace tess::checks {

struct AddonFile {
    std::string path; // relative, "/" separated, UTF-8, as found
    std::uint64_t size = 0;
};

class AddonFiles {
public:
    virtual ~AddonFiles() = default;

    const std::vector<AddonFile>& files() const { return files_; }
    // The file at that relative path ("/" or "\" separate), letter case aside; null when the
    // addon has none.
    const AddonFile* find(std::string_view path) const;
    // The files under a folder ("Pathfinding"), letter case aside.
    std::vector<const AddonFile*> under(std::string_view folder) const;

    // The file's bytes. Throws tess::Error when it cannot be read.
    virtual std::string read(const AddonFile& file) const = 0;
    // The file as messages name it.
    virtual std::string shownPath(const AddonFile& file) const = 0;

protected:
    std::vector<AddonFile> files_;

private:
    // The files by their path with letter case folded, made at the first look-up, so that
    // looking up every file of a large archive costs no more than listing it.
    mutable std::unordered_map<std::string, std::size_t> index_;
};

// The files under a folder (a folder text). A folder that cannot be listed gives no files.
std::unique_ptr<AddonFiles> folderFiles(const std::string& folder);

// The entries of an open archive under `levelPath` ("bf1942/levels/Kursk", letter case aside).
// The reader must outlive the files.
std::unique_ptr<AddonFiles> archiveFiles(archive::ArchiveReader& reader,
                                         const std::string& levelPath);

// The largest file the check reads: larger than any script or pathmap of a level.
inline constexpr std::uint64_t kLargestCheckedFile = 64ull * 1024 * 1024;

} // namespace tess::checks
