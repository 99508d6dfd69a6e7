// The Photoshop reader through memory: Photoshop headers, sections and PackBits channel rows, loaded at the
// file's depth and at a converted one.
// The signature is given, so the search goes into what follows it.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_PHOTOSHOP, std::string_view("8BPS\0\1", 6));
    return fuzz::LoadResized(data, size, K_FORMAT_PHOTOSHOP, std::string_view("8BPS\0\1", 6));
}
