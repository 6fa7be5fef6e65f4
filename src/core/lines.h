// Line lists: the buffer of every text file the system reads or writes. A file is loaded
// whole (CR LF, CR or LF end a line) and saved whole, each line followed by CR LF, in
// Windows-1252, no byte-order mark. Lines are UTF-8 inside the program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

using LineList = std::vector<std::string>;

// Where the line that starts at pos ends: at the first CR or LF from pos on, or at the end of
// the text.
std::size_t lineEnd(std::string_view text, std::size_t pos);

// The one line walk of the system: calls visit(line, ended) for every line of text, in order.
// CR LF, CR or LF end a line, and `ended` tells whether one did; a final line break does not
// start another line ("a\r\n" is one line, "a\r\n\r\n" two, "" none).
template <typename Visit> void forEachLine(std::string_view text, Visit&& visit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = lineEnd(text, pos);
        const bool ended = end < text.size();
        visit(text.substr(pos, end - pos), ended);
        if (!ended)
            return;
        pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

// Splits text into lines: CR LF, CR or LF end a line; a final line break does not start
// another line ("a\r\n" is one line, "a\r\n\r\n" two, "" none).
LineList splitLines(std::string_view text);

// Each line followed by CR LF.
std::string joinLinesCrLf(const LineList& lines);

// Every line break (CR, LF or CR LF) becomes CR LF; nothing else changes, and a last line
// without a break stays without one.
std::string normalizeToCrLf(std::string_view text);

// Loads a file (a Windows path, resolved case-insensitively) as lines, decoding the code
// page. Throws "Datei %s kann nicht geöffnet werden. %s".
LineList loadLines(const std::string& windowsPath);

// Saves lines with CR LF after each, atomically. Throws "Datei "%s" kann nicht erstellt
// werden. %s", or the code-page error when a line holds a character the game cannot read.
void saveLines(const std::string& windowsPath, const LineList& lines);

// The line at index, or an empty text beyond the end.
std::string lineAt(const LineList& lines, std::size_t index);

// Removes the line at index; beyond the end nothing happens.
void deleteLine(LineList& lines, std::size_t index);

// Index of the first line equal to text ignoring letter case, or -1.
long indexOfLineIgnoringCase(const LineList& lines, std::string_view text);

} // namespace tess
