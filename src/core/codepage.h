// The game's 8-bit code page, Windows-1252, made lossless: the five bytes that the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// number, so every byte string survives a decode and encode unchanged.
#pragma once

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

} // namespace tess
