// Transition effects: every effect ends with exactly what effect 0 paints,
// in DIB sections of several depths and on real 24-, 16- and 8-bit screens.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core_win32/gdi_fixture.h"
#include "host.h"

namespace {

COLORREF Varied(int x, int y) {
    return RGB((x * 37 + y * 11) & 255, (x * 7 + y * 53) & 255, (x * 91 + y * 29 + 40) & 255);
}
COLORREF Primaries(int x, int y) { return Primary(x / 3 + 5 * (y / 2)); }

// A recognisable background, so that pixels an effect leaves are seen.
void FillBackground(HDC dc, int width, int height) {
    static std::unique_ptr<SectionDC> background;
    if (!background || background->width() < width || background->height() < height) {
        background = std::make_unique<SectionDC>(width, height, 24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) SetPixelV(background->dc(), x, y, Primary(x + 2 * y));
    }
    BitBlt(dc, 0, 0, width, height, background->dc(), 0, 0, SRCCOPY);
    GdiFlush();
}

// The pixels of a device context, read through a 24-bit DIB section.
std::vector<COLORREF> Capture(HDC source, int width, int height) {
    SectionDC copy(width, height, 24);
    BitBlt(copy.dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(copy.Pixel(x, y));
    return out;
}

struct Placement {
    const char* name;
    RECT destination;
    bool source, sourceClip, destinationClip;
    DWORD rasterOp;
};

// 1:1 and magnified paints, with a source rectangle, a source clip and a
// destination clip; an XOR raster op shows a pixel painted twice.
const Placement kPlacements[] = {
    {"plain", {3, 2, 3 + 40, 2 + 27}, false, false, false, SRCCOPY},
    {"source and clips", {3, 2, 3 + 30, 2 + 20}, true, true, true, SRCCOPY},
    {"magnified, clipped", {-7, 1, -7 + 75, 1 + 50}, true, false, true, SRCCOPY},
    {"xor", {5, 4, 5 + 40, 4 + 27}, false, false, true, SRCINVERT},
};
const RECT kSource{5, 3, 35, 23};
const RECT kSourceClip{8, 4, 33, 21};
const RECT kDestinationClip{6, 5, 41, 31};

// Paints every effect of one placement on a device and checks it against
// effect 0; background drawn first each time.
void CheckEveryEffect(HDC dc, int width, int height, BitmapRecord* bitmap, const Placement& p) {
    auto paint = [&](unsigned effect) {
        FillBackground(dc, width, height);
        return K_PaintDCEffect(dc, bitmap, p.source ? &kSource : nullptr, p.sourceClip ? &kSourceClip : nullptr,
                               &p.destination, p.destinationClip ? &kDestinationClip : nullptr, p.rasterOp, effect);
    };
    ASSERT_EQ(paint(0), K_OK);
    const std::vector<COLORREF> expected = Capture(dc, width, height);
    // Effect 0 must show the picture somewhere and leave the background elsewhere.
    FillBackground(dc, width, height);
    ASSERT_NE(Capture(dc, width, height), expected);
    for (unsigned effect = 1; effect <= 28; ++effect) {
        SCOPED_TRACE(std::string(p.name) + ", effect " + std::to_string(effect));
        ASSERT_EQ(paint(effect), K_OK);
        std::vector<COLORREF> got = Capture(dc, width, height);
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(ColorText(got[i]), ColorText(expected[i])) << "pixel " << i % width << "," << i / width;
    }
}

TEST(PaintEffect, EveryEffectEndsAsEffectZeroInSections) {
    DisplayModeScope colors(kIndexedPaint, 0);
    struct Case {
        int recordBits, sectionBits;
    };
    const Case cases[] = {{24, 24}, {8, 24}, {24, 16}, {16, 24}, {24, 8}, {4, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.recordBits) + "-bit record into a " + std::to_string(c.sectionBits) +
                     "-bit section");
        Record r;
        MakeRecord(&r, 40, 27, c.recordBits, c.recordBits <= 8 ? Picture(Primaries) : Picture(Varied), K_ORDER_RGB,
                   K_TOP_DOWN);
        SectionDC dc(80, 56, c.sectionBits);
        for (const Placement& p : kPlacements) CheckEveryEffect(dc.dc(), dc.width(), dc.height(), &r, p);
    }
}

std::vector<int> g_percents;
int g_stopAt = -1;
int KAPI Status(int percent) {
    g_percents.push_back(percent);
    return static_cast<int>(g_percents.size()) - 1 == g_stopAt ? 0 : 1;
}

TEST(PaintEffect, StatusCallbackSeesProgressAndStops) {
    Record r;
    MakeRecord(&r, 40, 27, 24, Varied);
    SectionDC dc(50, 40, 24);
    RECT dest{0, 0, 40, 27};
    StatusCallback old = K_SetStatusCallBack(Status);
    for (unsigned effect : {0u, 1u, 7u, 13u, 16u, 19u, 20u, 27u}) {
        SCOPED_TRACE("effect " + std::to_string(effect));
        g_percents.clear();
        g_stopAt = -1;
        EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, effect), K_OK);
        ASSERT_FALSE(g_percents.empty());
        EXPECT_EQ(g_percents.front(), 0);
        EXPECT_EQ(g_percents.back(), 100);
        for (size_t i = 1; i < g_percents.size(); ++i) EXPECT_GT(g_percents[i], g_percents[i - 1]);
    }
    // A stop at the first call paints nothing and is returned.
    SectionDC fresh(50, 40, 24);
    g_percents.clear();
    g_stopAt = 0;
    EXPECT_EQ(K_PaintDCEffect(fresh.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, 5), 0);
    for (int y = 0; y < 27; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(fresh.RawPixel(x, y), fresh.Unpainted());
    K_SetStatusCallBack(old);
}

