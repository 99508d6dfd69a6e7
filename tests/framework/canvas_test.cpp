// The canvas on 24-bit bitmaps: pens, brushes, rotated fonts, copy modes,
// stretching, flood fill, pixels and the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "bitmap.h"

namespace {

TBitmap* WhiteBitmap(int w, int h) {
    auto* b = new TBitmap;
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    return b;
}

// Runs of pen-coloured pixels along row y.
int Dashes(TCanvas* c, int y, int width) {
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x < width; ++x) {
        bool on = c->Pixels(x, y) == clBlack;
        if (on && !inRun) ++runs;
        inRun = on;
    }
    return runs;
}

}  // namespace

TEST(Canvas, PenStylesDrawTheirDashes) {
    std::unique_ptr<TBitmap> b(WhiteBitmap(200, 10));
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetStyle(psSolid);
    c->MoveTo(0, 1);
    c->LineTo(200, 1);
    c->Pen()->SetStyle(psDash);
    c->MoveTo(0, 3);
    c->LineTo(200, 3);
    c->Pen()->SetStyle(psDot);
    c->MoveTo(0, 5);
    c->LineTo(200, 5);
    c->Pen()->SetStyle(psClear);
    c->MoveTo(0, 7);
    c->LineTo(200, 7);
    EXPECT_EQ(Dashes(c, 1, 200), 1);
    int dashes = Dashes(c, 3, 200), dots = Dashes(c, 5, 200);
    EXPECT_GT(dashes, 3);
    EXPECT_GT(dots, dashes) << "dots are shorter than dashes";
    EXPECT_EQ(Dashes(c, 7, 200), 0);
}

TEST(Canvas, BrushFillsAndClearBrushLeavesTheInside) {
    std::unique_ptr<TBitmap> b(WhiteBitmap(40, 20));
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(RECT{0, 0, 20, 20});
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(clBlue);
    c->Rectangle(20, 0, 40, 20);
    EXPECT_EQ(c->Pixels(5, 5), clRed);
    EXPECT_EQ(c->Pixels(30, 10), clWhite) << "a clear brush does not fill";
    EXPECT_EQ(c->Pixels(20, 10), clBlue);
    EXPECT_EQ(c->Pixels(39, 10), clBlue);
}

TEST(Canvas, FloodFillStopsAtTheBorderColour) {
    std::unique_ptr<TBitmap> b(WhiteBitmap(50, 50));
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    c->Ellipse(5, 5, 45, 45);
    c->Brush()->SetColor(clGreen);
    c->FloodFill(25, 25, clBlack, fsBorder);
    EXPECT_EQ(c->Pixels(25, 25), clGreen);
    EXPECT_EQ(c->Pixels(1, 1), clWhite) << "outside the ellipse";
    // A surface fill replaces one colour.
    c->Brush()->SetColor(clYellow);
    c->FloodFill(1, 1, clWhite, fsSurface);
    EXPECT_EQ(c->Pixels(1, 1), clYellow);
    EXPECT_EQ(c->Pixels(25, 25), clGreen);
}

TEST(Canvas, RotatedTextRunsDownward) {
    std::unique_ptr<TBitmap> b(WhiteBitmap(200, 200));
    TCanvas* c = b->Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(20);
    c->Font()->SetColor(clBlack);
    c->Font()->SetOrientation(2700);  // 270 degrees: top to bottom
    c->Brush()->SetStyle(bsClear);
    c->TextOut(100, 10, "MMMMMM");
    int minX = 200, maxX = -1, minY = 200, maxY = -1;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (c->Pixels(x, y) != clWhite) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "no text drawn";
    EXPECT_GT(maxY - minY, 2 * (maxX - minX)) << "the text is taller than wide";
    EXPECT_LE(maxX, 100) << "a downward line of text lies left of its origin";
}

