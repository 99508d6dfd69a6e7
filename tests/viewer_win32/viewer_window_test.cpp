// The viewer window under Wine: a host window creates the control, sends
// it messages, reads the real scroll bars back, gets its notifications and
// compares what the control paints with K_PaintDC of the same picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core_win32/gdi_fixture.h"
#include "host.h"
#include "devices/bitmap_window.h"
#include "volkg.h"

namespace {

constexpr int kViewerId = 77;
std::vector<int> g_codes;    // WM_COMMAND codes from the control
std::vector<WPARAM> g_keys;  // keys the control passed on
HBRUSH g_brush = nullptr;    // the host's WM_CTLCOLORSTATIC answer
constexpr COLORREF kHostColor = RGB(10, 200, 30);

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kViewerId) g_codes.push_back(HIWORD(wParam));
            return 0;
        case WM_KEYDOWN:
            g_keys.push_back(wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(g_brush);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Pumps messages until the condition holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition done, DWORD milliseconds = 30000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return true;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A 24-bit picture whose colours change along both axes.
COLORREF Colour(int x, int y) { return RGB((x * 7) & 255, (y * 5) & 255, (x + y) & 255); }

class ViewerWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HINSTANCE self = GetModuleHandleA(nullptr);
        ASSERT_NE(RegisterBitmapWindowClass(self), 0);
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = self;
        wc.lpszClassName = "ViewerTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        RegisterClassA(&wc);
        g_brush = CreateSolidBrush(kHostColor);
        // One host for the suite: Wine takes about two seconds to take a
        // shown top-level window down here.
        host_ = CreateWindowExA(0, "ViewerTestHost", "viewer host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 480, 360,
                                nullptr, nullptr, self, nullptr);
        Pump();
    }
    static void TearDownTestSuite() {
        DestroyWindow(host_);
        host_ = nullptr;
        Pump();
        UnregisterBitmapWindowClass(GetModuleHandleA(nullptr));
        DeleteObject(g_brush);
    }
    void SetUp() override {
        ASSERT_NE(host_, nullptr);
        Pump();
        g_codes.clear();
        g_keys.clear();
    }
    void TearDown() override {
        // Each test's controls go with it.
        while (HWND child = GetWindow(host_, GW_CHILD)) DestroyWindow(child);
        Pump();
    }

    HWND Create(DWORD style, int width, int height, const char* text = "") {
        HWND v = CreateWindowExA(0, K_VIEWER_CLASS, text, WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, host_,
                                 reinterpret_cast<HMENU>(kViewerId), GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(v, nullptr);
        Pump();
        return v;
    }
    // Hands the control a new picture of that size and depth.
    static void Show(HWND v, int width, int height, int bits = 24) {
        Record r;
        MakeRecord(&r, width, height, bits, bits == 24 ? Picture(Colour) : Picture([](int x, int y) {
            return (x + y) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0);
        }));
        ASSERT_EQ(SendMessageA(v, K_VIEWER_ADOPT, 1, reinterpret_cast<LPARAM>(&r.b)), K_OK);
        r.b = BitmapRecord{};  // the control owns it now
        Pump();
    }
    static int Maximum(HWND v, int bar) {
        int low = -1, high = -1;
        GetScrollRange(v, bar, &low, &high);
        return high;
    }

    static BitmapRecord* Shown(HWND v) {
        return reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0));
    }
    // The client area as shown, against K_PaintDC of the control's record
    // (with its paint palette selected, as the control paints) at the
    // destination the control computes from its zoom and scroll positions,
    // or at an explicit one: the number of pixels that differ.
    static int PaintedDifferently(HWND v, int zoom = 100, const RECT* at = nullptr) {
        UpdateWindow(v);
        Pump();
        BitmapRecord* b = Shown(v);
        if (!b) return -1;
        RECT client;
        GetClientRect(v, &client);
        SectionDC shown(client.right, client.bottom, 24), expected(client.right, client.bottom, 24);
        HDC dc = GetDC(v);
        BitBlt(shown.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(v, dc);
        const int dx = GetScrollPos(v, SB_HORZ), dy = GetScrollPos(v, SB_VERT);
        const int w = at ? at->right - at->left : MulDiv(b->Width, zoom, 100),
                  h = at ? at->bottom - at->top : MulDiv(b->Height, zoom, 100);
        RECT destination = at ? *at : RECT{-dx, -dy, w - dx, h - dy};
        HPALETTE palette = K_CreatePaintPalette(expected.dc(), b);
        HPALETTE old = palette ? SelectPalette(expected.dc(), palette, FALSE) : nullptr;
        if (palette) RealizePalette(expected.dc());
        const int painted = K_PaintDC(expected.dc(), b, nullptr, nullptr, &destination, &client, SRCCOPY);
        if (palette) {
            SelectPalette(expected.dc(), old, TRUE);
            DeleteObject(palette);
        }
        if (painted != K_OK) return -1;
        int differing = 0;
        for (int y = 0; y < std::min<int>(client.bottom, h - dy); ++y)
            for (int x = 0; x < std::min<int>(client.right, w - dx); ++x)
                differing += shown.Pixel(x, y) != expected.Pixel(x, y);
        return differing;
    }
    static bool SamePicture(BitmapRecord* a, BitmapRecord* b) {
        if (!a || !b || a->Width != b->Width || a->Height != b->Height || a->BitsPerPixel != b->BitsPerPixel)
            return false;
        for (int y = 0; y < a->Height; ++y)
            for (int x = 0; x < a->Width; ++x)
                if (K_GetPixelColor(a, StorageRow(a, y), x) != K_GetPixelColor(b, StorageRow(b, y), x)) return false;
        return true;
    }

    static HWND host_;
};
HWND ViewerWindow::host_ = nullptr;

