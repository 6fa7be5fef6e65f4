#include "pathmaps/levels.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "pathmaps/writer.h"

#include <algorithm>
#include <cstring>
#include <regex>

namespace tess::pathmaps {
namespace {

// A file to be written: its new bytes and, when it exists, what it holds now.
struct Planned {
    std::string path;
    std::string bytes;
    std::optional<std::string> current;
    // Where the game's version comes from when the file does not exist yet.
    std::string gameVersion;
};

std::optional<std::string> bytesIfPresent(const std::string& path) {
    if (!fileExists(path))
        return std::nullopt;
    return readFileBytes(path);
}

// Whether any row of the edited map differs from before, row by row.
std::vector<bool> changedRows(const Grid& edited, const std::vector<std::uint8_t>& before) {
    std::vector<bool> rows(static_cast<std::size_t>(edited.height));
    const auto width = static_cast<std::size_t>(edited.width);
    for (std::int32_t z = 0; z < edited.height; ++z) {
        const std::size_t first = edited.index(0, z);
        rows[static_cast<std::size_t>(z)] =
            std::memcmp(edited.cells.data() + first, before.data() + first, width) != 0;
    }
    return rows;
}

// Brings a map `factor` times coarser than the edited one (1: its twin) up to date: a cell
// over finer cells of which any changed becomes blocked when any of them is blocked. The
// tiles whose cells changed lose their markers.
void updateCoarser(Grid& coarse, std::int32_t factor, const Grid& edited,
                   const std::vector<std::uint8_t>& before, const std::vector<bool>& rowChanged,
                   std::vector<std::int32_t>& markers) {
    const std::int32_t tileEdge = coarse.tileEdge > 0 ? coarse.tileEdge : coarse.width;
    const std::int32_t tilesX = coarse.width / tileEdge;
    for (std::int32_t z = 0; z < coarse.height; ++z) {
        const std::int32_t firstRow = z * factor;
        bool anyRow = false;
        for (std::int32_t r = firstRow; r < firstRow + factor; ++r)
            anyRow = anyRow || rowChanged[static_cast<std::size_t>(r)];
        if (!anyRow)
            continue;
        for (std::int32_t x = 0; x < coarse.width; ++x) {
            bool changed = false;
            bool blocked = false;
            for (std::int32_t r = firstRow; r < firstRow + factor; ++r) {
                const std::size_t first = edited.index(x * factor, r);
                for (std::size_t i = first; i < first + static_cast<std::size_t>(factor); ++i) {
                    changed = changed || edited.cells[i] != before[i];
                    blocked = blocked || edited.cells[i] != kPassable;
                }
            }
            if (!changed)
                continue;
            const std::uint8_t value = blocked ? kBlocked : kPassable;
            std::uint8_t& cell = coarse.cells[coarse.index(x, z)];
            if (cell == value)
                continue;
            cell = value;
            const std::size_t tile = static_cast<std::size_t>(z / tileEdge) * tilesX +
                                     static_cast<std::size_t>(x / tileEdge);
            if (tile < markers.size())
                markers[tile] = kNoMarker;
        }
    }
}

std::string sizeText(const Grid& grid) {
    return std::to_string(grid.width) + " x " + std::to_string(grid.height);
}

} // namespace

std::optional<MapName> mapNameOf(std::string_view fileName) {
    static const std::regex shape(R"(^([A-Za-z]+[0-9]*)level([0-9]{1,2})map(8bit)?\.raw$)",
                                  std::regex::icase);
    const std::string name = fileNamePart(fileName);
    std::smatch match;
    if (!std::regex_match(name, match, shape))
        return std::nullopt;
    return MapName{match[1].str(), std::stoi(match[2].str()), match[3].matched};
}

std::vector<LevelFile> classMapsBeside(const std::string& mapFile) {
    const std::optional<MapName> own = mapNameOf(mapFile);
    if (!own)
        return {};
    const std::string folder = folderPart(mapFile);
    std::vector<std::string> names;
    try {
        names = Folder(resolvePath(folder.empty() ? "." : folder)).names();
    } catch (const Error&) {
        return {};
    }
    std::vector<LevelFile> maps;
    for (const std::string& name : names) {
        const std::optional<MapName> other = mapNameOf(name);
        if (other && sameNameIgnoringCase(other->searchMap, own->searchMap) &&
            !sameNameIgnoringCase(name, fileNamePart(mapFile)))
            maps.push_back({folder + name, *other});
    }
    std::sort(maps.begin(), maps.end(), [](const LevelFile& a, const LevelFile& b) {
        return std::tie(a.name.level, a.name.eightBit, a.path) <
               std::tie(b.name.level, b.name.eightBit, b.path);
    });
    return maps;
}

std::optional<std::string> regionMapBeside(const std::string& mapFile) {
    const std::string className = pathmapClass(fileNamePart(mapFile));
    if (className.empty())
        return std::nullopt;
    const std::string path = folderPart(mapFile) + className + "Info.raw";
    if (!fileExists(path))
        return std::nullopt;
    return folderPart(mapFile) + pathText(resolvePath(path).filename());
}

std::vector<std::string> classFilesOf(const std::string& mapFile) {
    std::vector<std::string> files{mapFile};
    for (const LevelFile& other : classMapsBeside(mapFile))
        files.push_back(other.path);
    if (const auto regions = regionMapBeside(mapFile))
        files.push_back(*regions);
    const std::string className = pathmapClass(fileNamePart(mapFile));
    if (!className.empty())
        files.push_back(folderPart(mapFile) + className + ".raw");
    const std::size_t maps = files.size();
    for (std::size_t i = 0; i < maps; ++i)
        files.push_back(originalNameOf(files[i]));
    return files;
}

SaveReport saveMapWithLevels(const Grid& edited, const std::vector<std::uint8_t>& before,
                             const std::string& target, const std::string& readFrom) {
    if (edited.kind == Kind::regions)
        throw Error("Die Gebietskarte " + fileNamePart(target) +
                    " wird nicht geschrieben: wie das Spiel ihre Gebiete zählt, ist nicht bekannt");
    if (before.size() != edited.cells.size())
        throw Error("Die Pathmap " + fileNamePart(target) +
                    " kann nicht gespeichert werden: die Felder von vorher fehlen");

    // Everything is read, checked and encoded first; only then is anything written.
    SaveReport report;
    std::vector<Planned> planned;
    {
        Planned own{target,
                    encodePathmap(edited, markersAfterChange(edited, before), &report.tileMarkers),
                    bytesIfPresent(target), readFrom};
        if (own.current != own.bytes)
            planned.push_back(std::move(own));
    }
    const std::optional<MapName> name = mapNameOf(target);
    if (name) {
        const std::vector<bool> rowChanged = changedRows(edited, before);
        for (const LevelFile& other : classMapsBeside(target)) {
            if (other.name.level < name->level)
                continue;
            const int steps = other.name.level - name->level;
            if (steps > 12)
                continue;
            const std::int32_t factor = std::int32_t{1} << steps;
            std::string current = readFileBytes(other.path);
            Grid coarse = parsePathmap(current, other.path);
            if (coarse.kind == Kind::regions)
                continue;
            if (std::int64_t{coarse.width} * factor != edited.width ||
                std::int64_t{coarse.height} * factor != edited.height)
                throw Error("Die Pathmap " + fileNamePart(other.path) + " passt mit " +
                            sizeText(coarse) + " Feldern nicht zu " + fileNamePart(target) +
                            " mit " + sizeText(edited) + " Feldern; nichts wurde gespeichert");
            std::vector<std::int32_t> markers = coarse.tileMarkers;
            updateCoarser(coarse, factor, edited, before, rowChanged, markers);
            std::string bytes = encodePathmap(coarse, markers, nullptr);
            if (bytes != current)
                planned.push_back({other.path, std::move(bytes), std::move(current), {}});
        }
    }

    // The game's versions first, then the maps, all of them whole or none.
    std::vector<FileChange> changes;
    for (const Planned& file : planned) {
        const std::string original = originalNameOf(file.path);
        if (fileExists(original))
            continue;
        if (file.current) {
            changes.push_back({original, *file.current, std::nullopt});
        } else if (!file.gameVersion.empty() && fileExists(file.gameVersion)) {
            changes.push_back({original, readFileBytes(file.gameVersion), std::nullopt});
        } else {
            continue;
        }
        report.originalsKept.push_back(fileNamePart(original));
    }
    // Moved, not copied: on a 4096 level the maps and their game versions are megabytes.
    for (Planned& file : planned) {
        report.written.push_back(fileNamePart(file.path));
        changes.push_back({std::move(file.path), std::move(file.bytes), std::move(file.current)});
    }
    writeFilesTogether(changes);
    return report;
}

std::vector<std::string> keptOriginals(const std::string& target) {
    std::vector<std::string> files{target};
    for (const LevelFile& other : classMapsBeside(target))
        files.push_back(other.path);
    std::vector<std::string> kept;
    for (const std::string& file : files)
        if (fileExists(originalNameOf(file)))
            kept.push_back(file);
    return kept;
}

std::vector<std::string> restoreOriginals(const std::string& target) {
    std::vector<std::string> restored;
    std::vector<FileChange> changes;
    const std::vector<std::string> files = keptOriginals(target);
    for (const std::string& file : files) {
        changes.push_back({file, readFileBytes(originalNameOf(file)), bytesIfPresent(file)});
        restored.push_back(fileNamePart(file));
    }
    writeFilesTogether(changes);
    for (const std::string& file : files)
        deleteFile(originalNameOf(file));
    return restored;
}

} // namespace tess::pathmaps
