#include "io/output.h"

#include <cstring>

#include "core/memory.h"
#include "core/file_access.h"
#include "io/file_callbacks.h"

namespace {

constexpr int kOutputBuffer = 65536;

char* CopyName(const char* name) {
    size_t n = std::strlen(name) + 1;
    auto* copy = static_cast<char*>(AllocGlobalLocked(n));
    if (copy) std::memcpy(copy, name, n);
    return copy;
}

// A new empty file in the folder of name; its path in buffer (MAX_PATH).
bool TemporaryBeside(const char* name, char* buffer) {
    char folder[MAX_PATH];
    size_t n = std::strlen(name);
    if (n >= MAX_PATH) return false;
    size_t cut = n;
    while (cut > 0 && name[cut - 1] != '/' && name[cut - 1] != '\\' && name[cut - 1] != ':') --cut;
    if (cut == 0) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, name, cut);
        folder[cut] = 0;
    }
    return GetTempFileNameA(folder, "vks", 0, buffer) != 0;
}

}  // namespace

Output::~Output() { Abandon(); }

void Output::Abandon() {
    if (handle_ >= 0) FileClose(handle_);
    handle_ = -1;
    if (temporary_) DeleteFileA(temporary_);
    FreeGlobalLocked(temporary_);
    FreeGlobalLocked(target_);
    FreeGlobalLocked(buffer_);
    temporary_ = target_ = nullptr;
    buffer_ = nullptr;
    capacity_ = fill_ = 0;
}

namespace {

// Copies the file from into the open handle to: 1 or -7.
int CopyInto(const char* from, int to) {
    int in = FileOpen(from, kReaderOpenFlags, kReaderPermission);
    if (in < 0) return K_ERR_READ;
    GlobalBuffer block(kOutputBuffer);
    int result = block ? K_OK : K_ERR_MEMORY;
    for (int got; result == K_OK && (got = FileRead(in, block.get(), kOutputBuffer)) > 0;)
        if (FileWrite(to, block.get(), got) != got) result = K_ERR_WRITE;
    FileClose(in);
    return result;
}

}  // namespace

int Output::Open(const char* name, Mode mode) {
    Abandon();
    status_ = K_OK;
    position_ = 0;
    if (!name) return status_ = K_ERR_CREATE;
    const char* path = name;
    char temporary[MAX_PATH];
    // Files of the built-in set are written beside the target first.
    if (CurrentFileAccess().open == DefaultOpen && TemporaryBeside(name, temporary)) {
        temporary_ = CopyName(temporary);
        target_ = CopyName(name);
        if (!temporary_ || !target_) {
            DeleteFileA(temporary);
            return status_ = K_ERR_MEMORY;
        }
        path = temporary_;
    }
    const bool inPlace = mode == Mode::Update && !temporary_;
    handle_ = inPlace ? FileOpen(path, K_OPEN_UNTRANSLATED | K_OPEN_READWRITE, kWriterPermission)
                      : FileOpen(path, kWriterOpenFlags, kWriterPermission);
    if (handle_ < 0) {
        handle_ = -1;
        Abandon();
        return status_ = K_ERR_CREATE;
    }
    if (mode == Mode::Update && temporary_) {
        // The update is made on a copy, which replaces the file at Finish.
        int r = CopyInto(name, handle_);
        if (r != K_OK || FileSeek(handle_, 0, 0) != 0) {
            Abandon();
            return status_ = r != K_OK ? r : K_ERR_SEEK;
        }
    }
    buffer_ = static_cast<unsigned char*>(AllocGlobalLocked(kOutputBuffer));
    capacity_ = buffer_ ? kOutputBuffer : 0;
    return K_OK;
}

int Output::Flush() {
    if (status_ != K_OK) return status_;
    if (fill_ > 0) {
        if (handle_ < 0 || FileWrite(handle_, buffer_, fill_) != fill_) status_ = K_ERR_WRITE;
        position_ += fill_;
        fill_ = 0;
    }
    return status_;
}

int Output::Write(const void* data, int count) {
    if (status_ != K_OK) return status_;
    if (count <= 0) return count == 0 ? K_OK : (status_ = K_ERR_WRITE);
    if (count <= capacity_ - fill_) {
        std::memcpy(buffer_ + fill_, data, count);
        fill_ += count;
        return K_OK;
    }
    // The buffer is filled up and written; what is left goes to the file
    // in one call when it is a buffer's worth or more (rows written
    // straight from storage), else into the emptied buffer.
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (fill_ > 0) {
        const int room = capacity_ - fill_;
        std::memcpy(buffer_ + fill_, bytes, room);
        fill_ = capacity_;
        bytes += room;
        count -= room;
        if (Flush() != K_OK) return status_;
    }
    if (count < capacity_) {
        std::memcpy(buffer_, bytes, count);
        fill_ = count;
        return K_OK;
    }
    if (handle_ < 0 || FileWrite(handle_, bytes, count) != count) return status_ = K_ERR_WRITE;
    position_ += count;
    return K_OK;
}

int Output::U16LE(unsigned v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    return Write(b, 2);
}

int Output::U32LE(uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return Write(b, 4);
}

int Output::U16BE(unsigned v) {
    unsigned char b[2] = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return Write(b, 2);
}

int Output::U32BE(uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                          static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return Write(b, 4);
}

int Output::Zeros(int count) {
    static const unsigned char kZero[256] = {};
    while (count > 0 && status_ == K_OK) {
        int n = count < 256 ? count : 256;
        Write(kZero, n);
        count -= n;
    }
    return status_;
}

int Output::SeekTo(int position) {
    if (Flush() != K_OK) return status_;
    if (position < 0 || FileSeek(handle_, position, 0) != position) return status_ = K_ERR_SEEK;
    position_ = position;
    return K_OK;
}

int Output::Finish() {
    Flush();
    // Only our own files report a failed close (the data did not reach the disk).
    if (handle_ >= 0 && FileClose(handle_) < 0 && temporary_ && status_ == K_OK) status_ = K_ERR_WRITE;
    handle_ = -1;
    if (status_ == K_OK && temporary_) {
        if (MoveFileExA(temporary_, target_, MOVEFILE_REPLACE_EXISTING))
            FreeGlobalLocked(temporary_), temporary_ = nullptr;
        else
            status_ = K_ERR_CREATE;
    }
    int result = status_;
    Abandon();
    return result;
}
