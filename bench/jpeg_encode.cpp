// JPEG encoding of the photo at 4:2:0 and 4:4:4, ours beside libjpeg-turbo
// in the same process with the same quantisation tables (our Q 10,
// libjpeg-turbo's quality 90), with the coded sizes. libjpeg-turbo runs
// twice: with its SIMD, and in a child of this program with
// JSIMD_FORCENONE=1, since it reads that switch once per process. The
// engine is driven directly (the compress-buffer triple adds nothing per
// pixel).
#include "bench.h"

#include <jpeglib.h>  // after bench.h: it needs size_t and FILE

#include "jpeg/jpeg_encoder.h"
#include "jpeg/jpeg_tables.h"

namespace {

constexpr int kWidth = bench::kWidth, kHeight = bench::kHeight, kQuality = 10, kStripRows = 16;

// The photo as blue, green, red rows, top-down.
std::vector<unsigned char> MakePicture() {
    std::vector<unsigned char> p = bench::Photo().rgb;
    for (size_t i = 0; i < p.size(); i += 3) std::swap(p[i], p[i + 2]);
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

}  // namespace

int main(int argc, char** argv) {
    const std::vector<unsigned char> picture = MakePicture();
    const char* modes[2] = {"4:2:0", "4:4:4"};
    // Child run: the peer alone, milliseconds per mode on stdout.
    if (argc > 1 && std::strcmp(argv[1], "--peer") == 0) {
        for (int m = 0; m < 2; ++m) std::printf("%f\n", bench::Median([&] { return EncodePeer(picture, m == 0) > 0; }));
        return 0;
    }
    double peerNoSimd[2] = {-1, -1};
    const std::string command = std::string("JSIMD_FORCENONE=1 ") + argv[0] + " --peer";
    if (FILE* child = popen(command.c_str(), "r")) {
        for (double& ms : peerNoSimd)
            if (std::fscanf(child, "%lf", &ms) != 1) ms = -1;
        pclose(child);
    }
    for (int m = 0; m < 2; ++m) {
        size_t ourBytes = 0, peerBytes = 0;
        const double ours = bench::Median([&] { return (ourBytes = EncodeOurs(picture, m == 0)) > 0; });
        const double peer = bench::Median([&] { return (peerBytes = EncodePeer(picture, m == 0)) > 0; });
        const std::string name = std::string("JPEG encode Q10 ") + modes[m];
        bench::Row(name).Ours(ours).Peer("turbo SIMD", peer).Sizes(ourBytes, peerBytes).Print();
        bench::Row(name).Ours(ours).Peer("turbo no SIMD", peerNoSimd[m]).Print();
    }
    return 0;
}
