#include <gtest/gtest.h>

#include "controls/fabric_drum.h"
#include "memory_canvas.h"

namespace {

// Atlases of 3 x 2 and 4 x 1 cells of 60 x 60.
FabricDrum TenFabrics() {
    FabricDrum drum;
    drum.Prepare({true, 180, 120, 60, 60}, {true, 240, 60, 60, 60});
    return drum;
}

void Open(FabricDrum& drum) {
    ASSERT_TRUE(drum.OpenDrum());
    while (drum.TimerOn) drum.Tick();
    ASSERT_TRUE(drum.Opened);
}

const PatternColour Keys[5] = {PatternRGB(255, 0, 0), PatternRGB(0, 255, 0), PatternRGB(0, 0, 255),
                               PatternRGB(255, 255, 0), PatternRGB(0, 255, 255)};

}  // namespace

TEST(FabricDrumCells, CountsAndCells) {
    FabricDrum drum = TenFabrics();
    EXPECT_EQ(drum.CountS(), 6);
    EXPECT_EQ(drum.CountM(), 4);
    EXPECT_EQ(drum.FabricCount(), 10);
    EXPECT_FALSE(drum.IsStretchFabric(7));
    EXPECT_EQ(drum.CellRect(7), (DrumRect{60, 0, 120, 60}));  // cell (1, 0) of atlas M
    EXPECT_TRUE(drum.IsStretchFabric(2));
    EXPECT_EQ(drum.CellRect(2), (DrumRect{120, 0, 180, 60}));  // cell (2, 0) of atlas S
    EXPECT_EQ(drum.CellRect(4), (DrumRect{60, 60, 120, 120}));
    // Fabrics the atlases do not hold have no cell (and fill black).
    for (int n : {-1, 10, 200}) EXPECT_TRUE(drum.CellRect(n).Empty()) << n;

    // An atlas narrower than its cells has no columns: no division by zero.
    FabricDrum narrow;
    narrow.Prepare({true, 180, 120, 60, 60}, {true, 30, 600, 60, 60});
    EXPECT_EQ(narrow.ColsM(), 0);
    EXPECT_EQ(narrow.FabricCount(), 6);
    EXPECT_TRUE(narrow.CellRect(7).Empty());
    FabricDrum unassigned;
    unassigned.Prepare({false, 180, 120, 60, 60}, {true, 240, 60, 0, 0});
    EXPECT_EQ(unassigned.FabricCount(), 0);
    EXPECT_EQ(unassigned.WrapIndex(0), -1);
    EXPECT_TRUE(unassigned.CellRect(0).Empty());
}

TEST(FabricDrumCells, WrapIndexWrapsForAnyCount) {
    FabricDrum drum = TenFabrics();
    int shown[5];
    for (int i = -3; i <= 1; ++i) shown[i + 3] = drum.WrapIndex(i);
    EXPECT_EQ(std::vector<int>(shown, shown + 5), (std::vector<int>{7, 8, 9, 0, 1}));
    for (int count : {1, 2, 3}) {
        FabricDrum small;
        small.Prepare({true, 60 * count, 60, 60, 60}, {});
        ASSERT_EQ(small.FabricCount(), count);
        for (int position = 0; position < count; ++position) {
            small.Position = position;
            for (int i = -3; i <= 1; ++i) {
                int n = small.WrapIndex(i);
                EXPECT_GE(n, 0) << count << " " << i;
                EXPECT_LT(n, count);
                EXPECT_EQ((n - position - i) % count, 0);
            }
        }
    }
}

