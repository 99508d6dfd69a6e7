// GDI drawing through K_CreateVolkDC lands in the record's own pixels.
#include <gtest/gtest.h>

#include "gdi_fixture.h"

namespace {

COLORREF Primaries(int x, int y) { return Primary(x + 3 * y); }

TEST(VolkDC, GdiDrawsIntoTheRecordAtEveryDepth) {
    const int depths[] = {1, 4, 8, 16, 24, 32};
    for (int bits : depths) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        Record r;
        MakeRecord(&r, 12, 8, bits, [](int, int) { return RGB(0, 0, 0); });
        HDC dc = K_CreateVolkDC(&r);
        ASSERT_NE(dc, nullptr);
        // A white row along picture line 2, a white column at x 9.
        RECT line{1, 2, 11, 3}, column{9, 0, 10, 8};
        HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        FillRect(dc, &line, white);
        FillRect(dc, &column, white);
        EXPECT_NE(K_DeleteVolkDC(dc), 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x) {
                bool lit = (y == 2 && x >= 1 && x < 11) || x == 9;
                ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(lit ? RGB(255, 255, 255) : RGB(0, 0, 0))) << x << "," << y;
            }
    }
}

TEST(VolkDC, TopDownRecordTurnsBottomUpWithItsPicture) {
    Record r;
    MakeRecord(&r, 7, 5, 24, Primaries, K_ORDER_BGR, K_TOP_DOWN);
    HDC dc = K_CreateVolkDC(&r);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(r.b.ViewPerspective, K_BOTTOM_UP);
    // GDI sees the picture upright too.
    EXPECT_EQ(GetPixel(dc, 4, 1), Primaries(4, 1));
    K_DeleteVolkDC(dc);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(PictureColor(&r, x, y), Primaries(x, y)) << x << "," << y;
}

// GDI's pixels are blue-green-red: a record stored red-green-blue is
// reordered, its picture kept, and red drawn through the DC is red.
TEST(VolkDC, RedGreenBlueRecordsSeeGdiColoursAsDrawn) {
    for (int bits : {16, 24, 32}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        Record r;
        MakeRecord(&r, 7, 5, bits, Primaries, K_ORDER_RGB);
        HDC dc = K_CreateVolkDC(&r);
        ASSERT_NE(dc, nullptr);
        RECT cell{2, 1, 3, 2};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &cell, red);
        DeleteObject(red);
        EXPECT_NE(K_DeleteVolkDC(dc), 0);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(x == 2 && y == 1 ? RGB(255, 0, 0) : Primaries(x, y)))
                    << x << "," << y;
    }
}

TEST(VolkDC, RefusesRecordsWithoutStorage) {
    Record r;
    EXPECT_EQ(K_CreateVolkDC(nullptr), nullptr);
    ASSERT_EQ(K_InitBitmap(&r, 4, 4, 24), K_OK);
    EXPECT_EQ(K_CreateVolkDC(&r), nullptr);
    EXPECT_EQ(K_DeleteVolkDC(nullptr), 0);
}

}  // namespace
