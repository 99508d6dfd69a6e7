// The metafile record walk on its own bytes, and the probe's size rule
// through memory behind a plain header (the first byte picks a placeable
// header instead).
#include <string>

#include "formats/wmf_metafile.h"
#include "volkg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20)) return 0;
    unsigned x = 0, y = 0;
    FindWindowExtent(data + 1, size - 1, &x, &y);
    std::string file = data[0] & 1 ? std::string("\xD7\xCD\xC6\x9A", 4) : std::string("\x01\x00\x09\x00\x00\x03", 6);
    file.append(reinterpret_cast<const char*>(data + 1), size - 1);
    FileInfoRecord info;
    K_FileInfoMemory(file.data(), &info, static_cast<int>(file.size()));
    return 0;
}
