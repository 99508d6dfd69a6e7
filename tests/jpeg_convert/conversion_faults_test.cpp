// The conversions' side files, resolutions, refusals and codes.
#include <cstdio>
#include "jpeg_encode/encode_fixture.h"

namespace {

// A 32-bit TGA by netpbm: the gradient with alpha = 3 x row + column / 8.
std::string AlphaTga(int width, int height, const std::string& name) {
    Rgb p = GradientPicture(width, height);
    std::string pam = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* q = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            pam.append(reinterpret_cast<const char*>(q), 3);
            pam.push_back(static_cast<char>(3 * y + x / 8));
        }
    std::string pamPath = TestTempPath(name + ".pam"), tga = TestTempPath(name + ".tga");
    WriteFileBytes(pamPath, pam);
    EXPECT_EQ(RunHost("pamtotga " + pamPath + " >" + tga + " 2>/dev/null"), 0);
    return tga;
}

TEST(ConversionAlpha, SideFileNamedForTheOutputInADottedFolder) {
    const int width = 40, height = 21;
    const std::string tga = AlphaTga(width, height, "alpha_src");
    const std::string folder = TestTempPath("alpha.folder");
    Host("mkdir -p " + folder);
    struct Case {
        int variant;
        bool topFirst;  // the own format keeps the TGA's bottom-up order; JFIF codes the top row first
    };
    for (Case c : {Case{0, false}, Case{1, true}}) {
        SCOPED_TRACE(c.variant);
        const std::string out = folder + "/picture.v" + std::to_string(c.variant) + ".jpg";
        std::remove((folder + "/picture.ALF").c_str());
        ASSERT_EQ(K_CompressTGA(tga.c_str(), out.c_str(), c.variant, 10, 0, 1), K_OK);
        const std::string alpha = ReadFileBytes(folder + "/picture.ALF");
        ASSERT_EQ(alpha.size(), static_cast<size_t>(width * height));
        EXPECT_EQ(ReadFileBytes(TestTempPath("alpha.ALF")), "");
        for (int row = 0; row < height; ++row) {
            const int y = c.topFirst ? row : height - 1 - row;
            for (int x = 0; x < width; x += 13)
                EXPECT_EQ(static_cast<unsigned char>(alpha[row * width + x]), 3 * y + x / 8) << row << " " << x;
        }
        // The picture itself is upright.
        BitmapRecord record{};
        ASSERT_EQ(K_DecompressBitmap(out.c_str(), &record, 24), K_OK);
        Rgb decoded = RecordPixels24(&record);
        K_FreeBitmap(&record);
        EXPECT_GT(Psnr(WritePpm(GradientPicture(width, height), "alpha_ref.ppm"), WritePpm(decoded, "alpha_back.ppm"),
                       "alpha_psnr"),
                  25);
    }
    // No alpha flag, or no alpha in the file: no side file.
    const std::string plain = TestTempPath("alpha_plain.ppm"), plainTga = TestTempPath("alpha_plain.tga");
    WriteFileBytes(plain, ToPpm(GradientPicture(width, height)));
    Host("ppmtotga -rgb " + plain + " >" + plainTga);
    std::remove(TestTempPath("alpha_plain_out.ALF").c_str());
    ASSERT_EQ(K_CompressTGA(plainTga.c_str(), TestTempPath("alpha_plain_out.cmp").c_str(), 0, 10, 0, 1), K_OK);
    ASSERT_EQ(K_CompressTGA(tga.c_str(), TestTempPath("alpha_off_out.cmp").c_str(), 0, 10, 0, 0), K_OK);
    EXPECT_EQ(ReadFileBytes(TestTempPath("alpha_plain_out.ALF")), "");
    EXPECT_EQ(ReadFileBytes(TestTempPath("alpha_off_out.ALF")), "");
}

