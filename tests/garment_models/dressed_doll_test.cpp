// The dressed doll's rules: which slots conflict, how garments are layered
// over the doll's frames front and back, which garment a point hits, and the
// pixel work the composing is made of.
#include <gtest/gtest.h>

#include <map>

#include "models/dressed_doll.h"
#include "models/raster.h"

namespace {

constexpr int W = DollPanelWidth, H = DollPanelHeight;
constexpr RasterColor kKey = RasterRGB(0, 128, 0);

RasterColor FrameColour(int k) { return RasterRGB(10 + k, 20, 30); }
RasterColor SlotColour(DollSlot s) { return RasterRGB(100 + s, 50, 60); }

// Six frames filled with their own colour; the overlay frames (4, 5) white
// but for a square at (90..109, 140..159); the background key at (0, 0).
Raster DollFrames() {
    Raster frames(6 * W, H);
    for (int k = 0; k < 6; ++k)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool overlay = k >= 4;
                const bool square = x >= 90 && x < 110 && y >= 140 && y < 160;
                frames.Set(k * W + x, y, overlay ? (square ? FrameColour(k) : RasterWhite) : FrameColour(k));
            }
    frames.Set(0, 0, kKey);
    return frames;
}

// Every garment covers the square at (90..109, 140..159) of the panel;
// the hat and the shoes cover it where their place reaches.
std::map<DollSlot, Raster> Garments() {
    std::map<DollSlot, Raster> g;
    for (int s = 0; s < DollSlotCount; ++s) {
        const DollSlot slot = DollSlot(s);
        const SlotPlace p = DollSlotPlace(slot);
        Raster r(p.Width, p.Height);
        for (int y = 140; y < 160; ++y)
            for (int x = 90; x < 110; ++x) r.Set(x - p.Left, y - p.Top, SlotColour(slot));
        // A mark of its own at the slot's top-left corner.
        r.Set(1, 1, SlotColour(slot));
        g[slot] = r;
    }
    g[SlotSh] = Raster(200, 80);
    for (int x = 90; x < 110; ++x) g[SlotSh].Set(x, 70, SlotColour(SlotSh));
    return g;
}

TEST(DollDressing, PuttingOnTakesOffTheConflictingSlots) {
    DollDressing d;
    for (int s = 0; s < DollSlotCount; ++s) d.NumModel[s] = 0;
    d.PutOn(SlotPl, 2);
    EXPECT_EQ(d.NumModel[SlotPl], 2);
    for (DollSlot off : {SlotBl, SlotBr, SlotHl, SlotYu, SlotWn}) EXPECT_FALSE(d.Worn(off)) << off;
    EXPECT_TRUE(d.Worn(SlotSh));
    EXPECT_TRUE(d.Worn(SlotTf));

    DollDressing t;
    t.PutOn(SlotBr, 0);
    t.PutOn(SlotBl, 1);  // a blouse keeps the trousers
    EXPECT_TRUE(t.Worn(SlotBr));
    t.PutOn(SlotYu, 0);  // a skirt does not
    EXPECT_FALSE(t.Worn(SlotBr));
    EXPECT_TRUE(t.Worn(SlotBl));
    EXPECT_TRUE(t.AnyWorn());
    t.TakeOffAll();
    EXPECT_FALSE(t.AnyWorn());
}

TEST(DollCompose, GarmentsLayeredInTheSidesOrder) {
    const Raster frames = DollFrames();
    auto garments = Garments();
    auto all = [&](DollSlot s) -> const Raster* { return &garments[s]; };

    const Raster front = ComposeDoll(frames, W, H, true, false, all);
    EXPECT_EQ(front.At(100, 150), SlotColour(SlotHl));  // bathrobe over everything but the hat
    EXPECT_EQ(front.At(100, 70), SlotColour(SlotSh));
    EXPECT_EQ(front.At(5, 5), FrameColour(0));
    EXPECT_EQ(front.At(1, 241), SlotColour(SlotTf));  // shoes at their place, 240 down
    EXPECT_EQ(front.At(0, 0), kKey);

    const Raster back = ComposeDoll(frames, W, H, false, false, all);
    EXPECT_EQ(back.At(100, 150), FrameColour(4));  // the overlay frame covers the garments
    EXPECT_EQ(back.At(100, 145 + 20), FrameColour(2));
    EXPECT_EQ(back.At(100, 70), SlotColour(SlotSh));

    // Without the overlay's square, the coat is the back's top garment.
    Raster plain = frames;
    for (int y = 140; y < 160; ++y)
        for (int x = 90; x < 110; ++x) plain.Set(4 * W + x, y, RasterWhite);
    EXPECT_EQ(ComposeDoll(plain, W, H, false, false, all).At(100, 150), SlotColour(SlotWn));

    // Taking garments off uncovers the next in order.
    auto noRobe = [&](DollSlot s) -> const Raster* { return s == SlotHl ? nullptr : &garments[s]; };
    EXPECT_EQ(ComposeDoll(frames, W, H, true, false, noRobe).At(100, 150), SlotColour(SlotPl));
    auto none = [](DollSlot) -> const Raster* { return nullptr; };
    EXPECT_EQ(ComposeDoll(frames, W, H, true, false, none).At(100, 150), FrameColour(0));
}

