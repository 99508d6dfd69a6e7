// The PNG reader through memory: PNG chunks through libpng and the library's adapter, loaded at the
// file's depth and at a converted one.
// The signature is given, so the search goes into what follows it.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_PNG, std::string_view("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
    return fuzz::LoadResized(data, size, K_FORMAT_PNG, std::string_view("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
}
