// Conversions between raster files and the compressed family, against
// netpbm and ImageMagick: peer-made sources of every depth and row order go
// through K_Compress* and back, and what K_Decompress* writes is read by the
// peers.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "jpeg_encode/encode_fixture.h"

namespace {

using CompressCall = std::function<int(const char*, const char*, int, int)>;

// PSNR of a file (anything ImageMagick reads) against a reference picture,
// and against the same reference upside down: a picture coded upside down
// comes nearer the second.
struct Match {
    double straight, flipped;
};
Match Compare(const std::string& file, const Rgb& reference, const std::string& name) {
    Rgb flipped = reference;
    const size_t row = static_cast<size_t>(reference.width) * 3;
    for (int y = 0; y < reference.height; ++y)
        std::copy_n(&reference.pixels[(reference.height - 1 - y) * row], row, &flipped.pixels[y * row]);
    std::string ppm = TestTempPath(name + "_out.ppm");
    if (RunHost(kConvert + " " + file + " -alpha off -type truecolor -depth 8 ppm:" + ppm) != 0) return {0, 0};
    return {Psnr(WritePpm(reference, name + "_ref.ppm"), ppm, name + "_a"),
            Psnr(WritePpm(flipped, name + "_flip.ppm"), ppm, name + "_b")};
}

// Upright and within the coding error: the floor is what a JPEG round trip
// at this quality keeps of these pictures.
void ExpectClose(const Match& m, double floor) {
    EXPECT_GT(m.straight, floor);
    EXPECT_GT(m.straight, m.flipped + 6);
}

// A smooth picture that differs top from bottom.
Rgb Source() {
    Rgb p = GradientPicture(67, 45);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.pixels[(static_cast<size_t>(y) * p.width + x) * 3 + 2] = static_cast<unsigned char>((x + y) * 255 / 110);
    return p;
}

TEST(CompressConversion, PeerSourcesThroughEveryVariant) {
    const Rgb picture = Source();
    const std::string ppm = WritePpm(picture, "cc_src.ppm");
    auto quantised = [&](int colours) {
        std::string path = TestTempPath("cc_q" + std::to_string(colours) + ".ppm");
        Host("pnmquant " + std::to_string(colours) + " " + ppm + " >" + path + " 2>/dev/null");
        return path;
    };
    const std::string q256 = quantised(256), q16 = quantised(16);
    const std::string bw = TestTempPath("cc_bw.pbm");
    Host("ppmtopgm " + ppm + " | pamthreshold -simple -threshold=0.5 | pamtopnm >" + bw + " 2>/dev/null");

    struct Case {
        const char* name;
        std::string make;   // writes the source to $S
        std::string reference;
        CompressCall call;
    };
    auto tif = [](const char* s, const char* o, int v, int q) { return K_CompressTIF(s, o, v, q, 0); };
    auto bmp = [](const char* s, const char* o, int v, int q) { return K_CompressBMP(s, o, v, q, 0); };
    auto tga = [](const char* s, const char* o, int v, int q) { return K_CompressTGA(s, o, v, q, 0, 0); };
    auto gif = [](const char* s, const char* o, int v, int q) { return K_CompressGIF(s, o, v, q, 0); };
    auto pcx = [](const char* s, const char* o, int v, int q) { return K_CompressPCX(s, o, v, q, 0); };
    auto all = [](const char* s, const char* o, int v, int q) { return K_CompressALL(s, o, v, q, 0); };
    const Case cases[] = {
        {"bmp24", "ppmtobmp " + ppm, ppm, bmp},              // bottom-up rows
        {"bmp8", "ppmtobmp -bpp 8 " + q256, q256, bmp},
        {"bmp4", "ppmtobmp -bpp 4 " + q16, q16, bmp},
        {"bmp1", "ppmtobmp -bpp 1 " + bw, bw, bmp},
        {"tga24", "ppmtotga -rgb " + ppm, ppm, tga},
        {"tga8", "ppmtotga -cmap " + q256, q256, tga},
        {"tiff24", "pnmtotiff " + ppm, ppm, tif},            // top-down rows
        {"tiff8", "pnmtotiff " + q256, q256, tif},
        {"tiff1", "pnmtotiff " + bw, bw, tif},
        {"gif8", "pamtogif " + q256, q256, gif},
        {"gif4i", "pamtogif -interlace " + q16, q16, gif},   // rows in pass order
        {"pcx24", "ppmtopcx -24bit " + ppm, ppm, pcx},
        {"pcx8", "ppmtopcx -8bit " + q256, q256, pcx},
        {"pcx4", "ppmtopcx " + q16, q16, pcx},
        {"all_bmp1", "ppmtobmp -bpp 1 " + bw, bw, all},
        {"all_tiff", "pnmtotiff " + ppm, ppm, all},
    };
    // Own format, JFIF 4:4:4, JFIF 4:2:0, TIFF with a JPEG tile.
    const int variants[] = {0, 1, 3, 2};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string src = TestTempPath(std::string("cc_") + c.name + ".src");
        Host(c.make + " >" + src + " 2>/dev/null");
        const Rgb reference = HostPnm(kConvert + " " + c.reference + " -type truecolor -depth 8 ppm:-");
        ASSERT_EQ(reference.width, picture.width);
        for (int variant : variants) {
            SCOPED_TRACE(variant);
            std::string out = TestTempPath(std::string("cc_") + c.name + "_" + std::to_string(variant) + ".out");
            ASSERT_EQ(c.call(src.c_str(), out.c_str(), variant, 10), K_OK);
            // JFIF is read by djpeg; the other two come back through K_DecompressBMP and bmptopnm.
            std::string check = TestTempPath(std::string("cc_") + c.name + "_check.ppm");
            if (variant % 2 == 1) {
                Host("djpeg -nosmooth " + out + " >" + check);
            } else {
                std::string bmpOut = TestTempPath(std::string("cc_") + c.name + "_check.bmp");
                ASSERT_EQ(K_DecompressBMP(out.c_str(), bmpOut.c_str(), 24), K_OK);
                Host("bmptopnm " + bmpOut + " >" + check + " 2>/dev/null");
            }
            ExpectClose(Compare(check, reference, std::string("cc_") + c.name), 30);
        }
    }
}

}  // namespace
