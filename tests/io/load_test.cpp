// K_LoadFile: target depth and colour order, the conversion kinds, the
// caller's callback, row placement and a reader that disagrees with the
// probe.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/file_access.h"
#include "io/loading.h"
#include "io_test_util.h"

namespace {

std::string Picture(const std::string& name, const std::string& args) {
    std::string path = TestTempPath("load_" + name + ".bmp");
    EXPECT_EQ(RunHost(kConvert + " " + ImPicture("29x41") + " " + args + "'" + path + "'"), 0);
    return path;
}

TEST(Load, TrueColourKeepsDepthAndTakesTheOrder) {
    std::string path = Picture("24", "BMP3:");
    std::string expected = HostRgb(path);
    for (int order : {1, 0}) {
        TestBitmap b;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, order), K_OK);
        EXPECT_EQ(b->BitsPerPixel, 24);
        EXPECT_EQ(b->ColorOrder, order);
        EXPECT_EQ(b->ViewPerspective, 2);
        EXPECT_EQ(b->Flags & (K_ALLOCATED | K_LOCKED), static_cast<unsigned>(K_ALLOCATED));
        EXPECT_TRUE(SamePixels(RecordRgb(b.get()), expected));
        // Storage row 0 is the bottom row; its first pixel in the order asked for.
        unsigned char row[4];
        K_AccessBitmap(b.get());
        ASSERT_GT(K_GetBitmapRow(b.get(), row, 0, 3), 0);
        K_ReleaseBitmap(b.get());
        size_t bottomLeft = static_cast<size_t>(40) * 29 * 3;
        EXPECT_EQ(row[order == 1 ? 2 : 0], static_cast<unsigned char>(expected[bottomLeft]));
    }
    // Depths that are not depths keep the file's.
    for (int bits : {2, 12}) {
        TestBitmap b;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), bits, 1), K_OK);
        EXPECT_EQ(b->BitsPerPixel, 24);
    }
}

// Uncompressed rows that match the record's are read straight into its
// storage about a megabyte at a time: a picture of several such reads (and
// a last, shorter one) loads whole through K_LoadFile and the one-call
// loaders, from ImageMagick's BMP and netpbm's TGA.
TEST(Load, LargeUncompressedPicturesReadIntoStorage) {
    const std::string ppm = TestTempPath("load_big.ppm");
    ASSERT_EQ(RunHost(kConvert + " " + ImPicture("700x1300") + " -depth 8 '" + ppm + "'"), 0);
    const std::string expected = HostRgb(ppm);
    struct Case {
        const char* name;
        std::string command;
        int(KAPI* oneCall)(const char*, BitmapRecord*);
    } cases[] = {
        {"load_big.bmp", kConvert + " '" + ppm + "' BMP3:", K_LoadBMPBitmap},
        {"load_big.tga", "pamtotga -norle -rgb '" + ppm + "' > ", K_LoadTGABitmap},
    };
    for (const Case& c : cases) {
        const std::string path = TestTempPath(c.name);
        ASSERT_EQ(RunHost(c.command + "'" + path + "'"), 0) << c.name;
        TestBitmap loaded, oneCall;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), loaded.get(), 0, -1), K_OK) << c.name;
        ASSERT_EQ(c.oneCall(path.c_str(), oneCall.get()), K_OK) << c.name;
        for (BitmapRecord* b : {loaded.get(), oneCall.get()}) {
            K_AccessBitmap(b);  // once, not per pixel
            EXPECT_TRUE(SamePixels(RecordRgb(b), expected)) << c.name;
            K_ReleaseBitmap(b);
        }
    }
}

TEST(Load, PaletteFilesUpAndDown) {
    std::string eight = Picture("8", "-colors 60 -type Palette -compress None BMP3:");
    std::string four = Picture("4", "-colors 10 -type Palette BMP3:");
    std::string expected8 = HostRgb(eight);

    TestBitmap up;  // kind 2: true colour through the file's palette
    ASSERT_EQ(K_LoadBitmap(eight.c_str(), up.get(), 24, 1), K_OK);
    EXPECT_EQ(up->BitsPerPixel, 24);
    EXPECT_TRUE(SamePixels(RecordRgb(up.get()), expected8));

    TestBitmap same;  // kind 0: the file's indices and palette
    ASSERT_EQ(K_LoadBitmap(eight.c_str(), same.get(), 8, 1), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(same.get()), expected8));
    EXPECT_EQ(same->Flags & K_FIXED_PALETTE_IN_USE, 0u);

    TestBitmap down;  // kind 3: dithered to the built-in 16 colours
    ASSERT_EQ(K_LoadBitmap(eight.c_str(), down.get(), 4, 1), K_OK);
    EXPECT_EQ(down->BitsPerPixel, 4);
    EXPECT_NE(down->Flags & K_FIXED_PALETTE_IN_USE, 0u);

    std::string expected4 = HostRgb(four);
    TestBitmap widened;  // kind 2: 4-bit indices become 8-bit ones, same colours
    ASSERT_EQ(K_LoadBitmap(four.c_str(), widened.get(), 8, 1), K_OK);
    EXPECT_EQ(widened->BitsPerPixel, 8);
    EXPECT_EQ(widened->Flags & K_FIXED_PALETTE_IN_USE, 0u);
    EXPECT_TRUE(SamePixels(RecordRgb(widened.get()), expected4));

    TestBitmap dithered;  // kind 4: flag 4 dithers up into the fixed palette
    ASSERT_EQ(K_LoadFile(four.c_str(), dithered.get(), 8, 1, 1 | 2 | 4, nullptr, nullptr), K_OK);
    EXPECT_EQ(dithered->BitsPerPixel, 8);
    EXPECT_NE(dithered->Flags & K_FIXED_PALETTE_IN_USE, 0u);
}

