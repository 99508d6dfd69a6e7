// Point operations, histograms, hue and saturation, colour spaces and
// separation on one 24-bit picture, beside ImageMagick and OpenCV in one
// run, with the ratios of their times to ours.
//
//   bench_process_color [width height] [runs]     (default 4000 x 3000, 3 runs)
//
// Ours: each operation on a fresh copy of the picture, best of the runs.
// ImageMagick: a whole command on its memory-mapped cache file writing to
// null:, less the same command without the operation (the read). OpenCV: timed inside one Python
// process (python3-opencv), with its default threads and with one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
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

bool ReadPpm(const std::string& path, int& w, int& h, std::vector<unsigned char>& rgb) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && std::fgetc(f) != EOF;
    rgb.resize(static_cast<size_t>(w) * h * 3);
    ok = ok && std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
    std::fclose(f);
    return ok;
}

// A bottom-up BGR record of the picture, as a DIB holds it.
bool StoreBgr(BitmapRecord& rec, int w, int h, const std::vector<unsigned char>& rgb) {
    if (K_InitBitmap(&rec, w, h, 24) != K_OK || K_AllocateBitmap(&rec, K_STORAGE_ANY) != K_OK) return false;
    K_AccessBitmap(&rec);
    std::vector<unsigned char> row(rec.BytesPerLine);
    for (int y = 0; y < h; ++y) {
        const unsigned char* p = &rgb[static_cast<size_t>(y) * w * 3];
        for (int x = 0; x < w; ++x) row[3 * x] = p[3 * x + 2], row[3 * x + 1] = p[3 * x + 1], row[3 * x + 2] = p[3 * x];
        K_PutBitmapRow(&rec, row.data(), h - 1 - y, rec.BytesPerLine);
    }
    K_ReleaseBitmap(&rec);
    return true;
}

double TimeOurs(BitmapRecord& source, int runs, const std::function<int(BitmapRecord*)>& op) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        BitmapRecord copy{};
        if (K_CopyBitmap(&copy, &source) != K_OK) return -1;
        auto t0 = Clock::now();
        int result = op(&copy);
        double t = Seconds(t0, Clock::now());
        K_FreeBitmap(&copy);
        if (result != K_OK) return -1;
        best = std::min(best, t);
    }
    return best;
}

double TimeBuffer(int runs, const std::function<int()>& op) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        if (op() != K_OK) return -1;
        best = std::min(best, Seconds(t0, Clock::now()));
    }
    return best;
}

const char* kOpenCvScript = R"(
import sys, time, cv2, numpy as np
img = cv2.imread(sys.argv[1], cv2.IMREAD_COLOR)
runs = int(sys.argv[2])
table = np.array([255 - i for i in range(256)], dtype=np.uint8)
planes = cv2.split(img)
hsv = cv2.cvtColor(img, cv2.COLOR_BGR2HSV_FULL)
hls = cv2.cvtColor(img, cv2.COLOR_BGR2HLS_FULL)
ops = {
  'lut': lambda: cv2.LUT(img, table),
  'hist': lambda: cv2.calcHist([img], [2], None, [256], [0, 256]),
  'equalize': lambda: cv2.merge([cv2.equalizeHist(p) for p in cv2.split(img)]),
  'to_hsv': lambda: cv2.cvtColor(img, cv2.COLOR_BGR2HSV_FULL),
  'from_hsv': lambda: cv2.cvtColor(hsv, cv2.COLOR_HSV2BGR_FULL),
  'to_hls': lambda: cv2.cvtColor(img, cv2.COLOR_BGR2HLS_FULL),
  'from_hls': lambda: cv2.cvtColor(hls, cv2.COLOR_HLS2BGR_FULL),
  'to_yuv': lambda: cv2.cvtColor(img, cv2.COLOR_BGR2YUV),
  'split': lambda: cv2.split(img),
  'merge': lambda: cv2.merge(planes),
}
for threads in ('default', 1):
  if threads == 1: cv2.setNumThreads(1)
  for name, op in ops.items():
    op()
    best = 1e9
    for _ in range(runs):
      t0 = time.perf_counter(); op(); best = min(best, time.perf_counter() - t0)
    print(name, threads, best)
)";

