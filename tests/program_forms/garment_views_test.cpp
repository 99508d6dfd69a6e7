// The pattern view's and the category previews' arithmetic: the opening's
// frames, the show types a click cycles through, the model area, the
// stretched preview's hit point and which releases turn a preview.
#include <gtest/gtest.h>

#include "controls/carousel.h"
#include "controls/garment_view_steps.h"

namespace {

TEST(PatternViewSteps, OpeningShowsTheSheetFromFrameFiveAndClosingReturns) {
    // The sheet is hidden under white in frames 0 to 4 and whole (212 rows) in frame 8.
    const int rows[] = {0, 0, 0, 0, 0, 53, 114, 188, 212};
    for (int f = 0; f < 9; ++f) EXPECT_EQ(VisibleSheetRows(f), rows[f]) << f;
    EXPECT_EQ(VisibleSheetRows(-1), 0);
    EXPECT_EQ(VisibleSheetRows(12), 212);

    SheetAnimation a(3 * 3);
    a.SetForwards(true);
    std::vector<int> frames;
    SheetAnimation::Event e;
    while ((e = a.Tick()) == SheetAnimation::Running) frames.push_back(a.Frame());
    EXPECT_EQ(e, SheetAnimation::Opened);
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(a.Frame(), 8) << "the open sheet stays on the last frame";
    a.SetForwards(false);
    int ticks = 0;
    while ((e = a.Tick()) == SheetAnimation::Running) ++ticks;
    EXPECT_EQ(e, SheetAnimation::Closed);
    EXPECT_EQ(ticks, 8);
    EXPECT_EQ(a.Frame(), 0);
    // A close while still opening runs back from where it stands.
    a.SetForwards(true);
    a.Tick();
    a.Tick();
    a.SetForwards(false);
    EXPECT_EQ(a.Tick(), SheetAnimation::Running);
    EXPECT_EQ(a.Tick(), SheetAnimation::Running);
    EXPECT_EQ(a.Tick(), SheetAnimation::Closed);
    EXPECT_EQ(SheetAnimation(0).FrameCount(), 1) << "no cells still ends";
}

TEST(PatternViewSteps, ThreeClicksReturnToFabrics) {
    TTypeShow t = tsFill;
    t = NextShowType(t);
    EXPECT_EQ(t, tsContur);
    t = NextShowType(t);
    EXPECT_EQ(t, tsUnVisible);
    t = NextShowType(t);
    EXPECT_EQ(t, tsFill);
    EXPECT_EQ(NextShowType(tsEdit), tsEdit);
}

TEST(PatternViewSteps, ModelAreaAndItsMargin) {
    // The main window's pattern view: 317 x 306, area at (40, 57), 239 x 212.
    const DecoRect area = ModelAreaOf(40, 57, 239, 212, 317, 306);
    EXPECT_EQ(area, (DecoRect{40, 57, 239, 212}));
    EXPECT_TRUE(area.Contains(40, 57));
    EXPECT_TRUE(area.Contains(278, 268));
    for (auto [x, y] : {std::pair{39, 100}, {100, 56}, {279, 100}, {100, 269}}) EXPECT_FALSE(area.Contains(x, y));
    EXPECT_EQ(ModelAreaOf(40, 57, 0, 0, 317, 306), (DecoRect{40, 57, 277, 249})) << "0 reaches the panel's edges";
}

TEST(PreviewSteps, StretchedPictureAndReleases) {
    int px = -1, py = -1;
    // A 136 x 165 preview picture drawn into the front place (10, 0, 74 x 170).
    ASSERT_TRUE(PointInStretchedPicture(FrontPlace, 136, 165, 10, 0, px, py));
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
    ASSERT_TRUE(PointInStretchedPicture(FrontPlace, 136, 165, 83, 169, px, py));
    EXPECT_EQ(px, 134);  // 73 * 136 / 74
    EXPECT_EQ(py, 164);  // 169 * 165 / 170
    ASSERT_TRUE(PointInStretchedPicture(FrontPlace, 136, 165, 47, 85, px, py));
    EXPECT_EQ(px, 68);
    EXPECT_EQ(py, 82);
    EXPECT_FALSE(PointInStretchedPicture(FrontPlace, 136, 165, 9, 10, px, py));
    EXPECT_FALSE(PointInStretchedPicture(FrontPlace, 136, 165, 84, 10, px, py));
    EXPECT_FALSE(PointInStretchedPicture(FrontPlace, 0, 165, 40, 10, px, py)) << "no picture";
    // A hat preview: the picture over the whole 117 x 86 preview, 1:1.
    ASSERT_TRUE(PointInStretchedPicture(DecoRect{0, 0, 117, 86}, 117, 86, 116, 85, px, py));
    EXPECT_EQ(px, 116);
    EXPECT_EQ(py, 85);

    constexpr unsigned shift = 1, alt = 2, ctrl = 4;
    EXPECT_TRUE(PreviewReleaseTurns(true, 0, true, 40, 100));
    EXPECT_FALSE(PreviewReleaseTurns(true, 0, true, 100, 100)) << "outside the front place";
    EXPECT_TRUE(PreviewReleaseTurns(true, 0, false, 100, 100)) << "a preview without places";
    for (unsigned keys : {shift, alt, ctrl}) EXPECT_FALSE(PreviewReleaseTurns(true, keys, true, 40, 100)) << keys;
    EXPECT_FALSE(PreviewReleaseTurns(false, 0, true, 40, 100)) << "another button";
}

}  // namespace