int KAPI StopOnThirdRow(BitmapRecord*, unsigned char*, int count, void* user) {
    int& seen = *static_cast<int*>(user);
    seen += count;
    return seen >= 3 ? 0 : 1;
}

TEST(Load, CallersCallbackStopsTheLoad) {
    std::string path = Picture("24stop", "BMP3:");
    for (int bits : {24, 8}) {  // kinds 0 and 3
        TestBitmap b;
        int seen = 0;
        EXPECT_EQ(K_LoadFile(path.c_str(), b.get(), bits, 1, 3, StopOnThirdRow, &seen), 0);
        EXPECT_EQ(seen, 3);
        EXPECT_EQ(b->Flags & K_ALLOCATED, 0u);
    }
}

TEST(Load, InterlacedRowsLandInPassOrderAndNeverPastTheEnd) {
    for (int height : {30, 3, 1}) {
        SCOPED_TRACE(height);
        TestBitmap t;
        ASSERT_EQ(K_InitBitmap(t.get(), 1, height, 8), K_OK);
        ASSERT_EQ(K_AllocateBitmap(t.get(), 1), K_OK);
        t->Flags |= K_INTERLACED;
        LoadState state{};
        K_AccessBitmap(t.get());
        // Deliver more rows than the image has: the extra ones go nowhere.
        for (int i = 0; i < height + 5; ++i) {
            unsigned char row[4] = {static_cast<unsigned char>(i + 1), 0, 0, 0};
            ASSERT_EQ(NextLoadRow(t.get(), row, 1, &state), K_OK);
        }
        std::vector<int> order;
        for (int y = 0; y < height; ++y) {
            unsigned char row[4];
            K_GetBitmapRow(t.get(), row, y, 4);
            order.push_back(row[0]);
        }
        K_ReleaseBitmap(t.get());
        std::vector<int> expected(height);
        int n = 1;
        for (int start : {0, 4, 2, 1}) {
            int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
            for (int y = start; y < height; y += step) expected[y] = n++;
        }
        EXPECT_EQ(order, expected);
        if (height == 30) EXPECT_EQ(order[24], 4);  // the 4th delivered row
    }
}

TEST(Load, DecoderLineCount) {
    struct Case {
        int height, lines;
    } cases[] = {{32, 16}, {33, 32}, {1000, 32}, {4096, 64}, {1, 16}};
    for (const Case& c : cases) EXPECT_EQ(DecoderLineCount(c.height), c.lines) << c.height;
}

// Serves one file to the first open and another to every later one, as a
// file that changes between the probe and the reader would.
struct Swapping {
    static inline std::string first, second;
    static inline int opens = 0;
    static int KAPI Open(const char*, int flags, int permission) {
        return DefaultOpen((opens++ == 0 ? first : second).c_str(), flags, permission);
    }
};

TEST(Load, ReaderThatDisagreesWithTheProbeNeverOverruns) {
    std::string small = Picture("small", "-resize 5x4! BMP3:");
    std::string large = Picture("large", "-resize 300x200! BMP3:");
    std::string palette = Picture("large8", "-resize 300x200! -colors 20 -type Palette -compress None BMP3:");
    struct Case {
        std::string first, second;
        int width, height;  // 0: refused
    } cases[] = {{small, large, 5, 4},
                 {large, small, 300, 200},
                 {large, palette, 0, 0},
                 // The reader dithers a deeper file down to the depth it was asked for.
                 {palette, large, 300, 200}};
    for (const Case& c : cases) {
        Swapping::first = c.first;
        Swapping::second = c.second;
        Swapping::opens = 0;
        K_RedirectIO(Swapping::Open, nullptr, nullptr, nullptr, nullptr);
        TestBitmap t;
        int result = K_LoadBitmap("any", t.get(), 0, 1);
        K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
        if (c.width) {
            // Another size is resized to what the probe said.
            EXPECT_EQ(t->BitsPerPixel, c.first == palette ? 8 : 24);
            EXPECT_EQ(result, K_OK);
            EXPECT_EQ(t->Width, c.width);
            EXPECT_EQ(t->Height, c.height);
        } else {
            // Another depth is refused.
            EXPECT_EQ(result, K_ERR_FORMAT);
            EXPECT_EQ(t->Flags & K_ALLOCATED, 0u);
        }
    }
}

TEST(Load, AllocatedTargetIsFreedBeforeReuse) {
    std::string path = Picture("reuse", "-colors 20 -type Palette -compress None BMP3:");
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 24, 1), K_OK);
    EXPECT_EQ(b->BitsPerPixel, 24);
    EXPECT_TRUE(SamePixels(RecordRgb(b.get()), HostRgb(path)));
}

}  // namespace
