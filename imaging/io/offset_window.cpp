// Offset window: a byte range of a file the caller holds open, seen as a
// whole file. Positions are absolute in the caller's file; results are
// relative to the window start. Reads never pass the window end.
#include <algorithm>

#include "io/codecs.h"
#include "core/file_access.h"
#include "io/file_callbacks.h"
#include "io/loading.h"
#include "io/memory_io.h"

namespace {

constexpr int kWindowHandle = 5;

struct OffsetState {
    int file = -1;
    long long start = 0;
    long long position = 0;
    long long end = 0;
};

OffsetState g_window;

void SeekWindow(long long position) {
    g_window.position = std::clamp<long long>(position, g_window.start, 0x7FFFFFFF);
    DefaultSeek(g_window.file, static_cast<int>(g_window.position), 0);
}

int KAPI WindowOpen(const char*, int, int) {
    SeekWindow(g_window.start);
    return kWindowHandle;
}

int KAPI WindowRead(int, void* buffer, int count) {
    if (count <= 0 || g_window.position >= g_window.end) return 0;
    count = static_cast<int>(std::min<long long>(count, g_window.end - g_window.position));
    int got = DefaultRead(g_window.file, buffer, count);
    if (got > 0) g_window.position += got;
    return got;
}

int KAPI WindowWrite(int, const void* buffer, int count) {
    int put = DefaultWrite(g_window.file, buffer, count);
    if (put < 0) return -1;
    g_window.position += put;
    g_window.end = std::max(g_window.end, g_window.position);
    return put;
}

int KAPI WindowSeek(int, int offset, int origin) {
    long long base;
    switch (origin) {
        case 0:
            base = g_window.start;
            break;
        case 1:
            base = g_window.position;
            break;
        case 2:
            base = g_window.end;
            break;
        default:
            return static_cast<int>(g_window.position - g_window.start);
    }
    SeekWindow(base + offset);
    return static_cast<int>(g_window.position - g_window.start);
}

int KAPI WindowClose(int) { return 0; }

const FileAccessCallbacks kWindowSet = {WindowOpen, WindowRead, WindowWrite, WindowSeek, WindowClose};

}  // namespace

extern "C" int KAPI K_LoadFileOffset(int file, int offset, int length, BitmapRecord* bitmap, int bitsPerPixel,
                                     int colorOrder, int flags, RowCallback callback, void* userData) {
    if (offset < 0 || length < 0) return K_ERR_ARGUMENT;
    FileAccessSwap swap(kWindowSet);
    g_window = OffsetState{file, offset, offset, static_cast<long long>(offset) + length};
    int result = K_LoadFile(kWindowFileName, bitmap, bitsPerPixel, colorOrder, flags, callback, userData);
    g_window = OffsetState{};
    return result;
}

extern "C" int KAPI K_SaveFileOffset(int file, int offset, int* size, BitmapRecord* bitmap, int format,
                                     int bitsPerPixel, int quality, int flags, SaveRowCallback callback,
                                     void* userData) {
    if (size) *size = 0;
    if (offset < 0) return K_ERR_ARGUMENT;
    FileAccessSwap swap(kWindowSet);
    g_window = OffsetState{file, offset, offset, offset};
    int result = K_SaveFile(kWindowFileName, bitmap, format, bitsPerPixel, quality, flags, callback, userData);
    if (size) *size = static_cast<int>(g_window.end - g_window.start);
    g_window = OffsetState{};
    return result;
}