// Every operation message on a real control: the same result and picture as
// the export on a copy, refreshed with its notifications in order, and the
// new picture on the screen.
TEST_F(ViewerWindow, EveryOperationMessageAsItsExport) {
    auto lp = [](int lo, int hi) { return static_cast<LPARAM>((lo & 0xFFFF) | (hi & 0xFFFF) << 16); };
    static ViewerShearRecord shear{16, 1500, 1, RGB(1, 2, 3)};
    static ViewerColorResRecord colorRes{16, 4, 2, 0};
    static ViewerColorResExtRecord colorResExt{static_cast<int>(sizeof(ViewerColorResExtRecord)), 8, K_COLORRES_FIXED,
                                               nullptr, 0};
    struct Case {
        const char* name;
        unsigned message;
        LPARAM lParam;
        std::function<int(BitmapRecord*)> direct;
        int bits;
    } const cases[] = {
        {"flip", K_VIEWER_FLIP, 0, K_FlipBitmap, 24},
        {"rotate -90 resized", K_VIEWER_ROTATE, lp(-90, 1), [](BitmapRecord* b) { return K_RotateBitmap(b, -90, 1); },
         24},
        {"intensity -200", K_VIEWER_INTENSITY, lp(-200, 0),
         [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, -200); }, 24},
        {"reverse", K_VIEWER_REVERSE, 0, K_ReverseBitmap, 24},
        {"average 3", K_VIEWER_AVERAGE, 3, [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }, 24},
        {"median 3", K_VIEWER_MEDIAN, 3, [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, 24},
        {"contrast -300", K_VIEWER_CONTRAST, lp(-300, 7),
         [](BitmapRecord* b) { return K_ChangeBitmapContrast(b, -300); }, 24},
        {"hue -45", K_VIEWER_HUE, lp(-45, 0), [](BitmapRecord* b) { return K_ChangeBitmapHue(b, -45); }, 24},
        {"saturation -500", K_VIEWER_SATURATION, lp(-500, 0),
         [](BitmapRecord* b) { return K_ChangeBitmapSaturation(b, -500); }, 24},
        {"grey", K_VIEWER_GRAYSCALE, 0, K_GrayScaleBitmap, 24},
        {"halftone 1", K_VIEWER_HALFTONE, 1, [](BitmapRecord* b) { return K_HalfToneBitmap(b, 1); }, 24},
        {"equalize", K_VIEWER_EQUALIZE, 0, K_HistoEqualizeBitmap, 8},
        {"invert", K_VIEWER_INVERT, 0, K_InvertBitmap, 24},
        {"filter 5", K_VIEWER_SPATIAL, 5, [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 5); }, 24},
        {"mosaic 3", K_VIEWER_MOSAIC, 3, [](BitmapRecord* b) { return K_MosaicBitmap(b, 3); }, 24},
        {"posterize 4", K_VIEWER_POSTERIZE, 4, [](BitmapRecord* b) { return K_PosterizeBitmap(b, 4); }, 24},
        {"size 13 x 4", K_VIEWER_SIZE, lp(13, 4), [](BitmapRecord* b) { return K_SizeBitmap(b, 13, 4); }, 24},
        {"colour resolution 4 bits", K_VIEWER_COLOR_RES, reinterpret_cast<LPARAM>(&colorRes),
         [](BitmapRecord* b) {
             b->DitheringMethod = 2;
             return K_ColorResolution(b, 4, 0, nullptr, nullptr);
         },
         24},
        {"colour resolution fixed", K_VIEWER_COLOR_RES, reinterpret_cast<LPARAM>(&colorResExt),
         [](BitmapRecord* b) { return K_ColorResBitmap(b, b, 8, K_COLORRES_FIXED, nullptr, 0, nullptr, nullptr); }, 24},
        {"sharpen -400", K_VIEWER_SHARPEN, lp(-400, 0), [](BitmapRecord* b) { return K_SharpenBitmap(b, -400); }, 24},
        {"noise", K_VIEWER_NOISE, lp(40, 1), [](BitmapRecord* b) { return K_AddBitmapNoise(b, 40, 1); }, 24},
        {"clear", K_VIEWER_CLEAR, 0, K_ClearBitmap, 24},
        {"fill", K_VIEWER_FILL, 0x00336699, [](BitmapRecord* b) { return K_FillBitmap(b, 0x00336699); }, 24},
        {"gamma 180", K_VIEWER_GAMMA, 180, [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 180); }, 24},
        {"resample 5 x 11", K_VIEWER_RESAMPLE, lp(5, 11), [](BitmapRecord* b) { return K_ResampleBitmap(b, 5, 11); },
         24},
        {"resample -5 refused", K_VIEWER_RESAMPLE, lp(-5, 11),
         [](BitmapRecord* b) { return K_ResampleBitmap(b, -5, 11); }, 24},
        {"shear", K_VIEWER_SHEAR, reinterpret_cast<LPARAM>(&shear),
         [](BitmapRecord* b) { return K_ShearBitmap(b, 1500, 1, RGB(1, 2, 3)); }, 24},
        {"detect 40..200", K_VIEWER_DETECT, lp(40, 200),
         [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 40, 200); }, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND v = Create(WS_HSCROLL | WS_VSCROLL, 90, 70);
        Show(v, 31, 23, c.bits);
        Record expected;
        ASSERT_EQ(K_CopyBitmap(&expected.b, Shown(v)), K_OK);
        const int result = c.direct(&expected.b);
        g_codes.clear();
        EXPECT_EQ(SendMessageA(v, c.message, 1, c.lParam), result);
        if (c.message == K_VIEWER_NOISE) {
            // The generator runs on from call to call: the same kind of change, not the same pixels.
            Record original;
            MakeRecord(&original.b, 31, 23, 24, Picture(Colour));
            int changed = 0;
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 31; ++x) {
                    COLORREF a = PictureColor(&original.b, x, y), b = PictureColor(Shown(v), x, y);
                    changed += a != b;
                    EXPECT_LE(std::abs(int(GetRValue(a)) - int(GetRValue(b))), 20);
                    EXPECT_EQ(GetGValue(a), GetGValue(b)) << "channel 1 only";
                }
            EXPECT_GT(changed, 0);
        } else {
            EXPECT_TRUE(SamePicture(Shown(v), &expected.b));
        }
        EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_PAINTED, K_VIEWER_REFRESHED}));
        EXPECT_EQ(PaintedDifferently(v), 0);
        DestroyWindow(v);
        Pump();
    }
}

