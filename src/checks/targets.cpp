#include "checks/targets.h"

#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "packing/pack_state.h"

#include <cerrno>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace tess::checks {
namespace {

std::string asFolderText(const fs::path& path) {
    std::string text = pathText(path);
    if (text.empty() || !isPathSeparator(text.back()))
        text += nativeSeparator();
    return text;
}

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(resolvePath(a), resolvePath(b), ec);
}

// The same file, also when it is gone: the paths compared as written, letter case aside.
bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto key = [&](const std::string& path) {
        return caseFoldedKey(pathText(fs::absolute(resolvePath(path), ec).lexically_normal()));
    };
    return !a.empty() && !b.empty() && key(a) == key(b);
}

bool isFolder(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_directory(resolvePath(folder), ec);
}

// Takes the archive of the first pack from temp\pathf.bf when that names this addon.
void addPackState(CheckTarget& target, const std::string& programFolder) {
    if (!target.packTarget.empty() || !fileExists(packing::packStatePath(programFolder)))
        return;
    WizardState packed;
    try {
        packing::restorePackState(packed, programFolder);
    } catch (const Error&) {
        return;
    }
    if (!sameFolder(packed.levelDir, target.addonFolder))
        return;
    target.packTarget = packed.packTarget;
    target.gameDir = packed.gameDir;
    if (target.mapName.empty())
        target.mapName = packed.mapName;
}

// A folder target for the addon of a map, with the map level folder when it is known.
CheckTarget mapAddon(const std::string& mapName, const std::string& mapLevelDir,
                     const std::string& programFolder) {
    CheckTarget target;
    target.addonFolder = intake::addonFolderOf(programFolder, mapName);
    target.mapName = mapName;
    target.mapLevelDir = mapLevelDir;
    if (!isFolder(target.addonFolder))
        throw TargetError("Das Addon der Karte " + mapName + " fehlt: " + target.addonFolder +
                          " gibt es nicht. Schreibe es zuerst mit tessarine-cli generate.");
    addPackState(target, programFolder);
    return target;
}

// The addon folders of the program folder: bf1942/levels/*_001.
std::vector<std::string> addonFolders(const std::string& programFolder) {
    std::vector<std::string> found;
    std::error_code ec;
    const fs::path levels = resolvePath(programFolder + "bf1942\\levels\\");
    for (auto it = fs::directory_iterator(levels, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = pathText(it->path().filename());
        std::error_code dirError;
        if (it->is_directory(dirError) && name.size() > 4 &&
            sameNameIgnoringCase(name.substr(name.size() - 4), "_001"))
            found.push_back(name);
    }
    return found;
}

} // namespace

CheckTarget targetOfState(const WizardState& state, const std::string& programFolder) {
    CheckTarget target;
    target.addonFolder = state.levelDir;
    target.mapName = state.mapName;
    target.mapLevelDir = state.mapLevelDir;
    target.packTarget = state.packTarget;
    target.gameDir = state.gameDir;
    addPackState(target, programFolder);
    // The network merge of this run took the addon archive (and may have disposed of it).
    if (!target.packTarget.empty() && !state.netMapArchive.empty() &&
        samePath(state.netAddonArchive, target.packTarget + ".rfa"))
        target.mergedArchive = state.netMapArchive;
    return target;
}

CheckTarget targetOfArgument(const std::string& argument, const std::string& programFolder) {
    if (argument.empty()) {
        if (fileExists(packing::packStatePath(programFolder))) {
            WizardState state;
            packing::restorePackState(state, programFolder);
            if (isFolder(state.levelDir))
                return targetOfState(state, programFolder);
        }
        const std::vector<std::string> folders = addonFolders(programFolder);
        if (folders.size() != 1)
            throw TargetError(
                folders.empty()
                    ? "Im Programmordner " + programFolder +
                          " liegt kein Addon. Nenne die Karte "
                          "oder das Archiv, das geprüft werden soll."
                    : "Im Programmordner " + programFolder + " liegen " +
                          std::to_string(folders.size()) +
                          " Addons. Nenne die Karte oder das Archiv, das geprüft werden soll.");
        const std::string& name = folders.front();
        const std::string mapName = name.substr(0, name.size() - 4);
        const std::string mapLevelDir = intake::levelFolderOf(programFolder, mapName);
        return mapAddon(mapName, isFolder(mapLevelDir) ? mapLevelDir : "", programFolder);
    }

    std::error_code ec;
    const fs::path given = fs::absolute(resolvePath(argument), ec);
    if (!ec && fs::is_regular_file(given, ec)) {
        const std::string name = fileNamePart(pathText(given));
        if (sameNameIgnoringCase(name, "init.con")) {
            const std::string folder = asFolderText(given.parent_path());
            return mapAddon(pathText(given.parent_path().filename()), folder, programFolder);
        }
        CheckTarget target;
        target.archive = pathText(given);
        return target;
    }
    if (!ec && fs::is_directory(given, ec)) {
        const std::string folder = asFolderText(given);
        if (fileExists(folder + "init.con"))
            return mapAddon(pathText(given.filename()), folder, programFolder);
        if (!fileExists(folder + "ai.con"))
            throw TargetError("Im Ordner " + folder + " liegt weder ein Addon (ai.con) noch " +
                              "eine Karte (init.con).");
        CheckTarget target;
        target.addonFolder = folder;
        addPackState(target, programFolder);
        return target;
    }
    if (fs::exists(fs::status(given, ec)))
        throw TargetError(argument + " ist keine Datei, sondern ein Gerät, eine Pipe oder ein "
                                     "Socket: geprüft wird ein Addon, eine Karte oder ein Archiv.");
    if (const std::string reason = missingReason(argument); reason == systemReason(ELOOP))
        throw TargetError(cannotOpen(argument, reason).what());
    // A map's name: its addon in the program folder.
    if (argument.find_first_of("/\\:") == std::string::npos) {
        const std::string mapLevelDir = intake::levelFolderOf(programFolder, argument);
        if (isFolder(intake::addonFolderOf(programFolder, argument)))
            return mapAddon(argument, isFolder(mapLevelDir) ? mapLevelDir : "", programFolder);
    }
    throw TargetError(argument + " gibt es nicht: weder eine Datei noch ein Ordner noch ein " +
                      "Addon im Programmordner.");
}

} // namespace tess::checks
