// The IOCA reader through memory: bare segments (after their first five
// bytes) or MO:DCA structured fields (after a carriage-control byte), picked
// by the first byte, which also picks the page asked for.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    OptionBlock options{};
    options.XResolution = options.YResolution = 150;
    options.PageNumber = 1 + (data[0] >> 1) % 3;
    K_SetTIFFOption(&options);
    static const std::string bare("\x70\x00\x91\x01\xff", 5), modca("\x5a", 1);
    const std::string& signature = data[0] & 1 ? bare : modca;
    fuzz::LoadMemory(data, size, fuzz::kAnyFormat, signature);
    return fuzz::LoadResized(data, size, fuzz::kAnyFormat, signature);
}
