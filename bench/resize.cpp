// K_ResizeBitmap on a large picture, in megapixels of the target per
// second, beside memcpy of the target's bytes (the physical limit).
// Usage: bench_resize [width height]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/bitmap.h"
#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool Make(BitmapRecord& r, int width, int height, int bits) {
    if (K_InitBitmap(&r, width, height, bits) != K_OK || K_AllocateBitmap(&r, K_STORAGE_ANY) != K_OK) return false;
    BitmapLock lock(&r);
    for (unsigned i = 0; i < r.ImageSize; ++i) r.DataPointer[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int width = argc > 2 ? std::atoi(argv[1]) : 4000, height = argc > 2 ? std::atoi(argv[2]) : 3000;
    if (width <= 0 || height <= 0) width = 4000, height = 3000;
    std::printf("K_ResizeBitmap from %d x %d\n", width, height);
    std::printf("%-24s %12s %12s %8s\n", "resize", "MP/s", "memcpy MP/s", "ratio");
    const struct {
        int num, den;
    } scales[] = {{1, 2}, {3, 4}, {1, 1}, {3, 2}};
    for (int bits : {1, 8, 24, 32}) {
        BitmapRecord source;
        if (!Make(source, width, height, bits)) {
            std::printf("%d bits: no storage\n", bits);
            continue;
        }
        for (const auto& s : scales) {
            int w = width * s.num / s.den, h = height * s.num / s.den;
            BitmapRecord target;
            if (!Make(target, w, h, bits)) {
                std::printf("%d bits to %d x %d: no storage\n", bits, w, h);
                continue;
            }
            auto start = Clock::now();
            int result = K_ResizeBitmap(&source, &target);
            double rate = static_cast<double>(w) * h / Seconds(start) / 1e6;

            // memcpy of the same bytes the target holds.
            std::vector<unsigned char> a(target.ImageSize, 3), b(target.ImageSize);
            start = Clock::now();
            std::memcpy(b.data(), a.data(), a.size());
            double copy = static_cast<double>(w) * h / Seconds(start) / 1e6;
            volatile unsigned char sink = b[b.size() / 2];
            (void)sink;

            char name[48];
            std::snprintf(name, sizeof name, "%2d bits to %d x %d", bits, w, h);
            if (result != K_OK)
                std::printf("%-24s failed with %d\n", name, result);
            else
                std::printf("%-24s %12.1f %12.1f %8.3f\n", name, rate, copy, rate / copy);
            K_FreeBitmap(&target);
        }
        K_FreeBitmap(&source);
    }
    return 0;
}
