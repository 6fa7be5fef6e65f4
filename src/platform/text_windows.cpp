// Windows' half of core's texts: UTF-8 and UTF-16 for the wide-character calls
// (core/windows_api.h), and the batch files in the console's code page (core/codepage.h).
#include "core/codepage.h"
#include "core/error.h"
#include "core/windows_api.h"

#include <optional>
#include <string>

#include <windows.h>

namespace tess {

std::wstring toWide(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string fromWide(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::wstring toWindowsPath(std::string_view utf8Path) {
    std::wstring wide = toWide(utf8Path);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

namespace {

// The UTF-16 text in the console's code page; nothing when a character has no byte there.
std::optional<std::string> toConsoleCodePage(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    const UINT codePage = GetOEMCP();
    // UTF-8 and UTF-7 hold every character and take no substitution flag.
    const bool exact = codePage != CP_UTF8 && codePage != CP_UTF7;
    const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL substituted = FALSE;
    BOOL* substitutedFlag = exact ? &substituted : nullptr;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr,
                                           substitutedFlag);
    if (length <= 0 || substituted)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr,
                        substitutedFlag);
    return bytes;
}

} // namespace

std::string encodeBatchText(std::string_view utf8) {
    if (auto bytes = toConsoleCodePage(toWide(utf8)))
        return std::move(*bytes);
    // Name the first character that has no byte.
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        if (!decodeCodePoint(utf8, pos))
            pos = start + 1;
        const std::string_view character = utf8.substr(start, pos - start);
        if (!toConsoleCodePage(toWide(character)))
            throw Error("Das Zeichen \"" + std::string(character) +
                        "\" kann in der Codepage der Eingabeaufforderung (" +
                        std::to_string(GetOEMCP()) + ") nicht gespeichert werden");
    }
    throw Error("Der Text kann in der Codepage der Eingabeaufforderung (" +
                std::to_string(GetOEMCP()) + ") nicht gespeichert werden");
}

std::string decodeBatchText(std::string_view bytes) {
    if (bytes.empty())
        return {};
    const UINT codePage = GetOEMCP();
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return decodeCp1252(bytes);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return fromWide(wide);
}

} // namespace tess
