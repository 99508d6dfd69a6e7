// The bilevel format's decoder through K_LoadMemory: the first four bytes
// pick the width, height, sub-type and header byte 21 of a good header,
// the rest is the coded body (so the search goes into the modes).
#include <string>

#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > fuzz::kMaxInput) return 0;
    const int width = 1 + data[0] % 160, height = 1 + data[1] % 96;
    std::string file("KORA\0\x01\x03\0\0\x02\0\x03\0\0\0\0", 16);
    file += static_cast<char>(width);
    file += '\0';
    file += static_cast<char>(height);
    file += '\0';
    file += '\x01';
    file += static_cast<char>(data[3]);
    file += static_cast<char>(data[2] & 3);
    file += '\0';
    file.append(reinterpret_cast<const char*>(data) + 4, size - 4);
    fuzz::Bitmap b;
    K_LoadMemory(file.data(), &b.r, (data[2] & 4) ? 24 : 1, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr,
                 static_cast<int>(file.size()));
    return 0;
}
