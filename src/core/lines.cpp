#include "core/lines.h"

#include "core/codepage.h"
#include "core/files.h"
#include "core/paths.h"

namespace tess {

LineList splitLines(std::string_view text) {
    LineList lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinLinesCrLf(const LineList& lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string normalizeToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

LineList loadLines(const std::string& windowsPath) {
    return splitLines(decodeCp1252(readFileBytes(windowsPath)));
}

void saveLines(const std::string& windowsPath, const LineList& lines) {
    writeFileAtomically(windowsPath, encodeCp1252(joinLinesCrLf(lines)));
}

std::string lineAt(const LineList& lines, std::size_t index) {
    return index < lines.size() ? lines[index] : std::string();
}

void deleteLine(LineList& lines, std::size_t index) {
    if (index < lines.size())
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
}

long indexOfLineIgnoringCase(const LineList& lines, std::string_view text) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (sameNameIgnoringCase(lines[i], text))
            return static_cast<long>(i);
    return -1;
}

} // namespace tess
