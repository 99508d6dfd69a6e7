// Grey scale and halftone bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/row_converters.h"
#include "dither_fixture.h"

namespace {

Picture Flat(int width, int height, int r, int g, int b) {
    Picture p;
    p.width = width, p.height = height, p.channels = 3;
    for (int i = 0; i < width * height; ++i)
        p.data.insert(p.data.end(), {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
    return p;
}

int KAPI StopAtFifty(int percent) { return percent >= 50 ? 7 : K_OK; }

TEST(GrayScaleBitmap, GivesTheGreyLevelOfEveryDepth) {
    // One row of colours, stored at each depth, comes back as grey levels.
    struct Case {
        int bits, order;
    } cases[] = {{16, K_ORDER_BGR}, {16, K_ORDER_RGB}, {24, K_ORDER_BGR}, {24, K_ORDER_RGB}, {32, K_ORDER_RGB}};
    Picture p;
    p.width = 4, p.height = 2, p.channels = 3;
    p.data = {255, 0, 0, 255, 255, 255, 0, 0, 255, 8, 132, 66, 0, 0, 0, 0, 255, 0, 255, 0, 255, 33, 66, 99};
    for (const Case& c : cases) {
        OwnedBitmap rec;
        StorePicture(rec.rec, p, c.bits, K_BOTTOM_UP, c.order);
        Picture stored = ReadPicture(rec.rec);  // 16 bits keeps 5 bits a channel
        rec->XResolution = 96;
        ASSERT_EQ(K_GrayScaleBitmap(rec.get()), K_OK);
        EXPECT_EQ(rec->BitsPerPixel, 8);
        EXPECT_TRUE(rec->Flags & K_GRAY_PALETTE);
        EXPECT_EQ(rec->XResolution, 96);
        std::vector<RGBQUAD> palette = PaletteOf(rec.rec);
        ASSERT_EQ(palette.size(), 256u);
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(palette[i].rgbRed == i && palette[i].rgbGreen == i && palette[i].rgbBlue == i);
        Picture grey = ReadPicture(rec.rec);
        for (int i = 0; i < 8; ++i) {
            const uint8_t* s = &stored.data[3 * i];
            EXPECT_EQ(grey.data[i], (5 * s[1] + 2 * s[0] + s[2] + 4) >> 3) << c.bits << " bits, pixel " << i;
        }
        if (c.bits == 24) {
            EXPECT_EQ(grey.data[0], 64);  // pure red
            EXPECT_EQ(grey.data[1], 255);
        }
    }

    // A 4-bit picture through its palette, high nibble first, odd width.
    OwnedBitmap four;
    ASSERT_EQ(K_InitBitmap(four.get(), 3, 1, 4), K_OK);
    ASSERT_EQ(K_AllocateBitmap(four.get(), K_STORAGE_ANY), K_OK);
    GivePalette(four.rec, {Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)});
    unsigned char row[4] = {0x12, 0x30, 0, 0};
    K_AccessBitmap(four.get());
    K_PutBitmapRow(four.get(), row, 0, 4);
    K_ReleaseBitmap(four.get());
    ASSERT_EQ(K_GrayScaleBitmap(four.get()), K_OK);
    Picture g = ReadPicture(four.rec);
    EXPECT_EQ(g.data, (std::vector<uint8_t>{64, 32, 255}));
}

TEST(GrayScaleBitmap, RefusesWithoutAPaletteOrStorage) {
    OwnedBitmap rec;
    EXPECT_EQ(K_GrayScaleBitmap(nullptr), K_ERR_NOBITMAP);
    ASSERT_EQ(K_InitBitmap(rec.get(), 4, 4, 8), K_OK);
    EXPECT_EQ(K_GrayScaleBitmap(rec.get()), K_ERR_NOBITMAP);
    ASSERT_EQ(K_AllocateBitmap(rec.get(), K_STORAGE_ANY), K_OK);
    EXPECT_EQ(K_GrayScaleBitmap(rec.get()), K_ERR_NOBITMAP);  // no palette handle
    EXPECT_EQ(K_HalfToneBitmap(rec.get(), 0), K_ERR_NOBITMAP);
    // A palette with fewer entries than Colors cannot be read whole.
    GivePalette(rec.rec, {Rgb(0, 0, 0), Rgb(9, 9, 9)});
    rec->Colors = 256;
    EXPECT_EQ(K_GrayScaleBitmap(rec.get()), K_ERR_NOBITMAP);
    EXPECT_EQ(rec->BitsPerPixel, 8);
}

TEST(HalfToneBitmap, MidGreyFollowsTheMatrixOfTheKind) {
    for (int kind = 0; kind <= 1; ++kind) {
        const unsigned char(*m)[8] = kind ? DispersedDitherMatrix : ClusteredDitherMatrix;
        for (int perspective : {K_BOTTOM_UP, K_TOP_DOWN}) {
            OwnedBitmap rec;
            StorePicture(rec.rec, Flat(19, 11, 128, 128, 128), 24, perspective);
            ASSERT_EQ(K_HalfToneBitmap(rec.get(), kind), K_OK);
            EXPECT_EQ(rec->BitsPerPixel, 1);
            EXPECT_EQ(rec->ViewPerspective, perspective);
            std::vector<RGBQUAD> palette = PaletteOf(rec.rec);
            ASSERT_EQ(palette.size(), 2u);
            EXPECT_EQ(palette[1].rgbRed, 255);
            auto rows = StoredRows(rec.rec);
            // The matrix row is the storage row.
            for (int r = 0; r < 11; ++r)
                for (int x = 0; x < 19; ++x)
                    ASSERT_EQ((rows[r][x >> 3] >> (7 - (x & 7))) & 1, m[r & 7][x & 7] < 128 ? 1 : 0)
                        << kind << ": " << x << "," << r;
        }
    }
}

TEST(HalfToneBitmap, FourBitSourceReadsHighNibbleFirst) {
    OwnedBitmap rec;
    ASSERT_EQ(K_InitBitmap(rec.get(), 2, 1, 4), K_OK);
    ASSERT_EQ(K_AllocateBitmap(rec.get(), K_STORAGE_ANY), K_OK);
    std::vector<RGBQUAD> ramp;
    for (int i = 0; i < 16; ++i) ramp.push_back(Rgb(i * 17, i * 17, i * 17));
    GivePalette(rec.rec, ramp);
    unsigned char row[4] = {0xF0};
    K_AccessBitmap(rec.get());
    K_PutBitmapRow(rec.get(), row, 0, 4);
    K_ReleaseBitmap(rec.get());
    ASSERT_EQ(K_HalfToneBitmap(rec.get(), 0), K_OK);
    EXPECT_EQ(StoredRows(rec.rec)[0][0] & 0xC0, 0x80);  // white, black
}

TEST(HalfToneBitmap, BadKindOrStopLeavesTheBitmap) {
    Picture p = MakePattern(24, 40, 24, 2);
    OwnedBitmap rec;
    StorePicture(rec.rec, p, 24);
    BitmapRecord before = rec.rec;
    EXPECT_EQ(K_HalfToneBitmap(rec.get(), 2), K_ERR_ARGUMENT);
    EXPECT_EQ(K_HalfToneBitmapExt(rec.get(), -1, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(std::memcmp(&before, &rec.rec, sizeof before), 0);

    StatusCallback old = K_SetStatusCallBack(StopAtFifty);
    EXPECT_EQ(K_HalfToneBitmap(rec.get(), 1), 7);
    EXPECT_EQ(K_GrayScaleBitmap(rec.get()), 7);
    K_SetStatusCallBack(old);
    EXPECT_EQ(rec->BitsPerPixel, 24);
    EXPECT_EQ(rec->StorageHandle, before.StorageHandle);
    EXPECT_EQ(rec->PaletteHandle, nullptr);
    EXPECT_EQ(ReadPicture(rec.rec), p);
}

TEST(HalfToneBitmapExt, RotatesTheScreen) {
    // A gradient, so that every cell of the matrix decides some pixels.
    Picture p;
    p.width = 37, p.height = 23, p.channels = 3;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t v = static_cast<uint8_t>((x * 7 + y * 5) & 255);
            p.data.insert(p.data.end(), {v, v, v});
        }
    auto halftone = [&](int angle) {
        OwnedBitmap rec;
        StorePicture(rec.rec, p, 24);
        EXPECT_EQ(angle < 0 ? K_HalfToneBitmap(rec.get(), 1) : K_HalfToneBitmapExt(rec.get(), 1, angle), K_OK);
        return StoredRows(rec.rec);
    };
    auto upright = halftone(-1);
    EXPECT_EQ(halftone(0), upright);
    EXPECT_EQ(halftone(36000), upright);
    EXPECT_EQ(halftone(72000), upright);
    EXPECT_NE(halftone(4500), upright);

    // At 90 degrees pixel x of storage row 0 uses cell (u 0, v -x), and
    // each following row starts one column further along u.
    OwnedBitmap rec;
    StorePicture(rec.rec, Flat(16, 9, 128, 128, 128), 24);
    ASSERT_EQ(K_HalfToneBitmapExt(rec.get(), 1, 9000), K_OK);
    auto rows = StoredRows(rec.rec);
    for (int r = 0; r < 9; ++r)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ((rows[r][x >> 3] >> (7 - (x & 7))) & 1, DispersedDitherMatrix[(-x) & 7][r & 7] < 128 ? 1 : 0)
                << x << "," << r;
}

TEST(HalfToneBitmap, MatchesAnOrderedDitherPeer) {
    // The dispersed matrix is a Bayer pattern: halftoning a plasma's grey
    // comes within 0.5 dB of ImageMagick's o8x8 ordered dither.
    Picture plasma = MakePlasma(256, 256);
    ASSERT_EQ(plasma.width, 256);
    OwnedBitmap rec;
    StorePicture(rec.rec, plasma, 24, K_TOP_DOWN);
    ASSERT_EQ(K_GrayScaleBitmap(rec.get()), K_OK);
    Picture grey = ReadPicture(rec.rec);
    ASSERT_EQ(K_HalfToneBitmap(rec.get(), 1), K_OK);
    Picture ours = ReadPicture(rec.rec);
    for (auto& v : ours.data) v = v ? 255 : 0;
    Picture peer = RunPeer(grey, kConvert + " {in} -ordered-dither o8x8 -depth 8 {out}", "o8x8");
    ASSERT_EQ(peer.data.size(), grey.data.size());
    double mine = Psnr(ours, grey), theirs = Psnr(peer, grey);
    EXPECT_GE(mine, theirs - 0.5) << "ours " << mine << " dB, ImageMagick " << theirs << " dB";
}

}  // namespace
