// Positional input of a TIFF reader over an open handle: every read names
// its offset, stays inside the file, and counts against a budget of a fixed
// multiple of the file size, so that no file makes a reader read more than
// that however its strips and directories point at each other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "volkg.h"

class TiffSource {
public:
    // Takes the size of the data behind the handle (seek to the end).
    explicit TiffSource(int handle);

    int handle() const { return handle_; }
    uint32_t size() const { return size_; }
    bool valid() const { return size_ > 0; }
    // Exactly count bytes at offset: 1, -4 when the seek fails, -7 when the
    // range leaves the file, the read comes short or the budget is spent.
    int ReadAt(uint32_t offset, void* out, size_t count);
    // Bytes read so far.
    uint64_t bytesRead() const { return read_; }

    // Reads may total at most this multiple of the file size (plus a
    // little for tiny files): an honest file is read about once.
    static constexpr uint64_t kBudgetMultiple = 8;

private:
    int handle_;
    uint32_t size_ = 0;
    uint64_t read_ = 0;
    uint64_t budget_ = 0;
};
