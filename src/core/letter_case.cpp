#include "core/letter_case.h"

#include "core/codepage.h"

#include <array>

namespace tess {
namespace {

// Code points above this mark a byte that is not valid UTF-8 (compared as the byte itself).
constexpr char32_t kRawByte = 0x110000;

// Decodes one code point at pos (advancing it); a malformed or overlong sequence yields its
// first byte as a raw byte.
char32_t nextCodePoint(std::string_view s, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kRawByte + lead;
    }
    if (pos + extra >= s.size()) {
        ++pos;
        return kRawByte + lead;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto c = static_cast<unsigned char>(s[pos + i]);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return kRawByte + lead;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF) {
        ++pos;
        return kRawByte + lead;
    }
    pos += extra + 1;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp >= kRawByte) {
        out += static_cast<char>(cp - kRawByte);
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::array<unsigned char, 256> makeCp1252Table() {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = static_cast<unsigned char>(b);
        const std::string utf8 = decodeCp1252(std::string(1, static_cast<char>(b)));
        std::size_t pos = 0;
        std::string upper;
        appendUtf8(upper, upperCaseLetter(nextCodePoint(utf8, pos)));
        if (fitsCp1252(upper))
            table[b] = static_cast<unsigned char>(encodeCp1252(upper)[0]);
    }
    return table;
}

} // namespace

char32_t upperCaseLetter(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'a' && cp <= 'z') ? cp - 0x20 : cp;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
        return cp - 0x20;
    if (cp == 0xFF)
        return 0x178; // ÿ Ÿ
    // Latin Extended-A: pairs of upper and lower case, the upper one first, except in the
    // two stretches where the lower one comes first; ı, ĸ, ŉ and ſ have no pair of their own.
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x131 || cp == 0x138 || cp == 0x149 || cp == 0x17F)
            return cp;
        const bool lowerIsOdd = (cp < 0x139) || (cp >= 0x14A && cp < 0x179);
        if (lowerIsOdd)
            return (cp % 2 == 1) ? cp - 1 : cp;
        return (cp % 2 == 0) ? cp - 1 : cp;
    }
    return cp;
}

std::string caseFoldedKey(std::string_view utf8) {
    std::string key;
    key.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size())
        appendUtf8(key, upperCaseLetter(nextCodePoint(utf8, pos)));
    return key;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size())
        if (upperCaseLetter(nextCodePoint(a, i)) != upperCaseLetter(nextCodePoint(b, j)))
            return false;
    return i == a.size() && j == b.size();
}

unsigned char upperCaseCp1252(unsigned char byte) {
    static const std::array<unsigned char, 256> table = makeCp1252Table();
    return table[byte];
}

} // namespace tess
