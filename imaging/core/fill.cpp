// Filling rows and whole bitmaps with one colour.
#include <cstring>

#include "core/bitmap.h"
#include "core/status.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "core/rows.h"

namespace {

// Index of the colour in the palette in use, by the library's one search.
int NearestIndex(BitmapRecord* bitmap, int r, int g, int b) {
    int colors = bitmap->Colors < 0 ? 0 : bitmap->Colors > 256 ? 256 : bitmap->Colors;
    RGBQUAD table[256];
    int n = GetPaletteColors(PaletteInUse(bitmap), table, colors);
    if (n > 0) return MatchPaletteColor(table, n, r, g, b);
    // No palette handle: the colour table holds the colours, unless it is
    // the index map.
    if (!(bitmap->Flags & K_PALETTE_INDEX_MAP)) return MatchPaletteColor(bitmap->ColorTable, colors, r, g, b);
    int fixedCount = 0;
    const RGBQUAD* fixed = FixedPaletteForDepth(bitmap->BitsPerPixel, &fixedCount);
    return MatchPaletteColor(fixed, fixedCount, r, g, b);
}

// Writes one work row to every row, with the progress rule.
int WriteEveryRow(BitmapRecord* bitmap, const unsigned char* row) {
    const bool memory = (bitmap->Flags & K_MEMORY_STORAGE) != 0;
    Progress progress(memory ? 1 : bitmap->Height);
    int status = progress.Begin();
    if (status != K_OK) return status;
    for (int y = 0; y < bitmap->Height; ++y) {
        int put = K_PutBitmapRow(bitmap, row, y, bitmap->BytesPerLine);
        if (put < 0) return put;
        if (put != bitmap->BytesPerLine) return K_ERR_WRITE;
        if (!memory) {
            status = progress.Step();
            if (status != K_OK) return status;
        }
    }
    return memory ? progress.Step() : K_OK;
}

int FillOrClear(BitmapRecord* bitmap, const COLORREF* color) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (bitmap->BytesPerLine <= 0 || GetBytesPerLine(bitmap->Width, bitmap->BitsPerPixel) > bitmap->BytesPerLine)
        return K_ERR_ARGUMENT;
    GlobalBuffer row(static_cast<size_t>(bitmap->BytesPerLine), true);
    if (!row) return K_ERR_MEMORY;
    BitmapLock lock(bitmap);
    if (color) FillRowColor(bitmap, *color, row.get(), bitmap->Width);
    return WriteEveryRow(bitmap, row.get());
}

}  // namespace

int FillRowColor(BitmapRecord* bitmap, COLORREF color, unsigned char* buffer, int count) {
    if (!bitmap || !buffer || count <= 0) return K_OK;
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    const bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
    switch (bitmap->BitsPerPixel) {
        case 1:
            std::memset(buffer, NearestIndex(bitmap, r, g, b) ? 0xFF : 0x00, (count + 7) / 8);
            break;
        case 4:
            std::memset(buffer, (NearestIndex(bitmap, r, g, b) & 0x0F) * 17, (count + 1) / 2);
            break;
        case 8:
            std::memset(buffer, NearestIndex(bitmap, r, g, b), count);
            break;
        case 16: {
            unsigned w = bgr ? (Reduce8To5(r) << 10) | (Reduce8To5(g) << 5) | Reduce8To5(b)
                             : (Reduce8To5(b) << 10) | (Reduce8To5(g) << 5) | Reduce8To5(r);
            for (int i = 0; i < count; ++i) {
                buffer[2 * i] = static_cast<unsigned char>(w);
                buffer[2 * i + 1] = static_cast<unsigned char>(w >> 8);
            }
            break;
        }
        case 24:
        case 32: {
            const int step = bitmap->BitsPerPixel / 8;
            const unsigned char pixel[4] = {static_cast<unsigned char>(bgr ? b : r), static_cast<unsigned char>(g),
                                            static_cast<unsigned char>(bgr ? r : b), 0};
            for (int i = 0; i < count; ++i) std::memcpy(buffer + step * i, pixel, step);
            break;
        }
        default:
            break;
    }
    return K_OK;
}

extern "C" int KAPI K_FillBitmap(BitmapRecord* bitmap, COLORREF color) { return FillOrClear(bitmap, &color); }

extern "C" int KAPI K_ClearBitmap(BitmapRecord* bitmap) { return FillOrClear(bitmap, nullptr); }
