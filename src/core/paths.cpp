#include "core/paths.h"

#include "core/system.h"

#include <optional>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tess {

bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}

fs::path pathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

fs::path resolvePath(std::string_view windowsPath) {
    std::vector<std::string> parts;
    std::string current;
    for (const char c : windowsPath) {
        if (isPathSeparator(c)) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);

    fs::path result;
    std::size_t i = 0;
    if (!windowsPath.empty() && isPathSeparator(windowsPath.front())) {
        result = "/";
        i = 1;
    }
    // On Windows the root as written: a drive ("C:\", or "C:" for that drive's current
    // folder) or a share ("\\server\share\").
    if (kOnWindows && parts[0].size() == 2 && parts[0][1] == ':') {
        result = pathFromUtf8(parts[0] + (parts.size() > 1 ? "\\" : ""));
        i = 1;
    } else if (kOnWindows && parts.size() > 3 && parts[0].empty() && parts[1].empty() &&
               !parts[2].empty()) {
        result = pathFromUtf8("\\\\" + parts[2] + "\\" + parts[3] + "\\");
        i = 4;
    }
    bool matching = true;
    for (; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.empty())
            continue; // doubled or trailing separator
        if (part == "." || part == "..") {
            result /= pathFromUtf8(part);
            continue;
        }
        if (matching) {
            const fs::path dir = result.empty() ? fs::path(".") : result;
            const fs::path asWritten = dir / pathFromUtf8(part);
            // Windows matches the letter case itself; the name as it is spelt on disk is
            // taken, as elsewhere.
            if (const auto onDisk = nameOnDisk(asWritten)) {
                result /= *onDisk;
                continue;
            }
            std::error_code ec;
            if (fs::exists(asWritten, ec)) {
                result /= pathFromUtf8(part);
                continue;
            }
            std::string found;
            fs::directory_iterator it(dir, ec);
            if (!ec) {
                for (const auto& entry : it) {
                    const std::string name = pathText(entry.path().filename());
                    if (sameNameIgnoringCase(name, part) && (found.empty() || name < found))
                        found = name;
                }
            }
            if (!found.empty()) {
                result /= pathFromUtf8(found);
                continue;
            }
            matching = false;
        }
        result /= pathFromUtf8(part);
    }
    if (result.empty() && !windowsPath.empty())
        result = ".";
    return result;
}

std::string folderPart(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        const char c = path[i - 1];
        if (isPathSeparator(c))
            return std::string(path.substr(0, i));
        if (kOnWindows && c == ':')
            return std::string(path.substr(0, i));
    }
    return {};
}

std::string fileNamePart(std::string_view path) {
    return std::string(path.substr(folderPart(path).size()));
}

char nativeSeparator() {
    return kOnWindows ? '\\' : '/';
}

std::string pathText(const fs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

namespace {

void appendEscaped(std::string& out, unsigned value) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

// Length of the valid UTF-8 sequence at pos, or 0 when the bytes there are not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || pos + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

std::string shownText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[pos]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                appendEscaped(out, c);
            else
                out += static_cast<char>(c);
            ++pos;
            continue;
        }
        const std::size_t length = utf8SequenceLength(utf8, pos);
        if (length == 0) {
            appendEscaped(out, c); // not UTF-8: the byte itself
            ++pos;
        } else if (c == 0xC2 && static_cast<unsigned char>(utf8[pos + 1]) < 0xA0) {
            appendEscaped(out, static_cast<unsigned char>(utf8[pos + 1]) & 0xBF); // C1 control
            pos += 2;
        } else {
            out.append(utf8.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

} // namespace tess
