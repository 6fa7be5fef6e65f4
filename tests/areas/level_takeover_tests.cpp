#include "areas/level_takeover.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

using namespace tess::areas;
using Lines = std::vector<std::string>;

namespace {

// The flag lines of the six boxes, in the boxes' order.
const char* const kFlagLines[] = {"aiStrategicArea.addObjectTypeFlag Base",
                                  "aiStrategicArea.addObjectTypeFlag ControlPoint",
                                  "aiStrategicArea.addObjectTypeFlag StrongPoint",
                                  "aiStrategicArea.addObjectTypeFlag airfield",
                                  "aiStrategicArea.addObjectTypeFlag flank",
                                  "aiStrategicArea.addObjectTypeFlag center"};

// A command word in another letter case, as some levels write them.
std::string anyCase(std::string line, std::mt19937& random) {
    const int kind = static_cast<int>(random() % 3);
    for (std::size_t i = 0; i < line.size() && line[i] != ' '; ++i)
        if (kind > 0)
            line[i] = static_cast<char>(kind == 1 ? std::toupper(line[i]) : std::tolower(line[i]));
    return line;
}

// The script this editor writes for the areas (the create line's second pair the far corner),
// with its command words in random letter case and LF or CR LF line ends.
std::string scriptOf(const AreaFile& areas, std::int64_t worldSize, std::int64_t scale,
                     std::mt19937& random) {
    const std::string end = random() % 2 ? "\r\n" : "\n";
    std::string script = "rem *** WorX done by ferro_lumen's Tessarine ... x" + end;
    std::string blocks;
    const auto line = [&](std::string& text, const std::string& l) {
        text += anyCase(l, random) + end;
    };
    for (const AreaDefinition& a : areas) {
        const std::int64_t minX = a.corner1.left * scale;
        const std::int64_t maxX = a.corner2.left * scale;
        const std::int64_t minZ = worldSize - a.corner2.top * scale;
        const std::int64_t maxZ = worldSize - a.corner1.top * scale;
        line(script, "aiStrategicArea.create " + a.panel.name + " " + std::to_string(minX) + "/" +
                         std::to_string(minZ) + " " + std::to_string(maxX) + "/" +
                         std::to_string(maxZ) + " " + a.panel.priorityText);
        line(script, " ");
        line(blocks, "aiStrategicArea.setActive " + a.panel.name);
        for (const std::string& n : a.neighbours)
            line(blocks, "AIStrategicArea.addNeighbour " + n);
        for (std::size_t f = 0; f < 6; ++f)
            if (a.panel.flags[f])
                line(blocks, kFlagLines[f]);
        const std::string at = std::to_string(minX + (maxX - minX) / 2 - 10) + "/" +
                               std::to_string(minZ + (maxZ - minZ) / 2 - 10);
        line(blocks, "AIStrategicArea.setOrderPosition Infantry " + at);
        if (a.panel.leicht)
            line(blocks, "AIStrategicArea.setOrderPosition Car " + at);
        if (a.panel.schwer)
            line(blocks, "AIStrategicArea.setOrderPosition Tank " + at);
        const char* const sides[] = {"", "aiStrategicArea.setSide 1", "aiStrategicArea.setSide 2",
                                     "aiStrategicArea.setSide 0"};
        line(blocks, sides[static_cast<int>(a.panel.side)]);
        for (const std::string& extra : a.extraLines)
            blocks += extra + end;
        blocks += end;
    }
    return script + end + " " + end + " " + end + blocks + end;
}

TEST(LevelTakeover, TakesBackEveryAreaThisEditorWrites) {
    std::mt19937 random(20);
    const char* const names[] = {"Hill", "Brücke Süd", "x", "Fort_2", "Ölfeld", "HQ-A"};
    const char* const extras[] = {"aiStrategicArea.vehicleSearchRadius 160",
                                  "aiStrategicArea.addObjectTypeFlag Remote",
                                  "AIStrategicArea.setOrderPosition Infantry 12.5/7",
                                  "\tAIStrategicArea.addAllowedVehicleGroup common ",
                                  "rem Notiz",
                                  "aiStrategicArea.setTakeable 1 0"};
    for (int round = 0; round < 300; ++round) {
        const std::int32_t worldSize = 1024 << (random() % 3);
        const std::int32_t scale = worldSize / 512;
        AreaFile areas(1 + random() % std::size(names));
        for (std::size_t i = 0; i < areas.size(); ++i) {
            AreaDefinition& a = areas[i];
            a.corner1 = {static_cast<std::int32_t>(random() % 560) - 20,
                         static_cast<std::int32_t>(random() % 560) - 20};
            a.corner2 = {a.corner1.left + 1 + static_cast<std::int32_t>(random() % 80),
                         a.corner1.top + 1 + static_cast<std::int32_t>(random() % 80)};
            a.panel.name = names[i];
            a.panel.priorityText = std::to_string(static_cast<int>(random() % 500) - 50);
            for (bool& flag : a.panel.flags)
                flag = random() % 2;
            a.panel.leicht = random() % 2;
            a.panel.schwer = random() % 2;
            a.panel.side = static_cast<Side>(random() % 4);
            for (std::size_t n = 0; n < areas.size(); ++n)
                if (random() % 3 == 0)
                    a.neighbours.push_back(names[n]);
            for (std::size_t e = random() % 4; e > 0; --e)
                a.extraLines.push_back(extras[random() % std::size(extras)]);
        }
        const std::string script = scriptOf(areas, worldSize, scale, random);
        SCOPED_TRACE(script);
        const LevelTakeover takeover = takeOverLevelAreas(script, worldSize, scale);
        ASSERT_EQ(takeover.areas, areas);
        EXPECT_EQ(takeover.summary.rfind(std::to_string(areas.size()) + " Area", 0), 0u);
        EXPECT_EQ(takeover.summary.find("erweitert"), std::string::npos);
    }
}

struct BastogneArea {
    const char* name;
    double x1, z1, x2, z2; // the create line's points
    PixelPosition corner1, corner2;
    std::vector<AreaFlag> flags;
    Side side;
    Lines neighbours;
    Lines extraLines;
};

TEST(LevelTakeover, BastogneKeepsEveryAreaWithinAPixel) {
    const std::string tank = "AIStrategicArea.setOrderPosition Tank ";
    const std::string infantry = "AIStrategicArea.setOrderPosition Infantry ";
    const std::string flag = "aiStrategicArea.addObjectTypeFlag ";
    using enum AreaFlag;
    const BastogneArea expected[] = {
        {"Villeroux",
         299,
         578,
         655,
         169,
         {74, 367},
         {164, 470},
         {cp, strong, Flanke},
         Side::neutral,
         {"Bastogne", "Marvie"},
         {flag + "Remote", tank + "570/658", infantry + "560/648",
          "aiStrategicArea.vehicleSearchRadius 160"}},
        {"Bastogne",
         952,
         789,
         1128,
         1036,
         {238, 253},
         {282, 315},
         {basis, cp},
         Side::neutral,
         {},
         {"AIStrategicArea.addNeighbour AlliedBaseEntry", flag + "Centre", tank + "1023/940",
          infantry + "1023/930"}},
        {"AxisBase",
         409,
         1594,
         429,
         1614,
         {102, 108},
         {108, 114},
         {basis, cp},
         Side::team1,
         {"Champs"},
         {tank + "429/1614", infantry + "429/1614", "aiStrategicArea.vehicleSearchRadius 80"}},
        {"Marvie",
         1292,
         585,
         1368,
         628,
         {323, 355},
         {342, 366},
         {cp, strong, Flanke},
         Side::neutral,
         {"Bastogne", "Volksbase", "Mageret", "Villeroux"},
         {flag + "Remote", tank + "1332/628", infantry + "1337/623"}},
        {"Champs",
         713,
         1243,
         733,
         1273,
         {178, 193},
         {184, 202},
         {cp},
         Side::neutral,
         {"Bastogne"},
         {"AIStrategicArea.addNeighbour Axisbase", flag + "Centre", flag + "Route",
          tank + "720/1252", infantry + "725/1248"}},
        {"Volksbase",
         1368,
         236,
         1456,
         356,
         {342, 423},
         {364, 453},
         {basis, cp},
         Side::team1,
         {"Marvie", "Mageret"},
         {tank + "1400/297", infantry + "1400/297"}},
        {"Mageret",
         1683,
         1043,
         1703,
         1070,
         {420, 244},
         {426, 252},
         {cp, Flanke},
         Side::neutral,
         {"Bastogne", "Marvie", "Volksbase"},
         {flag + "Remote", tank + "1690/1052", infantry + "1695/1057"}},
    };
    const LevelTakeover takeover =
        takeOverLevelAreasOf(tess::test::testdata("levels/Bastogne") + "/", 2048, 4);
    ASSERT_EQ(takeover.areas.size(), std::size(expected));
    for (std::size_t i = 0; i < takeover.areas.size(); ++i) {
        const AreaDefinition& area = takeover.areas[i];
        const BastogneArea& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(area.panel.name, e.name);
        EXPECT_EQ(area.corner1, e.corner1);
        EXPECT_EQ(area.corner2, e.corner2);
        // Snapped outward by less than a pixel (4 world units) on every edge.
        const double moves[] = {std::min(e.x1, e.x2) - area.corner1.left * 4,
                                area.corner2.left * 4 - std::max(e.x1, e.x2),
                                std::min(e.z1, e.z2) - (2048 - area.corner2.top * 4),
                                (2048 - area.corner1.top * 4) - std::max(e.z1, e.z2)};
        for (const double move : moves)
            EXPECT_TRUE(move >= 0 && move < 4) << move;
        for (const AreaFlagInfo& info : kAreaFlags)
            EXPECT_EQ(area.panel.flag(info.flag),
                      std::find(e.flags.begin(), e.flags.end(), info.flag) != e.flags.end())
                << info.boxName;
        EXPECT_EQ(area.panel.side, e.side);
        EXPECT_FALSE(area.panel.leicht);
        EXPECT_TRUE(area.panel.schwer);
        EXPECT_EQ(area.neighbours, e.neighbours);
        EXPECT_EQ(area.extraLines, e.extraLines);
    }
    EXPECT_EQ(takeover.summary, "7 Areas übernommen, 6 davon auf die Bildpunkte erweitert (um "
                                "höchstens 3 Welteinheiten), 24 zusätzliche Zeilen behalten.");
    EXPECT_EQ(takeover.notes[1], "Area \"Champs\": der Nachbar \"Axisbase\" ist keine Area dieses "
                                 "Skripts (gemeint \"AxisBase\"?); die Zeile bleibt als "
                                 "zusätzliche Zeile erhalten.");
    EXPECT_EQ(parseAreaFile(serialiseAreaFile(takeover.areas)), takeover.areas);

    // Another level: lines after a block's end still belong to it, categories and the vehicle
    // groups before the areas are named as left behind.
    const LevelTakeover kwajalein = takeOverLevelAreas(
        tess::test::readBytes(tess::test::testdata("strategic-areas/Kwajalein_Atoll.con")), 2048,
        4);
    ASSERT_EQ(kwajalein.areas.size(), 3u);
    const std::size_t kept[] = {15, 15, 16};
    const Side sides[] = {Side::team1, Side::team2, Side::team2};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(kwajalein.areas[i].extraLines.size(), kept[i]);
        EXPECT_EQ(kwajalein.areas[i].panel.side, sides[i]);
        EXPECT_EQ(kwajalein.areas[i].neighbours.size(), 2u);
        EXPECT_TRUE(kwajalein.areas[i].panel.flag(AreaFlag::cp));
    }
    EXPECT_TRUE(kwajalein.areas[0].panel.flag(AreaFlag::basis));
    EXPECT_EQ(kwajalein.notes.back(), "27 Zeilen außerhalb der Areas werden nicht übernommen (die "
                                      "erste: \"aiSettings.createVehicleGroup heavyVehicles\").");
    EXPECT_EQ(kwajalein.notes[kwajalein.notes.size() - 2],
              "Die Kategorie hinter der Priorität wird nicht übernommen: AlliedBase (land), "
              "AxisBase (land), New_Control_Point1 (land).");
}

