// Records with known pictures, DIB-section device contexts to paint into,
// and reading pixels back, for the tests of painting and device bitmaps.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/display_mode.h"
#include "core/palette.h"
#include "volkg.h"

// A record freed at the end of the scope.
struct Record {
    BitmapRecord b{};
    Record() = default;
    ~Record() { K_FreeBitmap(&b); }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    BitmapRecord* operator&() { return &b; }
};

using Picture = std::function<COLORREF(int x, int y)>;  // y = 0 is the top line

inline int StorageRow(const BitmapRecord* b, int y) { return b->ViewPerspective == K_TOP_DOWN ? y : b->Height - 1 - y; }

// Builds a record of a depth, colour order and row order with a palette
// (1, 4, 8 bits) and a picture whose colours exist in that palette.
inline void MakeRecord(BitmapRecord* b, int width, int height, int bits, const Picture& picture,
                       int order = K_ORDER_BGR, int perspective = K_BOTTOM_UP, const RGBQUAD* palette = nullptr,
                       int colors = 0) {
    ASSERT_EQ(K_InitBitmap(b, width, height, bits), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b, K_STORAGE_ANY), K_OK);
    if (bits <= 8) {
        if (!palette) palette = FixedPaletteForDepth(bits, &colors);
        std::memset(b->ColorTable, 0, sizeof b->ColorTable);
        std::memcpy(b->ColorTable, palette, sizeof(RGBQUAD) * colors);
        b->Colors = colors;
        CreateBitmapPalette(b);
    } else {
        b->ColorOrder = order;
    }
    b->ViewPerspective = perspective;
    // Rows built here, so that the fixture does not lean on the pixel calls.
    std::vector<unsigned char> row(b->BytesPerLine);
    K_AccessBitmap(b);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            COLORREF c = picture(x, y);
            int r = GetRValue(c), g = GetGValue(c), bl = GetBValue(c);
            if (bits <= 8) {
                int index = -1;
                for (int i = 0; i < colors && index < 0; ++i)
                    if (palette[i].rgbRed == r && palette[i].rgbGreen == g && palette[i].rgbBlue == bl) index = i;
                ASSERT_GE(index, 0) << "colour not in the palette: " << x << "," << y;
                if (bits == 1)
                    row[x / 8] |= index << (7 - x % 8);
                else if (bits == 4)
                    row[x / 2] |= index << (x % 2 ? 0 : 4);
                else
                    row[x] = static_cast<unsigned char>(index);
            } else if (bits == 16) {
                int first = order == K_ORDER_BGR ? r : bl, last = order == K_ORDER_BGR ? bl : r;
                int v = (first >> 3) << 10 | (g >> 3) << 5 | (last >> 3);
                row[2 * x] = static_cast<unsigned char>(v);
                row[2 * x + 1] = static_cast<unsigned char>(v >> 8);
            } else {
                unsigned char* p = &row[x * (bits / 8)];
                p[0] = static_cast<unsigned char>(order == K_ORDER_BGR ? bl : r);
                p[1] = static_cast<unsigned char>(g);
                p[2] = static_cast<unsigned char>(order == K_ORDER_BGR ? r : bl);
            }
        }
        ASSERT_EQ(K_PutBitmapRow(b, row.data(), StorageRow(b, y), b->BytesPerLine), b->BytesPerLine);
    }
    K_ReleaseBitmap(b);
}

inline COLORREF PictureColor(BitmapRecord* b, int x, int y) { return K_GetPixelColor(b, StorageRow(b, y), x); }