TEST(Canvas, CopyModesCombineSourceAndDestination) {
    std::unique_ptr<TBitmap> src(WhiteBitmap(4, 1)), dst(WhiteBitmap(4, 1));
    TColor s[4] = {clBlack, clWhite, clRed, 0x00F0F0F0};
    TColor d[4] = {clWhite, clBlue, clWhite, 0x000F0F0F};
    for (int x = 0; x < 4; ++x) {
        src->Canvas()->SetPixel(x, 0, s[x]);
        dst->Canvas()->SetPixel(x, 0, d[x]);
    }
    struct Case {
        DWORD mode;
        TColor expect[4];
    } cases[] = {
        {cmSrcAnd, {clBlack, clBlue, clRed, 0}},
        {cmSrcPaint, {clWhite, clWhite, clWhite, clWhite}},
        {cmMergePaint, {clWhite, clBlue, clWhite, 0x000F0F0F}},  // (NOT source) OR destination
        {cmSrcCopy, {clBlack, clWhite, clRed, 0x00F0F0F0}},
    };
    for (auto& c : cases) {
        std::unique_ptr<TBitmap> out(new TBitmap);
        out->Assign(dst.get());
        out->Canvas()->SetCopyMode(c.mode);
        out->Canvas()->CopyRect(RECT{0, 0, 4, 1}, src->Canvas(), RECT{0, 0, 4, 1});
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out->Canvas()->Pixels(x, 0), c.expect[x]) << "mode " << c.mode << " x " << x;
    }
}

TEST(Canvas, StretchDrawScalesTheGraphic) {
    std::unique_ptr<TBitmap> src(WhiteBitmap(2, 2)), dst(WhiteBitmap(10, 10));
    src->Canvas()->SetPixel(0, 0, clRed);
    src->Canvas()->SetPixel(1, 1, clBlue);
    SetStretchBltMode(dst->Canvas()->Handle(), COLORONCOLOR);
    dst->Canvas()->StretchDraw(RECT{2, 2, 10, 10}, src.get());
    EXPECT_EQ(dst->Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(dst->Canvas()->Pixels(2, 2), clRed);
    EXPECT_EQ(dst->Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(dst->Canvas()->Pixels(6, 6), clBlue);
    EXPECT_EQ(dst->Canvas()->Pixels(9, 9), clBlue);
    EXPECT_EQ(dst->Canvas()->Pixels(9, 2), clWhite);
}

TEST(Canvas, LockKeepsOtherThreadsOut) {
    TCanvas canvas;
    canvas.Lock();
    std::atomic<int> got{-1};
    std::thread([&] {
        got = canvas.TryLock();
        if (got) canvas.Unlock();
    }).join();
    EXPECT_EQ(got, 0);
    EXPECT_EQ(canvas.LockCount(), 1);
    canvas.Unlock();
    std::thread([&] {
        got = canvas.TryLock();
        if (got) canvas.Unlock();
    }).join();
    EXPECT_EQ(got, 1);
}

// BrushCopy puts the brush where the source has exactly the key colour and
// the source's own pixels everywhere else, at its size and stretched.
TEST(Canvas, BrushCopyReplacesTheKeyColourByTheBrush) {
    const TColor key = RGB(10, 200, 30), nearKey = RGB(10, 200, 31), brush = RGB(250, 240, 0);
    const TColor source[4] = {key, nearKey, clBlack, clWhite};
    std::unique_ptr<TBitmap> sheet(WhiteBitmap(6, 1));
    for (int x = 0; x < 4; ++x) sheet->Canvas()->SetPixel(x + 2, 0, source[x]);
    for (int scale : {1, 3}) {
        SCOPED_TRACE(scale);
        std::unique_ptr<TBitmap> target(WhiteBitmap(4 * scale + 2, scale + 2));
        TCanvas* c = target->Canvas();
        c->Brush()->SetColor(clRed);
        c->FillRect(RECT{0, 0, target->Width(), target->Height()});
        c->Brush()->SetColor(brush);
        c->BrushCopy(RECT{1, 1, 1 + 4 * scale, 1 + scale}, sheet.get(), RECT{2, 0, 6, 1}, key);
        for (int x = 0; x < 4 * scale; ++x)
            for (int y = 0; y < scale; ++y)
                EXPECT_EQ(c->Pixels(1 + x, 1 + y), x / scale == 0 ? brush : source[x / scale]) << x << "," << y;
        EXPECT_EQ(c->Pixels(0, 0), clRed) << "nothing outside the rectangle";
        EXPECT_EQ(c->Pixels(1 + 4 * scale, 1 + scale), clRed);
    }
}
