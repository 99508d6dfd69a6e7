// Nearest-neighbour resizing: K_ResizeBitmap against ImageMagick's sample,
// and K_SizeBitmap in place with its status callback.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/palette.h"
#include "stored_image.h"

namespace {

struct Record {
    BitmapRecord r{};
    ~Record() { K_FreeBitmap(&r); }
};

// ImageMagick's sample takes source pixel floor(i * Ws / Wd) from the top.
// Its offset 0 is taken less an epsilon, which moves every exact multiple
// one pixel back (halving would take columns 0 and 1); an offset of 0.001%
// lands on the exact multiples. Rows are picked in storage order, so a
// bottom-up picture is sampled from its bottom line.
std::string SampleArgs(int width, int height, int view = K_TOP_DOWN) {
    std::string sample =
        "-define sample:offset=0.001 -sample " + std::to_string(width) + "x" + std::to_string(height) + "!";
    return view == K_BOTTOM_UP ? "-flip " + sample + " -flip" : sample;
}

TEST(ResizeBitmap, PicksThePixelsImageMagickSamples) {
    struct Size {
        int width, height;
    } sizes[] = {{5, 4}, {29, 17}, {13, 9}, {1, 1}, {26, 3}, {2, 40}};
    MagickBatch batch("sample");
    struct Check {
        Picture ours;
        int expected;
        std::string what;
    };
    std::vector<Check> checks;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        Picture p = MakePattern(13, 9, bits, bits + 3);
        for (int sourceView : {K_BOTTOM_UP, K_TOP_DOWN}) {
            Record src;
            StorePicture(src.r, p, bits, sourceView);
            for (const Size& s : sizes) {
                // Opposite perspectives too: the picture keeps its orientation.
                int targetView = s.width % 2 ? sourceView : K_BOTTOM_UP + K_TOP_DOWN - sourceView;
                Record dst;
                ASSERT_EQ(K_InitBitmap(&dst.r, s.width, s.height, bits), K_OK);
                ASSERT_EQ(K_AllocateBitmap(&dst.r, K_STORAGE_ANY), K_OK);
                dst.r.ViewPerspective = targetView;
                ASSERT_EQ(K_ResizeBitmap(&src.r, &dst.r), K_OK);
                checks.push_back({ReadPicture(dst.r), batch.Add(p, SampleArgs(s.width, s.height, sourceView)),
                                  std::to_string(bits) + " bits, " + std::to_string(s.width) + "x" +
                                      std::to_string(s.height) + ", views " + std::to_string(sourceView) + "/" +
                                      std::to_string(targetView)});
            }
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const Check& c : checks) EXPECT_EQ(c.ours, batch.Result(c.expected)) << c.what;
}

// Widths that divide the source's: columns taken at a whole step (3-byte
// pixels moved as words), the last column at the row's end.
TEST(ResizeBitmap, WholeStepsPickThePixelsImageMagickSamples) {
    MagickBatch batch("sample_steps");
    struct Check {
        Picture ours;
        int expected;
        std::string what;
    };
    std::vector<Check> checks;
    for (int bits : {8, 16, 24, 32}) {
        const Picture p = MakePattern(24, 8, bits, bits + 1);
        Record src;
        StorePicture(src.r, p, bits, K_BOTTOM_UP);
        for (int width : {12, 8, 6, 3, 2}) {
            Record dst;
            ASSERT_EQ(K_InitBitmap(&dst.r, width, 4, bits), K_OK);
            ASSERT_EQ(K_AllocateBitmap(&dst.r, K_STORAGE_ANY), K_OK);
            ASSERT_EQ(K_ResizeBitmap(&src.r, &dst.r), K_OK);
            checks.push_back({ReadPicture(dst.r), batch.Add(p, SampleArgs(width, 4, K_BOTTOM_UP)),
                              std::to_string(bits) + " bits to " + std::to_string(width)});
        }
    }
    ASSERT_TRUE(batch.Run());
    for (const Check& c : checks) EXPECT_EQ(c.ours, batch.Result(c.expected)) << c.what;
}

TEST(ResizeBitmap, HalvingAndDoublingPickWholePixels) {
    Record src, half, twice;
    Picture p;
    p.width = 4, p.height = 4;
    for (int i = 0; i < 16; ++i) p.data.push_back(static_cast<uint8_t>(i));
    StorePicture(src.r, p, 8, K_TOP_DOWN);
    StorePicture(half.r, MakePattern(2, 2, 8), 8, K_TOP_DOWN);
    ASSERT_EQ(K_ResizeBitmap(&src.r, &half.r), K_OK);
    EXPECT_EQ(ReadPicture(half.r).data, (std::vector<uint8_t>{0, 2, 8, 10}));
    StorePicture(twice.r, MakePattern(4, 4, 8), 8, K_TOP_DOWN);
    ASSERT_EQ(K_ResizeBitmap(&half.r, &twice.r), K_OK);
    EXPECT_EQ(ReadPicture(twice.r).data, (std::vector<uint8_t>{0, 0, 2, 2, 0, 0, 2, 2, 8, 8, 10, 10, 8, 8, 10, 10}));
}

// Rows in memory are resized where they are stored, rows on disk through
// row buffers: both give the same bytes, padding cleared even where the
// target held other bytes before.
TEST(ResizeBitmap, MemoryAndDiskStorageGiveTheSameRows) {
    for (int bits : {1, 4, 8, 24, 32}) {
        const Picture p = MakePattern(11, 7, bits, bits + 5);
        for (int width : {5, 23}) {
            std::vector<std::vector<unsigned char>> results;
            for (int kind : {K_STORAGE_MEMORY, K_STORAGE_DISK}) {
                Record src, dst;
                StorePicture(src.r, p, bits, K_BOTTOM_UP, -1, kind);
                StorePicture(dst.r, MakePattern(width, 9, bits), bits, K_TOP_DOWN, -1, kind);
                {
                    BitmapLock lock(&dst.r);
                    std::vector<unsigned char> stale(dst.r.BytesPerLine, 0xA5);
                    for (int y = 0; y < dst.r.Height; ++y) K_PutBitmapRow(&dst.r, stale.data(), y, dst.r.BytesPerLine);
                }
                ASSERT_EQ(K_ResizeBitmap(&src.r, &dst.r), K_OK);
                std::vector<unsigned char> all;
                for (const auto& row : StoredRows(dst.r)) all.insert(all.end(), row.begin(), row.end());
                results.push_back(all);
                const Picture sampled = ReadPicture(dst.r);
                EXPECT_EQ(sampled.At(0, 0)[0], p.At(0, 0)[0]) << bits;  // the top-left pixel stays top left
            }
            EXPECT_EQ(results[0], results[1]) << bits << " bits to width " << width;
            const int used = (width * bits + 7) / 8;
            for (size_t at = 0; at < results[0].size(); ++at)
                if (static_cast<int>(at % (results[0].size() / 9)) >= used)
                    ASSERT_EQ(results[0][at], 0) << bits << " " << at;
        }
    }
}

TEST(ResizeBitmap, RefusesRecordsThatDoNotFit) {
    Record src, deeper, narrow;
    StorePicture(src.r, MakePattern(6, 6, 8), 8);
    StorePicture(deeper.r, MakePattern(12, 12, 24), 24);
    StorePicture(narrow.r, MakePattern(3, 3, 8), 8);
    BitmapRecord bare{};
    K_InitBitmap(&bare, 3, 3, 8);
    EXPECT_EQ(K_ResizeBitmap(nullptr, &narrow.r), K_ERR_NOBITMAP);
    EXPECT_EQ(K_ResizeBitmap(&src.r, &bare), K_ERR_NOBITMAP);
    // 8-bit pixels into 24-bit rows would leave the target half written.
    EXPECT_EQ(K_ResizeBitmap(&src.r, &deeper.r), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ResizeBitmap(&deeper.r, &narrow.r), K_ERR_ARGUMENT);
    // Width raised by hand past the rows the storage has.
    narrow.r.Width = 300;
    EXPECT_EQ(K_ResizeBitmap(&src.r, &narrow.r), K_ERR_ARGUMENT);
}

// Status callbacks of the tests: record the percentages, answer a set value
// from a given call on.
std::vector<int> g_seen;
int g_stopAt = -1, g_answer = 1;
int KAPI Status(int percent) {
    g_seen.push_back(percent);
    return static_cast<int>(g_seen.size()) - 1 == g_stopAt ? g_answer : 1;
}

class SizeBitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        g_stopAt = -1;
        previous_ = K_SetStatusCallBack(Status);
    }
    void TearDown() override { K_SetStatusCallBack(previous_); }

