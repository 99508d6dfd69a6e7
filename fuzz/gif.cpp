// The GIF reader through memory: GIF screen and image descriptors, extensions and LZW data, loaded at the
// file's depth and at a converted one.
// The signature is given, so the search goes into what follows it.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_GIF, "GIF89a");
    return fuzz::LoadResized(data, size, K_FORMAT_GIF, "GIF89a");
}