TEST(ConversionResolution, SourceDensityReachesEveryContainer) {
    const std::string ppm = WritePpm(GradientPicture(33, 17), "res_src.ppm");
    const std::string bmp = TestTempPath("res_src.bmp");
    Host(kConvert + " " + ppm + " -units PixelsPerInch -density 300x200 BMP3:" + bmp);
    for (int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        const std::string out = TestTempPath("res_out_" + std::to_string(variant));
        ASSERT_EQ(K_CompressBMP(bmp.c_str(), out.c_str(), variant, 10, 0), K_OK);
        BitmapRecord record{};
        ASSERT_EQ(K_DecompressBitmap(out.c_str(), &record, 24), K_OK);
        EXPECT_EQ(record.XResolution, 300);
        EXPECT_EQ(record.YResolution, 200);
        K_FreeBitmap(&record);
    }
    // The JFIF densities as exiftool reads them.
    HostRun tool = RunCaptured("exiftool -s -s -s -XResolution -YResolution " + TestTempPath("res_out_1"), "res_exif");
    EXPECT_EQ(tool.out, "300\n200\n");
}

TEST(ConversionRefusals, CodesForBadTypesSourcesAndOutputs) {
    const Rgb picture = GradientPicture(20, 9);
    const std::string jpg = TestTempPath("ref_src.jpg"), bmp = TestTempPath("ref_src.bmp");
    ASSERT_EQ(SavePicture(picture, jpg, K_FORMAT_JPEG, 10), K_OK);
    ASSERT_EQ(SavePicture(picture, bmp, K_FORMAT_BMP, 0), K_OK);
    const std::string out = TestTempPath("ref_out"), nowhere = TestTempPath("no/such/folder/out");
    const char* j = jpg.c_str();
    const char* o = out.c_str();
    std::remove(o);  // left by an earlier run's closing conversion
    struct Case {
        const char* what;
        int result;
        int expected;
    };
    const Case cases[] = {
        {"TGA type 4", K_DecompressTGA(j, o, 4), K_ERR_ARGUMENT},
        {"TIFF type 9", K_DecompressTIF(j, o, 9), K_ERR_ARGUMENT},
        {"BMP type 1", K_DecompressBMP(j, o, 1), K_ERR_ARGUMENT},
        {"ALL type 6", K_DecompressALL(j, o, 6), K_ERR_ARGUMENT},
        {"BMP source", K_DecompressTGA(bmp.c_str(), o, 2), K_ERR_FORMAT},
        {"no source", K_DecompressBMP(TestTempPath("ref_missing").c_str(), o, 24), K_ERR_OPEN},
        {"no output folder", K_DecompressTGA(j, nowhere.c_str(), 2), K_ERR_CREATE},
        {"compress to no folder", K_CompressBMP(bmp.c_str(), nowhere.c_str(), 1, 10, 0), K_ERR_CREATE},
        {"compress a JPEG as BMP", K_CompressBMP(j, o, 1, 10, 0), K_ERR_FORMAT},
        {"bad variant", K_CompressBMP(bmp.c_str(), o, 9, 10, 0), K_ERR_FORMAT},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    // A failed conversion leaves no output behind, and the next one works.
    EXPECT_EQ(ReadFileBytes(out), "");
    EXPECT_EQ(K_CompressBMP(bmp.c_str(), o, 1, 10, 0), K_OK);
}

TEST(ConversionRows, WideRowsBecomeTiffStripsLibtiffReads) {
    // 1500 pixels of 3 bytes: more than 4096 bytes a row.
    const Rgb picture = GradientPicture(1500, 7);
    const std::string jpg = TestTempPath("wide.jpg"), tif = TestTempPath("wide.tif");
    ASSERT_EQ(SavePicture(picture, jpg, K_FORMAT_JPEG, 10), K_OK);
    ASSERT_EQ(K_DecompressTIF(jpg.c_str(), tif.c_str(), 8), K_OK);
    Rgb back = HostPnm("tifftopnm " + tif + " 2>/dev/null");
    ASSERT_EQ(back.width, 1500);
    ASSERT_EQ(back.height, 7);
    EXPECT_GT(Psnr(WritePpm(picture, "wide_src.ppm"), WritePpm(back, "wide_back.ppm"), "wide_psnr"), 30);
}

}  // namespace
