// Helpers of the script tests: a program folder laid out as an installation, and level copies.
#pragma once

#include "test_support.h"

#include "platform/program_folder.h"

#include <filesystem>
#include <map>
#include <string>

namespace tess::test {

// Copies a folder tree; the copy is writable although the test data is read-only.
inline void copyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
    namespace fs = std::filesystem;
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / entry.path().lexically_relative(from);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
            fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
        }
    }
}

// A temporary installation: temp/con files/ with the three behaviour templates and
// bf1942/levels/, made the program folder for the test. Restores the current folder (Start
// changes it) and the program folder at the end.
class ProgramFolder {
public:
    ProgramFolder() : previous_(std::filesystem::current_path()) {
        const auto templates = std::filesystem::path(TESS_SOURCE_DIR) / "src/resources/con files";
        for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
            writeBytes(dir_.path() / "temp/con files" / name, readBytes(templates / name));
        std::filesystem::create_directories(dir_.path() / "bf1942/levels");
        setProgramFolderOverride(dir_.text());
    }
    ~ProgramFolder() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        setProgramFolderOverride("");
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    std::string text() const { return dir_.text(); }
    std::filesystem::path addon(const std::string& mapName) const {
        return dir_.path() / "bf1942/levels" / (mapName + "_001");
    }

private:
    std::filesystem::path previous_;
    TempDir dir_;
};

// Every file under a folder: relative path ("/" separated, as on disk) to its bytes.
inline std::map<std::string, std::string> filesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(root).generic_string()] = readBytes(entry.path());
    return files;
}

} // namespace tess::test
