// A model of the viewer's window for the native tests: a fixed outer size
// whose client area loses what the shown scroll bars take, bars that show
// when their range is above 0 (as SetScrollRange does), and a record of
// what the viewer asked of the window.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "core/bitmap.h"
#include "devices/viewer.h"
#include "volkg.h"

class ModelWindow : public ViewerHost {
public:
    int outerWidth = 0, outerHeight = 0;
    unsigned style = 0;
    int barWidth = 17, barHeight = 17;
    bool iconic = false, maximized = false;
    int range[2] = {0, 0}, position[2] = {0, 0};
    int trackPosition = 0;
    std::vector<int> notifications;
    std::vector<std::pair<int, int>> scrolled;
    std::vector<std::pair<int, int>> sizedTo;
    int invalidations = 0, erasedInvalidations = 0, updates = 0, paletteQueries = 0;
    std::set<HPALETTE> livePalettes;
    int nextPalette = 1;
    Viewer* viewer = nullptr;  // gets WM_SIZE when the window is resized
    // Device operations: what they put into the record and return.
    std::function<int(BitmapRecord*)> paste, acquire;
    int copyResult = 1, selectResult = 1;
    HDC printResult = nullptr;

    unsigned Style() override { return style; }
    void SetStyle(unsigned s) override { style = s; }
    void ClientSize(int* width, int* height) override {
        *width = outerWidth - ((style & viewer::kStyleVScroll) ? barWidth : 0);
        *height = outerHeight - ((style & viewer::kStyleHScroll) ? barHeight : 0);
    }
    int VerticalBarWidth() override { return barWidth; }
    int HorizontalBarHeight() override { return barHeight; }
    bool Iconic() override { return iconic; }
    bool Maximized() override { return maximized; }
    void SizeClientTo(int width, int height) override {
        sizedTo.emplace_back(width, height);
        outerWidth = width + ((style & viewer::kStyleVScroll) ? barWidth : 0);
        outerHeight = height + ((style & viewer::kStyleHScroll) ? barHeight : 0);
        if (viewer) {
            int w, h;
            ClientSize(&w, &h);
            viewer->Layout(0, w, h);
        }
    }
    void SetScrollRange(bool vertical, int maximum) override {
        range[vertical] = maximum;
        unsigned bit = vertical ? viewer::kStyleVScroll : viewer::kStyleHScroll;
        style = maximum > 0 ? style | bit : style & ~bit;
        SetScrollPosition(vertical, position[vertical]);
    }
    void SetScrollPosition(bool vertical, int p) override {
        position[vertical] = p < 0 ? 0 : p > range[vertical] ? range[vertical] : p;
    }
    int ThumbPosition(bool, int thumb16) override { return viewer::WidenThumb(thumb16, trackPosition); }
    void ScrollContent(int dx, int dy) override { scrolled.emplace_back(dx, dy); }
    void Invalidate(bool erase) override { ++invalidations, erasedInvalidations += erase; }
    void Update() override { ++updates; }
    void Notify(int code) override { notifications.push_back(code); }
    HPALETTE CreatePaintPalette(BitmapRecord*) override {
        HPALETTE p = reinterpret_cast<HPALETTE>(static_cast<intptr_t>(nextPalette++));
        livePalettes.insert(p);
        return p;
    }
    void DeletePalette(HPALETTE p) override { EXPECT_EQ(livePalettes.erase(p), 1u) << "palette not live"; }
    void QueryNewPalette() override { ++paletteQueries; }
    int CopyToClipboard(BitmapRecord*) override { return copyResult; }
    int PasteFromClipboard(BitmapRecord* b) override { return paste ? paste(b) : 0; }
    int TwainSelect() override { return selectResult; }
    int TwainAcquire(BitmapRecord* b) override { return acquire ? acquire(b) : K_ERR_TWAIN_NONE; }
    HDC Print(HDC, BitmapRecord*, int, int, int, int, int) override { return printResult; }

    // The client size now.
    int ClientWidth() {
        int w, h;
        ClientSize(&w, &h);
        return w;
    }
    int ClientHeight() {
        int w, h;
        ClientSize(&w, &h);
        return h;
    }
};

// A window model with a viewer inside, sized as WM_SIZE would size it.
struct ViewerFixture {
    ModelWindow window;
    Viewer viewer;
    ViewerFixture(unsigned style, int width, int height) : viewer(window, style) {
        window.outerWidth = width;
        window.outerHeight = height;
        window.viewer = &viewer;
        viewer.Layout(0, width, height);
    }
    LRESULT Send(unsigned index, WPARAM wParam, LPARAM lParam) {
        LRESULT r = 0;
        EXPECT_TRUE(viewer.Message(index, wParam, lParam, &r)) << index;
        return r;
    }
    template <typename T>
    LRESULT Send(unsigned index, T* record, WPARAM wParam = 1) {
        return Send(index, wParam, reinterpret_cast<LPARAM>(record));
    }
    const ViewerState& State() { return viewer.State(); }
};

// An allocated picture whose pixel (x, y) has a colour of its own at 24
// bits (x + 1, y + 1, x ^ y), or at 8 bits the index (x + 3 * y) & 255.
inline void MakePicture(BitmapRecord* b, int width, int height, int bits = 24) {
    ASSERT_EQ(K_CreateBitmap(b, K_STORAGE_ANY, width, height, bits == 8 ? 0 : bits, K_ORDER_BGR, nullptr, K_BOTTOM_UP),
              K_OK);
    BitmapLock lock(b);  // locked once, not mapped again for every pixel
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = bits == 8 ? K_NO_PIXEL + ((x + 3 * y) & 255) : RGB(x + 1, y + 1, x ^ y);
            ASSERT_EQ(K_PutPixelColor(b, y, x, c), K_OK);
        }
}

// Every pixel and the size of two records.
inline bool SamePixels(BitmapRecord* a, BitmapRecord* b) {
    if (a->Width != b->Width || a->Height != b->Height || a->BitsPerPixel != b->BitsPerPixel) return false;
    BitmapLock lockA(a), lockB(b);
    for (int y = 0; y < a->Height; ++y)
        for (int x = 0; x < a->Width; ++x)
            if (K_GetPixelColor(a, y, x) != K_GetPixelColor(b, y, x)) return false;
    return true;
}

// A record freed at the end of the scope.
struct OwnedRecord {
    BitmapRecord r{};
    ~OwnedRecord() { K_FreeBitmap(&r); }
};
