#include "formats/reader_steps.h"

#include <algorithm>
#include <cstring>

#include "core/bitmap.h"
#include "core/memory.h"
#include "core/palette.h"
#include "core/pixel_format.h"
#include "io/file_callbacks.h"
#include "io/reader_session.h"

bool CallbackFile::OpenForRead(const char* name) { return Open(name, kReaderOpenFlags, kReaderPermission); }

bool CallbackFile::OpenForWrite(const char* name) { return Open(name, kWriterOpenFlags, kWriterPermission); }

bool CallbackFile::Open(const char* name, int flags, int permission) {
    Close();
    int h = FileOpen(name, flags, permission);
    handle_ = h < 0 ? -1 : h;
    return handle_ >= 0;
}

void CallbackFile::Close() {
    if (handle_ >= 0) FileClose(handle_);
    handle_ = -1;
}

int CallbackFile::Read(void* buffer, int count) { return count <= 0 ? 0 : FileRead(handle_, buffer, count); }

bool CallbackFile::ReadExact(void* buffer, int count) {
    if (count < 0) return false;
    return count == 0 || Read(buffer, count) == count;
}

bool CallbackFile::WriteExact(const void* buffer, int count) {
    if (count < 0) return false;
    return count == 0 || FileWrite(handle_, buffer, count) == count;
}

int CallbackFile::Seek(int offset, int origin) { return FileSeek(handle_, offset, origin); }

int CallbackFile::SizeAndRewind() {
    int size = Seek(0, 2);
    Seek(0, 0);
    return size;
}

ByteInput::ByteInput(int handle, int end, int capacity, int step, int minimum) : handle_(handle), end_(end) {
    for (int size = capacity; size >= minimum && size > 0; size -= step) {
        buffer_ = static_cast<unsigned char*>(AllocGlobalLocked(size));
        if (buffer_) {
            capacity_ = size;
            break;
        }
        if (step <= 0) break;
    }
}

ByteInput::~ByteInput() { FreeGlobalLocked(buffer_); }

bool ByteInput::Refill() {
    int count = std::min(capacity_, end_ - position_);
    if (count <= 0) return false;
    int got = FileRead(handle_, buffer_, count);
    if (got <= 0) return false;
    position_ += got;
    fill_ = got;
    next_ = 0;
    return true;
}

bool ByteInput::Take(unsigned char* out, int count) {
    while (count > 0) {
        if (next_ >= fill_ && !Refill()) return false;
        int n = std::min(count, fill_ - next_);
        std::memcpy(out, buffer_ + next_, n);
        next_ += n;
        out += n;
        count -= n;
    }
    return true;
}

void FinishReaderColors(BitmapRecord* bitmap, int colors, int fileBits, int wantedBits) {
    bitmap->Colors = std::clamp(colors, 0, 256);
    if (fileBits <= 8 && IsGreyTable(bitmap->ColorTable, bitmap->Colors))
        bitmap->Flags |= K_GRAY_PALETTE;
    else
        bitmap->Flags &= ~K_GRAY_PALETTE;
    if (fileBits <= 8 && bitmap->Colors > 0) CreateBitmapPalette(bitmap);
    BITMAPINFOHEADER& h = bitmap->DibHeader;
    std::memset(&h, 0, sizeof h);
    h.biSize = 40;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(wantedBits);
}

void DropTrueColorPalette(BitmapRecord* bitmap, int fileBits) {
    if (fileBits > 8 && bitmap->BitsPerPixel > 8 && !(bitmap->Flags & K_FIXED_PALETTE_IN_USE)) {
        bitmap->Colors = 0;
        bitmap->Flags &= ~K_PALETTE_INDEX_MAP;
        if (bitmap->PaletteHandle) DeleteObject(bitmap->PaletteHandle);
        bitmap->PaletteHandle = nullptr;
    }
}
