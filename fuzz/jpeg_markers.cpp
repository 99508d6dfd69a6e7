// The JPEG marker reader and probe: arbitrary bytes after SOI (segments,
// lengths, tables, frame and scan headers), decoded from memory when the
// probe takes them for JPEG and the declared picture fits the budget.
#include "fuzz_load.h"

namespace {

int KAPI DropRows(BitmapRecord*, unsigned char*, int, void*) { return 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file;
    if (!fuzz::Prepare(data, size, K_FORMAT_JPEG, std::string_view("\xFF\xD8\xFF", 3), file)) return 0;
    FileInfoRecord info;
    K_FileInfoMemory(file.data(), &info, static_cast<int>(file.size()));
    fuzz::Bitmap b;
    // The bitmap's size decides the resize: the picture's own, or another.
    const int shrink = data[size - 1] & 1;
    K_InitBitmap(&b.r, std::max(1, info.Width >> shrink), std::max(1, info.Height >> shrink), 24);
    const int bits[] = {24, 32, 8, 4};
    K_DecompressMemory(file.data(), &b.r, DropRows, bits[data[size - 1] >> 1 & 3], nullptr, 4,
                       static_cast<int>(file.size()));
    return 0;
}
