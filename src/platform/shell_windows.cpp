// Windows: the shell runs batch files itself (cmd.exe in a console window of its own) and
// opens documents with the program associated with their type.
#include "platform/shell.h"

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

namespace tess {
namespace {

// UTF-8 (the program's text) to UTF-16 (the Windows API's).
std::wstring toWide(const std::string& text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The shell wants backslashes; the program's paths may hold either separator.
std::wstring toWindowsPath(const std::string& path) {
    std::wstring wide = toWide(path);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

} // namespace

void openBatch(const std::string& folder, const std::string& fileName) {
    // The bare file name, no parameters, the folder as working folder, a normal window. The
    // result is not examined: a failure shows only in that nothing runs.
    const std::wstring file = toWide(fileName);
    const std::wstring directory = toWindowsPath(folder);
    ShellExecuteW(nullptr, L"open", file.c_str(), nullptr,
                  directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL);
}

void openDocument(const std::string& path) {
    const std::wstring document = toWindowsPath(path);
    ShellExecuteW(nullptr, L"open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace tess
