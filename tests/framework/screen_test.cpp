// The screen's cursors and the hint window's view of the screen.
#include <gtest/gtest.h>

#include "application.h"
#include "bitmap.h"
#include "forms.h"
#include "pump.h"

namespace {

// Whether the cursor's pixel is drawn (its AND mask bit is 0).
bool Opaque(HCURSOR cursor, int x, int y) {
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info)) return false;
    BITMAP bm{};
    GetObjectA(info.hbmMask, sizeof bm, &bm);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmMask);
    bool opaque = GetPixel(dc, x, y) == RGB(0, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return opaque;
}

}  // namespace

// crDrag is a cursor of its own (an arrow carrying a sheet), not the arrow.
TEST(ScreenCursors, TheDragCursorIsNotTheArrow) {
    HCURSOR drag = Screen->Cursors(crDrag), arrow = Screen->Cursors(crArrow);
    ASSERT_NE(drag, nullptr);
    EXPECT_NE(drag, arrow);
    EXPECT_EQ(Screen->Cursors(crDrag), drag) << "made once, kept by the screen";
    EXPECT_TRUE(Opaque(drag, 0, 0)) << "the arrow's tip is the hot spot";
    EXPECT_TRUE(Opaque(drag, 6, 21)) << "the sheet below the arrow";
    EXPECT_FALSE(Opaque(drag, 30, 30));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(drag, &info));
    EXPECT_EQ(info.xHotspot, 0u);
    EXPECT_EQ(info.yHotspot, 0u);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
}

// The hint window keeps the screen's pixels under it, taken before it shows,
// and erases its background with them: a hint whose painting leaves the
// pixels alone shows what lies underneath.
TEST(HintWindow, KeepsASnapshotOfTheScreenUnderIt) {
    auto* form = new TForm(Application, "TNOLAYOUT");
    form->InitializeForm();
    form->SetBorderStyle(bsNone);
    form->SetBounds(200, 200, 200, 100);
    form->SetColor(RGB(20, 160, 90));
    form->Show();
    auto screenPixel = [](int x, int y) {
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return c;
    };
    ASSERT_TRUE(PumpUntil([&] { return screenPixel(250, 250) == RGB(20, 160, 90); }, 10000));

    struct TClearHint : THintWindow {
        using THintWindow::THintWindow;
        void Paint() override {}  // leaves the erased background
    };
    auto* hint = new TClearHint(Application);
    hint->ActivateHint(RECT{240, 240, 280, 260}, "hint");
    ASSERT_NE(hint->Background(), nullptr);
    EXPECT_EQ(hint->Background()->Width(), 40);
    EXPECT_EQ(hint->Background()->Canvas()->Pixels(5, 5), RGB(20, 160, 90));
    EXPECT_TRUE(PumpUntil([&] { return screenPixel(250, 250) == RGB(20, 160, 90) && hint->IsHintShown(); }, 10000));
    // Moved half off the form: the left half is the form, the right the desktop.
    // The shown hint still covers its old pixels, so the form's new edge is
    // watched below it.
    form->SetBounds(200, 200, 60, 100);
    ASSERT_TRUE(PumpUntil([&] { return screenPixel(265, 280) != RGB(20, 160, 90); }, 10000));
    hint->ActivateHint(RECT{240, 240, 280, 260}, "hint");
    EXPECT_EQ(hint->Background()->Canvas()->Pixels(5, 5), RGB(20, 160, 90));
    EXPECT_NE(hint->Background()->Canvas()->Pixels(35, 5), RGB(20, 160, 90));
    FreeAndNil(hint);
    FreeAndNil(form);
}
