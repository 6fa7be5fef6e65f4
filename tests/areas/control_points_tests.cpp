#include "areas/control_points.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace tess::areas;

namespace {

struct Expected {
    const char* name;
    double x;
    double z;
    std::optional<double> radius;
    std::optional<int> team;
    bool unableToChangeTeam;
};

TEST(ControlPoints, BastogneHasItsSevenFlagsWithTheirTemplates) {
    const auto points =
        readControlPoints(tess::test::testdata("levels/Bastogne") + "/"); // folder "Conquest"
    const Expected expected[] = {
        {"mont", 1332, 628, 20, 0, false},
        {"Bastogne", 1024.614, 948.7431, 50, 2, false},
        {"AxisBase", 419.6241, 1604.857, 3, 1, true},
        {"mageret", 1693.218, 1053.055, 25, 0, false},
        {"corridor", 570.2666, 658.7369, 25, 0, false},
        {"volkssturm", 1396.207, 297.8244, 25, 1, false},
        {"lchamps", 723.5616, 1253.824, 35, 0, false},
    };
    ASSERT_EQ(points.size(), std::size(expected));
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(points[i].name, expected[i].name);
        EXPECT_DOUBLE_EQ(points[i].x, expected[i].x);
        EXPECT_DOUBLE_EQ(points[i].z, expected[i].z);
        EXPECT_TRUE(points[i].templateFound);
        EXPECT_EQ(points[i].radius, expected[i].radius);
        EXPECT_EQ(points[i].team, expected[i].team);
        EXPECT_EQ(points[i].unableToChangeTeam, expected[i].unableToChangeTeam);
    }
}

TEST(ControlPoints, ReadAsTolerantlyAsTheGame) {
    struct Case {
        const char* what;
        const char* points;
        const char* templates;
        std::size_t count;
        double x;
        std::optional<double> radius;
        std::optional<int> team;
        bool unable;
    };
    const Case cases[] = {
        {"letter case, tabs, CR LF", "OBJECT.CREATE  Flag\r\n\tobject.absoluteposition 1/2/3\r\n",
         "objecttemplate.CREATE controlpoint flag\r\nObjectTemplate.Radius 30\r\n"
         "ObjectTemplate.team 2\r\nObjectTemplate.unableToChangeTeam 1\r\n",
         1, 1, 30, 2, true},
        {"comments and blocks",
         "rem Object.create A\nObject.create B\nbeginrem\n"
         "Object.absolutePosition 9/9/9\nendrem\nObject.absolutePosition 5/0/6\n",
         "",
         1,
         5,
         {},
         {},
         false},
        {"a position through a variable",
         "Object.create A\nObject.absolutePosition v_pos\n",
         "",
         0,
         0,
         {},
         {},
         false},
        {"a position line before any object",
         "Object.absolutePosition 1/2/3\n",
         "",
         0,
         0,
         {},
         {},
         false},
        {"another template type ends the control point's",
         "Object.create A\nObject.absolutePosition 7/0/7\n",
         "ObjectTemplate.create ControlPoint A\nObjectTemplate.radius 12\n"
         "ObjectTemplate.create Bundle AnimatedFlag\nObjectTemplate.radius 99\n"
         "ObjectTemplate.active a\nObjectTemplate.team 1\n",
         1, 7, 12, 1, false},
        {"created twice keeps the last position",
         "Object.create A\nObject.absolutePosition 1/0/1\nObject.create a\n"
         "Object.absolutePosition 2/0/2\n",
         "",
         1,
         2,
         {},
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto points = parseControlPoints(c.points, c.templates);
        ASSERT_EQ(points.size(), c.count);
        if (c.count == 0)
            continue;
        EXPECT_DOUBLE_EQ(points[0].x, c.x);
        EXPECT_EQ(points[0].radius, c.radius);
        EXPECT_EQ(points[0].team, c.team);
        EXPECT_EQ(points[0].unableToChangeTeam, c.unable);
        EXPECT_EQ(points[0].templateFound, c.radius.has_value() || c.team.has_value());
    }
}

} // namespace
