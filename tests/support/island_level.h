// A made-up level whose terrain's verdicts are obvious: a lake with an island, a cliff up to a
// plateau, a strip outside the combat area, a house and barbed wire.
#pragma once

#include "test_support.h"

#include <string>

namespace tess::test {

// 256 m of world in 64 x 64 samples of 4 m, water at 10 m, the ground at 20 m but for a lake
// (4 m deep under the water level... 6 m: its floor at 4 m) from 32 to 96 m along both axes
// with an island (20 m) from 56 to 72 m in it, and a plateau at 60 m from X 160 m on, behind a
// cliff of 40 m. The combat area ends at X 224 m. A house stands at 120.5/180.5, barbed wire
// at 40.5/150.5 along Z.
inline const char* const kIslandTerrain =
    "rem the island level\r\n"
    "geometrytemplate.create patchTerrain terrainGeometry\r\n"
    "GEOMETRYTEMPLATE.FILE bf1942\\levels\\Insel\\Heightmap\r\n"
    "GeometryTemplate.worldSize 256\r\n"
    "GeometryTemplate.yScale 1\r\n"
    "geometryTemplate.waterLevel 10\r\n";

inline std::string islandHeightmap() {
    std::string bytes;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            const auto inside = [&](int from, int to) {
                return i * 4 >= from && i * 4 <= to && j * 4 >= from && j * 4 <= to;
            };
            const int metres = i * 4 >= 160 ? 60 : inside(56, 72) ? 20 : inside(32, 96) ? 4 : 20;
            const int sample = metres * 256;
            bytes += static_cast<char>(sample & 0xff);
            bytes += static_cast<char>(sample >> 8);
        }
    return bytes;
}

// The island level in a folder, its files in other letter cases than the game names them.
inline void writeIslandLevel(const std::filesystem::path& dir) {
    writeBytes(dir / "INIT/terrain.CON", kIslandTerrain);
    writeBytes(dir / "init.con", "Game.setActiveCombatArea 0 0 224 256\r\n");
    writeBytes(dir / "HEIGHTMAP.RAW", islandHeightmap());
    writeBytes(dir / "staticobjects.con", "rem *** a house ***\r\nObject.create house\r\n"
                                          "Object.absolutePosition 120.5/20/180.5\r\n"
                                          "rem Object.absolutePosition 130/20/130\r\n"
                                          "Object.create SteBarbWire_m1\r\n"
                                          "Object.absolutePosition 40.5/20/150.5\r\n"
                                          "Object.rotation 0/0.5/0\r\n");
}

} // namespace tess::test
