#include "core/packed_index.h"
#include "io/resize.h"

#include <cstring>
#include <vector>

#include "core/memory.h"

namespace {

void ComputeAxis(long long o, long long n, unsigned char* pick, int* step) {
    o &= 0xFFFFFF;
    n &= 0xFFFFFF;
    if (o == 0) {  // nothing to scale from
        std::memset(pick, 0, 256);
        *step = 0;
        return;
    }
    long long ratio = n * 256 / o;
    long long scaled = o * ratio >> 8;
    long long rest = (scaled % o) * 256;
    int fraction = static_cast<int>(rest / o);
    if (rest % o > o / 2) ++fraction;
    BuildResizePickMap(fraction, pick);
    *step = static_cast<int>(scaled / o);
}

int PixelAt(const unsigned char* row, int x, int bits) { return GetPackedIndex(row, x, bits); }

void SetPixel(unsigned char* row, int x, int bits, int v) { SetPackedIndex(row, x, bits, v); }

}  // namespace

int BuildResizePickMap(int n, unsigned char* map) {
    std::memset(map, 0, 256);
    if (n <= 0) return 0;
    int s = 65280 / n;
    int a = 0;
    for (int i = 0; i < n; ++i) {
        int index = (a >> 8) + ((a >> 7) & 1);
        if (index < 256) map[index] = 1;
        a += s;
    }
    return s;
}

void ComputeResizeSteps(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, unsigned char* xPick,
                        unsigned char* yPick, int* xStep, int* yStep) {
    ComputeAxis(static_cast<unsigned>(sourceWidth), static_cast<unsigned>(targetWidth), xPick, xStep);
    ComputeAxis(static_cast<unsigned>(sourceHeight), static_cast<unsigned>(targetHeight), yPick, yStep);
}

extern "C" int KAPI K_StartResize(int oldWidth, int oldHeight, int newWidth, int newHeight, ResizeContext** context) {
    if (!context) return K_ERR_ARGUMENT;
    *context = nullptr;
    // Old sizes of 0 or less would divide by zero.
    if (newWidth <= 0 || newHeight <= 0 || oldWidth <= 0 || oldHeight <= 0) return K_ERR_ARGUMENT;
    auto* c = static_cast<ResizeContext*>(AllocGlobalLockedExt(sizeof(ResizeContext), 1));
    if (!c) return K_ERR_MEMORY;
    c->OldWidth = oldWidth;
    c->OldHeight = oldHeight;
    c->NewWidth = newWidth;
    c->NewHeight = newHeight;
    ComputeResizeSteps(oldWidth, oldHeight, newWidth, newHeight, c->XPick, c->YPick, &c->XStep, &c->YStep);
    *context = c;
    return K_OK;
}

extern "C" int KAPI K_StopResize(ResizeContext* context) {
    FreeGlobalLocked(context);
    return K_OK;
}

extern "C" int KAPI K_Resize(unsigned char* row, int sourceRow, int bitsPerPixel, int* outputWidth, int* rowCount,
                             ResizeContext* c) {
    if (!c) return K_ERR_ARGUMENT;
    if (outputWidth) *outputWidth = c->NewWidth;
    if (c->OldWidth == c->NewWidth && c->OldHeight == c->NewHeight) {
        if (rowCount) *rowCount = 1;
        return K_OK;
    }
    int count = c->YStep + c->YPick[static_cast<unsigned>(sourceRow) & 255];
    if (rowCount) *rowCount = count;
    if (count == 0 || !row || c->OldWidth == c->NewWidth) return K_OK;

    // Target column -> source column. Shrinking fills from the left,
    // growing from the right (last source column to the last target
    // column); targets the source columns do not reach repeat the last
    // source pixel written.
    const int oldWidth = c->OldWidth, newWidth = c->NewWidth;
    std::vector<int> from(newWidth);
    if (newWidth <= oldWidth) {
        int t = 0, last = 0;
        for (int s = 0; s < oldWidth && t < newWidth; ++s) {
            int copies = c->XStep + c->XPick[s & 255];
            for (int k = 0; k < copies && t < newWidth; ++k) from[t++] = last = s;
        }
        for (; t < newWidth; ++t) from[t] = last;
    } else {
        int t = newWidth - 1, last = oldWidth - 1;
        for (int s = oldWidth - 1; s >= 0 && t >= 0; --s) {
            int copies = c->XStep + c->XPick[s & 255];
            for (int k = 0; k < copies && t >= 0; ++k) from[t--] = last = s;
        }
        for (; t >= 0; --t) from[t] = last;
    }

    if (bitsPerPixel == 1 || bitsPerPixel == 4) {
        std::vector<unsigned char> source(row, row + (static_cast<size_t>(oldWidth) * bitsPerPixel + 7) / 8);
        for (int t = 0; t < newWidth; ++t)
            SetPixel(row, t, bitsPerPixel, PixelAt(source.data(), from[t], bitsPerPixel));
        return K_OK;
    }
    int bytes = bitsPerPixel / 8;
    if (bytes < 1 || bytes > 4) return K_OK;
    std::vector<unsigned char> source(row, row + static_cast<size_t>(oldWidth) * bytes);
    for (int t = 0; t < newWidth; ++t)
        std::memcpy(row + static_cast<size_t>(t) * bytes, &source[static_cast<size_t>(from[t]) * bytes], bytes);
    return K_OK;
}
