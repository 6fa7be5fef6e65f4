#include "areas/level_areas.h"
#include "areas/level_takeover.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

using namespace tess::areas;

namespace {

// An area in one line: "Name [left top right bottom] ticked boxes Car Tank side=1 / neighbours
// / kept lines", the kept lines' commands shortened: F flag, I C T order position of
// Infantry, Car, Tank, N neighbour, R vehicleSearchRadius, S side.
std::string describe(const AreaDefinition& a) {
    const char* const sides[] = {"-", "1", "2", "0"};
    std::string text = a.panel.name + " [" + std::to_string(a.corner1.left) + " " +
                       std::to_string(a.corner1.top) + " " + std::to_string(a.corner2.left) + " " +
                       std::to_string(a.corner2.top) + "]";
    for (const AreaFlagInfo& info : kAreaFlags)
        text += a.panel.flag(info.flag) ? " " + std::string(info.boxName) : "";
    text += std::string(a.panel.leicht ? " Car" : "") + (a.panel.schwer ? " Tank" : "") +
            " side=" + sides[static_cast<int>(a.panel.side)] + " /";
    for (const std::string& n : a.neighbours)
        text += " " + n;
    const std::pair<std::string, std::string> shortened[] = {
        {"aiStrategicArea.addObjectTypeFlag ", "F "},
        {"AIStrategicArea.setOrderPosition Infantry ", "I "},
        {"AIStrategicArea.setOrderPosition Car ", "C "},
        {"AIStrategicArea.setOrderPosition Tank ", "T "},
        {"AIStrategicArea.addNeighbour ", "N "},
        {"aiStrategicArea.vehicleSearchRadius ", "R "},
        {"aiStrategicArea.setSide ", "S "}};
    text += " /";
    for (std::string line : a.extraLines) {
        for (const auto& [command, abbreviation] : shortened)
            if (line.rfind(command, 0) == 0)
                line = abbreviation + line.substr(command.size());
        text += " " + line + ";";
    }
    return text;
}

std::string describe(const AreaFile& areas) {
    std::string text;
    for (const AreaDefinition& area : areas)
        text += describe(area) + "\n";
    return text;
}

// The script this editor writes for the areas (the create line's second pair the far corner),
// its command words in random letter case, with LF or CR LF line ends.
std::string scriptOf(const AreaFile& areas, std::int64_t size, std::int64_t scale,
                     std::mt19937& random) {
    const char* const flagLines[] = {"Base",     "ControlPoint", "StrongPoint",
                                     "airfield", "flank",        "center"};
    const char* const sideLines[] = {"", " 1", " 2", " 0"};
    const std::string end = random() % 2 ? "\r\n" : "\n";
    std::string creates = "rem *** WorX done by ferro_lumen's Tessarine ... x" + end;
    std::string blocks;
    const auto add = [&](std::string& text, std::string line) {
        const int kind = static_cast<int>(random() % 3);
        for (std::size_t i = 0; kind > 0 && i < line.size() && line[i] != ' '; ++i)
            line[i] = static_cast<char>(kind == 1 ? std::toupper(line[i]) : std::tolower(line[i]));
        text += line + end;
    };
    for (const AreaDefinition& a : areas) {
        const std::int64_t x1 = a.corner1.left * scale, x2 = a.corner2.left * scale;
        const std::int64_t z1 = size - a.corner2.top * scale, z2 = size - a.corner1.top * scale;
        add(creates, "aiStrategicArea.create " + a.panel.name + " " + std::to_string(x1) + "/" +
                         std::to_string(z1) + " " + std::to_string(x2) + "/" + std::to_string(z2) +
                         " " + a.panel.priorityText);
        add(creates, " ");
        add(blocks, "aiStrategicArea.setActive " + a.panel.name);
        for (const std::string& n : a.neighbours)
            add(blocks, "AIStrategicArea.addNeighbour " + n);
        for (std::size_t f = 0; f < 6; ++f)
            if (a.panel.flags[f])
                add(blocks, std::string("aiStrategicArea.addObjectTypeFlag ") + flagLines[f]);
        const std::string at =
            std::to_string((x1 + x2) / 2 - 10) + "/" + std::to_string((z1 + z2) / 2 - 10);
        for (const char* kind :
             {"Infantry", a.panel.leicht ? "Car" : "", a.panel.schwer ? "Tank" : ""})
            if (*kind)
                add(blocks, std::string("AIStrategicArea.setOrderPosition ") + kind + " " + at);
        const char* side = sideLines[static_cast<int>(a.panel.side)];
        add(blocks, *side ? std::string("aiStrategicArea.setSide") + side : "");
        for (const std::string& extra : a.extraLines)
            blocks += extra + end;
        blocks += end;
    }
    return creates + end + " " + end + " " + end + blocks + end;
}

TEST(LevelTakeover, TakesBackEveryAreaThisEditorWrites) {
    std::mt19937 random(20);
    const char* const names[] = {"Hill", "Brücke Süd", "x", "Fort_2", "Ölfeld", "HQ-A"};
    const char* const extras[] = {"aiStrategicArea.vehicleSearchRadius 160",
                                  "aiStrategicArea.addObjectTypeFlag Remote",
                                  "AIStrategicArea.setOrderPosition Infantry 12.5/7",
                                  "\tAIStrategicArea.addAllowedVehicleGroup common ", "rem Notiz"};
    for (int round = 0; round < 300; ++round) {
        const std::int32_t size = 1024 << (random() % 3);
        AreaFile areas(1 + random() % std::size(names));
        for (std::size_t i = 0; i < areas.size(); ++i) {
            AreaDefinition& a = areas[i];
            const auto pixel = [&](int range) {
                return static_cast<std::int32_t>(random() % range);
            };
            a.corner1 = {pixel(560) - 20, pixel(560) - 20};
            a.corner2 = {a.corner1.left + 1 + pixel(80), a.corner1.top + 1 + pixel(80)};
            a.panel = {names[i],          std::to_string(pixel(500) - 50), {}, random() % 2 == 0,
                       random() % 2 == 0, static_cast<Side>(random() % 4)};
            for (bool& flag : a.panel.flags)
                flag = random() % 2;
            for (std::size_t n = 0; n < areas.size(); ++n)
                if (random() % 3 == 0)
                    a.neighbours.push_back(names[n]);
            for (std::size_t e = random() % 4; e > 0; --e)
                a.extraLines.push_back(extras[random() % std::size(extras)]);
        }
        const std::string script = scriptOf(areas, size, size / 512, random);
        const LevelTakeover takeover = takeOverLevelAreas(script, size, size / 512);
        ASSERT_EQ(takeover.areas, areas) << script;
        EXPECT_EQ(takeover.summary.find("erweitert"), std::string::npos);
    }
}

TEST(LevelTakeover, TheGamesOwnLevelsKeepEveryAreaWithinAPixel) {
    const std::string bastogne = tess::test::testdata("levels/Bastogne") + "/";
    const LevelTakeover takeover = takeOverLevelAreasOf(bastogne, 2048, 4);
    // clang-format off
    EXPECT_EQ(describe(takeover.areas),
        "Villeroux [74 367 164 470] cp strong Flanke Tank side=0 / Bastogne Marvie / F Remote; T 570/658; I 560/648; R 160;\n"
        "Bastogne [238 253 282 315] basis cp Tank side=0 / / N AlliedBaseEntry; F Centre; T 1023/940; I 1023/930;\n"
        "AxisBase [102 108 108 114] basis cp Tank side=1 / Champs / T 429/1614; I 429/1614; R 80;\n"
        "Marvie [323 355 342 366] cp strong Flanke Tank side=0 / Bastogne Volksbase Mageret Villeroux / F Remote; T 1332/628; I 1337/623;\n"
        "Champs [178 193 184 202] cp Tank side=0 / Bastogne / N Axisbase; F Centre; F Route; T 720/1252; I 725/1248;\n"
        "Volksbase [342 423 364 453] basis cp Tank side=1 / Marvie Mageret / T 1400/297; I 1400/297;\n"
        "Mageret [420 244 426 252] cp Flanke Tank side=0 / Bastogne Marvie Volksbase / F Remote; T 1690/1052; I 1695/1057;\n");
    // clang-format on
    // Every edge moves outward by less than a pixel (4 world units).
    const std::vector<LevelArea> created = readLevelAreas(bastogne, 2048, 4);
    ASSERT_EQ(created.size(), takeover.areas.size());
    for (std::size_t i = 0; i < created.size(); ++i) {
        const LevelArea& c = created[i];
        const AreaDefinition& a = takeover.areas[i];
        for (const double move :
             {std::min(c.x1, c.x2) - a.corner1.left * 4, a.corner2.left * 4 - std::max(c.x1, c.x2),
              std::min(c.z1, c.z2) - (2048 - a.corner2.top * 4),
              (2048 - a.corner1.top * 4) - std::max(c.z1, c.z2)})
            EXPECT_TRUE(move >= 0 && move < 4) << c.name << " " << move;
    }
    EXPECT_EQ(takeover.summary, "7 Areas übernommen, 6 davon auf die Bildpunkte erweitert (um "
                                "höchstens 3 Welteinheiten), 24 zusätzliche Zeilen behalten.");
    EXPECT_EQ(takeover.notes[1], "Area \"Champs\": der Nachbar \"Axisbase\" ist keine Area dieses "
                                 "Skripts (gemeint \"AxisBase\"?); die Zeile bleibt als "
                                 "zusätzliche Zeile erhalten.");
    EXPECT_EQ(parseAreaFile(serialiseAreaFile(takeover.areas)), takeover.areas);

    // Flags after a block's empty line still belong to it; the vehicle groups before the
    // areas and the categories are named as left behind.
    const LevelTakeover kwajalein = takeOverLevelAreas(
        tess::test::readBytes(tess::test::testdata("strategic-areas/Kwajalein_Atoll.con")), 2048,
        4);
    ASSERT_EQ(kwajalein.areas.size(), 3u);
    EXPECT_EQ(describe(kwajalein.areas[0])
                  .rfind("AlliedBase [155 347 161 353] basis cp Car Tank "
                         "side=1 / AxisBase New_Control_Point1 / ",
                         0),
              0u);
    EXPECT_EQ(kwajalein.areas[0].extraLines.size(), 15u);
    EXPECT_EQ(kwajalein.notes.back(), "27 Zeilen außerhalb der Areas werden nicht übernommen (die "
                                      "erste: \"aiSettings.createVehicleGroup heavyVehicles\").");
    EXPECT_EQ(kwajalein.notes[kwajalein.notes.size() - 2],
              "Die Kategorie hinter der Priorität wird nicht übernommen: AlliedBase (land), "
              "AxisBase (land), New_Control_Point1 (land).");
}

// The panel takes a line only where writing its own line first and the kept ones after
// leaves the game with what the level said; and what cannot be taken over is named.
TEST(LevelTakeover, KeepsWhatThePanelCannotHoldAndNamesWhatItLeaves) {
    // A: X 0 to 40, Z 0 to 40 on a 2048 level, so the editor's own order position is 10/10.
    const std::string a = "aiStrategicArea.create A 0/0 40/40 1\naiStrategicArea.setActive A\n";
    const std::string o = "AIStrategicArea.setOrderPosition ";
    const std::string area = "A [0 502 10 512]";
    // clang-format off
    const struct {
        std::string script;
        std::string areas;
        std::string note;
    } cases[] = {
        // Order positions: the editor's own only when first of its class; Car anywhere ticks.
        {a + o + "Infantry 5/5\n" + o + "Infantry 10/10\n", area + " side=- / / I 5/5; I 10/10;\n", ""},
        {a + o + "Infantry 10/10\n" + o + "Infantry 5/5\n" + o + "car 10/10\n" + o + "Car v\n",
         area + " Car side=- / / I 5/5; C v;\n", ""},
        // The first of a flag and of a side; a side the panel has not.
        {a + "aiStrategicArea.addObjectTypeFlag FLANK\naiStrategicArea.addObjectTypeFlag flank\n"
             "aiStrategicArea.setSide 1\naiStrategicArea.setSide 2\n",
         area + " Flanke side=1 / / F flank; S 2;\n", "Area \"A\": weitere oder unbekannte Seiten"},
        {a + "aiStrategicArea.setSide 3\n", area + " side=- / / S 3;\n", "weitere oder unbekannte"},
        // Comments: kept as they are in a block, commands in them not read; dropped elsewhere.
        {a + "beginrem\naiStrategicArea.setSide 2\nendrem\nrem x\naiStrategicArea.setSide 1\n",
         area + " side=1 / / beginrem; S 2; endrem; rem x;\n", ""},
        {"rem a\naiStrategicArea.create A 0/0 40/40 1\nrem b\naiStrategicArea.setSide 2\nc\n",
         area + " side=2 / / c;\n", ""},
        // What names no area, and names the game cannot take.
        {a + "aiStrategicArea.setActive B\naiStrategicArea.setSide 1\n", area + " side=- / /\n",
         "Der Block \"aiStrategicArea.setActive B\" nennt keine Area dieses Skripts"},
        {"aiStrategicArea.create Brücke  Nord 0/0 40/40 1 land\naiStrategicArea.setActive Brücke Nord\n"
         "AIStrategicArea.addNeighbour Brücke Nord\n",
         "Brücke Nord [0 502 10 512] side=- / Brücke Nord /\n", "\"Brücke Nord\" enthält ein Leerzeichen"},
        {"aiStrategicArea.create A 0/0 40/40 1\naiStrategicArea.create A 80/0 120/40 2\n"
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 1\naiStrategicArea.setActive A\n"
         "aiStrategicArea.setSide 2\n",
         area + " side=1 / /\nA [20 502 30 512] side=2 / /\n", "\"A\" ist schon vergeben"},
        // No width; a create line that cannot be read.
        {"aiStrategicArea.create A 8/0 8/40 1\n", "A [2 502 3 512] side=- / /\n", "keine Breite oder Höhe"},
        {"aiStrategicArea.create B 0/0 x/40 1\n" + a, area + " side=- / /\n",
         "Die Zeile \"aiStrategicArea.create B 0/0 x/40 1\" legt keine lesbare Area an"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const LevelTakeover takeover = takeOverLevelAreas(c.script, 2048, 4);
        EXPECT_EQ(describe(takeover.areas), c.areas) << c.script;
        std::string notes;
        for (const std::string& note : takeover.notes)
            notes += note + "\n";
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
    }
    const tess::test::TempDir level;
    EXPECT_EQ(tess::test::errorMessage([&] { takeOverLevelAreasOf(level.text(), 2048, 4); }),
              "Die Karte bringt keine eigenen Strategic Areas mit: " + level.text() +
                  "AI\\StrategicAreas.con fehlt");
}

} // namespace
