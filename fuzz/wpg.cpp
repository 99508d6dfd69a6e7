// The WPG reader through memory: the record walk with its three length
// forms, colour maps at any index, and runs and row repeats across rows.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, 54);
    return fuzz::LoadResized(data, size, 54);
}
