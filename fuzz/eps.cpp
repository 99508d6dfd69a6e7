// The EPS reader through memory: the PostScript scan (definitions,
// procedures called by name, groups, strings, comments) and the hex data
// behind a "%!PS" text, or the binary header's walk to its TIFF preview,
// picked by the first byte.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    if (data[0] & 1) return fuzz::LoadMemory(data + 1, size - 1, 63, std::string_view("\xC5\xD0\xD3\xC6", 4));
    return fuzz::LoadMemory(data + 1, size - 1, 16, "%!PS");
}
