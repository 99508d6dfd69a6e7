// K_CreateBitmap, the clone CreateBitmapLike and the copy family.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/bitmap_copy.h"
#include "core/palette.h"
#include "core/platform.h"
#include "stored_image.h"

namespace {

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(GetPaletteEntries(palette, 0, 256, entries.data()));
    return entries;
}

struct Record {
    BitmapRecord r{};
    ~Record() { K_FreeBitmap(&r); }
};

TEST(CreateBitmap, GivesEachDepthItsPalette) {
    Record rec;
    BitmapRecord& r = rec.r;
    EXPECT_EQ(K_CreateBitmap(nullptr, 1, 4, 4, 8, 0, nullptr, 2), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CreateBitmap(&r, 1, 4, 4, 7, 0, nullptr, 2), K_ERR_BITS);
    EXPECT_EQ(K_CreateBitmap(&r, 1, 0, 4, 8, 0, nullptr, 2), K_ERR_SIZE);
    EXPECT_EQ(K_CreateBitmap(&r, 5, 4, 4, 8, 0, nullptr, 2), K_ERR_ARGUMENT);

    // Bits 0: an 8-bit grey ramp.
    ASSERT_EQ(K_CreateBitmap(&r, K_STORAGE_ANY, 5, 3, 0, 1, nullptr, K_TOP_DOWN), K_OK);
    EXPECT_EQ(r.BitsPerPixel, 8);
    EXPECT_EQ(r.ViewPerspective, K_TOP_DOWN);
    EXPECT_EQ(r.Flags & (K_ALLOCATED | K_GRAY_PALETTE | K_PALETTE_INDEX_MAP),
              K_ALLOCATED | K_GRAY_PALETTE | K_PALETTE_INDEX_MAP);
    std::vector<PALETTEENTRY> grey = Entries(r.PaletteHandle);
    ASSERT_EQ(grey.size(), 256u);
    EXPECT_EQ(grey[200].peRed, 200);
    EXPECT_EQ(grey[200].peBlue, 200);
    uint32_t slot;
    std::memcpy(&slot, &r.ColorTable[77], 4);
    EXPECT_EQ(slot, 77u);
    K_FreeBitmap(&r);

    // A given palette: the first Colors entries.
    std::vector<RGBQUAD> colours(16);
    for (int i = 0; i < 16; ++i)
        colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(2 * i), static_cast<BYTE>(3 * i), 0};
    ASSERT_EQ(K_CreateBitmap(&r, K_STORAGE_ANY, 5, 3, 4, 0, colours.data(), K_BOTTOM_UP), K_OK);
    std::vector<PALETTEENTRY> own = Entries(r.PaletteHandle);
    ASSERT_EQ(own.size(), 16u);
    EXPECT_EQ(own[15].peRed, 45);
    EXPECT_EQ(own[15].peBlue, 15);
    EXPECT_FALSE(r.Flags & K_FIXED_PALETTE_IN_USE);
    EXPECT_TRUE(r.Flags & K_PALETTE_INDEX_MAP);
    K_FreeBitmap(&r);

    // Neither: the fixed palette of the depth, in use.
    ASSERT_EQ(K_CreateBitmap(&r, K_STORAGE_ANY, 5, 3, 1, 0, nullptr, K_BOTTOM_UP), K_OK);
    EXPECT_TRUE(r.Flags & K_FIXED_PALETTE_IN_USE);
    EXPECT_EQ(r.PaletteHandle, nullptr);
    EXPECT_EQ(Entries(r.FixedPaletteHandle).size(), 2u);
    K_FreeBitmap(&r);

    // Above 15 bits the colour order is the caller's and no palette is made.
    ASSERT_EQ(K_CreateBitmap(&r, K_STORAGE_ANY, 5, 3, 24, K_ORDER_RGB, colours.data(), K_BOTTOM_UP), K_OK);
    EXPECT_EQ(r.ColorOrder, K_ORDER_RGB);
    EXPECT_EQ(r.PaletteHandle, nullptr);
    EXPECT_EQ(r.FixedPaletteHandle, nullptr);
}

