// The BMP reader through memory: headers, colour tables, offsets and run
// lengths from arbitrary bytes, loaded at the file's depth and converted.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "volkg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > (1u << 20)) return 0;
    FileInfoRecord info;
    if (K_FileInfoMemory(data, &info, static_cast<int>(size)) != K_OK) return 0;
    // Keep the pixel storage small enough for a quick run.
    if (static_cast<long long>(info.Width) * info.Height > (1 << 22)) return 0;
    static const int kDepths[] = {0, 24, 8, 1};
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    K_LoadBitmapMemory(data, &r, kDepths[data[size - 1] & 3], 1, static_cast<int>(size));
    K_FreeBitmap(&r);
    return 0;
}
