// K_MedianFilterBitmap: every component replaced by the median of its
// N x N neighbourhood (edges repeated), rows in storage order.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "process/filter_rows.h"
#include "process/window_rows.h"

namespace {

// Larger windows only repeat edge pixels; beyond this a pass would run for
// hours, so it is refused.
constexpr unsigned kMaxSize = 255;

int MedianFilterWorker(BitmapRecord* bitmap) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    WindowRows rows(bitmap, {1, 1, 1, false});
    return rows.Run([](const Window& win, unsigned char* out) {
        MedianRow3(win.rows[0], win.rows[1], win.rows[2], win.channels, win.width * win.channels, out);
    });
}

int MedianGeneral(BitmapRecord* bitmap, int n) {
    const int above = (n - 1) / 2, below = n / 2;
    const uint32_t rank = (static_cast<uint32_t>(n) * n + 1) / 2;
    GlobalBuffer block(3 * 256 * sizeof(uint32_t));
    if (!block) return K_ERR_MEMORY;
    auto* histograms = reinterpret_cast<uint32_t*>(block.get());
    WindowRows rows(bitmap, {above, below, 0, false});
    return rows.Run([&](const Window& win, unsigned char* out) {
        const int c = win.channels, w = win.width;
        auto clampX = [w](int x) { return x < 0 ? 0 : x >= w ? w - 1 : x; };
        std::memset(histograms, 0, 3 * 256 * sizeof(uint32_t));
        for (int i = 0; i < n; ++i)
            for (int x = -above; x <= below; ++x)
                for (int ch = 0; ch < c; ++ch) ++histograms[ch * 256 + win.rows[i][clampX(x) * c + ch]];
        for (int x = 0; x < w; ++x) {
            if (x > 0) {
                const int leaving = clampX(x - 1 - above) * c, entering = clampX(x + below) * c;
                for (int i = 0; i < n; ++i)
                    for (int ch = 0; ch < c; ++ch) {
                        --histograms[ch * 256 + win.rows[i][leaving + ch]];
                        ++histograms[ch * 256 + win.rows[i][entering + ch]];
                    }
            }
            for (int ch = 0; ch < c; ++ch) {
                const uint32_t* h = histograms + ch * 256;
                uint32_t total = 0;
                int v = 0;
                while ((total += h[v]) < rank) ++v;
                out[x * c + ch] = static_cast<unsigned char>(v);
            }
        }
    });
}

}  // namespace

extern "C" int KAPI K_MedianFilterBitmap(BitmapRecord* bitmap, unsigned int size) {
    if (size == 3) return MedianFilterWorker(bitmap);
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (size == 0 || size > kMaxSize) return K_ERR_ARGUMENT;
    return MedianGeneral(bitmap, static_cast<int>(size));
}
