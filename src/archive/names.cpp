#include "archive/names.h"

#include "archive/reader.h"
#include "core/error.h"
#include "core/paths.h"

#include <algorithm>
#include <unordered_set>

namespace tess::archive {
namespace {

unsigned char upper(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: // š
    case 0x9C: // œ
    case 0x9E: // ž
        return static_cast<unsigned char>(c - 16);
    case 0xFF: // ÿ
        return 0x9F;
    default:
        return c;
    }
}

// Windows drops trailing dots and blanks from a name, so ". ." or "..." are ".." in
// disguise: a component made only of them is refused.
bool onlyDotsAndBlanks(std::string_view component) {
    for (const char c : component)
        if (c != '.' && c != ' ')
            return false;
    return true;
}

} // namespace

std::string foldedName(std::string_view storedName) {
    std::string result(storedName);
    for (char& c : result)
        c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return result;
}

bool packerOrderLess(std::string_view storedA, std::string_view storedB) {
    const auto byteLess = [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    };
    const std::string a = foldedName(storedA);
    const std::string b = foldedName(storedB);
    if (a != b)
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byteLess);
    // Names that differ only in letter case cannot both exist on Windows; keep them apart
    // all the same, so the order never depends on the file system's listing.
    return std::lexicographical_compare(storedA.begin(), storedA.end(), storedB.begin(),
                                        storedB.end(), byteLess);
}

namespace {

// The name as the file system will see it: folded, "/" between components, no empty ones.
std::string pathKey(std::string_view storedName) {
    std::string key;
    key.reserve(storedName.size());
    for (const char c : foldedName(storedName)) {
        if (!isPathSeparator(c))
            key += c;
        else if (!key.empty() && key.back() != '/')
            key += '/';
    }
    return key;
}

} // namespace

std::string unsafeNameReason(std::string_view storedName) {
    if (storedName.empty())
        return "leerer Name";
    for (const char c : storedName)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "Steuerzeichen im Namen";
    // Characters Windows does not allow in a name: such an entry could not be unpacked
    // there, so it is not unpacked anywhere.
    if (storedName.find_first_of("<>\"|?*") != std::string_view::npos)
        return "unzulässiges Zeichen im Namen";
    if (isPathSeparator(storedName.front()))
        return "absoluter Pfad";
    if (storedName.find(':') != std::string_view::npos)
        return "Laufwerksangabe oder Doppelpunkt";
    if (isPathSeparator(storedName.back()))
        return "kein Dateiname";
    std::size_t start = 0;
    while (start <= storedName.size()) {
        std::size_t end = start;
        while (end < storedName.size() && !isPathSeparator(storedName[end]))
            ++end;
        const std::string_view component = storedName.substr(start, end - start);
        if (!component.empty() && onlyDotsAndBlanks(component))
            return "Verweis auf einen übergeordneten Ordner";
        start = end + 1;
    }
    return {};
}

void checkExtractable(const std::vector<Entry>& entries, const std::string& archiveText) {
    for (const Entry& entry : entries) {
        const std::string reason = unsafeNameReason(entry.name);
        if (!reason.empty())
            throw Error("Archiv \"" + archiveText + "\" enthält den unzulässigen Eintrag \"" +
                        entryNameText(entry) + "\" (" + reason + "); es wurde nichts entpackt");
    }
    // A name that is a file in one entry and a folder in another cannot be unpacked; find
    // it before the first file is written. Names compare as the file system will.
    std::unordered_set<std::string> folders;
    for (const Entry& entry : entries) {
        const std::string key = pathKey(entry.name);
        for (std::size_t slash = key.find('/'); slash != std::string::npos;
             slash = key.find('/', slash + 1))
            folders.insert(key.substr(0, slash));
    }
    for (const Entry& entry : entries)
        if (folders.count(pathKey(entry.name)) != 0)
            throw Error("Archiv \"" + archiveText + "\" ist beschädigt: \"" + entryNameText(entry) +
                        "\" ist zugleich Datei und Ordner; es wurde nichts entpackt");
}

} // namespace tess::archive
