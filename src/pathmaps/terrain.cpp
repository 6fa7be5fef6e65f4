#include "pathmaps/terrain.h"

#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/script_words.h"
#include "pathmaps/grid.h"
#include "pathmaps/levels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

namespace tess::pathmaps {
namespace {

constexpr std::int32_t kFewestSamples = 16;
constexpr std::int32_t kMostSamples = 4096;
constexpr std::uintmax_t kLargestHeightmap =
    std::uintmax_t{2} * std::uintmax_t{kMostSamples} * std::uintmax_t{kMostSamples};
// A level without a world-size line is as large as the game's largest, as OK reads it.
constexpr std::int32_t kDefaultWorldSize = 4096;

bool isPowerOfTwo(double value) {
    if (value < 1 || value != std::floor(value) || value > 1e9)
        return false;
    const auto n = static_cast<std::uint64_t>(value);
    return (n & (n - 1)) == 0;
}

// The last value of a command's first argument in a script, as a number.
std::optional<double> lastNumber(std::string_view script, std::string_view command) {
    std::optional<double> value;
    forEachScriptCommand(script, [&](const std::vector<std::string_view>& words) {
        if (words.size() >= 2 && sameNameIgnoringCase(words[0], command))
            if (const auto number = scriptNumber(words[1]))
                value = number;
    });
    return value;
}

std::optional<WorldRect> combatAreaOf(std::string_view initScript, std::int32_t worldSize) {
    std::optional<WorldRect> area;
    forEachScriptCommand(initScript, [&](const std::vector<std::string_view>& words) {
        if (words.size() < 5 || !sameNameIgnoringCase(words[0], "game.setActiveCombatArea"))
            return;
        double v[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const auto number = scriptNumber(words[i + 1]);
            if (!number)
                return;
            v[i] = *number;
        }
        if (v[2] > 0 && v[3] > 0)
            area = WorldRect{v[0], v[1], v[2], v[3]};
    });
    if (!area)
        return std::nullopt;
    // What lies beyond the world is no ground of the level.
    const double world = worldSize;
    const double x0 = std::clamp(area->x, 0.0, world);
    const double z0 = std::clamp(area->z, 0.0, world);
    const double x1 = std::clamp(area->x + area->width, 0.0, world);
    const double z1 = std::clamp(area->z + area->height, 0.0, world);
    if (x1 <= x0 || z1 <= z0)
        return std::nullopt;
    return WorldRect{x0, z0, x1 - x0, z1 - z0};
}

std::int32_t samplesOf(std::size_t bytes) {
    for (std::int32_t n = kFewestSamples; n <= kMostSamples; n *= 2)
        if (std::size_t{2} * static_cast<std::size_t>(n) * static_cast<std::size_t>(n) == bytes)
            return n;
    return 0;
}

Error wrongHeightmap(const std::string& name, std::uintmax_t bytes) {
    return Error("Die Höhenkarte " + name + " hat " + std::to_string(bytes) +
                 " Bytes: erwartet ist ein Quadrat von 16-Bit-Höhen, 16 x 16 bis " +
                 std::to_string(kMostSamples) + " x " + std::to_string(kMostSamples) +
                 " Punkte mit einer Zweierpotenz als Kante (512 x 512 sind 524288 Bytes)");
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The ground over one square of the heightmap, (tx, tz) the point's place in it from 0 to 1:
// two flat triangles, split along the diagonal from h00 to h11.
double triangleHeight(double h00, double h10, double h01, double h11, double tx, double tz) {
    return tx >= tz ? h00 + (h10 - h00) * tx + (h11 - h10) * tz
                    : h00 + (h01 - h00) * tz + (h11 - h01) * tx;
}

} // namespace

double Terrain::sampleHeight(std::int32_t i, std::int32_t j) const {
    i = std::clamp(i, 0, samples - 1);
    j = std::clamp(j, 0, samples - 1);
    return heights[static_cast<std::size_t>(j) * static_cast<std::size_t>(samples) +
                   static_cast<std::size_t>(i)] /
           256.0 * yScale;
}

double Terrain::heightAt(double x, double z) const {
    const double fx = x / spacing();
    const double fz = z / spacing();
    const double ix = std::floor(fx);
    const double iz = std::floor(fz);
    // Far outside the heightmap every index clamps to its edge alike.
    const auto i = static_cast<std::int32_t>(std::clamp(ix, -1.0, double(samples)));
    const auto j = static_cast<std::int32_t>(std::clamp(iz, -1.0, double(samples)));
    return triangleHeight(sampleHeight(i, j), sampleHeight(i + 1, j), sampleHeight(i, j + 1),
                          sampleHeight(i + 1, j + 1), fx - ix, fz - iz);
}

CornerHeights::CornerHeights(const Terrain& terrain, double step, std::size_t columns)
    : terrain_(terrain), step_(step), first_(columns), second_(columns), along_(columns) {
    const std::int32_t last = terrain.samples - 1;
    for (std::size_t k = 0; k < columns; ++k) {
        const double fx = static_cast<double>(k) * step / terrain.spacing();
        const double ix = std::floor(fx);
        const auto i = static_cast<std::int32_t>(std::clamp(ix, -1.0, double(terrain.samples)));
        first_[k] = static_cast<std::size_t>(std::clamp(i, 0, last));
        second_[k] = static_cast<std::size_t>(std::clamp(i + 1, 0, last));
        along_[k] = fx - ix;
    }
}

void CornerHeights::row(std::int32_t row, std::vector<double>& heights) const {
    const double fz = row * step_ / terrain_.spacing();
    const double iz = std::floor(fz);
    const double tz = fz - iz;
    const auto j = static_cast<std::int32_t>(std::clamp(iz, -1.0, double(terrain_.samples)));
    // The two rows of samples the corners lie between, clamped as sampleHeight clamps.
    const auto samples = static_cast<std::size_t>(terrain_.samples);
    std::vector<double> below(samples);
    std::vector<double> above(samples);
    for (std::int32_t i = 0; i < terrain_.samples; ++i) {
        below[static_cast<std::size_t>(i)] = terrain_.sampleHeight(i, j);
        above[static_cast<std::size_t>(i)] = terrain_.sampleHeight(i, j + 1);
    }
    heights.resize(first_.size());
    for (std::size_t k = 0; k < first_.size(); ++k)
        heights[k] = triangleHeight(below[first_[k]], below[second_[k]], above[first_[k]],
                                    above[second_[k]], along_[k], tz);
}

Terrain::Rise Terrain::riseAt(double x, double z, double step) const {
    const double last = worldSize - step;
    const double height = heightAt(x, z);
    return {heightAt(std::max(x, std::min(x + step, last)), z) - height,
            heightAt(x, std::max(z, std::min(z + step, last))) - height};
}

double Terrain::slopeAt(double x, double z, double step) const {
    const Rise rise = riseAt(x, z, step);
    return std::atan(std::sqrt(rise.x * rise.x + rise.z * rise.z) / step) * 180.0 /
           std::numbers::pi;
}

std::string heightmapFileName(std::string_view terrainScript) {
    std::string name = "Heightmap";
    forEachScriptCommand(terrainScript, [&](const std::vector<std::string_view>& words) {
        if (words.size() >= 2 && sameNameIgnoringCase(words[0], "GeometryTemplate.file")) {
            std::string file = fileNamePart(words[1]);
            file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
            if (!file.empty())
                name = file;
        }
    });
    return name + ".raw";
}

Terrain parseTerrain(const TerrainFiles& files) {
    Terrain terrain;
    terrain.heightmapName = files.heightmapName;
    const auto world = lastNumber(files.terrainScript, "GeometryTemplate.worldSize");
    if (world && (!isPowerOfTwo(*world) || *world < 64 || *world > 65536))
        throw Error("Die Geländedatei " + files.terrainScriptName + " nennt als Weltgröße " +
                    numberText(*world) +
                    ": erwartet ist eine Zweierpotenz von 64 bis 65536 Metern");
    terrain.worldSize = world ? static_cast<std::int32_t>(*world) : kDefaultWorldSize;
    terrain.yScale = lastNumber(files.terrainScript, "GeometryTemplate.yScale").value_or(1.0);
    terrain.waterLevel =
        lastNumber(files.terrainScript, "GeometryTemplate.waterLevel").value_or(0.0);

    terrain.samples = samplesOf(files.heightmap.size());
    if (terrain.samples == 0)
        throw wrongHeightmap(files.heightmapName, files.heightmap.size());
    terrain.heights.resize(files.heightmap.size() / 2);
    const auto* bytes = reinterpret_cast<const unsigned char*>(files.heightmap.data());
    for (std::size_t i = 0; i < terrain.heights.size(); ++i)
        terrain.heights[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);

    // An object is its "Object.create" line, then its place and its rotation.
    std::string name;
    bool placed = false;
    forEachScriptCommand(files.staticObjects, [&](const std::vector<std::string_view>& words) {
        if (words.size() < 2)
            return;
        if (sameNameIgnoringCase(words[0], "Object.create")) {
            name = std::string(words[1]);
            placed = false;
            return;
        }
        const auto vector = scriptVector(words[1]);
        if (!vector || vector->size() != 3)
            return;
        if (sameNameIgnoringCase(words[0], "Object.absolutePosition")) {
            terrain.staticObjects.push_back({name, (*vector)[0], (*vector)[2], 0});
            placed = true;
        } else if (placed && sameNameIgnoringCase(words[0], "Object.rotation")) {
            terrain.staticObjects.back().yaw = (*vector)[0];
        }
    });

    const auto area = combatAreaOf(files.initScript, terrain.worldSize);
    terrain.hasCombatArea = area.has_value();
    terrain.combatArea =
        area.value_or(WorldRect{0, 0, double(terrain.worldSize), double(terrain.worldSize)});
    return terrain;
}

Terrain readTerrain(const std::string& levelFolder) {
    TerrainFiles files;
    files.terrainScriptName = levelFolder + "Init\\Terrain.con";
    files.terrainScript = readFileBytes(files.terrainScriptName);
    if (fileExists(levelFolder + "Init.con"))
        files.initScript = readFileBytes(levelFolder + "Init.con");
    if (fileExists(levelFolder + "StaticObjects.con"))
        files.staticObjects = readFileBytes(levelFolder + "StaticObjects.con");
    files.heightmapName = levelFolder + heightmapFileName(files.terrainScript);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(resolvePath(files.heightmapName), error);
    if (!error && size > kLargestHeightmap)
        throw wrongHeightmap(files.heightmapName, size);
    files.heightmap = readFileBytes(files.heightmapName);
    return parseTerrain(files);
}

std::vector<SearchMapSettings> readSearchMaps(std::string_view scriptBytes) {
    std::vector<SearchMapSettings> maps;
    forEachScriptCommand(scriptBytes, [&](const std::vector<std::string_view>& words) {
        if (words.size() < 2 || !sameNameIgnoringCase(words[0], "ai.addSearchMap"))
            return;
        SearchMapSettings map;
        map.name = std::string(words[1]);
        std::size_t letters = 0;
        while (letters < map.name.size() && isLetter(map.name[letters]))
            ++letters;
        map.className = map.name.substr(0, letters);
        // name, water class, water depth, maximum slope, size, the two clip levels, whether
        // the AI types count: what is missing keeps its default.
        const auto field = [&](std::size_t i) {
            return i < words.size() ? scriptNumber(words[i]) : std::nullopt;
        };
        map.waterClass = field(2).value_or(0) != 0;
        map.waterDepth = field(3).value_or(0);
        map.maxSlope = field(4).value_or(90);
        map.size = std::max(field(5).value_or(1), 0.0);
        map.lowClip = field(6).value_or(0);
        map.hiClip = field(7).value_or(0);
        map.considerAITypes = field(8).value_or(0) != 0;
        std::size_t digits = letters;
        while (digits < map.name.size() && isDigit(map.name[digits]) && digits - letters < 6)
            ++digits;
        const int named = digits > letters && digits == map.name.size()
                              ? std::stoi(map.name.substr(letters))
                              : searchMapOfClass(map.className);
        map.number = named;
        map.spawnPoints = named >= 0 ? spawnPointsOfSearchMap(scriptBytes, named) : std::nullopt;
        if (!map.spawnPoints) {
            const int place = static_cast<int>(maps.size());
            if (auto points = spawnPointsOfSearchMap(scriptBytes, place)) {
                map.number = place;
                map.spawnPoints = std::move(points);
            }
        }
        maps.push_back(std::move(map));
    });
    return maps;
}

const SearchMapSettings* searchMapNamed(const std::vector<SearchMapSettings>& maps,
                                        std::string_view name) {
    for (const SearchMapSettings& map : maps)
        if (sameNameIgnoringCase(map.name, name))
            return &map;
    for (const SearchMapSettings& map : maps)
        if (sameNameIgnoringCase(map.className, name))
            return &map;
    return nullptr;
}

const SearchMapSettings* searchMapOfFile(const std::vector<SearchMapSettings>& maps,
                                         std::string_view fileName) {
    if (const auto name = mapNameOf(fileName))
        for (const SearchMapSettings& map : maps)
            if (sameNameIgnoringCase(map.name, name->searchMap))
                return &map;
    const std::string className = pathmapClass(fileName);
    return className.empty() ? nullptr : searchMapNamed(maps, className);
}

} // namespace tess::pathmaps
