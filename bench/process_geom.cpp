// Geometry and neighbourhood operations on a large picture beside their
// peers in one run: OpenCV (python3-opencv) for the median, the 3 x 3
// convolution and the box average, memcpy for quarter turns, ImageMagick
// for rotation by any angle. Medians of several runs after a warm-up.
// Usage: bench_process_geom [side]   (a side x side picture, 4096 by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/palette.h"
#include "volkg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Make(BitmapRecord& r, int side, int bits) {
    if (K_InitBitmap(&r, side, side, bits) != K_OK || K_AllocateBitmap(&r, K_STORAGE_ANY) != K_OK) return false;
    if (bits == 8) {
        // A grey ramp: the filters work on grey levels.
        RGBQUAD ramp[256];
        for (int i = 0; i < 256; ++i) ramp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        std::memcpy(r.ColorTable, ramp, sizeof ramp);
        r.Colors = 256;
        r.PaletteHandle = CreatePaletteFromColors(ramp, 256);
    }
    BitmapLock lock(&r);
    for (unsigned i = 0; i < r.ImageSize; ++i) r.DataPointer[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
    return true;
}

// Milliseconds of an operation on a fresh copy of the picture.
double TimeOp(const BitmapRecord& source, const std::function<int(BitmapRecord*)>& op, int runs) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        BitmapRecord copy;
        if (K_CopyBitmap(&copy, const_cast<BitmapRecord*>(&source)) != K_OK) return -1;
        auto start = Clock::now();
        int rc = op(&copy);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        K_FreeBitmap(&copy);
        if (rc != K_OK) return -1;
        if (i) times.push_back(ms);  // the first run warms up
    }
    return Median(times);
}

double TimeMemcpy(size_t bytes, int runs) {
    std::vector<unsigned char> a(bytes, 3), b(bytes);
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        auto start = Clock::now();
        std::memcpy(b.data(), a.data(), bytes);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (i) times.push_back(ms);
    }
    volatile unsigned char sink = b[bytes / 2];
    (void)sink;
    return Median(times);
}

// Runs a host command that prints one number (milliseconds); -1 on failure.
double Peer(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    double ms = -1;
    if (std::fscanf(pipe, "%lf", &ms) != 1) ms = -1;
    pclose(pipe);
    return ms;
}

void Row(const char* name, double ours, double peer, const char* peerName) {
    if (ours < 0 || peer < 0)
        std::printf("%-28s %10s %10s  %-24s (not measured)\n", name, "", "", peerName);
    else
        std::printf("%-28s %10.1f %10.1f  %-24s %6.2f\n", name, ours, peer, peerName, peer / ours);
}

}  // namespace

int main(int argc, char** argv) {
    int side = argc > 1 ? std::atoi(argv[1]) : 4096;
    if (side <= 16) side = 4096;
    const int runs = 5;
    std::printf("%d x %d picture; milliseconds (median of %d); ratio = peer / ours, above 1 is faster\n", side, side, runs);
    std::printf("%-28s %10s %10s  %-24s %6s\n", "operation", "ours", "peer", "peer", "ratio");
    BitmapRecord grey, rgba;
    if (!Make(grey, side, 8) || !Make(rgba, side, 32)) {
        std::printf("no storage\n");
        return 1;
    }
    const std::string s = std::to_string(side);
    const std::string cv =
        "/usr/bin/python3 -c \"import cv2, numpy as np, time\n"
        "img = (np.arange(" + s + "*" + s + ", dtype=np.uint32) * 2654435761 >> 24).astype(np.uint8).reshape(" + s + "," + s + ")\n"
        "cv2.setNumThreads(1)\n"
        "def t(f):\n"
        "    f(); r = []\n"
        "    for i in range(" + std::to_string(runs) + "):\n"
        "        a = time.perf_counter(); f(); r.append((time.perf_counter() - a) * 1000)\n"
        "    r.sort(); print(r[len(r) // 2])\n";
    const double median = TimeOp(grey, [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, runs);
    Row("median 3x3, grey", median, Peer(cv + "t(lambda: cv2.medianBlur(img, 3))\" 2>/dev/null"), "OpenCV medianBlur");
    const double conv = TimeOp(grey, [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 17); }, runs);
    Row("convolution 3x3, grey", conv,
        Peer(cv + "k = np.array([[-1,-1,-1],[-1,8,-1],[-1,-1,-1]], np.float32)\n"
                  "t(lambda: cv2.filter2D(img, -1, k, borderType=cv2.BORDER_REPLICATE))\" 2>/dev/null"),
        "OpenCV filter2D");
    const double box = TimeOp(grey, [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }, runs);
    Row("box average 3x3, grey", box,
        Peer(cv + "t(lambda: cv2.blur(img, (3, 3), borderType=cv2.BORDER_REPLICATE))\" 2>/dev/null"), "OpenCV blur");
    for (const BitmapRecord* r : {&grey, &rgba}) {
        const double quarter = TimeOp(*r, [](BitmapRecord* b) { return K_RotateBitmap(b, 90, 1); }, runs);
        const double copy = TimeMemcpy(r->ImageSize, runs);
        Row(r->BitsPerPixel == 8 ? "quarter turn, 8 bits" : "quarter turn, 32 bits", quarter, copy, "memcpy");
    }
    const double any = TimeOp(grey, [](BitmapRecord* b) { return K_RotateBitmapFine(b, 3000, 1, 0); }, runs);
    const std::string pgm = "/tmp/bench_process_geom.pgm";
    std::string make = "/usr/bin/convert-im6.q16 -size " + s + "x" + s + " xc:gray50 -depth 8 " + pgm + " 2>/dev/null";
    double magick = -1;
    if (std::system(make.c_str()) == 0) {
        auto timed = [&](const std::string& args) {
            std::vector<double> times;
            for (int i = 0; i <= 2; ++i) {
                auto start = Clock::now();
                if (std::system(("/usr/bin/convert-im6.q16 " + pgm + " " + args + " null: 2>/dev/null").c_str()) != 0) return -1.0;
                if (i) times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
            return Median(times);
        };
        double with = timed("-rotate 30"), without = timed("");
        if (with > 0 && without > 0) magick = with - without;
        std::remove(pgm.c_str());
    }
    Row("rotate 30 degrees, grey", any, magick, "ImageMagick -rotate");
    K_FreeBitmap(&grey);
    K_FreeBitmap(&rgba);
    return 0;
}
