#include <gtest/gtest.h>

#include "controls/bitmap_button.h"
#include "controls/paint_scroll_bar.h"
#include "controls/skinned_panels.h"
#include "forms.h"
#include "host.h"
#include "program_fixture.h"

namespace {

// A strip of n frames of width w: frame k (0-based) is filled with colour
// k+1's shade and has a dark mark at its top-left.
std::unique_ptr<TBitmap> Strip(int n, int w, int h) {
    auto strip = MakeBitmap(n * w, h, clWhite);
    for (int k = 0; k < n; ++k) {
        TCanvas* c = strip->Canvas();
        c->Brush()->SetColor(RGB(40 * (k + 1), 100, 200 - 40 * k));
        c->FillRect(RECT{k * w, 0, (k + 1) * w, h});
        c->SetPixel(k * w + 3, 2, RGB(1, 2, 3));
    }
    return strip;
}

std::unique_ptr<TPicture> PictureOf(TBitmap& bitmap) {
    auto picture = std::make_unique<TPicture>();
    picture->SetGraphic(&bitmap);
    return picture;
}

// Paints the button into a 24-bit bitmap the size of its parent.
std::unique_ptr<TBitmap> PaintButton(TBitmapButton& button, int width, int height) {
    auto page = MakeBitmap(width, height, RGB(7, 7, 7));
    button.PaintInParent(page->Canvas()->Handle());
    return page;
}

}  // namespace

TEST(BitmapButton, SizeAndFramesFollowTheStrip) {
    EnsureFramework();
    TPanel parent(nullptr);
    parent.SetBounds(0, 0, 100, 60);
    TBitmapButton button(nullptr);
    button.SetParent(&parent);
    EXPECT_EQ(button.Width(), 64);
    EXPECT_EQ(button.Height(), 32);
    EXPECT_EQ(button.ControlStyle() & csSetCaption, 0u);
    EXPECT_NE(button.ControlStyle() & csOpaque, 0u);

    auto strip = Strip(3, 40, 30);
    auto picture = PictureOf(*strip);
    button.SetNumBitmaps(3);
    button.SetPicture(picture.get());
    EXPECT_EQ(button.Width(), 40);
    EXPECT_EQ(button.Height(), 30);
    button.SetNumBitmaps(2);
    EXPECT_EQ(button.Width(), 60);
    button.SetNumBitmaps(3);
    button.SetLeft(10);
    button.SetTop(5);

    // State 2 shows columns 40..79 of the strip.
    button.SetState(2);
    auto page = PaintButton(button, 100, 60);
    for (int y = 0; y < 30; y += 3)
        for (int x = 0; x < 40; x += 3)
            ASSERT_EQ(Hex(PixelAt(*page, 10 + x, 5 + y)), Hex(PixelAt(*strip, 40 + x, y))) << x << "," << y;
    EXPECT_EQ(Hex(PixelAt(*page, 9, 5)), Hex(RGB(7, 7, 7)));

    // PressState 0: the normal frame shifted by one pixel with dark top and left edges.
    button.SetPressState(0);
    button.MouseDown(mbLeft, ssLeft, 1, 1);
    auto sunken = PaintButton(button, 100, 60);
    button.MouseUp(mbLeft, ssLeft, 1, 1);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(Hex(PixelAt(*sunken, 10 + x, 5)), Hex(clBlack)) << x;
    for (int y = 0; y < 30; ++y) EXPECT_EQ(Hex(PixelAt(*sunken, 10, 5 + y)), Hex(clBlack)) << y;
    EXPECT_EQ(Hex(PixelAt(*sunken, 10 + 3, 5 + 2)), Hex(RGB(1, 2, 3))) << "the mark stays where the frame has it";
    EXPECT_EQ(Hex(PixelAt(*sunken, 10 + 20, 5 + 20)), Hex(PixelAt(*strip, 40 + 20, 20)));
}

