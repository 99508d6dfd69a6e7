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

// Seconds of one run, which must answer 1.
double Once(const std::function<int()>& run, const char* what) {
    const auto start = Clock::now();
    const int result = run();
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    if (result != K_OK) {
        std::fprintf(stderr, "%s failed: %d\n", what, result);
        std::exit(1);
    }
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The conversion and its two parts in turn, so that a change in the
// machine's load falls on all three alike; medians after a warm-up round.
void Measure(const char* name, const std::function<int()>& conversion, const std::function<int()>& decode,
             const std::function<int()>& encode);

void Measure(const char* name, const std::function<int()>& conversion, const std::function<int()>& decode,
             const std::function<int()>& encode) {
    std::vector<double> c, d, e;
    for (int i = 0; i <= kRuns; ++i) {
        const double tc = Once(conversion, name), td = Once(decode, "decode"), te = Once(encode, "encode");
        if (i == 0) continue;
        c.push_back(tc);
        d.push_back(td);
        e.push_back(te);
    }
    const double conv = Median(c), dec = Median(d), enc = Median(e);
    std::printf("%-22s %8.3f s   parts %8.3f + %8.3f s   ratio %.3f %s\n", name, conv, dec, enc, conv / (dec + enc),
                conv <= 1.10 * (dec + enc) ? "(within 10%)" : "(OVER)");
    std::fflush(stdout);
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
    std::fflush(stdout);

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

    Measure("BMP to JFIF 4:2:0", [&] { return K_CompressBMP(bmp.c_str(), out1.c_str(), 3, kQuality, 0); }, load(bmp),
            compressLoaded(3));
    Measure("TGA to own format", [&] { return K_CompressTGA(tga.c_str(), out1.c_str(), 0, kQuality, 0, 0); }, load(tga),
            compressLoaded(0));
    Measure(
        "JFIF 4:2:0 to BMP", [&] { return K_DecompressBMP(jpg.c_str(), out1.c_str(), 24); },
        [&] {
            K_FreeBitmap(&record);
            return K_DecompressBitmap(jpg.c_str(), &record, 24);
        },
        [&] { return K_SaveBMPBitmap(out2.c_str(), &record, 24, 1); });
    K_FreeBitmap(&record);
    for (const std::string& f : {bmp, tga, jpg, out1, out2}) std::remove(f.c_str());
    rmdir(folder);
    return 0;
}
