// The frame every image-processing operation works in: the shared bitmap
// check, the lock around pixel access, progress over a span of percents,
// the palette-only path of 1-, 4- and 8-bit bitmaps, rows at the bitmap's
// own depth, and 24-bit work rows converted or dithered back at the end.
//
// How an operation uses it:
//   int rc = CheckProcessBitmap(bitmap);      // -2 for null or unallocated
//   if (rc != K_OK) return rc;
//   ...its own argument checks (-13)...
//   Operations on colours alone edit a palette bitmap's palette instead of
//   its pixels:
//     if (bitmap->BitsPerPixel <= 8)
//         return ProcessPalette(bitmap, 0, 100, [&](PALETTEENTRY* e, int n) { ... });
//   In-place row work at the stored depth (row buffer, lock, progress with
//   one step a row, the first failing result returned):
//     return ProcessRows(bitmap, 0, 100, bitmap->BytesPerLine, [&](unsigned char* row, int y) { ... });
//   Work on B, G, R values of any depth:
//     WorkRows work(bitmap);
//     if ((rc = work.Begin()) != K_OK) return rc;
//     BitmapLock lock(bitmap); SpanProgress progress(0, 100, bitmap->Height);
//     for each storage row y, in order:
//         work.Read(y, buffer)  -> Width pixels of B, G, R
//         ...compute...
//         work.Write(y, buffer) -> converted (or dithered, rows in order) and stored
//   or ProcessWorkRows(bitmap, 0, 100, op) for a row-by-row operation.
#pragma once

#include <cstddef>

#include "core/bitmap.h"
#include "core/memory.h"
#include "volkg.h"

// 1, or -2 for a null record or one without storage.
int CheckProcessBitmap(const BitmapRecord* bitmap);

// Progress from a first to a last percent over a number of steps: the
// first percent before any work, then a share of the span after each step
// (the remainder spread so that the last step reaches the last percent).
// The status callback is read anew at each report and only called while
// one is set; any result other than 1 stops the operation and is its
// result.
class SpanProgress {
public:
    SpanProgress(int first, int last, int steps);
    // Reports the first percent: 1 or the callback's result.
    int Begin();
    // One step done: 1 or the callback's result.
    int Step();

private:
    int current_;
    int quotient_;
    int remainder_;
    int steps_;
    int accumulated_ = 0;
};

// The palette in use (fixed handle while FixedPaletteInUse): its Colors
// entries into entries[256]. 1, or -2 without a palette or on a short read
// (and for a record whose colour count is not 0..256).
int ReadBitmapPalette(const BitmapRecord* bitmap, PALETTEENTRY* entries, int* count);
// Writes count edited entries back: into the record's own palette handle,
// or, while the built-in fixed palette is in use, into a new palette of the
// record's own (the fixed one is shared and stays as it is). Unless the
// colour table holds the index map it is rewritten as B, G, R, 0; GrayPalette
// is cleared when a colour is no longer grey. 1 or -1.
int WriteBitmapPalette(BitmapRecord* bitmap, const PALETTEENTRY* entries, int count);

// The palette-only path: reads the palette, reports first, calls
// edit(entries, count), writes the entries back and reports last. Pixels
// are not touched; a stop comes before any change or after all of them.
template <typename Edit>
int ProcessPalette(BitmapRecord* bitmap, int first, int last, Edit&& edit) {
    PALETTEENTRY entries[256];
    int count = 0;
    int rc = ReadBitmapPalette(bitmap, entries, &count);
    if (rc != K_OK) return rc;
    SpanProgress progress(first, last, 1);
    if ((rc = progress.Begin()) != K_OK) return rc;
    edit(entries, count);
    if ((rc = WriteBitmapPalette(bitmap, entries, count)) != K_OK) return rc;
    return progress.Step();
}

// Result of a row transfer: 1 for the whole row, else the code to return.
int RowTransferResult(int moved, int bytes);

// The stored rows themselves while a record in memory is locked (null for
// file storage): row y starts y * BytesPerLine bytes in.
unsigned char* LockedRows(const BitmapRecord* bitmap);

// Rows at the stored depth, in storage order: op(row, y) changes each row
// in place (in a buffer of max(BytesPerLine, bufferBytes) bytes, or where it
// lies in memory when it needs no more room), one progress step a row.
// 1, -1, a row transfer's code or the callback's result; rows done stay
// changed.
template <typename RowOp>
int ProcessRows(BitmapRecord* bitmap, int first, int last, size_t bufferBytes, RowOp&& op) {
    const int bytes = bitmap->BytesPerLine;
    GlobalBuffer buffer(bufferBytes > static_cast<size_t>(bytes) ? bufferBytes : static_cast<size_t>(bytes));
    if (!buffer) return K_ERR_MEMORY;
    BitmapLock lock(bitmap);
    unsigned char* stored = bufferBytes <= static_cast<size_t>(bytes) ? LockedRows(bitmap) : nullptr;
    SpanProgress progress(first, last, bitmap->Height);
    int rc = progress.Begin();
    for (int y = 0; rc == K_OK && y < bitmap->Height; ++y) {
        if (stored) {
            op(stored + static_cast<size_t>(y) * bytes, y);
        } else {
            unsigned char* row = buffer.get();
            if ((rc = RowTransferResult(K_GetBitmapRow(bitmap, row, y, bytes), bytes)) != K_OK) break;
            op(row, y);
            if ((rc = RowTransferResult(K_PutBitmapRow(bitmap, row, y, bytes), bytes)) != K_OK) break;
        }
        rc = progress.Step();
    }
    return rc;
}