TEST(BitmapButton, TransparentFaceShowsTheParentUnderWhite) {
    EnsureFramework();
    TPanel parent(nullptr);
    parent.SetBounds(0, 0, 20, 10);
    TBitmapButton button(nullptr);
    button.SetParent(&parent);
    auto strip = MakeBitmap(8, 4, clWhite);
    strip->Canvas()->SetPixel(1, 1, RGB(200, 0, 0));
    auto picture = PictureOf(*strip);
    button.SetNumBitmaps(2);
    button.SetPicture(picture.get());
    button.SetTransparent(true);
    EXPECT_EQ(button.ControlStyle() & csOpaque, 0u);
    auto page = PaintButton(button, 20, 10);
    EXPECT_EQ(Hex(PixelAt(*page, 1, 1)), Hex(RGB(200, 0, 0)));
    EXPECT_EQ(Hex(PixelAt(*page, 2, 1)), Hex(RGB(7, 7, 7)));
}

TEST(BitmapButton, CaptionPlacement) {
    EnsureFramework();
    TBitmapButton button(nullptr);
    button.SetBounds(0, 0, 40, 20);
    SIZE text{60, 10};
    POINT centred = button.CaptionOrigin(text);
    EXPECT_EQ(centred.x, -10) << "a caption wider than the button starts left of it";
    EXPECT_EQ(centred.y, 5);
    button.SetTextLeft(3);
    button.SetTextTop(4);
    button.SetShadowSize(2);
    button.SetShadowPressSize(1);
    button.SetPressText(1);
    struct {
        TShadowPosition pos;
        int dx, dy;
    } cases[] = {
        {spLeftTop, -1, -1},
        {spLeftBottom, -1, 1},
        {spRightBottom, 1, 1},
        {spRightTop, 1, -1},
    };
    for (auto& c : cases) {
        button.SetShadowPos(c.pos);
        POINT shadow = button.ShadowOrigin(text);
        EXPECT_EQ(shadow.x, 3 + 2 * c.dx);
        EXPECT_EQ(shadow.y, 4 + 2 * c.dy);
        button.MouseDown(mbLeft, ssLeft, 0, 0);
        POINT pressed = button.CaptionOrigin(text), pressedShadow = button.ShadowOrigin(text);
        button.MouseUp(mbLeft, ssLeft, 0, 0);
        EXPECT_EQ(pressed.x, 3 + c.dx);
        EXPECT_EQ(pressed.y, 4 + c.dy);
        EXPECT_EQ(pressedShadow.x, pressed.x + c.dx);
        EXPECT_EQ(pressedShadow.y, pressed.y + c.dy);
    }
}

TEST(BitmapButton, StateChangeAndCopy) {
    EnsureFramework();
    int changes = 0;
    TBitmapButton a(nullptr), b(nullptr);
    a.OnChangeState = [&](TObject*) { ++changes; };
    a.SetState(1);
    a.SetState(3);
    EXPECT_EQ(changes, 1);
    int shared = TBitmapButton::SharedContextUsers();
    {
        TBitmapButton c(nullptr);
        EXPECT_EQ(TBitmapButton::SharedContextUsers(), shared + 1);
    }
    EXPECT_EQ(TBitmapButton::SharedContextUsers(), shared);

    a.SetBounds(5, 6, 30, 12);
    a.SetCaption("Go");
    a.SetShadowPos(spLeftTop);
    a.SetTag(4);
    int clicks = 0;
    a.OnClick = [&](TObject*) { ++clicks; };
    b.SetTop(50);
    b.CopyFrom(a);
    EXPECT_EQ(b.Left(), 5);
    EXPECT_EQ(b.Top(), 50) << "the top is not taken over";
    EXPECT_EQ(b.Width(), 30);
    EXPECT_EQ(b.Caption(), "Go");
    EXPECT_EQ(b.State(), 3);
    EXPECT_EQ(b.ShadowPos(), spLeftTop);
    EXPECT_EQ(b.Tag(), 4);
    ASSERT_TRUE(b.OnClick);
    b.OnClick(&b);
    EXPECT_EQ(clicks, 1);
}

