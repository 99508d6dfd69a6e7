// Headerless fax: the load-info callback and what it may answer; netpbm's
// Group 3 loads with its pixels; what we save is the bare coded page that
// libtiff's fax2tiff and netpbm's g3topbm decode.
#include <gtest/gtest.h>

#include "fax_test_util.h"

namespace {

// What the test's callback answers.
struct Answer {
    int result = K_OK;
    RawFaxInfo info{};
    int calls = 0;
};
Answer g_answer;

int KAPI Describe(int handle, RawFaxInfo* info) {
    ++g_answer.calls;
    *info = g_answer.info;
    return g_answer.result;
}

RawFaxInfo Info(char letter, int width, int height, int flags = K_FAX_TOP_DOWN, int offset = 0) {
    RawFaxInfo i{};
    i.Format = static_cast<unsigned char>(letter);
    i.Width = width;
    i.Height = height;
    i.BitsPerPixel = 1;
    i.XResolution = 204;
    i.YResolution = 196;
    i.DataOffset = offset;
    i.Flags = static_cast<unsigned char>(flags);
    return i;
}

// The callback in place for a test, and none afterwards.
class Callback : public testing::Test {
protected:
    void SetUp() override {
        g_answer = Answer{};
        K_SetLoadInfoCallback(Describe);
    }
    void TearDown() override { K_SetLoadInfoCallback(nullptr); }
};

TEST(RawFaxCallback, SetReturnsThePreviousOne) {
    EXPECT_EQ(K_SetLoadInfoCallback(Describe), nullptr);
    EXPECT_EQ(K_SetLoadInfoCallback(nullptr), Describe);
    EXPECT_EQ(K_SetLoadInfoCallback(nullptr), nullptr);
    // Without one a headerless file is no format at all.
    const std::string path = TestTempPath("nothing.fax");
    WriteFileBytes(path, std::string(100, '\x5b'));
    FileInfoRecord info;
    EXPECT_EQ(K_FileInfo(path.c_str(), &info), K_ERR_FORMAT);
}

TEST_F(Callback, NetpbmGroup3LoadsWithItsPixels) {
    const Bits picture = PatternBits(250, 64);
    for (bool msbFirst : {false, true}) {
        const std::string path = TestTempPath("peer.g3");
        // Some leading bytes the application tells us to pass over.
        WriteFileBytes(path, "HEAD" + PeerG3(picture, "peer", msbFirst));
        g_answer.info = Info('B', 250, 64, K_FAX_TOP_DOWN | (msbFirst ? 0 : K_FAX_REVERSED), 4);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 66);
        EXPECT_STREQ(info.Compression, "CCITT Group 3 Fax");
        EXPECT_EQ(info.Width, 250);
        EXPECT_EQ(info.XResolution, 204);
        EXPECT_EQ(info.ViewPerspective, K_TOP_DOWN);
        RecordGuard r;
        ASSERT_EQ(LoadInto(path, r.get()), K_OK);
        EXPECT_TRUE(SameBits(RecordBits(r.get()), picture)) << msbFirst;
    }
}