// Zoom by message and about a point: the result is the previous zoom, the
// scroll ranges follow the zoomed picture, and the screen shows it zoomed.
TEST_F(ViewerWindow, ZoomAndZoomAboutAPoint) {
    HWND v = Create(WS_HSCROLL | WS_VSCROLL, 100, 80);
    Show(v, 60, 40);
    EXPECT_EQ(Maximum(v, SB_HORZ), 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM, 1, 300), 100);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM, 1, 300), 300);
    RECT client;
    GetClientRect(v, &client);
    EXPECT_EQ(Maximum(v, SB_HORZ), 180 - client.right);
    EXPECT_EQ(Maximum(v, SB_VERT), 120 - client.bottom);
    SendMessageA(v, WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(GetScrollPos(v, SB_HORZ), 180 - client.right);
    EXPECT_EQ(PaintedDifferently(v, 300), 0);
    // The last column of the zoomed picture is on the screen.
    HDC dc = GetDC(v);
    EXPECT_EQ(GetPixel(dc, client.right - 1, 0), Colour(59, 0));
    ReleaseDC(v, dc);

    // About the centre at 200%: the picture's middle stays in the middle.
    ViewerZoomRecord at{0, 200, 1, 0, 0};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM_AT, 1, reinterpret_cast<LPARAM>(&at)), 300);
    GetClientRect(v, &client);
    EXPECT_EQ(Maximum(v, SB_HORZ), 120 - client.right);
    EXPECT_EQ(PaintedDifferently(v, 200), 0);
    ViewerZoomRecord zero{0, 0, 1, 0, 0};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM_AT, 1, reinterpret_cast<LPARAM>(&zero)), K_ERR_ARGUMENT);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM, 1, 0), K_ERR_ARGUMENT);

    // An explicit destination, then zoom again follows the zoom.
    RECT destination{0, 0, 30, 20};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_DESTINATION, 1, reinterpret_cast<LPARAM>(&destination)), K_OK);
    EXPECT_EQ(Maximum(v, SB_HORZ), 0);
    EXPECT_EQ(PaintedDifferently(v, 100, &destination), 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM, 1, 100), 200);
    EXPECT_EQ(PaintedDifferently(v), 0);

    // Fit (style 1 set by message): no ranges, the picture scaled into the client.
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SET_STYLE, 1, K_VIEWER_FIT), 1);
    EXPECT_EQ(Maximum(v, SB_HORZ), 0);
    EXPECT_EQ(Maximum(v, SB_VERT), 0);
}

