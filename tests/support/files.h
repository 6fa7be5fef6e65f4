// Temporary folders and the files in them: a fresh folder per test, writing and reading
// bytes, copies of the test data, paths and folder texts as the system makes them, and the
// text of an error.
#pragma once

#include "core/error.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tess::test {

// A path from a UTF-8 text. (A plain narrow string would be read in the ANSI code page on
// Windows, and every umlaut would name another file.)
inline std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// A fresh folder under the system's temporary folder, removed again at the end of a test.
class TempDir {
public:
    TempDir() {
        // Creating a folder fails when the name is taken, so a new name is never shared.
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            const auto candidate = base / ("tess-test-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec))
                path_ = std::filesystem::canonical(candidate);
            else if (attempt == 100)
                throw std::runtime_error("no temporary folder under " + base.string());
        }
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (fs::remove_all(path_, ec) != static_cast<std::uintmax_t>(-1) && !ec)
            return;
        // Windows deletes no read-only file: make everything writable and try again.
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path below the folder; name is UTF-8.
    std::filesystem::path operator/(const std::string& name) const {
        return path_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
    }
    // The folder as a folder text, with its trailing separator (the system's own: "\\" on
    // Windows).
    std::string text() const {
        const auto text = path_.u8string();
#ifdef _WIN32
        return std::string(text.begin(), text.end()) + "\\";
#else
        return std::string(text.begin(), text.end()) + "/";
#endif
    }

private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The separators of a path given with "/" made the system's own ("\\" on Windows), as the
// window shows paths and the file dialogs give them.
inline std::string nativePath(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

// The text of the tess::Error that an action throws, or "(no error)".
template <typename Action> std::string errorMessage(Action&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

inline std::string testdata(const std::string& relative) {
    return std::string(TESS_TESTDATA_DIR) + "/" + relative;
}

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

// Every file under a folder: its path relative to root ("/" separated, UTF-8) to its bytes.
inline std::map<std::string, std::string> filesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        if (item.is_regular_file()) {
            const auto relative = item.path().lexically_relative(root).generic_u8string();
            files[std::string(relative.begin(), relative.end())] = readBytes(item.path());
        }
    return files;
}

// Whether the file system tells names apart that differ in letter case only (Windows does
// not: there "car.raw" is "Car.raw").
#ifdef _WIN32
inline constexpr bool kCaseSensitiveNames = false;
#else
inline constexpr bool kCaseSensitiveNames = true;
#endif

// A folder text as the system makes it of a path given with "/": the native separators, and
// one at the end.
inline std::string nativeFolderText(const std::string& path) {
#ifdef _WIN32
    return nativePath(path) + "\\";
#else
    return path + "/";
#endif
}

// Every name under a folder that looks like one of our temporary files.
inline std::vector<std::string> temporaryFilesUnder(const std::filesystem::path& root) {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        if (item.path().filename().string().find(".tess-") != std::string::npos)
            found.push_back(item.path().string());
    return found;
}

} // namespace tess::test
