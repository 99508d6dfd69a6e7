// Positional input of the TIFF reader over the kit's bounded source: every
// read names its offset, stays inside the data, and counts against a budget
// of a fixed multiple of the data's size, so that however a file's strips
// and directories point at each other, no file makes the reader read more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/source.h"

class TiffSource {
public:
    explicit TiffSource(Source& in);

    Source& source() { return in_; }
    uint32_t size() const { return size_; }
    // Exactly count bytes at offset: 1, -4 when the seek fails, -7 when the
    // range leaves the data, the read comes short or the budget is spent.
    int ReadAt(uint32_t offset, void* out, size_t count);
    // Bytes read so far (counting the buffer refills a read may cause).
    uint64_t bytesRead() const { return read_; }
    // The most a source reads into its buffer at once.
    static constexpr uint64_t kSourceBuffer = 32768;

private:
    Source& in_;
    uint32_t size_ = 0;
    uint64_t read_ = 0;
    uint64_t budget_ = 0;
    uint32_t window_ = 0;
    uint64_t windowEnd_ = 0;
};