TEST_F(Callback, SavedPagesReadBackAndDecodeInThePeers) {
    const Bits picture = PatternBits(213, 50);
    struct Case {
        int format;
        char letter;
        const char* fax2tiff;
    } cases[] = {{66, 'B', "-3 -1 -M"}, {67, 'C', "-3 -2 -M"}, {68, 'D', "-4 -M"}};
    for (const Case& c : cases) {
        RecordGuard src;
        MakeBitsRecord(picture, src.get(), c.format == 67, c.format == 68 ? K_BOTTOM_UP : K_TOP_DOWN);
        const std::string path = TestTempPath("saved.fax");
        ASSERT_EQ(K_SaveBitmap(path.c_str(), src.get(), c.format, 1, 0), K_OK);
        const std::string data = ReadFileBytes(path);
        EXPECT_TRUE(SameBits(Fax2TiffBits(data, 213, 50, c.fax2tiff, "saved"), picture)) << c.format;
        g_answer.info = Info(c.letter, 213, 50);
        RecordGuard back;
        ASSERT_EQ(LoadInto(path, back.get()), K_OK);
        EXPECT_TRUE(SameBits(RecordBits(back.get()), picture)) << c.format;
        EXPECT_EQ(back.get()->FormatCode, c.format);
    }
    // Group 3 one-dimensional with byte-aligned EOLs, as netpbm reads it.
    RecordGuard src;
    MakeBitsRecord(picture, src.get());
    const std::string path = TestTempPath("netpbm.g3"), out = TestTempPath("netpbm.pbm");
    ASSERT_EQ(K_SaveBitmap(path.c_str(), src.get(), 66, 1, 0), K_OK);
    const std::string data = ReadFileBytes(path);
    EXPECT_EQ(data.substr(0, 2), std::string("\0\x01", 2));
    Host("g3topbm '" + path + "' > '" + out + "'");
    Bits peer = PbmBits(ReadFileBytes(out));
    EXPECT_TRUE(SameBits(peer, picture));
}

TEST_F(Callback, BottomUpPagesAndBlackColourZero) {
    // Flags bit 0 clear: the first decoded row is the bottom of the picture.
    const Bits picture = PatternBits(64, 30);
    const std::string path = TestTempPath("flags.g4");
    WriteFileBytes(path, PeerG4(picture, "flags"));
    g_answer.info = Info('D', 64, 30, K_FAX_BLACK_ZERO);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 68);
    EXPECT_EQ(info.ViewPerspective, K_BOTTOM_UP);
    RecordGuard r;
    ASSERT_EQ(LoadInto(path, r.get()), K_OK);
    Bits upsideDownInverted = BlankBits(64, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 64; ++x)
            if (!picture.Black(x, 29 - y)) upsideDownInverted.Set(x, y);
    EXPECT_TRUE(SameBits(RecordBits(r.get()), upsideDownInverted));
}

TEST_F(Callback, AnswersThatStopTheProbeAndTheLoad) {
    const std::string path = TestTempPath("answers.g4");
    WriteFileBytes(path, PeerG4(PatternBits(64, 30), "answers"));
    struct Case {
        const char* what;
        int result;
        RawFaxInfo info;
        int expected;
    } cases[] = {
        {"refused with 0", 0, Info('D', 64, 30), 0},
        {"refused with a code", -123, Info('D', 64, 30), -123},
        {"letter E", K_OK, Info('E', 64, 30), K_ERR_FORMAT},
        {"no width", K_OK, Info('D', 0, 30), K_ERR_FORMAT},
        {"negative height", K_OK, Info('D', 64, -30), K_ERR_FORMAT},
        {"wider than the coder", K_OK, Info('D', 40000, 30), K_ERR_FORMAT},
        {"8 bits a pixel", K_OK,
         [] {
             RawFaxInfo i = Info('D', 64, 30);
             i.BitsPerPixel = 8;
             return i;
         }(),
         K_ERR_FORMAT},
        {"negative offset", K_OK, Info('D', 64, 30, 1, -5), K_ERR_FORMAT},
        {"rows beyond storage", K_OK, Info('D', 20000, 0x7FFFFFF), K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        g_answer.result = c.result;
        g_answer.info = c.info;
        FileInfoRecord info;
        EXPECT_EQ(K_FileInfo(path.c_str(), &info), c.expected) << c.what;
        RecordGuard r;
        EXPECT_EQ(K_LoadBitmap(path.c_str(), r.get(), 0, 1), c.expected) << c.what;
        EXPECT_FALSE(r.get()->Flags & K_ALLOCATED);
    }
    // Data that ends inside a row: the decoder's code.
    g_answer = Answer{};
    g_answer.info = Info('D', 64, 30);
    WriteFileBytes(path, PeerG4(PatternBits(64, 30), "answers").substr(0, 40));
    RecordGuard r;
    EXPECT_EQ(K_LoadBitmap(path.c_str(), r.get(), 0, 1), -73);
}

}  // namespace