// The eight full-intensity colours and black: exact in every palette and
// at every depth of the library.
inline COLORREF Primary(int i) {
    static const COLORREF colors[] = {RGB(0, 0, 0),   RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
                                      RGB(0, 0, 255), RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
    return colors[((i % 8) + 8) % 8];
}

// A memory DC with a bottom-up DIB section selected.
class SectionDC {
public:
    SectionDC(int width, int height, int bits, const RGBQUAD* palette = nullptr, int colors = 0)
        : width_(width), height_(height), bits_(bits) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[256];
        } info{};
        info.h.biSize = sizeof(BITMAPINFOHEADER);
        info.h.biWidth = width;
        info.h.biHeight = height;
        info.h.biPlanes = 1;
        info.h.biBitCount = static_cast<WORD>(bits);
        if (bits <= 8) {
            if (!palette) palette = FixedPaletteForDepth(bits, &colors);
            std::memcpy(info.c, palette, sizeof(RGBQUAD) * colors);
            std::memcpy(palette_, palette, sizeof(RGBQUAD) * colors);
            info.h.biClrUsed = colors;
        }
        dc_ = CreateCompatibleDC(nullptr);
        section_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_data_, nullptr, 0);
        old_ = SelectObject(dc_, section_);
        rowBytes_ = ((width * bits + 31) / 32) * 4;
        std::memset(bits_data_, 0x5A, static_cast<size_t>(rowBytes_) * height);  // "unpainted"
        GdiFlush();
    }
    ~SectionDC() {
        SelectObject(dc_, old_);
        DeleteObject(section_);
        DeleteDC(dc_);
    }
    SectionDC(const SectionDC&) = delete;
    SectionDC& operator=(const SectionDC&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const unsigned char* Row(int y) const {
        return static_cast<const unsigned char*>(bits_data_) + static_cast<size_t>(height_ - 1 - y) * rowBytes_;
    }
    // Raw bytes of a pixel, to tell painted from unpainted.
    unsigned RawPixel(int x, int y) const {
        GdiFlush();
        const unsigned char* r = Row(y);
        switch (bits_) {
            case 1:
                return (r[x / 8] >> (7 - x % 8)) & 1;
            case 4:
                return (r[x / 2] >> (x % 2 ? 0 : 4)) & 15;
            case 8:
                return r[x];
            case 16:
                return r[2 * x] | r[2 * x + 1] << 8;
            case 24:
                return r[3 * x] | r[3 * x + 1] << 8 | r[3 * x + 2] << 16;
            default:
                return r[4 * x] | r[4 * x + 1] << 8 | r[4 * x + 2] << 16;
        }
    }
    unsigned Unpainted() const {
        switch (bits_) {
            case 1:
                return (0x5A >> 7) & 1;
            case 4:
                return 5;
            case 8:
                return 0x5A;
            case 16:
                return 0x5A5A;
            default:
                return 0x5A5A5A;
        }
    }
    COLORREF Pixel(int x, int y) const {
        unsigned v = RawPixel(x, y);
        if (bits_ <= 8) return RGB(palette_[v].rgbRed, palette_[v].rgbGreen, palette_[v].rgbBlue);
        if (bits_ == 16) {
            auto f = [](unsigned c) { return (c << 3) | (c >> 2); };
            return RGB(f((v >> 10) & 31), f((v >> 5) & 31), f(v & 31));
        }
        return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
    }

private:
    int width_, height_, bits_;
    int rowBytes_ = 0;
    HDC dc_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_data_ = nullptr;
    RGBQUAD palette_[256]{};
};

// Keeps the display mode of the process for a scope.
class DisplayModeScope {
public:
    DisplayModeScope(int mask, int value) : old_(K_SetDisplayMode(mask, value)) {}
    ~DisplayModeScope() { K_SetDisplayMode(~0, old_); }

private:
    int old_;
};

inline std::string ColorText(COLORREF c) {
    char s[16];
    std::snprintf(s, sizeof s, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

// Pixels of a binary PPM (P6, maxval 255, comments allowed), top line first;
// empty when the file is not one.
inline std::vector<COLORREF> ReadPpm(const std::string& bytes, int* width, int* height) {
    size_t at = 0;
    auto token = [&]() {
        for (;;) {
            while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
            if (at < bytes.size() && bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
                continue;
            }
            break;
        }
        size_t start = at;
        while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
        return bytes.substr(start, at - start);
    };
    if (token() != "P6") return {};
    int w = std::atoi(token().c_str()), h = std::atoi(token().c_str());
    if (token() != "255" || w <= 0 || h <= 0) return {};
    ++at;  // the one whitespace before the pixels
    if (bytes.size() < at + static_cast<size_t>(w) * h * 3) return {};
    std::vector<COLORREF> out;
    for (int i = 0; i < w * h; ++i) {
        auto c = [&](int k) { return static_cast<unsigned char>(bytes[at + 3 * i + k]); };
        out.push_back(RGB(c(0), c(1), c(2)));
    }
    *width = w;
    *height = h;
    return out;
}
