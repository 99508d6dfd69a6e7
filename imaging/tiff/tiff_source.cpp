#include "tiff/tiff_source.h"

#include "io/format_codes.h"

TiffSource::TiffSource(Source& in) : in_(in) {
    const int end = in.End();
    size_ = end > 0 ? static_cast<uint32_t>(end) : 0;
    budget_ = static_cast<uint64_t>(size_) * limits::kTiffReadMultiple + limits::kTiffReadAllowance;
}

int TiffSource::ReadAt(uint32_t offset, void* out, size_t count) {
    if (count == 0) return K_OK;
    if (offset > size_ || count > size_ - offset || read_ + count > budget_) return K_ERR_READ;
    read_ += count;
    int r = in_.SeekTo(static_cast<int>(offset));
    if (r != K_OK) return r;
    return in_.ReadExact(out, static_cast<int>(count));
}
