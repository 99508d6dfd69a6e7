// JPEG encoding of a 4000 x 3000 picture at 4:2:0 and 4:4:4, ours beside
// libjpeg-turbo in the same process with the same quantisation tables
// (our Q 10, libjpeg-turbo's quality 90). libjpeg-turbo runs twice: with
// its SIMD, and in a child of this program with JSIMD_FORCENONE=1, since it
// reads that switch once per process. Figures are the best of a few runs,
// in megapixels per second; the ratios are ours over the peer's.
//
// The engine is driven directly (the compress-buffer triple adds nothing
// per pixel), so this file also builds for a 64-bit host where the 32-bit
// build runs under an emulator:
//   clang++-14 -O2 -std=c++20 -Iimaging bench/jpeg_encode.cpp imaging/jpeg/{jpeg_encoder,jpeg_fdct,\
//     jpeg_color_in,jpeg_block_coder,huffman_builder,jpeg_heads,jpeg_tables}.cpp -ljpeg
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "jpeg/jpeg_encoder.h"
#include "jpeg/jpeg_tables.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 4000, kHeight = 3000, kRuns = 3, kQuality = 10, kStripRows = 16;
const double kMegapixels = kWidth * kHeight / 1e6;

// Blue, green, red rows, top-down: smooth shading with texture and edges,
// so the coder sees the mix of a photograph.
std::vector<unsigned char> MakePicture() {
    std::vector<unsigned char> p(static_cast<size_t>(kWidth) * kHeight * 3);
    unsigned seed = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = static_cast<int>((seed >> 16) & 15) - 8;
            double s = std::sin(x * 0.013) * std::cos(y * 0.011);
            int edge = ((x / 200 + y / 150) & 1) * 40;
            unsigned char* q = &p[(static_cast<size_t>(y) * kWidth + x) * 3];
            q[0] = static_cast<unsigned char>(std::clamp(int(110 + 80 * s) + noise + edge, 0, 255));
            q[1] = static_cast<unsigned char>(std::clamp(int(128 + 60 * std::sin(x * 0.002 + y * 0.003)) + noise, 0, 255));
            q[2] = static_cast<unsigned char>(std::clamp(int(150 - 70 * s) + noise - edge, 0, 255));
        }
    return p;
}

int Count(const uint8_t*, int count, void* user) {
    *static_cast<size_t*>(user) += static_cast<size_t>(count);
    return 1;
}

// Ours, 16 rows at a time as K_CompressBuffer gives them: the coded size.
size_t EncodeOurs(const std::vector<unsigned char>& picture, bool subsample) {
    size_t bytes = 0;
    EncoderParameters p;
    p.width = kWidth;
    p.height = kHeight;
    p.hSampling = p.vSampling = subsample ? 2 : 1;
    p.quality = kQuality;
    p.rowsPerBuffer = kStripRows;
    p.output.write = Count;
    p.output.context = &bytes;
    if (JpegStartEncoder(p) != 1) return 0;
    const uint8_t* rows[kStripRows];
    for (int y = 0; y < kHeight; y += kStripRows) {
        for (int r = 0; r < kStripRows; ++r)
            rows[r] = picture.data() + static_cast<size_t>(std::min(y + r, kHeight - 1)) * kWidth * 3;
        if (JpegEncodeRows(rows) != 1) return 0;
    }
    return bytes;
}

size_t EncodePeer(const std::vector<unsigned char>& picture, bool subsample) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    // Our tables at Q 10, unscaled.
    unsigned int lum[64], chroma[64];
    uint8_t zz[64];
    ScaleQuantTable(kLuminanceQuant, kQuality, zz);
    for (int i = 0; i < 64; ++i) lum[kZigzagToNatural[i]] = zz[i];
    ScaleQuantTable(kChrominanceQuant, kQuality, zz);
    for (int i = 0; i < 64; ++i) chroma[kZigzagToNatural[i]] = zz[i];
    jpeg_add_quant_table(&c, 0, lum, 100, TRUE);
    jpeg_add_quant_table(&c, 1, chroma, 100, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = subsample ? 2 : 1;
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(picture.data()) + static_cast<size_t>(c.next_scanline) * kWidth * 3;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return size;
}

template <class F>
double Best(F f, size_t* bytes) {
    double best = 1e30;
    f();  // warm-up
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = Clock::now();
        *bytes = f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return kMegapixels / best;
}

long PeakKilobytes() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<unsigned char> picture = MakePicture();
    const bool peerOnly = argc > 1 && std::strcmp(argv[1], "--peer") == 0;
    const char* modes[2] = {"4:2:0", "4:4:4"};
    double peerNoSimd[2] = {0, 0};
    if (peerOnly) {
        for (int m = 0; m < 2; ++m) {
            size_t bytes = 0;
            std::printf("%f\n", Best([&] { return EncodePeer(picture, m == 0); }, &bytes));
        }
        return 0;
    }
    // The peer without SIMD, in a child.
    std::string command = std::string("JSIMD_FORCENONE=1 ") + argv[0] + " --peer";
    if (FILE* child = popen(command.c_str(), "r")) {
        for (double& rate : peerNoSimd)
            if (std::fscanf(child, "%lf", &rate) != 1) rate = 0;
        pclose(child);
    }
    const long before = PeakKilobytes();
    std::printf("JPEG encoding, %dx%d, 24-bit, our Q %d = libjpeg-turbo quality 90 tables, MP/s (best of %d)\n",
                kWidth, kHeight, kQuality, kRuns);
    std::printf("%-6s %10s %10s %12s %10s %10s  %s\n", "mode", "ours", "turbo", "turbo-noSIMD", "ours/SIMD",
                "ours/noSIMD", "bytes ours / turbo");
    double ours[2];
    size_t ourBytes[2];
    for (int m = 0; m < 2; ++m) ours[m] = Best([&] { return EncodeOurs(picture, m == 0); }, &ourBytes[m]);
    const long afterOurs = PeakKilobytes();
    for (int m = 0; m < 2; ++m) {
        size_t peerBytes = 0;
        double peer = Best([&] { return EncodePeer(picture, m == 0); }, &peerBytes);
        std::printf("%-6s %10.1f %10.1f %12.1f %10.2f %10.2f  %zu / %zu\n", modes[m], ours[m], peer, peerNoSimd[m],
                    ours[m] / peer, peerNoSimd[m] > 0 ? ours[m] / peerNoSimd[m] : 0.0, ourBytes[m], peerBytes);
    }
    std::printf("memory: picture %zu KB; process peak %ld KB with the picture, %ld KB after our encodings\n",
                picture.size() / 1024, before, afterOurs);
    return 0;
}
