// The framework's integer conversion: decimal (or "$" hexadecimal) 32-bit signed numbers,
// leading blanks allowed, nothing after the digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

// Throws "'%s' ist kein gültiger Integerwert".
std::int32_t strToInt(std::string_view text);

std::string intToStr(std::int64_t value);

} // namespace tess
