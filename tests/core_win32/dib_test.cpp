// Packed DIBs: taking them over, making them, and DIBs other programs write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/dib.h"
#include "gdi_fixture.h"
#include "host.h"

namespace {

COLORREF Primaries(int x, int y) { return Primary(x + 3 * y); }
COLORREF Varied(int x, int y) {
    return RGB((x * 37 + y * 11) & 255, (x * 7 + y * 53) & 255, (x * 91 + y * 29 + 40) & 255);
}
// The colours a 5-5-5 pixel can hold.
COLORREF Varied555(int x, int y) {
    auto q = [](int c) { return (c & 0xF8) | (c >> 5); };
    COLORREF v = Varied(x, y);
    return RGB(q(GetRValue(v)), q(GetGValue(v)), q(GetBValue(v)));
}

HGLOBAL BlockOf(const std::string& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

std::string BytesOf(HGLOBAL h) {
    std::string s(static_cast<const char*>(GlobalLock(h)), GlobalSize(h));
    GlobalUnlock(h);
    return s;
}

// A good 8-bit 5x3 DIB with 256 grey entries, as bytes.
std::string GoodDib8() {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = 5;
    h.biHeight = 3;
    h.biPlanes = 1;
    h.biBitCount = 8;
    std::string s(reinterpret_cast<const char*>(&h), sizeof h);
    for (int i = 0; i < 256; ++i) s += std::string{char(i), char(i), char(i), 0};
    for (int i = 0; i < 3 * 8; ++i) s += char(i * 9);
    return s;
}

void Patch32(std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); }
void Patch16(std::string& s, size_t at, uint16_t v) { std::memcpy(&s[at], &v, 2); }

TEST(ChangeFromDIB, RefusesBlocksItCannotTakeAndLeavesThemToTheCaller) {
    struct Case {
        const char* name;
        void (*patch)(std::string&);
        int expected;
    };
    const Case cases[] = {
        {"width 0", [](std::string& s) { Patch32(s, 4, 0); }, K_ERR_ARGUMENT},
        {"height 0", [](std::string& s) { Patch32(s, 8, 0); }, K_ERR_ARGUMENT},
        {"two planes", [](std::string& s) { Patch16(s, 12, 2); }, -91},
        {"BI_RLE8", [](std::string& s) { Patch32(s, 16, BI_RLE8); }, -92},
        {"16 bits", [](std::string& s) { Patch16(s, 14, 16); }, -93},
        {"32 bits", [](std::string& s) { Patch16(s, 14, 32); }, -93},
        {"header of 20 bytes", [](std::string& s) { Patch32(s, 0, 20); }, K_ERR_ARGUMENT},
        {"300 colours", [](std::string& s) { Patch32(s, 32, 300); }, K_ERR_ARGUMENT},
        {"rows cut short", [](std::string& s) { s.resize(s.size() - 5); }, K_ERR_ARGUMENT},
        {"height past the block", [](std::string& s) { Patch32(s, 8, 0x40000000); }, K_ERR_ARGUMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = GoodDib8();
        c.patch(bytes);
        HGLOBAL block = BlockOf(bytes);
        Record r;
        EXPECT_EQ(K_ChangeFromDIB(&r, block), c.expected);
        EXPECT_FALSE(r.b.Flags & K_ALLOCATED);
        EXPECT_EQ(BytesOf(block), bytes);  // still the caller's, unchanged
        GlobalFree(block);
    }
    Record r;
    EXPECT_EQ(K_ChangeFromDIB(&r, nullptr), K_ERR_ARGUMENT);
    HGLOBAL good = BlockOf(GoodDib8());
    EXPECT_EQ(K_ChangeFromDIB(nullptr, good), K_ERR_ARGUMENT);
    ASSERT_EQ(K_ChangeFromDIB(&r, good), K_OK);
    EXPECT_EQ(r.b.Width, 5);
    EXPECT_EQ(r.b.Flags & K_GRAY_PALETTE, unsigned(K_GRAY_PALETTE));
    EXPECT_EQ(K_GetPixelColor(&r, 1, 2), RGB(90, 90, 90));  // row 1, byte 2 = (8 + 2) * 9
}

TEST(ConvertFromDIB, HeaderAndRowsApartTopDownWithAShortColourTable) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[3];
    } info{};
    info.h.biSize = 40;
    info.h.biWidth = 3;
    info.h.biHeight = -2;  // top-down
    info.h.biPlanes = 1;
    info.h.biBitCount = 4;
    info.h.biClrUsed = 3;
    info.c[0] = RGBQUAD{0, 0, 255, 0};                                   // red
    info.c[1] = RGBQUAD{0, 255, 0, 0};                                   // green
    info.c[2] = RGBQUAD{255, 0, 0, 0};                                   // blue
    const unsigned char rows[8] = {0x01, 0x20, 0, 0, 0x22, 0x10, 0, 0};  // top line: red green blue
    Record r;
    ASSERT_EQ(K_ConvertFromDIB(&r, reinterpret_cast<BITMAPINFO*>(&info), rows), K_OK);
    // 2^bits colours, the entries past the header's table black; no colour
    // counts kept; colour order 1.
    EXPECT_EQ(r.b.Colors, 16);
    EXPECT_EQ(r.b.DibHeader.biClrUsed, 0u);
    EXPECT_EQ(r.b.ColorOrder, K_ORDER_BGR);
    RGBQUAD colours[16];
    ASSERT_EQ(K_GetBitmapColors(&r, 0, 16, colours), K_OK);
    for (int i = 3; i < 16; ++i) EXPECT_EQ(colours[i].rgbRed | colours[i].rgbGreen | colours[i].rgbBlue, 0) << i;
    const COLORREF expected[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                     {RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 255, 0)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(expected[y][x])) << x << "," << y;
    info.h.biCompression = BI_RLE4;
    Record refused;
    EXPECT_EQ(K_ConvertFromDIB(&refused, reinterpret_cast<BITMAPINFO*>(&info), rows), -92);
}

