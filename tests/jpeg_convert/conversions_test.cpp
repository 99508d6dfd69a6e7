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
// Dithered output is compared with all three pictures blurred alike.
Match Compare(const std::string& file, const Rgb& reference, const std::string& name, bool dithered = false) {
    Rgb flipped = reference;
    const size_t row = static_cast<size_t>(reference.width) * 3;
    for (int y = 0; y < reference.height; ++y)
        std::copy_n(&reference.pixels[(reference.height - 1 - y) * row], row, &flipped.pixels[y * row]);
    const std::string blur = dithered ? " -blur 0x2" : "";
    auto prepare = [&](const std::string& in, const std::string& suffix) {
        std::string out = TestTempPath(name + suffix);
        return RunHost(kConvert + " " + in + " -alpha off" + blur + " -type truecolor -depth 8 ppm:" + out) == 0
                   ? out
                   : std::string();
    };
    std::string ppm = prepare(file, "_out.ppm");
    std::string straight = prepare(WritePpm(reference, name + "_ref0.ppm"), "_ref.ppm");
    std::string upsideDown = prepare(WritePpm(flipped, name + "_flip0.ppm"), "_flip.ppm");
    if (ppm.empty() || straight.empty() || upsideDown.empty()) return {0, 0};
    return {Psnr(straight, ppm, name + "_a"), Psnr(upsideDown, ppm, name + "_b")};
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
        std::string make;  // writes the source to $S
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
        {"bmp24", "ppmtobmp " + ppm, ppm, bmp},  // bottom-up rows
        {"bmp8", "ppmtobmp -bpp 8 " + q256, q256, bmp},
        {"bmp4", "ppmtobmp -bpp 4 " + q16, q16, bmp},
        {"bmp1", "ppmtobmp -bpp 1 " + bw, bw, bmp},
        {"tga24", "ppmtotga -rgb " + ppm, ppm, tga},
        {"tga8", "ppmtotga -cmap " + q256, q256, tga},
        {"tiff24", "pnmtotiff " + ppm, ppm, tif},  // top-down rows
        {"tiff8", "pnmtotiff " + q256, q256, tif},
        {"tiff1", "pnmtotiff " + bw, bw, tif},
        {"gif8", "pamtogif " + q256, q256, gif},
        {"gif4i", "pamtogif -interlace " + q16, q16, gif},  // rows in pass order
        {"pcx24", "ppmtopcx -24bit " + ppm, ppm, pcx},
        {"pcx8", "ppmtopcx -8bit " + q256, q256, pcx},
        {"pcx4", "ppmtopcx " + q16, q16, pcx},
        {"all_bmp1", "ppmtobmp -bpp 1 " + bw, bw, all},
        {"all_tiff", "pnmtotiff " + ppm, ppm, all},
    };
    // Own format, JFIF 4:4:4, JFIF 4:2:0, TIFF with a JPEG tile: the two
    // row orders through all four, every other source through one in turn.
    const int allVariants[] = {0, 1, 3, 2};
    int turn = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool every = std::string(c.name) == "bmp24" || std::string(c.name) == "tiff24";
        const std::vector<int> variants = every ? std::vector<int>(std::begin(allVariants), std::end(allVariants))
                                                : std::vector<int>{allVariants[turn++ % 4]};
        std::string src = TestTempPath(std::string("cc_") + c.name + ".src");
        Host(c.make + " >" + src + " 2>/dev/null");
        const Rgb reference = HostPnm(kConvert + " " + c.reference + " -type truecolor -depth 8 ppm:-");
        ASSERT_EQ(reference.width, picture.width);
        for (int variant : variants) {
            SCOPED_TRACE(variant);
            std::string out = TestTempPath(std::string("cc_") + c.name + "_" + std::to_string(variant) + ".out");
            ASSERT_EQ(c.call(src.c_str(), out.c_str(), variant, 10), K_OK);
            // JFIF is read by djpeg; the other two come back through K_DecompressALL and bmptopnm.
            std::string check = TestTempPath(std::string("cc_") + c.name + "_check.ppm");
            if (variant % 2 == 1) {
                Host("djpeg -nosmooth " + out + " >" + check);
            } else {
                std::string bmpOut = TestTempPath(std::string("cc_") + c.name + "_check.bmp");
                ASSERT_EQ(K_DecompressALL(out.c_str(), bmpOut.c_str(), 24), K_OK);
                Host("bmptopnm " + bmpOut + " >" + check + " 2>/dev/null");
            }
            ExpectClose(Compare(check, reference, std::string("cc_") + c.name), 30);
            if (variant == 2) {
                // libtiff reads the tile, in the row order the directory states.
                std::string rgba = TestTempPath(std::string("cc_") + c.name + "_rgba.tif");
                Host("tiff2rgba " + out + " " + rgba + " 2>/dev/null");
                ExpectClose(Compare(rgba, reference, std::string("cc_") + c.name + "_libtiff"), 30);
            }
        }
    }
}

