// Bitmaps: format conversions, transparent drawing, BMP files checked
// against ImageMagick, and hostile BMP files.
#include <gtest/gtest.h>

#include <memory>

#include "bitmap.h"
#include "host.h"

namespace {

std::unique_ptr<TBitmap> Filled(int w, int h, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
    return b;
}

std::string Z(const std::string& unixPath) { return "Z:" + unixPath; }

}  // namespace

TEST(Bitmap, NewBitmapsAre24BitAndGrowWithWhite) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetSize(3, 2);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.HandleType(), bmDIB);
    b.Canvas()->SetPixel(2, 1, clRed);
    b.SetSize(5, 4);
    EXPECT_EQ(b.Canvas()->Pixels(2, 1), clRed) << "old pixels are kept";
    EXPECT_EQ(b.Canvas()->Pixels(4, 3), clWhite) << "new pixels are white";
}

TEST(Bitmap, MonochromeKeepsOnlyWhite) {
    auto b = Filled(4, 1, clWhite);
    b->Canvas()->SetPixel(1, 0, 0x00FEFFFF);  // nearly white
    b->Canvas()->SetPixel(2, 0, clYellow);
    b->Canvas()->SetPixel(3, 0, clBlack);
    b->SetMonochrome(true);
    EXPECT_EQ(b->PixelFormat(), pf1bit);
    EXPECT_EQ(b->Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(b->Canvas()->Pixels(1, 0), clBlack);
    EXPECT_EQ(b->Canvas()->Pixels(2, 0), clBlack);
    EXPECT_EQ(b->Canvas()->Pixels(3, 0), clBlack);
    // And back to 8 bits: still black and white.
    b->SetPixelFormat(pf8bit);
    EXPECT_EQ(b->PixelFormat(), pf8bit);
    EXPECT_EQ(b->Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(b->Canvas()->Pixels(1, 0), clBlack);
}

TEST(Bitmap, EightBitsKeepThePaletteColours) {
    auto b = Filled(3, 1, clWhite);
    b->Canvas()->SetPixel(0, 0, RGB(255, 0, 0));
    b->Canvas()->SetPixel(1, 0, RGB(0, 102, 153));  // on the default colour cube
    b->SetPixelFormat(pf8bit);
    EXPECT_EQ(b->Canvas()->Pixels(0, 0), static_cast<TColor>(RGB(255, 0, 0)));
    EXPECT_EQ(b->Canvas()->Pixels(1, 0), static_cast<TColor>(RGB(0, 102, 153)));
    EXPECT_NE(b->Palette(), nullptr);
    uint8_t* row = static_cast<uint8_t*>(b->ScanLine(0));
    ASSERT_NE(row, nullptr);
    EXPECT_NE(row[0], row[1]);
}

TEST(Bitmap, TransparentDrawLeavesTheKeyColourOut) {
    auto src = Filled(4, 4, clLime);
    src->Canvas()->SetPixel(1, 1, clRed);
    src->SetTransparent(true);  // automatic: the bottom-left pixel's colour
    EXPECT_EQ(src->TransparentColor(), clLime);
    auto dst = Filled(8, 8, clBlue);
    dst->Canvas()->Draw(2, 2, src.get());
    EXPECT_EQ(dst->Canvas()->Pixels(3, 3), clRed);
    EXPECT_EQ(dst->Canvas()->Pixels(2, 2), clBlue);
    EXPECT_EQ(dst->Canvas()->Pixels(5, 5), clBlue);
    // A fixed key colour: now red is left out and lime is drawn.
    src->SetTransparentColor(clRed);
    dst = Filled(8, 8, clBlue);
    dst->Canvas()->Draw(2, 2, src.get());
    EXPECT_EQ(dst->Canvas()->Pixels(2, 2), clLime);
    EXPECT_EQ(dst->Canvas()->Pixels(3, 3), clBlue);
}

TEST(Bitmap, OurBmpFilesReadBackInImageMagick) {
    ASSERT_TRUE(HostHasTool("convert-im6.q16")) << "ImageMagick missing: scripts/setup installs it";
    struct Case {
        TPixelFormat format;
        const char* name;
    } cases[] = {
        {pf24bit, "fw_ours24.bmp"}, {pf8bit, "fw_ours8.bmp"}, {pf1bit, "fw_ours1.bmp"}, {pf32bit, "fw_ours32.bmp"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = Filled(5, 3, clWhite);
        b->Canvas()->SetPixel(0, 0, clBlack);
        b->Canvas()->SetPixel(4, 2, clBlack);
        if (c.format != pf1bit) b->Canvas()->SetPixel(2, 1, clRed);
        b->SetPixelFormat(c.format);
        std::string path = TestTempPath(c.name);
        b->SaveToFile(Z(path));
        std::string txt = TestTempPath(std::string(c.name) + ".txt");
        ASSERT_EQ(RunHost(std::string(kConvert) + " " + path + " -depth 8 rgb:" + txt), 0);
        std::string rgb = ReadFileBytes(txt);
        ASSERT_EQ(rgb.size(), 45u);
        auto at = [&](int x, int y) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(rgb.data()) + (y * 5 + x) * 3;
            return RGB(p[0], p[1], p[2]);
        };
        EXPECT_EQ(at(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(at(4, 2), RGB(0, 0, 0));
        EXPECT_EQ(at(1, 0), RGB(255, 255, 255));
        if (c.format != pf1bit) {
            EXPECT_EQ(at(2, 1), RGB(255, 0, 0));
        }
    }
}

TEST(Bitmap, ImageMagickBmpFilesLoadWithTheirPixels) {
    ASSERT_TRUE(HostHasTool("convert-im6.q16")) << "ImageMagick missing: scripts/setup installs it";
    std::string ppm = TestTempPath("fw_src.ppm");
    // 3x2: red green blue / white black grey
    WriteFileBytes(
        ppm, std::string("P6 3 2 255\n") + std::string("\xff\0\0\0\xff\0\0\0\xff\xff\xff\xff\0\0\0\x80\x80\x80", 18));
    struct Case {
        const char* options;
        const char* output;  // ImageMagick's output format and the file name
    } cases[] = {{"-type TrueColor", "bmp:fw_im24.bmp"},
                 {"-type Palette -compress None", "bmp:fw_im8.bmp"},
                 {"-type Palette -compress RLE", "bmp3:fw_im8rle.bmp"},
                 {"-type TrueColor", "bmp3:fw_im24v3.bmp"},
                 {"-type TrueColor", "bmp2:fw_im24v2.bmp"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.output);
        std::string output = c.output;
        std::string format = output.substr(0, output.find(':') + 1);
        std::string out = TestTempPath(output.substr(format.size()));
        ASSERT_EQ(RunHost(std::string(kConvert) + " " + ppm + " " + c.options + " " + format + out), 0);
        TBitmap b;
        b.LoadFromFile(Z(out));
        ASSERT_EQ(b.Width(), 3);
        ASSERT_EQ(b.Height(), 2);
        TColor expect[6] = {clRed, clLime, clBlue, clWhite, clBlack, static_cast<TColor>(RGB(128, 128, 128))};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Canvas()->Pixels(i % 3, i / 3), expect[i]) << "pixel " << i;
    }
}

TEST(Bitmap, HostileBmpFilesAreRefused) {
    // A good 2x2 24-bit file, patched per case.
    TBitmap good;
    good.SetSize(2, 2);
    std::string path = TestTempPath("fw_good.bmp");
    good.SaveToFile(Z(path));
    std::string base = ReadFileBytes(path);
    ASSERT_EQ(base.size(), 54u + 16u);
    auto put32 = [](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    };
    auto put16 = [](std::string& s, size_t at, uint16_t v) {
        s[at] = static_cast<char>(v);
        s[at + 1] = static_cast<char>(v >> 8);
    };
    struct Case {
        const char* what;
        std::function<void(std::string&)> patch;
    } cases[] = {
        {"truncated pixels", [](std::string& s) { s.resize(60); }},
        {"no info header", [](std::string& s) { s.resize(20); }},
        {"not BM", [](std::string& s) { s[0] = 'X'; }},
        {"huge width", [&](std::string& s) { put32(s, 18, 0x7FFFFFFF); }},
        {"zero width", [&](std::string& s) { put32(s, 18, 0); }},
        {"height beyond the data", [&](std::string& s) { put32(s, 22, 1000); }},
        {"bit count 7", [&](std::string& s) { put16(s, 28, 7); }},
        {"colour count over 256",
         [&](std::string& s) {
             put16(s, 28, 8);
             put32(s, 46, 100000);
         }},
        {"pixel offset past the end", [&](std::string& s) { put32(s, 10, 5000); }},
        {"header size past the end", [&](std::string& s) { put32(s, 14, 4000); }},
        {"RLE on 24 bits", [&](std::string& s) { put32(s, 30, BI_RLE8); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = base;
        c.patch(bytes);
        TBitmap b;
        EXPECT_THROW(b.LoadFromMemory(bytes.data(), bytes.size()), EInvalidGraphic);
        EXPECT_TRUE(b.Empty());
    }
}

TEST(Bitmap, DeviceBitmapsKeepThePixelsAndPalettesRecolourEightBits) {
    auto b = Filled(4, 2, clWhite);
    b->Canvas()->SetPixel(1, 1, clRed);
    b->SetHandleType(bmDDB);
    EXPECT_EQ(b->HandleType(), bmDDB);
    EXPECT_EQ(b->PixelFormat(), pfDevice);
    EXPECT_EQ(b->ScanLine(0), nullptr);
    EXPECT_EQ(b->Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(b->Canvas()->Pixels(0, 0), clWhite);
    b->SetHandleType(bmDIB);
    EXPECT_EQ(b->PixelFormat(), pf24bit);
    EXPECT_EQ(b->Canvas()->Pixels(1, 1), clRed);

    // An 8-bit bitmap takes a new palette as its colour table.
    b->SetPixelFormat(pf8bit);
    uint8_t index = static_cast<uint8_t*>(b->ScanLine(1))[1];
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } lp{0x300, 256, {}};
    for (int i = 0; i < 256; ++i) lp.entries[i] = PALETTEENTRY{0, 0, 0, 0};
    lp.entries[index] = PALETTEENTRY{0, 0, 255, 0};  // blue
    b->SetPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp)));
    EXPECT_EQ(b->Canvas()->Pixels(1, 1), clBlue);
}
