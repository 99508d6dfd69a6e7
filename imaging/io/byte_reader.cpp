#include "io/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/file_callbacks.h"

FileInput::FileInput(int handle, int bufferBytes) : handle_(handle) {
    for (int size = bufferBytes; size > 0 && !buffer_; size -= 1024) {
        buffer_ = static_cast<unsigned char*>(AllocGlobalLocked(size));
        if (buffer_) capacity_ = size;
    }
}

FileInput::~FileInput() { FreeGlobalLocked(buffer_); }

bool FileInput::Refill() {
    if (!buffer_) return false;
    pos_ = 0;
    len_ = 0;
    int got = FileRead(handle_, buffer_, capacity_);
    if (got <= 0) return false;
    len_ = std::min(got, capacity_);
    return true;
}

int FileInput::Read(void* out, int count) {
    auto* dst = static_cast<unsigned char*>(out);
    int done = 0;
    while (done < count) {
        if (pos_ >= len_) {
            // Large reads go straight to the caller.
            if (count - done >= capacity_) {
                int got = FileRead(handle_, dst + done, count - done);
                if (got <= 0) break;
                done += std::min(got, count - done);
                continue;
            }
            if (!Refill()) break;
        }
        int n = std::min(count - done, len_ - pos_);
        std::memcpy(dst + done, buffer_ + pos_, n);
        pos_ += n;
        done += n;
    }
    return done;
}

int FileInput::ReadExact(void* out, int count) {
    if (count < 0) return K_ERR_READ;
    return Read(out, count) == count ? K_OK : K_ERR_READ;
}

int FileInput::SeekTo(int position) {
    pos_ = len_ = 0;
    if (position < 0) return K_ERR_SEEK;
    return FileSeek(handle_, position, 0) == position ? K_OK : K_ERR_SEEK;
}

int FileInput::Skip(int count) {
    while (count > 0) {
        if (pos_ >= len_ && !Refill()) return K_ERR_READ;
        int n = std::min(count, len_ - pos_);
        pos_ += n;
        count -= n;
    }
    return K_OK;
}
