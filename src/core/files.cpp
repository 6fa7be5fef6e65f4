#include "core/files.h"

#include "core/error.h"
#include "core/paths.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tess {
namespace {

// Longest file name the file systems we meet allow, in bytes (NTFS counts UTF-16 units, ext4
// bytes; a name of this many bytes fits both).
constexpr std::size_t kMaxNameBytes = 255;

fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

std::uint64_t mixed(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t processSeed() {
    try {
        std::random_device random;
        return (std::uint64_t{random()} << 32) ^ random();
    } catch (...) {
        return static_cast<std::uint64_t>(
            fs::file_time_type::clock::now().time_since_epoch().count());
    }
}

#ifdef _WIN32
int processId() {
    return ::_getpid();
}
#else
// Asked once per process, and again in a forked child.
std::atomic<int> cachedProcessId{0};

int processId() {
    static const bool registered = [] {
        ::pthread_atfork(nullptr, nullptr, [] { cachedProcessId = 0; });
        return true;
    }();
    (void)registered;
    int pid = cachedProcessId;
    if (pid == 0) {
        pid = static_cast<int>(::getpid());
        cachedProcessId = pid;
    }
    return pid;
}
#endif

// A name beside `name` that no other process picks: the process id and a random part. A
// process that forks keeps its random sequence, but not its process id.
std::string temporaryName(const std::string& name) {
    static const std::uint64_t seed = processSeed();
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t random = mixed(seed ^ mixed(counter.fetch_add(1) + 1));
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(random));
    const std::string suffix = ".tess-" + std::to_string(processId()) + "-" + hex + ".tmp";
    if (name.size() + suffix.size() > kMaxNameBytes)
        return suffix;
    return name + suffix;
}

Error folderError(const fs::path& path, const std::string& reason) {
    return Error("Der Ordner \"" + shownText(pathText(path)) + "\" kann nicht geöffnet werden. " +
                 reason);
}

Error notAFolder(const fs::path& path) {
    return Error("\"" + shownText(pathText(path)) +
                 "\" ist kein Ordner, sondern eine Verknüpfung oder Datei; dort hindurch wird "
                 "nichts geschrieben");
}

#ifdef _WIN32
bool isReadOnly(const fs::file_status& status) {
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}
#else
// Windows keeps a file with the read-only attribute as it is, although its folder would let
// us replace it; here a file without any write permission is such a file, for every user
// (the superuser, whom permissions do not stop, included).
bool isReadOnly(const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}
#endif

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file)
            std::fclose(file);
    }
};

struct GuardedFolder {
    std::mutex mutex;
    fs::path folder;
};

GuardedFolder& guardedFolder() {
    static GuardedFolder guarded;
    return guarded;
}

// An absolute, lexically normal path without a trailing separator.
fs::path normalFolder(const fs::path& path) {
    std::error_code ec;
    fs::path normal = fs::absolute(path, ec).lexically_normal();
    if (ec)
        normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

// The components of `folder` below `root` (both normal), or nothing when it does not lie at
// or below root.
std::optional<std::vector<fs::path>> componentsBelow(const fs::path& root, const fs::path& folder) {
    auto r = root.begin();
    auto f = folder.begin();
    for (; r != root.end(); ++r, ++f)
        if (f == folder.end() || *r != *f)
            return std::nullopt;
    std::vector<fs::path> below;
    for (; f != folder.end(); ++f)
        if (!f->empty() && *f != ".")
            below.push_back(*f);
    return below;
}

} // namespace

void setGuardedFolder(const std::string& windowsFolder) {
    GuardedFolder& guarded = guardedFolder();
    const fs::path folder =
        windowsFolder.empty() ? fs::path() : normalFolder(resolvePath(windowsFolder));
    const std::lock_guard<std::mutex> lock(guarded.mutex);
    guarded.folder = folder;
}

Folder openFolderBelow(const fs::path& root, const fs::path& folder) {
    const fs::path base = normalFolder(root);
    const auto below = componentsBelow(base, normalFolder(folder));
    if (!below)
        return Folder(folder);
    Folder current(base);
    for (const fs::path& name : *below)
        current = current.subfolder(pathText(name), false);
    return current;
}

