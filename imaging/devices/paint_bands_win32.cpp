// The band painters: rows of a record (or rows the caller holds) go to a
// device context in StretchDIBits calls of at most 64 KB of rows each.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "devices/dib.h"
#include "core/display_mode.h"
#include "devices/paint.h"
#include "core/pixel_format.h"
#include "core/row_converters.h"
#include "core/rows.h"

namespace {

constexpr int kBandBytes = 65536;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

bool IsBottomUp(const BitmapRecord* bitmap) { return bitmap->ViewPerspective != K_TOP_DOWN; }

// The header of one paint and how its colours are to be read.
struct BandHeader {
    PaintHeader info{};
    UINT colorUse = DIB_RGB_COLORS;
};

// Fills the header for rows of paintedBits; palette rows carry colourCount
// colours (the bitmap's colours, or the fixed palette of a converted row).
void PrepareHeader(BandHeader& h, const BitmapRecord* bitmap, int paintedBits, PaintKind kind, int colorCount) {
    std::memset(&h.info, 0, sizeof h.info);
    h.info.header.biSize = sizeof(BITMAPINFOHEADER);
    h.info.header.biPlanes = 1;
    h.info.header.biBitCount = static_cast<WORD>(paintedBits);
    h.info.header.biCompression = BI_RGB;
    h.colorUse = DIB_RGB_COLORS;
    if (paintedBits > 8) return;
    h.info.header.biClrUsed = static_cast<DWORD>(colorCount);
    if (DisplayMode & kIndexedPaint) {
        // Indices into the palette selected in the device context.
        WORD* indices = reinterpret_cast<WORD*>(h.info.colors);
        for (int i = 0; i < 256; ++i) indices[i] = static_cast<WORD>(i);
        h.colorUse = DIB_PAL_COLORS;
    } else if (kind == PaintConvert) {
        int count = 0;
        const RGBQUAD* fixed = FixedPaletteForDepth(paintedBits, &count);
        if (fixed) std::memcpy(h.info.colors, fixed, sizeof(RGBQUAD) * count);
    } else {
        GetDibColors(bitmap, h.info.colors);
    }
}

bool PaintBand(HDC hdc, BandHeader& h, int x, int y, int width, int rows, int sourceX, const unsigned char* band,
               int bandPixelWidth, DWORD rasterOp) {
    // Negative rows: a band stored top row first.
    const int count = std::abs(rows);
    h.info.header.biWidth = bandPixelWidth;
    h.info.header.biHeight = rows;
    h.info.header.biSizeImage = static_cast<DWORD>(RowBytes(bandPixelWidth, h.info.header.biBitCount) * count);
    int lines = StretchDIBits(hdc, x, y, width, count, sourceX, 0, width, count, band,
                              reinterpret_cast<const BITMAPINFO*>(&h.info), h.colorUse, rasterOp);
    return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}

// Reads bytes [byteStart, byteStart + count) of a storage row from the
// record or from the caller's rows.
bool FetchRow(BitmapRecord* bitmap, const PaintRows* rows, int storageRow, int byteStart, int count,
              unsigned char* out) {
    if (rows) {
        const unsigned char* p = rows->rows + static_cast<size_t>(storageRow - rows->firstRow) * bitmap->BytesPerLine;
        std::memcpy(out, p + byteStart, count);
        return true;
    }
    // K_GetBitmapRowCol takes a column; byteStart is that column's byte.
    int column = byteStart * 8 / bitmap->BitsPerPixel;
    return K_GetBitmapRowCol(bitmap, out, storageRow, column, count) >= 0;
}

// Turns count pixels of widened or direct 24-bit rows of an RGB-ordered
// record into the blue-green-red order of a DIB.
void FixColorOrder(const BitmapRecord* bitmap, int paintedBits, unsigned char* row, int count) {
    if (paintedBits == 24 && bitmap->BitsPerPixel > 8 && bitmap->ColorOrder == K_ORDER_RGB)
        SwapRowRedBlue(row, count, 24);
}

struct Geometry {
    RECT S, C, K, D;
};

// Depth of the rows handed to GDI for a paint kind; -1 when the kind does not
// fit the record or the device.
int PaintedBits(const PaintChoice& choice, int bits) {
    if (choice.kind == PaintExpand24) return (bits == 16 || bits == 32) ? 24 : -1;
    if (choice.kind == PaintConvert)
        return (choice.deviceDepth == 1 || choice.deviceDepth == 4 || choice.deviceDepth == 8) ? choice.deviceDepth
                                                                                               : -1;
    return bits;
}

// Rows that GDI can take as they are stored (16, 24 or 32 bits, blue
// first, mapped) go out straight from storage in one call, without a copy:
// 1, or -13 when GDI refuses them. 0 when the rows need converting: the
// caller paints through a copy.
int PaintStoredRows(HDC hdc, BitmapRecord* bitmap, const PaintChoice& choice, const RECT& V, int sourceX,
                    int firstPictureRow, DWORD rasterOp, const PaintRows* rows) {
    const int bits = bitmap->BitsPerPixel;
    // Palette rows keep the copy (with XOR, stored rows of 4 and 8 bits
    // painted from their middle left pixels unpainted under Wine).
    if (rows || choice.kind != PaintDirect || bits <= 8 || (bits == 24 && bitmap->ColorOrder == K_ORDER_RGB)) return 0;
    if (static_cast<size_t>(bitmap->BytesPerLine) != RowBytes(bitmap->Width, bits)) return 0;
    const int height = V.bottom - V.top;
    const bool bottomUp = IsBottomUp(bitmap);
    const int firstStored = bottomUp ? bitmap->Height - firstPictureRow - height : firstPictureRow;
    const unsigned char* stored = StoredRowBytes(bitmap, firstStored, height);
    if (!stored) return 0;
    BandHeader header;
    PrepareHeader(header, bitmap, bits, choice.kind, 0);
    // Nothing is copied, so no work buffer bounds the band: one call. A
    // top-down record is painted as a top-down DIB.
    return PaintBand(hdc, header, V.left, V.top, V.right - V.left, bottomUp ? height : -height, sourceX, stored,
                     bitmap->Width, rasterOp)
               ? K_OK
               : K_ERR_ARGUMENT;
}

int Paint1To1(HDC hdc, BitmapRecord* bitmap, PaintChoice choice, const Geometry& g, DWORD rasterOp,
              const PaintRows* rows) {
    const int H = bitmap->Height;
    const int bits = bitmap->BitsPerPixel;
    const bool bottomUp = IsBottomUp(bitmap);
    // Clip rows as picture rows; picture row gTop is at the destination's top.
    int clipTop = bottomUp ? H - g.C.bottom : g.C.top;
    int clipBottom = bottomUp ? H - g.C.top : g.C.bottom;
    int gTop = bottomUp ? H - g.S.bottom : g.S.top;
    RECT moved{g.D.left - g.S.left + g.C.left, g.D.top + clipTop - gTop, g.D.left - g.S.left + g.C.right,
               g.D.top + clipBottom - gTop};
    RECT V;
    if (!IntersectRects(&V, &moved, &g.K)) return K_OK;
    const int width = V.right - V.left;
    const int sx0 = V.left - g.D.left + g.S.left;
    const int sx1 = sx0 + width;

    const int paintedBits = PaintedBits(choice, bits);
    if (paintedBits < 0) return K_ERR_ARGUMENT;
    if (int stored = PaintStoredRows(hdc, bitmap, choice, V, sx0, V.top - g.D.top + gTop, rasterOp, rows))
        return stored;
    // The span starts at the byte that holds its first column.
    const int byteStart = static_cast<int>(static_cast<int64_t>(sx0) * bits / 8);
    const int byteEnd = static_cast<int>((static_cast<int64_t>(sx1) * bits + 7) / 8);
    const int firstInSpan = bits < 8 ? sx0 - byteStart * 8 / bits : 0;
    const int sourceX = choice.kind == PaintDirect ? firstInSpan : 0;
    const int bandPixels = width + sourceX;
    const size_t bandRowBytes = RowBytes(bandPixels, paintedBits);
    const int height = V.bottom - V.top;
    const int bandRows = std::max(1, std::min<int>(height, static_cast<int>(kBandBytes / bandRowBytes)));

    GlobalBuffer span(static_cast<size_t>(byteEnd - byteStart) + 4);
    GlobalBuffer band(bandRowBytes * (bandRows + 1), true);
    const bool diffusion = choice.kind == PaintConvert && !(DisplayMode & kOrderedDither);
    GlobalBuffer errors(diffusion ? sizeof(DiffusionErrorCell) * (width + 1) : 16, true);
    if (!span || !band || !errors) return K_ERR_MEMORY;

    BandHeader header;
    int colorCount = paintedBits > 8
                         ? 0
                         : (choice.kind == PaintConvert ? 1 << paintedBits : GetDibColors(bitmap, header.info.colors));
    PrepareHeader(header, bitmap, paintedBits, choice.kind, colorCount);
    auto* cells = reinterpret_cast<DiffusionErrorCell*>(errors.get());

    // Bands from the bottom of V upward, each filled from its bottom row.
    for (int bandBottom = V.bottom; bandBottom > V.top;) {
        int n = std::min<int>(bandRows, bandBottom - V.top);
        for (int j = 0; j < n; ++j) {
            int y = bandBottom - 1 - j;
            int pictureRow = y - g.D.top + gTop;
            int storageRow = bottomUp ? H - 1 - pictureRow : pictureRow;
            unsigned char* out = band.get() + j * bandRowBytes;
            if (!FetchRow(bitmap, rows, storageRow, byteStart, byteEnd - byteStart, span.get())) return K_ERR_READ;
            switch (choice.kind) {
                case PaintExpand24:
                    if (bits == 16)
                        ExpandRow16To24(out, span.get(), bitmap, 0, width);
                    else
                        ExpandRow32To24(out, span.get(), bitmap, 0, width);
                    break;
                case PaintConvert:
                    ConvertDisplayRow(out, paintedBits, span.get(), bitmap, firstInSpan, firstInSpan + width, sx0,
                                      storageRow, cells);
                    break;
                default:
                    std::memcpy(out, span.get(), byteEnd - byteStart);
                    break;
            }
            FixColorOrder(bitmap, paintedBits, out, width);
        }
        int bandTop = bandBottom - n;
        if (!PaintBand(hdc, header, V.left, bandTop, width, n, sourceX, band.get(), bandPixels, rasterOp))
            return K_ERR_ARGUMENT;
        bandBottom = bandTop;
    }
    return K_OK;
}

int PaintScaled(HDC hdc, BitmapRecord* bitmap, PaintChoice choice, const Geometry& g, DWORD rasterOp,
                const PaintRows* rows) {
    const int H = bitmap->Height;
    const int bits = bitmap->BitsPerPixel;
    const bool bottomUp = IsBottomUp(bitmap);
    const int64_t sw = g.S.right - g.S.left;
    const int64_t sh = std::abs(g.S.bottom - g.S.top);
    const int64_t dw = g.D.right - g.D.left;
    const int64_t dh = std::abs(g.D.bottom - g.D.top);
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return K_OK;
    const int64_t B = bottomUp ? H - g.S.top : g.S.bottom;
    const int64_t clipTop = bottomUp ? H - g.C.bottom : g.C.top;
    const int64_t clipBottom = bottomUp ? H - g.C.top : g.C.bottom;

    const int64_t leftTerm =
        std::max<int64_t>(int64_t(g.K.left) * sw, int64_t(g.D.left) * sw + (g.C.left - g.S.left) * dw);
    const int64_t rightTerm =
        std::min<int64_t>(int64_t(g.D.left) * sw + (g.C.right - g.S.left) * dw, int64_t(g.K.right) * sw);
    const int64_t bottomTerm =
        std::min<int64_t>(int64_t(g.D.bottom) * sh + (clipBottom - B) * dh, int64_t(g.K.bottom) * sh);
    const int64_t topTerm = std::max<int64_t>(int64_t(g.K.top) * sh, int64_t(g.D.bottom) * sh + (clipTop - B) * dh);
    RECT V{static_cast<LONG>(FloorDiv(leftTerm, sw)), static_cast<LONG>(FloorDiv(topTerm, sh)),
           static_cast<LONG>(FloorDiv(rightTerm, sw)), static_cast<LONG>(FloorDiv(bottomTerm, sh))};
    if (V.left >= V.right || V.top >= V.bottom) return K_OK;
    const int width = V.right - V.left;

    // Columns: the source position of pixel V.left, in units of 1/dw.
    const int64_t h = leftTerm - int64_t(g.D.left) * sw;
    const int firstColumn = static_cast<int>(g.S.left + FloorDiv(h, dw));
    const int columnRemainder = static_cast<int>(h - FloorDiv(h, dw) * dw);
    const int64_t spanNumerator = rightTerm - int64_t(g.D.left) * sw;
    int spanEnd = static_cast<int>(g.S.left + FloorDiv(spanNumerator + dw - 1, dw));
    spanEnd = std::min(std::max(spanEnd, firstColumn + 1), bitmap->Width);
    const int wholeStep = dw == sw ? 0 : static_cast<int>(sw / dw);
    const int remainderStep = dw == sw ? static_cast<int>(dw) : static_cast<int>(sw % dw);
    // Rows, counted upward from the picture's bottom.
    const int64_t G = int64_t(g.D.bottom) * sh - bottomTerm;
    int64_t sourceUp = FloorDiv(G, dh) + (H - B);
    int64_t rowRemainder = G - FloorDiv(G, dh) * dh;
    const int64_t rowWhole = dh == sh ? 0 : sh / dh;
    const int64_t rowStep = dh == sh ? dh : sh % dh;

    const int paintedBits = PaintedBits(choice, bits);
    if (paintedBits < 0) return K_ERR_ARGUMENT;
    const int byteStart = static_cast<int>(static_cast<int64_t>(firstColumn) * bits / 8);
    const int byteEnd = static_cast<int>((static_cast<int64_t>(spanEnd) * bits + 7) / 8);
    const size_t resampledBytes = RowBytes(width, bits);
    const size_t bandRowBytes = RowBytes(width, paintedBits);
    const int height = V.bottom - V.top;
    const int bandRows = std::max(1, std::min<int>(height, static_cast<int>(kBandBytes / bandRowBytes)));

    GlobalBuffer span(static_cast<size_t>(byteEnd - byteStart) + 8);
    GlobalBuffer resampled(resampledBytes + 4, true);
    GlobalBuffer band(bandRowBytes * (bandRows + 1), true);
    const bool diffusion = choice.kind == PaintConvert && !(DisplayMode & kOrderedDither);
    GlobalBuffer errors(diffusion ? sizeof(DiffusionErrorCell) * (width + 1) : 16, true);
    if (!span || !resampled || !band || !errors) return K_ERR_MEMORY;
    auto* cells = reinterpret_cast<DiffusionErrorCell*>(errors.get());

    BandHeader header;
    int colorCount = paintedBits > 8 ? 0 : 1 << paintedBits;
    PrepareHeader(header, bitmap, paintedBits, choice.kind, colorCount);

    // The clip's rows counted upward from the picture's bottom.
    const int64_t lowestUp = bottomUp ? g.C.top : H - g.C.bottom;
    const int64_t highestUp = bottomUp ? g.C.bottom - 1 : H - 1 - g.C.top;
    int64_t fetched = -1;
    int filled = 0;
    for (int y = V.bottom - 1; y >= V.top; --y) {
        // Never a row outside the clip (and the caller's rows), whatever the rounding.
        int64_t up = std::min<int64_t>(std::max<int64_t>(sourceUp, lowestUp), highestUp);
        if (up != fetched) {
            int storageRow = static_cast<int>(bottomUp ? up : H - 1 - up);
            if (!FetchRow(bitmap, rows, storageRow, byteStart, byteEnd - byteStart, span.get())) return K_ERR_READ;
            ResampleRow(bits, static_cast<int>(resampledBytes), firstColumn, wholeStep, columnRemainder, remainderStep,
                        span.get(), resampled.get(), width, static_cast<int>(dw), dw > sw);
            fetched = up;
        }
        unsigned char* out = band.get() + filled * bandRowBytes;
        switch (choice.kind) {
            case PaintExpand24:
                if (bits == 16)
                    ExpandRow16To24(out, resampled.get(), bitmap, 0, width);
                else
                    ExpandRow32To24(out, resampled.get(), bitmap, 0, width);
                break;
            case PaintConvert:
                ConvertDisplayRow(out, paintedBits, resampled.get(), bitmap, 0, width, V.left - g.D.left, y - g.D.top,
                                  cells);
                break;
            default:
                std::memcpy(out, resampled.get(), resampledBytes);
                break;
        }
        FixColorOrder(bitmap, paintedBits, out, width);
        ++filled;
        if (filled == bandRows || y == V.top) {
            if (!PaintBand(hdc, header, V.left, y, width, filled, 0, band.get(), width, rasterOp))
                return K_ERR_ARGUMENT;
            filled = 0;
        }
        rowRemainder += rowStep;
        sourceUp += rowWhole;
        if (rowRemainder >= dh) {
            rowRemainder -= dh;
            ++sourceUp;
        }
    }
    return K_OK;
}

}  // namespace

