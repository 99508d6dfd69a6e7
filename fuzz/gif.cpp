// The GIF reader through memory: GIF screen and image descriptors, extensions and LZW data, loaded at the
// file's depth and at a converted one.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "volkg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20)) return 0;
    // The signature is given, so the search goes into what follows it.
    std::string file("GIF89a");
    file.append(reinterpret_cast<const char*>(data), size);
    const int length = static_cast<int>(file.size());
    FileInfoRecord info;
    if (K_FileInfoMemory(file.data(), &info, length) != K_OK || info.FormatCode != K_FORMAT_GIF) return 0;
    // Keep the pixel storage small enough for a quick run.
    if (static_cast<long long>(info.Width) * info.Height > (1 << 22)) return 0;
    static const int kDepths[] = {0, 24, 8, 1};
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    K_LoadMemory(file.data(), &r, kDepths[data[size - 1] & 3], -1, K_LOAD_ALLOCATE | K_LOAD_LOCK | (data[0] & 8),
                 nullptr, nullptr, length);
    K_FreeBitmap(&r);
    return 0;
}
