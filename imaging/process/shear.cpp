// K_ShearBitmap: rows slid sideways by whole pixels (columns, between two
// quarter turns), exact at every depth. The caller's picture is only read
// until the sheared one is complete, so every failure and every stop leaves
// it as it was.
#include <cstdint>
#include <cstring>

#include "core/bitmap_copy.h"
#include "core/palette.h"
#include "core/rows.h"
#include "process/process_frame.h"
#include "process/rotate.h"
#include "core/trig.h"

namespace {

// A row wider than this is refused, as the operation always has.
constexpr int64_t kMaxShearRowBytes = 32768;

// Pixels 0..count-1 of a row copied to pixels offset.. of another.
void PlacePixels(const unsigned char* from, unsigned char* to, int offset, int count, int bits) {
    if (bits >= 8) {
        const int size = bits / 8;
        std::memcpy(to + static_cast<size_t>(offset) * size, from, static_cast<size_t>(count) * size);
        return;
    }
    for (int x = 0; x < count; ++x) {
        const int i = offset + x;
        if (bits == 1) {
            const unsigned char m = static_cast<unsigned char>(0x80 >> (i & 7));
            if (from[x >> 3] & (0x80 >> (x & 7)))
                to[i >> 3] |= m;
            else
                to[i >> 3] &= static_cast<unsigned char>(~m);
        } else {
            const int v = x & 1 ? from[x >> 1] & 15 : from[x >> 1] >> 4;
            unsigned char& b = to[i >> 1];
            b = static_cast<unsigned char>(i & 1 ? (b & 0xF0) | v : (b & 0x0F) | v << 4);
        }
    }
}

// Records made here share the caller's palettes; freeing one keeps them.
struct TempRecord {
    GlobalBuffer block{sizeof(BitmapRecord), true};
    BitmapRecord* get() const { return reinterpret_cast<BitmapRecord*>(block.get()); }
    ~TempRecord() {
        if (block) FreeBitmapIfAllocated(get(), 0);
    }
};

// Slides the rows of source into a new record: the bottom line stays at
// the left edge and each line above lies off(k) pixels further right; with
// mirror the rows are read and written mirrored (a negative angle).
int ShearRows(BitmapRecord* source, BitmapRecord* target, int s, int c, bool mirror, COLORREF fill, int first,
              int last) {
    const int w = source->Width, h = source->Height, bits = source->BitsPerPixel;
    const int64_t newWidth = w + static_cast<int64_t>(s) * h / c;
    if ((newWidth * bits + 7) / 8 > kMaxShearRowBytes) return K_ERR_ARGUMENT;
    int rc = CreateBitmapLike(target, source, static_cast<int>(newWidth), h, bits, kCloneAllocate);
    if (rc != K_OK) return rc;
    const int sourceBytes = source->BytesPerLine, targetBytes = target->BytesPerLine;
    GlobalBuffer fillRow(static_cast<size_t>(targetBytes), true), row(static_cast<size_t>(targetBytes)),
        sourceRow(static_cast<size_t>(sourceBytes));
    if (!fillRow || !row || !sourceRow) return K_ERR_MEMORY;
    FillRowColor(target, fill, fillRow.get(), target->Width);

    BitmapLock lockSource(source);
    BitmapLock lockTarget(target);
    const int whole = s / c, fraction = s % c;
    int offset = 0, accumulated = 0;
    SpanProgress progress(first, last, h);
    rc = progress.Begin();
    for (int k = 0; k < h && rc == K_OK; ++k) {
        if (k > 0) {
            offset += whole;
            accumulated += fraction;
            if (accumulated > c) ++offset, accumulated -= c;
        }
        // Display line k from the bottom.
        const int y = source->ViewPerspective == K_BOTTOM_UP ? k : h - 1 - k;
        if ((rc = RowTransferResult(K_GetBitmapRow(source, sourceRow.get(), y, sourceBytes), sourceBytes)) != K_OK)
            break;
        if (mirror) ReverseRow(source, sourceRow.get());
        std::memcpy(row.get(), fillRow.get(), targetBytes);
        PlacePixels(sourceRow.get(), row.get(), offset, w, bits);
        if (mirror) ReverseRow(target, row.get());
        if ((rc = RowTransferResult(K_PutBitmapRow(target, row.get(), y, targetBytes), targetBytes)) != K_OK) break;
        rc = progress.Step();
    }
    return rc;
}

}  // namespace

extern "C" int KAPI K_ShearBitmap(BitmapRecord* bitmap, int angle, int horizontal, COLORREF fill) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (angle > 4500 || angle < -4500) return K_ERR_ARGUMENT;
    // The fill finds its palette index among real colours.
    PaletteColorsScope colors(bitmap);
    const int a = angle < 0 ? -angle : angle;
    const int s = SinLookup(a), c = CosLookup(a);

    TempRecord turned, sheared, back;
    if (!turned.block || !sheared.block || !back.block) return K_ERR_MEMORY;
    BitmapRecord* rows = bitmap;
    if (!horizontal) {
        // Columns slide as rows of the picture turned a quarter clockwise.
        if ((rc = RotateQuarterInto(bitmap, turned.get(), 1, 0, 20)) != K_OK) return rc;
        rows = turned.get();
    }
    rc = ShearRows(rows, sheared.get(), s, c, angle < 0, fill, horizontal ? 0 : 20, horizontal ? 100 : 80);
    if (rc != K_OK) return rc;
    BitmapRecord* result = sheared.get();
    if (!horizontal) {
        if ((rc = RotateQuarterInto(sheared.get(), back.get(), 0, 80, 100)) != K_OK) return rc;
        result = back.get();
    }
    FreeBitmapIfAllocated(bitmap, 0);
    std::memcpy(bitmap, result, sizeof(BitmapRecord));
    // The record now belongs to the caller.
    std::memset(result, 0, sizeof(BitmapRecord));
    return K_OK;
}
