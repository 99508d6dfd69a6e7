// JPEG inside TIFF (compression 6): probed as format 11 and decoded by the
// JPEG decoder, as libtiff decodes the same files; broken directories end
// with a code.
#include <cstring>

#include "jpeg_encode/encode_fixture.h"

namespace {

// The value field of a tag's entry in the first directory of a
// little-endian TIFF (npos when absent).
size_t EntryValueAt(const std::string& tiff, int tag) {
    const auto* p = reinterpret_cast<const unsigned char*>(tiff.data());
    const size_t dir = p[4] | p[5] << 8 | p[6] << 16 | static_cast<size_t>(p[7]) << 24;
    const int count = p[dir] | p[dir + 1] << 8;
    for (int i = 0; i < count; ++i) {
        const size_t e = dir + 2 + 12 * static_cast<size_t>(i);
        if ((p[e] | p[e + 1] << 8) == tag) return e + 8;
    }
    return std::string::npos;
}

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

TEST(TiffJpegRead, OurTilesDecodeAsLibtiffDecodesThem) {
    // 37 x 21 pads the tile to 48 x 32: an MCU column more than the picture needs at 4:4:4.
    const Rgb picture = GradientPicture(37, 21);
    const std::string ppm = WritePpm(picture, "tj_src.ppm");
    const std::string pgmBmp = TestTempPath("tj_grey.bmp");
    Host("ppmtopgm " + ppm + " | ppmtobmp -bpp 8 >" + pgmBmp + " 2>/dev/null");
    struct Case {
        const char* name;
        int format;  // 0: grey, through K_CompressBMP
    };
    for (Case c : {Case{"444", 11}, Case{"420", 22}, Case{"422", 24}, Case{"grey", 0}}) {
        SCOPED_TRACE(c.name);
        const std::string tif = TestTempPath(std::string("tj_") + c.name + ".tif");
        if (c.format)
            ASSERT_EQ(SavePicture(picture, tif, c.format, 10), K_OK);
        else
            ASSERT_EQ(K_CompressBMP(pgmBmp.c_str(), tif.c_str(), 2, 10, 0), K_OK);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(tif.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_TIFF_JPEG);
        EXPECT_EQ(info.Width, 37);
        EXPECT_EQ(info.Height, 21);

        int result = 0;
        const Rgb ours = LoadRgb(tif, &result);
        ASSERT_EQ(result, K_OK);
        const std::string rgba = TestTempPath(std::string("tj_") + c.name + "_rgba.tif");
        Host("tiff2rgba " + tif + " " + rgba + " 2>/dev/null");
        const Rgb libtiff = HostPnm(kConvert + " " + rgba + " -alpha off -depth 8 ppm:-");
        ASSERT_EQ(libtiff.width, 37);
        // The two decoders differ in rounding and chroma upsampling only.
        EXPECT_GT(Psnr(WritePpm(ours, "tj_ours.ppm"), WritePpm(libtiff, "tj_libtiff.ppm"), "tj_psnr"), 38);

        // 8 bits: colour goes to the fixed palette, grey keeps its levels.
        BitmapRecord record{};
        ASSERT_EQ(K_DecompressBitmap(tif.c_str(), &record, 8), K_OK);
        EXPECT_EQ(record.Width, 37);
        K_FreeBitmap(&record);
    }
}

TEST(TiffJpegRead, BrokenDirectoriesEndWithACode) {
    const std::string good = TestTempPath("tj_good.tif");
    ASSERT_EQ(SavePicture(GradientPicture(21, 13), good, 22, 10), K_OK);
    const std::string bytes = ReadFileBytes(good);
    struct Case {
        const char* what;
        int tag;
        std::string value;
    };
    const Case cases[] = {
        {"RGB photometric", 262, Le32(2)},
        {"subsampling 3 x 1", 530, std::string("\x03\x00\x01\x00", 4)},
        {"16-bit samples", 258, std::string("\x10\x00\x10\x00", 4)},  // an offset now: into the header
        {"lossless process", 512, Le32(14)},
        {"tables beyond the file", 519, Le32(0x7FFFFF00)},
        {"Huffman tables beyond the file", 521, Le32(0x10000)},
        {"tile beyond the file", 324, Le32(0x100000)},
        {"tile narrower than the picture", 322, Le32(16)},
        {"planes apart", 284, Le32(2)},
    };
    for (const Case& c : cases) {
        std::string patched = bytes;
        const size_t at = EntryValueAt(patched, c.tag);
        ASSERT_NE(at, std::string::npos) << c.what;
        patched.replace(at, 4, c.value);
        const std::string path = TestTempPath("tj_bad.tif");
        WriteFileBytes(path, patched);
        BitmapRecord record{};
        const int r = K_LoadBitmap(path.c_str(), &record, 24, K_ORDER_BGR);
        EXPECT_LT(r, 0) << c.what;
        K_FreeBitmap(&record);
    }
    // Every prefix of a small file ends with a code, never a crash.
    const std::string small = TestTempPath("tj_small.tif");
    ASSERT_EQ(SavePicture(GradientPicture(9, 5), small, 11, 10), K_OK);
    const std::string whole = ReadFileBytes(small);
    const size_t at = EntryValueAt(whole, 324);
    ASSERT_NE(at, std::string::npos);
    uint32_t tileStart = 0;
    std::memcpy(&tileStart, whole.data() + at, 4);
    const std::string path = TestTempPath("tj_cut.tif");
    for (size_t n = 0; n < whole.size(); ++n) {
        WriteFileBytes(path, whole.substr(0, n));
        BitmapRecord record{};
        const int r = K_LoadBitmap(path.c_str(), &record, 24, K_ORDER_BGR);
        K_FreeBitmap(&record);
        if (n <= tileStart) EXPECT_LT(r, 0) << n;  // after that, missing scan bits read as zeros
    }
}

// Resolutions whose RATIONAL is beyond an int are unknown (0); those that
// fit come through whole.
TEST(TiffJpegRead, ResolutionsBeyondAnIntAreUnknown) {
    const std::string good = TestTempPath("tj_dpi.tif");
    ASSERT_EQ(SavePicture(GradientPicture(21, 13), good, 22, 10), K_OK);
    const std::string bytes = ReadFileBytes(good);
    const struct {
        uint32_t numerator, denominator;
        int resolution;
    } cases[] = {
        {300, 1, 300}, {0x7FFFFFFF, 1, 0x7FFFFFFF}, {3000000000u, 1, 0}, {0xFFFFFFFF, 1, 0}, {2200000000u, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.numerator);
        std::string patched = bytes;
        for (int tag : {282, 283}) {
            const size_t at = EntryValueAt(patched, tag);
            ASSERT_NE(at, std::string::npos);
            uint32_t offset = 0;
            std::memcpy(&offset, patched.data() + at, 4);
            patched.replace(offset, 8, Le32(c.numerator) + Le32(c.denominator));
        }
        const std::string path = TestTempPath("tj_dpi_patched.tif");
        WriteFileBytes(path, patched);
        BitmapRecord record{};
        ASSERT_EQ(K_LoadBitmap(path.c_str(), &record, 24, K_ORDER_BGR), K_OK);
        EXPECT_EQ(record.XResolution, c.resolution);
        EXPECT_EQ(record.YResolution, c.resolution);
        K_FreeBitmap(&record);
    }
}

int KAPI AnyRow(BitmapRecord*, unsigned char*, int, void*) { return 1; }

TEST(TiffJpegRead, UncompressedTiffIsNoCompressedFile) {
    const std::string tif = TestTempPath("tj_plain.tif");
    ASSERT_EQ(SavePicture(GradientPicture(9, 5), tif, K_FORMAT_TIFF, 0), K_OK);
    BitmapRecord record{};
    record.Width = 9;
    record.Height = 5;
    EXPECT_EQ(K_DecompressFile(tif.c_str(), &record, AnyRow, 24, nullptr, 0), K_ERR_FORMAT);
}

}  // namespace
