#include "pathmaps/map_terrain.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <cmath>
#include <cstdio>

namespace tess::pathmaps {
namespace {

// The path-finding script the game generates the maps with: the addon's, else the level's.
std::optional<std::string> searchMapScript(const std::string& mapLevelDir,
                                           const std::string& addonDir) {
    for (const std::string* folder : {&addonDir, &mapLevelDir})
        if (!folder->empty() && fileExists(*folder + "AIPathFinding.con"))
            return readFileBytes(*folder + "AIPathFinding.con");
    return std::nullopt;
}

} // namespace

MapTerrain::MapTerrain(const std::string& mapLevelDir, const std::string& addonDir,
                       const std::string& mapFile) {
    try {
        if (mapLevelDir.empty() || !fileExists(mapLevelDir + "Init\\Terrain.con"))
            noTerrain_ = "Die Karte hat kein Gelände zu lesen: Init/Terrain.con fehlt.";
        else
            terrain_ = readTerrain(mapLevelDir);
    } catch (const std::exception& e) {
        noTerrain_ = "Das Gelände der Karte ist nicht zu lesen: " + withFullStop(e.what());
    }
    try {
        const auto script = searchMapScript(mapLevelDir, addonDir);
        const std::vector<SearchMapSettings> maps =
            script ? readSearchMaps(*script) : std::vector<SearchMapSettings>();
        if (const SearchMapSettings* map = searchMapOfFile(maps, fileNamePart(mapFile)))
            searchMap_ = *map;
        else
            noSearchMap_ = script ? "AIPathFinding.con nennt keine Suchkarte für die Klasse von " +
                                        fileNamePart(mapFile) + "."
                                  : "Weder das Addon noch die Karte hat ein AIPathFinding.con "
                                    "mit den Suchkarten der Klassen.";
    } catch (const std::exception& e) {
        noSearchMap_ = "AIPathFinding.con ist nicht zu lesen: " + withFullStop(e.what());
    }
}

std::string MapTerrain::whyNoVerdicts(const Grid& grid) const {
    if (grid.kind == Kind::regions)
        return "Gebietskarten werden nur gezeigt.";
    if (!terrain_)
        return noTerrain_;
    if (!searchMap_)
        return noSearchMap_;
    return notJudged_;
}

const TerrainVerdicts* MapTerrain::verdictsFor(const Grid& grid) {
    if (!whyNoVerdicts(grid).empty())
        return nullptr;
    if (!verdicts_ || verdicts_->size.width != grid.width ||
        verdicts_->size.height != grid.height || verdicts_->size.cellSize != grid.cellSize) {
        try {
            verdicts_ = judgeTerrain(*terrain_, *searchMap_, draftSizeOf(*terrain_, &grid));
        } catch (const std::exception& e) {
            verdicts_.reset();
            notJudged_ = "Das Gelände ist nicht zu beurteilen: " + withFullStop(e.what());
            return nullptr;
        }
    }
    return &*verdicts_;
}

std::string MapTerrain::groundText(double x, double z, double step) const {
    if (!terrain_ || x < 0 || z < 0 || x >= terrain_->worldSize || z >= terrain_->worldSize)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "Höhe %.1f m · Neigung %.0f°", terrain_->heightAt(x, z),
                  terrain_->slopeAt(x, z, step));
    std::string result = text;
    const std::size_t point = result.find('.');
    if (point != std::string::npos && point < result.find(" m"))
        result[point] = ',';
    return result;
}

areas::RgbaPicture drawVerdictLayer(const TerrainVerdicts& verdicts, std::uint8_t shown,
                                    const CellRect& cells, std::int32_t width,
                                    std::int32_t height) {
    areas::RgbaPicture out = clearLayer(width, height);
    if (out.rgba.empty() || shown == 0 || !cells.liesOn(verdicts.size.width, verdicts.size.height))
        return out;
    // The first of the shown reasons decides a cell's colour.
    Colour colours[32]{};
    for (std::uint8_t flags = 1; flags < 32; ++flags) {
        const std::uint8_t s = flags & shown;
        colours[flags] = s & kOutsideArea   ? kOutsideLayerColour
                         : s & kWaterBlocks ? kWaterLayerColour
                         : s & kTooSteep    ? kSteepLayerColour
                         : s & kUnreachable ? kUnreachableLayerColour
                                            : Colour{};
    }
    std::uint8_t* pixel = out.rgba.data();
    for (std::int32_t py = 0; py < height; ++py) {
        const std::int32_t z = cells.z + cells.height - 1 -
                               static_cast<std::int32_t>(std::int64_t{py} * cells.height / height);
        for (std::int32_t px = 0; px < width; ++px, pixel += 4) {
            const std::int32_t x =
                cells.x + static_cast<std::int32_t>(std::int64_t{px} * cells.width / width);
            const Colour& c = colours[verdicts.at(x, z) & 31];
            pixel[0] = c.r;
            pixel[1] = c.g;
            pixel[2] = c.b;
            pixel[3] = c.a;
        }
    }
    return out;
}

} // namespace tess::pathmaps
