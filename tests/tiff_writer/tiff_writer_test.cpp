// The TIFF writer: every file passes tiffinfo without a warning and reads
// back through libtiff with our pixels; strip layout, appended pages,
// comments and wide images.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tiff/tiff_test_util.h"

namespace {

// A 24-bit picture loaded from an ImageMagick BMP (made once per size).
void LoadPicture(TestBitmap& b, const std::string& size) {
    const std::string path = TestTempPath("tiffw_source_" + size + ".bmp");
    if (ReadFileBytes(path).empty()) Host(kConvert + " " + ImPicture(size) + " BMP3:'" + path + "'");
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 24, 1), K_OK);
}

// What libtiff's tools say of a file we wrote, from one host script:
// tiffinfo -D's warnings and errors (empty when the file is clean), the
// tiffdump listing, and the pixels after tiffcp -c none.
struct PeerView {
    std::string complaints, dump, rgb;
};
PeerView Inspect(const std::string& path) {
    const std::string q = "'" + path + "'";
    const std::string script = "tiffinfo -D " + q + " > /dev/null 2> " + q + ".err; tiffdump " + q + " > " + q +
                               ".dump; tiffcp -c none " + q + " " + q + ".copy.tif && " + kConvert + " " + q +
                               ".copy.tif -depth 8 rgb:" + q + ".rgb";
    PeerView v;
    // The pixels may be missing where ImageMagick refuses a size; tiffinfo
    // and tiffdump always run.
    RunHost(script);
    v.complaints = ReadFileBytes(path + ".err");
    v.dump = ReadFileBytes(path + ".dump");
    v.rgb = ReadFileBytes(path + ".rgb");
    if (v.dump.empty()) v.complaints += "tiffdump failed";
    return v;
}

std::string TiffinfoComplaints(const std::string& path) { return Inspect(path).complaints; }
std::string Tiffdump(const std::string& path) { return Inspect(path).dump; }

struct WriteCase {
    int bits;
    int index;  // 0 uncompressed, 1 LZW
};

class TiffWrites : public ::testing::TestWithParam<WriteCase> {};

TEST_P(TiffWrites, PeersReadOurPixels) {
    const WriteCase c = GetParam();
    TestBitmap source;
    LoadPicture(source, "53x31");
    const std::string path = TestTempPath("tiffw_" + std::to_string(c.bits) + "_" + std::to_string(c.index) + ".tif");
    ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), source.get(), c.bits, c.index), K_OK);
    const PeerView peer = Inspect(path);
    EXPECT_EQ(peer.complaints, "");

    TestBitmap back;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
    const std::string ours = RecordRgb(back.get());
    EXPECT_TRUE(SamePixels(ours, peer.rgb));
    // 16-bit pictures are written as RGB.
    EXPECT_EQ(back->BitsPerPixel, c.bits == 16 ? 24 : c.bits);
    if (c.bits == 24) EXPECT_TRUE(SamePixels(ours, RecordRgb(source.get())));

    const std::string& dump = peer.dump;
    EXPECT_NE(dump.find("StripByteCounts (279)"), std::string::npos) << dump;
    EXPECT_NE(dump.find(c.index == 1 ? "Compression (259) SHORT (3) 1<5>" : "Compression (259) SHORT (3) 1<1>"),
              std::string::npos);
    if (c.bits == 4) {
        EXPECT_NE(dump.find("Photometric (262) SHORT (3) 1<3>"), std::string::npos) << dump;
        EXPECT_NE(dump.find("Colormap (320) SHORT (3) 48<"), std::string::npos) << dump;
    }
    if (c.bits == 8) EXPECT_NE(dump.find("Colormap (320) SHORT (3) 768<"), std::string::npos) << dump;
}

INSTANTIATE_TEST_SUITE_P(Depths, TiffWrites,
                         ::testing::Values(WriteCase{1, 0}, WriteCase{4, 0}, WriteCase{8, 0}, WriteCase{16, 0},
                                           WriteCase{24, 0}, WriteCase{1, 1}, WriteCase{4, 1}, WriteCase{8, 1},
                                           WriteCase{16, 1}, WriteCase{24, 1}),
                         [](const auto& info) {
                             return std::string(info.param.index ? "lzw_" : "none_") + std::to_string(info.param.bits);
                         });

