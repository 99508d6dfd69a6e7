#include "tiff/tiff_source.h"

#include "io/file_callbacks.h"

TiffSource::TiffSource(int handle) : handle_(handle) {
    int end = FileSeek(handle, 0, 2);
    FileSeek(handle, 0, 0);
    size_ = end > 0 ? static_cast<uint32_t>(end) : 0;
    budget_ = static_cast<uint64_t>(size_) * kBudgetMultiple + 65536;
}

int TiffSource::ReadAt(uint32_t offset, void* out, size_t count) {
    if (count == 0) return K_OK;
    if (offset > size_ || count > size_ - offset) return K_ERR_READ;
    if (read_ + count > budget_) return K_ERR_READ;
    read_ += count;
    if (FileSeek(handle_, static_cast<int>(offset), 0) != static_cast<int>(offset)) return K_ERR_SEEK;
    return FileRead(handle_, out, static_cast<int>(count)) == static_cast<int>(count) ? K_OK : K_ERR_READ;
}
