// The window class "VIVADARERU": BitmapWindowProc adapts a real window,
// its scroll bars, painting, palettes, clipboard, TWAIN and printing to the
// portable Viewer.
#include <new>

#include "devices/bitmap_window.h"
#include "devices/viewer.h"
#include "volkg.h"

const char kBitmapWindowClass[] = K_VIEWER_CLASS;

static_assert(viewer::kStyleHScroll == WS_HSCROLL && viewer::kStyleVScroll == WS_VSCROLL, "style bits");
static_assert(viewer::kStyleCaption == WS_CAPTION && viewer::kStylePopup == WS_POPUP, "style bits");
static_assert(viewer::kLineUp == SB_LINEUP && viewer::kThumbTrack == SB_THUMBTRACK && viewer::kBottom == SB_BOTTOM,
              "scroll requests");
static_assert(viewer::kKeyPageUp == VK_PRIOR && viewer::kKeyDown == VK_DOWN && viewer::kKeyLeft == VK_LEFT, "keys");

namespace {

class WindowHost : public ViewerHost {
public:
    explicit WindowHost(HWND window) : window_(window) {}

    HWND topLevel = nullptr;
    bool mdiChild = false;
    bool backgroundPalette = false;

    unsigned Style() override { return static_cast<unsigned>(GetWindowLongA(window_, GWL_STYLE)); }
    void SetStyle(unsigned style) override { SetWindowLongA(window_, GWL_STYLE, static_cast<LONG>(style)); }
    void ClientSize(int* width, int* height) override {
        RECT r{};
        GetClientRect(window_, &r);
        *width = r.right;
        *height = r.bottom;
    }
    int VerticalBarWidth() override { return GetSystemMetrics(SM_CXVSCROLL); }
    int HorizontalBarHeight() override { return GetSystemMetrics(SM_CYHSCROLL); }
    bool Iconic() override { return IsIconic(window_) != 0; }
    bool Maximized() override { return IsZoomed(window_) != 0; }
    void SizeClientTo(int width, int height) override {
        DWORD style = static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE));
        RECT r{0, 0, width, height};
        AdjustWindowRectEx(&r, style, FALSE, static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)));
        if (style & WS_VSCROLL) r.right += GetSystemMetrics(SM_CXVSCROLL);
        if (style & WS_HSCROLL) r.bottom += GetSystemMetrics(SM_CYHSCROLL);
        SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void SetScrollRange(bool vertical, int maximum) override {
        ::SetScrollRange(window_, vertical ? SB_VERT : SB_HORZ, 0, maximum, FALSE);
    }
    void SetScrollPosition(bool vertical, int position) override {
        ::SetScrollPos(window_, vertical ? SB_VERT : SB_HORZ, position, TRUE);
    }
    // The message carries 16 bits of the thumb; the bar knows all 32.
    int ThumbPosition(bool vertical, int thumb16) override {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (!GetScrollInfo(window_, vertical ? SB_VERT : SB_HORZ, &info)) return thumb16;
        return viewer::WidenThumb(thumb16, info.nTrackPos);
    }
    void ScrollContent(int dx, int dy) override { ScrollWindow(window_, dx, dy, nullptr, nullptr); }
    void Invalidate(bool erase) override { InvalidateRect(window_, nullptr, erase); }
    void Update() override { UpdateWindow(window_); }
    void Notify(int code) override {
        HWND parent = GetParent(window_);
        if (!parent) return;
        WPARAM id = static_cast<WORD>(GetDlgCtrlID(window_));
        SendMessageA(parent, WM_COMMAND, (static_cast<WPARAM>(code) << 16) | id, reinterpret_cast<LPARAM>(window_));
    }
    HPALETTE CreatePaintPalette(BitmapRecord* bitmap) override {
        HDC dc = GetDC(window_);
        HPALETTE palette = K_CreatePaintPalette(dc, bitmap);
        ReleaseDC(window_, dc);
        return palette;
    }
    void DeletePalette(HPALETTE palette) override { DeleteObject(palette); }
    void QueryNewPalette() override { SendMessageA(window_, WM_QUERYNEWPALETTE, 0, 0); }
    int CopyToClipboard(BitmapRecord* bitmap) override { return K_CopyToClipboard(window_, bitmap); }
    int PasteFromClipboard(BitmapRecord* bitmap) override { return K_CopyFromClipboard(window_, bitmap); }
    int TwainSelect() override { return K_TwainSelect(window_); }
    int TwainAcquire(BitmapRecord* bitmap) override { return K_TwainAcquire(window_, bitmap); }
    HDC Print(HDC printer, BitmapRecord* bitmap, int x, int y, int width, int height, int option) override {
        return K_PrintBitmapExt(printer, bitmap, x, y, width, height, option);
    }

