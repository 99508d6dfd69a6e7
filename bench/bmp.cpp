// Loading and saving a large 24-bit BMP, beside ImageMagick and netpbm in
// the same run, and against the time it takes just to read the file's bytes.
//   bench_bmp [width height]   (default 4000 x 3000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Best of a few runs of a step.
template <typename F>
double Best(int runs, F step) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        if (!step()) return -1;
        best = std::min(best, Seconds(start));
    }
    return best;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

void Report(const char* what, double seconds, double megapixels, double limit) {
    if (seconds < 0) {
        std::printf("%-34s %10s\n", what, "failed");
        return;
    }
    std::printf("%-34s %8.1f ms %8.1f MP/s %6.2fx the read\n", what, seconds * 1000, megapixels / seconds,
                seconds / limit);
}

}  // namespace

int main(int argc, char** argv) {
    int width = argc > 2 ? std::atoi(argv[1]) : 4000;
    int height = argc > 2 ? std::atoi(argv[2]) : 3000;
    const double mp = width * static_cast<double>(height) / 1e6;
    const std::string dir = "/tmp/bench_bmp";
    Shell("mkdir -p " + dir);
    const std::string source = dir + "/source.bmp", ours = dir + "/ours.bmp", ppm = dir + "/source.ppm";

    // A picture with varied pixels, written by our own saver.
    BitmapRecord picture;
    K_InitBitmap(&picture, width, height, 24);
    if (K_AllocateBitmap(&picture, 1) != K_OK) return 1;
    K_AccessBitmap(&picture);
    std::vector<unsigned char> row(picture.BytesPerLine);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<unsigned char>(x ^ y);
            row[x * 3 + 1] = static_cast<unsigned char>(x * 3 + y);
            row[x * 3 + 2] = static_cast<unsigned char>(y * 5 - x);
        }
        K_PutBitmapRow(&picture, row.data(), y, picture.BytesPerLine);
    }
    K_ReleaseBitmap(&picture);
    if (K_SaveBitmap(source.c_str(), &picture, 6, 24, 0) != K_OK) return 1;
    Shell("bmptopnm " + source + " > " + ppm + " 2>/dev/null");
    std::printf("%d x %d, 24 bits (%.1f MP)\n", width, height, mp);

    const int runs = 3;
    double limit = Best(runs, [&] {
        FILE* f = std::fopen(source.c_str(), "rb");
        if (!f) return false;
        std::vector<char> bytes(1 << 20);
        while (std::fread(bytes.data(), 1, bytes.size(), f) > 0) {
        }
        std::fclose(f);
        return true;
    });
    Report("read the file's bytes", limit, mp, limit);

    BitmapRecord loaded;
    K_InitBitmap(&loaded, 0, 0, 0);
    Report("volkg K_LoadBitmap", Best(runs, [&] {
               K_FreeBitmap(&loaded);
               return K_LoadBitmap(source.c_str(), &loaded, 0, 1) == K_OK;
           }),
           mp, limit);
    Report("volkg K_SaveBitmap", Best(runs, [&] { return K_SaveBitmap(ours.c_str(), &loaded, 6, 24, 0) == K_OK; }), mp,
           limit);
    K_FreeBitmap(&loaded);
    K_FreeBitmap(&picture);

    const std::string im = "/usr/bin/convert-im6.q16";
    double imLoad = Best(runs, [&] { return Shell(im + " " + source + " null:"); });
    Report("ImageMagick load (to null:)", imLoad, mp, limit);
    double imBoth = Best(runs, [&] { return Shell(im + " " + source + " BMP3:" + dir + "/im.bmp"); });
    Report("ImageMagick save (load+save - load)", imBoth < 0 || imLoad < 0 ? -1 : imBoth - imLoad, mp, limit);
    double pbmLoad = Best(runs, [&] { return Shell("bmptopnm " + source + " > /dev/null 2>&1"); });
    Report("netpbm bmptopnm (load, PPM out)", pbmLoad, mp, limit);
    double pbmSave = Best(runs, [&] { return Shell("ppmtobmp -windows " + ppm + " > " + dir + "/pbm.bmp 2>/dev/null"); });
    Report("netpbm ppmtobmp (PPM in, save)", pbmSave, mp, limit);
    return 0;
}
