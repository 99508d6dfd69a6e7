// The bitmap viewer control without its window: the picture it owns, its
// zoom, scrolling and layout, and the dispatch of its messages. The window
// (bitmap_window_win32.cpp) reaches the screen, the clipboard, TWAIN and
// the printer through ViewerHost; the tests give it a model window.
#pragma once

#include "volkg.h"

namespace viewer {

// Window style bits the control reads (Win32 values; the native build has no
// window header).
constexpr unsigned kStyleHScroll = 0x00100000;
constexpr unsigned kStyleVScroll = 0x00200000;
constexpr unsigned kStyleCaption = 0x00C00000;
constexpr unsigned kStylePopup = 0x80000000;

// Scroll requests (SB_ codes).
enum ScrollRequest {
    kLineUp = 0,
    kLineDown = 1,
    kPageUp = 2,
    kPageDown = 3,
    kThumbPosition = 4,
    kThumbTrack = 5,
    kTop = 6,
    kBottom = 7,
};

// Virtual keys that scroll.
enum Key {
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
};

constexpr int kMessageCount = 48;  // WM_USER + 0 .. 47

// Picture size at a zoom in percent, rounded as MulDiv rounds, kept well
// inside the range of a scroll bar.
int ZoomedSize(int size, int zoom);

// The 32-bit thumb position of a scroll message: the scroll bar's tracking
// position when its low 16 bits are the message's thumb, else the thumb.
int WidenThumb(int thumb16, int trackPosition);

}  // namespace viewer

// What the control needs of its window.
class ViewerHost {
public:
    virtual ~ViewerHost() = default;
    // The window style now (WS_HSCROLL and WS_VSCROLL: the bars shown).
    virtual unsigned Style() = 0;
    virtual void SetStyle(unsigned style) = 0;
    virtual void ClientSize(int* width, int* height) = 0;
    virtual int VerticalBarWidth() = 0;
    virtual int HorizontalBarHeight() = 0;
    virtual bool Iconic() = 0;
    virtual bool Maximized() = 0;
    // Resizes the window, keeping its position, to this client size with the
    // bars it shows now.
    virtual void SizeClientTo(int width, int height) = 0;
    // Range 0..maximum without redraw; 0 hides the bar.
    virtual void SetScrollRange(bool vertical, int maximum) = 0;
    virtual void SetScrollPosition(bool vertical, int position) = 0;
    // Where the thumb of a scroll message is, given the message's 16 bits.
    virtual int ThumbPosition(bool vertical, int thumb16) = 0;
    virtual void ScrollContent(int dx, int dy) = 0;
    virtual void Invalidate(bool erase) = 0;
    virtual void Update() = 0;
    // WM_COMMAND to the parent with the code.
    virtual void Notify(int code) = 0;
    virtual HPALETTE CreatePaintPalette(BitmapRecord* bitmap) = 0;
    virtual void DeletePalette(HPALETTE palette) = 0;
    // Realises the paint palette as WM_QUERYNEWPALETTE does.
    virtual void QueryNewPalette() = 0;
    virtual int CopyToClipboard(BitmapRecord* bitmap) = 0;
    virtual int PasteFromClipboard(BitmapRecord* bitmap) = 0;
    virtual int TwainSelect() = 0;
    virtual int TwainAcquire(BitmapRecord* bitmap) = 0;
    virtual HDC Print(HDC printer, BitmapRecord* bitmap, int x, int y, int width, int height, int option) = 0;
};

// The control's data.
struct ViewerState {
    bool explicitDestination = false;  // set by the destination message
    bool scrolling = false;            // a scroll step is running
    bool sourceSet = false;
    RECT source{};
    RECT destination{};  // client coordinates
    HPALETTE paintPalette = nullptr;
    int zoom = 100;
    bool layoutChanged = false;
    bool paletteChanged = false;
    bool layoutBusy = false;
    unsigned style = 0;  // kept from creation or set by message
    int viewWidth = 0, viewHeight = 0;
    int horizontalMaximum = 0, verticalMaximum = 0;
    int horizontalPosition = 0, verticalPosition = 0;
    int horizontalStep = 1, verticalStep = 1;
    BitmapRecord bitmap{};
};

class Viewer {
public:
    Viewer(ViewerHost& host, unsigned style);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // WM_USER + index; false for an index the control leaves to the default
    // procedure.
    bool Message(unsigned index, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Loads a file in place of the picture; the picture stays on failure.
    int LoadFile(const char* name, bool repaint);
    void Refresh(bool repaint);
    // sizeType 1: minimised. width and height: the client area.
    void Layout(int sizeType, int width, int height);
    void Scroll(bool vertical, int request, int thumb16);
    // The scroll message a key sends, if any.
    bool KeyScroll(int key, bool* vertical, int* request);

    bool HasPicture() const { return (state_.bitmap.Flags & K_ALLOCATED) != 0; }
    const ViewerState& State() const { return state_; }
    BitmapRecord* Bitmap() { return &state_.bitmap; }
    void ClearPaletteChanged() { state_.paletteChanged = false; }

private:
    LRESULT Dispatch(unsigned index, WPARAM wParam, LPARAM lParam);
    // Each clears or changes state, then refreshes.
    LRESULT Operation(int result, bool layout, bool palette, WPARAM wParam);
    // Takes over a record that holds a new picture, freeing the old one.
    void Replace(BitmapRecord* fresh);
    void FreePicture();
    int Save(const ViewerSaveRecord* record);
    int ColorResolution(LPARAM lParam);
    int ZoomAt(const ViewerZoomRecord* record);
    int Adopt(BitmapRecord* record);
    int Fetch(int (*fill)(ViewerHost&, BitmapRecord*, const BitmapRecord*), const BitmapRecord* source, WPARAM wParam);
    void ViewFor(int clientWidth, int clientHeight, int contentWidth, int contentHeight, int* viewWidth,
                 int* viewHeight);

    ViewerHost& host_;
    ViewerState state_;
};
