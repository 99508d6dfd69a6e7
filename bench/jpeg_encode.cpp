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

struct Coded {
    size_t bytes = 0;
    std::string* kept = nullptr;  // the file, when wanted
};

int Count(const uint8_t* data, int count, void* user) {
    auto* coded = static_cast<Coded*>(user);
    coded->bytes += static_cast<size_t>(count);
    if (coded->kept) coded->kept->append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
    return 1;
}

// Ours, 16 rows at a time as K_CompressBuffer gives them: the coded size.
size_t EncodeOurs(const std::vector<unsigned char>& picture, bool subsample, std::string* kept = nullptr) {
    Coded bytes{0, kept};
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
    return bytes.bytes;
}

size_t EncodePeer(const std::vector<unsigned char>& picture, bool subsample, std::string* kept = nullptr) {
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
    if (kept) kept->assign(reinterpret_cast<const char*>(mem), size);
    std::free(mem);
    return size;
}

// PSNR of a JPEG file against the picture (blue, green, red rows), both
// decoded the same way by libjpeg-turbo; -1 when it cannot be read.
double Psnr(const std::string& file, const std::vector<unsigned char>& picture) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK) return -1;
    d.out_color_space = JCS_EXT_BGR;
    d.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d);
    std::vector<unsigned char> row(static_cast<size_t>(d.output_width) * 3);
    double squares = 0;
    while (d.output_scanline < d.output_height) {
        const size_t y = d.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&d, rows, 1);
        const unsigned char* want = picture.data() + y * kWidth * 3;
        for (size_t i = 0; i < row.size(); ++i) squares += (row[i] - want[i]) * (row[i] - want[i]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    const double mse = squares / (static_cast<double>(kWidth) * kHeight * 3);
    return 10 * std::log10(255.0 * 255.0 / mse);
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
    const std::string command = std::string("JSIMD_FORCENONE=1 ") + bench::ChildPrefix() + argv[0] + " --peer";
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
        // Size at the same tables and what each file keeps of the picture.
        std::string ourFile, peerFile;
        EncodeOurs(picture, m == 0, &ourFile);
        EncodePeer(picture, m == 0, &peerFile);
        char label[96];
        std::snprintf(label, sizeof label, "JPEG size %s, PSNR %.2f / %.2f dB", modes[m], Psnr(ourFile, picture),
                      Psnr(peerFile, picture));
        bench::Row(label).Ours(-2).Peer("cjpeg tables", -2).Sizes(ourFile.size(), peerFile.size()).Print();
    }
    return 0;
}
