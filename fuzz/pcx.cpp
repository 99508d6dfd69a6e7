// The PCX reader through memory: PCX headers, plane layouts, run lengths and DCX page tables, loaded at the
// file's depth and at a converted one.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_PCX);
    return fuzz::LoadResized(data, size, K_FORMAT_PCX);
}