TEST(FabricDrumState, OpenTurnAndClose) {
    FabricDrum drum = TenFabrics();
    EXPECT_EQ(drum.HintAt(0), "Choice of the material");
    EXPECT_EQ(drum.MouseUp(NoDrumWindow), DrumAction::Opened);
    EXPECT_EQ(drum.PhaseRect(99, 103), (DrumRect{100, 0, 199, 103}));  // frame 1 of row 0
    drum.Tick();
    drum.Tick();
    // A second click while still closed restarts the opening.
    EXPECT_EQ(drum.MouseUp(0), DrumAction::Opened);
    EXPECT_EQ(drum.Phase, 1);
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(drum.Tick());
    EXPECT_FALSE(drum.Opened);
    drum.Tick();
    EXPECT_TRUE(drum.Opened);
    EXPECT_FALSE(drum.TimerOn);
    EXPECT_EQ(drum.PhaseRect(99, 103), (DrumRect{1, 206, 100, 309}));  // the open drum at rest, row 2
    EXPECT_EQ(drum.HintAt(-2), "Material");
    EXPECT_EQ(drum.HintAt(NoDrumWindow), "Close the choice of the material");

    // Left windows turn forward (row 3), right ones backward (row 2).
    EXPECT_EQ(drum.MouseUp(-1), DrumAction::RotatedForward);
    EXPECT_EQ(drum.Position, 1);
    EXPECT_EQ(drum.PhaseRect(99, 103).top, 309);
    while (drum.TimerOn) drum.Tick();
    for (int i = 0; i < 9; ++i) {
        drum.MouseUp(-3);
        while (drum.TimerOn) drum.Tick();
    }
    EXPECT_EQ(drum.Position, 0);
    EXPECT_EQ(drum.MouseUp(1), DrumAction::RotatedBackward);
    EXPECT_EQ(drum.Position, 9);
    EXPECT_EQ(drum.PhaseRect(99, 103).top, 206);
    while (drum.TimerOn) drum.Tick();

    EXPECT_EQ(drum.MouseUp(NoDrumWindow), DrumAction::Closed);
    EXPECT_EQ(drum.PhaseRect(99, 103).top, 103);  // the closing animation, row 1
    bool repaint = false;
    while (drum.TimerOn) repaint = drum.Tick();
    EXPECT_TRUE(repaint);
    EXPECT_FALSE(drum.Opened);
    EXPECT_EQ(drum.PhaseRect(99, 103), (DrumRect{1, 0, 100, 103}));  // the lid
    EXPECT_FALSE(drum.CloseDrum());
    EXPECT_FALSE(drum.RotateForward());
}

TEST(FabricDrumState, DragsBeginOnlyOnWindowsOfTheOpenDrum) {
    FabricDrum drum = TenFabrics();
    EXPECT_FALSE(drum.MouseDown(0, false));  // closed
    Open(drum);
    EXPECT_FALSE(drum.MouseDown(NoDrumWindow, false));
    EXPECT_TRUE(drum.MouseDown(-3, true));
    EXPECT_EQ(drum.NumDrag, 7);
    EXPECT_TRUE(drum.ShiftDrag);
    // The release that ends the drag is no click.
    EXPECT_EQ(drum.MouseUp(-3), DrumAction::None);
    EXPECT_EQ(drum.Position, 0);
    EXPECT_EQ(drum.MouseUp(-3), DrumAction::RotatedForward);
}

TEST(FabricDrumPaint, FabricsFillOnlyTheWindowKeys) {
    FabricDrum drum = TenFabrics();
    // A frame with the five windows as bands, white and grey rims between.
    const PatternColour rim = PatternRGB(190, 150, 200);
    MemoryBitmap frame(99, 103, rim), reference(99, 103, rim);
    for (MemoryBitmap* b : {&frame, &reference}) {
        for (int w = 0; w < 5; ++w) {
            b->SetBrushColour(Keys[w]);
            b->FillRect(10, 8 + 18 * w, 89, 23 + 18 * w);
        }
        b->SetBrushColour(PatternWhite);
        b->FillRect(0, 100, 99, 103);
    }
    // Fabric 7's colour happens to be window -2's key: the window it lands
    // in stays fabric 7, as the reference decides.
    struct KeyFabrics : MemoryFabrics {
        void FillWithFabric(PatternBitmap& bitmap, int n) override {
            bitmap.SetBrushColour(n == 7 ? Keys[1] : Colour(n));
            bitmap.FillRect(0, 0, bitmap.Width(), bitmap.Height());
        }
    } fabrics;
    drum.PaintWindows(frame, reference, Keys, fabrics);
    const int shown[5] = {7, 8, 9, 0, 1};
    for (int w = 0; w < 5; ++w) {
        PatternColour expected = shown[w] == 7 ? Keys[1] : MemoryFabrics::Colour(shown[w]);
        EXPECT_EQ(frame.Count(expected, 10, 8 + 18 * w, 89, 23 + 18 * w), 79 * 15) << w;
    }
    // The frame's white and rim stay as they were.
    EXPECT_EQ(frame.Count(PatternWhite), 99 * 3);
    EXPECT_EQ(frame.Count(rim), 99 * 103 - 5 * 79 * 15 - 99 * 3);
    EXPECT_EQ(FabricDrum::WindowOfColour(reference.Pixel(50, 30), Keys), -2);
    EXPECT_EQ(FabricDrum::WindowOfColour(reference.Pixel(50, 101), Keys), NoDrumWindow);
}
