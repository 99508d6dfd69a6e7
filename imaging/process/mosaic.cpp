// K_MosaicBitmap: square tiles, anchored at the top-left corner of the
// picture as displayed, each filled with its mean colour.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "process/process_frame.h"

extern "C" int KAPI K_MosaicBitmap(BitmapRecord* bitmap, int size) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (size <= 0) return K_ERR_ARGUMENT;
    const int w = bitmap->Width, h = bitmap->Height;
    const int tiles = static_cast<int>((static_cast<int64_t>(w) + size - 1) / size);
    WorkRows work(bitmap);
    if ((rc = work.Begin()) != K_OK) return rc;
    // 64-bit sums: a tile may hold more pixels than 32 bits can total.
    GlobalBuffer sumBlock(static_cast<size_t>(tiles) * 3 * sizeof(uint64_t));
    GlobalBuffer row(static_cast<size_t>(work.RowBytes())), line(static_cast<size_t>(work.RowBytes()));
    if (!sumBlock || !row || !line) return K_ERR_MEMORY;
    auto* sums = reinterpret_cast<uint64_t*>(sumBlock.get());
    auto storageRow = [&](int y) { return bitmap->ViewPerspective == K_BOTTOM_UP ? h - 1 - y : y; };

    BitmapLock lock(bitmap);
    SpanProgress progress(0, 100, h);
    rc = progress.Begin();
    for (int top = 0; top < h && rc == K_OK; top += size) {
        const int lines = static_cast<int>(std::min<int64_t>(size, h - top));
        std::fill(sums, sums + 3 * tiles, 0);
        for (int y = top; y < top + lines; ++y) {
            if ((rc = work.Read(storageRow(y), row.get())) != K_OK) return rc;
            const unsigned char* p = row.get();
            for (int x = 0; x < w; ++x) {
                uint64_t* s = sums + 3 * (x / size);
                s[0] += p[3 * x], s[1] += p[3 * x + 1], s[2] += p[3 * x + 2];
            }
        }
        for (int t = 0; t < tiles; ++t) {
            const int x0 = static_cast<int>(static_cast<int64_t>(t) * size);
            const int columns = static_cast<int>(std::min<int64_t>(size, w - x0));
            const uint64_t count = static_cast<uint64_t>(columns) * lines;
            const unsigned char mean[3] = {static_cast<unsigned char>(sums[3 * t] / count),
                                           static_cast<unsigned char>(sums[3 * t + 1] / count),
                                           static_cast<unsigned char>(sums[3 * t + 2] / count)};
            for (int x = x0; x < x0 + columns; ++x) std::memcpy(line.get() + 3 * x, mean, 3);
        }
        // Dithered lines go back one by one so the dither runs on; converted
        // lines are the same for the whole band.
        for (int y = top; y < top + lines && rc == K_OK; ++y) {
            std::memcpy(row.get(), line.get(), static_cast<size_t>(w) * 3);
            if ((rc = work.Write(storageRow(y), row.get())) != K_OK) return rc;
            rc = progress.Step();
        }
    }
    return rc;
}