TEST(PaintEffect, RefusesBadArgumentsAndPaintsNothingForThem) {
    Record r, blank;
    MakeRecord(&r, 8, 8, 24, Varied);
    SectionDC dc(10, 10, 24);
    RECT dest{0, 0, 8, 8}, away{20, 20, 30, 30}, empty{4, 4, 4, 8};
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, 29), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, 0xFFFFFFFFu), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(nullptr, &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, 1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), nullptr, nullptr, nullptr, &dest, nullptr, SRCCOPY, 1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, nullptr, nullptr, SRCCOPY, 1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &blank, nullptr, nullptr, &dest, nullptr, SRCCOPY, 1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, &away, SRCCOPY, 1), K_OK);
    EXPECT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &empty, nullptr, SRCCOPY, 1), K_OK);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(dc.RawPixel(x, y), dc.Unpainted());
}

TEST(PaintEffect, PaintEffectUsesThePlacementOfPaintDevice) {
    DisplayModeScope colors(kIndexedPaint, 0);
    Record r;
    MakeRecord(&r, 20, 12, 24, Varied);
    r.b.DisplayRect = RECT{7, 5, 7 + 30, 5 + 18};  // magnified
    r.b.ImageOriginX = 2;
    r.b.ImageOriginY = 1;
    r.b.Flags |= K_DISPLAY_RECT_VALID;
    RECT clip{6, 5, 30, 20};
    SectionDC device(40, 30, 24), effect(40, 30, 24);
    ASSERT_EQ(K_PaintDevice(0, device.dc(), &r, &clip, 0, 0), K_OK);
    ASSERT_EQ(K_PaintEffect(effect.dc(), &r, &clip, 18), K_OK);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(effect.RawPixel(x, y), device.RawPixel(x, y)) << x << "," << y;
    EXPECT_EQ(K_PaintEffect(effect.dc(), nullptr, &clip, 1), K_ERR_ARGUMENT);
}

