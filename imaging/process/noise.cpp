// K_AddBitmapNoise: uniform random offsets from one process-wide linear
// congruential generator, so a sequence of calls is reproducible.
#include <cstdint>

#include "process/process_frame.h"

namespace {

// Advanced by this operation only, never reset.
uint32_t g_noiseSeed = 0;

}  // namespace

extern "C" int KAPI K_AddBitmapNoise(BitmapRecord* bitmap, unsigned int range, unsigned int channel) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (range > 1000 || channel > kMaxChannel) return K_ERR_ARGUMENT;
    const unsigned half = (range * 255 + 500) / 1000, span = 2 * half + 1;
    const int width = bitmap->Width;
    // Work pixels are B, G, R: red is byte 2.
    const int first = channel == 0 ? 0 : 3 - static_cast<int>(channel), last = channel == 0 ? 2 : first;
    return ProcessWorkRows(bitmap, 0, 100, [&](unsigned char* row, int) {
        for (int x = 0; x < width; ++x) {
            g_noiseSeed = (g_noiseSeed * 1366u + 150889u) % 714025u;
            const int offset = static_cast<int>(g_noiseSeed % span) - static_cast<int>(half);
            for (int c = first; c <= last; ++c) {
                const int v = row[3 * x + c] + offset;
                row[3 * x + c] = static_cast<unsigned char>(v >= 255 ? 255 : v <= 0 ? 0 : v);
            }
        }
    });
}