private:
    StatusCallback previous_ = nullptr;
};

TEST_F(SizeBitmapTest, ResizesInPlaceKeepingOrderAndPalettes) {
    MagickBatch batch("size");
    std::vector<std::pair<Picture, int>> checks;
    for (int bits : {4, 16, 24, 32}) {
        Record rec;
        Picture p = MakePattern(9, 7, bits, 70 + bits);
        StorePicture(rec.r, p, bits, K_TOP_DOWN, bits > 8 ? K_ORDER_RGB : -1);
        HPALETTE palette = bits <= 8 ? (rec.r.PaletteHandle = CreateFixedPalette(bits)) : nullptr;
        rec.r.XResolution = 96;
        g_seen.clear();
        ASSERT_EQ(K_SizeBitmap(&rec.r, 20, 5), K_OK) << bits;
        EXPECT_EQ(rec.r.Width, 20);
        EXPECT_EQ(rec.r.Height, 5);
        EXPECT_EQ(rec.r.ColorOrder, bits > 8 ? K_ORDER_RGB : 0) << bits;
        EXPECT_EQ(rec.r.PaletteHandle, palette);
        EXPECT_EQ(rec.r.XResolution, 96);
        EXPECT_EQ(rec.r.DibHeader.biWidth, 20);
        EXPECT_EQ(rec.r.DibHeader.biHeight, 5);
        EXPECT_EQ(rec.r.DibHeader.biSizeImage, rec.r.ImageSize);
        checks.emplace_back(ReadPicture(rec.r), batch.Add(p, SampleArgs(20, 5)));
        ASSERT_FALSE(g_seen.empty());
        EXPECT_EQ(g_seen.front(), 0);
        EXPECT_EQ(g_seen.back(), 100);
    }
    ASSERT_TRUE(batch.Run());
    for (const auto& [ours, expected] : checks) EXPECT_EQ(ours, batch.Result(expected));
}