private:
    HWND window_;
};

// The window's data: fixed in memory for the window's life, so that the
// record's address can be handed out.
struct WindowData {
    WindowData(HWND window, unsigned style) : host(window), viewer(host, style) {}
    WindowHost host;
    Viewer viewer;
    HFONT font = nullptr;
};

WindowData* DataOf(HWND window) { return reinterpret_cast<WindowData*>(GetWindowLongPtrA(window, 0)); }

LRESULT DefaultProcedure(HWND window, WindowData* data, UINT message, WPARAM wParam, LPARAM lParam) {
    if (data && data->host.mdiChild) return DefMDIChildProcA(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CaptionStyle(unsigned style) { return (style & WS_CAPTION) == WS_CAPTION; }

// The window text names a file to load unless the window has a caption.
void LoadWindowText(HWND window, WindowData* data) {
    if (CaptionStyle(data->viewer.State().style)) return;
    char text[261] = {};
    if (GetWindowTextA(window, text, 261) > 0) data->viewer.LoadFile(text, true);
}

// Selects and realises the paint palette on the window's or the top-level
// window's device context; 1 when entries changed.
LRESULT RealizeOn(HWND window, WindowData* data, HWND target, bool background) {
    HPALETTE palette = data->viewer.State().paintPalette;
    HDC dc = GetDC(target);
    HPALETTE old = SelectPalette(dc, palette, background);
    UINT changed = RealizePalette(dc);
    SelectPalette(dc, old, TRUE);
    ReleaseDC(target, dc);
    if (changed) InvalidateRect(window, nullptr, FALSE);
    return changed ? 1 : 0;
}

void Paint(HWND window, WindowData* data) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    Viewer& v = data->viewer;
    if (v.HasPicture()) {
        const ViewerState& s = v.State();
        HPALETTE old = nullptr;
        if (s.paintPalette) {
            old = SelectPalette(dc, s.paintPalette, data->host.mdiChild || data->host.backgroundPalette);
            RealizePalette(dc);
        }
        K_PaintDC(dc, v.Bitmap(), nullptr, s.sourceSet ? &s.source : nullptr, &s.destination, &ps.rcPaint, SRCCOPY);
        if (old) SelectPalette(dc, old, TRUE);
    }
    EndPaint(window, &ps);
    data->host.Notify(K_VIEWER_PAINTED);
}

LRESULT EraseBackground(HWND window, WindowData* data, HDC dc) {
    const ViewerState& s = data->viewer.State();
    if (s.scrolling && !s.sourceSet) return 1;  // ScrollWindow left the rest in place
    HWND parent = GetParent(window);
    HBRUSH brush = parent
                       ? reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(window)))
                       : reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    if (!brush) return 0;
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, brush);
    return 1;
}

}  // namespace

ATOM RegisterBitmapWindowClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = BitmapWindowProc;
    wc.cbWndExtra = sizeof(void*);  // the window's data
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kBitmapWindowClass;
    return RegisterClassA(&wc);
}

BOOL UnregisterBitmapWindowClass(HINSTANCE instance) { return UnregisterClassA(kBitmapWindowClass, instance); }