// A source rectangle limits what is painted; clearing it paints the whole again.
TEST_F(ViewerWindow, SourceRectangleAndMarkChanged) {
    HWND v = Create(0, 80, 60);
    Show(v, 40, 30);
    RECT source{10, 5, 20, 15};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SOURCE, 1, reinterpret_cast<LPARAM>(&source)), 1);
    // A layout change erases the background: only the source's part is
    // painted on it. Its rows count in storage order: the picture is stored
    // bottom-up, so rows 5..14 are the picture's lines 15..24.
    EXPECT_EQ(SendMessageA(v, K_VIEWER_MARK_CHANGED, 1, MAKELPARAM(1, 0)), 1);
    UpdateWindow(v);
    HDC dc = GetDC(v);
    EXPECT_EQ(GetPixel(dc, 10, 15), Colour(10, 15));
    EXPECT_EQ(GetPixel(dc, 19, 24), Colour(19, 24));
    EXPECT_EQ(GetPixel(dc, 12, 8), kHostColor);
    EXPECT_EQ(GetPixel(dc, 20, 24), kHostColor);
    EXPECT_EQ(GetPixel(dc, 15, 25), kHostColor);
    ReleaseDC(v, dc);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SOURCE, 1, 0), 1);
    EXPECT_EQ(PaintedDifferently(v), 0);
    g_codes.clear();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_MARK_CHANGED, 1, MAKELPARAM(1, 1)), 1);
    EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_PAINTED, K_VIEWER_REFRESHED}));
    g_codes.clear();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_MARK_CHANGED, 0, MAKELPARAM(1, 0)), 1);
    EXPECT_TRUE(g_codes.empty()) << "no repaint: the flags wait for the next refresh";
}

// Load and save through the control: ImageMagick reads what it saved, it
// loads what ImageMagick wrote, and a failed load keeps the old picture.
TEST_F(ViewerWindow, LoadAndSaveThroughTheControl) {
    HWND v = Create(WS_HSCROLL | WS_VSCROLL, 60, 50);
    Show(v, 17, 11);
    ViewerSaveRecord save{static_cast<int>(sizeof save), {}, K_FORMAT_BMP, 0, 24};
    const std::string saved = TestTempPath("viewer_saved.bmp");
    lstrcpynA(save.Name, saved.c_str(), sizeof save.Name);
    g_codes.clear();
    ASSERT_EQ(SendMessageA(v, K_VIEWER_SAVE, 1, reinterpret_cast<LPARAM>(&save)), K_OK);
    EXPECT_TRUE(g_codes.empty()) << "a save does not refresh";
    const std::string pixel = TestTempPath("viewer_saved.txt");
    ASSERT_EQ(RunHost(kConvert + " " + saved + " -format '%w %h %[pixel:p{16,10}]' info: > " + pixel), 0);
    const COLORREF last = Colour(16, 10);
    EXPECT_EQ(ReadFileBytes(pixel), "17 11 srgb(" + std::to_string(GetRValue(last)) + "," +
                                        std::to_string(GetGValue(last)) + "," + std::to_string(GetBValue(last)) + ")");
    ViewerSaveRecord wrongSave = save;
    wrongSave.Size = 270;
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SAVE, 1, reinterpret_cast<LPARAM>(&wrongSave)), K_ERR_ARGUMENT);

    const std::string theirs = TestTempPath("viewer_theirs.png");
    ASSERT_EQ(RunHost(kConvert + " -size 70x45 gradient:red-blue PNG24:" + theirs), 0);
    ViewerFileRecord load{static_cast<int>(sizeof load), {}};
    lstrcpynA(load.Name, theirs.c_str(), sizeof load.Name);
    g_codes.clear();
    ASSERT_EQ(SendMessageA(v, K_VIEWER_LOAD, 1, reinterpret_cast<LPARAM>(&load)), K_OK);
    EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_PAINTED, K_VIEWER_REFRESHED}));
    BitmapRecord* b = Shown(v);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width, 70);
    EXPECT_EQ(b->Height, 45);
    RECT client;
    GetClientRect(v, &client);
    EXPECT_EQ(Maximum(v, SB_HORZ), 70 - client.right);
    EXPECT_EQ(PaintedDifferently(v), 0);

    // A file that does not load: its code, and the picture stays shown.
    Record before;
    ASSERT_EQ(K_CopyBitmap(&before.b, b), K_OK);
    const std::string broken = TestTempPath("viewer_broken.png");
    WriteFileBytes(broken, "\x89PNG\r\n\x1a\n broken");
    lstrcpynA(load.Name, broken.c_str(), sizeof load.Name);
    EXPECT_LT(SendMessageA(v, K_VIEWER_LOAD, 1, reinterpret_cast<LPARAM>(&load)), 0);
    ASSERT_NE(Shown(v), nullptr);
    EXPECT_TRUE(SamePicture(Shown(v), &before.b));
    EXPECT_EQ(PaintedDifferently(v), 0);
}

