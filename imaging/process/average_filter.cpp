// K_AverageFilterBitmap: every pixel the mean of the n x n window around it
// (edges repeated), by running sums down the columns and along the rows.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "process/window_rows.h"

namespace {

// A window this wide already spans any picture the library can hold many
// times over; larger ones are refused rather than summed for hours.
constexpr int kMaxSize = 65535;

template <typename Sum>
int BoxAverage(BitmapRecord* bitmap, int n) {
    const int above = (n - 1) / 2, below = n / 2;
    const uint64_t area = static_cast<uint64_t>(n) * n;
    const int w = bitmap->Width;
    GlobalBuffer block(static_cast<size_t>(w) * 3 * sizeof(Sum));
    if (!block) return K_ERR_MEMORY;
    auto* columns = reinterpret_cast<Sum*>(block.get());
    // Means of small windows by table instead of a division per value.
    const uint64_t largest = 255 * area;
    GlobalBuffer table(largest < (1u << 20) ? static_cast<size_t>(largest) + 1 : 1);
    if (!table) return K_ERR_MEMORY;
    const bool byTable = largest < (1u << 20);
    if (byTable)
        for (uint64_t v = 0; v <= largest; ++v) table.get()[v] = static_cast<unsigned char>(v / area);
    bool first = true;
    // The window reaches one row further up than the mean needs: that row
    // is the one leaving the running column sums.
    WindowRows rows(bitmap, {above + 1, below, 0, false});
    return rows.Run([&](const Window& win, unsigned char* out) {
        const int c = win.channels, count = w * c;
        if (first) {
            std::fill(columns, columns + count, Sum{0});
            for (int i = 1; i <= n; ++i)
                for (int k = 0; k < count; ++k) columns[k] += win.rows[i][k];
            first = false;
        } else {
            const unsigned char *entering = win.rows[n], *leaving = win.rows[0];
            for (int k = 0; k < count; ++k) columns[k] += static_cast<Sum>(entering[k]) - static_cast<Sum>(leaving[k]);
        }
        for (int ch = 0; ch < c; ++ch) {
            auto at = [&](int x) { return columns[(x < 0 ? 0 : x >= w ? w - 1 : x) * c + ch]; };
            Sum sum = 0;
            for (int x = -above; x <= below; ++x) sum += at(x);
            for (int x = 0; x < w; ++x) {
                if (x > 0) sum += at(x + below) - at(x - 1 - above);
                out[x * c + ch] = byTable ? table.get()[sum] : static_cast<unsigned char>(sum / area);
            }
        }
    });
}

}  // namespace

extern "C" int KAPI K_AverageFilterBitmap(BitmapRecord* bitmap, int size) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (size <= 0 || size > kMaxSize) return K_ERR_ARGUMENT;
    // 32-bit sums while the largest window total fits them.
    if (255 * static_cast<uint64_t>(size) * static_cast<uint64_t>(size) <= UINT32_MAX)
        return BoxAverage<uint32_t>(bitmap, size);
    return BoxAverage<uint64_t>(bitmap, size);
}
