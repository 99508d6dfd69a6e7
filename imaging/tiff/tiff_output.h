// Buffered output of the TIFF writer over an open handle, with the byte
// order of the file being written and the patches a directory needs after
// its strips are known.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tiff/lzw.h"

class TiffOutput : public ByteSink {
public:
    TiffOutput(int handle, uint32_t position, bool bigEndian);
    ~TiffOutput() override;
    TiffOutput(const TiffOutput&) = delete;
    TiffOutput& operator=(const TiffOutput&) = delete;

    bool ok() const { return buffer_ != nullptr; }
    bool bigEndian() const { return bigEndian_; }
    // The position the next byte goes to.
    uint32_t position() const { return position_; }
    int Write(const unsigned char* data, size_t size) override;
    // Everything buffered to the file: 1 or -5.
    int Flush();
    // Writes at an earlier position and comes back: 1, -4 or -5.
    int WriteAt(uint32_t position, const unsigned char* data, size_t size);
    int Write32At(uint32_t position, uint32_t value);
    void Put16(unsigned char* p, uint32_t v) const;
    void Put32(unsigned char* p, uint32_t v) const;

private:
    int handle_;
    uint32_t position_;
    bool bigEndian_;
    unsigned char* buffer_ = nullptr;
    size_t used_ = 0;
    int status_ = 1;
};
