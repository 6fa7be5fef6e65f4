#include "packing/pathmaps.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

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

std::string gamePathmapFolder(const std::string& gameDir, const std::string& mapName) {
    return gameDir + "bf1942\\levels\\" + mapName + "\\Pathfinding\\";
}

std::vector<std::string> listPathmaps(const std::string& folder) {
    const fs::path dir = resolvePath(folder);
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec || !fs::is_directory(dir))
        throw Error("Der Ordner " + folder + " kann nicht geöffnet werden. " +
                    systemReason(ec ? ec.value() : ENOTDIR));
    std::vector<std::string> names;
    for (const auto& entry : it) {
        const std::string name = pathText(entry.path().filename());
        if (endsWithIgnoringCase(name, ".raw") && entry.is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), listOrderLess);
    return names;
}

PathmapCopy copyPathmaps(const std::string& fromFolder, const std::vector<std::string>& names,
                         const std::string& levelDir) {
    PathmapCopy result;
    for (const std::string& name : names) {
        if (isExcludedPathmap(name))
            result.skipped.push_back(name);
        else if (copyFileReplacing(fromFolder + name, levelDir + "Pathfinding\\" + name))
            result.copied.push_back(name);
        else
            result.failed.push_back(name);
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