// Printing through the control onto the PDF printer: the job ends with the
// picture on its page; a record of another size prints nothing.
TEST_F(ViewerWindow, PrintsThroughTheControl) {
    char device[81] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    char* driver = std::strchr(device, ',');
    ASSERT_NE(driver, nullptr) << "no default printer (scripts/services start_cups)";
    *driver++ = '\0';
    char* port = std::strchr(driver, ',');
    if (port) *port++ = '\0';
    HDC printer = CreateDCA(driver, device, port, nullptr);
    ASSERT_NE(printer, nullptr);
    const std::string title =
        "volkg-viewer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title.c_str();
    ASSERT_GT(StartDocA(printer, &doc), 0);
    ASSERT_GT(StartPage(printer), 0);

    HWND v = Create(0, 60, 50);
    Show(v, 40, 30);
    ViewerPrintRecord wrong{12, printer, 0, 0, 0, 0, 0};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PRINT, 1, reinterpret_cast<LPARAM>(&wrong)), 0);
    ViewerPrintRecord print{static_cast<int>(sizeof print), printer, 300, 300, 1200, 900, 1};
    g_codes.clear();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PRINT, 1, reinterpret_cast<LPARAM>(&print)),
              reinterpret_cast<LRESULT>(K_PRINT_DONE));
    EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_PAINTED, K_VIEWER_REFRESHED}));

    // The job's PDF, rendered at 75 dpi: the picture's first colour at its
    // place (300 printer dots at 300 dpi: one inch from the corner).
    const std::string pdf = TestTempPath(title + ".pdf");
    ASSERT_EQ(RunHost("for i in $(seq 360); do f=$(ls \"$HOME\"/PDF/" + title +
                      "*.pdf 2>/dev/null | head -1); if [ -n \"$f\" ] && tail -c 64 \"$f\" | grep -q EOF; then sleep "
                      "1; mv \"$f\" '" +
                      pdf + "'; exit 0; fi; sleep 0.5; done; exit 1"),
              0)
        << "no PDF for " << title;
    const std::string ppm = TestTempPath(title);
    ASSERT_EQ(RunHost("pdftoppm -r 75 -singlefile -f 1 -l 1 '" + pdf + "' '" + ppm + "'"), 0);
    const std::string text = TestTempPath(title + ".txt");
    // 75 dpi: the picture spans 300 x 225 pixels from (75, 75); its middle row's colours change along it.
    ASSERT_EQ(RunHost(kConvert + " '" + ppm +
                      ".ppm' -format '%[pixel:p{80,80}] %[pixel:p{60,60}] %[pixel:p{370,295}]' info: > '" + text + "'"),
              0);
    const COLORREF first = Colour(0, 0);
    const std::string expectedFirst = "srgb(" + std::to_string(GetRValue(first)) + "," +
                                      std::to_string(GetGValue(first)) + "," + std::to_string(GetBValue(first)) + ")";
    const std::string seen = ReadFileBytes(text);
    EXPECT_EQ(seen.substr(0, seen.find(' ')), expectedFirst) << seen;
    EXPECT_NE(seen.find(" srgb(255,255,255) "), std::string::npos) << "outside the picture the page is white: " << seen;
    // Near the far corner: the colour of pixel (39, 29), within the PDF's colour rounding.
    const COLORREF lastColour = Colour(39, 29);
    int r = -1, g = -1, bl = -1;
    std::sscanf(seen.c_str() + seen.rfind("srgb("), "srgb(%d,%d,%d)", &r, &g, &bl);
    EXPECT_LE(std::abs(r - GetRValue(lastColour)) + std::abs(g - GetGValue(lastColour)) +
                  std::abs(bl - GetBValue(lastColour)),
              6)
        << seen;
}

TEST_F(ViewerWindow, ScrollRangesReachTheLastColumn) {
    HWND v = Create(WS_HSCROLL, 50, 50);
    Show(v, 100, 100);
    EXPECT_EQ(Maximum(v, SB_HORZ), 50);
    EXPECT_EQ(Maximum(v, SB_VERT), 0);
    EXPECT_TRUE(GetWindowLongA(v, GWL_STYLE) & WS_HSCROLL);
    SendMessageA(v, WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(GetScrollPos(v, SB_HORZ), 50);
    // At half size the picture fits: no range, no bar.
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ZOOM, 1, 50), 100);
    EXPECT_EQ(Maximum(v, SB_HORZ), 0);
    EXPECT_FALSE(GetWindowLongA(v, GWL_STYLE) & WS_HSCROLL);
}

