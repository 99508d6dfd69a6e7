// The GEM IMG reader through memory: one and four planes, pattern and solid
// runs, bit strings and scan-line replication, at the file's depth, a
// converted one and another size.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, 52);
    return fuzz::LoadResized(data, size, 52);
}
