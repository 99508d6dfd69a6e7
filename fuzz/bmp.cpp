// The BMP reader through memory: headers, colour tables, offsets and run
// lengths from arbitrary bytes, loaded at the file's depth and converted,
// and into a record of another size (resize while loading).
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file;
    if (!fuzz::Prepare(data, size, fuzz::kAnyFormat, {}, file)) return 0;
    fuzz::Bitmap b;
    K_LoadBitmapMemory(file.data(), &b.r, fuzz::Depth(data, size), K_ORDER_BGR, static_cast<int>(file.size()));
    return fuzz::LoadResized(data, size, fuzz::kAnyFormat);
}