namespace {

// The folder is the guarded folder or lies below it.
bool liesAtOrBelowGuardedFolder(const fs::path& folder) {
    fs::path guarded;
    {
        GuardedFolder& state = guardedFolder();
        const std::lock_guard<std::mutex> lock(state.mutex);
        guarded = state.folder;
    }
    return !guarded.empty() && componentsBelow(guarded, normalFolder(folder)).has_value();
}

} // namespace

bool liesBelowGuardedFolder(const std::string& windowsPath) {
    return liesAtOrBelowGuardedFolder(resolvePath(windowsPath));
}

namespace {

// The folder a file is written into: walked down to from the guarded folder when it lies
// below it, else opened as named. Throws "Datei "%s" kann nicht erstellt werden. %s".
Folder openWriteFolder(const fs::path& parent, const std::string& shownName) {
    fs::path guarded;
    {
        GuardedFolder& state = guardedFolder();
        const std::lock_guard<std::mutex> lock(state.mutex);
        guarded = state.folder;
    }
    if (!guarded.empty() && componentsBelow(guarded, normalFolder(parent))) {
        try {
            return openFolderBelow(guarded, parent);
        } catch (const Error& e) {
            throw cannotCreate(shownName, withFullStop(e.what()));
        }
    }
    try {
        return Folder(parent);
    } catch (const Error&) {
        throw cannotCreate(shownName, systemReason(EACCES));
    }
}

} // namespace

std::string notARegularFileReason() {
    return "Sie ist keine gewöhnliche Datei (sondern ein Gerät, eine Pipe oder ein Socket).";
}

std::string whyNotReplaceable(const Folder::Item& existing) {
    switch (existing.kind) {
    case Folder::Kind::folder:
        return systemReason(EISDIR);
    case Folder::Kind::other:
        return notARegularFileReason() + " Ersetzt wird nur eine gewöhnliche Datei.";
    case Folder::Kind::file:
        return existing.readOnly ? systemReason(EACCES) : std::string();
    case Folder::Kind::missing:
    case Folder::Kind::link:
        break;
    }
    return {};
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
#ifdef _WIN32
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
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
#endif
}

std::FILE* openRegularFile(const fs::path& path, const std::string& shownName, std::uint64_t* size,
                           FileIdentity* identity) {
#ifdef _WIN32
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
#else
    // Without waiting: a pipe opens at once and is then refused like any other non-file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw cannotOpen(shownName, systemReason(errnoOr(ENOENT), pathText(path)));
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errnoOr(EIO);
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error = -1;
    if (error != 0) {
        ::close(fd);
        throw cannotOpen(shownName, error > 0 ? systemReason(error) : notARegularFileReason());
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        error = errnoOr(ENOMEM);
        ::close(fd);
        throw cannotOpen(shownName, systemReason(error));
    }
    if (size)
        *size = static_cast<std::uint64_t>(info.st_size);
    if (identity)
        *identity = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
    return file;
#endif
}

std::string readFileBytes(const std::string& windowsPath) {
    std::uint64_t size = 0;
    FileCloser in{openRegularFile(resolvePath(windowsPath), windowsPath, &size)};
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = size > 0 ? std::fread(bytes.data(), 1, bytes.size(), in.file) : 0;
    bytes.resize(got);
    if (got == size) {
        // A file that grew since it was measured is read to its end.
        char more[65536];
        std::size_t n = 0;
        while ((n = std::fread(more, 1, sizeof more, in.file)) > 0)
            bytes.append(more, n);
    }
    if (std::ferror(in.file))
        throw cannotOpen(windowsPath, systemReason(errnoOr(EIO)));
    return bytes;
}

void writeFileAtomically(const std::string& windowsPath, std::string_view bytes) {
    AtomicFile file(resolvePath(windowsPath), windowsPath);
    file.write(bytes.data(), bytes.size());
    file.commit(true);
}

bool fileExists(const std::string& windowsPath) {
    std::error_code ec;
    return fs::exists(resolvePath(windowsPath), ec);
}

