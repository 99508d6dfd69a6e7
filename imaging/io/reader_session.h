// The reader session: the one way into a per-format reader. It checks the
// entry arguments, opens the file with a bounded source over it, keeps the
// record's colour order and size as they were on entry, starts dithering
// and resize-while-loading, delivers rows, and undoes everything on every
// exit. LoadWholeBitmap is the one one-call loader over a reader.
#pragma once

#include <cstdint>

#include "core/palette.h"       // CreateBitmapPalette, SetPaletteIndexMap
#include "core/pixel_format.h"  // SwapRowRedBlue, ConvertRowPixelSize
#include "io/resize.h"
#include "io/source.h"
#include "volkg.h"

// Clears the storage flags of a record that was never initialised (format
// code or depth out of range), so that it counts as not allocated. 1.
int ResetStaleBitmapFlags(BitmapRecord* bitmap);

// After a reader filled ColorTable: the colour count (at most 256), at 8
// bits or less the grey flag and a palette from the table.
void SetReaderColors(BitmapRecord* bitmap, int colors, int fileBits);
// The DIB header reset to size 40, one plane and the given bit count.
void ResetDibHeader(BitmapRecord* bitmap, int bits);

class ReaderSession {
public:
    ReaderSession() = default;
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    // Wanted depth (-27), record (-13), stale flags, name (-8), open (-10).
    int Open(const char* name, BitmapRecord* bitmap, int wantedBits);
    // The file, from its first byte.
    Source& source() { return *source_; }
    int handle() const { return handle_; }
    BitmapRecord* bitmap() const { return bitmap_; }
    int WantedBits() const { return wanted_; }

    // The colour order the caller asked for on entry (0 RGB, 1 BGR, else
    // "as the file has it"), and the order a reader works to for a file
    // stored in fileOrder.
    int EntryOrder() const { return entryOrder_; }
    int OrderFor(int fileOrder) const { return entryOrder_ == 0 || entryOrder_ == 1 ? entryOrder_ : fileOrder; }

    // The file's geometry: initialises a record that is not allocated, and
    // starts a resize when the record named another size on entry. 1, -1,
    // -9 (a size whose rows cannot be stored), -13.
    int SetImage(int width, int height, int bits, int fileColorOrder);
    // SetReaderColors for the file's depth.
    void FinishColors(int colors) { SetReaderColors(bitmap_, colors, bits_); }
    // ResetDibHeader to the wanted depth.
    void ResetDibHeader() { ::ResetDibHeader(bitmap_, wanted_); }
    // Chooses the row path and allocates the row buffer. 1, -1.
    int BeginRows(RowCallback callback, void* userData);
    // The row buffer: holds a file row, a delivered row and a resized one.
    unsigned char* Row() const { return row_; }
    // Unpadded bytes of one row as the file stores it.
    int FileRowBytes() const { return fileRowBytes_; }
    // Passes the row in Row() (source row index) on: 1 or the first result
    // other than 1. While resizing, a source row is delivered as many times
    // as the resize count says (0: dropped), and the last one fills the
    // record's height.
    int DeliverRow(int sourceRow);
    // Reads rows *row, *row + 1, ... (fileRowBytes each, as the file stores
    // them) straight into the record's storage and passes them on, while
    // that is possible: rows of the record's own size passed on unchanged
    // (no colour swap, widening, resize or dithering) to a callback that
    // stores them one after another in locked memory, and never the first
    // row, which sets the record up. Advances *row past the rows done; the
    // reader reads the rest itself. 1, a short-read code or the callback's
    // result.
    int ReadStoredRows(int* row, int height, int fileRowBytes);
    // The same for a reader that decodes: where the next count rows would
    // be stored on those terms (null when they would not), and the pass of
    // one row decoded there.
    unsigned char* StoredRows(int count, int fileRowBytes) { return DirectRows(count, fileRowBytes); }
    int PassStoredRow(unsigned char* row) { return Pass(row); }
    // Above 8 bits without the fixed palette the record keeps no colours:
    // readers call it after their last row.
    void DropTrueColorPalette();

    int FileWidth() const { return width_; }
    int FileHeight() const { return height_; }
    int FileBits() const { return bits_; }

private:
    int Pass(unsigned char* row);
    unsigned char* DirectRows(int count, int fileRowBytes);
    BitmapRecord* bitmap_ = nullptr;
    Source* source_ = nullptr;
    int delivered_ = 0;
    int handle_ = -1;
    int wanted_ = 0;
    int entryWidth_ = 0, entryHeight_ = 0, entryOrder_ = -1;
    unsigned entryFlags_ = 0;
    int width_ = 0, height_ = 0, bits_ = 0, fileOrder_ = -1;
    int fileRowBytes_ = 0;
    bool swap_ = false, widen_ = false, dithering_ = false;
    ResizeScope resize_;
    unsigned char* row_ = nullptr;
    unsigned char* dithered_ = nullptr;
    RowCallback callback_ = nullptr;
    void* user_ = nullptr;
};

// Where a callback that stores rows unchanged, one after another (the
// one-call loader's and K_LoadFile's), would put its next count rows, when
// that is locked memory it has already allocated; null otherwise. A reader
// that decodes rows there and hands the callback the same pointer is
// spared a copy per row.
unsigned char* StoredRowsFor(RowCallback callback, void* user, BitmapRecord* bitmap, int count);

// A per-format reader as the load table and LoadWholeBitmap call it.
using FormatReader = int(KAPI*)(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                void* userData);

// The one-call loader of every codec (K_LoadBMPBitmap and its kind): frees
// a record that holds storage, reads the file information, sets the record
// up at the file's size and depth with storage, runs the reader with a
// callback that stores rows one after another from row 0 (never past the
// last), and frees the record again on failure. colorOrder is set on the
// record before the reader runs (-1: as the file has it).
int LoadWholeBitmap(const char* name, BitmapRecord* bitmap, FormatReader reader, int colorOrder);
