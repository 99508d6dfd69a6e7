#include "io/source.h"

#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/file_callbacks.h"
#include "io/format_codes.h"

InputFile::~InputFile() {
    if (handle_ >= 0) FileClose(handle_);
}

int InputFile::Open(const char* name) {
    if (!name) return K_ERR_NONAME;
    int h = FileOpen(name, kReaderOpenFlags, kReaderPermission);
    if (h < 0) return K_ERR_OPEN;
    handle_ = h;
    return K_OK;
}

Source::Source(int handle, int capacity, int minimum) : handle_(handle) {
    for (int size = capacity; size >= minimum && size > 0; size -= 1024) {
        auto* block = static_cast<unsigned char*>(AllocGlobalLocked(size));
        if (block) {
            buffer_ = block;
            capacity_ = size;
            break;
        }
    }
    int at = FileSeek(handle_, 0, 1);
    filePos_ = at < 0 ? 0 : at;
}

Source::~Source() {
    if (buffer_ != one_) FreeGlobalLocked(buffer_);
}

int Source::End() {
    if (end_ < 0) {
        // Callers' own callbacks may not know their length: then no end.
        int here = filePos_;
        int length = FileSeek(handle_, 0, 2);
        end_ = length < 0 ? limits::kNoEnd : length;
        if (FileSeek(handle_, here, 0) != here) end_ = std::min(end_, here);
    }
    return end_;
}

void Source::SetEnd(int end) { end_ = end; }

int Source::RawRead(unsigned char* out, int count) {
    int room = End() - filePos_;
    count = std::min(count, room);
    if (count <= 0) return 0;
    int got = FileRead(handle_, out, count);
    if (got <= 0) return 0;
    got = std::min(got, count);
    filePos_ += got;
    bytesRead_ += static_cast<uint64_t>(got);
    return got;
}

bool Source::Refill() {
    pos_ = len_ = 0;
    len_ = RawRead(buffer_, capacity_);
    return len_ > 0;
}

int Source::Read(void* out, int count) {
    auto* dst = static_cast<unsigned char*>(out);
    int done = 0;
    while (done < count) {
        if (pos_ < len_) {
            int n = std::min(count - done, len_ - pos_);
            std::memcpy(dst + done, buffer_ + pos_, n);
            pos_ += n;
            done += n;
            continue;
        }
        // Reads of at least a buffer's worth skip the buffer.
        if (count - done >= capacity_) {
            int got = RawRead(dst + done, count - done);
            if (got <= 0) break;
            done += got;
            continue;
        }
        if (!Refill()) break;
    }
    return done;
}

int Source::ReadExact(void* out, int count, int shortCode) {
    if (count < 0 || Read(out, count) != count) {
        Fail(shortCode);
        return shortCode;
    }
    return K_OK;
}

int Source::Skip(int64_t count, int shortCode) {
    if (count < 0 || count > Remaining()) {
        Fail(shortCode);
        return shortCode;
    }
    int64_t buffered = len_ - pos_;
    if (count <= buffered) {
        pos_ += static_cast<int>(count);
        return K_OK;
    }
    return SeekTo(static_cast<int>(Tell() + count)) == K_OK ? K_OK : shortCode;
}

int Source::SeekTo(int position) {
    // Within the buffer: no call.
    int start = filePos_ - len_;
    if (position >= start && position <= filePos_) {
        pos_ = position - start;
        return K_OK;
    }
    pos_ = len_ = 0;
    if (position < 0 || FileSeek(handle_, position, 0) != position) {
        Fail(K_ERR_SEEK);
        return K_ERR_SEEK;
    }
    filePos_ = position;
    return K_OK;
}

uint8_t Source::U8() {
    int b = Byte();
    if (b < 0) {
        Fail(K_ERR_READ);
        return 0;
    }
    return static_cast<uint8_t>(b);
}

uint16_t Source::U16LE() {
    unsigned char b[2];
    if (ReadExact(b, 2) != K_OK) return 0;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint16_t Source::U16BE() {
    unsigned char b[2];
    if (ReadExact(b, 2) != K_OK) return 0;
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t Source::U32LE() {
    unsigned char b[4];
    if (ReadExact(b, 4) != K_OK) return 0;
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

uint32_t Source::U32BE() {
    unsigned char b[4];
    if (ReadExact(b, 4) != K_OK) return 0;
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           static_cast<uint32_t>(b[3]);
}
