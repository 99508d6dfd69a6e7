#include "tiff/tiff_source.h"

#include "io/format_codes.h"

TiffSource::TiffSource(Source& in) : in_(in), start_(in.bytesRead()) {
    const int end = in.End();
    size_ = end > 0 ? static_cast<uint32_t>(end) : 0;
    budget_ = static_cast<uint64_t>(size_) * limits::kTiffReadMultiple + limits::kTiffReadAllowance;
}

int TiffSource::ReadAt(uint32_t offset, void* out, size_t count) {
    if (count == 0) return K_OK;
    if (offset > size_ || count > size_ - offset) return K_ERR_READ;
    // What the file gave so far is counted, not estimated: overlapping
    // strips that re-read the same bytes pay for them every time. A read
    // that could take the total past the budget is refused; a refill may
    // still pass it by at most a buffer, and the next read stops there.
    if (bytesRead() + count > budget_) return K_ERR_READ;
    int r = in_.SeekTo(static_cast<int>(offset));
    if (r != K_OK) return r;
    return in_.ReadExact(out, static_cast<int>(count));
}
