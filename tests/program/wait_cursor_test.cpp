#include <gtest/gtest.h>

#include "controls/rect_helpers.h"
#include "controls/screen_cursors.h"
#include "controls/wait_cursor.h"
#include "forms.h"
#include "program_fixture.h"

TEST(WaitCursor, OnlyTheOutermostPairChangesTheCursor) {
    EnsureFramework();
    Screen->SetCursor(crCross);
    BeginWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Screen->SetCursor(crHourGlass);
    BeginWaitCursor();
    EndWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass) << "begin, begin, end leaves the wait cursor on";
    EndWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crCross) << "the second end restores the cursor from before the first begin";
    Screen->SetCursor(crArrow);
    EndWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crArrow) << "an unpaired end changes nothing";
    EXPECT_EQ(WaitCursorDepth(), 0);
    BeginWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass) << "an unpaired end must not leave the count below zero";
    EndWaitCursor();
    EXPECT_EQ(Screen->Cursor(), crArrow);
    Screen->SetCursor(crDefault);
}

TEST(RectHelpers, EdgesCount) {
    RECT r{10, 20, 30, 40};
    struct {
        POINT p;
        bool inside;
    } cases[] = {
        {{10, 20}, true}, {{30, 40}, true},  {{30, 20}, true},  {{20, 30}, true},
        {{9, 30}, false}, {{31, 30}, false}, {{20, 19}, false}, {{20, 41}, false},
    };
    for (auto& c : cases) EXPECT_EQ(RectContainsPoint(c.p, r), c.inside) << c.p.x << "," << c.p.y;
    EXPECT_EQ(RectWidth(r), 20);
    EXPECT_EQ(RectHeight(r), 20);
    EXPECT_EQ(LargerOf(-3, -7), -3);
}

TEST(ScreenCursors, HandAndDragCursorsComeFromTheResources) {
    EnsureFramework();
    RegisterProgramCursors();
    HCURSOR arrow = Screen->Cursors(crArrow);
    EXPECT_NE(Screen->Cursors(crHandCursor), arrow);
    EXPECT_NE(Screen->Cursors(crDragCursor), arrow);
    EXPECT_NE(Screen->Cursors(crHandCursor), Screen->Cursors(crDragCursor));
}
