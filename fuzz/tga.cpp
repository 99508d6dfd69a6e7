// The TGA reader through memory: TGA headers, colour maps and run-length packets, loaded at the
// file's depth and at a converted one.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "volkg.h"

volatile int g_outcome;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20)) return 0;
    std::string file;
    file.append(reinterpret_cast<const char*>(data), size);
    const int length = static_cast<int>(file.size());
    FileInfoRecord info;
    if (K_FileInfoMemory(file.data(), &info, length) != K_OK || info.FormatCode != K_FORMAT_TGA) return 0;
    // Keep the pixel storage small enough for a quick run.
    if (static_cast<long long>(info.Width) * info.Height > (1 << 22)) return 0;
    static const int kDepths[] = {0, 24, 8, 1};
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    int result = K_LoadMemory(file.data(), &r, kDepths[data[size - 1] & 3], -1,
                              K_LOAD_ALLOCATE | K_LOAD_LOCK | (data[0] & 8), nullptr, nullptr, length);
    K_FreeBitmap(&r);
    // The library is not instrumented: outcomes stand in as coverage, so
    // inputs that load (or fail in new ways) stay in the corpus.
    switch (result) {
        case K_OK: g_outcome = info.BitsPerPixel; break;
        case K_ERR_READ: g_outcome = 7; break;
        case K_ERR_FORMAT: g_outcome = 9; break;
        case K_ERR_BADCODE: g_outcome = 77; break;
        case K_ERR_SEEK: g_outcome = 4; break;
        default: g_outcome = result; break;
    }
    switch (info.BitsPerPixel) {
        case 1: g_outcome = g_outcome + 1; break;
        case 4: g_outcome = g_outcome + 4; break;
        case 8: g_outcome = g_outcome + 8; break;
        case 24: g_outcome = g_outcome + 24; break;
        case 32: g_outcome = g_outcome + 32; break;
        default: break;
    }
    return 0;
}
