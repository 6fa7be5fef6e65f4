#include "archive/names.h"

#include "archive/reader.h"
#include "core/error.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace tess::archive {
namespace {

// Windows drops trailing dots and blanks from a name, so ". ." or "..." are ".." in
// disguise: a component made only of them is refused.
bool onlyDotsAndBlanks(std::string_view component) {
    for (const char c : component)
        if (c != '.' && c != ' ')
            return false;
    return true;
}

// Names Windows keeps for devices, with or without an extension ("NUL.con" is NUL too). In
// Windows-1252: ¹ ² ³ are 0xB9, 0xB2, 0xB3.
bool isDeviceName(std::string_view component) {
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    base = foldedName(base);
    static const std::array<std::string_view, 6> kFixed = {"CON", "PRN",    "AUX",
                                                           "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kFixed.begin(), kFixed.end(), base) != kFixed.end())
        return true;
    if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"))) {
        const auto digit = static_cast<unsigned char>(base[3]);
        return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

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
    if (!key.empty() && key.back() == '/')
        key.pop_back();
    return key;
}

std::string quoted(const Entry& entry) {
    return "\"" + entryNameShown(entry) + "\"";
}

} // namespace

std::string foldedName(std::string_view storedName) {
    std::string result(storedName);
    for (char& c : result)
        c = static_cast<char>(upperCaseCp1252(static_cast<unsigned char>(c)));
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
        if (!component.empty()) {
            if (onlyDotsAndBlanks(component))
                return "Verweis auf einen übergeordneten Ordner";
            if (component.back() == '.' || component.back() == ' ')
                return "ein Name endet mit Punkt oder Leerzeichen, was Windows nicht speichern "
                       "kann";
            if (isDeviceName(component))
                return "Gerätename von Windows (CON, PRN, AUX, NUL, COM1 bis COM9, LPT1 bis "
                       "LPT9)";
        }
        start = end + 1;
    }
    return {};
}

std::vector<NameClash> findNameClashes(const std::vector<std::string>& storedNames) {
    std::vector<NameClash> clashes;
    std::vector<std::string> keys;
    keys.reserve(storedNames.size());
    std::unordered_map<std::string, std::size_t> files;
    for (std::size_t i = 0; i < storedNames.size(); ++i) {
        keys.push_back(pathKey(storedNames[i]));
        const auto [known, inserted] = files.emplace(keys.back(), i);
        if (!inserted)
            clashes.push_back({known->second, i, false});
    }
    // A name that is a file in one entry and a folder in another.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string& key = keys[i];
        for (std::size_t slash = key.find('/'); slash != std::string::npos;
             slash = key.find('/', slash + 1)) {
            const auto file = files.find(key.substr(0, slash));
            if (file != files.end())
                clashes.push_back({i, file->second, true});
        }
    }
    return clashes;
}

std::optional<NameClash> findNameClash(const std::vector<std::string>& storedNames) {
    const std::vector<NameClash> clashes = findNameClashes(storedNames);
    if (clashes.empty())
        return std::nullopt;
    return clashes.front();
}

std::vector<std::string> refusedEntries(const std::vector<Entry>& entries,
                                        const std::string& archiveText) {
    std::vector<std::string> refused;
    const std::string archive = "Archiv \"" + archiveText + "\" ";
    for (const Entry& entry : entries) {
        const std::string reason = unsafeNameReason(entry.name);
        if (!reason.empty())
            refused.push_back(archive + "enthält den unzulässigen Eintrag " + quoted(entry) + " (" +
                              reason + ")");
    }
    // Names compare as the file system will.
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const Entry& entry : entries)
        names.push_back(entry.name);
    for (const NameClash& clash : findNameClashes(names)) {
        const Entry& first = entries[clash.first];
        const Entry& second = entries[clash.second];
        refused.push_back(clash.fileAndFolder
                              ? archive + "ist beschädigt: " + quoted(second) +
                                    " ist zugleich Datei und Ordner (" + quoted(first) + ")"
                              : archive + "enthält die Einträge " + quoted(first) + " und " +
                                    quoted(second) + ", die unter Windows dieselbe Datei sind");
    }
    return refused;
}

void checkExtractable(const std::vector<Entry>& entries, const std::string& archiveText) {
    // Found before the first file is written.
    const std::vector<std::string> refused = refusedEntries(entries, archiveText);
    if (!refused.empty())
        throw Error(refused.front() + "; es wurde nichts entpackt");
}

bool isUnderLevelsFolder(std::string_view storedName) {
    const std::string key = pathKey(storedName);
    constexpr std::string_view kLevels = "BF1942/LEVELS/";
    return key.size() > kLevels.size() && key.starts_with(kLevels);
}

} // namespace tess::archive
