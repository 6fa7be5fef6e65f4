#include "areas/area_editor.h"
#include "areas/level_areas.h"
#include "areas/level_takeover.h"
#include "core/wizard_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
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
        AreaFile areas;
        areas.areas.resize(1 + random() % std::size(names));
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
        LevelTakeover takeover = takeOverLevelAreas(script, size, size / 512);
        for (AreaDefinition& a : takeover.areas.areas)
            a.levelLines.reset();
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
                                "höchstens 3 Welteinheiten), 24 zusätzliche Zeilen behalten, 1 "
                                "Zeile außerhalb der Areas.");
    EXPECT_EQ(takeover.notes[1], "Area \"Champs\": der Nachbar \"Axisbase\" ist keine Area dieses "
                                 "Skripts (gemeint \"AxisBase\"?); die Zeile bleibt als "
                                 "zusätzliche Zeile erhalten.");
    EXPECT_EQ(parseAreaFile(serialiseAreaFile(takeover.areas)), takeover.areas);

    // Flags after a block's empty line still belong to it; the vehicle groups and the
    // category's definition stay before the areas, the category on the create lines.
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
    EXPECT_EQ(kwajalein.areas[0].category, "land");
    EXPECT_EQ(kwajalein.notes.back(),
              "Zeilen außerhalb der Areas bleiben an ihrem Platz: 30 vor den Areas.");
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
         area + " side=2 / /\n", "Zeilen außerhalb der Areas bleiben an ihrem Platz: 1 vor den "
         "Areas, 1 zwischen den create-Zeilen und den Blöcken, 1 nach dem letzten Block."},
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
         "Die Zeile \"aiStrategicArea.create B 0/0 x/40 1\" legt keine lesbare Area an; sie bleibt "
         "außerhalb der Areas im Skript."},
        // An area far off the map is no area of the editor; its lines stay in the script.
        {a + "aiStrategicArea.create Far 1e300/-1e300 12.5/1e300 5\naiStrategicArea.setSide 1\n",
         area + " side=- / /\n",
         "Die Area \"Far\" (X 1e+300 bis 12.5, Z -1e+300 bis 1e+300) liegt weit außerhalb der "
         "Karte (0 bis 2048 Welteinheiten) und wird nicht übernommen; ihre Zeilen bleiben "
         "außerhalb der Areas im Skript."},
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

