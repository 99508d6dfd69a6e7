// Bad input, bad calls and the other entry routes of the bilevel format:
// every damaged or cut file ends with a code, never a hang or a write past
// a row; K_LoadFile and K_FileInfo see format 26 files as 1-bit pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>
#include <string>

#include "bilevel_fixture.h"
#include "fax/bilevel_codec.h"

namespace {

int Load(const std::string& path, BitPicture* out = nullptr) {
    RecordGuard record;
    K_InitBitmap(record.get(), 0, 0, 0);
    const int r = K_DecompressBitmap1Bit(path.c_str(), record.get());
    if (r == 1 && out) *out = RecordBits(record.get());
    return r;
}

// A file of the given size and sub-type whose body is the given bytes.
std::string HandFile(int width, int height, const std::string& body, int subType = 0) {
    const std::string path = TestTempPath("hand.kora");
    EXPECT_EQ(SaveBilevel(path, FilledBits(width, height, true), subType), 1);
    WriteFileBytes(path, ReadFileBytes(path).substr(0, 24) + body);
    return path;
}

TEST(BilevelFaults, DamagedBodies) {
    struct Case {
        const char* what;
        int width, height;
        std::string body;
        int expected;
    } cases[] = {
        // Pair (repeat, V0) and a repeat count of 0: stands for no V0 at all.
        {"repeat count 0", 1, 3, std::string("\xEC\x48\x00\x00", 4), K_ERR_FORMAT},
        // Pair 0x4C: a second mode of 12.
        {"mode 12", 4, 2, std::string("\xD0\xC0\x00", 3), K_ERR_FORMAT},
        // A new pair with nibbles 12 and 0: symbol 192, past the pair symbols.
        {"pair symbol 192", 4, 2, std::string("\xF0\x00\x00", 3), K_ERR_FORMAT},
        // Pair (horizontal, V0) whose first run (5) passes a 1-pixel row.
        {"run past the row", 1, 2, std::string("\xE4\x48\xB0\x00", 4), K_ERR_FORMAT},
        // The body ends before the picture does.
        {"no body", 8, 4, "", K_ERR_READ},
        {"a pair then nothing", 30, 30, std::string("\xD1", 1), K_ERR_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(HandFile(c.width, c.height, c.body)), c.expected);
    }
}

TEST(BilevelFaults, EndSymbolEndsThePictureInTheStartColour) {
    // Bit 0 at the root of the first pair model is the end leaf.
    BitPicture back;
    ASSERT_EQ(Load(HandFile(13, 5, std::string("\x00", 1)), &back), 1);
    EXPECT_TRUE(back == FilledBits(13, 5, true));
}

TEST(BilevelFaults, CutAndRandomFilesEndWithACode) {
    const std::string good = TestTempPath("good.kora");
    const BitPicture page = TextPage(300, 61);
    ASSERT_EQ(SaveBilevel(good, page, 2), 1);
    const std::string file = ReadFileBytes(good);
    const std::string path = TestTempPath("cut.kora");
    for (size_t length : {size_t(24), size_t(25), file.size() / 3, file.size() / 2, file.size() - 3}) {
        SCOPED_TRACE(length);
        WriteFileBytes(path, file.substr(0, length));
        EXPECT_EQ(Load(path), K_ERR_READ);
    }
    // Bytes at random after a good header: any answer but a crash or a hang.
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i) {
        std::string body(1 + random() % 300, '\0');
        for (char& b : body) b = static_cast<char>(random());
        WriteFileBytes(path, file.substr(0, 24) + body);
        const int r = Load(path);
        EXPECT_TRUE(r == 1 || r == K_ERR_READ || r == K_ERR_FORMAT) << r;
    }
}

