// The dithering engine row by row, and K_DitherBitmap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/dither.h"
#include "core/platform.h"
#include "core/row_converters.h"
#include "dither_fixture.h"

namespace {

struct Px {
    int r, g, b;
};

// A record that supplies rows of 24-bit pixels (red, green, blue order).
void InitRowSource(BitmapRecord& rec, int width, int method, int bits = 24) {
    ASSERT_EQ(K_InitBitmap(&rec, width, 1, bits), K_OK);
    rec.ColorOrder = K_ORDER_RGB;
    rec.DitheringMethod = method;
}

std::vector<unsigned char> Row24(const std::vector<Px>& px) {
    std::vector<unsigned char> row;
    for (const Px& p : px)
        row.insert(row.end(),
                   {static_cast<unsigned char>(p.r), static_cast<unsigned char>(p.g), static_cast<unsigned char>(p.b)});
    row.resize(row.size() + 4);
    return row;
}

int IndexAt(const std::vector<unsigned char>& row, int x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// Dithers rows of pixels into the palette (null: the fixed one) and
// returns the indices of each row.
std::vector<std::vector<int>> DitherRows(const std::vector<std::vector<Px>>& rows, const RGBQUAD* palette, int colors,
                                         int method) {
    BitmapRecord rec;
    InitRowSource(rec, static_cast<int>(rows[0].size()), method);
    EXPECT_EQ(K_StartDithering(&rec, palette, colors), K_OK);
    int bits = static_cast<DitherState*>(rec.DitherStatePointer)->TargetBits;
    std::vector<std::vector<int>> out;
    for (const auto& px : rows) {
        std::vector<unsigned char> in = Row24(px), target(in.size());
        EXPECT_EQ(K_DitherLine(&rec, in.data(), target.data()), K_OK);
        std::vector<int> indices;
        for (size_t x = 0; x < px.size(); ++x) indices.push_back(IndexAt(target, static_cast<int>(x), bits));
        out.push_back(indices);
    }
    K_StopDithering(&rec);
    return out;
}

int DitherOne(Px p, const RGBQUAD* palette, int colors, int method = 0) {
    return DitherRows({{p}}, palette, colors, method)[0][0];
}

TEST(DitherEngine, NearestColourOfTheFixedPalettes) {
    struct Case {
        int colors;
        Px color;
        int index;
    } cases[] = {
        {2, {128, 128, 128}, 1}, {2, {127, 127, 127}, 0},   {16, {200, 100, 50}, 9}, {16, {100, 100, 100}, 0},
        {16, {0, 0, 255}, 12},   {16, {255, 255, 255}, 15}, {256, {36, 73, 85}, 41}, {256, {255, 255, 255}, 255},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DitherOne(c.color, nullptr, c.colors), c.index)
            << c.colors << " colours, " << c.color.r << "," << c.color.g << "," << c.color.b;

    // The 16-colour rule never gives index 8 (light grey).
    std::vector<Px> sweep;
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) sweep.push_back({r, g, b});
    auto swept = DitherRows({sweep}, nullptr, 16, 0);
    for (int index : swept[0]) ASSERT_NE(index, 8);
}

TEST(DitherEngine, OrderedGreyIntoOneBitFollowsTheMatrix) {
    std::vector<std::vector<Px>> rows(16, std::vector<Px>(16, Px{128, 128, 128}));
    auto out = DitherRows(rows, nullptr, 2, 7);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(out[y][x], DispersedDitherMatrix[y & 7][x & 7] < 128 ? 1 : 0) << x << "," << y;
}

TEST(DitherEngine, FloydSteinbergCorrectionTruncatesTowardZero) {
    // Black, red 21, white: red 16 picks 21 (error -5), red 26 picks 21
    // (error +5). The next pixel then gets trunc(7e / 16) = -2 or +2; a
    // floor or a rounding would give -3 or +3 and flip the index.
    const RGBQUAD palette[] = {Rgb(0, 0, 0), Rgb(21, 0, 0), Rgb(255, 255, 255)};
    struct Case {
        int first, second, secondIndex;
    } cases[] = {
        {16, 17, 0},  // 17 - 2 = 15 -> black (uncorrected: 21)
        {16, 18, 1},  // 18 - 2 = 16 -> 21 (floored: 15 -> black)
        {26, 14, 1},  // 14 + 2 = 16 -> 21 (uncorrected: black)
        {26, 13, 0},  // 13 + 2 = 15 -> black (rounded up: 16 -> 21)
    };
    for (const Case& c : cases) {
        auto out = DitherRows({{{c.first, 0, 0}, {c.second, 0, 0}}}, palette, 3, 1);
        EXPECT_EQ(out[0][0], 1);
        EXPECT_EQ(out[0][1], c.secondIndex) << c.first << " then " << c.second;
    }
}

TEST(DitherEngine, StartRefusesBadArgumentsAndPicksTheTargetKind) {
    BitmapRecord rec;
    InitRowSource(rec, 8, 1);
    EXPECT_EQ(K_StartDithering(&rec, nullptr, 300), K_ERR_ARGUMENT);
    EXPECT_EQ(K_StartDithering(&rec, nullptr, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(rec.DitherStatePointer, nullptr);
    rec.DitheringMethod = 8;
    EXPECT_EQ(K_StartDithering(&rec, nullptr, 16), K_ERR_ARGUMENT);
    rec.DitheringMethod = 1;
    rec.BitsPerPixel = 2;
    EXPECT_EQ(K_StartDithering(&rec, nullptr, 16), K_ERR_ARGUMENT);
    rec.BitsPerPixel = 24;

    ASSERT_EQ(K_StartDithering(&rec, FixedPalette256, 256), K_OK);
    auto* state = static_cast<DitherState*>(rec.DitherStatePointer);
    EXPECT_EQ(state->TargetKind, MatchFixed256);
    EXPECT_EQ(state->TargetBits, 8);
    EXPECT_EQ(state->MatchCache, nullptr);
    EXPECT_EQ(state->ErrorRows, 1);
    EXPECT_EQ(K_StopDithering(&rec), K_OK);
    EXPECT_EQ(rec.DitherStatePointer, nullptr);
    EXPECT_EQ(K_StopDithering(&rec), K_OK);

    RGBQUAD own[16];
    std::memcpy(own, FixedPalette16, sizeof own);
    own[3] = Rgb(1, 2, 3);
    ASSERT_EQ(K_StartDithering(&rec, own, 16), K_OK);
    state = static_cast<DitherState*>(rec.DitherStatePointer);
    EXPECT_EQ(state->TargetKind, MatchCached);
    EXPECT_EQ(state->TargetBits, 4);
    ASSERT_NE(state->MatchCache, nullptr);
    // Seeded with 1 + palette position; the first of equal cells wins.
    EXPECT_EQ(state->MatchCache[MatchCellOf(1, 2, 3)], 1u);  // black (0,0,0) took the cell first
    EXPECT_EQ(state->MatchCache[MatchCellOf(255, 0, 0)], 10u);
    K_StopDithering(&rec);
}

TEST(DitherEngine, ErrorDiffusionKeepsTheMeanLevel) {
    // A flat grey of 100 into black and white: every kernel must pass on
    // its whole error, so the share of white pixels stays near 100 / 255.
    std::vector<std::vector<Px>> rows(64, std::vector<Px>(64, Px{100, 100, 100}));
    for (int method = 1; method <= 6; ++method) {
        auto out = DitherRows(rows, nullptr, 2, method);
        int white = 0;
        for (const auto& row : out)
            for (int v : row) white += v;
        EXPECT_NEAR(white / 4096.0, 100 / 255.0, 0.02) << "method " << method;
    }
}

TEST(DitherEngine, SeveralRecordsDitherAtOnce) {
    Picture a = MakePattern(40, 12, 24, 3), b = MakePattern(40, 12, 24, 4);
    auto rowsOf = [](const Picture& p) {
        std::vector<std::vector<Px>> rows(p.height);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) rows[y].push_back({p.At(x, y)[0], p.At(x, y)[1], p.At(x, y)[2]});
        return rows;
    };
    auto aAlone = DitherRows(rowsOf(a), nullptr, 16, 2);
    auto bAlone = DitherRows(rowsOf(b), nullptr, 16, 2);

    BitmapRecord ra, rb;
    InitRowSource(ra, 40, 2);
    InitRowSource(rb, 40, 2);
    ASSERT_EQ(K_StartDithering(&ra, nullptr, 16), K_OK);
    ASSERT_EQ(K_StartDithering(&rb, nullptr, 16), K_OK);
    for (int y = 0; y < 12; ++y) {
        for (auto [rec, pic, alone] : {std::tuple{&ra, &a, &aAlone}, std::tuple{&rb, &b, &bAlone}}) {
            std::vector<unsigned char> in = Row24(rowsOf(*pic)[y]), out(in.size());
            K_DitherLine(rec, in.data(), out.data());
            for (int x = 0; x < 40; ++x) ASSERT_EQ(IndexAt(out, x, 4), (*alone)[y][x]) << x << "," << y;
        }
    }
    K_StopDithering(&ra);
    K_StopDithering(&rb);
}

TEST(DitherEngine, InPlaceRowsMatchSeparateBuffers) {
    Picture p = MakePattern(33, 6, 24, 9);
    BitmapRecord one, two;
    InitRowSource(one, 33, 1);
    InitRowSource(two, 33, 1);
    const RGBQUAD odd[] = {Rgb(10, 20, 30), Rgb(200, 40, 90), Rgb(90, 250, 10), Rgb(240, 240, 200), Rgb(60, 60, 180)};
    ASSERT_EQ(K_StartDithering(&one, odd, 5), K_OK);
    ASSERT_EQ(StartDitheringExt(&two, odd, 5, 8, nullptr), K_OK);
    for (int y = 0; y < p.height; ++y) {
        std::vector<Px> px;
        for (int x = 0; x < p.width; ++x) px.push_back({p.At(x, y)[0], p.At(x, y)[1], p.At(x, y)[2]});
        std::vector<unsigned char> in = Row24(px), separate(in.size()), inPlace = in;
        K_DitherLine(&one, in.data(), separate.data());
        K_DitherLine(&two, inPlace.data(), inPlace.data());
        // 4-bit target of the first, 8-bit of the second: same indices.
        for (int x = 0; x < p.width; ++x) ASSERT_EQ(IndexAt(separate, x, 4), inPlace[x]);
    }
    K_StopDithering(&one);
    K_StopDithering(&two);
}

TEST(DitherEngine, PackedTargetsKeepTheOtherBits) {
    BitmapRecord rec;
    InitRowSource(rec, 10, 0);
    std::vector<unsigned char> black(40, 0);
    ASSERT_EQ(K_StartDithering(&rec, nullptr, 2), K_OK);
    unsigned char one[2] = {0xFF, 0xFF};
    K_DitherLine(&rec, black.data(), one);
    EXPECT_EQ(one[0], 0x00);
    EXPECT_EQ(one[1], 0x3F);
    K_StopDithering(&rec);

    InitRowSource(rec, 3, 0);
    ASSERT_EQ(K_StartDithering(&rec, nullptr, 16), K_OK);
    unsigned char four[2] = {0xFF, 0xFF};
    K_DitherLine(&rec, black.data(), four);
    EXPECT_EQ(four[0], 0x00);
    EXPECT_EQ(four[1], 0x0F);
    K_StopDithering(&rec);
}

TEST(DitherEngine, ReadsEverySourceDepth) {
    struct Case {
        int bits, order;
        std::vector<unsigned char> row;
        std::vector<RGBQUAD> palette;
        int index;
    } cases[] = {
        {16, K_ORDER_BGR, {0x1F, 0x00}, {}, 12},  // low field is blue
        {16, K_ORDER_RGB, {0x1F, 0x00}, {}, 9},   // low field is red
        {24, K_ORDER_BGR, {0, 255, 0}, {}, 10},
        {32, K_ORDER_RGB, {255, 0, 255, 0}, {}, 13},
        {32, K_ORDER_BGR, {255, 0, 0, 7}, {}, 12},
        {1, 0, {0x40}, {Rgb(0, 0, 0), Rgb(0, 255, 0)}, 10},  // pixel 0 is index 0 -> black below
        {4, 0, {0x2F}, {Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 0)}, 11},
        {8, 0, {2}, {Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(0, 255, 255)}, 14},
    };
    for (Case& c : cases) {
        OwnedBitmap rec;
        ASSERT_EQ(K_InitBitmap(rec.get(), c.bits == 1 ? 2 : 1, 1, c.bits), K_OK);
        rec->ColorOrder = c.order;
        rec->DitheringMethod = 0;
        if (!c.palette.empty()) GivePalette(rec.rec, c.palette);
        ASSERT_EQ(K_StartDithering(rec.get(), nullptr, 16), K_OK);
        c.row.resize(8);
        unsigned char out[4] = {};
        K_DitherLine(rec.get(), c.row.data(), out);
        // At 1 bit the second pixel is the set one.
        EXPECT_EQ(IndexAt({out, out + 4}, c.bits == 1 ? 1 : 0, 4), c.index) << c.bits << " bits, order " << c.order;
        K_StopDithering(rec.get());
    }
}

TEST(DitherEngine, ReservedEntriesAndUserTables) {
    // Every entry reserved: matched over the whole palette all the same.
    const RGBQUAD reserved[] = {Rgb(0, 0, 0, 1), Rgb(255, 255, 255, 2)};
    EXPECT_EQ(DitherOne({250, 250, 250}, reserved, 2), 1);
    EXPECT_EQ(DitherOne({5, 5, 5}, reserved, 2), 0);
    // A reserved entry is left out of matching while others remain.
    const RGBQUAD some[] = {Rgb(0, 0, 0), Rgb(250, 250, 250, 1), Rgb(200, 200, 200)};
    EXPECT_EQ(DitherOne({250, 250, 250}, some, 3), 2);

    // A user table decides; cells beyond the palette are matched instead.
    std::vector<uint32_t> table(kMatchCells, 3);
    table[MatchCellOf(255, 255, 255)] = 0xFFFF;
    const RGBQUAD three[] = {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 255)};
    BitmapRecord rec;
    InitRowSource(rec, 2, 0);
    ASSERT_EQ(StartDitheringExt(&rec, three, 3, 8, table.data()), K_OK);
    EXPECT_EQ(static_cast<DitherState*>(rec.DitherStatePointer)->TargetKind, MatchUserTable);
    std::vector<unsigned char> in = Row24({{0, 0, 0}, {255, 255, 255}}), out(8);
    K_DitherLine(&rec, in.data(), out.data());
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(table[MatchCellOf(255, 255, 255)], 0xFFFFu);
    K_StopDithering(&rec);  // the user table is not freed (ASan would see it)
}

