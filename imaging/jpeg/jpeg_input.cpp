// The decoder's input window over the file-access callbacks.
#include <cstring>

#include "io/file_callbacks.h"
#include "jpeg/jpeg_decoder.h"

void JpegInput::Begin(int handle, uint8_t* window, bool ownStream) {
    handle_ = handle;
    window_ = window;
    start_ = pos_ = end_ = window;
    own_ = ownStream;
    ended_ = false;
    error_ = 0;
}

bool JpegInput::Refill() {
    if (ended_) return false;
    int got = FileRead(handle_, window_, kJpegInputChunk);
    if (got <= 0) {
        ended_ = true;
        if (got < 0) error_ = kJpegBadSeek;
        start_ = pos_ = end_ = window_;
        std::memset(window_, 0, kJpegInputTail);
        return false;
    }
    // The own format stores every scan byte less 128.
    if (own_)
        for (int i = 0; i < got; ++i) window_[i] = static_cast<uint8_t>(window_[i] - 128);
    // Zeros after the data: what the fast decoder may look at but never uses.
    std::memset(window_ + got, 0, kJpegInputTail);
    start_ = pos_ = window_;
    end_ = window_ + got;
    return true;
}

bool JpegInput::Read(uint8_t* out, long count) {
    while (count > 0) {
        if (pos_ == end_ && !Refill()) return false;
        long n = end_ - pos_;
        if (n > count) n = count;
        std::memcpy(out, pos_, static_cast<size_t>(n));
        pos_ += n;
        out += n;
        count -= n;
    }
    return true;
}

bool JpegInput::Skip(long count) {
    while (count > 0) {
        if (pos_ == end_ && !Refill()) return false;
        long n = end_ - pos_;
        if (n > count) n = count;
        pos_ += n;
        count -= n;
    }
    return true;
}
