// Construction of BitmapRecord: geometry, defaults and refused sizes.
#include <gtest/gtest.h>

#include <cstring>

#include <string>

#include "core/bitmap.h"
#include "host_tools.h"
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
        {1, 1, 4},  {32, 1, 4},  {33, 1, 8},  {7, 4, 4},   {9, 4, 8},  {5, 8, 8},
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
    EXPECT_EQ(r.ColorOrder, K_ORDER_RGB);
    EXPECT_EQ(r.ViewPerspective, K_BOTTOM_UP);
    EXPECT_EQ(r.XResolution, 150);
    EXPECT_EQ(r.DitheringMethod, 7);
    EXPECT_EQ(r.Flags, 0u);
    ASSERT_EQ(K_InitBitmap(&r, 4, 4, 24), K_OK);
    EXPECT_EQ(r.ColorOrder, K_ORDER_BGR);
}

// The embedded DIB header, the colour table and ImageSize bytes of pixels
// make a BMP file that ImageMagick reads at the record's size.
TEST(BitmapRecord, EmbeddedDibHeaderDescribesTheRecord) {
    struct Case {
        int width, height, bits, colors;
    } cases[] = {{17, 9, 8, 256}, {33, 5, 1, 2}, {7, 3, 4, 16}, {5, 4, 24, 0}};
    for (const Case& c : cases) {
        BitmapRecord r;
        ASSERT_EQ(K_InitBitmap(&r, c.width, c.height, c.bits), K_OK);
        EXPECT_EQ(r.Colors, c.colors);
        const unsigned table = 4u * r.DibHeader.biClrUsed;
        const unsigned offset = 14 + r.DibHeader.biSize + table;
        std::string bmp = "BM";
        auto put32 = [&](unsigned v) {
            for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i));
        };
        put32(offset + r.DibHeader.biSizeImage);
        put32(0);
        put32(offset);
        bmp.append(reinterpret_cast<const char*>(&r.DibHeader), r.DibHeader.biSize);
        bmp.append(reinterpret_cast<const char*>(r.ColorTable), table);
        bmp.append(r.ImageSize, '\0');
        const std::string path = TestTempPath("record_dib_" + std::to_string(c.bits) + ".bmp");
        WriteFileBytes(path, bmp);
        const std::string out = path + ".txt";
        ASSERT_EQ(RunHost(kIdentify + " -format '%w %h' '" + path + "' > '" + out + "'"), 0);
        EXPECT_EQ(ReadFileBytes(out), std::to_string(c.width) + " " + std::to_string(c.height)) << c.bits;
    }
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
        {-1, 10, 8},
        {10, -1, 8},
        {0x7FFFFFFF, 1, 32},
        {65536, 65536, 8},
        {0x10000000, 3, 24},
        {100000, 30000, 24},
        // The padded size of these overflows 64 bits if formed before it is checked.
        {0x7FFFFFFF, 0x7FFFFFFF, 32},
        {0x7FFFFFFF, 0x7FFFFFFF, 24},
        {0x40000000, 0x7FFFFFF0, 24},
    };
    for (const Case& c : cases) {
        BitmapRecord r;
        EXPECT_EQ(K_InitBitmap(&r, c.width, c.height, c.bits), K_ERR_SIZE) << c.width << "x" << c.height;
        EXPECT_TRUE(AllZero(r));
    }
}

}  // namespace