TEST(BilevelFaults, CallsAndRecords) {
    const std::string path = TestTempPath("calls.kora");
    const BitPicture p = NoiseBits(21, 9, 30, 4);
    // A sub-type outside 0..3 (a JPEG quality, say) is refused, not written.
    std::remove(path.c_str());
    EXPECT_EQ(SaveBilevel(path, p, 75), K_ERR_ARGUMENT);
    EXPECT_TRUE(ReadFileBytes(path).empty());
    ASSERT_EQ(SaveBilevel(path, p, 0), 1);
    // A sub-type in the file outside 0..3.
    std::string file = ReadFileBytes(path);
    const std::string patched = TestTempPath("subtype.kora");
    WriteFileBytes(patched, file.substr(0, 22) + std::string("\x04\x00", 2) + file.substr(24));
    EXPECT_EQ(Load(patched), K_ERR_FORMAT);
    // The reader's open failure is the readers' -10.
    RecordGuard missing;
    K_InitBitmap(missing.get(), 21, 9, 1);
    EXPECT_EQ(CodeBitmap1BitFile(TestTempPath("missing.kora").c_str(), missing.get(), 0, 0, 0, nullptr, nullptr),
              K_ERR_OPEN);
    EXPECT_EQ(K_DecompressBitmap1Bit(TestTempPath("missing.kora").c_str(), missing.get()), K_ERR_FORMAT);

    // An allocated record of the file's size is filled; of another size or
    // depth it is refused, untouched.
    RecordGuard same, other, deeper;
    MakeBitRecord(FilledBits(21, 9, false), same.get());
    ASSERT_EQ(K_DecompressBitmap1Bit(path.c_str(), same.get()), 1);
    EXPECT_TRUE(RecordBits(same.get()) == p);
    MakeBitRecord(FilledBits(20, 9, false), other.get());
    EXPECT_EQ(K_DecompressBitmap1Bit(path.c_str(), other.get()), K_ERR_ARGUMENT);
    EXPECT_TRUE(RecordBits(other.get()) == FilledBits(20, 9, false));
    K_InitBitmap(deeper.get(), 21, 9, 8);
    ASSERT_EQ(K_AllocateBitmap(deeper.get(), K_STORAGE_ANY), 1);
    EXPECT_EQ(K_DecompressBitmap1Bit(path.c_str(), deeper.get()), K_ERR_ARGUMENT);

    // Files of other formats: not 1 bit, or 1 bit but not this format.
    const std::string rgb = TestTempPath("rose.bmp"), mono = TestTempPath("mono.bmp");
    Host(kConvert + " rose: " + rgb);
    Host(kConvert + " rose: -monochrome BMP3:" + mono);
    RecordGuard r1, r2;
    K_InitBitmap(r1.get(), 0, 0, 0);
    K_InitBitmap(r2.get(), 0, 0, 0);
    EXPECT_EQ(K_DecompressBitmap1Bit(rgb.c_str(), r1.get()), K_ERR_BITS);
    EXPECT_EQ(K_DecompressBitmap1Bit(mono.c_str(), r2.get()), K_ERR_FORMAT);
    // A picture wider than the longest run cannot be coded.
    RecordGuard wide;
    K_InitBitmap(wide.get(), 40000, 1, 1);
    ASSERT_EQ(K_AllocateBitmap(wide.get(), K_STORAGE_ANY), 1);
    EXPECT_EQ(K_SaveFile(path.c_str(), wide.get(), 26, 0, 0, 0, nullptr, nullptr), K_ERR_SIZE);
}

TEST(BilevelFaults, FileInfoAndLoadFile) {
    const std::string path = TestTempPath("load.kora");
    const BitPicture p = HostBits(kConvert + " rose: -colorspace gray -threshold 45%");
    // Stored bottom-up with white first: the file says so, the loader keeps it.
    ASSERT_EQ(SaveBilevel(path, p, 0, nullptr, true, K_BOTTOM_UP), 1);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), 1);
    EXPECT_EQ(info.FormatCode, 5);
    EXPECT_EQ(info.BitsPerPixel, 1);
    EXPECT_EQ(info.Width, p.width);
    EXPECT_EQ(info.Height, p.height);
    EXPECT_EQ(info.ViewPerspective, K_BOTTOM_UP);

    RecordGuard one, colour;
    K_InitBitmap(one.get(), 0, 0, 0);
    K_InitBitmap(colour.get(), 0, 0, 0);
    ASSERT_EQ(K_LoadBitmap(path.c_str(), one.get(), 1, 1), 1);
    EXPECT_EQ(one.get()->ViewPerspective, K_BOTTOM_UP);
    EXPECT_TRUE(RecordBits(one.get()) == p);
    RGBQUAD colours[2];
    ASSERT_EQ(K_GetBitmapColors(one.get(), 0, 2, colours), 1);
    EXPECT_EQ(colours[0].rgbRed, 255);
    EXPECT_EQ(colours[1].rgbRed, 0);
    // At 24 bits: a set bit is black (entry 1), a clear one white.
    ASSERT_EQ(K_LoadBitmap(path.c_str(), colour.get(), 24, 1), 1);
    unsigned char pixel[3];
    K_AccessBitmap(colour.get());
    for (int y = 0; y < p.height; y += 7) {
        for (int x = 0; x < p.width; x += 5) {
            std::vector<unsigned char> row(colour.get()->BytesPerLine);
            K_GetBitmapRow(colour.get(), row.data(), y, colour.get()->BytesPerLine);
            std::copy_n(&row[3 * x], 3, pixel);
            const bool set = (p.rows[y * p.RowBytes() + x / 8] >> (7 - x % 8)) & 1;
            ASSERT_EQ(pixel[0], set ? 0 : 255) << x << "," << y;
        }
    }
    K_ReleaseBitmap(colour.get());
}

}  // namespace
