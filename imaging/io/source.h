// The bounded source: buffered input from an open handle through the
// file-access callbacks. It knows where the data ends (the file's length,
// or a window such as a DCX page), reads exactly n bytes or integers of
// either byte order, skips and seeks, and turns every shortfall into a K_
// code: a short read into -7 (or the code the caller names), a seek that
// does not arrive into -4. Header fields read through U8/U16LE/... keep the
// first failure in status(), so a header can be read field by field and
// checked once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "volkg.h"

// A file opened for reading through the file-access callbacks, closed when
// the scope ends (probes and readers that keep their own steps).
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    // 1, -8 without a name, -10 when it cannot be opened.
    int Open(const char* name);
    int handle() const { return handle_; }

private:
    int handle_ = -1;
};

class Source {
public:
    // Input starts at the handle's current position. The buffer starts at
    // capacity bytes and shrinks by 1024 per failed allocation down to
    // minimum; without one the source reads straight through (ok() false).
    explicit Source(int handle, int capacity = 32768, int minimum = 1024);
    ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    bool ok() const { return buffer_ != one_; }
    int handle() const { return handle_; }
    int status() const { return status_; }
    // Bytes taken from the handle so far (buffer refills and direct reads).
    uint64_t bytesRead() const { return bytesRead_; }
    // Records a failure (the first one is kept).
    void Fail(int code) {
        if (status_ == K_OK) status_ = code;
    }

    // File position of the next byte.
    int Tell() const { return filePos_ - (len_ - pos_); }
    // Where the data ends: the file's length unless a window is set.
    int End();
    // Ends the data at a file position (a page of a multi-page file).
    void SetEnd(int end);
    // Bytes between here and the end.
    int64_t Remaining() { return static_cast<int64_t>(End()) - Tell(); }
    // 1 when at least count bytes are left, else code.
    int Require(int64_t count, int code = K_ERR_READ) { return Remaining() >= count ? K_OK : code; }

    // Exactly count bytes, or shortCode (the source's status keeps it).
    // Large reads go straight to out.
    int ReadExact(void* out, int count, int shortCode = K_ERR_READ);
    // Up to count bytes: the number read (0 at the end of the data).
    int Read(void* out, int count);
    // The next byte, or -1 at the end of the data.
    int Byte() {
        if (pos_ < len_) return buffer_[pos_++];
        return Refill() ? buffer_[pos_++] : -1;
    }
    // Skips count bytes forwards: 1, or shortCode when the data ends first.
    int Skip(int64_t count, int shortCode = K_ERR_READ);
    // To an absolute position: 1, or -4 when the seek does not arrive.
    int SeekTo(int position);

    // For decoding loops: the bytes buffered now, refilled when none are
    // (*available 0 and null at the end of the data); Consume takes count
    // of them.
    const unsigned char* Window(int* available) {
        if (pos_ >= len_ && !Refill()) {
            *available = 0;
            return nullptr;
        }
        *available = len_ - pos_;
        return buffer_ + pos_;
    }
    void Consume(int count) { pos_ += count; }

    // Header fields; past the end they read as 0 and status() says -7.
    uint8_t U8();
    uint16_t U16LE();
    uint16_t U16BE();
    uint32_t U32LE();
    uint32_t U32BE();
    int32_t I32LE() { return static_cast<int32_t>(U32LE()); }

private:
    bool Refill();
    int RawRead(unsigned char* out, int count);
    int handle_;
    unsigned char one_[1] = {};  // the buffer when none could be allocated
    unsigned char* buffer_ = one_;
    int capacity_ = 1;
    int pos_ = 0;
    int len_ = 0;
    int filePos_ = 0;  // file position of the byte after the buffer
    int end_ = -1;     // -1: not asked yet
    int status_ = K_OK;
    uint64_t bytesRead_ = 0;
};
