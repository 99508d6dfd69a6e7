// Single-pixel colour access.
#include "core/bitmap.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/rows.h"

namespace {

bool InsideBitmap(const BitmapRecord* bitmap, int row, int column) {
    return row >= 0 && row < bitmap->Height && column >= 0 && column < bitmap->Width;
}

COLORREF Colour(int r, int g, int b) {
    return static_cast<COLORREF>(r & 0xFF) | (static_cast<COLORREF>(g & 0xFF) << 8) |
           (static_cast<COLORREF>(b & 0xFF) << 16);
}

int PixelBytes(int bits) { return bits > 8 ? bits / 8 : 1; }

}  // namespace

extern "C" COLORREF KAPI K_GetPixelColor(BitmapRecord* bitmap, int row, int column) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED) || !InsideBitmap(bitmap, row, column)) return K_NO_PIXEL;
    const int bits = bitmap->BitsPerPixel;
    if (!IsValidDepth(bits)) return 0;
    PaletteColorsScope colors(bitmap);
    BitmapLock lock(bitmap);
    unsigned char p[4] = {};
    int size = PixelBytes(bits);
    if (K_GetBitmapRowCol(bitmap, p, row, column, size) != size) return K_NO_PIXEL;

    const RGBQUAD* entry = nullptr;
    switch (bits) {
        case 1:
            entry = &bitmap->ColorTable[(p[0] >> (7 - (column & 7))) & 1];
            break;
        case 4:
            entry = &bitmap->ColorTable[(column & 1) ? p[0] & 0x0F : p[0] >> 4];
            break;
        case 8:
            entry = &bitmap->ColorTable[p[0]];
            break;
        case 16: {
            unsigned w = p[0] | (p[1] << 8);
            int hi = Expand5To8((w >> 10) & 0x1F), mid = Expand5To8((w >> 5) & 0x1F), lo = Expand5To8(w & 0x1F);
            return bitmap->ColorOrder == K_ORDER_BGR ? Colour(hi, mid, lo) : Colour(lo, mid, hi);
        }
        default:
            return bitmap->ColorOrder == K_ORDER_BGR ? Colour(p[2], p[1], p[0]) : Colour(p[0], p[1], p[2]);
    }
    return Colour(entry->rgbRed, entry->rgbGreen, entry->rgbBlue);
}

extern "C" int KAPI K_PutPixelColor(BitmapRecord* bitmap, int row, int column, COLORREF color) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (!InsideBitmap(bitmap, row, column) || !IsValidDepth(bitmap->BitsPerPixel)) return K_ERR_ARGUMENT;
    const int bits = bitmap->BitsPerPixel;
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    // The storage is locked while the pixel moves, as for reading.
    BitmapLock lock(bitmap);
    unsigned char p[4] = {};
    int size = PixelBytes(bits);

    if (bits <= 8) {
        unsigned index;
        if (color < K_NO_PIXEL) {
            PaletteColorsScope colors(bitmap);
            index = static_cast<unsigned>(MatchPaletteColor(bitmap->ColorTable, 1 << bits, r, g, b));
        } else {
            index = color & ((1u << bits) - 1);
        }
        if (bits == 8) {
            p[0] = static_cast<unsigned char>(index);
        } else {
            int got = K_GetBitmapRowCol(bitmap, p, row, column, 1);
            if (got < 0) return got;
            if (bits == 1) {
                unsigned char mask = static_cast<unsigned char>(0x80 >> (column & 7));
                p[0] = static_cast<unsigned char>((p[0] & ~mask) | (index ? mask : 0));
            } else if (column & 1) {
                p[0] = static_cast<unsigned char>((p[0] & 0xF0) | index);
            } else {
                p[0] = static_cast<unsigned char>((p[0] & 0x0F) | (index << 4));
            }
        }
    } else if (bits == 16) {
        unsigned w = bitmap->ColorOrder == K_ORDER_BGR ? (Reduce8To5(r) << 10) | (Reduce8To5(g) << 5) | Reduce8To5(b)
                                                       : (Reduce8To5(b) << 10) | (Reduce8To5(g) << 5) | Reduce8To5(r);
        p[0] = static_cast<unsigned char>(w);
        p[1] = static_cast<unsigned char>(w >> 8);
    } else {
        // Three colour bytes; at 32 bits the fourth byte keeps its value.
        size = 3;
        bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
        p[0] = static_cast<unsigned char>(bgr ? b : r);
        p[1] = static_cast<unsigned char>(g);
        p[2] = static_cast<unsigned char>(bgr ? r : b);
    }
    int put = K_PutBitmapRowCol(bitmap, p, row, column, size);
    if (put < 0) return put;
    return put == size ? K_OK : K_ERR_WRITE;
}
