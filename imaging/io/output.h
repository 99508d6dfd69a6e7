// The save output: one buffered output through the file-access callbacks.
// A file is written under a temporary name in the target's folder and moved
// over the target only by Finish(); an Output that ends without a
// successful Finish removes what it wrote and leaves any old file as it
// was. Memory and offset windows (callbacks other than the built-in ones)
// are written in place. Every short write is a failure: the first one is
// kept in status() and returned by every later call and by Finish().
#pragma once

#include <cstdint>

#include "volkg.h"

class Output {
public:
    Output() = default;
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    enum class Mode {
        Create,  // a new file (an old one is replaced by Finish)
        Update,  // an existing file read and written (TIFF and DCX pages)
    };
    // Opens for writing: 1, or -14; -7 when an old file to update cannot
    // be copied beside itself.
    int Open(const char* name, Mode mode = Mode::Create);
    int status() const { return status_; }

    // Writes are buffered; 1 or the first failure (-5).
    int Write(const void* data, int count);
    int Byte(int value) {
        if (fill_ < capacity_) {
            buffer_[fill_++] = static_cast<unsigned char>(value);
            return status_;
        }
        unsigned char b = static_cast<unsigned char>(value);
        return Write(&b, 1);
    }
    int U16LE(unsigned value);
    int U32LE(uint32_t value);
    int U16BE(unsigned value);
    int U32BE(uint32_t value);
    // Count zero bytes.
    int Zeros(int count);

    // File position of the next byte written.
    int Tell() const { return position_ + fill_; }
    // Writes what is buffered and moves to an absolute position: 1, -4, -5.
    int SeekTo(int position);
    // Writes what is buffered: 1 or -5.
    int Flush();
    // The open handle (for a writer that must read back what it wrote;
    // call Flush first).
    int handle() const { return handle_; }

    // Writes the rest, closes and puts the file in place: 1, or the first
    // failure (-5; -14 when the target cannot be replaced).
    int Finish();

private:
    void Abandon();
    int handle_ = -1;
    int status_ = K_OK;
    unsigned char* buffer_ = nullptr;
    int capacity_ = 0;
    int fill_ = 0;
    int position_ = 0;        // file position of the buffer's first byte
    char* target_ = nullptr;  // set when writing under a temporary name
    char* temporary_ = nullptr;
};
