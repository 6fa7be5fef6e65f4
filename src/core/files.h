// File operations on Windows paths. Every path is resolved case-insensitively first.
//
// Every file the system writes is replaced atomically: its bytes go to a temporary file beside
// it (a name no other process uses, created exclusively, never through a link; a new file on
// Linux has no name at all until then), which is renamed over the target once complete. A failed
// write or copy leaves the old file whole; a link at the target's name is replaced, never written
// through. A read-only file is not replaced, as on Windows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// Whole file as bytes. Throws "Datei %s kann nicht geöffnet werden. %s" (path as given), also
// for what is not a regular file (a folder, a pipe, a device), which is never read.
std::string readFileBytes(const std::string& windowsPath);

// Replaces the file atomically (see above). Throws "Datei "%s" kann nicht erstellt werden. %s".
void writeFileAtomically(const std::string& windowsPath, std::string_view bytes);

// The file exists (as a file or folder).
bool fileExists(const std::string& windowsPath);

// Why nothing is found at the path, in the system's words: links on the way that point in a
// circle, a folder on the way that is missing, or the file itself missing. For every command
// the same message.
std::string missingReason(const std::string& windowsPath);

// Copies a file byte for byte, replacing the target atomically, as CopyFile does. Returns
// false on any failure (the target is then as it was); the caller decides whether that
// matters.
bool copyFileReplacing(const std::string& fromWindowsPath, const std::string& toWindowsPath);

// The same on file-system paths. Throws "Datei %s kann nicht geöffnet werden. %s" for the
// source and "Datei "%s" kann nicht erstellt werden. %s" for the target.
void copyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates one folder. Returns false when it cannot (it exists, or its parent is missing).
bool createFolder(const std::string& windowsPath);

// Makes the folder the process's current folder. Throws the I/O error "E/A-Fehler 3" when
// it cannot be entered.
void changeDirectory(const std::string& windowsPath);

// Deletes a file; false when it cannot.
bool deleteFile(const std::string& windowsPath);

// What makes a file the same file under any name: device and inode (on Windows the volume
// serial number and the file id). Two hard links have the same identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of what the path names (links followed), or nothing when it does not exist.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

// When the file was last written, in the finest steps the system keeps (Windows: 100 ns, as
// its own time stamp; the run-time's would give whole seconds); 0 when it cannot be read.
std::int64_t lastWriteTime(const std::filesystem::path& path);

// Opens a regular file for reading in binary mode. Anything else is refused at once, a pipe
// too (opening one would wait for a writer forever). Throws "Datei %s kann nicht geöffnet
// werden. %s" naming shownName. Sets size and identity when asked.
std::FILE* openRegularFile(const std::filesystem::path& path, const std::string& shownName,
                           std::uint64_t* size = nullptr, FileIdentity* identity = nullptr);

// Moves a file opened by openRegularFile to a byte offset, beyond 2 GiB too. 0 when done.
int seekOpenFile(std::FILE* file, std::uint64_t offset);

// A folder held open, to make files and folders in it without ever passing through a link:
// the folder's own path is followed once when it is opened; below it nothing is.
class Folder {
public:
    enum class Kind { missing, file, folder, link, other };
    struct Item {
        Kind kind = Kind::missing;
        FileIdentity identity;
        bool readOnly = false;    // a file that Windows would not let us replace
        unsigned permissions = 0; // of a file (on Windows not kept)
    };

    // Opens an existing folder. Throws "Der Ordner "%s" kann nicht geöffnet werden. %s".
    explicit Folder(const std::filesystem::path& path);
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // What `name` is in this folder; a link is reported as a link, never followed.
    Item inspect(const std::string& name) const;
    // The names in the folder, "." and ".." left out.
    std::vector<std::string> names() const;
    // Opens the subfolder `name`, creating it first when create is set and it is missing.
    // Throws when it is a link or anything but a folder ("... ist kein Ordner ...").
    Folder subfolder(const std::string& name, bool create) const;

    // The folder held open (Linux); -1 on Windows, where a folder is reached by its path.
    int descriptor() const { return fd_; }

private:
    Folder() = default;

    std::filesystem::path path_;
    int fd_ = -1;
};

