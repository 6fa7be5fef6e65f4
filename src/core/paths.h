// Windows paths on any file system. The system builds paths by plain concatenation with
// "\" and relies on Windows ignoring letter case; every file operation resolves its path
// here first. Nothing else splits paths.
#pragma once

#include "core/letter_case.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tess {

// Turns a Windows-style path ("\" or "/" separate; components may differ in letter case
// from what is on disk) into a path for the file system. Each existing component is
// matched case-insensitively (an exact match wins); the first component that does not
// exist and everything after it are kept as written. A relative path stays relative to
// the current folder.
std::filesystem::path resolvePath(std::string_view windowsPath);

// "\" and "/" both separate the components of a path, on every platform.
bool isPathSeparator(char c);

// The folder part of a path: everything up to and including the last "\" or "/" (on
// Windows also a drive colon). Empty when there is none.
std::string folderPart(std::string_view path);

// The file name part: everything after the last "\" or "/".
std::string fileNamePart(std::string_view path);

// Whether the program runs on Windows: its paths may start with a drive ("C:") or a share,
// "\" is their native separator, and the system matches letter case itself.
inline constexpr bool kOnWindows = std::filesystem::path::preferred_separator == '\\';

// The native separator of folder texts made by this system ("/" on Linux, "\" on Windows).
char nativeSeparator();

// Text of a file-system path in UTF-8, for messages and folder texts.
std::string pathText(const std::filesystem::path& path);

// The file-system path of a UTF-8 text (on Windows a narrow text would be read in the ANSI
// code page).
std::filesystem::path pathFromUtf8(std::string_view utf8);

// Names compare without regard to letter case by the one rule of core/letter_case.h
// (sameNameIgnoringCase).

// Text for messages and listings: control characters (C0, DEL and C1) are shown escaped as
// "\x1b", so a name cannot steer the terminal it is printed on.
std::string shownText(std::string_view utf8);

} // namespace tess
