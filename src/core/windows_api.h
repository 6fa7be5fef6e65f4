// What the Windows halves of core and platform share: the program's UTF-8 to the UTF-16 of
// the wide-character calls and back, and the errno that stands for a Windows error. Defined
// in the Windows build alone (platform/text_windows.cpp, platform/files_windows.cpp).
#pragma once

#include <string>
#include <string_view>

namespace tess {

// UTF-8 to UTF-16. Bytes that are not UTF-8 become U+FFFD.
std::wstring toWide(std::string_view utf8);

// UTF-16 to UTF-8. Lone surrogates become U+FFFD.
std::string fromWide(std::wstring_view wide);

// A path for the wide-character calls: UTF-16 with "\" for every "/" (the shell and some
// calls accept only the native separator).
std::wstring toWindowsPath(std::string_view utf8Path);

// The errno that stands for a Windows error (GetLastError), which systemReason words as
// Windows does: the one table of the two systems' errors.
int errnoOfWindowsError(unsigned long error);

} // namespace tess
