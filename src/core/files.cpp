#include "core/files.h"

#include "core/error.h"
#include "core/paths.h"
#include "core/system.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace tess {
namespace {

// Longest file name the file systems we meet allow, in bytes (NTFS counts UTF-16 units, ext4
// bytes; a name of this many bytes fits both).
constexpr std::size_t kMaxNameBytes = 255;

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

} // namespace

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

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

namespace {

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

// The guarded folder as set now; empty: none.
fs::path currentGuardedFolder() {
    GuardedFolder& state = guardedFolder();
    const std::lock_guard<std::mutex> lock(state.mutex);
    return state.folder;
}

// The folder is the guarded folder or lies below it.
bool liesAtOrBelowGuardedFolder(const fs::path& folder) {
    const fs::path guarded = currentGuardedFolder();
    return !guarded.empty() && componentsBelow(guarded, normalFolder(folder)).has_value();
}

} // namespace

bool liesBelowGuardedFolder(const std::string& windowsPath) {
    return liesAtOrBelowGuardedFolder(resolvePath(windowsPath));
}

Folder openWriteFolder(const fs::path& target, const std::string& shownName) {
    const std::string name = pathText(target.filename());
    if (name.empty() || name == "." || name == "..")
        throw cannotCreate(shownName, systemReason(EISDIR));
    const fs::path parent = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        if (fs::exists(parent, ec))
            throw cannotCreate(shownName, systemReason(ENOTDIR));
        // A missing folder on the way: Windows says the path was not found.
        throw cannotCreate(shownName, systemReason(ENOENT, pathText(target)));
    }
    const fs::path guarded = currentGuardedFolder();
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

std::string linkNotFollowedReason() {
    return "Sie ist eine Verknüpfung; Verknüpfungen werden hier nicht verfolgt.";
}

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

Folder::Folder(Folder&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
    other.fd_ = -1;
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        path_ = std::move(other.path_);
        if (fd_ >= 0)
            closeFile(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Folder::~Folder() {
    if (fd_ >= 0)
        closeFile(fd_);
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

} // namespace

AtomicFile::AtomicFile(const fs::path& target, std::string shownName)
    : AtomicFile(target, std::move(shownName), Options{}) {}

AtomicFile::AtomicFile(const fs::path& target, std::string shownName, Options options)
    : shownName_(std::move(shownName)) {
    ownFolder_.emplace(openWriteFolder(target, shownName_));
    name_ = pathText(target.filename());
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
    // A new file is written without any name, and named once complete: one entry in the
    // folder instead of a temporary one renamed, and nothing left behind should the
    // process end before. Where that cannot be, a named temporary file it is.
    if (!targetExists_) {
        fd_ = openUnnamedFile(*folder_);
        if (fd_ >= 0) {
            unnamed_ = true;
            return;
        }
    }
    for (int attempt = 0;; ++attempt) {
        const std::string candidate = temporaryName(name_);
        errno = 0;
        fd_ = createExclusiveFile(*folder_, candidate);
        if (fd_ >= 0) {
            tempName_ = candidate;
            break;
        }
        if (errno != EEXIST || attempt >= 16)
            fail(errnoOr(EACCES));
    }
    if (options.keepPermissions && existing.kind == Folder::Kind::file)
        givePermissions(fd_, existing.permissions);
}

void AtomicFile::discard() noexcept {
    if (fd_ >= 0) {
        closeFile(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        removeFromFolder(*folder_, tempName_);
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
        const long long written = writeToFile(fd_, data, size);
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
    if (!seekFile(fd_, offset))
        fail(errnoOr(EIO));
    position_ = offset;
}

void AtomicFile::commit(bool sync) {
    flushBuffer();
    if (sync && !syncFile(fd_))
        fail(errnoOr(EIO));
    if (unnamed_) {
        if (nameUnnamedFile(fd_, *folder_, name_)) {
            closeFile(fd_);
            fd_ = -1;
            return;
        }
        if (errno != EEXIST)
            fail(errnoOr(EIO));
        // The target appeared meanwhile: the file takes a temporary name and replaces it.
        for (int attempt = 0;; ++attempt) {
            const std::string candidate = temporaryName(name_);
            if (nameUnnamedFile(fd_, *folder_, candidate)) {
                tempName_ = candidate;
                break;
            }
            if (errno != EEXIST || attempt >= 16)
                fail(errnoOr(EIO));
        }
        targetExists_ = true;
    }
    const int closed = closeFile(fd_);
    fd_ = -1;
    if (closed != 0 && errno != EINTR)
        fail(errnoOr(EIO));
    if (!(targetExists_ && swapIntoPlace(*folder_, tempName_, name_)) &&
        !renameInFolder(*folder_, tempName_, name_))
        fail(errnoOr(EIO));
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