LRESULT CALLBACK BitmapWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        CREATESTRUCTA* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        unsigned style = static_cast<unsigned>(create->style);
        WindowData* data = new (std::nothrow) WindowData(window, style);
        if (!data) return 0;
        data->host.mdiChild = (style & K_VIEWER_MDI_CHILD) != 0;
        data->host.backgroundPalette = (style & K_VIEWER_BACKGROUND_PALETTE) != 0;
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(data));
        // The control shows and hides its bars itself: none until the picture
        // needs one (the default processing would give them a range).
        create->style &= ~(WS_HSCROLL | WS_VSCROLL);
        SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style & ~(WS_HSCROLL | WS_VSCROLL)));
        return DefaultProcedure(window, data, message, wParam, lParam);
    }
    WindowData* data = DataOf(window);
    if (!data) return DefWindowProcA(window, message, wParam, lParam);
    Viewer& v = data->viewer;

    if (message >= WM_USER && message < WM_USER + viewer::kMessageCount) {
        LRESULT result = 0;
        if (v.Message(message - WM_USER, wParam, lParam, &result)) {
            if (message == K_VIEWER_SET_STYLE) {
                data->host.mdiChild = (v.State().style & K_VIEWER_MDI_CHILD) != 0;
                data->host.backgroundPalette = (v.State().style & K_VIEWER_BACKGROUND_PALETTE) != 0;
            }
            return result;
        }
        return DefaultProcedure(window, data, message, wParam, lParam);
    }

    switch (message) {
        case WM_CREATE: {
            data->host.topLevel = GetAncestor(window, GA_ROOT);
            if (!data->host.topLevel) data->host.topLevel = window;
            // The first WM_SIZE comes after WM_CREATE: a picture loaded now is
            // laid out in the client area the window already has.
            RECT client{};
            GetClientRect(window, &client);
            v.Layout(0, client.right, client.bottom);
            LoadWindowText(window, data);
            return 0;
        }
        case WM_DESTROY: {
            bool quit = !(GetWindowLongA(window, GWL_STYLE) & WS_POPUP) && !GetParent(window);
            SetWindowLongPtrA(window, 0, 0);
            delete data;
            if (quit) PostQuitMessage(0);
            return 0;
        }
        case WM_SIZE:
            v.Layout(static_cast<int>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_SETFOCUS:
            data->host.Notify(K_VIEWER_FOCUS);
            return 0;
        case WM_KILLFOCUS:
            data->host.Notify(K_VIEWER_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
            data->host.Notify(K_VIEWER_CLICK);
            return 0;
        case WM_LBUTTONDBLCLK:
            data->host.Notify(K_VIEWER_DBLCLICK);
            return 0;
        case WM_SETTEXT: {
            LRESULT r = DefaultProcedure(window, data, message, wParam, lParam);
            LoadWindowText(window, data);
            return r;
        }
        case WM_PAINT:
            Paint(window, data);
            return 0;
        case WM_ERASEBKGND:
            return EraseBackground(window, data, reinterpret_cast<HDC>(wParam));
        case WM_SETFONT:
            data->font = reinterpret_cast<HFONT>(wParam);
            v.Refresh(LOWORD(lParam) != 0);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(data->font);
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        case WM_KEYDOWN: {
            bool vertical = false;
            int request = 0;
            if (v.KeyScroll(static_cast<int>(wParam), &vertical, &request))
                SendMessageA(window, vertical ? WM_VSCROLL : WM_HSCROLL, static_cast<WPARAM>(request), 0);
            if (HWND parent = GetParent(window)) SendMessageA(parent, WM_KEYDOWN, wParam, lParam);
            return 0;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
            v.Scroll(message == WM_VSCROLL, LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_QUERYNEWPALETTE:
            v.ClearPaletteChanged();
            if (!v.HasPicture() || !v.State().paintPalette) break;
            if (data->host.mdiChild) return RealizeOn(window, data, data->host.topLevel, false);
            return RealizeOn(window, data, window, data->host.backgroundPalette);
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) == window) return 0;
            if (!v.HasPicture() || !v.State().paintPalette) break;
            RealizeOn(window, data, window, data->host.mdiChild || data->host.backgroundPalette);
            return 0;
        default:
            break;
    }
    return DefaultProcedure(window, data, message, wParam, lParam);
}