TEST(CreateBitmapLike, CarriesContentButNotStorage) {
    Record src, same, other;
    StorePicture(src.r, MakePattern(7, 5, 24), 24, K_TOP_DOWN, K_ORDER_RGB);
    src.r.Flags |= K_INTERLACED | K_DISPLAY_RECT_VALID | K_OPTIMIZED_PALETTE;
    src.r.FormatCode = 4;
    src.r.ImageOriginX = 3;
    src.r.DisplayRect = RECT{1, 2, 3, 4};
    src.r.XResolution = 300;
    src.r.DibHeader.biXPelsPerMeter = 11811;
    src.r.PaletteHandle = CreateFixedPalette(8);
    K_AccessBitmap(&src.r);

    EXPECT_EQ(CreateBitmapLike(nullptr, &src.r, 2, 2, 24, 0), K_ERR_NOBITMAP);
    ASSERT_EQ(CreateBitmapLike(&same.r, &src.r, 11, 6, 24, kCloneAllocate), K_OK);
    EXPECT_EQ(same.r.Flags, K_ALLOCATED | K_MEMORY_STORAGE | K_INTERLACED | K_DISPLAY_RECT_VALID | K_OPTIMIZED_PALETTE);
    EXPECT_EQ(same.r.ViewPerspective, K_TOP_DOWN);
    EXPECT_EQ(same.r.ColorOrder, K_ORDER_RGB);  // RGB rows stay RGB
    EXPECT_EQ(same.r.FormatCode, 4);
    EXPECT_EQ(same.r.ImageOriginX, 3);
    EXPECT_EQ(same.r.DisplayRect.bottom, 4);
    EXPECT_EQ(same.r.XResolution, 300);
    EXPECT_EQ(same.r.PaletteHandle, src.r.PaletteHandle);  // shared
    // The header describes the new record, with the source's other fields.
    EXPECT_EQ(same.r.DibHeader.biWidth, 11);
    EXPECT_EQ(same.r.DibHeader.biHeight, 6);
    EXPECT_EQ(same.r.DibHeader.biSizeImage, same.r.ImageSize);
    EXPECT_EQ(same.r.DibHeader.biXPelsPerMeter, 11811);
    same.r.PaletteHandle = nullptr;

    // Another depth keeps the defaults of that depth.
    ASSERT_EQ(CreateBitmapLike(&other.r, &src.r, 7, 5, 8, kCloneDuplicatePalettes), K_OK);
    EXPECT_FALSE(other.r.Flags & K_ALLOCATED);
    EXPECT_EQ(other.r.Colors, 256);
    EXPECT_EQ(other.r.ColorOrder, 0);
    EXPECT_EQ(other.r.DibHeader.biBitCount, 8);
    EXPECT_EQ(other.r.DibHeader.biClrUsed, 256u);
    ASSERT_NE(other.r.PaletteHandle, nullptr);
    EXPECT_NE(other.r.PaletteHandle, src.r.PaletteHandle);
    EXPECT_EQ(Entries(other.r.PaletteHandle).size(), 256u);
}

TEST(CopyBitmapHandle, SharesEverything) {
    Record src;
    StorePicture(src.r, MakePattern(3, 3, 8), 8);
    src.r.PaletteHandle = CreateFixedPalette(8);
    BitmapRecord alias;
    K_CopyBitmapHandle(&alias, &src.r);
    EXPECT_EQ(std::memcmp(&alias, &src.r, sizeof alias), 0);
}

class CopyBitmapTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        saved_ = Win32sMode;
        Win32sMode = GetParam();
    }
    void TearDown() override { Win32sMode = saved_; }
    // Disk storage exists only on Win32s.
    int Kind() const { return GetParam() ? K_STORAGE_DISK : K_STORAGE_ANY; }

private:
    bool saved_ = false;
};

TEST_P(CopyBitmapTest, CopiesEveryDepthIndependently) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            Record src, copy;
            Picture p = MakePattern(13, 7, bits, bits);
            StorePicture(src.r, p, bits, perspective, bits > 8 ? K_ORDER_RGB : -1, Kind());
            if (bits <= 8) src.r.PaletteHandle = CreateFixedPalette(bits);
            ASSERT_EQ(K_CopyBitmap(&copy.r, &src.r), K_OK) << bits;
            EXPECT_EQ(StoredRows(copy.r), StoredRows(src.r)) << bits;
            EXPECT_EQ(copy.r.ViewPerspective, perspective);
            EXPECT_EQ(copy.r.ColorOrder, src.r.ColorOrder) << bits;
            EXPECT_EQ(ReadPicture(copy.r), p) << bits;
            if (bits <= 8) {
                EXPECT_NE(copy.r.PaletteHandle, src.r.PaletteHandle);
                K_FreeBitmap(&src.r);
                EXPECT_EQ(Entries(copy.r.PaletteHandle).size(), static_cast<size_t>(1 << bits))
                    << "copy keeps its palette";
            }
        }
    }
}