TEST(DecompressConversion, EveryTypeReadByItsPeer) {
    const Rgb picture = Source();
    const std::string ppm = WritePpm(picture, "dc_src.ppm");
    // A JFIF file by cjpeg, the own format and JPEG inside TIFF by our encoder.
    const std::string jfif = TestTempPath("dc_src.jpg"), own = TestTempPath("dc_src.cmp"),
                      tiff = TestTempPath("dc_src.tif");
    Host("cjpeg -quality 90 " + ppm + " >" + jfif);
    ASSERT_EQ(SavePicture(picture, own, K_FORMAT_COMPRESSED, 10), K_OK);
    ASSERT_EQ(SavePicture(picture, tiff, K_FORMAT_TIFF_JPEG, 10), K_OK);

    struct Case {
        const char* name;
        std::function<int(const char*, const char*)> call;
        const char* peer;  // reads the output to PNM
        double floor;      // the JPEG error plus what the output depth costs
        bool dithered;
    };
    auto tga = [](int t) { return [t](const char* s, const char* o) { return K_DecompressTGA(s, o, t); }; };
    auto tif = [](int t) { return [t](const char* s, const char* o) { return K_DecompressTIF(s, o, t); }; };
    auto bmp = [](int t) { return [t](const char* s, const char* o) { return K_DecompressBMP(s, o, t); }; };
    auto pcx = [](int t) { return [t](const char* s, const char* o) { return K_DecompressPCX(s, o, t); }; };
    auto all = [](int t) { return [t](const char* s, const char* o) { return K_DecompressALL(s, o, t); }; };
    const Case cases[] = {
        {"tga8", tga(0), "tgatoppm", 35, true},
        {"tga16", tga(1), "tgatoppm", 33, false},
        {"tga24", tga(2), "tgatoppm", 40, false},
        {"tga32", tga(3), "tgatoppm", 40, false},
        {"tif8", tif(7), "tifftopnm", 35, true},
        {"tif16", tif(16), "tifftopnm", 33, false},
        {"tif24", tif(8), "tifftopnm", 40, false},
        {"bmp4", bmp(4), "bmptopnm", 28, true},
        {"bmp8", bmp(108), "bmptopnm", 35, true},
        {"bmp24", bmp(193), "bmptopnm", 40, false},
        {"gif", [](const char* s, const char* o) { return K_DecompressGIF(s, o, 0); }, "giftopnm", 30, false},
        {"pcx8", pcx(9), "pcxtoppm", 30, false},
        {"pcx24", pcx(11), "pcxtoppm", 40, false},
        {"all_sun32", all(174), "rasttopnm", 40, false},
        {"all_tiff_lzw", all(32), "tifftopnm", 40, false},
        {"all_os2", all(124), "bmptopnm", 40, false},
    };
    for (const std::string& source : {jfif, own, tiff}) {
        SCOPED_TRACE(source);
        for (const Case& c : cases) {
            // Every type from the peer's file; the decoder's other two containers through a few.
            if (source != jfif && std::string(c.name) != "tga16" && std::string(c.name) != "bmp8" &&
                std::string(c.name) != "tif24")
                continue;
            SCOPED_TRACE(c.name);
            std::string out = TestTempPath(std::string("dc_") + c.name + ".out");
            ASSERT_EQ(c.call(source.c_str(), out.c_str()), K_OK);
            std::string check = TestTempPath(std::string("dc_") + c.name + ".pnm");
            Host(std::string(c.peer) + " " + out + " >" + check + " 2>/dev/null");
            ExpectClose(Compare(check, picture, std::string("dc_") + c.name, c.dithered), c.floor);
        }
    }
}

}  // namespace
