// What core needs of the operating system, for core and its system halves alone. Each system
// has its half in platform/ (files_linux.cpp and text_linux.cpp, files_windows.cpp and
// text_windows.cpp), built into tess_core with the portable code here; the halves see core
// alone. A descriptor is the C run-time's file number on either system; a failing call
// leaves its reason in errno.
#pragma once

#include "core/error.h"
#include "core/files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace tess {

// ---- Given by the portable half (core/files.cpp) to the system halves -------------------

// errno when it is set, else the fallback.
int errnoOr(int fallback);

// A name beside `name` that no other process picks (see isLeftoverName).
std::string temporaryName(const std::string& name);

// "Der Ordner "%s" kann nicht geöffnet werden. %s"
Error folderError(const std::filesystem::path& path, const std::string& reason);

// "... ist kein Ordner, sondern eine Verknüpfung oder Datei ..."
Error notAFolder(const std::filesystem::path& path);

// The reason a link is refused where it is never followed: "Sie ist eine Verknüpfung; ...".
std::string linkNotFollowedReason();

// The folder the file `target` (a file-system path) is written into: walked down to from the
// guarded folder when it lies below it, else opened as named. Throws "Datei "%s" kann nicht
// erstellt werden. %s" when the name is no file's, or its folder is missing or no folder.
Folder openWriteFolder(const std::filesystem::path& target, const std::string& shownName);

// Closes a file opened by openRegularFile when it goes.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file)
            std::fclose(file);
    }
};

// ---- Given by each system's half ---------------------------------------------------------

// This process's number (Linux: asked once, and again in a forked child).
int processId();

// Whether a process of that number runs now (one that cannot be asked counts as running).
bool processRuns(long long process);

// The identity of an open folder.
std::optional<FileIdentity> folderIdentity(const Folder& folder);

// Removes the file `name` of a folder, never following a link; failures are ignored.
void removeFromFolder(const Folder& folder, const std::string& name);

// A new file in the folder that has no name yet (Linux: O_TMPFILE); -1 where the system or
// the file system cannot make one.
int openUnnamedFile(const Folder& folder);

// Creates the file `name` in the folder for writing, failing with EEXIST when anything is
// there already (a link too, which is never followed).
int createExclusiveFile(const Folder& folder, const std::string& name);

// Gives a new file the permissions of the file it replaces (on Windows none are kept).
void givePermissions(int descriptor, unsigned permissions);

// Writes some of the bytes; how many, or -1.
long long writeToFile(int descriptor, const char* data, std::size_t size);

// Moves to a byte offset of the file.
bool seekFile(int descriptor, std::uint64_t offset);

// Forces what was written to the disk (Windows: left to the system).
bool syncFile(int descriptor);

int closeFile(int descriptor);

// Gives a file made by openUnnamedFile the name `name` in the folder; fails with EEXIST when
// the name is taken.
bool nameUnnamedFile(int descriptor, const Folder& folder, const std::string& name);

// Puts the complete temporary file in the place of an existing target where the system can
// swap the two names at once; false when it cannot (the caller then renames).
bool swapIntoPlace(const Folder& folder, const std::string& temp, const std::string& name);

// Renames `from` to `to` in the folder, replacing a file there.
bool renameInFolder(const Folder& folder, const std::string& from, const std::string& to);

// The name of an existing file or folder as it is spelt on disk where the system matches
// letter case itself (Windows); nothing elsewhere, or when there is none.
std::optional<std::filesystem::path> nameOnDisk(const std::filesystem::path& path);

// The errno whose text (systemReason) says what this system's error number means, as
// Windows words it: on Linux a full quota is a full disk, and a running program's file is
// one in use.
int windowsErrorNumber(int errorNumber);

} // namespace tess
