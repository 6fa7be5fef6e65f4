// The cursor of the area editor on its own: it keeps no geometry of its own, so it starts,
// puts its flags and bars and parks as the layout it was given has them.
#include "areas/area_cursor.h"
#include "core/wizard_state.h"

#include <gtest/gtest.h>

using namespace tess::areas;

TEST(AreaCursor, PicturesFollowTheLayoutItWasGiven) {
    const CursorLayout layout = {{
        {{10, 20}, 3, 3, true},    // gruen
        {{0, 0}, 20, 30, true},    // fg: 10 left of and 20 above its marker
        {{40, 20}, 3, 3, false},   // rot
        {{35, 5}, 20, 30, false},  // fr: 5 left of and 15 above its marker
        {{700, 0}, 50, 7, false},  // oben
        {{700, 10}, 50, 9, false}, // unten
        {{700, 20}, 4, 50, false}, // links
        {{700, 30}, 6, 50, false}, // rechts
    }};
    tess::AreaEditMode mode = tess::AreaEditMode::secondCorner;
    AreaCursor cursor(mode, layout);
    for (std::size_t i = 0; i < kCursorPartCount; ++i)
        EXPECT_EQ(cursor.picture(static_cast<CursorPart>(i)), layout[i]) << i;

    struct Row {
        CursorPart part;
        CursorPicture shown;
    };
    // "Area bearbeiten" on the area (50, 60) to (150, 160), then the green corner moved.
    cursor.editCorners({50, 60}, {150, 160}, {50, 60, 150, 160});
    cursor.placeActiveMarker({70, 90});
    EXPECT_EQ(mode, tess::AreaEditMode::firstCorner);
    const Row rows[] = {
        {CursorPart::gruen, {{70, 90}, 3, 3, true}},
        {CursorPart::fg, {{60, 70}, 20, 30, true}},
        {CursorPart::rot, {{150, 160}, 3, 3, true}},
        {CursorPart::fr, {{145, 145}, 20, 30, true}},
        {CursorPart::oben, {{50, 60}, 100, 7, true}},
        {CursorPart::unten, {{50, 160}, 100, 9, true}},
        {CursorPart::links, {{50, 60}, 4, 100, true}},
        {CursorPart::rechts, {{150, 60}, 6, 100, true}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(cursor.picture(row.part), row.shown) << static_cast<int>(row.part);

    // "OK": every picture hidden at its start, the second corner active.
    cursor.finishDrawing();
    EXPECT_EQ(mode, tess::AreaEditMode::secondCorner);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        EXPECT_EQ(cursor.picture(static_cast<CursorPart>(i)).position, layout[i].position) << i;
        EXPECT_FALSE(cursor.picture(static_cast<CursorPart>(i)).visible) << i;
    }
}
