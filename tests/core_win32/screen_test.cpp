// Painting on real screens and reading them back: a window on the 24-bit
// screen compared with K_ScreenCaptureBitmap and with "xwd -root", and the
// same paint on an 8-bit palette screen and a 16-bit one, each run in a
// child process of this program started on that display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/display_mode.h"
#include "gdi_fixture.h"
#include "host.h"

namespace {

COLORREF Primaries(int x, int y) { return Primary(x / 4 + 3 * (y / 4)); }

constexpr int kLeft = 40, kTop = 30, kWidth = 64, kHeight = 48;

LRESULT CALLBACK PictureWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        auto* record = reinterpret_cast<BitmapRecord*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (record) {
            // As the program's picture class paints: the paint palette first.
            HPALETTE palette = K_CreatePaintPalette(dc, record);
            HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
            if (palette) RealizePalette(dc);
            RECT dest;  // the whole window: records of half the size are magnified
            GetClientRect(hwnd, &dest);
            K_PaintDC(dc, record, nullptr, nullptr, &dest, &ps.rcPaint, SRCCOPY);
            if (palette) {
                SelectPalette(dc, old, FALSE);
                DeleteObject(palette);
            }
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A popup window showing a record, taken down at the end of the scope.
class PictureWindow {
public:
    explicit PictureWindow(BitmapRecord* record) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PictureWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VolkgPictureTest";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(WS_EX_TOPMOST, "VolkgPictureTest", "picture", WS_POPUP | WS_VISIBLE, kLeft, kTop,
                                kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
        Show(record);
    }
    // Shows another record of the same size.
    void Show(BitmapRecord* record) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        InvalidateRect(hwnd_, nullptr, TRUE);
        Settle();
    }
    // Paints the window empty at once, without waiting for the X server:
    // the next Show paints over it through the same connection, so a paint
    // that fails shows the empty window, not the picture before.
    void Clear() {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        UpdateWindow(hwnd_);
        GdiFlush();
    }
    ~PictureWindow() {
        DestroyWindow(hwnd_);
        Settle();
    }
    HWND hwnd() const { return hwnd_; }
    // Lets the window reach the X server.
    static void Settle() {
        for (int i = 0; i < 20; ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            GdiFlush();
            Sleep(25);
        }
    }

private:
    HWND hwnd_ = nullptr;
};

// Captures the window's rectangle of the screen into a record.
void Capture(BitmapRecord* out) {
    HDC screen = GetDC(nullptr);
    RECT rect{kLeft, kTop, kLeft + kWidth, kTop + kHeight};
    ASSERT_EQ(K_ScreenCaptureBitmap(screen, out, &rect), K_OK);
    ReleaseDC(nullptr, screen);
}

void ExpectPicture(BitmapRecord* captured) {
    ASSERT_EQ(captured->Width, kWidth);
    ASSERT_EQ(captured->Height, kHeight);
    K_AccessBitmap(captured);  // once, not per pixel
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(ColorText(PictureColor(captured, x, y)), ColorText(Primaries(x, y))) << x << "," << y;
    K_ReleaseBitmap(captured);
}

