// Loading the legacy raster formats beside netpbm and ImageMagick in one
// run: Sun raster raw and run-length coded (4000 x 3000, 24 bits) against
// reading the file's bytes and copying them in memory, MacPaint at its own
// size, GEM IMG and MSP at 1 bit, WPG at 8 bits and PICT at 8 and 24 bits
// (4000 x 3000). Peers that have no reader for a format are left out (MSP
// has none). Everything runs the same way (natively or under an emulator),
// so the ratios compare like with like.
//   bench_legacy_formats [width height]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double Best(int runs, F step) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        if (!step()) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

void Report(const char* what, double seconds, double reference) {
    if (seconds < 0) {
        std::printf("%-40s %10s\n", what, "failed");
        return;
    }
    std::printf("%-40s %9.1f ms %7.2fx the reference\n", what, seconds * 1000, seconds / reference);
}

bool Load(const std::string& path) {
    BitmapRecord b;
    K_InitBitmap(&b, 0, 0, 0);
    bool ok = K_LoadBitmap(path.c_str(), &b, 0, 1) == K_OK;
    K_FreeBitmap(&b);
    return ok;
}

// netpbm: its reader command, or empty; magick: ImageMagick reads the format.
void Format(const char* title, const std::string& path, const std::string& netpbm, int runs, bool magick = true) {
    std::printf("\n%s\n", title);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::vector<char> bytes;
    char block[1 << 16];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.insert(bytes.end(), block, block + n);
    std::fclose(f);
    std::vector<char> copy(bytes.size());
    double memcpyTime = Best(runs, [&] {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        return copy[bytes.size() / 2] == bytes[bytes.size() / 2];
    });
    Report("memcpy of the file's bytes (reference)", memcpyTime, memcpyTime);
    Report("volkg K_LoadBitmap", Best(runs, [&] { return Load(path); }), memcpyTime);
    if (magick)
        Report("ImageMagick load (to null:)",
               Best(runs, [&] { return Shell("/usr/bin/convert-im6.q16 " + path + " null:"); }), memcpyTime);
    if (!netpbm.empty())
        Report(("netpbm " + netpbm).c_str(), Best(runs, [&] { return Shell(netpbm + " " + path + " > /dev/null 2>&1"); }),
               memcpyTime);
}

}  // namespace

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 4000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 3000;
    const std::string dir = "/tmp/bench_legacy_formats";
    Shell("mkdir -p " + dir);
    const std::string ppm = dir + "/source.ppm", pbm = dir + "/source.pbm";
    // Varied pixels with runs in them, so that the coded file is realistic.
    {
        FILE* f = std::fopen(ppm.c_str(), "wb");
        if (!f) return 1;
        std::fprintf(f, "P6\n%d %d\n255\n", width, height);
        std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                row[x * 3] = static_cast<unsigned char>((x / 16) ^ y);
                row[x * 3 + 1] = static_cast<unsigned char>(x / 8 + y);
                row[x * 3 + 2] = static_cast<unsigned char>(y * 5 - x / 32);
            }
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
    }
    // At most 256 colours, for the 8-bit formats.
    const std::string indexed = dir + "/indexed.ppm";
    {
        FILE* f = std::fopen(indexed.c_str(), "wb");
        if (!f) return 1;
        std::fprintf(f, "P6\n%d %d\n255\n", width, height);
        std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int c = ((x / 16) ^ (y / 8)) & 0xFF;
                row[x * 3] = static_cast<unsigned char>(c & 0xE0);
                row[x * 3 + 1] = static_cast<unsigned char>((c << 3) & 0xE0);
                row[x * 3 + 2] = static_cast<unsigned char>((c << 6) & 0xC0);
            }
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
    }
    std::printf("%d x %d, 24 bits\n", width, height);
    Shell("pnmtorast -standard " + ppm + " > " + dir + "/raw.ras 2>/dev/null");
    Shell("pnmtorast -rle " + ppm + " > " + dir + "/rle.ras 2>/dev/null");
    Shell("pbmmake -g 576 720 > " + pbm + " && pbmtomacp " + pbm + " > " + dir + "/bare.mac");
    Format("Sun raster, raw", dir + "/raw.ras", "rasttopnm", 3);
    Format("Sun raster, run-length coded", dir + "/rle.ras", "rasttopnm", 3);
    Format("MacPaint, 576 x 720", dir + "/bare.mac", "macptopbm", 5);

    // pbmtogem writes rows over 1016 pixels that gemtopnm refuses: the GEM
    // file is ours, from the same bits through a Sun raster file.
    Shell("ppmtopgm " + ppm + " | pgmtopbm -threshold | pnmtorast -standard > " + dir + "/bits.ras");
    Shell("ppmtopict " + indexed + " > " + dir + "/indexed.pict 2>/dev/null");
    Shell("/usr/bin/convert-im6.q16 " + ppm + " PICT:" + dir + "/direct.pict");
    // MSP and WPG files are ours: no peer writes them.
    {
        BitmapRecord b;
        K_InitBitmap(&b, 0, 0, 0);
        if (K_LoadBitmap((dir + "/bits.ras").c_str(), &b, 0, 1) == K_OK) {
            K_SaveIMGBitmap((dir + "/bits.img").c_str(), &b);
            K_SaveMSPBitmap((dir + "/bits.msp").c_str(), &b);
        }
        K_FreeBitmap(&b);
        K_InitBitmap(&b, 0, 0, 0);
        if (K_LoadBitmap((dir + "/indexed.pict").c_str(), &b, 0, 1) == K_OK)
            K_SaveWPGBitmap((dir + "/indexed.wpg").c_str(), &b, 8);
        K_FreeBitmap(&b);
    }
    Format("GEM IMG, 1 bit", dir + "/bits.img", "gemtopnm", 3, false);
    Format("MSP, 1 bit (no peer reads it)", dir + "/bits.msp", "", 3, false);
    Format("WPG, 8 bits", dir + "/indexed.wpg", "", 3);
    Format("PICT, 8 bits (ppmtopict)", dir + "/indexed.pict", "", 3);
    Format("PICT, 24 bits (ImageMagick)", dir + "/direct.pict", "", 3);
    return 0;
}