// A file being written under a temporary name beside its target (see the top of this file).
// Nothing is visible under the target's name until commit; destroying an uncommitted file
// removes the temporary file. Writes are buffered here, so small pieces cost no system call
// each.
class AtomicFile {
public:
    struct Options {
        // The replaced file's permissions go to the new one (saves, copies, archives). An
        // unpacked file gets the usual permissions of a new file instead.
        bool keepPermissions = true;
        // What the caller has already found at the target's name (Folder::inspect), so it
        // is not looked up again; null: look.
        const Folder::Item* target = nullptr;
    };

    // Replaces the file at the file-system path `target` (its folder must exist).
    // shownName names the file in "Datei "%s" kann nicht erstellt werden. %s".
    AtomicFile(const std::filesystem::path& target, std::string shownName);
    AtomicFile(const std::filesystem::path& target, std::string shownName, Options options);
    // Replaces `name` in an open folder.
    AtomicFile(const Folder& folder, std::string name, std::string shownName, Options options);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const void* data, std::size_t size);
    void seek(std::uint64_t offset);
    std::uint64_t position() const { return position_; }
    // Writes what is buffered (forcing it to the disk when sync is set) and puts the file in
    // its target's place.
    void commit(bool sync);

private:
    void open(const Options& options);
    void flushBuffer();
    void writeOut(const char* data, std::size_t size);
    void replaceTarget();
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    std::optional<Folder> ownFolder_;
    const Folder* folder_ = nullptr;
    std::string name_;
    std::string tempName_;
    std::string shownName_;
    int fd_ = -1;
    bool unnamed_ = false; // written without a name (O_TMPFILE), named at commit
    bool targetExists_ = false;
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    std::uint64_t position_ = 0;
};

// One file of a change to several files that belong together (the maps of a pathmap class):
// its new bytes, and what it held before (nothing: it did not exist yet).
struct FileChange {
    std::string path; // a Windows path
    std::string bytes;
    std::optional<std::string> before;
};

// Writes the files whole or not at all. Each is written under its temporary name first, so a
// target that may not be replaced, a folder that cannot be written or a full disk fails with
// nothing changed; only then are they put in place, one after the other, and should that fail
// part way, what was put in place is put back (a file that did not exist is removed). Throws
// tess::Error with the failure and the files that are as they were.
void writeFilesTogether(const std::vector<FileChange>& changes);

// The German reason given for what is not a regular file.
std::string notARegularFileReason();

// May what lies at a target's name be replaced by a new file? Nothing, a regular file that is
// not read-only, and a link (replaced itself, never followed) may; a folder, a read-only file,
// a pipe, a device or a socket may not. The reason in the system's words when not, else empty.
// Every write asks this before it writes anything.
std::string whyNotReplaceable(const Folder::Item& existing);

// Whether a file name is one of the temporary names a write goes under until it is complete
// ("<name>.tess-<process>-<16 hex digits>.tmp"): what a run that was killed while writing
// leaves behind. Packing never takes such a file, and the check names it.
bool isLeftoverName(std::string_view name);

// Leftovers of killed runs are removed from a folder below the guarded folder when a file is
// first written there, while `allowed` says that this run alone writes there (it holds the
// program folder's lock); a leftover of a process that is still running stays. Set by the
// platform layer each time it takes the lock; every folder is cleared once per lock taken.
void clearLeftoversWhile(bool (*allowed)());

// The folder whose contents are the system's own (the program folder): a file below it is
// only ever written by walking down from it, folder by folder, never through a link, so that
// a link placed inside it cannot lead a write elsewhere. The folder itself is followed as
// named. Set by the platform layer whenever it takes the program folder; empty: none.
void setGuardedFolder(const std::string& windowsFolder);

// Whether a file (a Windows path) lies below the guarded folder: a write there is a step in
// the program folder, and takes its lock.
bool liesBelowGuardedFolder(const std::string& windowsPath);

// Opens `folder` (a file-system path at or below `root`) by walking down from root without
// following a link on the way; root itself is followed as named. A folder outside root is
// opened as named. Throws "... ist kein Ordner, sondern eine Verknüpfung oder Datei ..." for
// a link on the way, the folder error when one is missing.
Folder openFolderBelow(const std::filesystem::path& root, const std::filesystem::path& folder);

// Copies the regular file `name` of an open folder, never through a link (anything but a
// regular file there is refused with "Datei %s kann nicht geöffnet werden. %s", naming
// shownName), replacing `to` as copyFileAtomically does.
void copyFileFromFolder(const Folder& from, const std::string& name, const std::string& shownName,
                        const std::filesystem::path& to);

// Both files exist and hold the same bytes.
bool sameContents(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace tess
