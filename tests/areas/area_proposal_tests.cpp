#include "archive/archive.h"
#include "areas/area_names.h"
#include "areas/area_proposal.h"
#include "areas/level_takeover.h"
#include "core/lines.h"
#include "intake/map_inspection.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace tess::areas;
using tess::scripts::ControlPoint;

namespace {

std::map<std::string, std::size_t> indexByName(const AreaFile& areas) {
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < areas.size(); ++i)
        index[areas[i].panel.name] = i;
    return index;
}

// Every link runs both ways, none to the area itself, and every area reaches every other.
void expectMutualAndConnected(const AreaFile& areas) {
    const auto index = indexByName(areas);
    ASSERT_EQ(index.size(), areas.size()) << "names not unique";
    std::vector<bool> reached(areas.size(), areas.empty());
    std::vector<std::size_t> waiting{0};
    while (!areas.empty() && !waiting.empty()) {
        const std::size_t i = waiting.back();
        waiting.pop_back();
        if (reached[i])
            continue;
        reached[i] = true;
        for (const std::string& name : areas[i].neighbours) {
            const std::size_t j = index.at(name);
            EXPECT_NE(i, j);
            const auto& back = areas[j].neighbours;
            EXPECT_NE(std::find(back.begin(), back.end(), areas[i].panel.name), back.end())
                << name << " does not name " << areas[i].panel.name;
            waiting.push_back(j);
        }
    }
    EXPECT_TRUE(std::all_of(reached.begin(), reached.end(), [](bool r) { return r; }));
}

// The world rectangle of an area's corners.
bool holds(const AreaDefinition& area, double x, double z, std::int32_t size, std::int32_t scale) {
    return x >= area.corner1.left * scale && x <= area.corner2.left * scale &&
           z >= size - area.corner2.top * scale && z <= size - area.corner1.top * scale;
}

TEST(AreaProposal, EveryControlPointOfBastogneAndKurskGetsItsArea) {
    const tess::test::TempDir kursk;
    tess::archive::unpackArchive(tess::test::testdata("archives/kursk.rfa"), kursk.path());
    const std::string kurskLevel = kursk.text() + "bf1942/levels/kursk/";
    const auto kurskSize = tess::intake::readWorldSize(tess::splitLines(
        tess::test::readBytes(kursk.path() / "bf1942/Levels/Kursk/Init/Terrain.con")));
    const struct {
        std::string level;
        std::int32_t worldSize;
        std::vector<Side> sides;
        std::string bases;
        std::string note;
    } levels[] = {
        {tess::test::testdata("levels/Bastogne") + "/",
         2048,
         {Side::neutral, Side::team2, Side::team1, Side::neutral, Side::neutral, Side::team1,
          Side::neutral},
         "AxisBase",
         ""},
        {kurskLevel,
         kurskSize.size,
         {Side::neutral, Side::neutral, Side::neutral, Side::neutral},
         "",
         "Für \"AxisBase_1_Cpoint\", \"AlliesBase_2_Cpoint\", \"openbase_lumbermill_Cpoint\", "
         "\"openbasecammo\" bringt die Karte keine Vorlage mit (das Spiel nimmt sie aus seinen "
         "eigenen Archiven): ihre Areas haben 10 Welteinheiten halbe Kantenlänge und die Seite "
         "\"Neutral\". Bitte Größe und Seite prüfen."},
    };
    for (const auto& level : levels) {
        SCOPED_TRACE(level.level);
        const std::int32_t scale = level.worldSize / 512;
        const auto points = tess::scripts::readControlPoints(level.level);
        const AreaProposal proposal = proposeAreas(points, {}, level.worldSize, scale);
        ASSERT_EQ(proposal.areas.size(), points.size());
        EXPECT_EQ(proposal.summary,
                  std::to_string(points.size()) + " Areas an den Flaggenpunkten vorgeschlagen.");
        for (std::size_t i = 0; i < points.size(); ++i) {
            const AreaDefinition& area = proposal.areas[i];
            const ControlPoint& point = points[i];
            SCOPED_TRACE(point.name);
            EXPECT_EQ(area.panel.name, point.name);
            EXPECT_FALSE(areaNameProblem(area.panel.name));
            const double half = std::max(point.radius.value_or(10), 10.0);
            for (const double dx : {-half, half})
                for (const double dz : {-half, half})
                    EXPECT_TRUE(holds(area, point.x + dx, point.z + dz, level.worldSize, scale));
            EXPECT_LT(area.corner2.left - area.corner1.left, 2 * half / scale + 2);
            const bool base = level.bases == point.name;
            EXPECT_EQ(area.panel.flag(AreaFlag::basis), base);
            EXPECT_TRUE(area.panel.flag(AreaFlag::cp) && area.panel.leicht && area.panel.schwer);
            EXPECT_EQ(area.panel.priorityText, base ? "50" : "150");
            EXPECT_EQ(area.panel.side, level.sides[i]);
        }
        expectMutualAndConnected(proposal.areas);
        EXPECT_EQ(proposal.notes, level.note.empty() ? std::vector<std::string>{}
                                                     : std::vector<std::string>{level.note});
        EXPECT_EQ(parseAreaFile(serialiseAreaFile(proposal.areas)), proposal.areas);
    }
}

