#include "archive/archive.h"
#include "areas/area_names.h"
#include "areas/area_proposal.h"
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
using tess::areas::ControlPoint;

namespace {

// Names unique and readable by the game, every link both ways and none to the area itself,
// every area reached from the first.
void expectLinkedBothWaysAndConnected(const AreaFile& areas) {
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        index[areas[i].panel.name] = i;
        EXPECT_FALSE(areaNameProblem(areas[i].panel.name));
    }
    ASSERT_EQ(index.size(), areas.size());
    std::set<std::size_t> reached;
    std::vector<std::size_t> waiting{0};
    while (!areas.empty() && !waiting.empty()) {
        const std::size_t i = waiting.back();
        waiting.pop_back();
        if (!reached.insert(i).second)
            continue;
        for (const std::string& name : areas[i].neighbours) {
            const std::size_t j = index.at(name);
            const auto& back = areas[j].neighbours;
            EXPECT_TRUE(i != j && std::count(back.begin(), back.end(), areas[i].panel.name) == 1);
            waiting.push_back(j);
        }
    }
    EXPECT_EQ(reached.size(), areas.size());
}

TEST(AreaProposal, EveryControlPointOfBastogneAndKurskInItsArea) {
    const tess::test::TempDir kursk;
    tess::archive::unpackArchive(tess::test::testdata("archives/kursk.rfa"), kursk.path());
    const std::string kurskLevel = kursk.text() + "bf1942/levels/kursk/";
    const std::string terrain =
        tess::test::readBytes(kursk / "bf1942/Levels/Kursk/Init/Terrain.con");
    // Per area: name, side, priority and ticked boxes.
    const struct {
        std::string level;
        std::int32_t size;
        std::string areas;
        std::string note;
    } levels[] = {
        {tess::test::testdata("levels/Bastogne") + "/", 2048,
         "mont 0 150 cp, Bastogne 2 150 cp, AxisBase 1 50 basis cp, mageret 0 150 cp, "
         "corridor 0 150 cp, volkssturm 1 150 cp, lchamps 0 150 cp, ",
         ""},
        {kurskLevel, tess::intake::readWorldSize(tess::splitLines(terrain)).size,
         "AxisBase_1_Cpoint 0 150 cp, AlliesBase_2_Cpoint 0 150 cp, openbase_lumbermill_Cpoint 0 "
         "150 cp, openbasecammo 0 150 cp, ",
         "Für \"AxisBase_1_Cpoint\", \"AlliesBase_2_Cpoint\", \"openbase_lumbermill_Cpoint\", "
         "\"openbasecammo\" bringt die Karte keine Vorlage mit (das Spiel nimmt sie aus seinen "
         "eigenen Archiven): ihre Areas haben 10 Welteinheiten halbe Kantenlänge und die Seite "
         "\"Neutral\". Bitte Größe und Seite prüfen."},
    };
    for (const auto& level : levels) {
        const std::int32_t scale = level.size / 512;
        const auto points = tess::areas::readControlPoints(level.level);
        const AreaProposal proposal = proposeAreas(points, {}, level.size, scale);
        ASSERT_EQ(proposal.areas.size(), points.size()) << level.level;
        std::string areas;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const AreaDefinition& a = proposal.areas[i];
            const char* const sides[] = {"-", "1", "2", "0"};
            areas += a.panel.name + " " + sides[static_cast<int>(a.panel.side)] + " " +
                     a.panel.priorityText + (a.panel.flag(AreaFlag::basis) ? " basis" : "") +
                     (a.panel.flag(AreaFlag::cp) ? " cp" : "") + ", ";
            EXPECT_TRUE(a.panel.leicht && a.panel.schwer);
            // The flag's radius, at least 10, round the point, rounded out by under a pixel.
            const double half = std::max(points[i].radius.value_or(10), 10.0);
            const double edges[] = {points[i].x - half - a.corner1.left * scale,
                                    a.corner2.left * scale - points[i].x - half,
                                    points[i].z - half - (level.size - a.corner2.top * scale),
                                    (level.size - a.corner1.top * scale) - points[i].z - half};
            for (const double edge : edges)
                EXPECT_TRUE(edge >= 0 && edge < scale) << a.panel.name << " " << edge;
        }
        EXPECT_EQ(areas, level.areas);
        expectLinkedBothWaysAndConnected(proposal.areas);
        EXPECT_EQ(proposal.notes, level.note.empty() ? std::vector<std::string>{}
                                                     : std::vector<std::string>{level.note});
        EXPECT_EQ(parseAreaFile(serialiseAreaFile(proposal.areas)), proposal.areas);
    }
}

