// Linux's half of core's file operations (core/files.h, core/system.h): a folder is held open
// by its descriptor, and every file below it is reached from there, never through a link.
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/system.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tess {
namespace {

// Windows keeps a file with the read-only attribute as it is, although its folder would let
// us replace it; here a file without any write permission is such a file, for every user
// (the superuser, whom permissions do not stop, included).
bool isReadOnly(const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

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

// A descriptor opened without waiting (O_NONBLOCK) and found to be a regular file, as a
// stream that waits again. Throws "Datei %s kann nicht geöffnet werden. %s" when it cannot
// be made; the descriptor is closed then.
std::FILE* readingStream(int fd, const std::string& shownName) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errnoOr(ENOMEM);
        ::close(fd);
        throw cannotOpen(shownName, systemReason(error));
    }
    return file;
}

// Asked once per process, and again in a forked child.
std::atomic<int> cachedProcessId{0};

#if defined(O_TMPFILE)
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

// Whether a process of that number runs now (one that cannot be asked counts as running).
bool processRuns(long long process) {
    if (process <= 0 || process > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::FILE* openRegularFile(const fs::path& path, const std::string& shownName, std::uint64_t* size,
                           FileIdentity* identity) {
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
    std::FILE* file = readingStream(fd, shownName);
    if (size)
        *size = static_cast<std::uint64_t>(info.st_size);
    if (identity)
        *identity = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
    return file;
}

std::int64_t lastWriteTime(const fs::path& path) {
    std::error_code ec;
    return static_cast<std::int64_t>(fs::last_write_time(path, ec).time_since_epoch().count());
}

int seekOpenFile(std::FILE* file, std::uint64_t offset) {
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET);
}

void copyFileAtomically(const fs::path& from, const fs::path& to) {
    FileCloser in{openRegularFile(from, pathText(from))};
    copyOpenFile(in.file, pathText(from), to);
}

void copyFileFromFolder(const Folder& from, const std::string& name, const std::string& shownName,
                        const fs::path& to) {
    const int fd = ::openat(from.descriptor(), name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw cannotOpen(shownName,
                         errno == ELOOP ? linkNotFollowedReason() : systemReason(errnoOr(ENOENT)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw cannotOpen(shownName, notARegularFileReason());
    }
    FileCloser in{readingStream(fd, shownName)};
    copyOpenFile(in.file, shownName, to);
}

// ---- Folder ----------------------------------------------------------------------------

Folder::Folder(const fs::path& path) : path_(path) {
    fd_ = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw folderError(path, systemReason(errnoOr(ENOENT)));
}

Folder::Item Folder::inspect(const std::string& name) const {
    Item item;
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
    return item;
}

std::vector<std::string> Folder::names() const {
    std::vector<std::string> result;
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
    return result;
}

Folder Folder::subfolder(const std::string& name, bool create) const {
    const fs::path path = path_ / pathFromUtf8(name);
    Folder folder;
    folder.path_ = path;
    if (create && ::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST)
        throw Error("Der Ordner \"" + shownText(pathText(path)) +
                    "\" kann nicht erstellt werden. " + systemReason(errnoOr(EIO)));
    folder.fd_ = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder.fd_ < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            throw notAFolder(path);
        throw folderError(path, systemReason(errnoOr(ENOENT)));
    }
    return folder;
}

std::optional<FileIdentity> folderIdentity(const Folder& folder) {
    struct stat info {};
    if (::fstat(folder.descriptor(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

void removeFromFolder(const Folder& folder, const std::string& name) {
    ::unlinkat(folder.descriptor(), name.c_str(), 0);
}

// ---- Writing ---------------------------------------------------------------------------

int openUnnamedFile(const Folder& folder) {
#if defined(O_TMPFILE)
    return ::openat(folder.descriptor(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    return -1;
#endif
}

int createExclusiveFile(const Folder& folder, const std::string& name) {
    return ::openat(folder.descriptor(), name.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

void givePermissions(int descriptor, unsigned permissions) {
    ::fchmod(descriptor, static_cast<mode_t>(permissions));
}

long long writeToFile(int descriptor, const char* data, std::size_t size) {
    return ::write(descriptor, data, size);
}

bool seekFile(int descriptor, std::uint64_t offset) {
    return ::lseek(descriptor, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool syncFile(int descriptor) {
    return ::fsync(descriptor) == 0 || errno == EINVAL;
}

int closeFile(int descriptor) {
    return ::close(descriptor);
}

bool nameUnnamedFile(int descriptor, const Folder& folder, const std::string& name) {
#if defined(O_TMPFILE)
    return linkUnnamed(descriptor, folder.descriptor(), name);
#else
    (void)descriptor;
    (void)folder;
    (void)name;
    errno = ENOSYS;
    return false;
#endif
}

// Puts the complete temporary file in the place of an existing target. Swapping the two
// names and removing the old file under the temporary name is as atomic as renaming over the
// target, but on ext4 renaming over a file starts writing the new file's data out at once,
// which makes replacing many files several times slower than writing them anew: the swap
// leaves that to the page cache, as a fresh file. Returns false when the swap is not
// possible here (the caller then renames).
bool swapIntoPlace(const Folder& folder, const std::string& temp, const std::string& name) {
#if defined(RENAME_EXCHANGE)
    const int dir = folder.descriptor();
    if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_EXCHANGE) != 0)
        return false;
    if (::unlinkat(dir, temp.c_str(), 0) == 0)
        return true;
    // A folder appeared at the target's name meanwhile: swap back and let the rename fail.
    ::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_EXCHANGE);
    return false;
#else
    (void)folder;
    (void)temp;
    (void)name;
    return false;
#endif
}

bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to) {
    return ::renameat(folder.descriptor(), from.c_str(), folder.descriptor(), to.c_str()) == 0;
}

std::optional<fs::path> nameOnDisk(const fs::path&) {
    return std::nullopt;
}

int windowsErrorNumber(int errorNumber) {
    switch (errorNumber) {
    case EDQUOT: // a full quota: ERROR_DISK_FULL
        return ENOSPC;
    case ETXTBSY: // a running program's file: ERROR_SHARING_VIOLATION
        return EBUSY;
    default:
        return errorNumber;
    }
}

} // namespace tess
