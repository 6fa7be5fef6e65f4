// The game's 8-bit code page, Windows-1252, made lossless: the five bytes that the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// number, so every byte string survives a decode and encode unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tess {

// Bytes of the code page to UTF-8. Never fails.
std::string decodeCp1252(std::string_view bytes);

// UTF-8 to bytes of the code page. Throws tess::Error naming the first character that the
// code page cannot hold (or invalid UTF-8); never writes a substitute.
std::string encodeCp1252(std::string_view utf8);

// True when encodeCp1252 would succeed.
bool fitsCp1252(std::string_view utf8);

// Decodes the UTF-8 sequence at pos and moves pos past it; nothing for malformed input.
std::optional<char32_t> decodeCodePoint(std::string_view utf8, std::size_t& pos);

// Batch files are written in the code page of the command interpreter that runs them. On
// Windows that is cmd.exe, which reads a batch in the console's code page (the OEM code page:
// 850 on a German Windows), not in Windows-1252, so a path with an umlaut in Windows-1252
// would name another file there. Elsewhere our own interpreter runs them, and it reads
// Windows-1252 as every text file of the system.

// UTF-8 to the bytes of a batch file. Throws tess::Error naming the first character that the
// code page cannot hold; never writes a substitute.
std::string encodeBatchText(std::string_view utf8);

// The bytes of a batch file to UTF-8.
std::string decodeBatchText(std::string_view bytes);

// The two are one per system: platform/text_windows.cpp and platform/text_linux.cpp.

} // namespace tess
