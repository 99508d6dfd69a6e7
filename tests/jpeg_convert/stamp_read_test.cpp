// K_GetCompressFileStamp: the stamps K_CompressBitmapWithStamp writes come
// back blue first and top row first; files without a stamp of ours, or
// with a broken one, end with a code.
#include "jpeg_encode/encode_fixture.h"

namespace {

// Top half red, bottom half blue.
Rgb TwoHalves(int width, int height) {
    Rgb p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.insert(p.pixels.end(), {static_cast<unsigned char>(y < height / 2 ? 220 : 0), 30,
                                             static_cast<unsigned char>(y < height / 2 ? 0 : 200)});
    return p;
}

std::string StampedFile(const std::string& name, int variant, int bits) {
    BitmapRecord record;
    MakeRecord(TwoHalves(64, 48), &record);
    std::string path = TestTempPath(name);
    EXPECT_EQ(K_CompressBitmapWithStamp(&record, path.c_str(), variant, 10, 16, 12, bits, 0), K_OK);
    K_FreeBitmap(&record);
    return path;
}

TEST(StampRead, OwnFormatAndJfxxStampsComeBackUpright) {
    struct Case {
        int variant, bits;
    };
    for (Case c : {Case{0, 24}, Case{1, 24}, Case{0, 8}, Case{1, 8}}) {
        SCOPED_TRACE(c.variant * 100 + c.bits);
        std::string path =
            StampedFile("stamp_read_" + std::to_string(c.variant) + "_" + std::to_string(c.bits), c.variant, c.bits);
        RecordGuard stamp;
        ASSERT_EQ(K_GetCompressFileStamp(path.c_str(), stamp.get()), K_OK);
        BitmapRecord* s = stamp.get();
        EXPECT_EQ(s->Width, 16);
        EXPECT_EQ(s->Height, 12);
        EXPECT_EQ(s->BitsPerPixel, c.bits);
        EXPECT_EQ(s->ViewPerspective, K_TOP_DOWN);
        EXPECT_EQ(s->ColorOrder, K_ORDER_BGR);
        if (c.bits == 8) EXPECT_EQ(s->Colors, 256);
        Rgb pixels = RecordPixels24(s);
        ASSERT_EQ(pixels.pixels.size(), 16u * 12 * 3);
        // Row 1 is red, row 10 blue (an 8-bit stamp holds the nearest palette colours).
        const unsigned char* top = &pixels.pixels[(1 * 16 + 5) * 3];
        const unsigned char* bottom = &pixels.pixels[(10 * 16 + 5) * 3];
        EXPECT_NEAR(top[0], 220, 20);
        EXPECT_NEAR(top[2], 0, 20);
        EXPECT_NEAR(bottom[0], 0, 20);
        EXPECT_NEAR(bottom[2], 200, 20);
    }
}

TEST(StampRead, ExiftoolSeesTheJfxxSegment) {
    std::string path = StampedFile("stamp_exif.jpg", 1, 24);
    // exiftool hands out extension code 0x13's pixels as a small TIFF.
    std::string tiff = TestTempPath("stamp_exif.tif");
    Host("exiftool -b -ThumbnailTIFF " + path + " >" + tiff);
    Rgb peer = HostPnm("tifftopnm " + tiff + " 2>/dev/null");
    ASSERT_EQ(peer.width, 16);
    ASSERT_EQ(peer.height, 12);
    EXPECT_NEAR(peer.pixels[(16 + 3) * 3], 220, 20);  // row 1 red
    // The same pixels come back from the library.
    RecordGuard stamp;
    ASSERT_EQ(K_GetCompressFileStamp(path.c_str(), stamp.get()), K_OK);
    EXPECT_EQ(RecordPixels24(stamp.get()), peer);
}

TEST(StampRead, FilesWithoutAReadableStamp) {
    const std::string own = StampedFile("stamp_bad_own", 0, 24), jfif = StampedFile("stamp_bad.jpg", 1, 24);
    const std::string ownBytes = ReadFileBytes(own), jfifBytes = ReadFileBytes(jfif);
    const size_t jfxx = jfifBytes.find("JFXX") - 4;  // the segment's FF E0
    Rgb plain = TwoHalves(32, 16);
    const std::string noStampOwn = TestTempPath("stamp_none.cmp"), noStampJfif = TestTempPath("stamp_none.jpg"),
                      tiff = TestTempPath("stamp_none.tif"), bmp = TestTempPath("stamp_none.bmp");
    ASSERT_EQ(SavePicture(plain, noStampOwn, K_FORMAT_COMPRESSED, 10), K_OK);
    ASSERT_EQ(SavePicture(plain, noStampJfif, K_FORMAT_JPEG, 10), K_OK);
    ASSERT_EQ(SavePicture(plain, tiff, K_FORMAT_TIFF_JPEG, 10), K_OK);
    ASSERT_EQ(SavePicture(plain, bmp, K_FORMAT_BMP, 0), K_OK);

    struct Case {
        const char* what;
        std::string bytes;  // empty: the file as saved
        std::string path;
        int expected;
    };
    auto patched = [](std::string bytes, size_t at, const std::string& with) {
        return bytes.replace(at, with.size(), with);
    };
    const Case cases[] = {
        {"own format without a stamp", "", noStampOwn, -65},
        {"JFIF without JFXX", "", noStampJfif, -65},
        {"JPEG inside TIFF", "", tiff, -65},
        {"not compressed", "", bmp, K_ERR_FORMAT},
        {"JPEG-coded JFXX thumbnail", patched(jfifBytes, jfxx + 9, "\x10"), "stamp_p1.jpg", -65},
        {"JFXX of width 0", patched(jfifBytes, jfxx + 10, std::string(1, '\0')), "stamp_p2.jpg", -65},
        {"own stamp cut short", ownBytes.substr(0, 24 + 3 + 100), "stamp_p3.cmp", K_ERR_READ},
        {"own stamp of 16 bits", patched(ownBytes, 26, "\x10"), "stamp_p4.cmp", K_ERR_FORMAT},
        // Cut before its frame header: no JPEG file at all.
        {"JFXX data cut short", jfifBytes.substr(0, jfxx + 12 + 50), "stamp_p5.jpg", K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        if (!c.bytes.empty()) {
            path = TestTempPath(c.path);
            WriteFileBytes(path, c.bytes);
        }
        BitmapRecord record{};
        EXPECT_EQ(K_GetCompressFileStamp(path.c_str(), &record), c.expected) << c.what;
        EXPECT_FALSE(record.Flags & K_ALLOCATED) << c.what;
    }

    // "CSI " files are the own format too.
    const std::string csi = TestTempPath("stamp_csi.cmp");
    WriteFileBytes(csi, patched(ownBytes, 0, "CSI "));
    RecordGuard stamp;
    EXPECT_EQ(K_GetCompressFileStamp(csi.c_str(), stamp.get()), K_OK);
    EXPECT_EQ(stamp.get()->Width, 16);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(csi.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, K_FORMAT_COMPRESSED);
}

}  // namespace
