// Thumbnail stamps: after the own format's header, or as a JFXX segment.
#include "encode_fixture.h"
#include "jpeg/compressed_header.h"

namespace {

Rgb Solid(int width, int height, unsigned char r, unsigned char g, unsigned char b) {
    Rgb p{width, height, {}};
    for (int i = 0; i < width * height; ++i) p.pixels.insert(p.pixels.end(), {r, g, b});
    return p;
}

TEST(Stamp, JfxxSegmentHoldsRedFirstPixels) {
    BitmapRecord record;
    MakeRecord(Solid(64, 48, 200, 50, 10), &record);
    std::string path = TestTempPath("stamp_jfxx.jpg");
    ASSERT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 1, 50, 20, 10, 24, 0), K_OK);
    std::string bytes = ReadFileBytes(path);
    size_t at = bytes.find("JFXX");
    ASSERT_NE(at, std::string::npos);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    EXPECT_EQ(p[-4], 0xFF);
    EXPECT_EQ(p[-3], 0xE0);
    EXPECT_EQ(p[-2] << 8 | p[-1], 10 + 20 * 10 * 3);
    EXPECT_EQ(p[5], 0x13);
    EXPECT_EQ(p[6], 20);
    EXPECT_EQ(p[7], 10);
    EXPECT_EQ(p[8], 200);  // red, green, blue
    EXPECT_EQ(p[9], 50);
    EXPECT_EQ(p[10], 10);
    HostRun djpeg = RunCaptured("djpeg " + path + " >/dev/null", "stamp_djpeg");
    EXPECT_EQ(djpeg.status, 0);
    EXPECT_EQ(djpeg.err, "");

    // 255 x 255 x 3 bytes pass the segment's 16-bit length: refused, not truncated.
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 1, 50, 255, 255, 24, 0), K_ERR_SIZE);
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 1, 50, 3, 10, 24, 0), K_ERR_SIZE);
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 1, 50, 4, 256, 24, 0), K_ERR_SIZE);
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 1, 50, 4, 4, 16, 0), K_ERR_ARGUMENT);
    // The own format has no such limit.
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 0, 50, 255, 255, 24, 0), K_OK);
    EXPECT_EQ(ReadFileBytes(path)[5], 0x10);
    K_FreeBitmap(&record);
}

TEST(Stamp, OwnFormatStampAfterTheHeader) {
    // An 8-bit palette picture whose left half is colour 1 and right half colour 2.
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    palette[1] = RGBQUAD{10, 20, 30, 0};
    palette[2] = RGBQUAD{200, 100, 50, 0};
    std::vector<unsigned char> indices(32 * 8);
    for (int i = 0; i < 32 * 8; ++i) indices[i] = (i % 32) < 16 ? 1 : 2;
    BitmapRecord record;
    MakeIndexedRecord(32, 8, 8, palette, indices, &record);
    std::string path = TestTempPath("stamp_own.cmp");

    ASSERT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 0, 50, 4, 1, 24, 0), K_OK);
    std::string bytes = ReadFileBytes(path);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    ASSERT_GT(bytes.size(), 24u + 3 + 12);
    EXPECT_EQ(p[5], kFollowsStamp);
    EXPECT_EQ(p[24], 4);
    EXPECT_EQ(p[25], 1);
    EXPECT_EQ(p[26], 24);
    // Blue, green, red of each pixel's colour, left to right.
    const unsigned char expected[12] = {10, 20, 30, 10, 20, 30, 200, 100, 50, 200, 100, 50};
    EXPECT_EQ(std::string(bytes, 27, 12), std::string(reinterpret_cast<const char*>(expected), 12));

    ASSERT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), 0, 50, 4, 1, 8, 0), K_OK);
    bytes = ReadFileBytes(path);
    p = reinterpret_cast<const unsigned char*>(bytes.data());
    EXPECT_EQ(p[26], 8);
    // The palette red first; pixels are indices into it.
    const unsigned char* pal = p + 27;
    const unsigned char* px = pal + 768;
    EXPECT_EQ(pal[3 * px[0]], 30);
    EXPECT_EQ(pal[3 * px[0] + 2], 10);
    EXPECT_EQ(pal[3 * px[3]], 50);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.Width, 32);
    K_FreeBitmap(&record);
}

}  // namespace