TEST(Screen, PaintedWindowIsWhatCaptureAndXwdSee) {
    Record picture;
    MakeRecord(&picture, kWidth, kHeight, 24, Primaries, K_ORDER_RGB, K_TOP_DOWN);
    PictureWindow window(&picture);
    Record captured;
    Capture(&captured);
    ExpectPicture(&captured);

    // The X server's own view of the screen, kept as a screenshot.
    std::string xwd = TestTempPath("screen.xwd"), shot = TestTempPath("painted-window.png"),
                crop = TestTempPath("window.ppm");
    ASSERT_EQ(RunHost("xwd -root -silent -display \"${DISPLAY:-:91}\" > '" + xwd +
                      "' && /usr/bin/convert-im6.q16 'xwd:" + xwd + "' '" + shot + "' && /usr/bin/convert-im6.q16 '" +
                      shot + "' -crop " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + "+" +
                      std::to_string(kLeft) + "+" + std::to_string(kTop) + " +repage -depth 8 '" + crop + "'"),
              0);
    int w = 0, h = 0;
    std::vector<COLORREF> seen = ReadPpm(ReadFileBytes(crop), &w, &h);
    ASSERT_EQ(w, kWidth);
    ASSERT_EQ(h, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(ColorText(seen[y * kWidth + x]), ColorText(PictureColor(&captured, x, y))) << x << "," << y;
}

TEST(Screen, CaptureRefusesEmptyRectangles) {
    Record r;
    HDC screen = GetDC(nullptr);
    RECT empty{10, 10, 10, 20};
    EXPECT_EQ(K_ScreenCaptureBitmap(screen, &r, &empty), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ScreenCaptureBitmap(screen, &r, nullptr), K_ERR_ARGUMENT);
    EXPECT_EQ(K_ScreenCaptureBitmap(screen, nullptr, &empty), K_ERR_ARGUMENT);
    EXPECT_FALSE(r.b.Flags & K_ALLOCATED);
    ReleaseDC(nullptr, screen);
}

// Runs in a child on the display of another depth (VOLKG_SCREEN_DEPTH set).
TEST(OtherScreen, PaintsThroughTheDevicesDepth) {
    const char* depth = std::getenv("VOLKG_SCREEN_DEPTH");
    if (!depth) GTEST_SKIP() << "runs in a child on another screen";
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(bits, std::atoi(depth));
    EXPECT_EQ(palette, bits == 8);

    // Each depth of record, with the default display mode: on the palette
    // screen every record is converted to the 3-3-2 palette by dithering.
    // One window for all of them: taking a window down is slow here.
    std::unique_ptr<PictureWindow> window;
    for (int recordBits : {24, 16, 32, 8, 4}) {
        SCOPED_TRACE(std::to_string(recordBits) + "-bit record");
        for (int ordered : {0, 1}) {
            K_EnableOrderedDither(ordered);
            // The ordered cases paint a half-size record magnified twice.
            Record picture;
            if (ordered)
                MakeRecord(
                    &picture, kWidth / 2, kHeight / 2, recordBits, [](int x, int y) { return Primaries(2 * x, 2 * y); },
                    K_ORDER_RGB, K_TOP_DOWN);
            else
                MakeRecord(&picture, kWidth, kHeight, recordBits, Primaries, K_ORDER_RGB, K_BOTTOM_UP);
            if (!window)
                window = std::make_unique<PictureWindow>(&picture);
            else
                window->Show(&picture);
            Record captured;
            Capture(&captured);
            window->Clear();
            ExpectPicture(&captured);
        }
    }
}

// Starts this program on the extra screens that scripts/test provides.
TEST(OtherScreen, PaletteAndHighColourScreens) {
    if (std::getenv("VOLKG_SCREEN_DEPTH")) GTEST_SKIP() << "the child itself";
    struct Screen {
        const char* variable;
        int depth;
    };
    const Screen screens[] = {{"VOLKG_DISPLAY8", 8}, {"VOLKG_DISPLAY16", 16}};
    int ran = 0;
    for (const Screen& s : screens) {
        const char* display = std::getenv(s.variable);
        if (!display || !*display) continue;
        SCOPED_TRACE(std::string(s.variable) + "=" + display);
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string prefix = TestTempPath("");
        prefix = prefix.substr(0, prefix.rfind("/test-tmp")) + "/wineprefix";
        std::string log = TestTempPath("screen-" + std::to_string(s.depth) + ".log");
        // The flavour's own loader: plain wine may be the 32-bit one.
        int status = RunHost("DISPLAY=" + std::string(display) + " VOLKG_SCREEN_DEPTH=" + std::to_string(s.depth) +
                             " WINEPREFIX='" + prefix + "' WINEDEBUG=-all \"${VOLKG_WINE:-wine}\" '" + exe +
                             "' --gtest_filter=OtherScreen.PaintsThroughTheDevicesDepth > '" + log + "' 2>&1");
        EXPECT_EQ(status, 0) << ReadFileBytes(log);
        ++ran;
    }
    if (!ran) GTEST_SKIP() << "VOLKG_DISPLAY8 and VOLKG_DISPLAY16 are not set";
}

}  // namespace
