// JPEG inside TIFF through memory: the directory reader of the JPEG decoder
// (sizes, sampling, table offsets, one tile or strip) and the scan it
// points to, loaded at the file's depth and at a converted one.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, K_FORMAT_TIFF_JPEG);
    return fuzz::LoadResized(data, size, K_FORMAT_TIFF_JPEG);
}