TEST(DitherEngine, DitherLineWithoutAStartDoesNothing) {
    BitmapRecord rec;
    InitRowSource(rec, 4, 1);
    unsigned char row[16] = {1, 2, 3};
    EXPECT_EQ(K_DitherLine(&rec, row, row), K_ERR_ARGUMENT);
    EXPECT_EQ(row[0], 1);
}

int KAPI StopAtFifty(int percent) { return percent >= 50 ? 5 : K_OK; }

TEST(DitherBitmap, ReducesToTheFixedPaletteOfTheDepth) {
    // The eight full colours and black come out as their own indices.
    Picture p;
    p.width = 9, p.height = 3, p.channels = 3;
    const Px colors[] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},     {255, 255, 0}, {0, 0, 255},
                         {255, 0, 255}, {0, 255, 255}, {255, 255, 255}, {255, 0, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
            const Px& c = colors[x];
            p.data.insert(p.data.end(),
                          {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b)});
        }
    OwnedBitmap rec;
    StorePicture(rec.rec, p, 24);
    rec->DitheringMethod = 3;
    rec->XResolution = 300;

    EXPECT_EQ(K_DitherBitmap(rec.get(), 1, 16), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_DitherBitmap(rec.get(), 1, 2), K_ERR_UNSUPPORTED);
    EXPECT_EQ(rec->BitsPerPixel, 24);
    ASSERT_EQ(K_DitherBitmap(rec.get(), 1, 4), K_OK);
    EXPECT_EQ(rec->BitsPerPixel, 4);
    EXPECT_TRUE(rec->Flags & K_FIXED_PALETTE_IN_USE);
    EXPECT_TRUE(rec->Flags & K_PALETTE_INDEX_MAP);
    EXPECT_EQ(rec->DitheringMethod, 3);
    EXPECT_EQ(rec->XResolution, 300);
    EXPECT_EQ(rec->DitherStatePointer, nullptr);
    std::vector<RGBQUAD> palette = PaletteOf(rec.rec);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(std::memcmp(palette.data(), FixedPalette16, sizeof FixedPalette16), 0);
    Picture indices = ReadPicture(rec.rec);
    const int expected[] = {0, 9, 10, 11, 12, 13, 14, 15, 9};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(indices.At(x, y)[0], expected[x]) << x << "," << y;

    // Not above the bitmap's own depth.
    EXPECT_EQ(K_DitherBitmap(rec.get(), 1, 8), K_ERR_UNSUPPORTED);
    BitmapRecord empty;
    K_InitBitmap(&empty, 4, 4, 24);
    EXPECT_EQ(K_DitherBitmap(&empty, 1, 8), K_ERR_NOBITMAP);
    EXPECT_EQ(K_DitherBitmap(nullptr, 1, 8), K_ERR_NOBITMAP);
}