// Rows read only, in storage order, one progress step a row: op(row, y).
template <typename RowOp>
int ScanRows(BitmapRecord* bitmap, int first, int last, RowOp&& op) {
    const int bytes = bitmap->BytesPerLine;
    GlobalBuffer buffer(static_cast<size_t>(bytes));
    if (!buffer) return K_ERR_MEMORY;
    BitmapLock lock(bitmap);
    const unsigned char* stored = LockedRows(bitmap);
    SpanProgress progress(first, last, bitmap->Height);
    int rc = progress.Begin();
    for (int y = 0; rc == K_OK && y < bitmap->Height; ++y) {
        const unsigned char* row = buffer.get();
        if (stored)
            row = stored + static_cast<size_t>(y) * bytes;
        else if ((rc = RowTransferResult(K_GetBitmapRow(bitmap, buffer.get(), y, bytes), bytes)) != K_OK)
            break;
        op(row, y);
        rc = progress.Step();
    }
    return rc;
}

// True for 256 entries that ascend from black to white in steps of one: only
// then does an 8-bit index stand for its own grey level.
bool IsFullGreyRamp(const RGBQUAD* table, int colors);

// The 24-bit work rows of one operation on one bitmap. Rows of 1 and 4
// bits, and of 8 bits unless the palette is the full 256-level ascending
// grey ramp, are dithered back (Floyd-Steinberg, at the bitmap's own depth,
// over its own palette); grey-ramp rows go as grey levels; 16, 24 and 32
// bits are converted back. Write dithers with the error of the previous
// Write, so rows go back in one order.
class WorkRows {
public:
    explicit WorkRows(BitmapRecord* bitmap);
    ~WorkRows();
    WorkRows(const WorkRows&) = delete;
    WorkRows& operator=(const WorkRows&) = delete;

    // Starts dithering when needed: 1, or its code (-1, -13).
    int Begin();
    // Bytes of a work row: the larger of a stored row and a 24-bit row.
    int RowBytes() const { return rowBytes_; }
    bool Dithers() const { return dithering_; }
    // The bitmap's colours (its palette at 8 bits or less), Colors entries.
    const RGBQUAD* Colors() const { return temp_.ColorTable; }

    // A stored row, in place, to Width pixels of B, G, R; and back.
    void ToWork(unsigned char* row) const;
    void FromWork(unsigned char* row);
    // Storage row y into the buffer as B, G, R; 1 or a row transfer's code.
    int Read(int y, unsigned char* buffer);
    // The B, G, R buffer back to the bitmap's format, in place, into storage
    // row y; 1 or a row transfer's code.
    int Write(int y, unsigned char* buffer);

private:
    BitmapRecord* bitmap_;
    BitmapRecord temp_{};  // 24-bit BGR twin that carries the dithering state
    int sourceBits_;       // the bitmap's depth, 0 for grey-ramp rows
    int rowBytes_;
    bool dithering_ = false;
    bool started_ = false;
};

// A row-by-row operation on B, G, R values: op(bgrRow, y) for every storage
// row in order, with the frame of WorkRows and one progress step a row.
template <typename RowOp>
int ProcessWorkRows(BitmapRecord* bitmap, int first, int last, RowOp&& op) {
    WorkRows work(bitmap);
    int rc = work.Begin();
    if (rc != K_OK) return rc;
    GlobalBuffer buffer(static_cast<size_t>(work.RowBytes()));
    if (!buffer) return K_ERR_MEMORY;
    unsigned char* row = buffer.get();
    BitmapLock lock(bitmap);
    SpanProgress progress(first, last, bitmap->Height);
    rc = progress.Begin();
    for (int y = 0; rc == K_OK && y < bitmap->Height; ++y) {
        if ((rc = work.Read(y, row)) != K_OK) break;
        op(row, y);
        if ((rc = work.Write(y, row)) != K_OK) break;
        rc = progress.Step();
    }
    return rc;
}

// Channel selector of the operations: 0 all colour components (or the
// intensity), 1 red, 2 green, 3 blue.
constexpr unsigned kMaxChannel = 3;

// Remaps the selected channel of every pixel, or of every palette entry
// below 16 bits, through a 256-byte table, with progress from first to
// last percent. 1, -2, -13 (channel above 3 or no table), -1, or the
// callback's result.
int RemapBitmapChannel(BitmapRecord* bitmap, const unsigned char* table, unsigned channel, int first, int last);
