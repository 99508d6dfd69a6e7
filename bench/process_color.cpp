// Point operations, histograms, hue and saturation, colour spaces and
// separation on the photo, beside ImageMagick (one thread, its read taken
// off) and OpenCV (python3-opencv, one thread, timed inside its process):
// one row per operation and peer.
#include <functional>
#include <map>

#include "bench.h"

namespace {

const char* kOpenCvScript = R"(
import sys, time, cv2, numpy as np
cv2.setNumThreads(1)
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
for name, op in ops.items():
  op()
  times = []
  for _ in range(runs):
    t0 = time.perf_counter(); op(); times.append((time.perf_counter() - t0) * 1000)
  times.sort()
  print(name, times[len(times) // 2])
)";

// Operation name -> OpenCV's median milliseconds.
std::map<std::string, double> TimeOpenCv(const std::string& picture) {
    std::map<std::string, double> times;
    if (bench::Counting()) return times;  // timed inside Python: no counts
    const std::string script = bench::ScratchFile("opencv.py");
    if (!bench::WriteFile(script, kOpenCvScript, std::strlen(kOpenCvScript))) return times;
    FILE* p = popen(
        ("/usr/bin/python3 " + script + " " + picture + " " + std::to_string(bench::Runs()) + " 2>/dev/null").c_str(),
        "r");
    if (!p) return times;
    char name[64];
    double ms;
    while (std::fscanf(p, "%63s %lf", name, &ms) == 2) times[name] = ms;
    pclose(p);
    return times;
}

}  // namespace

int main() {
    BitmapRecord source{};
    if (!bench::PhotoRecord(source, 24)) {
        bench::Note("no storage for the photo");
        return 1;
    }
    const bench::Picture& photo = bench::Photo();
    const int pixels = photo.width * photo.height;
    std::vector<unsigned char> bgr(static_cast<size_t>(pixels) * 3), out(static_cast<size_t>(pixels) * 6);
    for (int i = 0; i < pixels; ++i)
        bgr[3 * i] = photo.rgb[3 * i + 2], bgr[3 * i + 1] = photo.rgb[3 * i + 1], bgr[3 * i + 2] = photo.rgb[3 * i];
    std::vector<unsigned char> hsv(bgr.size()), hls(bgr.size());
    K_ConvertColorSpace(bgr.data(), hsv.data(), pixels, K_SPACE_BGR, K_SPACE_HSV);
    K_ConvertColorSpace(bgr.data(), hls.data(), pixels, K_SPACE_BGR, K_SPACE_HLS);
    unsigned char table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(255 - i);
    unsigned int counters[256];
    BitmapRecord planeRecords[3] = {};
    BitmapRecord* planes[3] = {&planeRecords[0], &planeRecords[1], &planeRecords[2]};
    K_ColorSeparateBitmap(&source, planes, K_SEPARATE_BGR);

    const std::string cache = bench::PhotoCache();
    const std::string planesIn =
        bench::ScratchFile("r.pgm") + " " + bench::ScratchFile("g.pgm") + " " + bench::ScratchFile("b.pgm");
    bench::Shell(bench::kMagick + " " + bench::PhotoPpm() + " -separate " + bench::ScratchFile("%d.pgm") + " && mv " +
                 bench::ScratchFile("0.pgm") + " " + bench::ScratchFile("r.pgm") + " && mv " +
                 bench::ScratchFile("1.pgm") + " " + bench::ScratchFile("g.pgm") + " && mv " +
                 bench::ScratchFile("2.pgm") + " " + bench::ScratchFile("b.pgm"));
    const std::map<std::string, double> cv = TimeOpenCv(bench::PhotoPpm());

    auto onCopy = [&](int (*op)(BitmapRecord*)) { return bench::OnCopyMs(source, op); };
    auto buffer = [&](const std::function<int()>& op) { return bench::Median([&] { return op() == K_OK; }); };
    struct Case {
        const char* what;
        double ours;
        std::string magick;  // ImageMagick's operations, or empty
        const char* cvName;  // the OpenCV operation, or empty
    };
    const Case cases[] = {
        {"invert", onCopy([](BitmapRecord* b) { return K_InvertBitmap(b); }), "-negate", "lut"},
        {"intensity +30%", onCopy([](BitmapRecord* b) { return K_ChangeBitmapIntensity(b, 300); }), "-evaluate add 30%",
         "lut"},
        {"contrast +50%", onCopy([](BitmapRecord* b) { return K_ChangeBitmapContrast(b, 500); }),
         "-brightness-contrast 0x50", "lut"},
        {"gamma 2.2", onCopy([](BitmapRecord* b) { return K_GammaCorrectBitmap(b, 220); }), "-gamma 2.2", "lut"},
        {"posterize 5", onCopy([](BitmapRecord* b) { return K_PosterizeBitmap(b, 5); }), "+dither -posterize 5", "lut"},
        {"intensity detect", onCopy([](BitmapRecord* b) { return K_IntensityDetectBitmap(b, 128, 255); }),
         "-channel RGB -threshold 50%", "lut"},
        {"remap table", bench::OnCopyMs(source, [&](BitmapRecord* b) { return K_RemapBitmapIntensity(b, table, 0); }),
         "", "lut"},
        {"histogram (red)",
         bench::OnCopyMs(source, [&](BitmapRecord* b) { return K_GetBitmapHistogram(b, counters, 1); }), "", "hist"},
        {"equalize", onCopy([](BitmapRecord* b) { return K_HistoEqualizeBitmap(b); }), "-equalize", "equalize"},
        {"stretch", onCopy([](BitmapRecord* b) { return K_StretchBitmapIntensity(b); }), "-auto-level", ""},
        {"histogram contrast", onCopy([](BitmapRecord* b) { return K_HistoContrastBitmap(b, 300); }),
         "-sigmoidal-contrast 3x50%", ""},
        {"hue +90", onCopy([](BitmapRecord* b) { return K_ChangeBitmapHue(b, 90); }),
         "-define modulate:colorspace=HSB -modulate 100,100,150", ""},
        {"saturation +30%", onCopy([](BitmapRecord* b) { return K_ChangeBitmapSaturation(b, 300); }),
         "-define modulate:colorspace=HSB -modulate 100,130", ""},
        {"BGR to HSV",
         buffer([&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_HSV); }),
         "-colorspace HSB", "to_hsv"},
        {"HSV to BGR",
         buffer([&] { return K_ConvertColorSpace(hsv.data(), out.data(), pixels, K_SPACE_HSV, K_SPACE_BGR); }),
         "-set colorspace HSB -colorspace sRGB", "from_hsv"},
        {"BGR to HLS",
         buffer([&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_HLS); }),
         "-colorspace HSL", "to_hls"},
        {"HLS to BGR",
         buffer([&] { return K_ConvertColorSpace(hls.data(), out.data(), pixels, K_SPACE_HLS, K_SPACE_BGR); }),
         "-set colorspace HSL -colorspace sRGB", "from_hls"},
        {"BGR to YUV",
         buffer([&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_YUV); }),
         "-colorspace YUV", "to_yuv"},
        {"BGR to CMYK",
         buffer([&] { return K_ConvertColorSpace(bgr.data(), out.data(), pixels, K_SPACE_BGR, K_SPACE_CMYK); }),
         "-colorspace CMYK", ""},
        {"separate B, G, R",
         bench::OnCopyMs(source, [&](BitmapRecord* b) { return K_ColorSeparateBitmap(b, planes, K_SEPARATE_BGR); }),
         "-separate", "split"},
    };
    for (const Case& c : cases) {
        if (!c.magick.empty())
            bench::Row(c.what).Ours(c.ours).Peer("ImageMagick", bench::MagickOpMs(cache, c.magick)).Print();
        auto it = c.cvName[0] ? cv.find(c.cvName) : cv.end();
        if (it != cv.end()) bench::Row(c.what).Ours(c.ours).Peer("OpenCV", it->second).Print();
        if (c.magick.empty() && it == cv.end()) bench::Row(c.what).Ours(c.ours).Print();
    }
    const double merge =
        bench::OnCopyMs(source, [&](BitmapRecord* b) { return K_ColorMergeBitmap(b, planes, K_SEPARATE_BGR); });
    bench::Row("merge B, G, R").Ours(merge).Peer("ImageMagick", bench::MagickOpMs(planesIn, "-combine")).Print();
    if (cv.count("merge")) bench::Row("merge B, G, R").Ours(merge).Peer("OpenCV", cv.at("merge")).Print();
    for (BitmapRecord& p : planeRecords) K_FreeBitmap(&p);
    K_FreeBitmap(&source);
    return 0;
}
