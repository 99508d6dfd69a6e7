// The Microsoft Paint reader through memory: plain version-1 rows and
// coded version-2 rows after their row map.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, 53);
    return fuzz::LoadResized(data, size, 53);
}
