// A finished addon to check, made by the real steps: Start on a level (our own made-up Hafen
// of 1024 metres, or Bastogne), an area script, the pathmaps the game would generate for the
// three classes Start names (Tank0, Infantry1, Car4) at levels 0 to 2, "ai.createallmaps"
// taken out as the import does, the archive packed by our archive tool into the game's levels
// folder and temp\pathf.bf written as the first pack writes it; on request the merged map.
#pragma once

#include "archive/archive.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "packing/pack_state.h"
#include "packing/pathmaps.h"
#include "scripts/start.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tess::test {

// Where a class's cells are blocked: rectangles of world units, [x0, x1) x [z0, z1).
struct Rect {
    double x0, z0, x1, z1;
};
using BlockedGround = std::vector<Rect>;

// A tiled pathmap of a world at one level of detail, in the game's layout: whole tiles as
// one marker, the others bit by bit (a cell is blocked when its centre is).
inline std::string tiledPathmap(int worldSize, int level, const BlockedGround& blocked) {
    const int cell = 1 << level;
    const int tiles = worldSize / cell / 64;
    int tilesLog = 0;
    while ((1 << tilesLog) < tiles)
        ++tilesLog;
    std::string out;
    for (const int field : {tilesLog, tilesLog, 6 + level, level, 0, 2, 0, -1})
        appendI32(out, field);
    const double edge = 64.0 * cell;
    for (int tz = 0; tz < tiles; ++tz)
        for (int tx = 0; tx < tiles; ++tx) {
            const Rect tile{tx * edge, tz * edge, (tx + 1) * edge, (tz + 1) * edge};
            bool touched = false;
            bool whole = false;
            for (const Rect& r : blocked) {
                touched |= r.x0 < tile.x1 && r.x1 > tile.x0 && r.z0 < tile.z1 && r.z1 > tile.z0;
                whole |= r.x0 <= tile.x0 && r.x1 >= tile.x1 && r.z0 <= tile.z0 && r.z1 >= tile.z1;
            }
            appendI32(out, whole ? 1 : touched ? -1 : 0);
            if (whole || !touched)
                continue;
            std::string bits(64 * 8, '\0');
            for (int z = 0; z < 64; ++z)
                for (int x = 0; x < 64; ++x) {
                    const double cx = tile.x0 + (x + 0.5) * cell;
                    const double cz = tile.z0 + (z + 0.5) * cell;
                    for (const Rect& r : blocked)
                        if (cx >= r.x0 && cx < r.x1 && cz >= r.z0 && cz < r.z1)
                            bits[static_cast<std::size_t>(z * 8 + x / 8)] |=
                                static_cast<char>(1 << (x % 8));
                }
            out += bits;
        }
    return out;
}

struct CheckLevel {
    std::string mapName;
    std::filesystem::path source; // the level folder
    int worldSize = 0;
    std::string areaScript; // the addon's AI/StrategicAreas.con
    BlockedGround blocked;  // the ground no class can cross
};

// Our own level: three areas in a row (Dorf, Huegel, Bahnhof), a control point in the first
// and the last, and one blocked corner that no spawn point or area touches.
inline CheckLevel hafen() {
    return {"Hafen",
            std::filesystem::path(TESS_SOURCE_DIR) / "tests/checks/fixtures/Hafen",
            1024,
            "rem *** Hafen: the strategic areas ***\r\n"
            "aiStrategicArea.create Dorf 128/128 384/384 100\r\n \r\n"
            "aiStrategicArea.create Huegel 512/128 768/384 80\r\n \r\n"
            "aiStrategicArea.create Bahnhof 512/640 768/896 150\r\n \r\n\r\n \r\n \r\n"
            "aiStrategicArea.setActive Dorf\r\n"
            "AIStrategicArea.addNeighbour Huegel\r\n"
            "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
            "AIStrategicArea.setOrderPosition Infantry 246/246\r\n"
            "aiStrategicArea.setSide 1\r\n\r\n"
            "aiStrategicArea.setActive Huegel\r\n"
            "AIStrategicArea.addNeighbour Dorf\r\n"
            "AIStrategicArea.addNeighbour Bahnhof\r\n"
            "AIStrategicArea.setOrderPosition Infantry 630/246\r\n"
            "aiStrategicArea.setSide 0\r\n\r\n"
            "aiStrategicArea.setActive Bahnhof\r\n"
            "AIStrategicArea.addNeighbour Huegel\r\n"
            "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
            "AIStrategicArea.setOrderPosition Infantry 630/758\r\n"
            "aiStrategicArea.setSide 2\r\n\r\n\r\n",
            {{896, 896, 1024, 1024}}};
}

