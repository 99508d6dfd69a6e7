// Decoding the photo as JPEG at quality 90, 4:2:0 and 4:4:4, with our
// decoder and with libjpeg-turbo in the same process (integer DCT, chroma
// replicated as ours is). libjpeg-turbo reads its SIMD switch once, so the
// figure without SIMD comes from this program run again with
// JSIMD_FORCENONE=1.
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

}  // namespace

int main(int argc, char** argv) {
    // Child run: libjpeg-turbo alone on one file, its milliseconds on stdout.
    if (argc == 3 && std::strcmp(argv[1], "--peer") == 0) {
        const std::string jpeg = bench::ReadFile(argv[2]);
        std::printf("%.6f\n", bench::Median([&] { return Peer(jpeg); }));
        return 0;
    }
    const std::string ppm = bench::PhotoPpm();
    for (const char* sampling : {"2x2", "1x1"}) {
        const std::string jpeg = bench::ScratchFile(std::string("q90_") + sampling + ".jpg");
        if (!bench::Shell("cjpeg -quality 90 -sample " + std::string(sampling) + " -outfile " + jpeg + " " + ppm)) return 1;
        const std::string bytes = bench::ReadFile(jpeg);
        double plain = -1;
        const std::string child = "JSIMD_FORCENONE=1 " + std::string(argv[0]) + " --peer " + jpeg;
        if (FILE* p = popen(child.c_str(), "r")) {
            if (std::fscanf(p, "%lf", &plain) != 1) plain = -1;
            pclose(p);
        }
        const std::string name = std::string("JPEG decode q90 ") + (sampling[0] == '2' ? "4:2:0" : "4:4:4");
        const double ours = bench::Median([&] { return Ours(bytes); });
        bench::Row(name).Ours(ours).Peer("turbo SIMD", bench::Median([&] { return Peer(bytes); })).Print();
        bench::Row(name).Ours(ours).Peer("turbo no SIMD", plain).Print();
    }
    return 0;
}