TEST_F(ViewerWindow, PagesAndKeys) {
    HWND v = Create(WS_VSCROLL, 30 + GetSystemMetrics(SM_CXVSCROLL), 30);
    Show(v, 30, 100);
    ASSERT_EQ(Maximum(v, SB_VERT), 70);
    g_codes.clear();
    SendMessageA(v, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 27);
    EXPECT_NE(std::find(g_codes.begin(), g_codes.end(), K_VIEWER_SCROLLED), g_codes.end());
    SendMessageA(v, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 70);
    SendMessageA(v, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 67);
    EXPECT_EQ(g_keys, (std::vector<WPARAM>{VK_END, VK_UP}));
    EXPECT_EQ(SendMessageA(v, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

// A thumb beyond 65535 comes from the bar's 32-bit position.
TEST_F(ViewerWindow, ThumbBeyondSixteenBits) {
    HWND v = Create(WS_HSCROLL, 200, 50);
    Show(v, 100000, 1, 8);
    ASSERT_EQ(Maximum(v, SB_HORZ), 100000 - 200);
    SetScrollPos(v, SB_HORZ, 70000, FALSE);  // where a drag leaves the thumb
    SendMessageA(v, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 70000 & 0xFFFF), 0);
    SendMessageA(v, WM_HSCROLL, SB_LINEDOWN, 0);  // step 20 from where the control is
    EXPECT_EQ(GetScrollPos(v, SB_HORZ), 70020);
}

TEST_F(ViewerWindow, InformationAndAddress) {
    HWND v = Create(0, 40, 40);
    Show(v, 9, 7);
    ViewerInfoRecord info{};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_INFO, sizeof info, reinterpret_cast<LPARAM>(&info)), K_OK);
    EXPECT_EQ(info.Size, 16);
    EXPECT_EQ(info.Width, 9);
    EXPECT_EQ(info.Height, 7);
    EXPECT_EQ(info.BitsPerPixel, 24);
    int two[3] = {0, 0, -5};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_INFO, 8, reinterpret_cast<LPARAM>(two)), K_OK);
    EXPECT_EQ(two[1], 9);
    EXPECT_EQ(two[2], -5);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_INFO, 17, reinterpret_cast<LPARAM>(&info)), K_ERR_ARGUMENT);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_INFO, 16, 0), K_ERR_ARGUMENT);

    LRESULT address = SendMessageA(v, K_VIEWER_BITMAP, 0, 0);
    ASSERT_NE(address, 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_REVERSE, 1, 0), K_OK);
    Show(v, 5, 5);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_BITMAP, 0, 0), address);
    EXPECT_EQ(reinterpret_cast<BitmapRecord*>(address)->Width, 5);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_FREE, 1, 0), K_OK);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_BITMAP, 0, 0), 0);
}

TEST_F(ViewerWindow, NotificationsInOrder) {
    HWND v = Create(0, 40, 40);
    Show(v, 9, 7);
    g_codes.clear();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_FLIP, 1, 0), K_OK);
    EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_REFRESHING, K_VIEWER_PAINTED, K_VIEWER_REFRESHED}));
    g_codes.clear();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_FLIP, 0, 0), K_OK);
    EXPECT_TRUE(g_codes.empty());
    SendMessageA(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(v, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    SetFocus(v);
    SetFocus(host_);
    Pump();
    EXPECT_EQ(g_codes, (std::vector<int>{K_VIEWER_CLICK, K_VIEWER_DBLCLICK, K_VIEWER_FOCUS, K_VIEWER_KILLFOCUS}));

    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    SendMessageA(v, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(v, WM_GETFONT, 0, 0)), font);
}

// What the control shows is what K_PaintDC paints at its destination.
TEST_F(ViewerWindow, PaintMatchesPaintDC) {
    HWND v = Create(WS_HSCROLL | WS_VSCROLL, 80, 60);
    Show(v, 120, 90);
    SendMessageA(v, WM_HSCROLL, SB_PAGEDOWN, 0);
    SendMessageA(v, WM_VSCROLL, SB_LINEDOWN, 0);
    UpdateWindow(v);
    Pump();
    int dx = GetScrollPos(v, SB_HORZ), dy = GetScrollPos(v, SB_VERT);
    ASSERT_GT(dx, 0);
    ASSERT_GT(dy, 0);
    RECT client;
    GetClientRect(v, &client);
    SectionDC shown(client.right, client.bottom, 24), expected(client.right, client.bottom, 24);
    HDC dc = GetDC(v);
    BitBlt(shown.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(v, dc);
    BitmapRecord* b = reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0));
    ASSERT_NE(b, nullptr);
    RECT destination{-dx, -dy, 120 - dx, 90 - dy};
    ASSERT_EQ(K_PaintDC(expected.dc(), b, nullptr, nullptr, &destination, &client, SRCCOPY), K_OK);
    int differing = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) differing += shown.Pixel(x, y) != expected.Pixel(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(shown.Pixel(0, 0), Colour(dx, dy));
}

TEST_F(ViewerWindow, BackgroundIsTheParentsBrush) {
    HWND v = Create(0, 30, 30);
    InvalidateRect(v, nullptr, TRUE);
    UpdateWindow(v);
    HDC dc = GetDC(v);
    EXPECT_EQ(GetPixel(dc, 15, 15), kHostColor);
    ReleaseDC(v, dc);
}

TEST_F(ViewerWindow, WindowTextLoadsBeforeCreationReturns) {
    std::string path = TestTempPath("viewer_window.bmp");
    ASSERT_EQ(RunHost(kConvert + " -size 6x4 xc:red BMP3:" + path), 0);
    HWND v = Create(0, 40, 40, path.c_str());
    ViewerInfoRecord info{};
    SendMessageA(v, K_VIEWER_INFO, sizeof info, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.Width, 6);
    EXPECT_EQ(info.Height, 4);
    // A file that does not load keeps the picture.
    SetWindowTextA(v, (path + ".missing").c_str());
    SendMessageA(v, K_VIEWER_INFO, sizeof info, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.Width, 6);
    ViewerFileRecord bad{100, {}};
    EXPECT_EQ(SendMessageA(v, K_VIEWER_LOAD, 1, reinterpret_cast<LPARAM>(&bad)), K_ERR_ARGUMENT);
}

