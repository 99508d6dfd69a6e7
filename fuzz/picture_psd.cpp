// The program's own Photoshop reader over any bytes: it decodes, refuses or
// hands the file on, and never reads or writes outside its buffers.
#include <cstddef>
#include <cstdint>

#include "picture/psd_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PsdImage image;
    const PsdResult result = DecodePhotoshop(data, size, image);
    if (result == PsdResult::Ok &&
        image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) * 4)
        __builtin_trap();
    if (result != PsdResult::Ok && !image.Pixels.empty()) __builtin_trap();
    return 0;
}
