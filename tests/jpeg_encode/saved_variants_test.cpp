// Every variant written through K_SaveFile, read by the standard tools.
#include <cstdio>

#include "encode_fixture.h"

namespace {

TEST(SavedVariants, JfifFilesReadByPeers) {
    struct Case {
        int format;
        int bits;
        const char* sampling;  // what jpeginfo / exiftool report
    };
    const Case cases[] = {
        {10, 24, "YCbCr4:4:4 (1 1)"}, {21, 24, "YCbCr4:2:0 (2 2)"}, {23, 24, "YCbCr4:2:2 (2 1)"}, {10, 8, ""}};
    Rgb picture = GradientPicture(51, 35);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format * 100 + c.bits);
        std::string path = TestTempPath("variant_" + std::to_string(c.format) + "_" + std::to_string(c.bits) + ".jpg");
        BitmapRecord record;
        MakeRecord(picture, &record);
        record.XResolution = 300;
        record.YResolution = 200;
        ASSERT_EQ(K_SaveFile(path.c_str(), &record, c.format, c.bits, 40, 0, nullptr, nullptr), K_OK);
        K_FreeBitmap(&record);
        HostRun djpeg = RunCaptured("djpeg " + path + " | head -c 2", "variant_djpeg");
        EXPECT_EQ(djpeg.err, "");
        EXPECT_EQ(djpeg.out, c.bits == 8 ? "P5" : "P6");
        HostRun info = RunCaptured("jpeginfo -c " + path, "variant_jpeginfo");
        EXPECT_EQ(info.status, 0) << info.out;
        EXPECT_NE(info.out.find("51 x   35"), std::string::npos) << info.out;
        HostRun exif = RunCaptured(
            "exiftool -s -JFIFVersion -ResolutionUnit -XResolution -YResolution "
            "-YCbCrSubSampling -ColorComponents " +
                path,
            "variant_exif");
        EXPECT_NE(exif.out.find("JFIFVersion                     : 1.00"), std::string::npos) << exif.out;
        EXPECT_NE(exif.out.find("ResolutionUnit                  : None"), std::string::npos) << exif.out;
        EXPECT_NE(exif.out.find("XResolution                     : 300"), std::string::npos) << exif.out;
        EXPECT_NE(exif.out.find("YResolution                     : 200"), std::string::npos) << exif.out;
        EXPECT_NE(exif.out.find(std::string("ColorComponents                 : ") + (c.bits == 8 ? "1" : "3")),
                  std::string::npos)
            << exif.out;
        if (*c.sampling) {
            EXPECT_NE(exif.out.find(c.sampling), std::string::npos) << exif.out;
        }
    }
}

TEST(SavedVariants, WriterRefusals) {
    Rgb picture = GradientPicture(16, 16);
    std::string path = TestTempPath("variant_refused.jpg");
    EXPECT_EQ(SavePicture(picture, path, 10, 1), K_ERR_COMPRESSARG);  // below 2 outside the own format
    BitmapRecord record;
    MakeRecord(picture, &record);
    EXPECT_EQ(K_SaveFile(path.c_str(), &record, 11, 8, 50, 0, nullptr, nullptr), K_ERR_BITS);
    EXPECT_EQ(K_SaveFile(path.c_str(), &record, 5, 16, 50, 0, nullptr, nullptr), K_ERR_BITS);
    EXPECT_EQ(K_SaveFile("/nonexistent-dir/x.jpg", &record, 10, 24, 50, 0, nullptr, nullptr), K_ERR_CREATE);
    K_FreeBitmap(&record);
}

}  // namespace

namespace {

TEST(SavedVariants, OwnFormatProbedByFileInfo) {
    Rgb picture = GradientPicture(30, 19);
    const struct {
        int format, bits, quality, height, expectedBits;
    } cases[] = {{5, 24, 50, 19, 24}, {20, 8, 50, 19, 8}, {5, 24, 101, 20, 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality * 1000 + c.bits);
        std::string path = TestTempPath("own_probe.cmp");
        BitmapRecord record;
        MakeRecord(picture, &record);
        record.XResolution = 96;
        record.YResolution = 120;
        ASSERT_EQ(K_SaveFile(path.c_str(), &record, c.format, c.bits, c.quality, 0, nullptr, nullptr), K_OK);
        K_FreeBitmap(&record);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 5);
        EXPECT_EQ(info.Width, 30);
        EXPECT_EQ(info.Height, c.height);  // halving keeps the odd last row: one row more
        EXPECT_EQ(info.BitsPerPixel, c.expectedBits);
        EXPECT_EQ(info.ViewPerspective, 0);  // the writer gives rows top line first
        EXPECT_EQ(info.XResolution, 96);
        EXPECT_EQ(info.YResolution, 120);
        EXPECT_STREQ(info.Compression, "KORA");
    }
}

}  // namespace
