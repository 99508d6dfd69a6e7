// Decoding the photo as JPEG at quality 90, 4:2:0 and 4:4:4, with our
// decoder and with libjpeg-turbo in the same process (integer DCT, chroma
// replicated as ours is), run by turns so that a change of load on the
// machine falls on both. libjpeg-turbo reads its SIMD switch once, so the
// pair without SIMD comes from this program run again with
// JSIMD_FORCENONE=1. A file with a restart marker after every MCU row is
// timed too. Also the peak memory of decoding the 4:2:0 file into
// a bitmap, in a fresh process.
#include "bench.h"

#include <jpeglib.h>  // after bench.h: it needs size_t and FILE

namespace {

int KAPI DropRows(BitmapRecord*, unsigned char*, int, void*) { return 1; }

bool Ours(const std::string& jpeg) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    K_InitBitmap(&b, bench::kWidth, bench::kHeight, 24);
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

// Medians of ours and the peer on one file, run by turns after a warm-up
// pair; -1 where ours fails.
struct Pair {
    double ours = -1, peer = -1;
};
Pair Paired(const std::string& jpeg) {
    if (bench::Counting()) {
        if (!Ours(jpeg) || !Peer(jpeg)) return {};
        return {bench::CountMillions([&] { return Ours(jpeg); }), bench::CountMillions([&] { return Peer(jpeg); })};
    }
    std::vector<double> ours, peer;
    for (int i = 0; i <= bench::Runs(); ++i) {
        const double t0 = bench::Now();
        if (!Ours(jpeg)) return {};
        const double t1 = bench::Now();
        Peer(jpeg);
        const double t2 = bench::Now();
        if (i > 0) ours.push_back(t1 - t0), peer.push_back(t2 - t1);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(peer.begin(), peer.end());
    return {ours[ours.size() / 2], peer[peer.size() / 2]};
}

// Peak resident memory of a fresh process that decodes the file into a new
// bitmap, as that process's own high-water mark (VmHWM) says.
long PeakKilobytes(const char* self, const std::string& path) {
    FILE* child = popen((std::string(self) + " --load " + path).c_str(), "r");
    if (!child) return -1;
    long kb = -1;
    if (std::fscanf(child, "%ld", &kb) != 1) kb = -1;
    return pclose(child) == 0 ? kb : -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Child run: ours and libjpeg-turbo on one file, their milliseconds on stdout.
    if (argc == 3 && std::strcmp(argv[1], "--pair") == 0) {
        const Pair pair = Paired(bench::ReadFile(argv[2]));
        std::printf("%.6f %.6f\n", pair.ours, pair.peer);
        return 0;
    }
    // Child run: decode one file into a bitmap, print the peak memory in KB.
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        if (K_DecompressBitmap(argv[2], &b, 24) != K_OK) return 1;
        FILE* status = std::fopen("/proc/self/status", "r");
        char line[256];
        while (status && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmHWM:", 6) == 0) std::printf("%ld\n", std::atol(line + 6));
        if (status) std::fclose(status);
        return 0;
    }
    const std::string ppm = bench::PhotoPpm();
    struct Case {
        const char* file;
        const char* options;
        const char* name;
    } cases[] = {
        {"q90_2x2.jpg", "-sample 2x2", "JPEG decode q90 4:2:0"},
        {"q90_1x1.jpg", "-sample 1x1", "JPEG decode q90 4:4:4"},
        {"q90_2x2_restart.jpg", "-sample 2x2 -restart 1", "JPEG decode q90 4:2:0, restart each row"},
    };
    for (const Case& c : cases) {
        const std::string jpeg = bench::ScratchFile(c.file);
        if (!bench::Shell("cjpeg -quality 90 " + std::string(c.options) + " -outfile " + jpeg + " " + ppm)) return 1;
        Pair plain;
        const std::string child = "JSIMD_FORCENONE=1 " + bench::ChildPrefix() + argv[0] + " --pair " + jpeg;
        if (FILE* p = popen(child.c_str(), "r")) {
            if (std::fscanf(p, "%lf %lf", &plain.ours, &plain.peer) != 2) plain = Pair{};
            pclose(p);
        }
        const std::string name = c.name;
        const Pair simd = Paired(bench::ReadFile(jpeg));
        bench::Row(name).Ours(simd.ours).Peer("turbo SIMD", simd.peer).Print();
        bench::Row(name).Ours(plain.ours).Peer("turbo no SIMD", plain.peer).Print();
    }

    // Peak memory above what the process takes for a 16 x 16 file decoded
    // the same way: KB.
    {
        const std::string big = bench::ScratchFile("q90_2x2.jpg"), small = bench::ScratchFile("small.jpg");
        if (!bench::Shell("pnmcut 0 0 16 16 " + ppm + " | cjpeg -quality 90 -sample 2x2 -outfile " + small)) return 1;
        const long bigKb = PeakKilobytes(argv[0], big), smallKb = PeakKilobytes(argv[0], small);
        bench::Row("JPEG 4000x3000 decode to bitmap: peak KB / picture KB")
            .Ours(-2)  // a memory row: no time
            .Sizes(bigKb < 0 || smallKb < 0 ? -1 : bigKb - smallKb,
                   static_cast<long>(bench::kWidth) * bench::kHeight * 3 / 1024)
            .Print();
    }
    return 0;
}