struct DepthCase {
    int bits, order, perspective;
};

TEST(ConvertToDIB, RoundTripKeepsThePictureAtEveryDepthAndOrder) {
    const DepthCase cases[] = {{1, 0, K_BOTTOM_UP},
                               {4, 0, K_TOP_DOWN},
                               {8, 0, K_BOTTOM_UP},
                               {16, K_ORDER_RGB, K_BOTTOM_UP},
                               {16, K_ORDER_BGR, K_TOP_DOWN},
                               {24, K_ORDER_RGB, K_TOP_DOWN},
                               {24, K_ORDER_BGR, K_BOTTOM_UP},
                               {32, K_ORDER_RGB, K_BOTTOM_UP},
                               {32, K_ORDER_BGR, K_TOP_DOWN}};
    for (const DepthCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, order " + std::to_string(c.order) + ", perspective " +
                     std::to_string(c.perspective));
        Picture picture = c.bits == 1
                              ? Picture([](int x, int y) { return (x ^ y) & 1 ? RGB(255, 255, 255) : RGB(0, 0, 0); })
                              : Picture(c.bits <= 8 ? Primaries : (c.bits == 16 ? Varied555 : Varied));
        Record source;
        MakeRecord(&source, 7, 5, c.bits, picture, c.order, c.perspective);
        source.b.XResolution = 300;
        HGLOBAL dib = K_ConvertToDIB(&source);
        ASSERT_NE(dib, nullptr);
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
        EXPECT_EQ(h->biBitCount, c.bits == 16 || c.bits == 32 ? 24 : c.bits);
        EXPECT_EQ(h->biHeight, 5);
        EXPECT_EQ(h->biXPelsPerMeter, 11811);
        GlobalUnlock(dib);
        Record back;
        ASSERT_EQ(K_ChangeFromDIB(&back, dib), K_OK);
        EXPECT_EQ(back.b.BitsPerPixel, c.bits == 16 || c.bits == 32 ? 24 : c.bits);
        EXPECT_EQ(back.b.XResolution, 300);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(ColorText(PictureColor(&back, x, y)), ColorText(picture(x, y))) << x << "," << y;
        EXPECT_EQ(source.b.Flags & K_ALLOCATED, unsigned(K_ALLOCATED));  // K_Convert leaves its input alone
    }
}

