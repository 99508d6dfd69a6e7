// The MacPaint reader through memory: bare and MacBinary headers and
// PackBits rows that end early or run past the row.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzz::LoadMemory(data, size, 51); }
