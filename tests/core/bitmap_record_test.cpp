// Construction of BitmapRecord: geometry, defaults and refused sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "core/bitmap.h"
#include "volkg.h"

namespace {

bool AllZero(const BitmapRecord& r) {
    const auto* p = reinterpret_cast<const unsigned char*>(&r);
    for (size_t i = 0; i < sizeof r; ++i)
        if (p[i]) return false;
    return true;
}

TEST(BitmapRecord, BadDepthClearsAllBytes) {
    BitmapRecord r;
    std::memset(&r, 0xAB, sizeof r);
    EXPECT_EQ(K_InitBitmap(&r, 0, 0, 0), K_ERR_BITS);
    EXPECT_TRUE(AllZero(r));
    std::memset(&r, 0xAB, sizeof r);
    EXPECT_EQ(K_InitBitmap(&r, 10, 10, 2), K_ERR_BITS);
    EXPECT_TRUE(AllZero(r));
}

TEST(BitmapRecord, BytesPerLineByDepth) {
    struct Case {
        int width, bits, bytes;
    } cases[] = {
        {1, 1, 4}, {32, 1, 4}, {33, 1, 8}, {7, 4, 4}, {9, 4, 8}, {5, 8, 8},
        {3, 16, 8}, {5, 24, 16}, {4, 24, 12}, {7, 32, 28}, {0, 24, 0},
    };
    for (const Case& c : cases) {
        BitmapRecord r;
        ASSERT_EQ(K_InitBitmap(&r, c.width, 3, c.bits), K_OK);
        EXPECT_EQ(r.BytesPerLine, c.bytes) << c.width << "x" << c.bits;
        EXPECT_EQ(r.ImageSize, static_cast<unsigned>(c.bytes * 3));
        EXPECT_EQ(GetBytesPerLine(c.width, c.bits), c.bytes);
    }
    EXPECT_EQ(GetBytesPerLine(10, 2), K_ERR_BITS);
}

TEST(BitmapRecord, NewRecordDefaults) {
    BitmapRecord r;
    ASSERT_EQ(K_InitBitmap(&r, 17, 9, 8), K_OK);
    EXPECT_EQ(r.Colors, 256);
    EXPECT_EQ(r.ColorOrder, K_ORDER_RGB);
    EXPECT_EQ(r.ViewPerspective, K_BOTTOM_UP);
    EXPECT_EQ(r.XResolution, 150);
    EXPECT_EQ(r.YResolution, 150);
    EXPECT_EQ(r.DitheringMethod, 7);
    EXPECT_EQ(r.Flags, 0u);
    EXPECT_EQ(r.DibHeader.biSize, 40u);
    EXPECT_EQ(r.DibHeader.biWidth, 17);
    EXPECT_EQ(r.DibHeader.biHeight, 9);
    EXPECT_EQ(r.DibHeader.biPlanes, 1);
    EXPECT_EQ(r.DibHeader.biBitCount, 8);
    EXPECT_EQ(r.DibHeader.biSizeImage, r.ImageSize);
    EXPECT_EQ(r.DibHeader.biClrUsed, 256u);

    ASSERT_EQ(K_InitBitmap(&r, 4, 4, 24), K_OK);
    EXPECT_EQ(r.Colors, 0);
    EXPECT_EQ(r.ColorOrder, K_ORDER_BGR);
    ASSERT_EQ(K_InitBitmap(&r, 4, 4, 1), K_OK);
    EXPECT_EQ(r.Colors, 2);
}

TEST(BitmapRecord, DefaultDitheringIsCopiedAtInit) {
    EXPECT_EQ(K_DefaultDithering(8), K_ERR_ARGUMENT);
    EXPECT_EQ(K_DefaultDithering(-1), K_ERR_ARGUMENT);
    BitmapRecord before;
    K_InitBitmap(&before, 2, 2, 8);
    EXPECT_EQ(before.DitheringMethod, 7);
    EXPECT_EQ(K_DefaultDithering(0), K_OK);
    BitmapRecord after;
    K_InitBitmap(&after, 2, 2, 8);
    EXPECT_EQ(after.DitheringMethod, 0);
    EXPECT_EQ(before.DitheringMethod, 7);
    K_DefaultDithering(7);
}

TEST(BitmapRecord, OptionBlockResolutionForNewRecords) {
    K_SetTIFFXYResolution(300, 72);
    BitmapRecord r;
    K_InitBitmap(&r, 2, 2, 8);
    EXPECT_EQ(r.XResolution, 300);
    EXPECT_EQ(r.YResolution, 72);
    K_SetTIFFXYResolution(0, -5);
    K_InitBitmap(&r, 2, 2, 8);
    EXPECT_EQ(r.XResolution, 150);
    EXPECT_EQ(r.YResolution, 150);
    K_SetTIFFXYResolution(150, 150);
}

// Sizes whose ImageSize would wrap or go negative are refused, not stored.
TEST(BitmapRecord, SizesThatDoNotFitAreRefused) {
    struct Case {
        int width, height, bits;
    } cases[] = {
        {-1, 10, 8}, {10, -1, 8}, {0x7FFFFFFF, 1, 32}, {65536, 65536, 8}, {0x10000000, 3, 24}, {100000, 30000, 24},
    };
    for (const Case& c : cases) {
        BitmapRecord r;
        EXPECT_EQ(K_InitBitmap(&r, c.width, c.height, c.bits), K_ERR_SIZE) << c.width << "x" << c.height;
        EXPECT_TRUE(AllZero(r));
    }
}

}  // namespace
