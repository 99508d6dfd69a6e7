// The Sun raster reader through memory: headers, colour maps of any length,
// run codes split anywhere and runs across rows, at the file's depth and at
// a converted one.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzz::LoadMemory(data, size, 55); }
