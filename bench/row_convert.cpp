// Display row conversion between the common depths, in megapixels per
// second, beside memcpy of the same source bytes (the physical limit).
// Usage: bench_row_convert [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/display_mode.h"
#include "core/palette.h"
#include "core/row_converters.h"
#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4096;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// memcpy of rows of the given size, in megapixels (of kWidth) per second.
double CopyRate(int bytesPerRow, int rows) {
    std::vector<unsigned char> a(bytesPerRow, 1), b(bytesPerRow);
    auto start = Clock::now();
    for (int y = 0; y < rows; ++y) {
        a[y % bytesPerRow] = static_cast<unsigned char>(y);
        std::memcpy(b.data(), a.data(), a.size());
    }
    volatile unsigned char sink = b[rows % bytesPerRow];
    (void)sink;
    return static_cast<double>(kWidth) * rows / Seconds(start) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (rows <= 0) rows = 2000;
    std::printf("row conversion, %d pixels x %d rows\n", kWidth, rows);
    std::printf("%-22s %12s %12s %8s\n", "conversion", "MP/s", "memcpy MP/s", "ratio");
    std::vector<unsigned char> source(kWidth * 4), target(kWidth * 3);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 131 + (i >> 7));
    std::vector<DiffusionErrorCell> errors(kWidth);

    for (int bits : {4, 8, 16, 24, 32}) {
        BitmapRecord r;
        K_InitBitmap(&r, kWidth, 1, bits);
        if (bits <= 8) r.PaletteHandle = CreateFixedPalette(bits);
        int sourceBytes = r.BytesPerLine;
        double copy = CopyRate(sourceBytes, rows);
        for (int depth : {1, 4, 8}) {
            for (bool ordered : {true, false}) {
                DisplayMode = ordered ? (DisplayMode | kOrderedDither) : (DisplayMode & ~kOrderedDither);
                std::fill(errors.begin(), errors.end(), DiffusionErrorCell{});
                auto start = Clock::now();
                for (int y = 0; y < rows; ++y)
                    ConvertDisplayRow(target.data(), depth, source.data(), &r, 0, kWidth, 0, y, errors.data());
                double rate = static_cast<double>(kWidth) * rows / Seconds(start) / 1e6;
                char name[40];
                std::snprintf(name, sizeof name, "%2d -> %d %s", bits, depth, ordered ? "ordered" : "diffused");
                std::printf("%-22s %12.1f %12.1f %8.3f\n", name, rate, copy, rate / copy);
            }
        }
        if (bits == 16 || bits == 32) {
            auto start = Clock::now();
            for (int y = 0; y < rows; ++y) {
                source[y % 64] = static_cast<unsigned char>(y);
                (bits == 16 ? ExpandRow16To24 : ExpandRow32To24)(target.data(), source.data(), &r, 0, kWidth);
            }
            double rate = static_cast<double>(kWidth) * rows / Seconds(start) / 1e6;
            char name[40];
            std::snprintf(name, sizeof name, "%2d -> 24 expand", bits);
            std::printf("%-22s %12.1f %12.1f %8.3f\n", name, rate, copy, rate / copy);
        }
        K_FreeBitmap(&r);
    }
    return 0;
}