// A grey 8-bit record of a size, filled with a pattern.
void GreyRecord(TestBitmap& b, int width, int height) {
    ASSERT_EQ(K_InitBitmap(b.get(), width, height, 8), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b.get(), K_STORAGE_ANY), K_OK);
    RGBQUAD grey[256];
    for (int i = 0; i < 256; ++i) grey[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    K_PutBitmapColors(b.get(), 0, 256, grey);
    std::string row(b->BytesPerLine, '\0');
    K_AccessBitmap(b.get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[x] = static_cast<char>((x * 7 + y * 3) & 0xFF);
        K_PutBitmapRow(b.get(), reinterpret_cast<unsigned char*>(row.data()), y, b->BytesPerLine);
    }
    K_ReleaseBitmap(b.get());
}

TEST(TiffWriter, StripsOfAbout8KBAndOneRowStripsForSmallPictures) {
    struct Case {
        int height;
        const char* rows;
        const char* counts;
    } cases[] = {
        {50, "RowsPerStrip (278) SHORT (3) 1<1>", "StripByteCounts (279) LONG (4) 50<100 100"},
        {200, "RowsPerStrip (278) SHORT (3) 1<81>", "StripByteCounts (279) LONG (4) 3<8100 8100 3800>"},
    };
    for (const Case& c : cases) {
        TestBitmap b;
        GreyRecord(b, 100, c.height);
        const std::string path = TestTempPath("tiffw_strips_" + std::to_string(c.height) + ".tif");
        ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), b.get(), 8, 0), K_OK);
        const std::string dump = Tiffdump(path);
        EXPECT_NE(dump.find(c.rows), std::string::npos) << dump;
        EXPECT_NE(dump.find(c.counts), std::string::npos) << dump;
        EXPECT_EQ(TiffinfoComplaints(path), "");
    }
}

TEST(TiffWriter, WidthsAboveShortRangeAreWrittenAsLong) {
    TestBitmap b;
    ASSERT_EQ(K_InitBitmap(b.get(), 70000, 2, 1), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b.get(), K_STORAGE_ANY), K_OK);
    const std::string path = TestTempPath("tiffw_wide.tif");
    ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), b.get(), 1, 1), K_OK);
    EXPECT_NE(Tiffdump(path).find("ImageWidth (256) LONG (4) 1<70000>"), std::string::npos);
    EXPECT_EQ(TiffinfoComplaints(path), "");
}

TEST(TiffWriter, SubfileTypeFollowsTheFlags) {
    OptionBlock saved = CurrentOptions();
    OptionBlock b = saved;
    TestBitmap picture;
    GreyRecord(picture, 20, 10);
    const std::string path = TestTempPath("tiffw_subfile.tif");
    for (int flags : {0, 2}) {
        b.TiffFlags = flags;
        K_SetTIFFOption(&b);
        ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), picture.get(), 8, 0), K_OK);
        const std::string dump = Tiffdump(path);
        EXPECT_EQ(dump.find("(255) SHORT (3) 1<1>") != std::string::npos, flags == 0) << dump;
    }
    K_SetTIFFOption(&saved);
}

TEST(TiffWriter, CommentsAreWrittenAndReadBack) {
    TestBitmap picture;
    GreyRecord(picture, 20, 10);
    ASSERT_EQ(K_SetComment(3, "A doll in a red coat", 20), 20);
    ASSERT_EQ(K_SetComment(0, "Ann", 3), 3);      // fits in the entry itself
    ASSERT_EQ(K_SetComment(9, "volkg\0", 6), 6);  // already ends in a zero byte
    const std::string path = TestTempPath("tiffw_comments.tif");
    ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), picture.get(), 8, 1), K_OK);
    K_SetComment(3, nullptr, 0);
    K_SetComment(0, nullptr, 0);
    K_SetComment(9, nullptr, 0);
    EXPECT_EQ(TiffinfoComplaints(path), "");
    const std::string info = path + ".info";
    Host("tiffinfo '" + path + "' > '" + info + "'");
    const std::string text = ReadFileBytes(info);
    EXPECT_NE(text.find("ImageDescription: A doll in a red coat"), std::string::npos) << text;
    EXPECT_NE(text.find("Artist: Ann"), std::string::npos) << text;
    EXPECT_NE(text.find("Software: volkg"), std::string::npos) << text;

    char buffer[64] = {};
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 3, buffer, sizeof buffer), 21);
    EXPECT_STREQ(buffer, "A doll in a red coat");
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 0, buffer, 2), 4);
    EXPECT_STREQ(buffer, "An");
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 9, nullptr, 0), 6);
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 4, buffer, sizeof buffer), 0);
    EXPECT_EQ(K_ReadFileComment(path.c_str(), 10, buffer, sizeof buffer), K_ERR_ARGUMENT);
}

