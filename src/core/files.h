// File operations on Windows paths. Every path is resolved case-insensitively first.
#pragma once

#include <string>
#include <string_view>

namespace tess {

// Whole file as bytes. Throws "Datei %s kann nicht geöffnet werden. %s" (path as given).
std::string readFileBytes(const std::string& windowsPath);

// Replaces the file atomically: the bytes go to a temporary file beside it, which is then
// renamed over the target, so a failed save leaves the old file whole. Throws
// "Datei "%s" kann nicht erstellt werden. %s".
void writeFileAtomically(const std::string& windowsPath, std::string_view bytes);

// The file exists (as a file or folder).
bool fileExists(const std::string& windowsPath);

// Copies a file byte for byte, replacing the target, as CopyFile does. Returns false on any
// failure; the caller decides whether that matters.
bool copyFileReplacing(const std::string& fromWindowsPath, const std::string& toWindowsPath);

// Creates one folder. Returns false when it cannot (it exists, or its parent is missing).
bool createFolder(const std::string& windowsPath);

// Makes the folder the process's current folder. Throws the I/O error "E/A-Fehler 3" when
// it cannot be entered.
void changeDirectory(const std::string& windowsPath);

// Deletes a file; false when it cannot.
bool deleteFile(const std::string& windowsPath);

} // namespace tess
