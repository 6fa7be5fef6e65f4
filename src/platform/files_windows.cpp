// Windows' half of core's file operations (core/files.h, core/system.h): a folder is reached
// by its path, and a copy is CopyFile's.
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/system.h"
#include "core/windows_api.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

namespace fs = std::filesystem;

namespace tess {
namespace {

bool isReadOnly(const fs::file_status& status) {
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// CopyFile, as Windows copies, to a temporary name beside the target, which is then renamed
// over it: the target is replaced whole or not at all. The copy of a read-only original (a
// map from a read-only medium) is writable, so that the next run can replace it again.
void copyWithCopyFile(const fs::path& from, const fs::path& to) {
    FileCloser in{openRegularFile(from, pathText(from))};
    const std::string shown = pathText(to);
    const Folder folder = openWriteFolder(to, shown);
    const std::string name = pathText(to.filename());
    const std::string refusal = whyNotReplaceable(folder.inspect(name));
    if (!refusal.empty())
        throw cannotCreate(shown, refusal);
    const fs::path temp = folder.path() / pathFromUtf8(temporaryName(name));
    if (!::CopyFileW(from.c_str(), temp.c_str(), TRUE))
        throw cannotCreate(shown, systemReason(errnoOfWindowsError(::GetLastError())));
    const DWORD attributes = ::GetFileAttributesW(temp.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(temp.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!::MoveFileExW(temp.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        throw cannotCreate(shown, systemReason(errnoOfWindowsError(error)));
    }
}

} // namespace

int errnoOfWindowsError(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return ENOENT;
    case ERROR_PATH_NOT_FOUND:
        return ENOTDIR;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    default:
        return EIO;
    }
}

int processId() {
    return ::_getpid();
}

// Whether a process of that number runs now (one that cannot be asked counts as running).
bool processRuns(long long process) {
    const HANDLE handle =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle)
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = !::GetExitCodeProcess(handle, &code) || code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return runs;
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    const HANDLE handle =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!ok)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::FILE* openRegularFile(const fs::path& path, const std::string& shownName, std::uint64_t* size,
                           FileIdentity* identity) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status))
        throw cannotOpen(shownName, systemReason(EISDIR));
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw cannotOpen(shownName, notARegularFileReason());
    errno = 0;
    std::FILE* file = ::_wfopen(path.c_str(), L"rb");
    if (!file)
        throw cannotOpen(shownName, systemReason(errnoOr(ENOENT), pathText(path)));
    if (size)
        *size = fs::file_size(path, ec);
    if (identity)
        *identity = identityOf(path).value_or(FileIdentity{});
    return file;
}

std::int64_t lastWriteTime(const fs::path& path) {
    // To the 100 ns that Windows keeps (the run-time's last_write_time gives whole seconds,
    // and two packs within one second would look alike).
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

int seekOpenFile(std::FILE* file, std::uint64_t offset) {
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET);
}

void copyFileAtomically(const fs::path& from, const fs::path& to) {
    copyWithCopyFile(from, to);
}

void copyFileFromFolder(const Folder& from, const std::string& name, const std::string& shownName,
                        const fs::path& to) {
    const Folder::Item item = from.inspect(name);
    if (item.kind == Folder::Kind::missing)
        throw cannotOpen(shownName, systemReason(ENOENT));
    if (item.kind == Folder::Kind::link)
        throw cannotOpen(shownName, linkNotFollowedReason());
    if (item.kind != Folder::Kind::file)
        throw cannotOpen(shownName, notARegularFileReason());
    copyWithCopyFile(from.path() / pathFromUtf8(name), to);
}

// ---- Folder ----------------------------------------------------------------------------

Folder::Folder(const fs::path& path) : path_(path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::is_directory(status))
        throw folderError(path, systemReason(fs::exists(status) ? ENOTDIR : ENOENT));
}

Folder::Item Folder::inspect(const std::string& name) const {
    Item item;
    std::error_code ec;
    const fs::path path = path_ / pathFromUtf8(name);
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status))
        return item;
    if (fs::is_symlink(status))
        item.kind = Kind::link;
    else if (fs::is_directory(status))
        item.kind = Kind::folder;
    else if (fs::is_regular_file(status))
        item.kind = Kind::file;
    else
        item.kind = Kind::other;
    item.identity = identityOf(path).value_or(FileIdentity{});
    item.readOnly = item.kind == Kind::file && isReadOnly(status);
    return item;
}

std::vector<std::string> Folder::names() const {
    std::vector<std::string> result;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path_, ec))
        result.push_back(pathText(entry.path().filename()));
    return result;
}

Folder Folder::subfolder(const std::string& name, bool create) const {
    const fs::path path = path_ / pathFromUtf8(name);
    Folder folder;
    folder.path_ = path;
    std::error_code ec;
    if (create)
        fs::create_directory(path, ec);
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status))
        throw folderError(path, systemReason(ENOENT));
    if (fs::is_symlink(status) || !fs::is_directory(status))
        throw notAFolder(path);
    return folder;
}

std::optional<FileIdentity> folderIdentity(const Folder& folder) {
    return identityOf(folder.path());
}

void removeFromFolder(const Folder& folder, const std::string& name) {
    std::error_code ec;
    fs::remove(folder.path() / pathFromUtf8(name), ec);
}

// ---- Writing ---------------------------------------------------------------------------

int openUnnamedFile(const Folder&) {
    return -1;
}

int createExclusiveFile(const Folder& folder, const std::string& name) {
    return ::_wopen((folder.path() / pathFromUtf8(name)).c_str(),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

void givePermissions(int, unsigned) {}

long long writeToFile(int descriptor, const char* data, std::size_t size) {
    const int chunk = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
    return ::_write(descriptor, data, static_cast<unsigned>(chunk));
}

bool seekFile(int descriptor, std::uint64_t offset) {
    return ::_lseeki64(descriptor, static_cast<long long>(offset), SEEK_SET) >= 0;
}

bool syncFile(int) {
    return true;
}

int closeFile(int descriptor) {
    return ::_close(descriptor);
}

bool nameUnnamedFile(int, const Folder&, const std::string&) {
    errno = ENOSYS;
    return false;
}

bool swapIntoPlace(const Folder&, const std::string&, const std::string&) {
    return false;
}

bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(folder.path() / pathFromUtf8(from), folder.path() / pathFromUtf8(to), ec);
    if (ec)
        errno = ec.value();
    return !ec;
}

// The name of an existing file or folder as it is spelt on disk; nothing when there is none
// (or the name holds a wildcard, which no Windows name does).
std::optional<fs::path> nameOnDisk(const fs::path& path) {
    const std::wstring name = path.filename().wstring();
    if (name.find_first_of(L"*?") != std::wstring::npos)
        return std::nullopt;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(search);
    return fs::path(found.cFileName);
}

int windowsErrorNumber(int errorNumber) {
    return errorNumber;
}

} // namespace tess
