// The steps every per-format reader shares: a file opened through the
// file-access callbacks, bounded buffered input, and the session that
// carries a bitmap from the parsed header to delivered rows (colour order,
// dithering down, resizing while loading, the row callback). A reader adds
// only its own header, palette and row decoding.
#pragma once

#include <cstdint>

#include "volkg.h"

// A file opened through the current file-access callbacks; closed through
// the close callback when the scope ends (writers and probes; readers hold
// theirs in the reader session).
class CallbackFile {
public:
    CallbackFile() = default;
    ~CallbackFile() { Close(); }
    CallbackFile(const CallbackFile&) = delete;
    CallbackFile& operator=(const CallbackFile&) = delete;

    // Readers open with (0x8000, 0x100), writers with (0x8302, 0x80).
    bool OpenForRead(const char* name);
    bool OpenForWrite(const char* name);
    bool Open(const char* name, int flags, int permission);
    // Takes over a handle opened elsewhere (closed at the end as well).
    void Adopt(int handle) { handle_ = handle; }
    void Close();
    bool IsOpen() const { return handle_ >= 0; }
    int handle() const { return handle_; }

    int Read(void* buffer, int count);
    // True when exactly count bytes arrived.
    bool ReadExact(void* buffer, int count);
    bool WriteExact(const void* buffer, int count);
    int Seek(int offset, int origin);
    // True when the position arrived at offset.
    bool SeekTo(int offset) { return Seek(offset, 0) == offset; }
    int Tell() { return Seek(0, 1); }
    // The length of the data; leaves the position at offset 0.
    int SizeAndRewind();

private:
    int handle_ = -1;
};

// Buffered input for run-length decoders, limited to a window of the file
// (a DCX page ends where the next begins). Reads past the end give -1.
class ByteInput {
public:
    // Tries capacity bytes, less by step per failed allocation, down to
    // minimum; reads no further than the file position end.
    ByteInput(int handle, int end, int capacity, int step, int minimum);
    ~ByteInput();
    ByteInput(const ByteInput&) = delete;
    ByteInput& operator=(const ByteInput&) = delete;
    bool ok() const { return buffer_ != nullptr; }
    int capacity() const { return capacity_; }
    // The file is now at position; input starts there.
    void Reset(int position) { position_ = position; fill_ = next_ = 0; }
    // The next byte, or -1 at the end of the window or of the data.
    int Next() {
        if (next_ < fill_ || Refill()) return buffer_[next_++];
        return -1;
    }
    // Copies count bytes; false when the data ran out.
    bool Take(unsigned char* out, int count);

private:
    bool Refill();
    int handle_;
    unsigned char* buffer_ = nullptr;
    int capacity_ = 0;
    int fill_ = 0;
    int next_ = 0;
    int position_ = 0;  // file position of the byte after the buffer
    int end_;
};

// After a reader has filled the colour table: the colour count (at most
// 256), at 8 bits or less the grey flag and a palette handle from the
// table; the DIB header reset (size 40, one plane, the given bit count).
void FinishReaderColors(BitmapRecord* bitmap, int colors, int fileBits, int wantedBits);
// Above 8 bits without the fixed palette the record keeps no colours.
void DropTrueColorPalette(BitmapRecord* bitmap, int fileBits);
// The colour order a reader works to: the caller's when it is 0 or 1, else
// the file's.
inline int ResolveColorOrder(int entryOrder, int fileOrder) {
    return (entryOrder == 0 || entryOrder == 1) ? entryOrder : fileOrder;
}

#include "io/byte_order.h"
#include "io/reader_session.h"
