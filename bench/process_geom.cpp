// Geometry and neighbourhood operations on the photo (8-bit grey and 32
// bits) beside their peers: OpenCV (python3-opencv, one thread, timed inside
// its process) for the median, the 3 x 3 convolution and the box average,
// memcpy of the picture's bytes for quarter turns, ImageMagick (one thread,
// its read taken off) for rotation by any angle.
#include "bench.h"

namespace {

// Runs a host command that prints one number (milliseconds); -1 on failure.
double Peer(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    double ms = -1;
    if (std::fscanf(pipe, "%lf", &ms) != 1) ms = -1;
    pclose(pipe);
    return ms;
}

}  // namespace

int main() {
    BitmapRecord grey{}, rgba{};
    if (!bench::PhotoRecord(grey, 8, true) || !bench::PhotoRecord(rgba, 32)) {
        bench::Note("no storage for the photo");
        return 1;
    }
    const std::string pgm = bench::PhotoPpm(true);
    const std::string cv =
        "/usr/bin/python3 -c \"import cv2, numpy as np, time\n"
        "img = cv2.imread('" + pgm + "', cv2.IMREAD_GRAYSCALE)\n"
        "cv2.setNumThreads(1)\n"
        "def t(f):\n"
        "    f(); r = []\n"
        "    for i in range(" + std::to_string(bench::Runs()) + "):\n"
        "        a = time.perf_counter(); f(); r.append((time.perf_counter() - a) * 1000)\n"
        "    r.sort(); print(r[len(r) // 2])\n";
    bench::Row("median 3x3, grey")
        .Ours(bench::OnCopyMs(grey, [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }))
        .Peer("OpenCV", Peer(cv + "t(lambda: cv2.medianBlur(img, 3))\" 2>/dev/null"))
        .Print();
    bench::Row("convolution 3x3, grey")
        .Ours(bench::OnCopyMs(grey, [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 17); }))
        .Peer("OpenCV", Peer(cv + "k = np.array([[-1,-1,-1],[-1,8,-1],[-1,-1,-1]], np.float32)\n"
                                  "t(lambda: cv2.filter2D(img, -1, k, borderType=cv2.BORDER_REPLICATE))\" 2>/dev/null"))
        .Print();
    bench::Row("box average 3x3, grey")
        .Ours(bench::OnCopyMs(grey, [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }))
        .Peer("OpenCV", Peer(cv + "t(lambda: cv2.blur(img, (3, 3), borderType=cv2.BORDER_REPLICATE))\" 2>/dev/null"))
        .Print();
    for (const BitmapRecord* r : {&grey, &rgba}) {
        bench::Row(r->BitsPerPixel == 8 ? "quarter turn, 8 bits" : "quarter turn, 32 bits")
            .Ours(bench::OnCopyMs(*r, [](BitmapRecord* b) { return K_RotateBitmap(b, 90, 1); }))
            .Limit("memcpy", bench::MemcpyMs(r->ImageSize))
            .Print();
    }
    bench::Row("rotate 30 degrees, grey")
        .Ours(bench::OnCopyMs(grey, [](BitmapRecord* b) { return K_RotateBitmapFine(b, 3000, 1, 0); }))
        .Peer("ImageMagick", bench::MagickOpMs(bench::PhotoCache(true), "-rotate 30"))
        .Print();
    K_FreeBitmap(&grey);
    K_FreeBitmap(&rgba);
    return 0;
}