std::string missingReason(const std::string& windowsPath) {
    std::error_code ec;
    (void)fs::status(resolvePath(windowsPath), ec);
    if (ec == std::errc::too_many_symbolic_link_levels)
        return systemReason(ELOOP);
    return systemReason(ENOENT, windowsPath);
}

#ifdef _WIN32
namespace {

// The errno that stands for a Windows error of a copy (systemReason words it as Windows does).
int errnoOfWindowsError(DWORD error) {
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

// CopyFile, as Windows copies, to a temporary name beside the target, which is then renamed
// over it: the target is replaced whole or not at all. The copy of a read-only original (a
// map from a read-only medium) is writable, so that the next run can replace it again.
void copyWithCopyFile(const fs::path& from, const fs::path& to) {
    FileCloser in{openRegularFile(from, pathText(from))};
    const std::string shown = pathText(to);
    const std::string name = pathText(to.filename());
    if (name.empty() || name == "." || name == "..")
        throw cannotCreate(shown, systemReason(EISDIR));
    const Folder folder =
        openWriteFolder(to.parent_path().empty() ? fs::path(".") : to.parent_path(), shown);
    const std::string refusal = whyNotReplaceable(folder.inspect(name));
    if (!refusal.empty())
        throw cannotCreate(shown, refusal);
    const fs::path temp = folder.path() / fromUtf8(temporaryName(name));
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
#endif

#ifndef _WIN32
namespace {

// Copies what is left of an open file to `to`, replacing it atomically.
void copyOpenFile(std::FILE* in, const std::string& fromShown, const fs::path& to) {
    AtomicFile out(to, pathText(to));
    std::vector<char> buffer(1u << 17);
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        out.write(buffer.data(), got);
        if (got < buffer.size()) {
            if (std::ferror(in))
                throw cannotOpen(fromShown, systemReason(errnoOr(EIO)));
            break;
        }
    }
    out.commit(true);
}

} // namespace
#endif

void copyFileAtomically(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    copyWithCopyFile(from, to);
#else
    FileCloser in{openRegularFile(from, pathText(from))};
    copyOpenFile(in.file, pathText(from), to);
#endif
}

void copyFileFromFolder(const Folder& from, const std::string& name, const std::string& shownName,
                        const fs::path& to) {
    const std::string linkReason =
        "Sie ist eine Verknüpfung; Verknüpfungen werden hier nicht verfolgt.";
#ifdef _WIN32
    const Folder::Item item = from.inspect(name);
    if (item.kind == Folder::Kind::missing)
        throw cannotOpen(shownName, systemReason(ENOENT));
    if (item.kind == Folder::Kind::link)
        throw cannotOpen(shownName, linkReason);
    if (item.kind != Folder::Kind::file)
        throw cannotOpen(shownName, notARegularFileReason());
    copyWithCopyFile(from.path() / fromUtf8(name), to);
#else
    const int fd = ::openat(from.descriptor(), name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw cannotOpen(shownName, errno == ELOOP ? linkReason : systemReason(errnoOr(ENOENT)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw cannotOpen(shownName, notARegularFileReason());
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errnoOr(ENOMEM);
        ::close(fd);
        throw cannotOpen(shownName, systemReason(error));
    }
    FileCloser in{file};
    copyOpenFile(in.file, shownName, to);
#endif
}

bool sameContents(const fs::path& a, const fs::path& b) {
    try {
        std::uint64_t sizeA = 0;
        std::uint64_t sizeB = 0;
        FileCloser inA{openRegularFile(a, pathText(a), &sizeA)};
        FileCloser inB{openRegularFile(b, pathText(b), &sizeB)};
        if (sizeA != sizeB)
            return false;
        std::vector<char> bufferA(1u << 16);
        std::vector<char> bufferB(1u << 16);
        for (;;) {
            const std::size_t gotA = std::fread(bufferA.data(), 1, bufferA.size(), inA.file);
            const std::size_t gotB = std::fread(bufferB.data(), 1, bufferB.size(), inB.file);
            if (gotA != gotB ||
                !std::equal(bufferA.begin(), bufferA.begin() + gotA, bufferB.begin()))
                return false;
            if (gotA < bufferA.size())
                return !std::ferror(inA.file) && !std::ferror(inB.file);
        }
    } catch (const Error&) {
        return false;
    }
}

bool copyFileReplacing(const std::string& fromWindowsPath, const std::string& toWindowsPath) {
    try {
        copyFileAtomically(resolvePath(fromWindowsPath), resolvePath(toWindowsPath));
        return true;
    } catch (const Error&) {
        return false;
    }
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

// ---- Folder ----------------------------------------------------------------------------

Folder::Folder(const fs::path& path) : path_(path) {
#ifdef _WIN32
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::is_directory(status))
        throw folderError(path, systemReason(fs::exists(status) ? ENOTDIR : ENOENT));
#else
    fd_ = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw folderError(path, systemReason(errnoOr(ENOENT)));
#endif
}

Folder::Folder(Folder&& other) noexcept : path_(std::move(other.path_)) {
#ifndef _WIN32
    fd_ = other.fd_;
    other.fd_ = -1;
#endif
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        path_ = std::move(other.path_);
#ifndef _WIN32
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
#endif
    }
    return *this;
}

Folder::~Folder() {
#ifndef _WIN32
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

Folder::Item Folder::inspect(const std::string& name) const {
    Item item;
#ifdef _WIN32
    std::error_code ec;
    const fs::path path = path_ / fromUtf8(name);
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
#else
    struct stat info {};
    if (::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            item.kind = Kind::other;
        return item;
    }
    if (S_ISLNK(info.st_mode))
        item.kind = Kind::link;
    else if (S_ISDIR(info.st_mode))
        item.kind = Kind::folder;
    else if (S_ISREG(info.st_mode))
        item.kind = Kind::file;
    else
        item.kind = Kind::other;
    item.identity = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
    item.readOnly = item.kind == Kind::file && isReadOnly(info);
    item.permissions = static_cast<unsigned>(info.st_mode & 07777);
#endif
    return item;
}

std::vector<std::string> Folder::names() const {
    std::vector<std::string> result;
#ifdef _WIN32
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path_, ec))
        result.push_back(pathText(entry.path().filename()));
#else
    // A description of its own, so the listing does not move the folder's own position.
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw folderError(path_, systemReason(errnoOr(EIO)));
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errnoOr(ENOMEM);
        ::close(fd);
        throw folderError(path_, systemReason(error));
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            result.push_back(name);
    }
    ::closedir(dir);
#endif
    return result;
}

Folder Folder::subfolder(const std::string& name, bool create) const {
    const fs::path path = path_ / fromUtf8(name);
    Folder folder;
    folder.path_ = path;
#ifdef _WIN32
    std::error_code ec;
    if (create)
        fs::create_directory(path, ec);
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status))
        throw folderError(path, systemReason(ENOENT));
    if (fs::is_symlink(status) || !fs::is_directory(status))
        throw notAFolder(path);
