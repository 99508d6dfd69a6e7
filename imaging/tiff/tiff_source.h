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
    // Bytes the source has taken from the file since this began (buffer
    // refills and reads that go straight through alike).
    uint64_t bytesRead() const { return in_.bytesRead() - start_; }

private:
    Source& in_;
    uint32_t size_ = 0;
    uint64_t budget_ = 0;
    uint64_t start_ = 0;
};
