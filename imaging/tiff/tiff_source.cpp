#include "tiff/tiff_source.h"

#include <algorithm>

#include "io/format_codes.h"

TiffSource::TiffSource(Source& in) : in_(in) {
    const int end = in.End();
    size_ = end > 0 ? static_cast<uint32_t>(end) : 0;
    budget_ = static_cast<uint64_t>(size_) * limits::kTiffReadMultiple + limits::kTiffReadAllowance;
}

int TiffSource::ReadAt(uint32_t offset, void* out, size_t count) {
    if (count == 0) return K_OK;
    if (offset > size_ || count > size_ - offset) return K_ERR_READ;
    // A read outside what the last refill brought in may refill the
    // source's whole buffer: it is charged that much.
    if (offset < window_ || static_cast<uint64_t>(offset) + count > windowEnd_) {
        const uint64_t cost = std::max<uint64_t>(count, std::min<uint64_t>(kSourceBuffer, size_ - offset));
        if (read_ + cost > budget_) return K_ERR_READ;
        read_ += cost;
        window_ = offset;
        windowEnd_ = offset + cost;
    }
    int r = in_.SeekTo(static_cast<int>(offset));
    if (r != K_OK) return r;
    return in_.ReadExact(out, static_cast<int>(count));
}
