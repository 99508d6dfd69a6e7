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
                ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(lit ? RGB(255, 255, 255) : RGB(0, 0, 0)))
                    << x << "," << y;
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
// reordered, a top-down one turned, their pictures kept; the same drawing
// gives the same picture whichever way the record was stored.
TEST(VolkDC, EveryColourOrderAndRowOrderGivesTheSamePicture) {
    for (int bits : {16, 24, 32})
        for (int order : {K_ORDER_RGB, K_ORDER_BGR})
            for (int perspective : {K_TOP_DOWN, K_BOTTOM_UP}) {
                SCOPED_TRACE(std::to_string(bits) + " bits, order " + std::to_string(order) + ", perspective " +
                             std::to_string(perspective));
                Record r;
                MakeRecord(&r, 7, 5, bits, Primaries, order, perspective);
                HDC dc = K_CreateVolkDC(&r);
                ASSERT_NE(dc, nullptr);
                EXPECT_EQ(GetPixel(dc, 4, 1), Primaries(4, 1));  // GDI sees the picture upright
                RECT red{2, 1, 3, 2}, blue{5, 3, 7, 4};
                HBRUSH redBrush = CreateSolidBrush(RGB(255, 0, 0)), blueBrush = CreateSolidBrush(RGB(0, 0, 255));
                FillRect(dc, &red, redBrush);
                FillRect(dc, &blue, blueBrush);
                DeleteObject(redBrush);
                DeleteObject(blueBrush);
                EXPECT_NE(K_DeleteVolkDC(dc), 0);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 7; ++x) {
                        COLORREF expected = x == 2 && y == 1     ? RGB(255, 0, 0)
                                            : (y == 3 && x >= 5) ? RGB(0, 0, 255)
                                                                 : Primaries(x, y);
                        ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(expected)) << x << "," << y;
                    }
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