// name -> {default threads, one thread}, in seconds.
std::map<std::string, std::pair<double, double>> TimeOpenCv(const std::string& dir, const std::string& picture, int runs) {
    std::map<std::string, std::pair<double, double>> times;
    std::string script = dir + "/opencv.py";
    FILE* f = std::fopen(script.c_str(), "w");
    if (!f) return times;
    std::fputs(kOpenCvScript, f);
    std::fclose(f);
    FILE* p = popen(("/usr/bin/python3 " + script + " " + picture + " " + std::to_string(runs)).c_str(), "r");
    if (!p) return times;
    char name[64], threads[16];
    double t;
    while (std::fscanf(p, "%63s %15s %lf", name, threads, &t) == 3) {
        if (std::strcmp(threads, "1") == 0)
            times[name].second = t;
        else
            times[name].first = t;
    }
    pclose(p);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    int width = argc > 2 ? std::atoi(argv[1]) : 4000, height = argc > 2 ? std::atoi(argv[2]) : 3000;
    int runs = argc > 3 ? std::atoi(argv[3]) : (argc == 2 ? std::atoi(argv[1]) : 3);
    std::string dir = "/tmp/bench_process_color";
    std::system(("mkdir -p " + dir).c_str());
    std::string geometry = std::to_string(width) + "x" + std::to_string(height);
    std::string picture = dir + "/picture.ppm";
    if (std::system((kMagick + " logo: -resize " + geometry + "! -depth 8 " + picture).c_str()) != 0) return 1;
    std::string planesIn = dir + "/r.pgm " + dir + "/g.pgm " + dir + "/b.pgm";
    std::system((kMagick + " " + picture + " -separate " + dir + "/%d.pgm && mv " + dir + "/0.pgm " + dir + "/r.pgm && mv " +
                 dir + "/1.pgm " + dir + "/g.pgm && mv " + dir + "/2.pgm " + dir + "/b.pgm")
                    .c_str());

    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    BitmapRecord source{};
    if (!ReadPpm(picture, w, h, rgb) || !StoreBgr(source, w, h, rgb)) return 1;
    const int pixels = w * h;
    std::vector<unsigned char> bgr(static_cast<size_t>(pixels) * 3), out(static_cast<size_t>(pixels) * 6);
    for (int i = 0; i < pixels; ++i) bgr[3 * i] = rgb[3 * i + 2], bgr[3 * i + 1] = rgb[3 * i + 1], bgr[3 * i + 2] = rgb[3 * i];
    std::vector<unsigned char> hsv(bgr.size()), hls(bgr.size());
    K_ConvertColorSpace(bgr.data(), hsv.data(), pixels, K_SPACE_BGR, K_SPACE_HSV);
    K_ConvertColorSpace(bgr.data(), hls.data(), pixels, K_SPACE_BGR, K_SPACE_HLS);
    unsigned char table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(255 - i);
    unsigned int counters[256];
    BitmapRecord planeRecords[3] = {};
    BitmapRecord* planes[3] = {&planeRecords[0], &planeRecords[1], &planeRecords[2]};
    K_ColorSeparateBitmap(&source, planes, K_SEPARATE_BGR);

    // ImageMagick reads its own memory-mapped format fastest: the read
    // taken off its times is then small against the operations.
    std::string cache = dir + "/picture.mpc";
    if (std::system((kMagick + " " + picture + " " + cache).c_str()) != 0) return 1;
    double readTime = TimeCommand(kMagick + " " + cache + " null:", runs);
    double readPlanes = TimeCommand(kMagick + " " + planesIn + " null:", runs);
    auto magick = [&](const std::string& args) { return TimeCommand(kMagick + " " + cache + " " + args + " null:", runs) - readTime; };
    std::map<std::string, std::pair<double, double>> cv = TimeOpenCv(dir, picture, runs);

    struct Row {
        std::string what;
        double ours, magick;
        std::string cvName;
    };
    std::vector<Row> rows = {
        {"invert", TimeOurs(source, runs, [](BitmapRecord* b) { return K_InvertBitmap(b); }), magick("-negate"), "lut"},
        {"intensity +30%", TimeOurs(source, runs, [](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, 300); }),
         magick("-evaluate add 30%"), "lut"},
        {"contrast +50%", TimeOurs(source, runs, [](BitmapRecord* b) { return K_ChangeBitmapContrast(b, 500); }),
         magick("-brightness-contrast 0x50"), "lut"},
        {"gamma 2.2", TimeOurs(source, runs, [](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 220); }), magick("-gamma 2.2"),
         "lut"},
        {"posterize 5", TimeOurs(source, runs, [](BitmapRecord* b) { return K_PosterizeBitmap(b, 5); }),
         magick("+dither -posterize 5"), "lut"},
        {"intensity detect", TimeOurs(source, runs, [](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 128, 255); }),
         magick("-channel RGB -threshold 50%"), "lut"},
        {"remap table", TimeOurs(source, runs, [&](BitmapRecord* b) { return K_RemapBitmapIntensity(b, table, 0); }), -1, "lut"},
        {"histogram (red)", TimeOurs(source, runs, [&](BitmapRecord* b) { return K_GetBitmapHistogram(b, counters, 1); }), -1,
         "hist"},
        {"equalize", TimeOurs(source, runs, [](BitmapRecord* b) { return K_HistoEqualizeBitmap(b); }), magick("-equalize"),
         "equalize"},
        {"stretch", TimeOurs(source, runs, [](BitmapRecord* b) { return K_StretchBitmapIntensity(b); }), magick("-auto-level"), ""},
        {"histogram contrast", TimeOurs(source, runs, [](BitmapRecord* b) { return K_HistoContrastBitmap(b, 300); }),
         magick("-sigmoidal-contrast 3x50%"), ""},
        {"hue +90", TimeOurs(source, runs, [](BitmapRecord* b) { return K_ChangeBitmapHue(b, 90); }),
         magick("-define modulate:colorspace=HSB -modulate 100,100,150"), ""},
        {"saturation +30%", TimeOurs(source, runs, [](BitmapRecord* b) { return K_ChangeBitmapSaturation(b, 300); }),
         magick("-define modulate:colorspace=HSB -modulate 100,130"), ""},
        {"BGR to HSV", TimeBuffer(runs, [&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_HSV); }),
         magick("-colorspace HSB"), "to_hsv"},
        {"HSV to BGR", TimeBuffer(runs, [&] { return K_ConvertColorSpace(hsv.data(), out.data(), pixels, K_SPACE_HSV, K_SPACE_BGR); }),
         magick("-set colorspace HSB -colorspace sRGB"), "from_hsv"},
        {"BGR to HLS", TimeBuffer(runs, [&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_HLS); }),
         magick("-colorspace HSL"), "to_hls"},
        {"HLS to BGR", TimeBuffer(runs, [&] { return K_ConvertColorSpace(hls.data(), out.data(), pixels, K_SPACE_HLS, K_SPACE_BGR); }),
         magick("-set colorspace HSL -colorspace sRGB"), "from_hls"},
        {"BGR to YUV", TimeBuffer(runs, [&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_YUV); }),
         magick("-colorspace YUV"), "to_yuv"},
        {"BGR to CMYK", TimeBuffer(runs, [&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_CMYK); }),
         magick("-colorspace CMYK"), ""},
        {"separate B, G, R", TimeOurs(source, runs, [&](BitmapRecord* b) { return K_ColorSeparateBitmap(b, planes, K_SEPARATE_BGR); }),
         magick("-separate"), "split"},
        {"merge B, G, R", TimeOurs(source, runs, [&](BitmapRecord* b) { return K_ColorMergeBitmap(b, planes, K_SEPARATE_BGR); }),
         TimeCommand(kMagick + " " + planesIn + " -combine null:", runs) - readPlanes, "merge"},
    };

    std::printf("%s 24-bit picture, best of %d runs; ratio = peer time / our time\n", geometry.c_str(), runs);
    std::printf("%-20s %9s %9s %7s %11s %7s %11s %7s\n", "operation", "ours ms", "IM ms", "IM/us", "OpenCV ms", "CV/us",
                "CV 1thr ms", "CV1/us");
    for (const Row& r : rows) {
        std::printf("%-20s %9.1f", r.what.c_str(), r.ours * 1000);
        if (r.magick > 0)
            std::printf(" %9.1f %7.1f", r.magick * 1000, r.magick / r.ours);
        else
            std::printf(" %9s %7s", "-", "-");
        auto it = cv.find(r.cvName);
        if (!r.cvName.empty() && it != cv.end())
            std::printf(" %11.1f %7.2f %11.1f %7.2f\n", it->second.first * 1000, it->second.first / r.ours, it->second.second * 1000,
                        it->second.second / r.ours);
        else
            std::printf(" %11s %7s %11s %7s\n", "-", "-", "-", "-");
    }
    for (BitmapRecord& p : planeRecords) K_FreeBitmap(&p);
    K_FreeBitmap(&source);
    return 0;
}
