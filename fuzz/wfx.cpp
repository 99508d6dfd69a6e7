// The WFX reader through memory: page headers (after the first magic
// bytes), the page walk to the option block's page (picked by the first
// byte) and the coded data.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    OptionBlock options{};
    options.XResolution = options.YResolution = 150;
    options.PageNumber = 1 + data[0] % 4;
    K_SetTIFFOption(&options);
    fuzz::LoadMemory(data, size, fuzz::kAnyFormat, "\x0b\x23\x64");
    return fuzz::LoadResized(data, size, fuzz::kAnyFormat, "\x0b\x23\x64");
}
