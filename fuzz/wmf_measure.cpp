// What a metafile gives the drawing before GDI sees it: the size rule for a
// box (picked by the first four bytes), the exact metafile bytes handed to
// the system and the mapping it is drawn with, over any bytes in memory.
#include <vector>

#include "formats/wmf_metafile.h"
#include "io/file_callbacks.h"
#include "io/memory_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5 || size > (1 << 20)) return 0;
    const int boxWidth = (data[0] | data[1] << 8) - 2, boxHeight = (data[2] | data[3] << 8) - 2;
    MemoryReadScope memory(data + 4, static_cast<int>(size - 4));
    const int handle = FileOpen(kWindowFileName, kReaderOpenFlags, 0);
    if (handle < 0) return 0;
    WmfMeasure m;
    if (MeasureMetafile(handle, boxWidth, boxHeight, &m) == K_OK) {
        // The drawn picture is never larger than the box asked for, nor negative.
        if (m.width < 0 || m.height < 0 || (boxWidth > 0 && m.width > boxWidth) || (boxHeight > 0 && m.height > boxHeight))
            __builtin_trap();
        MappingFor(m);
    }
    std::vector<unsigned char> bytes;
    if (ReadMetafileBytes(handle, &bytes) == K_OK && bytes.size() > size) __builtin_trap();
    FileClose(handle);
    return 0;
}