TEST_F(ViewerWindow, ClipboardRoundTrip) {
    HWND v = Create(0, 40, 40);
    Show(v, 9, 7);
    Record before;
    ASSERT_EQ(K_CopyBitmap(&before, reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0))), K_OK);
    ASSERT_EQ(SendMessageA(v, K_VIEWER_COPY, 1, 0), 1);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_FREE, 1, 0), K_OK);
    ASSERT_EQ(SendMessageA(v, K_VIEWER_PASTE, 1, 0), 1);
    BitmapRecord* shown = reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0));
    ASSERT_NE(shown, nullptr);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(K_GetPixelColor(shown, StorageRow(shown, y), x),
                      K_GetPixelColor(&before, StorageRow(&before, y), x));
    // An empty clipboard pastes nothing and leaves the picture.
    ASSERT_TRUE(OpenClipboard(v));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PASTE, 1, 0), 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_BITMAP, 0, 0), reinterpret_cast<LRESULT>(shown));
    EXPECT_EQ(shown->Width, 9);
}

// What the control copies, another X program reads from the clipboard (xclip
// as image/bmp, read by ImageMagick); a copy of a caller's picture leaves the
// caller's record as it was; the unlisted messages change nothing.
TEST_F(ViewerWindow, ClipboardSeenByXAndCopiesOfPictures) {
    ASSERT_TRUE(HostHasTool("xclip"));
    HWND v = Create(0, 40, 40);
    Show(v, 9, 7);
    ASSERT_EQ(SendMessageA(v, K_VIEWER_COPY, 1, 0), 1);
    const std::string bmp = TestTempPath("viewer-clipboard.bmp"), text = bmp + ".txt";
    ASSERT_EQ(RunHost("timeout 20 xclip -o -selection clipboard -t image/bmp > '" + bmp + "'"), 0);
    ASSERT_EQ(
        RunHost(kConvert + " '" + bmp + "' -format '%w %h %[pixel:p{0,0}] %[pixel:p{8,6}]' info: > '" + text + "'"), 0);
    auto srgb = [](COLORREF c) {
        return "srgb(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
               std::to_string(GetBValue(c)) + ")";
    };
    EXPECT_EQ(ReadFileBytes(text), "9 7 " + srgb(Colour(0, 0)) + " " + srgb(Colour(8, 6)));

    Record caller;
    MakeRecord(&caller.b, 5, 4, 24, [](int x, int y) { return RGB(x * 50, y * 60, 200); });
    Record before;
    ASSERT_EQ(K_CopyBitmap(&before.b, &caller.b), K_OK);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SET_COPY, 1, reinterpret_cast<LPARAM>(&caller.b)), K_OK);
    EXPECT_TRUE(SamePicture(Shown(v), &caller.b));
    EXPECT_NE(Shown(v)->StorageHandle, caller.b.StorageHandle) << "a copy, not the caller's storage";
    EXPECT_TRUE(SamePicture(&caller.b, &before.b));
    EXPECT_EQ(PaintedDifferently(v), 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_SET_COPY, 1, 0), 0);
    EXPECT_TRUE(SamePicture(Shown(v), &before.b));
    for (int n : {44, 45, 46, 48}) {
        EXPECT_EQ(SendMessageA(v, K_VIEWER_MESSAGE(n), 1, 0), 0) << n;
        EXPECT_TRUE(SamePicture(Shown(v), &before.b)) << n;
    }
}

TEST_F(ViewerWindow, SizeToPictureAndPalette) {
    HWND v = Create(K_VIEWER_SIZE_TO_PICTURE, 20, 20);
    Show(v, 70, 30, 8);
    RECT client;
    GetClientRect(v, &client);
    EXPECT_EQ(client.right, 70);
    EXPECT_EQ(client.bottom, 30);
    BitmapRecord* b = reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0));
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PALETTE, 0, 0), reinterpret_cast<LRESULT>(b->PaletteHandle));
}

// Real input through X: a key pages down, a click on the bar's lower arrow
// steps one line.
TEST_F(ViewerWindow, RealKeysAndMouseScroll) {
    ASSERT_TRUE(HostHasTool("xdotool"));
    HWND v = Create(WS_VSCROLL, 120, 80);
    Show(v, 100, 400);
    // View 80 high: step 8, page 72.
    ASSERT_EQ(Maximum(v, SB_VERT), 320);
    SetForegroundWindow(host_);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == host_; })) << "the host is not in front";
    SetFocus(v);
    ASSERT_EQ(GetFocus(), v);
    g_keys.clear();
    // Without a window manager X's keyboard focus follows the pointer
    // (PointerRoot): the key reaches Wine only with the pointer on its window.
    RECT w;
    GetWindowRect(v, &w);
    ASSERT_EQ(RunHost("xdotool mousemove " + std::to_string((w.left + w.right) / 2) + " " +
                      std::to_string((w.top + w.bottom) / 2) + " key Next"),
              0);
    ASSERT_TRUE(PumpUntil([&] { return GetScrollPos(v, SB_VERT) != 0; })) << "the key never arrived";
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 72);
    EXPECT_TRUE(PumpUntil([&] { return !g_keys.empty(); }));
    EXPECT_EQ(g_keys.front(), WPARAM(VK_NEXT));

    int x = w.right - GetSystemMetrics(SM_CXVSCROLL) / 2, y = w.bottom - GetSystemMetrics(SM_CYVSCROLL) / 2;
    ASSERT_EQ(RunHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1 mouseup 1"),
              0);
    ASSERT_TRUE(PumpUntil([&] { return GetScrollPos(v, SB_VERT) != 72; })) << "the click never arrived";
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 80);
    ASSERT_EQ(RunHost("xdotool mousemove 1200 1000"), 0);
}