// A fixed picture and size, so that runs compare: prints the time of each
// effect (benchmarks proper live in bench/; this one needs GDI).
TEST(PaintEffect, TimedRunOfEveryEffect) {
    Record r;
    MakeRecord(&r, 320, 240, 24, Varied);
    SectionDC dc(320, 240, 24);
    RECT dest{0, 0, 320, 240};
    ASSERT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, 0), K_OK);
    std::vector<COLORREF> expected = Capture(dc.dc(), 320, 240);
    std::printf("effect  ms (320 x 240, 24 bits)\n");
    for (unsigned effect = 0; effect <= 28; ++effect) {
        FillBackground(dc.dc(), 320, 240);
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, effect), K_OK);
        GdiFlush();
        auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%6u  %8.1f\n", effect, ms);
        ASSERT_EQ(Capture(dc.dc(), 320, 240), expected) << "effect " << effect;
    }
}

// ---- Real screens -----------------------------------------------------------

constexpr int kWinWidth = 80, kWinHeight = 56;

// Every effect into a window, read back from the window's DC, with the
// paint palette realised as a program does.
void CheckScreen() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VolkgEffectTest";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "VolkgEffectTest", "effects", WS_POPUP | WS_VISIBLE, 30, 30, kWinWidth,
                                kWinHeight, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    HDC dc = GetDC(hwnd);
    for (int bits : {24, 8}) {
        SCOPED_TRACE(std::to_string(bits) + "-bit record");
        Record r;
        MakeRecord(&r, 40, 27, bits, bits <= 8 ? Picture(Primaries) : Picture(Varied), K_ORDER_BGR, K_BOTTOM_UP);
        HPALETTE palette = K_CreatePaintPalette(dc, &r);
        HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
        if (palette) RealizePalette(dc);
        for (const Placement& p : kPlacements) CheckEveryEffect(dc, kWinWidth, kWinHeight, &r, p);
        if (palette) {
            SelectPalette(dc, old, FALSE);
            DeleteObject(palette);
        }
    }
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
}

TEST(PaintEffectScreen, TwentyFourBitScreen) {
    if (std::getenv("VOLKG_SCREEN_DEPTH")) GTEST_SKIP() << "the child runs only its own screen";
    CheckScreen();
}

// Runs in a child on the display of another depth (VOLKG_SCREEN_DEPTH set),
// with the library's default display mode: error diffusion on the palette screen.
TEST(PaintEffectScreen, ChildOnItsScreen) {
    const char* depth = std::getenv("VOLKG_SCREEN_DEPTH");
    if (!depth) GTEST_SKIP() << "runs in a child on another screen";
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(bits, std::atoi(depth));
    ASSERT_EQ(K_GetDisplayMode() & (K_MODE_ORDERED_DITHER | K_MODE_DITHERED_PAINT), K_MODE_DITHERED_PAINT);
    CheckScreen();
}

TEST(PaintEffectScreen, PaletteAndHighColourScreens) {
    if (std::getenv("VOLKG_SCREEN_DEPTH")) GTEST_SKIP() << "the child itself";
    const std::pair<const char*, int> screens[] = {{"VOLKG_DISPLAY8", 8}, {"VOLKG_DISPLAY16", 16}};
    int ran = 0;
    for (const auto& [variable, depth] : screens) {
        const char* display = std::getenv(variable);
        if (!display || !*display) continue;
        SCOPED_TRACE(std::string(variable) + "=" + display);
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string prefix = TestTempPath("");
        prefix = prefix.substr(0, prefix.rfind("/test-tmp")) + "/wineprefix";
        std::string log = TestTempPath("effects-screen-" + std::to_string(depth) + ".log");
        // The flavour's own loader: plain wine may be the 32-bit one.
        int status = RunHost("DISPLAY=" + std::string(display) + " VOLKG_SCREEN_DEPTH=" + std::to_string(depth) +
                             " WINEPREFIX='" + prefix + "' WINEDEBUG=-all \"${VOLKG_WINE:-wine}\" '" + exe +
                             "' --gtest_filter=PaintEffectScreen.ChildOnItsScreen > '" + log + "' 2>&1");
        EXPECT_EQ(status, 0) << ReadFileBytes(log);
        ++ran;
    }
    if (!ran) GTEST_SKIP() << "VOLKG_DISPLAY8 and VOLKG_DISPLAY16 are not set";
}

}  // namespace
