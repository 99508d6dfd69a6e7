// Helpers shared by every reader, and the reader contract in one class:
// the opening steps, the bitmap set-up from the file's geometry, and the
// per-row path (colour order, depth, resize, dither, row callback).
#pragma once

#include "core/palette.h"       // CreateBitmapPalette, SetPaletteIndexMap
#include "core/pixel_format.h"  // SwapRowRedBlue, ConvertRowPixelSize
#include "io/resize.h"
#include "volkg.h"

// Clears the storage flags of a record that was never initialised (format
// code or depth out of range), so that it counts as not allocated. 1.
int ResetStaleBitmapFlags(BitmapRecord* bitmap);
// 1 when every entry has equal red, green and blue; kind 1: 4-byte RGBQUAD
// entries, else 3-byte triplets (blue, green, red).
int IsGrayColorTable(const void* colors, int count, int kind);
// Copies count bits from bit first (bit 0: the top bit of byte 0) to the
// output, most significant first. 1.
int ExtractBitField(const unsigned char* source, int first, int count, unsigned char* output);
// Converts a row over the bitmap's width unless depths match (and are 8 or
// less, or the orders match): 1 or K_ConvertBuffer's result.
int ConvertRowIfNeeded(BitmapRecord* bitmap, unsigned char* row, int sourceBits, int targetBits, int sourceOrder,
                       int targetOrder);
// Called per block by the JPEG-family decoder; does nothing. 0.
int FetchBlockStub(void* buffer, int width, int height, int position, int extra);

// The reader contract of every per-format reader.
//   ReaderSession s;
//   if ((r = s.Open(name, bitmap, bits)) != 1) return r;
//   ... parse the header through s.handle() ...
//   if ((r = s.SetImage(width, height, fileBits, fileOrder)) != 1) return r;
//   ... colour table, Colors, flags, palette, view, resolution, format code ...
//   if ((r = s.BeginRows(callback, user)) != 1) return r;
//   for each row: decode s.FileRowBytes() bytes into s.Row(); s.DeliverRow(i)
// The destructor stops dithering, ends the resize and closes the file.
class ReaderSession {
public:
    ReaderSession() = default;
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    // Wanted depth (-27), stale flags, name (-8), open (-10).
    int Open(const char* name, BitmapRecord* bitmap, int wantedBits);
    int handle() const { return handle_; }
    // The file's geometry: initialises a bitmap that is not allocated, and
    // starts a resize when the bitmap named another size on entry. 1, -1,
    // -9 (a size that cannot be stored), -13.
    int SetImage(int width, int height, int bits, int fileColorOrder);
    // Chooses the row path and allocates the row buffer. 1, -1.
    int BeginRows(RowCallback callback, void* userData);
    // The row buffer: holds a file row, a delivered row and a resized one.
    unsigned char* Row() const { return row_; }
    // Unpadded bytes of one row as the file stores it.
    int FileRowBytes() const { return fileRowBytes_; }
    // Passes the row in Row() (source row index) on: 1 or the first result
    // other than 1. While resizing, a source row is delivered as many times
    // as the resize count says (0: dropped), and the last one fills the
    // bitmap's height.
    int DeliverRow(int sourceRow);

    int FileWidth() const { return width_; }
    int FileHeight() const { return height_; }
    int FileBits() const { return bits_; }

private:
    int Pass(unsigned char* row);
    BitmapRecord* bitmap_ = nullptr;
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

// The per-format bitmap loader of every codec: information, a record at the
// file's size and depth with memory storage, the reader with a callback
// that stores rows one after another from row 0, release; a failure frees
// the record. colorOrder is set on the record before the reader runs.
int LoadBitmapWithReader(const char* name, BitmapRecord* bitmap,
                         int(KAPI* reader)(const char*, BitmapRecord*, RowCallback, int, void*), int colorOrder);
