// The headerless fax reader through memory: the load-info callback
// describes the input from its first eight bytes (coding, size, flags,
// data offset), the rest is coded data.
#include <cstring>

#include "fuzz_load.h"

namespace {

const uint8_t* g_description;

int KAPI Describe(int, RawFaxInfo* info) {
    const uint8_t* d = g_description;
    info->Format = static_cast<unsigned char>("BCDE"[d[0] & 3]);
    info->Width = (d[1] | d[2] << 8) % 2100;
    info->Height = (d[3] | d[4] << 8) % 1200;
    info->BitsPerPixel = d[0] & 0x80 ? 8 : 1;
    info->XResolution = info->YResolution = 200;
    info->Flags = d[5];
    info->DataOffset = d[6] % 16 - (d[0] & 0x40 ? 1 : 0);
    return d[7] == 0xFF ? 0 : K_OK;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    g_description = data;
    K_SetLoadInfoCallback(Describe);
    fuzz::LoadMemory(data, size, fuzz::kAnyFormat);
    fuzz::LoadResized(data, size, fuzz::kAnyFormat);
    K_SetLoadInfoCallback(nullptr);
    return 0;
}
