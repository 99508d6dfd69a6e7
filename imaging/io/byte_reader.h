// Bounded reading for codecs: fields of a header buffer that knows its own
// length, and buffered sequential input through the file-access callbacks
// that turns a short read into -7 and a missed seek into -4.
#pragma once

#include <cstddef>
#include <cstdint>

#include "volkg.h"

class ByteView {
public:
    ByteView(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
    // Fields beyond the end read as 0; test Has first where it matters.
    uint8_t U8(size_t offset) const { return Has(offset, 1) ? data_[offset] : 0; }
    uint16_t U16LE(size_t offset) const {
        return Has(offset, 2) ? static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8) : 0;
    }
    uint32_t U32LE(size_t offset) const {
        return Has(offset, 4) ? static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
                                    static_cast<uint32_t>(data_[offset + 2]) << 16 |
                                    static_cast<uint32_t>(data_[offset + 3]) << 24
                              : 0;
    }
    int32_t I32LE(size_t offset) const { return static_cast<int32_t>(U32LE(offset)); }
    uint16_t U16BE(size_t offset) const {
        return Has(offset, 2) ? static_cast<uint16_t>(data_[offset] << 8 | data_[offset + 1]) : 0;
    }
    uint32_t U32BE(size_t offset) const {
        return Has(offset, 4) ? static_cast<uint32_t>(data_[offset]) << 24 | static_cast<uint32_t>(data_[offset + 1]) << 16 |
                                    static_cast<uint32_t>(data_[offset + 2]) << 8 | data_[offset + 3]
                              : 0;
    }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const unsigned char* data_;
    size_t size_;
};

// Sequential input from an open handle. The read buffer starts at the
// asked size and shrinks by 1024 bytes per failed allocation.
class FileInput {
public:
    explicit FileInput(int handle, int bufferBytes = 32768);
    ~FileInput();
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    bool ok() const { return buffer_ != nullptr; }
    // Exactly count bytes, or -7.
    int ReadExact(void* out, int count);
    // Up to count bytes; the number read (0 at the end of the data).
    int Read(void* out, int count);
    // The next byte, or -1 at the end of the data.
    int Byte() {
        if (pos_ < len_) return buffer_[pos_++];
        return Refill() ? buffer_[pos_++] : -1;
    }
    // To an absolute position: 1, or -4 when the seek does not arrive there.
    int SeekTo(int position);
    // Skips count bytes forwards: 1, or -7 when the data ends first.
    int Skip(int count);

private:
    bool Refill();
    int handle_;
    unsigned char* buffer_ = nullptr;
    int capacity_ = 0;
    int pos_ = 0;
    int len_ = 0;
};
