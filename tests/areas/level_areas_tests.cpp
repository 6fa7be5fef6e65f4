// The level's own strategic areas as a guide: the create lines of real levels, every way
// such a line may be written, and scripts that cannot be read.
#include "areas/level_areas.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tess::areas;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::testdata;
using tess::test::writeBytes;

namespace {

std::vector<std::string> names(const std::vector<LevelArea>& areas) {
    std::vector<std::string> result;
    for (const LevelArea& area : areas)
        result.push_back(area.name);
    return result;
}

} // namespace

TEST(LevelAreas, BastogneOnThePicture) {
    const auto areas = readLevelAreas(testdata("levels/Bastogne/"), 2048, 4);
    ASSERT_EQ(names(areas), (std::vector<std::string>{"Villeroux", "Bastogne", "AxisBase", "Marvie",
                                                      "Champs", "Volksbase", "Mageret"}));
    // "aiStrategicArea.create Bastogne 952/789 1128/1036 300": the top-left corner of the
    // outline is X 952, Z 1036 again.
    const LevelArea& bastogne = areas[1];
    EXPECT_EQ(bastogne.outline, (PixelRectangle{238, 253, 282, 315}));
    EXPECT_EQ(pixelToWorld({bastogne.outline.left, bastogne.outline.top}, 2048, 4),
              (WorldPosition{952, 1036}));
    EXPECT_EQ(bastogne.priority, 300);
    EXPECT_EQ(bastogne.x1, 952);
    EXPECT_EQ(bastogne.z1, 789);
    EXPECT_EQ(bastogne.x2, 1128);
    EXPECT_EQ(bastogne.z2, 1036);
    // "Villeroux 299/578 655/169": the first point is the upper left, the second the lower
    // right; edges between pixels go to the nearest one.
    EXPECT_EQ(areas[0].outline, (PixelRectangle{75, 368, 164, 470}));
}

TEST(LevelAreas, KwajaleinInAFolderSpelledAi) {
    // Its script lies in a folder spelled "ai", and its create lines name a category after
    // the priority.
    TempDir level;
    writeBytes(level / "ai/strategicareas.CON",
               readBytes(testdata("strategic-areas/Kwajalein_Atoll.con")));
    const auto areas = readLevelAreas(level.text(), 1024, 2);
    ASSERT_EQ(names(areas),
              (std::vector<std::string>{"AlliedBase", "AxisBase", "New_Control_Point1"}));
    // "aiStrategicArea.create AlliedBase 623/637 643/657 60 land"
    EXPECT_EQ(areas[0].outline, (PixelRectangle{312, 184, 322, 194}));
    EXPECT_EQ(areas[0].priority, 60);
}

TEST(LevelAreas, EveryWayALineMayBeWritten) {
    const std::string script =
        "rem *** Create strategic areas ***\r\n"
        "AISTRATEGICAREA.CREATE Loud 0/2048 2048/0 1\r\n"              // letter case; whole map
        "  aiStrategicArea.create\tTabs   8/8\t  16/16   2  \r\n"      // tabs and blanks
        "aistrategicarea.create Reversed 800/400 400/800 3\n"          // LF; corners reversed
        "aiStrategicArea.create Hier den Area - Namen -40/-40 0/0 0\r" // our own names; CR
        "aiStrategicArea.create Half 2.5/3.5 10/20 4\r\n"              // decimals
        "aiStrategicArea.create Outside 10000/-10000 -20000/30000 -5\r\n"
        "rem aiStrategicArea.create Comment 1/1 2/2 3\r\n"
        "aiStrategicArea.setActive Loud\r\n"
        "aiStrategicArea.create NoPriority 1/1 2/2\r\n"
        "aiStrategicArea.create WordPriority 1/1 2/2 high\r\n"
        "aiStrategicArea.create NoPoint 1/1 2 3\r\n"
        "aiStrategicArea.create Letters a/b 2/2 3\r\n"
        "aiStrategicArea.create Endless inf/1 2/2 3\r\n"
        "aiStrategicArea.create\r\n"
        "aiStrategicArea.createNewCategory(land)\r\n";
    const auto areas = parseLevelAreas(script, 2048, 4);
    ASSERT_EQ(names(areas), (std::vector<std::string>{"Loud", "Tabs", "Reversed",
                                                      "Hier den Area - Namen", "Half", "Outside"}));
    EXPECT_EQ(areas[0].outline, (PixelRectangle{0, 0, 512, 512}));
    EXPECT_EQ(areas[1].outline, (PixelRectangle{2, 508, 4, 510}));
    EXPECT_EQ(areas[1].priority, 2);
    EXPECT_EQ(areas[2].outline, (PixelRectangle{100, 312, 200, 412}));
    EXPECT_EQ(areas[3].outline, (PixelRectangle{-10, 512, 0, 522}));
    EXPECT_EQ(areas[4].outline, (PixelRectangle{1, 507, 3, 511}));
    EXPECT_EQ(areas[4].x1, 2.5);
    EXPECT_EQ(areas[5].outline, (PixelRectangle{-5000, -6988, 2500, 3012}));
    EXPECT_EQ(areas[5].priority, -5);

    // The same text in the other world sizes.
    EXPECT_EQ(parseLevelAreas(script, 1024, 2)[2].outline, (PixelRectangle{200, 112, 400, 312}));
    EXPECT_EQ(parseLevelAreas(script, 4096, 8)[2].outline, (PixelRectangle{50, 412, 100, 462}));
}

TEST(LevelAreas, NothingToDrawAndNoError) {
    TempDir level;
    EXPECT_TRUE(readLevelAreas(level.text(), 2048, 4).empty()); // no AI folder
    fs::create_directories(level / "AI/StrategicAreas.con");    // a folder of that name
    EXPECT_TRUE(readLevelAreas(level.text(), 2048, 4).empty());
    fs::remove_all(level / "AI");
    writeBytes(level / "AI/StrategicAreas.con", std::string("\0\xff\x81 binary\r\n", 12));
    EXPECT_TRUE(readLevelAreas(level.text(), 2048, 4).empty());
    writeBytes(level / "AI/StrategicAreas.con", "aiStrategicArea.create A 1/1 2/2 3\r\n");
    EXPECT_EQ(readLevelAreas(level.text(), 2048, 4).size(), 1u);
    // No level folder, or no world frame yet.
    EXPECT_TRUE(readLevelAreas("", 2048, 4).empty());
    EXPECT_TRUE(readLevelAreas(level.text(), 0, 0).empty());
}