// Taken over and written back by the editor, a script means what the level's meant: every
// line outside the areas on its side of them, each area with exactly its own lines unless it
// was edited, conditions balanced, definitions before their use.
TEST(LevelTakeover, WrittenBackTheScriptMeansWhatTheLevelsMeant) {
    const std::string head = "rem *** WorX done by ferro_lumen's Tessarine ... "
                             "http://tessarine.example.org/\r\n";
    const std::string middle = "\r\n \r\n \r\n";
    // A on a 2048 level is X 0 to 40, Z 0 to 40: the editor's own order positions at 10/10.
    const std::string createA = "aiStrategicArea.create A 0/0 40/40 1\n";
    const auto editA = [](AreaEditor& editor) {
        editor.selectArea(0);
        AreaPanel panel = *editor.editArea();
        panel.schwer = true;
        ASSERT_EQ(editor.confirmArea(panel), ConfirmOutcome::confirmed);
    };
    // clang-format off
    const struct {
        std::string level;
        std::function<void(AreaEditor&)> edit;
        std::string written;
        std::string summary;
    } cases[] = {
        // A condition round everything, the comment before its end with it.
        {"if v_arg1 == host\nrem *** areas ***\n" + createA +
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 1\nrem end\n\nendIf\n", nullptr,
         head + "if v_arg1 == host\r\nrem *** areas ***\r\naiStrategicArea.create A 0/0 40/40 1\r\n \r\n" +
         middle + "aiStrategicArea.setActive A\r\naiStrategicArea.setSide 1\r\n\r\nrem end\r\nendIf\r\n\r\n",
         "1 Area übernommen, 4 Zeilen außerhalb der Areas."},
        // Vehicle groups and a category before the create lines that use it, a landing zone
        // before the blocks that attach it, a block's empty line kept.
        {"aiSettings.createVehicleGroup common\naiStrategicArea.createNewCategory(land)\n"
         "aiStrategicArea.create A 0/0 40/40 1 land\naiStrategicArea.create B 80/0 120/40 2 land\n"
         "AILandingZone.createLandingZone LZ 0/0 10/10 LZZMax\n\naiStrategicArea.setActive A\n"
         "AIStrategicArea.addAllowedVehicleGroup common\n\nAIStrategicArea.attachLandingZone LZ\n"
         "aiStrategicArea.setActive B\nAIStrategicArea.addNeighbour A\n", nullptr,
         head + "aiSettings.createVehicleGroup common\r\naiStrategicArea.createNewCategory(land)\r\n"
         "aiStrategicArea.create A 0/0 40/40 1 land\r\n \r\naiStrategicArea.create B 80/0 120/40 2 land\r\n \r\n" +
         middle + "AILandingZone.createLandingZone LZ 0/0 10/10 LZZMax\r\naiStrategicArea.setActive A\r\n"
         "AIStrategicArea.addAllowedVehicleGroup common\r\n\r\nAIStrategicArea.attachLandingZone LZ\r\n\r\n"
         "aiStrategicArea.setActive B\r\nAIStrategicArea.addNeighbour A\r\n\r\n\r\n",
         "2 Areas übernommen, 2 zusätzliche Zeilen behalten, 3 Zeilen außerhalb der Areas."},
        // Order positions elsewhere than the centre, a line under the create line, a second
        // block: the area's lines as they were, nothing added.
        {createA + "aiStrategicArea.vehicleSearchRadius 80\naiStrategicArea.setActive A\n"
         "AIStrategicArea.setOrderPosition Infantry 900/900\nAIStrategicArea.setOrderPosition Car 900/900\n"
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 2\n", nullptr,
         head + "aiStrategicArea.create A 0/0 40/40 1\r\n \r\n" + middle +
         "aiStrategicArea.setActive A\r\naiStrategicArea.vehicleSearchRadius 80\r\n"
         "AIStrategicArea.setOrderPosition Infantry 900/900\r\nAIStrategicArea.setOrderPosition Car 900/900\r\n"
         "aiStrategicArea.setSide 2\r\n\r\n\r\n",
         "1 Area übernommen, 3 zusätzliche Zeilen behalten."},
        // The same area edited ("schwere Fahrzeuge"): written as a drawn area, its kept order
        // positions standing for its own.
        {createA + "aiStrategicArea.vehicleSearchRadius 80\naiStrategicArea.setActive A\n"
         "AIStrategicArea.setOrderPosition Infantry 900/900\nAIStrategicArea.setOrderPosition Car 900/900\n"
         "aiStrategicArea.setSide 2\n", editA,
         head + "aiStrategicArea.create A 0/0 40/40 1\r\n \r\n" + middle +
         "aiStrategicArea.setActive A\r\nAIStrategicArea.setOrderPosition Tank 10/10\r\n"
         "aiStrategicArea.setSide 2\r\naiStrategicArea.vehicleSearchRadius 80\r\n"
         "AIStrategicArea.setOrderPosition Infantry 900/900\r\nAIStrategicArea.setOrderPosition Car 900/900\r\n\r\n\r\n",
         "1 Area übernommen, 3 zusätzliche Zeilen behalten."},
        // What is no area stays where it stood: an area far off the map, a create line that
        // cannot be read, a block that names no area.
        {createA + "aiStrategicArea.create Far 1e300/1e300 1e300/1e300 5\naiStrategicArea.setSide 1\n"
         "aiStrategicArea.create B 0/0 x/40 1\naiStrategicArea.setActive Ghost\naiStrategicArea.setSide 1\n"
         "aiStrategicArea.setActive A\naiStrategicArea.setSide 2\n", nullptr,
         head + "aiStrategicArea.create A 0/0 40/40 1\r\n \r\n" + middle +
         "aiStrategicArea.create Far 1e300/1e300 1e300/1e300 5\r\naiStrategicArea.setSide 1\r\n"
         "aiStrategicArea.create B 0/0 x/40 1\r\naiStrategicArea.setActive Ghost\r\naiStrategicArea.setSide 1\r\n"
         "aiStrategicArea.setActive A\r\naiStrategicArea.setSide 2\r\n\r\n\r\n",
         "1 Area übernommen, 5 Zeilen außerhalb der Areas."},
        // Comments in a block, a self-link and a neighbour named twice, as the level has them.
        {"rem heading\n" + createA + "aiStrategicArea.setActive A\nAIStrategicArea.addNeighbour A\n"
         "AIStrategicArea.addNeighbour A\nbeginrem\naiStrategicArea.setSide 2\nendrem\n"
         "aiStrategicArea.setSide 1\n", nullptr,
         head + "rem heading\r\naiStrategicArea.create A 0/0 40/40 1\r\n \r\n" + middle +
         "aiStrategicArea.setActive A\r\nAIStrategicArea.addNeighbour A\r\nAIStrategicArea.addNeighbour A\r\n"
         "beginrem\r\naiStrategicArea.setSide 2\r\nendrem\r\naiStrategicArea.setSide 1\r\n\r\n\r\n",
         "1 Area übernommen, 4 zusätzliche Zeilen behalten, 1 Zeile außerhalb der Areas."},
    };
    // clang-format on
    for (const auto& c : cases) {
        const LevelTakeover takeover = takeOverLevelAreas(c.level, 2048, 4);
        EXPECT_EQ(takeover.summary, c.summary) << c.level;
        tess::WizardState state;
        state.worldSize = 2048;
        state.worldScale = 4;
        state.areaEditMode = tess::AreaEditMode::secondCorner;
        AreaEditor editor(state);
        editor.importAreas(takeover.areas);
        if (c.edit)
            c.edit(editor);
        const std::string written = editor.areaScriptText();
        EXPECT_EQ(written, c.written) << c.level;
        // The area file holds it all: the command-line tool writes the same.
        AreaEditor fromFile(state);
        fromFile.importAreas(parseAreaFile(serialiseAreaFile(areaFileOf(editor))));
        EXPECT_EQ(fromFile.areaScriptText(), written) << c.level;
    }
}

} // namespace