TEST(DitherBitmap, AStopLeavesTheBitmapAsItWas) {
    Picture p = MakePattern(20, 30, 24, 5);
    OwnedBitmap rec;
    StorePicture(rec.rec, p, 24);
    BitmapRecord before = rec.rec;
    StatusCallback old = K_SetStatusCallBack(StopAtFifty);
    EXPECT_EQ(K_DitherBitmap(rec.get(), 1, 8), 5);
    K_SetStatusCallBack(old);
    // Reads move the row cache; everything else stays.
    EXPECT_EQ(rec->BitsPerPixel, 24);
    EXPECT_EQ(rec->StorageHandle, before.StorageHandle);
    EXPECT_EQ(rec->Flags, before.Flags);
    EXPECT_EQ(rec->PaletteHandle, before.PaletteHandle);
    EXPECT_EQ(rec->DitherStatePointer, nullptr);
    EXPECT_EQ(ReadPicture(rec.rec), p);
    // A bad method is refused after the new record was made, and freed.
    EXPECT_EQ(K_DitherBitmap(rec.get(), 9, 8), K_ERR_ARGUMENT);
    EXPECT_EQ(rec->DitheringMethod, before.DitheringMethod);
}

}  // namespace

namespace {

// Every operation reads its source through the row functions, so a source
// in a temporary file (Win32s storage) gives the same pixels.
TEST(ColourReduction, DiskStoredSourcesGiveTheSameResult) {
    Picture p = MakePattern(29, 17, 24, 21);
    using Op = int (*)(BitmapRecord*, BitmapRecord*);
    const Op ops[] = {
        [](BitmapRecord* s, BitmapRecord*) { return K_DitherBitmap(s, 6, 4); },
        [](BitmapRecord* s, BitmapRecord*) { return K_GrayScaleBitmap(s); },
        [](BitmapRecord* s, BitmapRecord*) { return K_HalfToneBitmapExt(s, 0, 3000); },
        [](BitmapRecord* s, BitmapRecord* t) { return K_OptimizeBitmap(s, t, 5, 40); },
        [](BitmapRecord* s, BitmapRecord* t) { return K_ColorResBitmap(s, t, 16, 0, nullptr, 0, nullptr, nullptr); },
    };
    // Win32s storage for the length of a scope, records freed inside it.
    struct Win32sScope {
        bool saved = Win32sMode;
        Win32sScope() { Win32sMode = true; }
        ~Win32sScope() { Win32sMode = saved; }
    };
    auto run = [&](Op op, bool disk) {
        OwnedBitmap source, target;
        StorePicture(source.rec, p, 24, K_BOTTOM_UP, -1, disk ? K_STORAGE_DISK : K_STORAGE_ANY);
        EXPECT_EQ(!!(source->Flags & K_DISK_STORAGE), disk);
        EXPECT_EQ(op(source.get(), target.get()), K_OK);
        return StoredRows(target->Flags & K_ALLOCATED ? target.rec : source.rec);
    };
    for (size_t i = 0; i < std::size(ops); ++i) {
        auto inMemory = run(ops[i], false);
        Win32sScope scope;
        EXPECT_EQ(run(ops[i], true), inMemory) << i;
    }
}

}  // namespace
