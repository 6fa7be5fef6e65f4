// The ground under a map open in the pathmap window: the level's terrain and the search map of
// the map's class, read once when the map opens, and the terrain's verdict on each of the
// map's cells, judged once the first time it is asked for (not at every picture). The window
// lays the verdicts over the map as layers, paints them with the brush "Gelände" and puts
// them in place of a class's finest map as its draft. Widget-free; never throws on reading: a
// level without terrain or a class without a search map says why in German.
#pragma once

#include "pathmaps/draft.h"
#include "pathmaps/picture.h"

#include <optional>
#include <string>

namespace tess::pathmaps {

class MapTerrain {
public:
    // Reads the terrain of the map level folder and the search map of `mapFile`'s class from
    // the addon's path-finding script, or from the level's own where the addon has none.
    // Either folder text may be empty.
    MapTerrain(const std::string& mapLevelDir, const std::string& addonDir,
               const std::string& mapFile);

    // The level's terrain; null when it has none that can be read.
    const Terrain* terrain() const { return terrain_ ? &*terrain_ : nullptr; }
    const SearchMapSettings* searchMap() const { return searchMap_ ? &*searchMap_ : nullptr; }
    // Why the terrain cannot judge the map's cells (no terrain, no search map for the class,
    // a region map): a German sentence, empty when it can.
    std::string whyNoVerdicts(const Grid& grid) const;
    // The verdicts for a grid of this map's size, judged the first time; null where
    // whyNoVerdicts says why (a judgement that failed included).
    const TerrainVerdicts* verdictsFor(const Grid& grid);

    // The ground at a world point, "Höhe 34,5 m · Neigung 12°", the slope over `step`
    // metres; empty without terrain or off the world.
    std::string groundText(double x, double z, double step) const;

private:
    std::optional<Terrain> terrain_;
    std::string noTerrain_;
    std::optional<SearchMapSettings> searchMap_;
    std::string noSearchMap_;
    std::optional<TerrainVerdicts> verdicts_;
    std::string notJudged_;
};

// The layers of verdicts the window shows, as the flags of TerrainVerdicts, and their colours.
inline constexpr Colour kWaterLayerColour{20, 90, 255, 140};
inline constexpr Colour kSteepLayerColour{255, 140, 0, 150};
inline constexpr Colour kOutsideLayerColour{0, 0, 0, 140};
inline constexpr Colour kUnreachableLayerColour{200, 0, 220, 130};

// The verdicts of a part of the grid as a layer `width` x `height` pixels, rows from the top
// as drawCellLayer draws the cells: a cell carrying one of the `shown` flags takes the colour
// of the first of them (outside, water, steep, unreachable), the others are clear.
areas::RgbaPicture drawVerdictLayer(const TerrainVerdicts& verdicts, std::uint8_t shown,
                                    const CellRect& cells, std::int32_t width, std::int32_t height);

} // namespace tess::pathmaps
