// Geometry and neighbourhood operations on the photo (8-bit grey and 32
// bits) beside their peers: OpenCV (python3-opencv, timed inside its
// process, with one thread and with its default threads) for the median,
// the 3 x 3 convolution, the box average and rotation by any angle, memcpy
// of the picture's bytes for quarter turns, ImageMagick (its read taken
// off) for rotation as well.
#include <map>

#include "bench.h"

namespace {

// Runs a host command that prints one number (milliseconds); -1 on failure.
double Printed(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    double ms = -1;
    if (std::fscanf(pipe, "%lf", &ms) != 1) ms = -1;
    pclose(pipe);
    return ms;
}

// OpenCV's milliseconds for an operation (a Python expression on the grey
// photo `img`, after `setup`), timed inside Python so that its start-up and
// the read stay out. Counting: the script under callgrind, less the same
// script without the operation, for one run of it.
double OpenCv(const std::string& setup, const std::string& operation, bool oneThread) {
    const std::string script =
        "import cv2, numpy as np, time\n"
        "img = cv2.imread('" +
        bench::PhotoPpm(true) + "', cv2.IMREAD_GRAYSCALE)\n" + (oneThread ? "cv2.setNumThreads(1)\n" : "") + setup +
        "\n";
    if (bench::Counting()) {
        // One thread only: the default threads do the same work.
        if (!oneThread) return -2;
        static std::map<std::string, double> baselines;
        auto known = baselines.find(script);
        const double without = known != baselines.end()
                                   ? known->second
                                   : baselines[script] =
                                         bench::CommandMillions("/usr/bin/python3 -c " + bench::Quoted(script));
        const double with = bench::CommandMillions("/usr/bin/python3 -c " + bench::Quoted(script + operation + "\n"));
        return with < 0 || without < 0 ? -1 : std::max(0.0, with - without);
    }
    const std::string timed = script +
                              "def t(f):\n"
                              "    f(); r = []\n"
                              "    for i in range(" +
                              std::to_string(bench::Runs()) +
                              "):\n"
                              "        a = time.perf_counter(); f(); r.append((time.perf_counter() - a) * 1000)\n"
                              "    r.sort(); print(r[len(r) // 2])\n"
                              "t(lambda: " +
                              operation + ")\n";
    return Printed("/usr/bin/python3 -c " + bench::Quoted(timed) + " 2>/dev/null");
}

template <class Op>
void Against(const char* name, const BitmapRecord& grey, Op op, const std::string& setup,
             const std::string& operation) {
    bench::Row(name)
        .Ours(bench::OnCopyMs(grey, op))
        .Peer("OpenCV", OpenCv(setup, operation, true))
        .PeerThreads(OpenCv(setup, operation, false))
        .Print();
}

}  // namespace

int main() {
    BitmapRecord grey{}, rgba{};
    if (!bench::PhotoRecord(grey, 8, true) || !bench::PhotoRecord(rgba, 32)) {
        bench::Note("no storage for the photo");
        return 1;
    }
    Against(
        "median 3x3, grey", grey, [](BitmapRecord* b) { return K_MedianFilterBitmap(b, 3); }, "",
        "cv2.medianBlur(img, 3)");
    Against(
        "convolution 3x3, grey", grey, [](BitmapRecord* b) { return K_SpatialFilterBitmap(b, 17); },
        "k = np.array([[-1,-1,-1],[-1,8,-1],[-1,-1,-1]], np.float32)",
        "cv2.filter2D(img, -1, k, borderType=cv2.BORDER_REPLICATE)");
    Against(
        "box average 3x3, grey", grey, [](BitmapRecord* b) { return K_AverageFilterBitmap(b, 3); }, "",
        "cv2.blur(img, (3, 3), borderType=cv2.BORDER_REPLICATE)");
    for (const BitmapRecord* r : {&grey, &rgba}) {
        bench::Row(r->BitsPerPixel == 8 ? "quarter turn, 8 bits" : "quarter turn, 32 bits")
            .Ours(bench::OnCopyMs(*r, [](BitmapRecord* b) { return K_RotateBitmap(b, 90, 1); }))
            .Limit("memcpy", bench::MemcpyMs(r->ImageSize))
            .Print();
    }
    // OpenCV's nearest-pixel warp into the same enlarged box.
    Against(
        "rotate 30 degrees, grey", grey, [](BitmapRecord* b) { return K_RotateBitmapFine(b, 3000, 1, 0); },
        "h, w = img.shape\n"
        "m = cv2.getRotationMatrix2D((w / 2, h / 2), -30, 1.0)\n"
        "c, s = abs(m[0, 0]), abs(m[0, 1])\n"
        "nw, nh = int(h * s + w * c), int(h * c + w * s)\n"
        "m[0, 2] += nw / 2 - w / 2\n"
        "m[1, 2] += nh / 2 - h / 2",
        "cv2.warpAffine(img, m, (nw, nh), flags=cv2.INTER_NEAREST)");
    bench::Row("rotate 30 degrees, grey")
        .Ours(bench::OnCopyMs(grey, [](BitmapRecord* b) { return K_RotateBitmapFine(b, 3000, 1, 0); }))
        .Peer("ImageMagick", bench::MagickOpMs(bench::PhotoCache(true), "-rotate 30"))
        .PeerThreads(bench::MagickOpMs(bench::PhotoCache(true), "-rotate 30", 0))
        .Print();
    K_FreeBitmap(&grey);
    K_FreeBitmap(&rgba);
    return 0;
}
