#include "core/lines.h"

#include "core/codepage.h"
#include "core/files.h"
#include "core/paths.h"

namespace tess {

std::size_t lineEnd(std::string_view text, std::size_t pos) {
    // A plain loop: find_first_of looks each character up in the set, which makes reading a
    // path-finding script with lines of megabytes several times slower.
    for (std::size_t i = pos; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n')
            return i;
    return text.size();
}

LineList splitLines(std::string_view text) {
    LineList lines;
    forEachLine(text, [&](std::string_view line, bool) { lines.emplace_back(line); });
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
    forEachLine(text, [&](std::string_view line, bool ended) {
        out += line;
        if (ended)
            out += "\r\n";
    });
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
