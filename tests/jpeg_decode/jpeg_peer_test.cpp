// Files of the reference encoder decoded here against the reference
// decoder (no fancy upsampling, integer DCT): sampling layouts, grey,
// qualities 5 to 100, optimized and custom tables, restart intervals and
// odd sizes.
#include "jpeg_fixture.h"

namespace {

struct PeerCase {
    const char* options;
    int width, height;
    int bound;  // largest difference of a sample from the reference decode
};

TEST(JpegPeer, CjpegMatrixDecodesWithinBounds) {
    // A custom pair of tables with small entries, as cjpeg reads them.
    std::string tables;
    for (int table = 0; table < 2; ++table) {
        for (int i = 0; i < 64; ++i) tables += std::to_string(3 + (i * (table + 2)) % 40) + " ";
        tables += "\n";
    }
    const std::string qtables = WriteTemp("jpeg_qtables.txt", tables);
    // Replicated chroma (-nosmooth) is our upsampling too: every layout
    // stays within 2 levels of the reference.
    const char* samplings[] = {"-grayscale", "-sample 1x1", "-sample 2x1", "-sample 2x2", "-sample 4x1", "-sample 1x2"};
    std::vector<std::string> options;
    std::vector<PeerCase> all;
    for (const char* sampling : samplings) {
        for (int q : {5, 50, 90, 100}) {
            options.push_back(std::string(sampling) + " -quality " + std::to_string(q));
            all.push_back({nullptr, 37, 29, 2});
        }
        for (std::string extra : {"-optimize", "-restart 1", "-restart 3B", "-qtables "}) {
            if (extra == "-qtables ") extra += qtables;
            options.push_back(std::string(sampling) + " -quality 75 " + extra);
            all.push_back({nullptr, 40, 33, 2});
        }
        for (int size : {1, 2, 7, 8, 9, 15, 16, 17}) {
            options.push_back(std::string(sampling) + " -quality 85");
            all.push_back({nullptr, size, 18 - size, 2});
        }
    }
    std::string script;
    std::vector<std::string> jpegs, refs;
    for (size_t k = 0; k < all.size(); ++k) {
        Rgb picture = TexturedPicture(all[k].width, all[k].height);
        std::string name = "jpeg_peer_" + std::to_string(k);
        std::string ppm = WritePpm(picture, name + ".ppm");
        jpegs.push_back(TestTempPath(name + ".jpg"));
        refs.push_back(TestTempPath(name + ".ref.pnm"));
        script += "cjpeg -baseline " + options[k] + " -outfile " + jpegs.back() + " " + ppm + "\n";
        script += "djpeg -nosmooth -dct int -pnm " + jpegs.back() + " | ppmtoppm > " + refs.back() + "\n";
    }
    HostScript(script);
    for (size_t k = 0; k < all.size(); ++k) {
        SCOPED_TRACE(options[k] + " " + std::to_string(all[k].width) + "x" + std::to_string(all[k].height));
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(jpegs[k].c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_JPEG);
        EXPECT_EQ(info.Width, all[k].width);
        EXPECT_EQ(info.Height, all[k].height);
        EXPECT_EQ(info.BitsPerPixel, options[k].find("-grayscale") != std::string::npos ? 8 : 24);
        Rgb reference = FromPnm(Bytes(refs[k]));
        int r = 0;
        Rgb ours = DecodeRgb(jpegs[k], &r);
        ASSERT_EQ(r, K_OK);
        const int diff = MaxDifference(ours, reference);
        EXPECT_GE(diff, 0);
        EXPECT_LE(diff, all[k].bound);
    }
}

}  // namespace
