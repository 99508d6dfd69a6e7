// Decoding a 4000 x 3000 JPEG at quality 90, 4:2:0 and 4:4:4, with our
// decoder and with libjpeg-turbo in the same process (integer DCT, chroma
// replicated as ours is). libjpeg-turbo reads its SIMD switch once, so the
// figure without SIMD comes from this program run again with
// JSIMD_FORCENONE=1. Figures are the best of a few runs, in megapixels per
// second; the ratios are ours over the peer's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 4000, kHeight = 3000, kRuns = 3;
const double kMegapixels = kWidth * kHeight / 1e6;

template <class F>
double BestSeconds(F f) {
    double best = 1e30;
    for (int i = 0; i < kRuns + 1; ++i) {  // the first run warms up
        auto t0 = Clock::now();
        if (!f()) return -1;
        double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (i > 0) best = std::min(best, s);
    }
    return best;
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

// A photograph-like picture: smooth shading, edges and fine noise.
void WritePicture(const std::string& path) {
    std::string ppm = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    const size_t header = ppm.size();
    ppm.resize(header + static_cast<size_t>(kWidth) * kHeight * 3);
    unsigned seed = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int n = static_cast<int>(seed >> 16 & 15) - 8;
            auto* p = reinterpret_cast<unsigned char*>(&ppm[header + (static_cast<size_t>(y) * kWidth + x) * 3]);
            const bool edge = ((x / 97) ^ (y / 61)) & 1;
            p[0] = static_cast<unsigned char>(std::clamp(x * 255 / kWidth + n, 0, 255));
            p[1] = static_cast<unsigned char>(std::clamp((edge ? 180 : 60) + (y & 63) + n, 0, 255));
            p[2] = static_cast<unsigned char>(std::clamp(y * 255 / kHeight - n, 0, 255));
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(ppm.data(), 1, ppm.size(), f);
    std::fclose(f);
}

int KAPI DropRows(BitmapRecord*, unsigned char*, int, void*) { return 1; }

bool Ours(const std::string& jpeg) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    K_InitBitmap(&b, kWidth, kHeight, 24);
    b.ColorOrder = K_ORDER_RGB;
    return K_DecompressMemory(jpeg.data(), &b, DropRows, 24, nullptr, 4, static_cast<int>(jpeg.size())) == K_OK;
}

bool Peer(const std::string& jpeg) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_ISLOW;
    d.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&d);
    std::vector<unsigned char> row(static_cast<size_t>(d.output_width) * d.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (d.output_scanline < d.output_height) jpeg_read_scanlines(&d, rows, 1);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Child run: libjpeg-turbo alone on one file, its seconds on stdout.
    if (argc == 3 && std::strcmp(argv[1], "--peer") == 0) {
        std::string jpeg = ReadAll(argv[2]);
        std::printf("%.6f\n", BestSeconds([&] { return Peer(jpeg); }));
        return 0;
    }
    char dir[] = "/tmp/bench_jpeg_decode.XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string ppm = std::string(dir) + "/picture.ppm";
    WritePicture(ppm);
    std::printf("JPEG decoding, %dx%d, quality 90, megapixels per second (best of %d)\n", kWidth, kHeight, kRuns);
    std::printf("%-8s %10s %14s %14s %12s %12s\n", "layout", "ours", "turbo SIMD", "turbo no SIMD", "vs SIMD",
                "vs no SIMD");
    for (const char* sampling : {"2x2", "1x1"}) {
        const std::string jpeg = std::string(dir) + "/q90_" + sampling + ".jpg";
        const std::string command = "cjpeg -quality 90 -sample " + std::string(sampling) + " -outfile " + jpeg + " " + ppm;
        if (std::system(command.c_str()) != 0) return 1;
        const std::string bytes = ReadAll(jpeg);
        const double ours = BestSeconds([&] { return Ours(bytes); });
        const double simd = BestSeconds([&] { return Peer(bytes); });
        double plain = -1;
        const std::string child = "JSIMD_FORCENONE=1 " + std::string(argv[0]) + " --peer " + jpeg;
        if (FILE* p = popen(child.c_str(), "r")) {
            if (std::fscanf(p, "%lf", &plain) != 1) plain = -1;
            pclose(p);
        }
        std::printf("%-8s %10.1f %14.1f %14.1f %12.2f %12.2f\n", sampling[0] == '2' ? "4:2:0" : "4:4:4",
                    kMegapixels / ours, kMegapixels / simd, kMegapixels / plain, simd / ours, plain / ours);
    }
    std::system((std::string("rm -rf ") + dir).c_str());
    return 0;
}
