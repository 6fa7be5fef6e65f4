#include "packing/level_archive.h"

#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::packing {
namespace {

// The components of a stored name ("/" or "\" separate), in UTF-8.
std::vector<std::string> componentsOf(const archive::Entry& entry) {
    const std::string name = archive::entryNameText(entry);
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i)
        if (i == name.size() || isPathSeparator(name[i])) {
            if (i > start)
                parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

// The level an entry lies in, or empty.
std::string levelOf(const archive::Entry& entry) {
    const std::vector<std::string> parts = componentsOf(entry);
    if (parts.size() < 4 || !sameNameIgnoringCase(parts[0], "bf1942") ||
        !sameNameIgnoringCase(parts[1], "levels"))
        return {};
    return parts[2];
}

} // namespace

std::string nameInLevel(const archive::Entry& entry, const std::string& level) {
    const std::vector<std::string> parts = componentsOf(entry);
    if (level.empty() || parts.size() < 4 || !sameNameIgnoringCase(parts[0], "bf1942") ||
        !sameNameIgnoringCase(parts[1], "levels") || !sameNameIgnoringCase(parts[2], level))
        return {};
    std::string rest = parts[3];
    for (std::size_t i = 4; i < parts.size(); ++i)
        rest += "/" + parts[i];
    return rest;
}

LevelArchive readLevelArchive(const std::string& windowsPath) {
    const fs::path path = resolvePath(windowsPath);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        throw cannotOpen(windowsPath,
                         systemReason(ec.value() == ELOOP ? ELOOP : ENOENT, windowsPath));
    if (!fs::is_regular_file(status))
        throw cannotOpen(windowsPath,
                         fs::is_directory(status) ? systemReason(EISDIR) : notARegularFileReason());
    LevelArchive result;
    result.path = windowsPath;
    archive::ArchiveReader reader(path);
    result.entries = reader.entries();
    archive::checkExtractable(result.entries, reader.displayName());
    if (!result.entries.empty())
        result.level = levelOf(result.entries.front());
    for (const archive::Entry& entry : result.entries) {
        const std::string inLevel = nameInLevel(entry, result.level);
        if (inLevel.empty()) {
            if (result.outside.empty())
                result.outside = archive::entryNameShown(entry);
            continue;
        }
        result.hasInitCon = result.hasInitCon || sameNameIgnoringCase(inLevel, "init.con");
        result.hasAiCon = result.hasAiCon || sameNameIgnoringCase(inLevel, "ai.con");
    }
    return result;
}

std::string mapArchiveReason(const LevelArchive& archive) {
    return archive.hasInitCon ? "Es enthält die init.con einer Map." : "";
}

std::string notAnAddonReason(const std::string& windowsPath, const std::string& mapName) {
    LevelArchive archive;
    try {
        archive = readLevelArchive(windowsPath);
    } catch (const Error& e) {
        return withFullStop(e.what());
    }
    if (archive.entries.empty())
        return "Das Archiv ist leer.";
    if (!sameNameIgnoringCase(archive.level, mapName) || !archive.outside.empty())
        return "Es enthält Dateien außerhalb von bf1942/levels/" + mapName + "/ (\"" +
               (archive.outside.empty() ? archive::entryNameShown(archive.entries.front())
                                        : archive.outside) +
               "\").";
    if (const std::string reason = mapArchiveReason(archive); !reason.empty())
        return reason;
    if (!archive.hasAiCon)
        return "Ihm fehlt die ai.con eines Addons.";
    return {};
}

} // namespace tess::packing