// Bastogne with two halves as its areas, holding its seven control points, on open ground.
inline CheckLevel bastogne() {
    return {"Bastogne",
            testdata("levels/Bastogne"),
            2048,
            "aiStrategicArea.create West 0/0 1024/2048 100\r\n \r\n"
            "aiStrategicArea.create Ost 1024/0 2048/2048 100\r\n \r\n\r\n \r\n \r\n"
            "aiStrategicArea.setActive West\r\n"
            "AIStrategicArea.addNeighbour Ost\r\n"
            "AIStrategicArea.setOrderPosition Infantry 502/1014\r\n"
            "aiStrategicArea.setSide 1\r\n\r\n"
            "aiStrategicArea.setActive Ost\r\n"
            "AIStrategicArea.addNeighbour West\r\n"
            "AIStrategicArea.setOrderPosition Infantry 1526/1014\r\n"
            "aiStrategicArea.setSide 2\r\n\r\n\r\n",
            {}};
}

class AddonFixture {
public:
    AddonFixture(const ProgramFolder& program, CheckLevel level)
        : program_(program), level_(std::move(level)), game_(root_.path() / "Battlefield 1942") {
        WizardState state;
        intake::chooseMapAndWait(state, level_.source.string(), program_.text());
        intake::inspectMap(state, program_.text());
        scripts::runStart(state, {}, program_.text());
        addonText_ = state.levelDir;
        LineList ai = loadLines(addonText_ + "ai.con");
        packing::removeCreateAllMaps(ai);
        saveLines(addonText_ + "ai.con", ai);
        writeBytes(addon() / "AI/StrategicAreas.con", level_.areaScript);
        for (const char* name : {"Tank0", "Infantry1", "Car4"})
            writeMaps(name, level_.blocked);
        std::filesystem::create_directories(game_ / "bf1942/levels");
    }

    const CheckLevel& level() const { return level_; }
    std::filesystem::path addon() const { return program_.addon(level_.mapName); }
    std::filesystem::path game() const { return game_; }
    std::filesystem::path root() const { return root_.path(); }
    // The addon archive, where the first pack put it.
    std::filesystem::path archive() const {
        return game_ / "bf1942/levels" / (level_.mapName + "_001.rfa");
    }
    std::filesystem::path mergedArchive() const { return root_.path() / (level_.mapName + ".rfa"); }
    std::filesystem::path mergeFolder() const { return root_.path() / "merge" / level_.mapName; }

    // Levels 0 to 2 of a class, blocked where `blocked` says.
    void writeMaps(const std::string& name, const BlockedGround& blocked) const {
        for (int level = 0; level <= 2; ++level)
            writeBytes(addon() / "Pathfinding" /
                           (name + "Level" + std::to_string(level) + "Map.raw"),
                       tiledPathmap(level_.worldSize, level, blocked));
    }

    // Packs the addon (or `folder`) as the first pack does and writes temp\pathf.bf for an
    // archive at `target` (without ".rfa").
    void pack(const std::filesystem::path& folder = {}, std::string basePath = {},
              std::filesystem::path target = {}) const {
        if (basePath.empty())
            basePath = "bf1942/levels/" + level_.mapName;
        if (target.empty())
            target = archive();
        archive::packFolder(folder.empty() ? addon() : folder, basePath, target, false);
        WizardState state;
        state.levelDir = addonText_;
        state.gameDir = game_.string() + "/";
        state.packTarget = (target.parent_path() / target.stem()).string();
        state.mapName = level_.mapName;
        packing::writePackState(state, program_.text());
    }

    // The map and its addon in one folder, as "Entpacken" leaves them; packed by pack merged.
    void unpackMerged() const {
        copyTree(level_.source, mergeFolder());
        // The addon over it, its files replacing the map's in any letter case, as on Windows
        // (the level's own "AIpathFinding.con" gives way to the addon's "AIPathFinding.con").
        const std::map<std::string, std::string> map = filesUnder(mergeFolder());
        for (const auto& [relative, bytes] : filesUnder(addon())) {
            for (const auto& [own, unused] : map)
                if (own != relative && sameNameIgnoringCase(own, relative))
                    std::filesystem::remove(mergeFolder() / utf8Path(own));
            writeBytes(mergeFolder() / utf8Path(relative), bytes);
        }
    }
    void packMerged() const {
        archive::packFolder(mergeFolder(), "bf1942/levels/" + level_.mapName, mergedArchive(),
                            false);
    }

private:
    const ProgramFolder& program_;
    CheckLevel level_;
    TempDir root_;
    std::filesystem::path game_;
    std::string addonText_;
};

// Replaces the first `from` in a file by `to`; the text must be there.
inline void replaceIn(const std::filesystem::path& file, const std::string& from,
                      const std::string& to) {
    std::string text = readBytes(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << file;
    text.replace(at, from.size(), to);
    writeBytes(file, text);
}

} // namespace tess::test
