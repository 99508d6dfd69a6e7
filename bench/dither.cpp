// Colour reduction beside ImageMagick on the same picture in one run:
// Floyd-Steinberg to the fixed 8-bit palette, and an optimized palette of
// 256 colours (without dithering and with Floyd-Steinberg).
//
//   bench_dither [size] [runs]     (default 1024 x 1024, 5 runs)
//
// ImageMagick's times are whole commands; the time of a plain read and
// write of the same files is measured too and taken off.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kMagick = "/usr/bin/convert-im6.q16";

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double TimeCommand(const std::string& command, int runs) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            return -1;
        }
        best = std::min(best, Seconds(t0, Clock::now()));
    }
    return best;
}

// Reads a binary PPM into a 24-bit top-down record.
bool LoadPpm(const std::string& path, BitmapRecord& rec) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int w = 0, h = 0, maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && std::fgetc(f) != EOF;
    std::vector<unsigned char> data(static_cast<size_t>(w) * h * 3);
    ok = ok && std::fread(data.data(), 1, data.size(), f) == data.size();
    std::fclose(f);
    if (!ok || K_InitBitmap(&rec, w, h, 24) != K_OK || K_AllocateBitmap(&rec, K_STORAGE_ANY) != K_OK) return false;
    rec.ViewPerspective = K_TOP_DOWN;
    rec.ColorOrder = K_ORDER_RGB;
    K_AccessBitmap(&rec);
    std::vector<unsigned char> row(rec.BytesPerLine);
    for (int y = 0; y < h; ++y) {
        std::copy(data.begin() + static_cast<size_t>(y) * w * 3, data.begin() + static_cast<size_t>(y + 1) * w * 3, row.begin());
        K_PutBitmapRow(&rec, row.data(), y, rec.BytesPerLine);
    }
    K_ReleaseBitmap(&rec);
    return true;
}

template <typename Op>
double TimeOurs(const std::string& source, int runs, Op op) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        BitmapRecord rec, out{};
        if (!LoadPpm(source, rec)) return -1;
        auto t0 = Clock::now();
        int result = op(&rec, &out);
        double t = Seconds(t0, Clock::now());
        K_FreeBitmap(&rec);
        K_FreeBitmap(&out);
        if (result != K_OK) return -1;
        best = std::min(best, t);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int size = argc > 1 ? std::atoi(argv[1]) : 1024;
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::string dir = "/tmp/bench_dither";
    std::system(("mkdir -p " + dir).c_str());
    std::string source = dir + "/plasma.ppm", out = dir + "/out.ppm", map = dir + "/fixed256.ppm";
    std::string geometry = std::to_string(size) + "x" + std::to_string(size);
    if (std::system((kMagick + " -seed 5 -size " + geometry + " plasma:fractal -depth 8 " + source).c_str()) != 0) return 1;

    // The fixed palette as a remap picture for ImageMagick.
    RGBQUAD fixed[256];
    K_GetFixedPalette(fixed, 8);
    FILE* f = std::fopen(map.c_str(), "wb");
    std::fprintf(f, "P6\n256 1\n255\n");
    for (const RGBQUAD& e : fixed) std::fprintf(f, "%c%c%c", e.rgbRed, e.rgbGreen, e.rgbBlue);
    std::fclose(f);

    double io = TimeCommand(kMagick + " " + source + " " + out, runs);
    struct Row {
        const char* what;
        double ours, magick;
    } rows[] = {
        {"Floyd-Steinberg, fixed 256",
         TimeOurs(source, runs, [](BitmapRecord* r, BitmapRecord*) { return K_DitherBitmap(r, 1, 8); }),
         TimeCommand(kMagick + " " + source + " -dither FloydSteinberg -remap " + map + " " + out, runs) - io},
        {"optimized 256, no dither",
         TimeOurs(source, runs, [](BitmapRecord* r, BitmapRecord* t) { return K_OptimizeBitmap(r, t, 0, 256); }),
         TimeCommand(kMagick + " " + source + " +dither -colors 256 " + out, runs) - io},
        {"optimized 256, Floyd-Steinberg",
         TimeOurs(source, runs, [](BitmapRecord* r, BitmapRecord* t) { return K_OptimizeBitmap(r, t, 1, 256); }),
         TimeCommand(kMagick + " " + source + " -dither FloydSteinberg -colors 256 " + out, runs) - io},
    };
    std::printf("%s picture, best of %d runs (ImageMagick: command minus %.1f ms of plain read and write)\n", geometry.c_str(), runs, io * 1000);
    std::printf("%-32s %10s %14s\n", "reduction", "ours ms", "ImageMagick ms");
    for (const Row& r : rows) std::printf("%-32s %10.1f %14.1f\n", r.what, r.ours * 1000, r.magick * 1000);
    return 0;
}
