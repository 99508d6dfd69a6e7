// TIFF beside libtiff in one run, on a 4000 x 3000 plasma picture (a
// photograph stand-in made by ImageMagick): LZW decoding against libtiff's
// strip decoding in-process, uncompressed and PackBits decoding against a
// memcpy of the decoded bytes, the size of our LZW files against libtiff's,
// and the peak memory of loading a 10000 x 10000 LZW page. Each time is the
// best of a few runs.
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

template <class F>
double Best(F f) {
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = Clock::now();
        if (!f()) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

bool Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

long FileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
}

int KAPI Discard(BitmapRecord*, unsigned char*, int, void*) { return 1; }

// Our reader: every row decoded and handed to a callback.
bool OursDecode(const std::string& path) {
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    r.ColorOrder = K_ORDER_RGB;  // rows as the file has them, like libtiff's
    int result = K_LoadTIFFile(path.c_str(), &r, Discard, 24, nullptr);
    K_FreeBitmap(&r);
    return result == 1;
}

// libtiff: every strip decoded into one buffer.
bool LibtiffDecode(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return false;
    std::vector<unsigned char> strip(TIFFStripSize(t));
    bool ok = true;
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(t) && ok; ++s) ok = TIFFReadEncodedStrip(t, s, strip.data(), -1) >= 0;
    TIFFClose(t);
    return ok;
}

// Peak resident memory of a fresh process that loads the file whole, as
// that process's own high-water mark (VmHWM) says: rusage would also count
// what a forked child held before its exec.
long PeakKilobytes(const std::string& path) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return -1;
    const std::string command = std::string(self) + " --load " + path;
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    long kb = -1;
    if (std::fscanf(child, "%ld", &kb) != 1) kb = -1;
    return pclose(child) == 0 ? kb : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        BitmapRecord r;
        K_InitBitmap(&r, 0, 0, 0);
        if (K_LoadTIFBitmap(argv[2], &r) != 1) return 1;
        FILE* status = std::fopen("/proc/self/status", "r");
        char line[256];
        while (status && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmHWM:", 6) == 0) std::printf("%ld\n", std::atol(line + 6));
        if (status) std::fclose(status);
        return 0;
    }
    TIFFSetWarningHandler(nullptr);
    const std::string dir = "/tmp/volkg-bench-tiff";
    Shell("mkdir -p " + dir);
    const std::string base = dir + "/photo.tif";
    const int width = 4000, height = 3000;
    if (!Shell("/usr/bin/convert-im6.q16 -seed 3 -size 4000x3000 plasma: -blur 0x1 -depth 8 -compress none " + base)) {
        std::puts("ImageMagick could not make the picture");
        return 1;
    }
    const double bytes = 3.0 * width * height;
    std::printf("TIFF, %dx%d RGB (%.0f MB decoded), best of %d, MB/s of decoded bytes\n", width, height, bytes / 1e6,
                kRuns);
    std::printf("%-34s %10s %10s %8s\n", "", "volkg", "peer", "ratio");

    // memcpy of the decoded bytes: the yardstick of the plain decoders.
    std::vector<unsigned char> from(static_cast<size_t>(bytes), 1), to(static_cast<size_t>(bytes));
    const double copy = Best([&] {
        std::memcpy(to.data(), from.data(), from.size());
        return to[12345] == 1;
    });

    struct Case {
        const char* name;
        const char* options;
        bool libtiffPeer;
    } cases[] = {
        {"LZW decode (libtiff's file)", "-c lzw", true},
        {"LZW+predictor decode", "-c lzw:2", true},
        {"uncompressed decode vs memcpy", "-c none", false},
        {"PackBits decode vs memcpy", "-c packbits", false},
    };
    for (const Case& c : cases) {
        const std::string file = dir + "/case.tif";
        if (!Shell(std::string("tiffcp ") + c.options + " " + base + " " + file)) return 1;
        const double ours = Best([&] { return OursDecode(file); });
        const double peer = c.libtiffPeer ? Best([&] { return LibtiffDecode(file); }) : copy;
        std::printf("%-34s %10.0f %10.0f %8.2f  (%s; want >= %s)\n", c.name, bytes / ours / 1e6, bytes / peer / 1e6,
                    peer / ours, c.libtiffPeer ? "libtiff" : "memcpy", c.libtiffPeer ? "1.00" : "0.50");
    }

    // Our LZW file against libtiff's of the same picture.
    {
        BitmapRecord r;
        K_InitBitmap(&r, 0, 0, 0);
        const std::string ours = dir + "/ours_lzw.tif", theirs = dir + "/libtiff_lzw.tif";
        if (K_LoadTIFBitmap(base.c_str(), &r) != 1 || K_SaveTIFBitmap(ours.c_str(), &r, 24, 1) != 1) return 1;
        K_FreeBitmap(&r);
        if (!Shell("tiffcp -c lzw " + base + " " + theirs)) return 1;
        const long a = FileSize(ours), b = FileSize(theirs);
        std::printf("%-34s %10ld %10ld %8.4f  (bytes; want <= 1.02)\n", "LZW file size", a, b,
                    static_cast<double>(a) / b);
    }

    // Peak memory of loading a 10000 x 10000 LZW page (grey, 100 MB).
    {
        const std::string big = dir + "/big.tif";
        // netpbm: ImageMagick's default resource policy refuses a picture this big.
        if (!Shell("pgmramp -lr 10000 10000 | pamtotiff -lzw > " + big))
            return 1;
        // What the process takes without a picture (under an emulator, the
        // emulator's own memory) comes off: a 10x10 page loaded the same way.
        const std::string small = dir + "/small.tif";
        if (!Shell("pgmramp -lr 10 10 | pamtotiff -lzw > " + small)) return 1;
        const long kb = PeakKilobytes(big) - PeakKilobytes(small);
        std::printf("%-34s %10ld %10.0f %8.3f  (KB peak above a 10x10 load / KB picture; want < 1.2)\n",
                    "10000x10000 LZW load", kb, 1e8 / 1024, kb / (1e8 / 1024));
    }
    return 0;
}
