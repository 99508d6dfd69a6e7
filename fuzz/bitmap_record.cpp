// Record construction, allocation and height changes with arbitrary
// geometry: refused sizes must be refused, accepted ones must work.
#include <cstdint>
#include <cstring>

#include "volkg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 13) return 0;
    int32_t width, height, newHeight;
    std::memcpy(&width, data, 4);
    std::memcpy(&height, data + 4, 4);
    std::memcpy(&newHeight, data + 8, 4);
    static const int kDepths[] = {1, 4, 8, 16, 24, 32, 0, 2};
    int bits = kDepths[data[12] & 7];
    // Keep accepted images small enough to allocate quickly.
    width %= 4096;
    height %= 4096;
    newHeight %= 4096;

    BitmapRecord r;
    if (K_InitBitmap(&r, width, height, bits) != K_OK) return 0;
    if (K_AllocateBitmap(&r, K_STORAGE_ANY) != K_OK) return 0;
    if (K_AccessBitmap(&r) && r.DataPointer) std::memset(r.DataPointer, 0xA5, r.ImageSize);
    K_ReleaseBitmap(&r);
    if (K_ChangeBitmapHeight(&r, newHeight) == K_OK && K_AccessBitmap(&r) && r.DataPointer)
        std::memset(r.DataPointer, 0x5A, r.ImageSize);
    K_FreeBitmap(&r);
    return 0;
}