TEST(DollCompose, OtherFrameHatUsesTheSecondFrames) {
    const Raster frames = DollFrames();
    auto none = [](DollSlot) -> const Raster* { return nullptr; };
    EXPECT_EQ(ComposeDoll(frames, W, H, true, true, none).At(5, 5), FrameColour(1));
    EXPECT_EQ(ComposeDoll(frames, W, H, false, true, none).At(5, 5), FrameColour(3));
    EXPECT_EQ(ComposeDoll(frames, W, H, false, true, none).At(100, 150), FrameColour(5));
    EXPECT_EQ(DollFrameIndex(true, false), 0);
    EXPECT_EQ(DollFrameIndex(false, true), 3);
}

TEST(DollCompose, FadeLaysTheDollOverTheBackground) {
    Raster frames = DollFrames();
    // A white (transparent) band at the frame's top rows shows the background.
    for (int x = 0; x < W; ++x) frames.Set(x, 1, RasterWhite);
    const Raster background(W, H, RasterRGB(200, 1, 2));
    auto none = [](DollSlot) -> const Raster* { return nullptr; };
    const Raster level0 = ComposeDoll(frames, W, H, true, false, none, &background, 0);
    EXPECT_EQ(level0.At(3, 1), RasterRGB(200, 1, 2));
    EXPECT_EQ(level0.At(3, 9), FrameColour(0));
    for (int level : {1, 8, 15, 20}) {
        const Raster faded = ComposeDoll(frames, W, H, true, false, none, &background, level);
        int shown = 0;
        for (int y = 8; y < 16; ++y)
            for (int x = 8; x < 16; ++x) shown += faded.At(x, y) == RasterRGB(200, 1, 2);
        EXPECT_EQ(shown, 4 * std::min(level, 15)) << level;
    }
}

TEST(DollHits, TopGarmentFirstAndTheDollBelow) {
    std::vector<DollSlot> asked;
    auto pieceAt = [&](DollSlot s) {
        asked.push_back(s);
        return s == SlotBr || s == SlotBl ? 0 : -1;
    };
    EXPECT_EQ(SlotAt(pieceAt), SlotBl);
    EXPECT_EQ(asked, (std::vector<DollSlot>{SlotSh, SlotWn, SlotPl, SlotHl, SlotBl}));
    EXPECT_EQ(SlotAt([](DollSlot) { return -1; }), -1);

    const Raster frames = DollFrames();
    Raster outline = frames;
    outline.Set(7, 7, kKey);  // background around the doll in frame 0
    EXPECT_FALSE(PointOnDoll(outline, W, true, false, 7, 7));
    EXPECT_TRUE(PointOnDoll(outline, W, true, false, 8, 7));
    EXPECT_TRUE(PointOnDoll(outline, W, false, false, 7, 7));  // the back frame has no hole there
    EXPECT_FALSE(PointOnDoll(outline, W, true, false, -1, 7));
    EXPECT_FALSE(PointOnDoll(outline, W, true, false, W, 7));
}

TEST(RasterWork, ResampleAndShade) {
    Raster one(1, 1, RasterRGB(9, 8, 7));
    Raster big(5, 3);
    ResampleBilinear(big, one);
    for (RasterColor c : big.Pixels) EXPECT_EQ(c, RasterRGB(9, 8, 7));

    // Two columns 0 and 200 stretched to four: e = 0, 0.5, 1, 1.5; the last
    // column's right neighbour is itself.
    Raster two(2, 1);
    two.Set(0, 0, RasterRGB(0, 0, 0));
    two.Set(1, 0, RasterRGB(200, 100, 51));
    Raster four(4, 1);
    ResampleBilinear(four, two);
    EXPECT_EQ(four.At(0, 0), RasterRGB(0, 0, 0));
    EXPECT_EQ(four.At(1, 0), RasterRGB(100, 50, 25));  // 25.5 truncates
    EXPECT_EQ(four.At(2, 0), RasterRGB(200, 100, 51));
    EXPECT_EQ(four.At(3, 0), RasterRGB(200, 100, 51));

    Raster scaled(10, 4, RasterRGB(1, 2, 3));
    ScaleRaster(scaled, 3);
    EXPECT_EQ(scaled.Width, 30);
    EXPECT_EQ(scaled.Height, 12);

    Raster picture(3, 1, RasterRGB(100, 200, 0));
    Raster shade(3, 1);
    shade.Set(0, 0, RasterRGB(9, 9, 9));    // the key: left alone
    shade.Set(1, 0, RasterRGB(0, 255, 0));  // green 255: -128, black
    shade.Set(2, 0, RasterRGB(0, 127, 0));  // green 127: no change
    ApplyShadeMap(picture, shade);
    EXPECT_EQ(picture.At(0, 0), RasterRGB(100, 200, 0));
    EXPECT_EQ(picture.At(1, 0), RasterRGB(0, 0, 0));
    EXPECT_EQ(picture.At(2, 0), RasterRGB(100, 200, 0));
}

TEST(RasterWork, MaskedDrawKeepsWhiteTransparent) {
    Raster dest(3, 3, RasterRGB(1, 1, 1));
    Raster src(2, 2);
    src.Set(1, 1, RasterRGB(5, 6, 7));
    DrawMasked(1, 1, dest, src);
    DrawMasked(-1, -1, dest, src);  // partly outside: only (0, 0) lands
    EXPECT_EQ(dest.At(2, 2), RasterRGB(5, 6, 7));
    EXPECT_EQ(dest.At(0, 0), RasterRGB(5, 6, 7));
    EXPECT_EQ(dest.At(1, 1), RasterRGB(1, 1, 1));
    const Raster cut = CopyRect(dest, 2, 2, 2, 2);
    EXPECT_EQ(cut.At(0, 0), RasterRGB(5, 6, 7));
    EXPECT_EQ(cut.At(1, 1), RasterWhite);
}

}  // namespace