TEST(ConvertToDIB, WritesTheColoursInUse) {
    RGBQUAD palette[200];
    for (int i = 0; i < 200; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    Record r;
    MakeRecord(
        &r, 3, 2, 8,
        [&](int x, int y) { return RGB(palette[x + y].rgbRed, palette[x + y].rgbGreen, palette[x + y].rgbBlue); }, 0,
        K_BOTTOM_UP, palette, 200);
    HGLOBAL dib = K_ConvertToDIB(&r);
    ASSERT_NE(dib, nullptr);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(h->biClrUsed, 200u);
    EXPECT_EQ(GlobalSize(dib), 40u + 4 * 200 + 4 * 2);
    auto* colors = reinterpret_cast<RGBQUAD*>(h + 1);
    EXPECT_EQ(colors[199].rgbBlue, 199);
    EXPECT_EQ(colors[199].rgbGreen, 56);
    GlobalUnlock(dib);
    GlobalFree(dib);
}

TEST(ChangeToDIB, HandsTheRecordOverOnlyWhenItCan) {
    Record r;
    MakeRecord(&r, 4, 4, 24, Varied);
    K_AccessBitmap(&r);
    EXPECT_EQ(K_ChangeToDIB(&r), nullptr);  // locked
    EXPECT_EQ(r.b.Flags & K_ALLOCATED, unsigned(K_ALLOCATED));
    K_ReleaseBitmap(&r);
    HGLOBAL dib = K_ChangeToDIB(&r);
    ASSERT_NE(dib, nullptr);
    EXPECT_FALSE(r.b.Flags & K_ALLOCATED);
    Record back;
    ASSERT_EQ(K_ChangeFromDIB(&back, dib), K_OK);
    EXPECT_EQ(PictureColor(&back, 3, 0), Varied(3, 0));
    EXPECT_EQ(K_ChangeToDIB(nullptr), nullptr);
    EXPECT_EQ(K_ConvertToDIB(&r), nullptr);  // freed
}

// Pixels of a picture file as ImageMagick read it into path.ppm, top line first.
std::vector<COLORREF> HostPixels(const std::string& path, int width, int height) {
    std::string ppm = path + ".ppm";
    int w = 0, h = 0;
    std::vector<COLORREF> out = ReadPpm(ReadFileBytes(ppm), &w, &h);
    return w == width && h == height ? out : std::vector<COLORREF>{};
}

// DIBs written by other programs load upright with their colours: BMP
// files from ImageMagick, less their 14-byte file header.
TEST(LoadPackedDib, ReadsTheDibsOtherProgramsWrite) {
    // ImageMagick compresses palette BMPs unless told not to: RLE is refused.
    {
        std::string path = TestTempPath("dib-rle.bmp");
        ASSERT_EQ(
            RunHost(kConvert + " -size 9x6 plasma:fractal -type Palette -define bmp:format=bmp3 'BMP:" + path + "'"),
            0);
        std::string dib = ReadFileBytes(path).substr(14);
        Record r;
        EXPECT_EQ(LoadPackedDib(&r, dib.data(), dib.size()), -92);
    }
    struct Case {
        const char* name;
        const char* options;
        int bits;
        bool topDown;  // rows turned over and the height negated here
    };
    const Case cases[] = {
        {"core header, palette", "-colors 16 -define bmp:format=bmp2", 4, false},
        {"info header, 24 bits", "-type TrueColor -define bmp:format=bmp3", 24, false},
        {"info header, 24 bits, top-down", "-type TrueColor -define bmp:format=bmp3", 24, true},
        {"5-6-5 bit fields", "-define bmp:subtype=RGB565", 16, false},
        {"V5 header, 32 bits with alpha", "-alpha set -type TrueColorAlpha -define bmp:format=bmp4", 32, false},
        {"8 bits, top-down", "-type Palette -compress None -define bmp:format=bmp3", 8, true},
    };
    const int w = 9, h = 6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath("dib-in.bmp");
        // Written and read back in one host command: each costs Wine about a second.
        ASSERT_EQ(
            RunHost(kConvert + " -size " + std::to_string(w) + "x" + std::to_string(h) + " plasma:fractal -seed 7 " +
                    c.options + " 'BMP:" + path + "' && " + kConvert + " '" + path + "' -depth 8 '" + path + ".ppm'"),
            0);
        std::vector<COLORREF> expected = HostPixels(path, w, h);
        ASSERT_EQ(expected.size(), size_t(w * h));
        std::string dib = ReadFileBytes(path).substr(14);
        DibLayout d;
        ASSERT_EQ(ParseDibHeader(dib.data(), dib.size(), &d), K_OK);
        ASSERT_EQ(d.bits, c.bits);
        if (c.topDown) {
            std::string flipped = dib.substr(0, d.pixelOffset);
            for (int i = h - 1; i >= 0; --i) flipped += dib.substr(d.pixelOffset + i * d.rowBytes, d.rowBytes);
            Patch32(flipped, 8, static_cast<uint32_t>(-h));
            dib = flipped;
        }
        Record r;
        ASSERT_EQ(LoadPackedDib(&r, dib.data(), dib.size()), K_OK);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF want = expected[y * w + x];
                if (c.bits == 16) want = RGB(GetRValue(want) & 0xF8, GetGValue(want) & 0xF8, GetBValue(want) & 0xF8);
                COLORREF got = PictureColor(&r, x, y);
                if (c.bits == 16) got &= 0xF8F8F8;  // a 6-bit green keeps 5 bits here
                ASSERT_EQ(ColorText(got), ColorText(want)) << x << "," << y;
            }
    }
}