#else
    if (create && ::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST)
        throw Error("Der Ordner \"" + shownText(pathText(path)) +
                    "\" kann nicht erstellt werden. " + systemReason(errnoOr(EIO)));
    folder.fd_ = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder.fd_ < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            throw notAFolder(path);
        throw folderError(path, systemReason(errnoOr(ENOENT)));
    }
#endif
    return folder;
}

// ---- Leftovers of killed runs ----------------------------------------------------------

namespace {

constexpr std::string_view kTemporaryMark = ".tess-";
constexpr std::string_view kTemporaryEnd = ".tmp";

// The process a temporary name was written by, or nothing when the name is none of ours.
std::optional<long long> leftoverProcess(std::string_view name) {
    if (!name.ends_with(kTemporaryEnd))
        return std::nullopt;
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = mark + kTemporaryMark.size();
    const std::string_view rest = name.substr(start, name.size() - kTemporaryEnd.size() - start);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 10 || rest.size() != dash + 17)
        return std::nullopt;
    const auto is = [](std::string_view text, int (*test)(int)) {
        return std::all_of(text.begin(), text.end(),
                           [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
    };
    if (!is(rest.substr(0, dash), std::isdigit) || !is(rest.substr(dash + 1), std::isxdigit))
        return std::nullopt;
    return std::stoll(std::string(rest.substr(0, dash)));
}

// Whether a process of that number runs now (one that cannot be asked counts as running).
bool processRuns(long long process) {
#ifdef _WIN32
    const HANDLE handle =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle)
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = !::GetExitCodeProcess(handle, &code) || code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return runs;
#else
    if (process <= 0 || process > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
#endif
}

struct LeftoverClearing {
    std::mutex mutex;
    bool (*allowed)() = nullptr;
    // The folders cleared under the lock taken last, by device and file number.
    std::set<std::pair<std::uint64_t, std::uint64_t>> cleared;
};

LeftoverClearing& leftoverClearing() {
    static LeftoverClearing clearing;
    return clearing;
}

std::optional<FileIdentity> folderIdentity(const Folder& folder) {
#ifdef _WIN32
    return identityOf(folder.path());
#else
    struct stat info {};
    if (::fstat(folder.descriptor(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
#endif
}

void removeFromFolder(const Folder& folder, const std::string& name) {
#ifdef _WIN32
    std::error_code ec;
    fs::remove(folder.path() / fromUtf8(name), ec);
#else
    ::unlinkat(folder.descriptor(), name.c_str(), 0);
#endif
}

// Removes the leftovers of killed runs from a folder below the guarded folder, the first time
// a file is written there while this run alone writes below it.
void clearLeftoversOnce(const Folder& folder) {
    LeftoverClearing& state = leftoverClearing();
    bool (*allowed)() = nullptr;
    {
        const std::lock_guard<std::mutex> lock(state.mutex);
        allowed = state.allowed;
    }
    if (!allowed || !allowed())
        return;
    const std::optional<FileIdentity> identity = folderIdentity(folder);
    if (!identity)
        return;
    {
        const std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.cleared.emplace(identity->device, identity->file).second)
            return;
    }
    if (!liesAtOrBelowGuardedFolder(folder.path()))
        return;
    std::vector<std::string> names;
    try {
        names = folder.names();
    } catch (const Error&) {
        return;
    }
    for (const std::string& name : names) {
        const std::optional<long long> process = leftoverProcess(name);
        if (process && !processRuns(*process) && folder.inspect(name).kind == Folder::Kind::file)
            removeFromFolder(folder, name);
    }
}

} // namespace

bool isLeftoverName(std::string_view name) {
    return leftoverProcess(name).has_value();
}

void clearLeftoversWhile(bool (*allowed)()) {
    LeftoverClearing& state = leftoverClearing();
    const std::lock_guard<std::mutex> lock(state.mutex);
    state.allowed = allowed;
    state.cleared.clear();
}

// ---- AtomicFile ------------------------------------------------------------------------

namespace {

constexpr std::size_t kWriteBuffer = 1u << 16;

#ifndef _WIN32
// Puts the complete temporary file in the place of an existing target. Swapping the two
// names and removing the old file under the temporary name is as atomic as renaming over the
// target, but on ext4 renaming over a file starts writing the new file's data out at once,
// which makes replacing many files several times slower than writing them anew: the swap
// leaves that to the page cache, as a fresh file. Returns false when the swap is not
// possible here (the caller then renames).
bool swapIntoPlace(int dir, const std::string& temp, const std::string& name) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_EXCHANGE) != 0)
        return false;
    if (::unlinkat(dir, temp.c_str(), 0) == 0)
        return true;
    // A folder appeared at the target's name meanwhile: swap back and let the rename fail.
    ::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_EXCHANGE);
    return false;
#else
    (void)dir;
    (void)temp;
    (void)name;
    return false;
#endif
}
#endif

