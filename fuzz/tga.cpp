// The TGA reader through memory: TGA headers, colour maps and run-length packets, loaded at the
// file's depth and at a converted one.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_TGA);
    return fuzz::LoadResized(data, size, K_FORMAT_TGA);
}