TEST(ConvertFromDDB, ReadsDeviceBitmapsAndChangeDeletesThem) {
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 6, 4);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, ddb);
    RECT all{0, 0, 6, 4}, left{0, 0, 3, 4};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255)), yellow = CreateSolidBrush(RGB(255, 255, 0));
    FillRect(memory, &all, blue);
    FillRect(memory, &left, yellow);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(blue);
    DeleteObject(yellow);

    Record r;
    ASSERT_EQ(K_ConvertFromDDB(screen, &r, ddb, nullptr), K_OK);
    EXPECT_EQ(r.b.BitsPerPixel, 24);  // the screen is deeper than 8 bits
    EXPECT_EQ(PictureColor(&r, 1, 0), RGB(255, 255, 0));
    EXPECT_EQ(PictureColor(&r, 5, 3), RGB(0, 0, 255));
    BITMAP info;
    EXPECT_EQ(GetObjectA(ddb, sizeof info, &info), int(sizeof info));  // still there

    Record changed;
    ASSERT_EQ(K_ChangeFromDDB(screen, &changed, ddb, nullptr), K_OK);
    EXPECT_EQ(GetObjectA(ddb, sizeof info, &info), 0);  // deleted
    EXPECT_EQ(K_ConvertFromDDB(screen, &r, nullptr, nullptr), K_ERR_ARGUMENT);
    ReleaseDC(nullptr, screen);
}

TEST(ConvertToDDB, PaintsTheRecordIntoANewDeviceBitmap) {
    const DepthCase cases[] = {{24, K_ORDER_RGB, K_TOP_DOWN}, {16, K_ORDER_RGB, K_BOTTOM_UP}, {4, 0, K_BOTTOM_UP}};
    for (const DepthCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits");
        Record r;
        MakeRecord(&r, 7, 5, c.bits, Primaries, c.order, c.perspective);
        int modeBefore = K_GetDisplayMode();
        HBITMAP ddb = K_ConvertToDDB(nullptr, &r);
        ASSERT_NE(ddb, nullptr);
        EXPECT_EQ(K_GetDisplayMode(), modeBefore);
        Record back;
        ASSERT_EQ(K_ChangeFromDDB(nullptr, &back, ddb, nullptr), K_OK);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(ColorText(PictureColor(&back, x, y)), ColorText(Primaries(x, y))) << x << "," << y;

        HBITMAP changed = K_ChangeToDDB(nullptr, &r);
        ASSERT_NE(changed, nullptr);
        EXPECT_FALSE(r.b.Flags & K_ALLOCATED);
        DeleteObject(changed);
        EXPECT_EQ(K_ConvertToDDB(nullptr, &r), nullptr);
    }
}

}  // namespace
