// The one-call conversions beside the decode and the encode they are made
// of, on a 4000 x 3000 picture, in one run:
//   BMP to JFIF 4:2:0:  K_CompressBMP  against  K_LoadBitmap + K_CompressBitmap
//   JFIF to BMP:        K_DecompressBMP against K_DecompressBitmap + K_SaveBMPBitmap
//   TGA to own format:  K_CompressTGA  against  K_LoadBitmap + K_CompressBitmap
// A conversion should cost at most its two parts plus 10%. Medians of a few
// runs after a warm-up, in seconds. Under an emulator (a kernel without
// 32-bit support) every figure is slower alike and the ratios still hold.
// Files go to a folder of its own under /tmp, removed at the end.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 4000, kHeight = 3000, kRuns = 3, kQuality = 10;

// Smooth shading with texture and edges, like a photograph.
void FillPicture(BitmapRecord* record) {
    K_InitBitmap(record, kWidth, kHeight, 24);
    K_AllocateBitmap(record, K_STORAGE_ANY);
    K_AccessBitmap(record);
    std::vector<unsigned char> row(static_cast<size_t>(kWidth) * 3);
    unsigned seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 15) - 8;
            const double s = std::sin(x * 0.013) * std::cos(y * 0.011);
            const int edge = ((x / 200 + y / 150) & 1) * 40;
            unsigned char* q = &row[static_cast<size_t>(x) * 3];
            q[0] = static_cast<unsigned char>(std::clamp(int(110 + 80 * s) + noise + edge, 0, 255));
            q[1] = static_cast<unsigned char>(std::clamp(int(128 + 60 * std::sin(x * 0.002 + y * 0.003)) + noise, 0, 255));
            q[2] = static_cast<unsigned char>(std::clamp(int(150 - 70 * s) + noise - edge, 0, 255));
        }
        K_PutBitmapRow(record, row.data(), y, kWidth * 3);
    }
    K_ReleaseBitmap(record);
}

// Median seconds of kRuns after one warm-up; every run must answer 1.
double Time(const std::function<int()>& run, const char* what) {
    std::vector<double> seconds;
    for (int i = 0; i <= kRuns; ++i) {
        const auto start = Clock::now();
        const int result = run();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (result != K_OK) {
            std::fprintf(stderr, "%s failed: %d\n", what, result);
            std::exit(1);
        }
        if (i > 0) seconds.push_back(s);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

void Report(const char* name, double conversion, double decode, double encode) {
    std::printf("%-22s %8.3f s   parts %8.3f + %8.3f s   ratio %.3f %s\n", name, conversion, decode, encode,
                conversion / (decode + encode), conversion <= 1.10 * (decode + encode) ? "(within 10%)" : "(OVER)");
}

}  // namespace

int main() {
    char folder[] = "/tmp/bench_jpeg_convert_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string dir = folder;
    const std::string bmp = dir + "/src.bmp", tga = dir + "/src.tga", jpg = dir + "/src.jpg";
    const std::string out1 = dir + "/out1", out2 = dir + "/out2";

    BitmapRecord picture{};
    FillPicture(&picture);
    if (K_SaveBMPBitmap(bmp.c_str(), &picture, 24, 1) != K_OK || K_SaveTGABitmap(tga.c_str(), &picture, 24) != K_OK ||
        K_CompressBitmap(&picture, jpg.c_str(), 3, kQuality, 0) != K_OK) {
        std::fprintf(stderr, "cannot write the sources\n");
        return 1;
    }
    K_FreeBitmap(&picture);
    std::printf("%d x %d, quality %d, median of %d after a warm-up\n", kWidth, kHeight, kQuality, kRuns);

    BitmapRecord record{};
    auto load = [&](const std::string& name) {
        return [&record, name] {
            K_FreeBitmap(&record);
            return K_LoadBitmap(name.c_str(), &record, 0, K_ORDER_BGR);
        };
    };
    auto compressLoaded = [&](int variant) {
        return [&record, &out2, variant] { return K_CompressBitmap(&record, out2.c_str(), variant, kQuality, 0); };
    };

    {
        const double conversion = Time([&] { return K_CompressBMP(bmp.c_str(), out1.c_str(), 3, kQuality, 0); }, "K_CompressBMP");
        const double decode = Time(load(bmp), "K_LoadBitmap");
        const double encode = Time(compressLoaded(3), "K_CompressBitmap");
        Report("BMP to JFIF 4:2:0", conversion, decode, encode);
    }
    {
        const double conversion =
            Time([&] { return K_CompressTGA(tga.c_str(), out1.c_str(), 0, kQuality, 0, 0); }, "K_CompressTGA");
        const double decode = Time(load(tga), "K_LoadBitmap");
        const double encode = Time(compressLoaded(0), "K_CompressBitmap");
        Report("TGA to own format", conversion, decode, encode);
    }
    {
        const double conversion = Time([&] { return K_DecompressBMP(jpg.c_str(), out1.c_str(), 24); }, "K_DecompressBMP");
        const double decode = Time(
            [&] {
                K_FreeBitmap(&record);
                return K_DecompressBitmap(jpg.c_str(), &record, 24);
            },
            "K_DecompressBitmap");
        const double encode = Time([&] { return K_SaveBMPBitmap(out2.c_str(), &record, 24, 1); }, "K_SaveBMPBitmap");
        Report("JFIF 4:2:0 to BMP", conversion, decode, encode);
    }
    K_FreeBitmap(&record);
    for (const std::string& f : {bmp, tga, jpg, out1, out2}) std::remove(f.c_str());
    rmdir(folder);
    return 0;
}
