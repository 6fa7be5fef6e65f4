#include "checks/addon.h"

#include "archive/reader.h"
#include "areas/coordinates.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/paths.h"
#include "core/script_words.h"
#include "intake/map_inspection.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

namespace tess::checks {
namespace {

constexpr std::string_view kLevelsPrefix = "bf1942/levels/";

class NoFiles : public AddonFiles {
public:
    std::string read(const AddonFile& file) const override {
        throw Error("Die Datei " + file.path + " kann nicht gelesen werden");
    }
    std::string shownPath(const AddonFile& file) const override { return file.path; }
};

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           sameNameIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The level folders of an archive's entries ("bf1942/levels/<X>/..."): the one most entries
// lie in, with its name in the letter case of its first entry.
std::string mainLevelPath(const std::vector<archive::Entry>& entries) {
    std::map<std::string, std::pair<std::size_t, std::string>> levels;
    for (const archive::Entry& entry : entries) {
        const std::string name = archive::entryNameText(entry);
        if (name.size() <= kLevelsPrefix.size() ||
            !sameNameIgnoringCase(name.substr(0, kLevelsPrefix.size()), kLevelsPrefix))
            continue;
        const std::size_t slash = name.find('/', kLevelsPrefix.size());
        if (slash == std::string::npos || slash == kLevelsPrefix.size())
            continue;
        auto& level = levels[caseFoldedKey(name.substr(0, slash))];
        if (level.first++ == 0)
            level.second = name.substr(0, slash);
    }
    std::string best;
    std::size_t most = 0;
    for (const auto& [key, level] : levels)
        if (level.first > most) {
            most = level.first;
            best = level.second;
        }
    return best;
}

// The folder's own name, without the "_001" of an addon folder.
std::string mapNameOfFolder(const std::string& folder) {
    std::string name = folder;
    while (!name.empty() && isPathSeparator(name.back()))
        name.pop_back();
    name = fileNamePart(name);
    if (endsWithIgnoringCase(name, "_001"))
        name.resize(name.size() - 4);
    return name;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string worldNumber(double value) {
    // A tenth of a metre is as close as anyone looks on a map.
    return areas::formatNumber(std::round(value * 10) / 10);
}

std::string worldPoint(double x, double z) {
    return "(" + worldNumber(x) + "/" + worldNumber(z) + ")";
}

Addon::Addon(CheckTarget target) : target_(std::move(target)) {
    if (!fromArchive()) {
        files_ = folderFiles(target_.addonFolder);
        mapName_ = target_.mapName.empty() ? mapNameOfFolder(target_.addonFolder) : target_.mapName;
        levelPath_ = std::string(kLevelsPrefix) + mapName_;
        return;
    }
    try {
        reader_ = std::make_unique<archive::ArchiveReader>(resolvePath(target_.archive));
    } catch (const Error& e) {
        archiveError_ = e.what();
        files_ = std::make_unique<NoFiles>();
        return;
    }
    levelPath_ = mainLevelPath(reader_->entries());
    mapName_ = levelPath_.empty() ? std::string() : levelPath_.substr(kLevelsPrefix.size());
    if (levelPath_.empty())
        files_ = std::make_unique<NoFiles>();
    else
        files_ = archiveFiles(*reader_, levelPath_);
    mapArchive_ = files_->find("init.con") != nullptr;
}

Addon::~Addon() = default;

std::string Addon::shown() const {
    return fromArchive() ? target_.archive : target_.addonFolder;
}

std::optional<std::string> Addon::bytes(std::string_view path) {
    const std::string key = caseFoldedKey(path);
    if (const auto found = bytes_.find(key); found != bytes_.end())
        return found->second;
    std::optional<std::string> bytes;
    if (const AddonFile* file = files_->find(path)) {
        try {
            bytes = files_->read(*file);
        } catch (const Error&) {
        }
    }
    return bytes_[key] = std::move(bytes);
}

int Addon::createAllMapsLine() {
    const auto script = bytes(kAiScript);
    if (!script)
        return 0;
    int found = 0;
    forEachScriptCommand(*script, [&](const std::vector<std::string_view>& words, int line) {
        if (found == 0 && sameNameIgnoringCase(words[0], "ai.createallmaps"))
            found = line;
    });
    return found;
}

bool Addon::hasPathmaps() {
    return !pathmapFiles().empty();
}

std::optional<std::int32_t> Addon::worldSize() {
    if (worldSize_)
        return *worldSize_;
    std::optional<std::int32_t> size;
    if (const auto script = bytes(kAiScript))
        forEachScriptCommand(*script, [&](const std::vector<std::string_view>& words, int) {
            if (size || words.size() < 2 ||
                !sameNameIgnoringCase(words[0], "aiSettings.setWorldMapSize"))
                return;
            const auto value = scriptNumber(words[1]);
            if (value && *value >= 64 && *value <= 65536 && *value == static_cast<int>(*value))
                size = static_cast<std::int32_t>(*value);
        });
    if (!size) {
        std::optional<std::string> terrain;
        if (isMapArchive()) {
            terrain = bytes("Init/Terrain.con");
        } else if (!target_.mapLevelDir.empty()) {
            try {
                terrain = readFileBytes(target_.mapLevelDir + "init\\terrain.con");
            } catch (const Error&) {
            }
        }
        if (terrain)
            size = intake::readWorldSize(splitLines(decodeCp1252(*terrain))).size;
    }
    worldSize_ = size;
    return size;
}

const std::vector<SearchMap>& Addon::searchMaps() {
    if (searchMaps_)
        return *searchMaps_;
    searchMaps_.emplace();
    const auto script = bytes(kPathFindingScript);
    if (!script)
        return *searchMaps_;
    std::vector<SearchMap>& maps = *searchMaps_;
    std::map<int, int> spawnLines;
    forEachScriptCommand(*script, [&](const std::vector<std::string_view>& words, int line) {
        if (words.size() < 2)
            return;
        if (sameNameIgnoringCase(words[0], "ai.setMapSpawnPoints")) {
            if (const auto number = scriptNumber(words[1]))
                spawnLines[static_cast<int>(*number)] = line;
            return;
        }
        if (!sameNameIgnoringCase(words[0], "ai.addSearchMap"))
            return;
        SearchMap map;
        map.name = std::string(words[1]);
        map.line = line;
        std::size_t letters = 0;
        while (letters < map.name.size() &&
               std::isalpha(static_cast<unsigned char>(map.name[letters])))
            ++letters;
        map.className = map.name.substr(0, letters);
        std::size_t digits = letters;
        while (digits < map.name.size() && isDigit(map.name[digits]) && digits - letters < 6)
            ++digits;
        map.number = digits > letters && digits == map.name.size()
                         ? std::stoi(map.name.substr(letters))
                         : pathmaps::searchMapOfClass(map.className);
        maps.push_back(std::move(map));
    });

    const std::vector<const AddonFile*> files = pathmapFiles();
    for (SearchMap& map : maps) {
        if (map.number >= 0) {
            map.spawnPoints = pathmaps::spawnPointsOfSearchMap(*script, map.number);
            if (const auto line = spawnLines.find(map.number); line != spawnLines.end())
                map.spawnLine = line->second;
        }
        const std::string prefix = caseFoldedKey(map.name + "Level");
        for (const AddonFile* file : files) {
            const std::string name = fileNamePart(file->path);
            if (caseFoldedKey(name.substr(0, std::min(name.size(), prefix.size()))) == prefix &&
                pathmaps::levelInName(name) >= 0)
                map.maps.push_back(file);
        }
        std::stable_sort(map.maps.begin(), map.maps.end(),
                         [](const AddonFile* a, const AddonFile* b) {
                             const int la = pathmaps::levelInName(a->path);
                             const int lb = pathmaps::levelInName(b->path);
                             if (la != lb)
                                 return la < lb;
                             return !pathmaps::isEightBitPathmapName(a->path) &&
                                    pathmaps::isEightBitPathmapName(b->path);
                         });
    }
    return maps;
}

const std::vector<areas::LevelArea>& Addon::areas() {
    if (!areas_) {
        const auto script = bytes(kAreaScript);
        const std::int32_t size = worldSize().value_or(4096);
        areas_ = script ? areas::parseLevelAreas(decodeCp1252(*script), size,
                                                 std::max<std::int32_t>(1, size / 512))
                        : std::vector<areas::LevelArea>{};
    }
    return *areas_;
}

const AreaLinks& Addon::areaLinks() {
    if (!links_) {
        const auto script = bytes(kAreaScript);
        links_ = script ? parseAreaLinks(decodeCp1252(*script)) : AreaLinks{};
    }
    return *links_;
}

const std::vector<areas::ControlPoint>& Addon::controlPoints() {
    if (!controlPoints_) {
        const auto points = bytes("SinglePlayer/ControlPoints.con");
        const auto templates = bytes("SinglePlayer/ControlPointTemplates.con");
        controlPoints_ = points
                             ? areas::parseControlPoints(decodeCp1252(*points),
                                                         templates ? decodeCp1252(*templates) : "")
                             : std::vector<areas::ControlPoint>{};
    }
    return *controlPoints_;
}

std::vector<const AddonFile*> Addon::pathmapFiles() {
    std::vector<const AddonFile*> maps;
    for (const AddonFile* file : files_->under(kPathmapFolder))
        if (endsWithIgnoringCase(file->path, ".raw"))
            maps.push_back(file);
    return maps;
}

const PathmapFacts& Addon::pathmap(const AddonFile& file) {
    if (const auto found = pathmaps_.find(&file); found != pathmaps_.end())
        return found->second;
    auto grid = readGrid(file);
    // The finest map of each class is asked for again by the spawn, area and level checks:
    // it is kept, the others are not.
    if (grid)
        for (const SearchMap& map : searchMaps())
            if (!map.maps.empty() && map.maps.front() == &file)
                grids_[&file] = std::move(*grid);
    return pathmaps_[&file];
}

const pathmaps::Grid* Addon::finestGrid(const SearchMap& map) {
    if (map.maps.empty() || !pathmap(*map.maps.front()).readable)
        return nullptr;
    const auto found = grids_.find(map.maps.front());
    return found == grids_.end() ? nullptr : &found->second;
}

std::optional<pathmaps::Grid> Addon::readGrid(const AddonFile& file) {
    PathmapFacts facts;
    std::optional<pathmaps::Grid> grid;
    try {
        grid = pathmaps::parsePathmap(files_->read(file), file.path);
        facts.readable = true;
        facts.kind = grid->kind;
        facts.width = grid->width;
        facts.height = grid->height;
        facts.cellSize = grid->cellSize;
    } catch (const Error& e) {
        facts.error = e.what();
    }
    pathmaps_.try_emplace(&file, std::move(facts));
    return grid;
}

} // namespace tess::checks