TEST(DrawPanel, CaptionSitsBetweenTheChildrenAtBothEnds) {
    EnsureFramework();
    TDrawPanel panel(nullptr);
    panel.SetBounds(0, 0, 200, 30);
    EXPECT_EQ(panel.CaptionLeftEdge(), 0);
    EXPECT_EQ(panel.CaptionRightEdge(), 200);
    TBitmapButton left(nullptr), right(nullptr), middle(nullptr);
    left.SetParent(&panel);
    left.SetBounds(4, 0, 30, 30);  // ends at 34 < 100
    right.SetParent(&panel);
    right.SetBounds(170, 0, 30, 30);  // begins at 170 > 100
    middle.SetParent(&panel);
    middle.SetBounds(90, 0, 20, 30);  // straddles the middle: ignored
    EXPECT_EQ(panel.CaptionLeftEdge(), 34);
    EXPECT_EQ(panel.CaptionRightEdge(), 170);
}

TEST(PaintScrollBar, TakenOverPaintingLeavesTheWindowPainted) {
    EnsureFramework();
    TForm form(nullptr, "PAINTSCROLLTEST");
    form.SetBounds(50, 50, 200, 100);
    TPaintScrollBar bar(&form);
    bar.SetParent(&form);
    bar.SetBounds(10, 10, 150, 20);
    int paints = 0, erases = 0;
    bar.OnPaint = [&](TObject*) { ++paints; };
    bar.OnErase = [&](TObject*) { ++erases; };
    form.Show();
    InvalidateRect(bar.Handle(), nullptr, TRUE);
    // A bounded pump: an unvalidated window would get WM_PAINT for ever.
    MSG msg;
    for (int i = 0; i < 200; ++i)
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (++i >= 200) break;
        }
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, 3);
    form.Hide();
}

TEST(DrawPanel, TilesItsPictureFromTheTopLeft) {
    EnsureFramework();
    TForm form(nullptr, "TILETEST");
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 120, 80);
    TDrawPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 50, 30);
    auto tile = MakeBitmap(20, 20, clWhite);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) tile->Canvas()->SetPixel(x, y, RGB(x * 10, y * 10, 50));
    auto picture = PictureOf(*tile);
    panel.SetPicture(picture.get());
    form.Show();
    panel.Repaint();
    // What the panel's window shows.
    auto shot = MakeBitmap(50, 30, clBlack);
    HDC dc = GetDC(panel.Handle());
    BitBlt(shot->Canvas()->Handle(), 0, 0, 50, 30, dc, 0, 0, SRCCOPY);
    ReleaseDC(panel.Handle(), dc);
    form.Hide();
    for (int y = 0; y < 30; y += 3)
        for (int x = 0; x < 50; x += 3)
            ASSERT_EQ(Hex(PixelAt(*shot, x, y)), Hex(RGB((x % 20) * 10, (y % 20) * 10, 50))) << x << "," << y;
}

TEST(CaptionBar, DraggingTheBarMovesTheFormAndADoubleClickMaximises) {
    EnsureFramework();
    TForm form(nullptr, "CAPTIONTEST");
    form.SetBorderStyle(bsNone);
    form.SetBounds(100, 100, 300, 200);
    TCaptionBar bar(&form);
    bar.SetParent(&form);
    bar.SetBounds(0, 0, 300, 24);
    form.Show();
    Application->ProcessMessages();

    // Real input from the X server: press on the bar, drag by (120, 60), release.
    ASSERT_EQ(RunHost("( sleep 0.5; xdotool mousemove 150 110 mousedown 1 sleep 0.2 mousemove 200 140 sleep 0.2 "
                      "mousemove 270 170 sleep 0.3 mouseup 1 ) >/dev/null 2>&1 &"),
              0);
    for (int i = 0; i < 60; ++i) {
        Application->ProcessMessages();
        Sleep(50);
    }
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, 220);
    EXPECT_EQ(r.top, 160);

    bar.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form.WindowState(), wsMaximized);
    bar.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form.WindowState(), wsNormal);
    form.SetBorderIcons(biSystemMenu);
    bar.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form.WindowState(), wsNormal) << "no maximise icon, no maximising";
    form.Hide();
}
