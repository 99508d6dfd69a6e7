// File information: defaults, short names, the image size rule, failures,
// the version record, and a probe order that skips what it cannot read.
#include <gtest/gtest.h>

#include <cstring>

#include "io/file_info.h"
#include "io_test_util.h"

namespace {

TEST(FileInfo, ShortNames) {
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {
        {"C:\\dir\\longfilename.jpeg", "longfile.jpe"},
        {"a.b.c", "a.b"},
        {"averyveryverylongname", "averyver"},
        {"D:picture.bmp", "picture.bmp"},
        {"dir\\x.", "x"},
        {"/unix/style/name.bmp", "/unix/st.bmp"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShortFileName(c.name), c.expected) << c.name;
}

TEST(FileInfo, ImageSizeByDepth) {
    struct Case {
        int w, h, bits, size;
    } cases[] = {{10, 3, 1, 3}, {10, 3, 4, 15}, {10, 3, 8, 30}, {10, 3, 16, 60}, {10, 3, 24, 90}, {10, 3, 32, 120}};
    for (const Case& c : cases) EXPECT_EQ(ComputeImageSize(c.w, c.h, c.bits), c.size) << c.bits;
}

TEST(FileInfo, Failures) {
    FileInfoRecord info;
    std::string empty = TestTempPath("info_empty.bin");
    WriteFileBytes(empty, "");
    EXPECT_EQ(K_FileInfo(empty.c_str(), &info), K_ERR_READ);
    std::string text = TestTempPath("info_text.bin");
    WriteFileBytes(text, "this is not a picture of any kind");
    EXPECT_EQ(K_FileInfo(text.c_str(), &info), K_ERR_FORMAT);
    EXPECT_EQ(K_FileInfo(TestTempPath("info_missing.bin").c_str(), &info), K_ERR_OPEN);
    EXPECT_EQ(K_FileInfoMemory("", &info, 0), K_ERR_READ);
    // A 16-bit BMP is not taken by the BMP probe and nothing else knows it.
    std::string sixteen = TestTempPath("info_16.bmp");
    Host(kConvert + " -size 4x4 xc:red BMP3:'" + sixteen + "'");
    std::string bytes = ReadFileBytes(sixteen);
    ASSERT_GT(bytes.size(), 30u);
    bytes[28] = 16;
    EXPECT_EQ(K_FileInfoMemory(bytes.data(), &info, static_cast<int>(bytes.size())), K_ERR_FORMAT);
}

TEST(FileInfo, DefaultsOfABmp) {
    std::string path = TestTempPath("info_defaults.bmp");
    Host(kConvert + " -size 7x5 xc:green -type Palette -colors 2 BMP3:'" + path + "'");
    FileInfoRecord info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_STREQ(info.ShortName, ShortFileName(path.c_str()).c_str());
    EXPECT_EQ(info.FileSize, static_cast<int>(ReadFileBytes(path).size()));
    EXPECT_EQ(info.PageNumber, 1);
    EXPECT_EQ(info.ViewPerspective, 2);
    EXPECT_EQ(info.Extra1, 0);
    EXPECT_EQ(info.Extra2, 0);
    EXPECT_EQ(info.ImageSize, ComputeImageSize(7, 5, info.BitsPerPixel));
    EXPECT_EQ(info.HeaderSize, 40 + 4 * (1 << info.BitsPerPixel));
}

TEST(FileInfo, VersionRecord) {
    VersionRecord v;
    std::memset(&v, 0x77, sizeof v);
    ASSERT_EQ(K_VersionInfo(&v), K_OK);
    for (unsigned char b : v.Reserved) EXPECT_EQ(b, 0);
    EXPECT_EQ(v.Version[0], 1);
    EXPECT_EQ(v.Version[1], 5);
    EXPECT_EQ(v.Version[2], 2);
    EXPECT_EQ(std::strlen(v.BuildDate), 11u);  // "Dec  9 1996"
    EXPECT_EQ(std::strlen(v.BuildTime), 8u);   // "18:13:14"
}

}  // namespace