TEST_P(CopyBitmapTest, CopyDataRefusesRecordsThatDoNotFit) {
    Record src, wide, shortOne, tall;
    StorePicture(src.r, MakePattern(10, 6, 8), 8, K_BOTTOM_UP, -1, Kind());
    StorePicture(wide.r, MakePattern(20, 6, 8), 8, K_BOTTOM_UP, -1, Kind());
    StorePicture(shortOne.r, MakePattern(10, 5, 8), 8, K_BOTTOM_UP, -1, Kind());
    StorePicture(tall.r, MakePattern(12, 9, 8), 8, K_BOTTOM_UP, -1, Kind());  // same 12-byte rows
    BitmapRecord bare{};
    K_InitBitmap(&bare, 10, 6, 8);
    EXPECT_EQ(K_CopyBitmapData(nullptr, &src.r), K_ERR_NOBITMAP);
    EXPECT_EQ(K_CopyBitmapData(&bare, &src.r), K_ERR_NOBITMAP);
    EXPECT_EQ(K_CopyBitmapData(&src.r, &bare), K_ERR_NOBITMAP);
    EXPECT_EQ(K_CopyBitmapData(&wide.r, &src.r), K_ERR_ARGUMENT);
    EXPECT_EQ(K_CopyBitmapData(&shortOne.r, &src.r), K_ERR_ARGUMENT);
    // A record whose size fields were changed by hand past its storage.
    src.r.Height = 60;
    EXPECT_EQ(K_CopyBitmapData(&tall.r, &src.r), K_ERR_ARGUMENT);
    src.r.Height = 6;
    ASSERT_EQ(K_CopyBitmapData(&tall.r, &src.r), K_OK);
    auto from = StoredRows(src.r), to = StoredRows(tall.r);
    for (int y = 0; y < 6; ++y) EXPECT_EQ(to[y], from[y]) << y;
}

INSTANTIATE_TEST_SUITE_P(Storage, CopyBitmapTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Win32s" : "Mapping"; });

TEST(CopyBitmapRect, OneBitRowStartsAtTheLeftColumn) {
    Record src, rect;
    Picture p = MakePattern(20, 2, 1);
    StorePicture(src.r, p, 1, K_TOP_DOWN);
    ASSERT_EQ(K_CopyBitmapRect(&rect.r, &src.r, 3, 0, 9, 2), K_OK);
    auto rows = StoredRows(rect.r);
    EXPECT_EQ(rows[0][0] >> 7, p.At(3, 0)[0]);
    EXPECT_EQ(rows[1][1] & 0x7F, 0) << "bits past the width are clear";
    EXPECT_EQ(rect.r.DibHeader.biWidth, 9);
    EXPECT_EQ(rect.r.DibHeader.biHeight, 2);
    EXPECT_EQ(rect.r.DibHeader.biSizeImage, 8u);
}

TEST(CopyBitmapRect, MatchesImageMagickCrop) {
    struct Rect {
        int left, top, width, height;
    } rects[] = {{0, 0, 23, 11}, {3, 2, 9, 5}, {7, 0, 1, 11}, {1, 10, 22, 1}, {8, 4, 15, 6}};
    MagickBatch batch("crop");
    struct Check {
        Picture ours;
        int expected;
        std::string what;
    };
    std::vector<Check> checks;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        Picture p = MakePattern(23, 11, bits, 40 + bits);
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            Record src;
            StorePicture(src.r, p, bits, perspective, bits > 8 && perspective == K_TOP_DOWN ? K_ORDER_RGB : -1);
            for (const Rect& c : rects) {
                Record rect;
                ASSERT_EQ(K_CopyBitmapRect(&rect.r, &src.r, c.left, c.top, c.width, c.height), K_OK);
                EXPECT_EQ(rect.r.ColorOrder, src.r.ColorOrder);
                // top counts storage rows: from the bottom of a bottom-up picture.
                int pictureTop = perspective == K_BOTTOM_UP ? p.height - c.top - c.height : c.top;
                std::string geometry = std::to_string(c.width) + "x" + std::to_string(c.height) + "+" +
                                       std::to_string(c.left) + "+" + std::to_string(pictureTop);
                checks.push_back(
                    {ReadPicture(rect.r), batch.Add(p, "-crop " + geometry + " +repage"),
                     std::to_string(bits) + " bits, perspective " + std::to_string(perspective) + ", " + geometry});
            }
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const Check& c : checks) EXPECT_EQ(c.ours, batch.Result(c.expected)) << c.what;
}

TEST(CopyBitmapRect, RefusesRectanglesOutsideTheSource) {
    Record src;
    StorePicture(src.r, MakePattern(8, 6, 4), 4);
    struct Rect {
        int left, top, width, height;
    } bad[] = {{-1, 0, 2, 2}, {0, -1, 2, 2},         {7, 0, 2, 2}, {0, 5, 2, 2}, {0, 0, 0, 2},
               {0, 0, 2, 0},  {2, 0, 0x7FFFFFFF, 1}, {0, 0, 9, 6}, {0, 0, 8, 7}};
    for (const Rect& c : bad) {
        BitmapRecord target;
        std::memset(&target, 0x3C, sizeof target);
        EXPECT_EQ(K_CopyBitmapRect(&target, &src.r, c.left, c.top, c.width, c.height), K_ERR_ARGUMENT)
            << c.left << "," << c.top << " " << c.width << "x" << c.height;
        EXPECT_EQ(target.Width, 0x3C3C3C3C) << "target left alone";
    }
    BitmapRecord bare{}, target{};
    K_InitBitmap(&bare, 8, 6, 4);
    EXPECT_EQ(K_CopyBitmapRect(&target, &bare, 0, 0, 1, 1), K_ERR_NOBITMAP);
    EXPECT_EQ(K_CopyBitmap(&target, &bare), K_ERR_NOBITMAP);
}

}  // namespace
