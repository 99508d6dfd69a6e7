// K_FileInfo over arbitrary bytes through the memory set: every probe in
// the order must answer without reading outside the block.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    FileInfoRecord info;
    K_FileInfoMemory(data, &info, static_cast<int>(size));
    return 0;
}