ControlPoint point(const char* name, double x, double z, double radius = 10, int team = 0) {
    ControlPoint p;
    p.name = name;
    p.x = x;
    p.z = z;
    p.radius = radius;
    p.team = team;
    p.templateFound = true;
    return p;
}

TEST(AreaProposal, DrawnAreasStayAndNamesAreMadeReadable) {
    AreaDefinition drawn;
    drawn.panel.name = "x";
    drawn.corner1 = {0, 0};
    drawn.corner2 = {50, 50}; // X 0 to 200, Z 1848 to 2048 on a 2048 level
    const struct {
        const char* what;
        std::vector<ControlPoint> points;
        std::vector<std::string> names;
        PixelPosition corner1, corner2; // of the first proposed area
        std::string note;
    } cases[] = {
        {"a point inside a drawn area gets none",
         {point("Dorf", 100, 1900), point("Hof", 1000, 1000)},
         {"Hof"},
         {247, 259},
         {253, 265},
         "Der Flaggenpunkt \"Dorf\" liegt schon in der Area \"x\"; er bekommt keine eigene."},
        {"nor one inside an area just proposed",
         {point("Hof", 1000, 1000, 40), point("Stall", 1030, 990)},
         {"Hof"},
         {240, 252},
         {260, 272},
         "Der Flaggenpunkt \"Stall\" liegt schon in der Area \"Hof\""},
        {"outside the world",
         {point("Boot", -5, 100), point("Hof", 1000, 1000)},
         {"Hof"},
         {247, 259},
         {253, 265},
         "Der Flaggenpunkt \"Boot\" liegt außerhalb der Karte; er bekommt keine Area."},
        {"names the game can read, each once",
         {point("a b", 1000, 1000), point("a_b", 500, 500), point("x", 1500, 500),
          point("", 1500, 1500)},
         {"a_b", "a_b_2", "x_2", "Flaggenpunkt"},
         {247, 259},
         {253, 265},
         "Der Flaggenpunkt \"x\" heißt als Area \"x_2\"."},
        {"clipped at the world's edge",
         {point("Ecke", 2048, 0, 30)},
         {"Ecke"},
         {504, 504},
         {512, 512},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AreaProposal proposal = proposeAreas(c.points, {drawn}, 2048, 4);
        std::vector<std::string> names;
        for (const AreaDefinition& area : proposal.areas)
            names.push_back(area.panel.name);
        EXPECT_EQ(names, c.names);
        ASSERT_FALSE(proposal.areas.empty());
        EXPECT_EQ(proposal.areas[0].corner1, c.corner1);
        EXPECT_EQ(proposal.areas[0].corner2, c.corner2);
        std::string notes;
        for (const std::string& note : proposal.notes)
            notes += note + "\n";
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        expectMutualAndConnected(proposal.areas);
    }
    EXPECT_EQ(tess::test::errorMessage([&] { proposeAreas(cases[0].points, {}, 0, 0); }),
              kWorldSizeUnknownMessage);
}

// The links are those of the Gabriel graph: no third point strictly inside the circle over
// a linked pair, one inside for every pair not linked. Points on a grid put many on such
// circles' edges.
TEST(AreaProposal, LinksAreTheGabrielGraph) {
    std::mt19937 random(4);
    for (int round = 0; round < 40; ++round) {
        const bool grid = round % 4 == 0;
        std::set<std::pair<int, int>> cells;
        const std::size_t count = 1 + random() % 60;
        while (cells.size() < count)
            cells.insert({static_cast<int>(random() % (grid ? 8 : 50)),
                          static_cast<int>(random() % (grid ? 8 : 50))});
        std::vector<ControlPoint> points;
        for (const auto& [cx, cz] : cells) {
            const double jitter = grid ? 0 : static_cast<double>(random() % 21) - 10;
            points.push_back(point("p", 40 + cx * 80 + jitter, 40 + cz * 80 - jitter));
            points.back().name = "p" + std::to_string(points.size());
        }
        const AreaProposal proposal = proposeAreas(points, {}, 4096, 8);
        ASSERT_EQ(proposal.areas.size(), points.size());
        expectMutualAndConnected(proposal.areas);
        for (std::size_t i = 0; i < points.size(); ++i)
            for (std::size_t j = 0; j < points.size(); ++j) {
                if (i == j)
                    continue;
                const auto d2 = [&](std::size_t a, std::size_t b) {
                    return (points[a].x - points[b].x) * (points[a].x - points[b].x) +
                           (points[a].z - points[b].z) * (points[a].z - points[b].z);
                };
                bool blocked = false;
                for (std::size_t k = 0; k < points.size(); ++k)
                    blocked = blocked || (k != i && k != j && d2(i, k) + d2(j, k) < d2(i, j));
                const auto& n = proposal.areas[i].neighbours;
                EXPECT_EQ(std::find(n.begin(), n.end(), points[j].name) != n.end(), !blocked)
                    << points[i].name << " " << points[j].name;
            }
    }
}

} // namespace
