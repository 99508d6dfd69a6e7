// Painting records into DIB-section device contexts, read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/dib.h"
#include "devices/paint.h"
#include "gdi_fixture.h"
#include "host.h"

namespace {

COLORREF BlackWhite(int x, int y) { return (x + y) % 3 == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0); }
COLORREF Primaries(int x, int y) { return Primary(x + 3 * y); }

struct DepthCase {
    int bits, order, perspective;
};

TEST(PaintDC, OneToOneFromEveryDepthIntoEverySection) {
    DisplayModeScope colors(kIndexedPaint, 0);
    const DepthCase sources[] = {{1, 0, K_BOTTOM_UP},
                                 {4, 0, K_BOTTOM_UP},
                                 {8, 0, K_TOP_DOWN},
                                 {16, K_ORDER_BGR, K_BOTTOM_UP},
                                 {16, K_ORDER_RGB, K_TOP_DOWN},
                                 {24, K_ORDER_BGR, K_TOP_DOWN},
                                 {24, K_ORDER_RGB, K_BOTTOM_UP},
                                 {32, K_ORDER_BGR, K_BOTTOM_UP},
                                 {32, K_ORDER_RGB, K_TOP_DOWN}};
    const int targets[] = {1, 4, 8, 16, 24, 32};
    const int w = 11, h = 5;  // odd width: partial bytes at 1 and 4 bits
    for (const DepthCase& s : sources) {
        for (int target : targets) {
            SCOPED_TRACE("source " + std::to_string(s.bits) + " order " + std::to_string(s.order) + " perspective " +
                         std::to_string(s.perspective) + " into " + std::to_string(target));
            Picture picture = s.bits == 1 || target == 1 ? Picture(BlackWhite) : Picture(Primaries);
            Record r;
            MakeRecord(&r, w, h, s.bits, picture, s.order, s.perspective);
            SectionDC dc(w + 4, h + 3, target);
            RECT dest{3, 2, 3 + w, 2 + h};
            ASSERT_EQ(K_PaintDC(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_OK);
            for (int y = 0; y < dc.height(); ++y)
                for (int x = 0; x < dc.width(); ++x) {
                    bool inside = x >= 3 && x < 3 + w && y >= 2 && y < 2 + h;
                    if (inside) {
                        ASSERT_EQ(ColorText(dc.Pixel(x, y)), ColorText(picture(x - 3, y - 2))) << x << "," << y;
                    } else if (target >= 8) {
                        ASSERT_EQ(dc.RawPixel(x, y), dc.Unpainted()) << x << "," << y;
                    }
                }
        }
    }
}

// A picture of varied colours: every pixel differs from its neighbours.
COLORREF Varied(int x, int y) {
    return RGB((x * 37 + y * 11) & 255, (x * 7 + y * 53) & 255, (x * 91 + y * 29 + 40) & 255);
}

// Our file of a record: a BMP written from K_ConvertToDIB.
void WriteBmp(BitmapRecord* b, const std::string& path) {
    HGLOBAL dib = K_ConvertToDIB(b);
    ASSERT_NE(dib, nullptr);
    SIZE_T size = GlobalSize(dib);
    auto* p = static_cast<const unsigned char*>(GlobalLock(dib));
    auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    BITMAPFILEHEADER f{};
    f.bfType = 0x4D42;
    f.bfSize = static_cast<DWORD>(sizeof f + size);
    f.bfOffBits = static_cast<DWORD>(sizeof f + h->biSize + 4 * h->biClrUsed);
    std::string bytes(reinterpret_cast<const char*>(&f), sizeof f);
    bytes.append(reinterpret_cast<const char*>(p), size);
    GlobalUnlock(dib);
    GlobalFree(dib);
    WriteFileBytes(path, bytes);
}

TEST(PaintDC, ScaledPaintPicksThePixelsOfImageMagickSample) {
    DisplayModeScope colors(kIndexedPaint, 0);
    // The painter steps from the picture's bottom line, so ImageMagick
    // samples a flipped picture.
    const DepthCase sources[] = {{24, K_ORDER_BGR, K_BOTTOM_UP},
                                 {16, K_ORDER_RGB, K_TOP_DOWN},
                                 {8, 0, K_BOTTOM_UP},
                                 {4, 0, K_TOP_DOWN},
                                 {32, K_ORDER_RGB, K_BOTTOM_UP}};
    // Sizes coprime with the source's: where a target pixel falls exactly on
    // a source pixel ImageMagick's sampler picks the one before it.
    const SIZE sizes[] = {{31, 22}, {5, 4}, {17, 20}, {40, 5}};
    const int w = 13, h = 9;
    for (const DepthCase& s : sources) {
        Record r;
        int colors = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(s.bits, &colors);
        Picture picture = s.bits <= 8
                              ? Picture([&](int x, int y) {
                                    const RGBQUAD& q = fixed[(x * 7 + y * 3) % colors];
                                    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
                                })
                              : Picture(s.bits == 16 ? [](int x, int y) { return Varied(x, y) & 0xF8F8F8; } : Varied);
        MakeRecord(&r, w, h, s.bits, picture, s.order, s.perspective);
        std::string in = TestTempPath("paint-sample-in.bmp");
        WriteBmp(&r, in);
        // Every size of this source in one host command: each start of a
        // host command costs Wine about a second.
        std::string command = "true";
        for (size_t i = 0; i < std::size(sizes); ++i)
            command += " && " + kConvert + " '" + in + "' -flip -define sample:offset=0 -sample " +
                       std::to_string(sizes[i].cx) + "x" + std::to_string(sizes[i].cy) + "! -flip -depth 8 '" +
                       TestTempPath("paint-sample-out" + std::to_string(i) + ".ppm") + "'";
        ASSERT_EQ(RunHost(command), 0);
        for (size_t i = 0; i < std::size(sizes); ++i) {
            const SIZE size = sizes[i];
            SCOPED_TRACE(std::to_string(s.bits) + " bits to " + std::to_string(size.cx) + "x" +
                         std::to_string(size.cy));
            std::string out = TestTempPath("paint-sample-out" + std::to_string(i) + ".ppm");
            int pw = 0, ph = 0;
            std::vector<COLORREF> expected = ReadPpm(ReadFileBytes(out), &pw, &ph);
            ASSERT_EQ(pw, size.cx);
            ASSERT_EQ(ph, size.cy);
            SectionDC dc(size.cx, size.cy, 24);
            RECT dest{0, 0, size.cx, size.cy};
            ASSERT_EQ(K_PaintDC(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_OK);
            for (int y = 0; y < size.cy; ++y)
                for (int x = 0; x < size.cx; ++x)
                    ASSERT_EQ(ColorText(dc.Pixel(x, y)), ColorText(expected[y * size.cx + x])) << x << "," << y;
        }
    }
}

// What a paint leaves in a section: the colour of each pixel, or "-" where
// nothing was painted.
std::vector<std::string> Painted(const SectionDC& dc) {
    std::vector<std::string> out;
    for (int y = 0; y < dc.height(); ++y)
        for (int x = 0; x < dc.width(); ++x)
            out.push_back(dc.RawPixel(x, y) == dc.Unpainted() ? "-" : ColorText(dc.Pixel(x, y)));
    return out;
}

COLORREF Cell(int x, int y) { return RGB(20 + x * 30, 20 + y * 30, 99); }

TEST(PaintDC, SourceRectanglesAndClips) {
    const int w = 8, h = 6;
    struct Case {
        const char* name;
        int perspective;
        RECT source, sourceClip, dest, destClip;
        bool useSource, useSourceClip, useDestClip;
        // Expected picture pixel at each destination pixel, or none.
        std::function<bool(int x, int y, int* px, int* py)> expect;
    };
    const Case cases[] = {
        {"bottom rows of a bottom-up bitmap",
         K_BOTTOM_UP,
         {0, 0, w, 2},
         {},
         {0, 0, w, 2},
         {},
         true,
         false,
         false,
         [](int x, int y, int* px, int* py) {
             *px = x, *py = y + 4;
             return x < 8 && y < 2;
         }},
        {"top rows of a top-down bitmap",
         K_TOP_DOWN,
         {0, 0, w, 2},
         {},
         {0, 0, w, 2},
         {},
         true,
         false,
         false,
         [](int x, int y, int* px, int* py) {
             *px = x, *py = y;
             return x < 8 && y < 2;
         }},
        {"source clip outside the bitmap",
         K_BOTTOM_UP,
         {},
         {w, 0, w + 5, h},
         {0, 0, w, h},
         {},
         false,
         true,
         false,
         [](int, int, int*, int*) { return false; }},
        {"destination clip missing the destination",
         K_BOTTOM_UP,
         {},
         {},
         {0, 0, w, h},
         {w, 0, w + 3, h},
         false,
         false,
         true,
         [](int, int, int*, int*) { return false; }},
        {"destination bottom above its top",
         K_BOTTOM_UP,
         {},
         {},
         {0, h, w, 0},
         {},
         false,
         false,
         false,
         [](int, int, int*, int*) { return false; }},
        {"destination clip inside",
         K_TOP_DOWN,
         {},
         {},
         {1, 1, 1 + w, 1 + h},
         {3, 2, 6, 4},
         false,
         false,
         true,
         [](int x, int y, int* px, int* py) {
             *px = x - 1, *py = y - 1;
             return x >= 3 && x < 6 && y >= 2 && y < 4;
         }},
        {"source clip of a bottom-up bitmap",
         K_BOTTOM_UP,
         {},
         {2, 0, 5, 2},
         {0, 0, w, h},
         {},
         false,
         true,
         false,
         [](int x, int y, int* px, int* py) {
             *px = x, *py = y;
             return x >= 2 && x < 5 && y >= 4 && y < 6;
         }},
        {"1x1 source stretched",
         K_TOP_DOWN,
         {5, 3, 6, 4},
         {},
         {0, 0, 10, 9},
         {},
         true,
         false,
         false,
         [](int, int, int* px, int* py) {
             *px = 5, *py = 3;
             return true;
         }},
    };
    DisplayModeScope colors(kIndexedPaint, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Record r;
        MakeRecord(&r, w, h, 24, Cell, K_ORDER_BGR, c.perspective);
        SectionDC dc(10, 9, 32);
        ASSERT_EQ(K_PaintDC(dc.dc(), &r, c.useSource ? &c.source : nullptr, c.useSourceClip ? &c.sourceClip : nullptr,
                            &c.dest, c.useDestClip ? &c.destClip : nullptr, SRCCOPY),
                  K_OK);
        std::vector<std::string> expected;
        for (int y = 0; y < dc.height(); ++y)
            for (int x = 0; x < dc.width(); ++x) {
                int px = 0, py = 0;
                expected.push_back(c.expect(x, y, &px, &py) ? ColorText(Cell(px, py)) : "-");
            }
        EXPECT_EQ(Painted(dc), expected);
    }
}

// A metafile counts as a 24-bit device: the rows it records play back with
// the picture's colours.
TEST(PaintDC, MetafilesRecordThePicture) {
    DisplayModeScope colors(kIndexedPaint, 0);
    const DepthCase sources[] = {{16, K_ORDER_RGB, K_TOP_DOWN}, {8, 0, K_BOTTOM_UP}, {24, K_ORDER_RGB, K_BOTTOM_UP}};
    const int w = 10, h = 6;
    for (const DepthCase& s : sources) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits");
        Record r;
        MakeRecord(&r, w, h, s.bits, Primaries, s.order, s.perspective);
        HDC recorder = CreateMetaFileA(nullptr);
        ASSERT_NE(recorder, nullptr);
        EXPECT_EQ(GetDeviceCaps(recorder, TECHNOLOGY), DT_METAFILE);
        RECT dest{0, 0, w, h};
        EXPECT_EQ(K_PaintDC(recorder, &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_OK);
        HMETAFILE metafile = CloseMetaFile(recorder);
        ASSERT_NE(metafile, nullptr);
        SectionDC dc(w, h, 24);
        ASSERT_TRUE(PlayMetaFile(dc.dc(), metafile));
        DeleteMetaFile(metafile);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ColorText(dc.Pixel(x, y)), ColorText(Primaries(x, y))) << x << "," << y;
    }
}

TEST(PaintDC, RowsLongerThanABandArePaintedOneRowPerBand) {
    DisplayModeScope colors(kIndexedPaint, 0);
    const int w = 22000, h = 3;  // 66000 bytes per 24-bit row
    Record r;
    ASSERT_EQ(K_InitBitmap(&r, w, h, 24), K_OK);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    for (int y = 0; y < h; ++y)
        for (int x : {0, 1, w / 2, w - 1}) K_PutPixelColor(&r, StorageRow(&r, y), x, Cell(x % 7, y));
    SectionDC dc(w, h, 24);
    RECT dest{0, 0, w, h};
    ASSERT_EQ(K_PaintDC(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_OK);
    for (int y = 0; y < h; ++y)
        for (int x : {0, 1, w / 2, w - 1})
            EXPECT_EQ(ColorText(dc.Pixel(x, y)), ColorText(Cell(x % 7, y))) << x << "," << y;
}

TEST(PaintDC, RefusesMissingArguments) {
    Record r;
    ASSERT_EQ(K_InitBitmap(&r, 4, 4, 8), K_OK);
    SectionDC dc(4, 4, 24);
    RECT dest{0, 0, 4, 4};
    unsigned char rows[64] = {};
    EXPECT_EQ(K_PaintDC(dc.dc(), nullptr, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_ERR_NOBITMAP);
    EXPECT_EQ(K_PaintDC(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_ERR_NOBITMAP);  // not allocated
    EXPECT_EQ(K_PaintDevice(0, dc.dc(), &r, nullptr, 0, 0), K_ERR_NOBITMAP);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    EXPECT_EQ(K_PaintDC(nullptr, &r, nullptr, nullptr, &dest, nullptr, SRCCOPY), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDC(dc.dc(), &r, nullptr, nullptr, nullptr, nullptr, SRCCOPY), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDevice(0, nullptr, &r, nullptr, 0, 0), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCBuffer(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, nullptr, 0, 4), K_ERR_NOBITMAP);
    EXPECT_EQ(K_PaintDCBuffer(dc.dc(), &r, nullptr, nullptr, nullptr, nullptr, SRCCOPY, rows, 0, 4), K_ERR_ARGUMENT);
}

// Rows the caller holds land where the same paint from storage lands:
// at the destination's left edge, inside the clip, upright.
TEST(PaintDCBuffer, CallerRowsPaintAsStoredRowsDo) {
    DisplayModeScope colors(kIndexedPaint, 0);
    const int w = 9, h = 7;
    struct Case {
        int bits, perspective;
        RECT dest, clip;
    };
    const Case cases[] = {
        {24, K_TOP_DOWN, {3, 2, 3 + w, 2 + h}, {4, 3, 10, 7}},  // direct path, top-down
        {24, K_BOTTOM_UP, {5, 1, 5 + w, 1 + h}, {0, 0, 20, 20}},
        {4, K_TOP_DOWN, {1, 1, 1 + w, 1 + h}, {2, 0, 7, 20}},   // sub-byte start
        {16, K_TOP_DOWN, {2, 3, 2 + w, 3 + h}, {0, 4, 20, 8}},  // widened rows
        {24, K_TOP_DOWN, {0, 0, 2 * w, h + 3}, {1, 1, 15, 9}},  // scaled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, perspective " + std::to_string(c.perspective));
        Record r;
        MakeRecord(&r, w, h, c.bits, c.bits <= 8 ? Picture(Primaries) : Picture(Cell), K_ORDER_BGR, c.perspective);
        // Storage rows 2..5 only.
        const int first = 2, count = 4;
        std::vector<unsigned char> rows(static_cast<size_t>(r.b.BytesPerLine) * count);
        K_AccessBitmap(&r);
        for (int i = 0; i < count; ++i)
            K_GetBitmapRow(&r, rows.data() + i * r.b.BytesPerLine, first + i, r.b.BytesPerLine);
        K_ReleaseBitmap(&r);
        SectionDC fromRows(20, 12, 32), fromStorage(20, 12, 32);
        RECT held{0, first, w, first + count};
        ASSERT_EQ(
            K_PaintDCBuffer(fromRows.dc(), &r, nullptr, nullptr, &c.dest, &c.clip, SRCCOPY, rows.data(), first, count),
            K_OK);
        ASSERT_EQ(K_PaintDC(fromStorage.dc(), &r, nullptr, &held, &c.dest, &c.clip, SRCCOPY), K_OK);
        std::vector<std::string> painted = Painted(fromRows);
        EXPECT_EQ(painted, Painted(fromStorage));
        EXPECT_NE(std::count(painted.begin(), painted.end(), "-"), static_cast<long>(painted.size()));
    }
}

TEST(PaintDevice, PaintsAtThePlacementRectangle) {
    DisplayModeScope colors(kIndexedPaint, 0);
    const int w = 5, h = 4;
    Record r;
    MakeRecord(&r, w, h, 24, Cell, K_ORDER_RGB, K_BOTTOM_UP);
    r.b.DisplayRect = RECT{6, 5, 0, 0};
    r.b.ImageOriginX = 2;
    r.b.ImageOriginY = 3;  // placed at (4, 2), its own size
    SectionDC dc(12, 10, 24);
    ASSERT_EQ(K_PaintDevice(0, dc.dc(), &r, nullptr, 0, 0), K_OK);
    for (int y = 0; y < dc.height(); ++y)
        for (int x = 0; x < dc.width(); ++x) {
            if (x >= 4 && x < 4 + w && y >= 2 && y < 2 + h)
                EXPECT_EQ(ColorText(dc.Pixel(x, y)), ColorText(Cell(x - 4, y - 2)));
            else
                EXPECT_EQ(dc.RawPixel(x, y), dc.Unpainted());
        }

    // K_PaintBuffer: the clip's rows, taken from the caller.
    SectionDC byRows(12, 10, 24);
    RECT clip{4, 3, 9, 5};  // picture lines 1 and 2 = storage rows 1 and 2 of 4
    std::vector<unsigned char> rows(static_cast<size_t>(r.b.BytesPerLine) * 2);
    K_AccessBitmap(&r);
    K_GetBitmapRow(&r, rows.data(), 1, r.b.BytesPerLine);
    K_GetBitmapRow(&r, rows.data() + r.b.BytesPerLine, 2, r.b.BytesPerLine);
    K_ReleaseBitmap(&r);
    ASSERT_EQ(K_PaintBuffer(0, byRows.dc(), &r, rows.data(), &clip, 0, 0), K_OK);
    for (int y = 0; y < byRows.height(); ++y)
        for (int x = 0; x < byRows.width(); ++x) {
            if (x >= 4 && x < 9 && y >= 3 && y < 5)
                EXPECT_EQ(ColorText(byRows.Pixel(x, y)), ColorText(Cell(x - 4, y - 2))) << x << "," << y;
            else
                EXPECT_EQ(byRows.RawPixel(x, y), byRows.Unpainted()) << x << "," << y;
        }
}

TEST(PaintRects, FitToAspectAndIntersect) {
    RECT r{10, 20, 110, 70};    // 100 x 50
    FitRectToAspect(&r, 4, 3);  // width 50 * 4 / 3, rounded by MulDiv
    EXPECT_EQ(r.right - r.left, 67);
    EXPECT_EQ(r.bottom - r.top, 50);
    RECT tall{0, 0, 30, 100};
    FitRectToAspect(&tall, 1, 1);  // 100 is too wide: height becomes 30
    EXPECT_EQ(tall.right, 30);
    EXPECT_EQ(tall.bottom, 30);

    RECT out, a{0, 0, 10, 10}, b{5, 5, 20, 20}, c{10, 0, 20, 10};
    EXPECT_EQ(IntersectRects(&out, &a, &b), 1);
    EXPECT_EQ(out.left, 5);
    EXPECT_EQ(out.bottom, 10);
    EXPECT_EQ(IntersectRects(&out, &a, &c), 0);  // touching edges: empty
}

}  // namespace