TEST_F(SizeBitmapTest, SameSizeAndRefusals) {
    Record rec;
    StorePicture(rec.r, MakePattern(5, 5, 8), 8);
    BitmapRecord before = rec.r;
    EXPECT_EQ(K_SizeBitmap(&rec.r, 5, 5), K_OK);
    EXPECT_EQ(std::memcmp(&before, &rec.r, sizeof before), 0);
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(K_SizeBitmap(&rec.r, 0, 5), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SizeBitmap(&rec.r, 5, -2), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SizeBitmap(nullptr, 5, 5), K_ERR_ARGUMENT);
    BitmapRecord bare{};
    K_InitBitmap(&bare, 5, 5, 8);
    EXPECT_EQ(K_SizeBitmap(&bare, 6, 6), K_ERR_ARGUMENT);
}

TEST_F(SizeBitmapTest, StoppingCallbackLeavesTheBitmapAsItWas) {
    for (int answer : {0, 7}) {
        for (int stopAt : {0, 3}) {
            Record rec;
            Picture p = MakePattern(6, 8, 8, 5);
            StorePicture(rec.r, p, 8);
            rec.r.PaletteHandle = CreateFixedPalette(8);
            BitmapRecord before = rec.r;
            g_seen.clear();
            g_stopAt = stopAt, g_answer = answer;
            EXPECT_EQ(K_SizeBitmap(&rec.r, 12, 16), answer);
            EXPECT_EQ(std::memcmp(&before, &rec.r, sizeof before), 0);
            EXPECT_EQ(ReadPicture(rec.r), p);
            EXPECT_EQ(GetPaletteEntries(rec.r.PaletteHandle, 0, 0, nullptr), 256u) << "palette still alive";
        }
    }
}

}  // namespace