TEST(TiffWriter, PagesAreAppendedInTheFilesByteOrder) {
    TestBitmap first, second;
    LoadPicture(first, "29x17");
    GreyRecord(second, 40, 12);
    for (const char* order : {"", "-B"}) {
        const std::string path =
            MakeTiff(std::string("tiffw_append") + order + ".tif", "31x19", "", std::string("-c lzw ") + order);
        ASSERT_EQ(K_SaveMultiTIFBitmap(path.c_str(), first.get(), 24, 1), K_OK);
        {
            PageOption page(3);
            ASSERT_EQ(K_SaveTIFBitmap(path.c_str(), second.get(), 8, 0), K_OK);
        }
        EXPECT_EQ(TiffinfoComplaints(path), "");
        const std::string dump = Tiffdump(path);
        EXPECT_NE(dump.find("Directory 2:"), std::string::npos) << dump;
        EXPECT_EQ(dump.find("Directory 3:"), std::string::npos) << dump;
        for (int page : {2, 3}) {
            PageOption option(page);
            FileInfoRecord info{};
            ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
            EXPECT_EQ(info.PageNumber, page);
            TestBitmap back;
            ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
            EXPECT_TRUE(SamePixels(RecordRgb(back.get()), RecordRgb(page == 2 ? first.get() : second.get())));
            // libtiff reads the same page.
            const std::string one = path + ".page.tif";
            Host("tiffcp -c none '" + path + "," + std::to_string(page - 1) + "' '" + one + "'");
            EXPECT_TRUE(SamePixels(RecordRgb(back.get()), HostRgb(one)));
        }
        // A page number beyond the last reads the last page.
        PageOption option(9);
        FileInfoRecord info{};
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.PageNumber, 3);
    }
}

TEST(TiffWriter, AppendingToAChainThatLoopsIsRefused) {
    TestBitmap picture;
    GreyRecord(picture, 20, 10);
    const std::string path = MakeTiff("tiffw_loop.tif", "20x10", "", "-c none");
    std::string bytes = ReadFileBytes(path);
    const size_t dir = Le32At(bytes, 4);
    // The only directory names itself as the next one.
    PutLe32At(bytes, dir + 2 + 12 * Le16At(bytes, dir), static_cast<unsigned>(dir));
    WriteFileBytes(path, bytes);
    EXPECT_EQ(K_SaveMultiTIFBitmap(path.c_str(), picture.get(), 8, 0), K_ERR_FORMAT);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    // Not a TIFF at all: left alone as well.
    const std::string other = TestTempPath("tiffw_not_tiff.tif");
    WriteFileBytes(other, "just some text, no picture");
    EXPECT_EQ(K_SaveMultiTIFBitmap(other.c_str(), picture.get(), 8, 0), K_ERR_FORMAT);
}

TEST(TiffWriter, IndexesAndDepthsOutsideTheTableAreRefused) {
    TestBitmap picture;
    GreyRecord(picture, 20, 10);
    const std::string path = TestTempPath("tiffw_refused.tif");
    EXPECT_EQ(K_SaveTIFBitmap(path.c_str(), picture.get(), 8, 6), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SaveMultiTIFBitmap(path.c_str(), picture.get(), 8, -1), K_ERR_ARGUMENT);
    EXPECT_EQ(K_SaveFile(path.c_str(), picture.get(), 3, 32, 0, 0, nullptr, nullptr), K_ERR_BITS);
    // The 1-bit coded variants need 1 bit per pixel.
    EXPECT_EQ(K_SaveTIFBitmap(path.c_str(), picture.get(), 8, 5), K_ERR_BITS);
}

}  // namespace