ControlPoint point(std::string name, double x, double z, double radius = 10) {
    ControlPoint p{std::move(name), x, 0, z, radius, 0, false, true};
    return p;
}

TEST(AreaProposal, DrawnAreasStayAndNamesAreMadeReadable) {
    AreaDefinition drawn; // X 0 to 200, Z 1848 to 2048 on a 2048 level
    drawn.panel.name = "x";
    drawn.corner2 = {50, 50};
    const auto hof = point("Hof", 1000, 1000);
    // clang-format off
    const struct {
        std::vector<ControlPoint> points;
        std::string areas; // name and corners of each proposed area
        std::string note;
    } cases[] = {
        {{point("Dorf", 100, 1900), hof}, "Hof 247 259 253 265 ",
         "Der Flaggenpunkt \"Dorf\" liegt schon in der Area \"x\"; er bekommt keine eigene."},
        {{point("Hof", 1000, 1000, 40), point("Stall", 1030, 990)}, "Hof 240 252 260 272 ",
         "Der Flaggenpunkt \"Stall\" liegt schon in der Area \"Hof\""},
        {{point("Boot", -5, 100), hof}, "Hof 247 259 253 265 ",
         "Der Flaggenpunkt \"Boot\" liegt außerhalb der Karte; er bekommt keine Area."},
        {{point("a b", 1000, 1000), point("a_b", 500, 500), point("x", 1500, 500), point("", 8, 8)},
         "a_b 247 259 253 265 a_b_2 122 384 128 390 x_2 372 384 378 390 Flaggenpunkt 0 507 5 512 ",
         "Der Flaggenpunkt \"x\" heißt als Area \"x_2\"."},
    };
    // clang-format on
    for (const auto& c : cases) {
        const AreaProposal proposal = proposeAreas(c.points, {{drawn}, {}}, 2048, 4);
        std::string areas;
        for (const AreaDefinition& a : proposal.areas)
            for (const auto& part :
                 {a.panel.name, std::to_string(a.corner1.left), std::to_string(a.corner1.top),
                  std::to_string(a.corner2.left), std::to_string(a.corner2.top)})
                areas += part + " ";
        EXPECT_EQ(areas, c.areas);
        std::string notes;
        for (const std::string& note : proposal.notes)
            notes += note + "\n";
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        expectLinkedBothWaysAndConnected(proposal.areas);
    }
}

// The links are those of the Gabriel graph: no third point strictly inside the circle over
// a linked pair, one inside for every pair not linked. Points on a grid put many on such
// circles' edges.
TEST(AreaProposal, LinksAreTheGabrielGraph) {
    std::mt19937 random(4);
    for (int round = 0; round < 40; ++round) {
        const bool grid = round % 4 == 0;
        std::set<std::pair<int, int>> cells;
        for (const std::size_t count = 1 + random() % 60; cells.size() < count;)
            cells.insert({static_cast<int>(random() % (grid ? 8 : 50)),
                          static_cast<int>(random() % (grid ? 8 : 50))});
        std::vector<ControlPoint> p;
        for (const auto& [cx, cz] : cells) {
            const double jitter = grid ? 0 : static_cast<double>(random() % 21) - 10;
            p.push_back(point("p" + std::to_string(p.size()), 40 + cx * 80 + jitter,
                              40 + cz * 80 - jitter));
        }
        const AreaProposal proposal = proposeAreas(p, {}, 4096, 8);
        ASSERT_EQ(proposal.areas.size(), p.size());
        expectLinkedBothWaysAndConnected(proposal.areas);
        const auto d2 = [&](std::size_t a, std::size_t b) {
            return (p[a].x - p[b].x) * (p[a].x - p[b].x) + (p[a].z - p[b].z) * (p[a].z - p[b].z);
        };
        for (std::size_t i = 0; i < p.size(); ++i)
            for (std::size_t j = 0; j < p.size(); ++j) {
                bool blocked = i == j;
                for (std::size_t k = 0; k < p.size(); ++k)
                    blocked = blocked || (k != i && k != j && d2(i, k) + d2(j, k) < d2(i, j));
                const auto& n = proposal.areas[i].neighbours;
                EXPECT_EQ(std::count(n.begin(), n.end(), p[j].name), blocked ? 0 : 1);
            }
    }
}

} // namespace
