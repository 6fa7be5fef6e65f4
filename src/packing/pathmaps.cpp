#include "packing/pathmaps.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "scripts/start.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::packing {
namespace {

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           sameNameIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The file list's order: names compared in upper case, then byte for byte.
bool listOrderLess(const std::string& a, const std::string& b) {
    const auto upperLess = [](char x, char y) { return asciiUpper(x) < asciiUpper(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upperLess))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upperLess))
        return false;
    return a < b;
}

} // namespace

bool isExcludedPathmap(std::string_view name) {
    return std::find(kExcludedPathmaps.begin(), kExcludedPathmaps.end(), name) !=
           kExcludedPathmaps.end();
}

bool removeCreateAllMaps(LineList& lines) {
    const long index = indexOfLineIgnoringCase(lines, "ai.createallmaps");
    if (index < 0)
        return false;
    deleteLine(lines, static_cast<std::size_t>(index));
    return true;
}

bool restoreAiStartScript(const std::string& addonFolder, std::int32_t worldSize) {
    if (worldSize <= 0)
        throw Error("Die Größe der Karte ist nicht bekannt; ai.con kann nicht geschrieben werden");
    LineList lines = scripts::aiStartScript(worldSize);
    std::error_code ec;
    const bool pathmaps = fs::is_directory(resolvePath(addonFolder + "Pathfinding"), ec) &&
                          !listPathmaps(addonFolder + "Pathfinding\\").empty();
    if (pathmaps)
        removeCreateAllMaps(lines);
    saveLines(addonFolder + "ai.con", lines);
    return !pathmaps;
}

std::string gamePathmapFolder(const std::string& gameDir, const std::string& mapName) {
    return gameDir + "bf1942\\levels\\" + mapName + "\\Pathfinding\\";
}

Folder openGamePathmapFolder(const std::string& gameDir, const std::string& pathmapFolder) {
    const fs::path dir = resolvePath(pathmapFolder);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw Error("Der Ordner " + pathmapFolder + " kann nicht geöffnet werden. " +
                    systemReason(fs::exists(dir, ec) ? ENOTDIR : ENOENT));
    return openFolderBelow(resolvePath(gameDir), dir);
}

PathmapListing listPathmaps(const Folder& folder) {
    PathmapListing listing;
    for (const std::string& name : folder.names()) {
        if (!endsWithIgnoringCase(name, ".raw"))
            continue;
        const Folder::Kind kind = folder.inspect(name).kind;
        if (kind == Folder::Kind::file)
            listing.names.push_back(name);
        else if (kind != Folder::Kind::folder)
            listing.refused.push_back(name);
    }
    std::sort(listing.names.begin(), listing.names.end(), listOrderLess);
    std::sort(listing.refused.begin(), listing.refused.end(), listOrderLess);
    return listing;
}

std::vector<std::string> listPathmaps(const std::string& folder) {
    const fs::path dir = resolvePath(folder);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw Error("Der Ordner " + folder + " kann nicht geöffnet werden. " +
                    systemReason(fs::exists(dir, ec) ? ENOTDIR : ENOENT));
    try {
        return listPathmaps(Folder(dir)).names;
    } catch (const Error&) {
        throw Error("Der Ordner " + folder + " kann nicht geöffnet werden. " +
                    systemReason(EACCES));
    }
}

PathmapCopy copyPathmaps(const Folder& from, const std::string& fromFolder,
                         const std::vector<std::string>& names, const std::string& levelDir) {
    PathmapCopy result;
    for (const std::string& name : names) {
        if (isExcludedPathmap(name)) {
            result.skipped.push_back(name);
            continue;
        }
        try {
            copyFileFromFolder(from, name, fromFolder + name,
                               resolvePath(levelDir + "Pathfinding\\" + name));
            result.copied.push_back(name);
        } catch (const Error&) {
            result.failed.push_back(name);
        }
    }
    return result;
}

std::string pictureLevelFolder(const WizardState& state, const std::string& programFolder) {
    std::vector<std::string> candidates{state.mapLevelDir};
    if (!state.mapName.empty()) {
        candidates.push_back(programFolder + "bf1942\\levels\\" + state.mapName + "\\");
        if (!state.gameDir.empty())
            candidates.push_back(state.gameDir + "bf1942\\levels\\" + state.mapName + "\\");
    }
    for (const std::string& folder : candidates)
        if (!folder.empty() && fileExists(folder + "Textures\\ingamemap.dds"))
            return folder;
    return {};
}

} // namespace tess::packing
