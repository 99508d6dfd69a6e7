// The viewer window under Wine: a host window creates the control, sends
// it messages, reads the real scroll bars back, gets its notifications and
// compares what the control paints with K_PaintDC of the same picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core_win32/gdi_fixture.h"
#include "host.h"
#include "devices/bitmap_window.h"
#include "volkg.h"

namespace {

constexpr int kViewerId = 77;
std::vector<int> g_codes;         // WM_COMMAND codes from the control
std::vector<WPARAM> g_keys;       // keys the control passed on
HBRUSH g_brush = nullptr;         // the host's WM_CTLCOLORSTATIC answer
constexpr COLORREF kHostColor = RGB(10, 200, 30);

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kViewerId) g_codes.push_back(HIWORD(wParam));
            return 0;
        case WM_KEYDOWN: g_keys.push_back(wParam); return 0;
        case WM_CTLCOLORSTATIC: return reinterpret_cast<LRESULT>(g_brush);
        default: return DefWindowProcA(window, message, wParam, lParam);
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

    static HWND host_;
};
HWND ViewerWindow::host_ = nullptr;

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
            ASSERT_EQ(K_GetPixelColor(shown, StorageRow(shown, y), x), K_GetPixelColor(&before, StorageRow(&before, y), x));
    // An empty clipboard pastes nothing and leaves the picture.
    ASSERT_TRUE(OpenClipboard(v));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(SendMessageA(v, K_VIEWER_PASTE, 1, 0), 0);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_BITMAP, 0, 0), reinterpret_cast<LRESULT>(shown));
    EXPECT_EQ(shown->Width, 9);
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
    ASSERT_EQ(RunHost("xdotool mousemove " + std::to_string((w.left + w.right) / 2) + " " + std::to_string((w.top + w.bottom) / 2) +
                      " key Next"),
              0);
    ASSERT_TRUE(PumpUntil([&] { return GetScrollPos(v, SB_VERT) != 0; })) << "the key never arrived";
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 72);
    EXPECT_TRUE(PumpUntil([&] { return !g_keys.empty(); }));
    EXPECT_EQ(g_keys.front(), WPARAM(VK_NEXT));

    int x = w.right - GetSystemMetrics(SM_CXVSCROLL) / 2, y = w.bottom - GetSystemMetrics(SM_CYVSCROLL) / 2;
    ASSERT_EQ(RunHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1 mouseup 1"), 0);
    ASSERT_TRUE(PumpUntil([&] { return GetScrollPos(v, SB_VERT) != 72; })) << "the click never arrived";
    EXPECT_EQ(GetScrollPos(v, SB_VERT), 80);
    ASSERT_EQ(RunHost("xdotool mousemove 1200 1000"), 0);
}

// A top-level control without WS_POPUP ends the message loop when it goes.
TEST_F(ViewerWindow, DestroyingTopLevelControlQuits) {
    Pump();
    for (DWORD style : {DWORD(WS_OVERLAPPED), DWORD(WS_POPUP)}) {
        HWND v = CreateWindowExA(0, K_VIEWER_CLASS, "", style, 0, 0, 50, 50, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
        ASSERT_NE(v, nullptr);
        DestroyWindow(v);
        MSG msg;
        bool quit = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        EXPECT_EQ(quit, style != WS_POPUP) << std::hex << style;
    }
}

}  // namespace