#if defined(__linux__) && defined(O_TMPFILE)
// Gives a file opened with O_TMPFILE (which has no name yet) the name `name` in the folder;
// fails with EEXIST when the name is taken.
bool linkUnnamed(int fd, int dir, const std::string& name) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, path, dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    // Without /proc the link is made directly (which needs more privilege).
    return errno == ENOENT && ::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0;
}
#endif

} // namespace

AtomicFile::AtomicFile(const fs::path& target, std::string shownName)
    : AtomicFile(target, std::move(shownName), Options{}) {}

AtomicFile::AtomicFile(const fs::path& target, std::string shownName, Options options)
    : shownName_(std::move(shownName)) {
    name_ = pathText(target.filename());
    if (name_.empty() || name_ == "." || name_ == "..")
        fail(EISDIR);
    const fs::path parent = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        if (fs::exists(parent, ec))
            fail(ENOTDIR);
        // A missing folder on the way: Windows says the path was not found.
        throw cannotCreate(shownName_, systemReason(ENOENT, pathText(target)));
    }
    ownFolder_.emplace(openWriteFolder(parent, shownName_));
    folder_ = &*ownFolder_;
    open(options);
}

AtomicFile::AtomicFile(const Folder& folder, std::string name, std::string shownName,
                       Options options)
    : folder_(&folder), name_(std::move(name)), shownName_(std::move(shownName)) {
    open(options);
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::open(const Options& options) {
    const Folder::Item existing = options.target ? *options.target : folder_->inspect(name_);
    const std::string refusal = whyNotReplaceable(existing);
    if (!refusal.empty())
        throw cannotCreate(shownName_, refusal);
    clearLeftoversOnce(*folder_);
    targetExists_ = existing.kind != Folder::Kind::missing;
#if defined(__linux__) && defined(O_TMPFILE)
    // A new file is written without any name, and named once complete: one entry in the
    // folder instead of a temporary one renamed, and nothing left behind should the
    // process end before. Where the file system cannot, a named temporary file it is.
    if (!targetExists_) {
        fd_ = ::openat(folder_->descriptor(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            return;
        }
    }
#endif
    for (int attempt = 0;; ++attempt) {
        const std::string candidate = temporaryName(name_);
        errno = 0;
#ifdef _WIN32
        fd_ = ::_wopen((folder_->path() / fromUtf8(candidate)).c_str(),
                       _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        fd_ = ::openat(folder_->descriptor(), candidate.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
        if (fd_ >= 0) {
            tempName_ = candidate;
            break;
        }
        if (errno != EEXIST || attempt >= 16)
            fail(errnoOr(EACCES));
    }
#ifndef _WIN32
    if (options.keepPermissions && existing.kind == Folder::Kind::file)
        ::fchmod(fd_, existing.permissions);
#endif
}

void AtomicFile::discard() noexcept {
    if (fd_ >= 0) {
#ifdef _WIN32
        ::_close(fd_);
#else
        ::close(fd_);
#endif
        fd_ = -1;
    }
    if (!tempName_.empty()) {
#ifdef _WIN32
        std::error_code ec;
        fs::remove(folder_->path() / fromUtf8(tempName_), ec);
#else
        ::unlinkat(folder_->descriptor(), tempName_.c_str(), 0);
#endif
        tempName_.clear();
    }
}

void AtomicFile::fail(int error) {
    discard();
    throw cannotCreate(shownName_, systemReason(error));
}

void AtomicFile::writeOut(const char* data, std::size_t size) {
    while (size > 0) {
        errno = 0;
#ifdef _WIN32
        const int chunk = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
        const int written = ::_write(fd_, data, static_cast<unsigned>(chunk));
#else
        const ssize_t written = ::write(fd_, data, size);
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail(errnoOr(ENOSPC));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void AtomicFile::flushBuffer() {
    if (buffered_ == 0)
        return;
    const std::size_t size = buffered_;
    buffered_ = 0;
    writeOut(buffer_.data(), size);
}

void AtomicFile::write(const void* data, std::size_t size) {
    if (size == 0)
        return;
    const char* bytes = static_cast<const char*>(data);
    if (buffered_ + size > kWriteBuffer) {
        flushBuffer();
        if (size >= kWriteBuffer) {
            writeOut(bytes, size);
            position_ += size;
            return;
        }
    }
    if (buffer_.empty())
        buffer_.resize(kWriteBuffer);
    std::copy(bytes, bytes + size, buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_));
    buffered_ += size;
    position_ += size;
}

void AtomicFile::seek(std::uint64_t offset) {
    if (offset == position_)
        return;
    flushBuffer();
#ifdef _WIN32
    const bool ok = ::_lseeki64(fd_, static_cast<long long>(offset), SEEK_SET) >= 0;
#else
    const bool ok = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
#endif
    if (!ok)
        fail(errnoOr(EIO));
    position_ = offset;
}

void AtomicFile::commit(bool sync) {
    flushBuffer();
#ifdef _WIN32
    (void)sync;
    if (::_close(fd_) != 0) {
        fd_ = -1;
        fail(errnoOr(EIO));
    }
    fd_ = -1;
    std::error_code ec;
    fs::rename(folder_->path() / fromUtf8(tempName_), folder_->path() / fromUtf8(name_), ec);
    if (ec)
        fail(ec.value());
#else
    if (sync && ::fsync(fd_) != 0 && errno != EINVAL)
        fail(errnoOr(EIO));
#if defined(__linux__) && defined(O_TMPFILE)
    if (unnamed_) {
        if (linkUnnamed(fd_, folder_->descriptor(), name_)) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (errno != EEXIST)
            fail(errnoOr(EIO));
        // The target appeared meanwhile: the file takes a temporary name and replaces it.
        for (int attempt = 0;; ++attempt) {
            const std::string candidate = temporaryName(name_);
            if (linkUnnamed(fd_, folder_->descriptor(), candidate)) {
                tempName_ = candidate;
                break;
            }
            if (errno != EEXIST || attempt >= 16)
                fail(errnoOr(EIO));
        }
        targetExists_ = true;
    }
#endif
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 && errno != EINTR)
        fail(errnoOr(EIO));
    const int dir = folder_->descriptor();
    if (!(targetExists_ && swapIntoPlace(dir, tempName_, name_)) &&
        ::renameat(dir, tempName_.c_str(), dir, name_.c_str()) != 0)
        fail(errnoOr(EIO));
#endif
    tempName_.clear();
}

// ---- Several files together --------------------------------------------------------------

namespace {

// "A, B und C sind wie vorher", for the files that existed.
std::string asBeforeSentence(const std::vector<std::string>& names, const std::string& how) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " und " : ", ") + names[i];
    return list + (names.size() == 1 ? " ist " : " sind ") + how;
}

} // namespace

void writeFilesTogether(const std::vector<FileChange>& changes) {
    std::vector<std::string> existing;
    for (const FileChange& change : changes)
        if (change.before)
            existing.push_back(fileNamePart(change.path));
    std::vector<std::unique_ptr<AtomicFile>> files;
    try {
        for (const FileChange& change : changes) {
            files.push_back(std::make_unique<AtomicFile>(resolvePath(change.path), change.path));
            files.back()->write(change.bytes.data(), change.bytes.size());
        }
    } catch (const Error& e) {
        throw Error(withFullStop(e.what()) + " Nichts wurde geschrieben" +
                    (existing.empty() ? "" : "; " + asBeforeSentence(existing, "wie vorher")));
    }
    std::size_t done = 0;
    try {
        for (; done < files.size(); ++done)
            files[done]->commit(true);
    } catch (const Error& e) {
        // Put back in the reverse order: the files that were there first, and only when all
        // of them are back are the new ones (a kept original among them) removed.
        std::vector<std::string> notBack;
        for (std::size_t i = done; i-- > 0;) {
            const FileChange& change = changes[i];
            try {
                if (change.before)
                    writeFileAtomically(change.path, *change.before);
                else if (notBack.empty())
                    deleteFile(change.path);
            } catch (const Error&) {
                notBack.push_back(fileNamePart(change.path));
            }
        }
        std::vector<std::string> back;
        for (const std::string& name : existing)
            if (std::find(notBack.begin(), notBack.end(), name) == notBack.end())
                back.push_back(name);
        std::string message = withFullStop(e.what());
        if (!back.empty())
            message += " " + asBeforeSentence(back, "wie vorher");
        if (!notBack.empty())
            message +=
                (back.empty() ? " " : "; ") + asBeforeSentence(notBack, "nicht wiederherzustellen");
        throw Error(message);
    }
}

} // namespace tess
