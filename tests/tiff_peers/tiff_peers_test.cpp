// TIFF against the real thing: files made by libtiff's tools, netpbm and
// ImageMagick load here with the pixels those peers read from them, and the
// files we write pass tiffinfo and decode through tiffcp to our pixels.
#include <gtest/gtest.h>

#include <string>

#include "tiff/tiff_test_util.h"

namespace {

const std::string kBase = kConvert + " " + ImPicture("37x23") + " -depth 8";
// The base picture through tiffcp with the given options.
std::string Tiffcp(const std::string& options) {
    return kBase + " -compress none %s.base.tif && tiffcp " + options + " %s.base.tif %s";
}
std::string Im(const std::string& options) { return kBase + " " + options + " %s"; }
std::string Netpbm(const std::string& filter, const std::string& options) {
    const bool bilevel = filter == "-monochrome";
    return kBase + " " + filter + (bilevel ? " pbm:-" : " ppm:-") + " | pamtotiff " + options + " > %s 2>/dev/null";
}

// ImageMagick's pixels, or libtiff's RGBA reader's (orientation applied,
// CMYK as libtiff converts it).
enum class Peer { ImageMagick, Libtiff };

struct Fixture {
    const char* name;
    std::string command;
    int bits;
    const char* compression;
    Peer peer = Peer::ImageMagick;
};

const Fixture kFixtures[] = {
    {"rgb_none", Tiffcp("-c none"), 24, "None"},
    {"rgb_lzw", Tiffcp("-c lzw"), 24, "LZW"},
    {"rgb_lzw_predictor", Tiffcp("-c lzw:2"), 24, "LZW"},
    {"rgb_packbits", Tiffcp("-c packbits"), 24, "Run Length"},
    {"separate_none", Tiffcp("-p separate -c none"), 24, "None"},
    {"separate_lzw_predictor", Tiffcp("-p separate -c lzw:2"), 24, "LZW"},
    {"separate_packbits", Tiffcp("-p separate -c packbits"), 24, "Run Length"},
    {"rows_1_lzw", Tiffcp("-r 1 -c lzw"), 24, "LZW"},
    {"rows_7_packbits", Tiffcp("-r 7 -c packbits"), 24, "Run Length"},
    {"rows_64_none", Tiffcp("-r 64 -c none"), 24, "None"},
    {"big_endian_lzw", Tiffcp("-B -c lzw:2"), 24, "LZW"},
    {"big_endian_separate", Tiffcp("-B -p separate -r 5 -c none"), 24, "None"},
    {"tiles_lzw", Tiffcp("-t -w 16 -l 16 -c lzw:2"), 24, "LZW"},
    {"tiles_separate_packbits", Tiffcp("-t -w 16 -l 16 -p separate -c packbits"), 24, "Run Length"},
    {"palette_8_lzw",
     kBase + " -colors 200 -depth 8 -type Palette -compress none %s.base.tif && tiffcp -c lzw %s.base.tif %s", 8,
     "LZW"},
    {"big_endian_palette_8",
     kBase + " -colors 60 -depth 8 -type Palette -compress none %s.base.tif && tiffcp -B %s.base.tif %s", 8, "None"},
    {"palette_4", Netpbm("-colors 12", "-indexbits 4"), 4, "None"},
    {"palette_2", Netpbm("-colors 4", "-indexbits 2"), 4, "None"},
    {"palette_1", Netpbm("-colors 2", "-indexbits 1"), 1, "None"},
    {"bilevel_miniswhite", Netpbm("-monochrome", "-miniswhite"), 1, "None"},
    {"bilevel_lsb2msb", Netpbm("-monochrome", "-lsb2msb"), 1, "None"},
    {"bilevel_packbits", Netpbm("-monochrome", "-packbits"), 1, "Run Length"},
    {"grey_8_lzw", Im("-type Grayscale -compress lzw"), 8, "LZW"},
    {"grey_4", Im("-type Grayscale -depth 4"), 8 / 2, "None"},
    {"grey_12", Im("-type Grayscale -depth 12"), 8, "None"},
    {"grey_16_lzw", Im("-type Grayscale -depth 16 -compress lzw"), 8, "LZW", Peer::Libtiff},
    {"grey_alpha", Im("-type GrayscaleAlpha"), 8, "None"},
    {"rgba_lzw_predictor",
     kBase + " -alpha set -channel A -fx 0.5 +channel -compress none %s.base.tif && tiffcp -c lzw:2 %s.base.tif %s", 32,
     "LZW"},
    {"rgb_48", Im("-depth 16"), 24, "None", Peer::Libtiff},
    {"cmyk", Im("-colorspace CMYK -compress none"), 32, "None", Peer::Libtiff},
    {"cmyk_lzw_predictor", kBase + " -colorspace CMYK -compress none %s.base.tif && tiffcp -c lzw:2 %s.base.tif %s", 32,
     "LZW", Peer::Libtiff},
    {"orientation_bottom_left", Tiffcp("-c lzw") + " && tiffset -s 274 4 %s", 24, "LZW", Peer::Libtiff},
    {"orientation_bottom_right", Tiffcp("-c packbits") + " && tiffset -s 274 3 %s", 24, "Run Length", Peer::Libtiff},
    {"orientation_top_right_bilevel", Netpbm("-monochrome", "") + " && tiffset -s 274 2 %s", 1, "None", Peer::Libtiff},
};

std::string FixturePath(const Fixture& f) { return TestTempPath(std::string("tiff_") + f.name + ".tif"); }

// Every fixture and the pixels its peer reads from it, made by one host
// script (a host call costs a process start under Wine).
class TiffPeers : public ::testing::TestWithParam<Fixture> {
public:
    static void SetUpTestSuite() {
        std::string script = "set -e\n";
        for (const Fixture& f : kFixtures) {
            const std::string path = FixturePath(f);
            script += FillPath(f.command, path) + "\n";
            const std::string source = f.peer == Peer::Libtiff ? path + ".rgba.tif" : path;
            if (f.peer == Peer::Libtiff) script += "tiff2rgba -c none '" + path + "' '" + source + "'\n";
            script += kConvert + " '" + source + "' -depth 8 rgb:'" + path + ".rgb'\n";
        }
        const std::string file = TestTempPath("tiff_peers.sh");
        WriteFileBytes(file, script);
        made_ = RunHost("sh '" + file + "'") == 0;
    }

protected:
    static bool made_;
};
bool TiffPeers::made_ = false;

TEST_P(TiffPeers, LoadsWithThePeersPixels) {
    ASSERT_TRUE(made_);
    const Fixture& f = GetParam();
    const std::string path = FixturePath(f);
    const std::string expected = ReadFileBytes(path + ".rgb");
    ASSERT_EQ(expected.size(), 37u * 23 * 3);

    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, K_FORMAT_TIFF);
    EXPECT_EQ(info.Width, 37);
    EXPECT_EQ(info.Height, 23);
    EXPECT_EQ(info.BitsPerPixel, f.bits);
    EXPECT_STREQ(info.Compression, f.compression);
    EXPECT_EQ(info.PageNumber, 1);

    TestBitmap loaded;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), loaded.get(), 0, 1), K_OK);
    EXPECT_EQ(loaded->BitsPerPixel, f.bits);
    EXPECT_EQ(loaded->FormatCode, K_FORMAT_TIFF);
    EXPECT_TRUE(SamePixels(RecordRgb(loaded.get()), expected));

    // The one-call loader and a memory block give the same.
    TestBitmap whole, memory;
    ASSERT_EQ(K_LoadTIFBitmap(path.c_str(), whole.get()), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(whole.get()), expected));
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(K_LoadBitmapMemory(bytes.data(), memory.get(), 24, 1, static_cast<int>(bytes.size())), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(memory.get()), expected));
}

INSTANTIATE_TEST_SUITE_P(Files, TiffPeers, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
