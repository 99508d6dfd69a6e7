// The screen's cursors.
#include <gtest/gtest.h>

#include "application.h"
#include "forms.h"

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
