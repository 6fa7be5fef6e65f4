// The ground under the pathmaps: the terrain of the test data's three levels as their bytes
// say, a made-up island level whose draft is obvious (a lake, a cliff, an island reached only
// across the water, a strip outside the combat area), and the game's own maps of the three
// levels against their drafts.
#include "pathmaps/draft.h"
#include "pathmaps/writer.h"
#include "support/island_level.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tess::pathmaps;
using tess::test::errorMessage;
using tess::test::testdata;
using tess::test::writeBytes;
using tess::test::writeIslandLevel;

namespace {

std::string level(const std::string& name) {
    return testdata("levels/" + name) + "/";
}

std::vector<SearchMapSettings> searchMapsOf(const std::string& name) {
    return readSearchMaps(tess::test::readBytes(level(name) + "AIpathFinding.con"));
}

} // namespace

TEST(TerrainReader, TheThreeLevelsAsTheirBytesSay) {
    struct Sample {
        std::int32_t i, j;
        std::uint16_t bytes; // little-endian in the file: at 2 x (j x 512 + i)
        double metres;
    };
    struct Row {
        const char* level;
        double yScale, waterLevel;
        bool hasArea;
        WorldRect area;
        Sample samples[2];
    };
    const Row rows[] = {
        {"LD_Omaha_Day1",
         0.35,
         7.1,
         true,
         {935, 850, 800, 800},
         {{300, 200, 0xC5DE, 69.2535}, {256, 256, 0x2324, 12.2992}}},
        {"Corsica",
         0.6,
         88,
         false,
         {0, 0, 2048, 2048},
         {{256, 256, 0xDA97, 131.1539}, {300, 200, 0xAB0B, 102.6258}}},
        // Its combat area is a "rem" line: the whole world.
        {"Bastogne",
         1,
         50,
         false,
         {0, 0, 2048, 2048},
         {{0, 0, 0xABAB, 171.6680}, {300, 200, 0x9737, 151.2148}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        const Terrain terrain = readTerrain(level(row.level));
        EXPECT_EQ(terrain.worldSize, 2048);
        EXPECT_EQ(terrain.samples, 512);
        EXPECT_EQ(terrain.spacing(), 4.0);
        EXPECT_DOUBLE_EQ(terrain.yScale, row.yScale);
        EXPECT_DOUBLE_EQ(terrain.waterLevel, row.waterLevel);
        EXPECT_EQ(terrain.hasCombatArea, row.hasArea);
        EXPECT_EQ(terrain.combatArea.x, row.area.x);
        EXPECT_EQ(terrain.combatArea.z, row.area.z);
        EXPECT_EQ(terrain.combatArea.width, row.area.width);
        EXPECT_EQ(terrain.combatArea.height, row.area.height);
        for (const Sample& s : row.samples) {
            EXPECT_EQ(terrain.heights[static_cast<std::size_t>(s.j * 512 + s.i)], s.bytes);
            EXPECT_NEAR(terrain.heightAt(s.i * 4.0, s.j * 4.0), s.metres, 1e-4);
        }
    }

    // The search maps with what the game reads of them; Bastogne gives Car4's spawn points as
    // those of its third map.
    struct Map {
        const char* level;
        const char* name;
        bool water;
        double depth, slope, size, lowClip, hiClip;
        bool aiTypes;
        int number;
        SpawnPoint spawn;
    };
    const Map maps[] = {
        {"LD_Omaha_Day1", "Boat2", true, 8, 30, 125, 0.3, 2.5, false, 2, {1447, 1522}},
        {"LD_Omaha_Day1", "Infantry1", false, 1.5, 40, 1, 0.4, 2, true, 1, {1418.38, 930.84}},
        {"Corsica", "Car4", false, 0, 20, 4, 0.3, 2.5, false, 2, {1024, 1024}},
        {"Bastogne", "Car4", false, 0, 20, 4, 0.3, 2.5, false, 2, {804.514, 1019}},
        {"Bastogne", "Infantry1", false, 1.5, 30, 1, 0.4, 2, true, 1, {904.246, 1006.28}},
    };
    for (const Map& m : maps) {
        SCOPED_TRACE(std::string(m.level) + " " + m.name);
        const std::vector<SearchMapSettings> all = searchMapsOf(m.level);
        const SearchMapSettings* map = searchMapNamed(all, m.name);
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->waterClass, m.water);
        EXPECT_EQ(map->waterDepth, m.depth);
        EXPECT_EQ(map->maxSlope, m.slope);
        EXPECT_EQ(map->size, m.size);
        EXPECT_EQ(map->lowClip, m.lowClip);
        EXPECT_EQ(map->hiClip, m.hiClip);
        EXPECT_EQ(map->considerAITypes, m.aiTypes);
        EXPECT_EQ(map->number, m.number);
        ASSERT_TRUE(map->spawnPoints && map->spawnPoints->size() == 1);
        EXPECT_EQ(map->spawnPoints->front().x, m.spawn.x);
        EXPECT_EQ(map->spawnPoints->front().z, m.spawn.z);
    }
    // A pathmap finds its search map by its class, whatever number its name carries.
    EXPECT_EQ(searchMapOfFile(searchMapsOf("Bastogne"), "infantry0Level0Map.raw")->name,
              "Infantry1");
}

TEST(TerrainReader, AnyLetterCaseNoCombatAreaAndAHeightmapOfTheWrongSize) {
    tess::test::TempDir dir;
    writeIslandLevel(dir.path());
    Terrain terrain = readTerrain(dir.text());
    EXPECT_EQ(terrain.worldSize, 256);
    EXPECT_EQ(terrain.samples, 64);
    EXPECT_EQ(terrain.waterLevel, 10);
    EXPECT_EQ(terrain.combatArea.width, 224);
    // Between samples the ground is interpolated: halfway down the cliff, a quarter onto it;
    // at the lake's corner (20 m but for the sample at 32/32, 4 m) on the triangle that holds
    // the diagonal (bilinear would give 17 and 16 m).
    EXPECT_DOUBLE_EQ(terrain.heightAt(158, 100), 40);
    EXPECT_DOUBLE_EQ(terrain.heightAt(157, 100), 30);
    EXPECT_DOUBLE_EQ(terrain.heightAt(31, 29), 16);
    EXPECT_DOUBLE_EQ(terrain.heightAt(30, 30), 12);
    // The rise to the next metre: 10 m up the cliff.
    EXPECT_NEAR(terrain.slopeAt(158, 100, 1), 84.29, 0.01);
    EXPECT_EQ(terrain.slopeAt(120, 200, 1), 0);
    ASSERT_EQ(terrain.staticObjects.size(), 2u);
    EXPECT_EQ(terrain.staticObjects[1].name, "SteBarbWire_m1");
    EXPECT_EQ(terrain.staticObjects[1].z, 150.5);
    EXPECT_EQ(terrain.staticObjects[1].yaw, 0);

    std::filesystem::remove(dir / "init.con");
    terrain = readTerrain(dir.text());
    EXPECT_FALSE(terrain.hasCombatArea);
    EXPECT_EQ(terrain.combatArea.width, 256);

    writeBytes(dir / "HEIGHTMAP.RAW", std::string(1000, '\0'));
    EXPECT_EQ(errorMessage([&] { readTerrain(dir.text()); }),
              "Die Höhenkarte " + dir.text() +
                  "Heightmap.raw hat 1000 Bytes: erwartet ist ein Quadrat von 16-Bit-Höhen, "
                  "16 x 16 bis 4096 x 4096 Punkte mit einer Zweierpotenz als Kante (512 x 512 "
                  "sind 524288 Bytes)");
}

TEST(TerrainDraft, ALakeACliffAndAnIslandReachedOnlyAcrossTheWater) {
    tess::test::TempDir dir;
    writeIslandLevel(dir.path());
    const Terrain terrain = readTerrain(dir.text());
    const auto settings = [](bool water, double depth, double size,
                             std::vector<SpawnPoint> spawns) {
        SearchMapSettings map;
        map.waterClass = water;
        map.waterDepth = depth;
        map.maxSlope = 30;
        map.size = size;
        map.considerAITypes = size < 2;
        if (!spawns.empty())
            map.spawnPoints = spawns;
        return map;
    };
    const SearchMapSettings tank = settings(false, 0, 3, {{120, 200}});
    const SearchMapSettings onThePlateau = settings(false, 0, 3, {{190, 100}});
    const SearchMapSettings withoutSpawns = settings(false, 0, 3, {});
    const SearchMapSettings infantry = settings(false, 1.5, 1, {{120, 200}});
    // Outside the combat area: the way goes through it into the area.
    const SearchMapSettings fromOutside = settings(false, 0, 3, {{240, 100}});
    // On the cliff: free cells below and above it lie within 4 m.
    const SearchMapSettings onTheCliff = settings(false, 1.5, 1, {{158.5, 100.5}});
    const SearchMapSettings boat = settings(true, 2, 3, {{40, 40}});
    const SearchMapSettings giant = settings(false, 0, 1e9, {});
    struct Probe {
        const SearchMapSettings* map;
        std::int32_t x, z;
        std::uint8_t flags;
        std::uint8_t point; // judgePoint at the cell's corner
    };
    const std::uint8_t steep = kTooSteep;
    const std::uint8_t water = kWaterBlocks;
    const Probe probes[] = {
        {&tank, 120, 200, 0, 0},
        {&tank, 40, 40, water, water},
        {&tank, 64, 64, kUnreachable, 0}, // the island
        {&tank, 158, 100, steep, steep},
        {&tank, 190, 100, kUnreachable, 0}, // the plateau behind the cliff
        {&tank, 240, 100, kOutsideArea | kUnreachable, kOutsideArea},
        // The lake's western shore along Z 64: 20 m at X 28, 4 m at 32, so too steep from 28
        // on and water from 31 on; both grow by the tank's 3 m, not by more.
        {&tank, 31, 64, water | steep, water | steep},
        {&tank, 28, 64, water | steep, steep},
        {&tank, 27, 64, steep, 0},
        {&tank, 25, 64, steep, 0},
        {&tank, 24, 64, 0, 0},
        {&infantry, 29, 64, steep, steep},
        {&infantry, 27, 64, steep, 0},
        {&infantry, 26, 64, 0, 0},
        // The house's cell and the four beside it, grown by the class's size.
        {&tank, 120, 180, kStaticObject, 0},
        {&tank, 124, 180, kStaticObject, 0},
        {&tank, 125, 180, 0, 0},
        {&infantry, 122, 180, kStaticObject, 0},
        {&infantry, 123, 180, 0, 0},
        {&tank, 130, 130, 0, 0},
        // Barbed wire stops only the infantry, along Z (its yaw 0) for 9.5 m.
        {&tank, 40, 150, 0, 0},
        {&infantry, 40, 146, kStaticObject, 0},
        {&infantry, 40, 157, kStaticObject, 0},
        {&infantry, 40, 158, 0, 0},
        {&infantry, 36, 150, 0, 0},
        {&onThePlateau, 190, 100, 0, 0},
        {&onThePlateau, 120, 200, kUnreachable, 0},
        {&fromOutside, 190, 100, 0, 0},
        {&fromOutside, 120, 200, kUnreachable, 0},
        {&onTheCliff, 190, 100, 0, 0},
        {&onTheCliff, 120, 200, 0, 0},
        // Without a spawn point the largest free region, the low ground, is kept.
        {&withoutSpawns, 120, 200, 0, 0},
        {&withoutSpawns, 190, 100, kUnreachable, 0},
        // A boat keeps no distance: the lake's last cell before the shore is free.
        {&boat, 40, 40, 0, 0},
        {&boat, 32, 64, 0, 0},
        {&boat, 64, 64, water, water},
        {&boat, 120, 200, water, water},
        {&boat, 240, 100, water | kOutsideArea, water | kOutsideArea},
        // A size beyond the whole map: every reason found anywhere reaches every cell.
        {&giant, 120, 200, water | steep | kStaticObject, 0},
    };
    const DraftSize size = draftSizeOf(terrain, nullptr);
    EXPECT_EQ(size.width, 256);
    EXPECT_EQ(size.cellSize, 1);
    for (const Probe& probe : probes) {
        SCOPED_TRACE(std::to_string(probe.x) + "/" + std::to_string(probe.z));
        const TerrainVerdicts verdicts = judgeTerrain(terrain, *probe.map, size);
        EXPECT_EQ(verdicts.fromSpawnPoints, probe.map->spawnPoints.has_value());
        EXPECT_EQ(verdicts.at(probe.x, probe.z), probe.flags);
        EXPECT_EQ(judgePoint(terrain, *probe.map, probe.x, probe.z, 1), probe.point);
    }

    // The tank's draft in the game's tiled layout: 4 x 4 tiles of 64 cells of 1 m; the tile of
    // the low ground at the top left whole and free, that of the plateau whole and blocked.
    const std::string file = encodePathmap(draftMap(judgeTerrain(terrain, tank, size)));
    EXPECT_EQ(file.substr(0, 32), std::string("\x02\0\0\0\x02\0\0\0\x06\0\0\0\0\0\0\0"
                                              "\0\0\0\0\x02\0\0\0\0\0\0\0\xff\xff\xff\xff",
                                              32));
    const Grid read = parsePathmap(file, "Tank0Level0Map.raw");
    EXPECT_EQ(read.tileMarkers[12], kAllPassable);
    EXPECT_EQ(read.tileMarkers[15], kAllBlocked);
}

TEST(TerrainComparison, TheGamesMapsAgainstTheirDrafts) {
    struct Row {
        const char* level;
        const char* map;
        double whole, area; // at least
        std::vector<DraftDoubt::Kind> doubts;
    };
    using K = DraftDoubt::Kind;
    const Row rows[] = {
        // Generated with the level's present settings: as far as the rules reach (the
        // infantry's free edge along the combat area was cut back by hand).
        {"LD_Omaha_Day1", "Tank0Level0Map.raw", 0.986, 0.97, {}},
        {"LD_Omaha_Day1", "Infantry1Level0Map.raw", 0.985, 0.944, {}},
        {"LD_Omaha_Day1", "Car4Level0Map.raw", 0.985, 0.965, {}},
        // The sea left free: made with another water level.
        {"Corsica", "Infantry1Level0Map.raw", 0.5, 0.5, {K::waterLevel}},
        // Roads drawn by hand through blocked land.
        {"Bastogne", "Car0Level0Map.raw", 0.45, 0.45, {K::drawn}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.level) + " " + row.map);
        const Terrain terrain = readTerrain(level(row.level));
        const std::vector<SearchMapSettings> maps = searchMapsOf(row.level);
        const SearchMapSettings& settings = *searchMapOfFile(maps, row.map);
        const Grid map = readPathmap(testdata("pathmaps/") + row.level + "/" + row.map);
        const TerrainComparison comparison = compareWithDraft(
            map, judgeTerrain(terrain, settings, draftSizeOf(terrain, &map)), terrain, row.map);
        EXPECT_GE(shareOf(comparison.agreeing, comparison.cells), row.whole);
        EXPECT_GE(shareOf(comparison.areaAgreeing, comparison.areaCells), row.area);
        std::vector<K> kinds;
        for (const DraftDoubt& doubt : doubtsOf(comparison, settings, terrain))
            kinds.push_back(doubt.kind);
        EXPECT_EQ(kinds, row.doubts);
    }
}