int PaintBitmapRect(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip, const RECT* destination,
                    const RECT* destinationClip, DWORD rasterOp, const PaintRows* rows) {
    if (!hdc || !bitmap || !destination) return K_ERR_ARGUMENT;
    PaintChoice choice = ChoosePaintKind(hdc, bitmap);
    Geometry g;
    const RECT whole{0, 0, bitmap->Width, bitmap->Height};
    g.S = source ? *source : whole;
    g.D = *destination;
    g.C = g.S;
    if (sourceClip && !IntersectRects(&g.C, &g.S, sourceClip)) return K_OK;
    g.K = g.D;
    if (destinationClip && !IntersectRects(&g.K, &g.D, destinationClip)) return K_OK;
    if (g.K.left >= g.K.right || g.K.top >= g.K.bottom) return K_OK;
    if (!IntersectRects(&g.C, &g.C, &whole)) return K_OK;
    if (rows) {
        const RECT held{0, rows->firstRow, bitmap->Width, rows->firstRow + rows->rowCount};
        if (rows->rowCount <= 0 || !IntersectRects(&g.C, &g.C, &held)) return K_OK;
    }
    std::unique_ptr<BitmapLock> lock;
    if (!rows) lock = std::make_unique<BitmapLock>(bitmap);
    if (g.D.right - g.D.left == g.S.right - g.S.left &&
        std::abs(g.D.bottom - g.D.top) == std::abs(g.S.bottom - g.S.top))
        return Paint1To1(hdc, bitmap, choice, g, rasterOp, rows);
    return PaintScaled(hdc, bitmap, choice, g, rasterOp, rows);
}
