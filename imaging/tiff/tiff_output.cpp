#include "tiff/tiff_output.h"

#include <cstring>

#include "core/memory.h"
#include "io/file_callbacks.h"
#include "volkg.h"

namespace {
constexpr size_t kBufferBytes = 65536;
}

TiffOutput::TiffOutput(int handle, uint32_t position, bool bigEndian)
    : handle_(handle), position_(position), bigEndian_(bigEndian),
      buffer_(static_cast<unsigned char*>(AllocGlobalLocked(kBufferBytes))) {}

TiffOutput::~TiffOutput() { FreeGlobalLocked(buffer_); }

int TiffOutput::Flush() {
    if (used_ && status_ == K_OK)
        status_ = FileWrite(handle_, buffer_, static_cast<int>(used_)) == static_cast<int>(used_) ? K_OK : K_ERR_WRITE;
    used_ = 0;
    return status_;
}

int TiffOutput::Write(const unsigned char* data, size_t size) {
    if (status_ != K_OK) return status_;
    position_ += static_cast<uint32_t>(size);
    if (size >= kBufferBytes) {
        if (Flush() != K_OK) return status_;
        if (FileWrite(handle_, data, static_cast<int>(size)) != static_cast<int>(size)) status_ = K_ERR_WRITE;
        return status_;
    }
    if (used_ + size > kBufferBytes && Flush() != K_OK) return status_;
    std::memcpy(buffer_ + used_, data, size);
    used_ += size;
    return K_OK;
}

int TiffOutput::WriteAt(uint32_t position, const unsigned char* data, size_t size) {
    if (Flush() != K_OK) return status_;
    if (FileSeek(handle_, static_cast<int>(position), 0) != static_cast<int>(position)) return status_ = K_ERR_SEEK;
    if (FileWrite(handle_, data, static_cast<int>(size)) != static_cast<int>(size)) return status_ = K_ERR_WRITE;
    if (FileSeek(handle_, static_cast<int>(position_), 0) != static_cast<int>(position_)) return status_ = K_ERR_SEEK;
    return K_OK;
}

int TiffOutput::Write32At(uint32_t position, uint32_t value) {
    unsigned char b[4];
    Put32(b, value);
    return WriteAt(position, b, 4);
}

void TiffOutput::Put16(unsigned char* p, uint32_t v) const {
    if (bigEndian_) {
        p[0] = static_cast<unsigned char>(v >> 8);
        p[1] = static_cast<unsigned char>(v);
    } else {
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
    }
}

void TiffOutput::Put32(unsigned char* p, uint32_t v) const {
    if (bigEndian_) {
        Put16(p, v >> 16);
        Put16(p + 2, v & 0xFFFF);
    } else {
        Put16(p, v & 0xFFFF);
        Put16(p + 2, v >> 16);
    }
}
