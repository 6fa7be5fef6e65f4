// Text for the Windows API: the program's UTF-8 to the UTF-16 of the wide-character calls
// and back. Windows only.
#pragma once

#ifdef _WIN32

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

} // namespace tess

#endif
