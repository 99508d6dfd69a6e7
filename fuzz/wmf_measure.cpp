// What a metafile gives the drawing before GDI sees it: the size rule for a
// box (picked by the first four bytes), the exact metafile bytes handed to
// the system and the mapping it is drawn with, over any bytes in memory.
#include <algorithm>
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
        // For a box the caller gives, the picture fits it, or is a plain
        // metafile's own size (at most 2000 a side, rounded up to 4); a
        // box of no size gives a size of none, which the loader refuses.
        const int most = std::max(boxWidth, 2003), mostHigh = std::max(boxHeight, 2000);
        if (boxWidth > 0 && boxHeight > 0 && (m.width < 0 || m.height < 0 || m.width > most || m.height > mostHigh))
            __builtin_trap();
        MappingFor(m);
    }
    std::vector<unsigned char> bytes;
    if (ReadMetafileBytes(handle, &bytes) == K_OK && bytes.size() > size) __builtin_trap();
    FileClose(handle);
    return 0;
}