// Lines the panel must not take, because writing its own line first and the kept ones after
// would change what the game ends up with; and what cannot be taken over at all.
TEST(LevelTakeover, KeepsWhatThePanelCannotHoldAndNamesWhatItLeaves) {
    // A: X 0 to 40, Z 0 to 40 on a 2048 level; the editor's order position is 10/10.
    const std::string a = "aiStrategicArea.create A 0/0 40/40 1\naiStrategicArea.setActive A\n";
    const std::string order = "AIStrategicArea.setOrderPosition ";
    const struct {
        const char* what;
        std::string script;
        std::vector<Side> sides;
        bool leicht;
        Lines neighbours;
        Lines extraLines;
        std::string note;
    } cases[] = {
        {"a position before the editor's own keeps both",
         a + order + "Infantry 5/5\n" + order + "Infantry 10/10\n",
         {Side::none},
         false,
         {},
         {order + "Infantry 5/5", order + "Infantry 10/10"},
         ""},
        {"the editor's own position first, a later one kept",
         a + order + "Infantry 10/10\n" + order + "Infantry 5/5\n" + order + "car 10/10\n",
         {Side::none},
         true,
         {},
         {order + "Infantry 5/5"},
         ""},
        {"a Car position anywhere ticks leichte; the second of a flag stays",
         a + order + "Car v_pos\n" + order + "car 1/1\naiStrategicArea.addObjectTypeFlag FLANK\n" +
             "aiStrategicArea.addObjectTypeFlag flank\n",
         {Side::none},
         true,
         {},
         {order + "Car v_pos", order + "car 1/1", "aiStrategicArea.addObjectTypeFlag flank"},
         ""},
        {"the first side to the panel, a later one kept",
         a + "aiStrategicArea.setSide 1\naiStrategicArea.setSide 2\n",
         {Side::team1},
         false,
         {},
         {"aiStrategicArea.setSide 2"},
         "Area \"A\": weitere oder unbekannte Seiten"},
        {"a side the panel does not have",
         a + "aiStrategicArea.setSide 3\n",
         {Side::none},
         false,
         {},
         {"aiStrategicArea.setSide 3"},
         "Area \"A\": weitere oder unbekannte Seiten"},
        {"a comment block in a block is kept and not read",
         a + "beginrem\naiStrategicArea.setSide 2\nendrem\nrem Notiz\naiStrategicArea.setSide 1\n",
         {Side::team1},
         false,
         {},
         {"beginrem", "aiStrategicArea.setSide 2", "endrem", "rem Notiz"},
         ""},
        {"lines after a create line are its area's, comments there are not",
         "rem Kopf\naiStrategicArea.create A 0/0 40/40 1\nrem x\naiStrategicArea.setSide 2\n"
         "aiStrategicArea.vehicleSearchRadius 9\n",
         {Side::team2},
         false,
         {},
         {"aiStrategicArea.vehicleSearchRadius 9"},
         ""},
        {"a block naming no area",
         a + "aiStrategicArea.setActive B\naiStrategicArea.setSide 1\n",
         {Side::none},
         false,
         {},
         {},
         "Der Block \"aiStrategicArea.setActive B\" nennt keine Area dieses Skripts; er wird "
         "nicht übernommen."},
        {"a name the game would split",
         "aiStrategicArea.create Brücke  Nord 0/0 40/40 1 land\n"
         "aiStrategicArea.setActive Brücke Nord\nAIStrategicArea.addNeighbour Brücke Nord\n",
         {Side::none},
         false,
         {"Brücke Nord"},
         {},
         "Der Area-Name \"Brücke Nord\" enthält ein Leerzeichen."},
        {"two areas of one name take their blocks in turn",
         "aiStrategicArea.create A 0/0 40/40 1\naiStrategicArea.create A 80/80 120/120 2\n"
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 1\n"
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 2\n",
         {Side::team1, Side::team2},
         false,
         {},
         {},
         "Der Area-Name \"A\" ist schon vergeben."},
        {"an area without width becomes one pixel wide",
         "aiStrategicArea.create A 8/0 8/40 1\n",
         {Side::none},
         false,
         {},
         {},
         "Die Area \"A\" hat im Skript keine Breite oder Höhe"},
        {"an unreadable create line",
         "aiStrategicArea.create B 0/0 x/40 1\n" + a,
         {Side::none},
         false,
         {},
         {},
         "Die Zeile \"aiStrategicArea.create B 0/0 x/40 1\" legt keine lesbare Area an"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LevelTakeover takeover = takeOverLevelAreas(c.script, 2048, 4);
        ASSERT_EQ(takeover.areas.size(), c.sides.size());
        for (std::size_t i = 0; i < c.sides.size(); ++i)
            EXPECT_EQ(takeover.areas[i].panel.side, c.sides[i]);
        const AreaDefinition& first = takeover.areas[0];
        EXPECT_EQ(first.panel.leicht, c.leicht);
        EXPECT_EQ(first.neighbours, c.neighbours);
        EXPECT_EQ(first.extraLines, c.extraLines);
        std::string notes;
        for (const std::string& note : takeover.notes)
            notes += note + "\n";
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        // Whatever the script, every area has width and height on the picture.
        for (const AreaDefinition& area : takeover.areas)
            EXPECT_TRUE(area.corner1.left < area.corner2.left &&
                        area.corner1.top < area.corner2.top);
    }
    EXPECT_EQ(takeOverLevelAreas("rem nichts\n", 2048, 4).summary,
              "Keine Area übernommen: das Skript legt keine Area an.");
    EXPECT_EQ(tess::test::errorMessage([&] { takeOverLevelAreas(cases[0].script, 0, 0); }),
              kWorldSizeUnknownMessage);
    const tess::test::TempDir level;
    EXPECT_EQ(tess::test::errorMessage([&] { takeOverLevelAreasOf(level.text(), 2048, 4); }),
              "Die Karte bringt keine eigenen Strategic Areas mit: " + level.text() +
                  "AI\\StrategicAreas.con fehlt");
}

} // namespace