// On the 8-bit palette screen (in a child on VOLKG_DISPLAY8): the control
// shows a picture of colours outside the system palette exactly as
// K_PaintDC paints it on the same window with the paint palette realised
// (as a program's own window paints), and gives out the picture's palette.
TEST_F(ViewerWindow, PaletteRealisedOnThePaletteScreen) {
    const char* depth = std::getenv("VOLKG_SCREEN_DEPTH");
    if (!depth) {
        const char* display = std::getenv("VOLKG_DISPLAY8");
        ASSERT_TRUE(display && *display) << "VOLKG_DISPLAY8 names the 8-bit screen (scripts/services start_extra_xvfb)";
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string prefix = TestTempPath("");
        prefix = prefix.substr(0, prefix.rfind("/test-tmp")) + "/wineprefix";
        const std::string log = TestTempPath("viewer-palette-screen.log");
        const int status =
            RunHost("DISPLAY=" + std::string(display) + " VOLKG_SCREEN_DEPTH=8 WINEPREFIX='" + prefix +
                    "' WINEDEBUG=-all \"${VOLKG_WINE:-wine}\" '" + exe +
                    "' --gtest_filter=ViewerWindow.PaletteRealisedOnThePaletteScreen > '" + log + "' 2>&1");
        EXPECT_EQ(status, 0) << ReadFileBytes(log);
        return;
    }
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL), raster = GetDeviceCaps(screen, RASTERCAPS);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(bits, 8);
    ASSERT_TRUE(raster & RC_PALETTE);
    RGBQUAD colours[48];
    for (int i = 0; i < 48; ++i) colours[i] = RGBQUAD{BYTE(255 - i * 5), BYTE(i * 5 + 3), BYTE((i * 37 + 11) & 255), 0};
    auto colour = [&](int x, int y) {
        const RGBQUAD& q = colours[(x / 3 + (y / 3) * 8) % 48];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    };
    HWND v = Create(0, 60, 50);
    Record r;
    MakeRecord(&r.b, 24, 18, 8, colour, K_ORDER_BGR, K_BOTTOM_UP, colours, 48);
    ASSERT_EQ(SendMessageA(v, K_VIEWER_ADOPT, 1, reinterpret_cast<LPARAM>(&r.b)), K_OK);
    r.b = BitmapRecord{};
    SetForegroundWindow(host_);
    Pump();
    BitmapRecord* b = Shown(v);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PALETTE, 0, 0), reinterpret_cast<LRESULT>(b->PaletteHandle));
    SendMessageA(v, WM_QUERYNEWPALETTE, 0, 0);
    InvalidateRect(v, nullptr, TRUE);
    UpdateWindow(v);
    Pump();
    auto capture = [&](SectionDC& into) {
        HDC dc = GetDC(v);
        BitBlt(into.dc(), 0, 0, 24, 18, dc, 0, 0, SRCCOPY);
        ReleaseDC(v, dc);
    };
    SectionDC shown(24, 18, 24), painted(24, 18, 24);
    capture(shown);
    {
        HDC dc = GetDC(v);
        HPALETTE palette = K_CreatePaintPalette(dc, b);
        ASSERT_NE(palette, nullptr);
        HPALETTE old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
        PatBlt(dc, 0, 0, 24, 18, BLACKNESS);
        RECT destination{0, 0, 24, 18};
        EXPECT_EQ(K_PaintDC(dc, b, nullptr, nullptr, &destination, nullptr, SRCCOPY), K_OK);
        SelectPalette(dc, old, FALSE);
        ReleaseDC(v, dc);
        DeleteObject(palette);
    }
    GdiFlush();
    capture(painted);
    int differing = 0;
    std::vector<COLORREF> seen;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) {
            if (shown.Pixel(x, y) != painted.Pixel(x, y) && differing++ < 3)
                ADD_FAILURE() << x << "," << y << ": " << std::hex << shown.Pixel(x, y) << " for "
                              << painted.Pixel(x, y);
            if (std::find(seen.begin(), seen.end(), shown.Pixel(x, y)) == seen.end()) seen.push_back(shown.Pixel(x, y));
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(seen.size(), 4u) << "a picture, not a plain area";
}

// A top-level control without WS_POPUP ends the message loop when it goes.
TEST_F(ViewerWindow, DestroyingTopLevelControlQuits) {
    Pump();
    for (DWORD style : {DWORD(WS_OVERLAPPED), DWORD(WS_POPUP)}) {
        HWND v = CreateWindowExA(0, K_VIEWER_CLASS, "", style, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(v, nullptr);
        DestroyWindow(v);
        MSG msg;
        bool quit = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        EXPECT_EQ(quit, style != WS_POPUP) << std::hex << style;
    }
}

}  // namespace
