#include "core/files.h"

#include "core/error.h"
#include "core/paths.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tess {

#ifdef _WIN32
namespace {

// A file with the read-only attribute. Windows refuses to replace one, but Wine run by root
// would not: asked here, it is refused everywhere.
bool hasReadOnlyAttribute(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// CopyFile to a temporary name beside the target, then renamed over it: the target is
// replaced whole or not at all. The copy is writable although its original may be read-only
// (a map from a read-only medium), so the next run can replace it again.
bool copyWithCopyFile(const fs::path& from, const fs::path& to) {
    static std::atomic<unsigned> counter{0};
    if (hasReadOnlyAttribute(to))
        return false;
    fs::path temp = to;
    temp +=
        ".tess-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
    if (!CopyFileW(from.c_str(), temp.c_str(), TRUE))
        return false;
    const DWORD attributes = GetFileAttributesW(temp.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(temp.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(temp.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

} // namespace
#endif

std::string readFileBytes(const std::string& windowsPath) {
    const fs::path path = resolvePath(windowsPath);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw cannotOpen(windowsPath, systemReason(EISDIR));
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw cannotOpen(windowsPath, systemReason(errno ? errno : ENOENT, windowsPath));
    std::string bytes;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        in.read(bytes.data(), size);
    }
    if (in.bad())
        throw cannotOpen(windowsPath, systemReason(errno ? errno : EIO));
    return bytes;
}

void writeFileAtomically(const std::string& windowsPath, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const fs::path target = resolvePath(windowsPath);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw cannotCreate(windowsPath, systemReason(EISDIR));
#ifndef _WIN32
    // A read-only file stays as it is, as on Windows, although its folder would let us
    // rename over it.
    if (fs::exists(target, ec) && ::access(target.c_str(), W_OK) != 0)
        throw cannotCreate(windowsPath, systemReason(errno));
#else
    if (hasReadOnlyAttribute(target))
        throw cannotCreate(windowsPath, systemReason(EACCES));
#endif
    fs::path temp = target;
    temp += ".tess-" + std::to_string(counter++) + ".tmp";

#ifdef _WIN32
    std::FILE* file = ::_wfopen(temp.c_str(), L"wb");
#else
    std::FILE* file = std::fopen(temp.c_str(), "wb");
#endif
    if (!file)
        throw cannotCreate(windowsPath, systemReason(errno, windowsPath));
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = ok ? 0 : errno;
    if (std::fflush(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
#ifndef _WIN32
    if (ok && ::fsync(::fileno(file)) != 0 && errno != EINVAL) {
        ok = false;
        error = errno;
    }
#endif
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        fs::rename(temp, target, ec);
        if (ec) {
            ok = false;
            error = ec.value();
        }
    }
    if (!ok) {
        fs::remove(temp, ec);
        throw cannotCreate(windowsPath, systemReason(error ? error : EIO, windowsPath));
    }
}

bool fileExists(const std::string& windowsPath) {
    std::error_code ec;
    return fs::exists(resolvePath(windowsPath), ec);
}

bool copyFileReplacing(const std::string& fromWindowsPath, const std::string& toWindowsPath) {
    std::error_code ec;
    const fs::path from = resolvePath(fromWindowsPath);
    if (!fs::is_regular_file(from, ec))
        return false;
#ifdef _WIN32
    return copyWithCopyFile(from, resolvePath(toWindowsPath));
#else
    fs::copy_file(from, resolvePath(toWindowsPath), fs::copy_options::overwrite_existing, ec);
    return !ec;
#endif
}

bool createFolder(const std::string& windowsPath) {
    std::error_code ec;
    return fs::create_directory(resolvePath(windowsPath), ec) && !ec;
}

void changeDirectory(const std::string& windowsPath) {
    std::error_code ec;
    fs::current_path(resolvePath(windowsPath), ec);
    if (ec)
        throw ioError(3); // the path was not found, as Windows reports it
}

bool deleteFile(const std::string& windowsPath) {
    std::error_code ec;
    const fs::path path = resolvePath(windowsPath);
    if (!fs::is_regular_file(fs::symlink_status(path, ec)) && !fs::is_symlink(path))
        return false;
    return fs::remove(path, ec) && !ec;
}

} // namespace tess
