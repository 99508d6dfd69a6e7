// The TIFF reader through counting file-access callbacks over the input:
// directories, strip and tile tables, LZW, PackBits, planes and colour maps,
// loaded at the file's depth and at a converted one. Besides not crashing,
// the load may read no more than a fixed multiple of the input's size.
#include <cstring>

#include "fuzz_load.h"
#include "io/format_codes.h"

namespace {

const uint8_t* g_data;
size_t g_size, g_at;
uint64_t g_read;

int KAPI Open(const char*, int, int) {
    g_at = 0;
    return 7;
}
int KAPI Read(int, void* buffer, int count) {
    const size_t n = std::min(static_cast<size_t>(count < 0 ? 0 : count), g_size - std::min(g_at, g_size));
    std::memcpy(buffer, g_data + g_at, n);
    g_at += n;
    g_read += n;
    return static_cast<int>(n);
}
int KAPI Write(int, const void*, int) { return -1; }
int KAPI Seek(int, int offset, int origin) {
    const long long base = origin == 0   ? 0
                           : origin == 1 ? static_cast<long long>(g_at)
                                         : static_cast<long long>(g_size);
    const long long to = base + offset;
    if (to < 0) return -1;
    g_at = static_cast<size_t>(to);
    return static_cast<int>(to);
}
int KAPI Close(int) { return 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file;
    if (!fuzz::Prepare(data, size, K_FORMAT_TIFF, {}, file)) return 0;
    g_data = reinterpret_cast<const uint8_t*>(file.data());
    g_size = file.size();
    g_read = 0;
    K_RedirectIO(Open, Read, Write, Seek, Close);
    {
        fuzz::Bitmap b;
        K_LoadFile("input.tif", &b.r, fuzz::Depth(data, size), -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
    }
    K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
    // The probe and the reader each stay within their budget; the rest is
    // the file-information header reads.
    const uint64_t budget = g_size * limits::kTiffReadMultiple + limits::kTiffReadAllowance;
    if (g_read > 2 * budget + 2 * 2000 + 65536) __builtin_trap();
    return 0;
}
