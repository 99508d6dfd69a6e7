// BMP against the real thing: files written by ImageMagick and netpbm load
// here with the same pixels (through a file, a memory block and an offset
// window), and our files read back the same in bmptopnm and ImageMagick.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "core/palette.h"
#include "core/file_access.h"
#include "io_test_util.h"

namespace {

struct Fixture {
    const char* name;
    std::string command;  // %s: the output path
    int code;
    int bits;
    const char* compression;
};

std::string Make(const Fixture& f) {
    std::string path = TestTempPath(std::string("bmp_") + f.name + ".bmp");
    std::string cmd = f.command;
    cmd.replace(cmd.find("%s"), 2, "'" + path + "'");
    EXPECT_EQ(RunHost(cmd), 0) << cmd;
    return path;
}

std::string Im(const std::string& args, const std::string& out) {
    return kConvert + " " + ImPicture("37x23") + " " + args + " " + out;
}

const Fixture kFixtures[] = {
    {"im_bmp3_24", Im("", "BMP3:%s"), 6, 24, "None"},
    {"im_bmp3_8", Im("-colors 200 -type Palette -compress None", "BMP3:%s"), 6, 8, "None"},
    {"im_bmp3_4", Im("-colors 12 -type Palette", "BMP3:%s"), 6, 4, "None"},
    {"im_bmp3_1", Im("-colors 2 -type Palette", "BMP3:%s"), 6, 1, "None"},
    {"im_rle8", Im("-colors 40 -type Palette -compress RLE", "BMP3:%s"), 6, 8, "Run Length"},
    {"im_os2_8", Im("-colors 200 -type Palette", "BMP2:%s"), 14, 8, "None"},
    {"im_os2_24", Im("", "BMP2:%s"), 14, 24, "None"},
    // ImageMagick's default: the 124-byte header.
    {"im_v5_24", Im("", "%s"), 74, 24, "None"},
    {"im_v5_8", Im("-colors 40 -type Palette -compress None", "%s"), 74, 8, "None"},
    {"im_v5_rle8", Im("-colors 40 -type Palette", "%s"), 74, 8, "Run Length"},
    {"im_v5_4", Im("-colors 9 -type Palette", "%s"), 74, 4, "None"},
    {"pbm_win_24", kConvert + " " + ImPicture("37x23") + " ppm:- | ppmtobmp -windows > %s 2>/dev/null", 6, 24, "None"},
    {"pbm_os2_24", kConvert + " " + ImPicture("37x23") + " ppm:- | ppmtobmp -os2 > %s 2>/dev/null", 14, 24, "None"},
    {"pbm_win_8",
     kConvert + " " + ImPicture("37x23") + " -colors 100 ppm:- | ppmtobmp -windows -bpp 8 > %s 2>/dev/null", 6, 8,
     "None"},
    {"pbm_os2_4", kConvert + " " + ImPicture("37x23") + " -colors 14 ppm:- | ppmtobmp -os2 -bpp 4 > %s 2>/dev/null", 14,
     4, "None"},
    {"pbm_win_1",
     kConvert + " " + ImPicture("37x23") + " -monochrome ppm:- | ppmtobmp -windows -bpp 1 > %s 2>/dev/null", 6, 1,
     "None"},
};

class BmpPeers : public ::testing::TestWithParam<Fixture> {};

TEST_P(BmpPeers, SamePixelsThroughFileMemoryAndOffset) {
    const Fixture& f = GetParam();
    std::string path = Make(f);
    std::string expected = HostRgb(path);
    ASSERT_EQ(expected.size(), 37u * 23 * 3);

    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, f.code);
    EXPECT_EQ(info.Width, 37);
    EXPECT_EQ(info.Height, 23);
    EXPECT_EQ(info.BitsPerPixel, f.bits);
    EXPECT_STREQ(info.Compression, f.compression);
    EXPECT_EQ(info.ColorOrder, f.bits == 24 ? 1 : 0);

    std::string bytes = ReadFileBytes(path);
    FileInfoRecord memoryInfo{};
    ASSERT_EQ(K_FileInfoMemory(bytes.data(), &memoryInfo, static_cast<int>(bytes.size())), K_OK);
    // Everything but the short name agrees.
    EXPECT_EQ(std::memcmp(&info.Width, &memoryInfo.Width, sizeof info - offsetof(FileInfoRecord, Width)), 0);
    EXPECT_EQ(memoryInfo.FileSize, static_cast<int>(bytes.size()));

    TestBitmap fromFile, fromMemory, fromOffset;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), fromFile.get(), 0, 1), K_OK);
    EXPECT_EQ(fromFile->BitsPerPixel, f.bits);
    EXPECT_EQ(fromFile->FormatCode, 6);
    EXPECT_TRUE(SamePixels(RecordRgb(fromFile.get()), expected));

    ASSERT_EQ(K_LoadBitmapMemory(bytes.data(), fromMemory.get(), 0, 1, static_cast<int>(bytes.size())), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(fromMemory.get()), expected));

    // The file sits at byte 333 of a bigger one, with other bytes after it.
    std::string outer = TestTempPath(std::string("bmp_") + f.name + ".outer");
    WriteFileBytes(outer, std::string(333, 'x') + bytes + std::string(100, 'y'));
    int handle = DefaultOpen(outer.c_str(), 0x8000, 0x100);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(
        K_LoadFileOffset(handle, 333, static_cast<int>(bytes.size()), fromOffset.get(), 0, 1, 3, nullptr, nullptr),
        K_OK);
    DefaultClose(handle);
    EXPECT_TRUE(SamePixels(RecordRgb(fromOffset.get()), expected));
}

INSTANTIATE_TEST_SUITE_P(Files, BmpPeers, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

// Little-endian helpers for hand-made files.
void Put16(std::string& s, size_t at, unsigned v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, size_t at, unsigned v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}
unsigned Get32(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
           static_cast<unsigned char>(s[at + 2]) << 16 |
           static_cast<unsigned>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// A Windows BMP at 4 or 8 bits with a grey palette of `colors` entries and
// the given (already encoded) pixel data.
std::string HandMade(int width, int height, int bits, int compression, int colors, const std::string& data) {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 14, 40);
    Put32(s, 18, width);
    Put32(s, 22, height);
    Put16(s, 26, 1);
    Put16(s, 28, bits);
    Put32(s, 30, compression);
    Put32(s, 34, static_cast<unsigned>(data.size()));
    Put32(s, 46, colors);
    for (int i = 0; i < colors; ++i) {
        char v = static_cast<char>(i * 255 / (colors - 1));
        s += std::string{v, v, v, 0};
    }
    Put32(s, 10, static_cast<unsigned>(s.size()));
    s += data + std::string(2, '\0');  // ImageMagick wants bytes after the end of bitmap
    Put32(s, 2, static_cast<unsigned>(s.size()));
    return s;
}

TEST(Bmp, RunLengthFilesDecodeAsImageMagickDoes) {
    // RLE8: runs, a literal of odd length (padded), a delta that skips
    // three rows, end of bitmap.
    std::string rle8 = std::string("\x03\x05", 2) + std::string("\x00\x03\x01\x02\x03\x00", 6) +
                       std::string("\x00\x00", 2) + std::string("\x00\x02\x02\x03", 4) + std::string("\x02\x07", 2) +
                       std::string("\x00\x00", 2) + std::string("\x08\x02", 2) + std::string("\x00\x01", 2);
    // RLE4: alternating nibbles, a literal of 5 nibbles (3 bytes, padded).
    std::string rle4 = std::string("\x07\x1e", 2) + std::string("\x00\x05\x12\x34\x50\x00", 6) +
                       std::string("\x00\x00", 2) + std::string("\x0c\xf0", 2) + std::string("\x00\x01", 2);
    struct Case {
        const char* name;
        std::string file;
    } cases[] = {{"rle8", HandMade(9, 6, 8, 1, 16, rle8)}, {"rle4", HandMade(12, 3, 4, 2, 16, rle4)}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath(std::string("bmp_hand_") + c.name + ".bmp");
        WriteFileBytes(path, c.file);
        TestBitmap b;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
        EXPECT_TRUE(SamePixels(RecordRgb(b.get()), HostRgb(path)));
    }
    // The delta's three skipped rows (file rows 2..4 from the bottom,
    // i.e. top rows 1..3) come out zero, and so does the rest of row 1.
    std::string path = TestTempPath("bmp_hand_rle8.bmp");
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
    unsigned char row[16];
    K_AccessBitmap(b.get());
    for (int storageRow = 1; storageRow <= 4; ++storageRow) {
        ASSERT_GT(K_GetBitmapRow(b.get(), row, storageRow, b->BytesPerLine), 0);
        int expectNonZero = storageRow == 4 ? 1 : 0;  // the run of 2 after the delta lands in row 4 at x 2
        int nonZero = 0;
        for (int x = 0; x < 9; ++x) nonZero += row[x] != 0;
        EXPECT_EQ(nonZero > 0, expectNonZero == 1) << storageRow;
    }
    K_ReleaseBitmap(b.get());
}

TEST(Bmp, TopDownFilesLoadTheRightWayUp) {
    std::string bottomUp = TestTempPath("bmp_bottom_up.bmp");
    Host(kConvert + " " + ImPicture("37x23") + " BMP3:'" + bottomUp + "'");
    std::string s = ReadFileBytes(bottomUp);
    // Negate the height and reverse the rows.
    unsigned offset = Get32(s, 10);
    int rowBytes = (37 * 3 + 3) / 4 * 4;
    std::string flipped = s.substr(0, offset);
    for (int y = 22; y >= 0; --y) flipped += s.substr(offset + static_cast<size_t>(y) * rowBytes, rowBytes);
    Put32(flipped, 22, static_cast<unsigned>(-23));
    std::string topDown = TestTempPath("bmp_top_down.bmp");
    WriteFileBytes(topDown, flipped);

    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(topDown.c_str(), &info), K_OK);
    EXPECT_EQ(info.Height, 23);
    EXPECT_EQ(info.ViewPerspective, 0);
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(topDown.c_str(), b.get(), 0, 1), K_OK);
    EXPECT_EQ(b->ViewPerspective, 0);
    EXPECT_TRUE(SamePixels(RecordRgb(b.get()), HostRgb(bottomUp)));
    EXPECT_TRUE(SamePixels(HostRgb(topDown), HostRgb(bottomUp)));

    // Saved again, it is an ordinary bottom-up file with the same picture.
    std::string saved = TestTempPath("bmp_top_down_saved.bmp");
    ASSERT_EQ(K_SaveBitmap(saved.c_str(), b.get(), 6, 0, 0), K_OK);
    EXPECT_TRUE(SamePixels(HostRgb(saved), HostRgb(bottomUp)));
}

TEST(Bmp, FirstImageOfAnOs2BitmapArray) {
    std::string single = TestTempPath("bmp_array_single.bmp");
    Host(kConvert + " " + ImPicture("37x23") + " -colors 50 -type Palette BMP2:'" + single + "'");
    std::string s = ReadFileBytes(single);
    ASSERT_GT(s.size(), 26u);
    // "BA" header (size, offset of the next array entry, screen size), then
    // the file; its pixel offset counts from the start of the array file.
    std::string array(14, '\0');
    array[0] = 'B';
    array[1] = 'A';
    Put32(array, 2, 14);
    Put32(s, 10, Get32(s, 10) + 14);
    array += s;
    std::string path = TestTempPath("bmp_array.bmp");
    WriteFileBytes(path, array);
    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 14);
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(b.get()), HostRgb(single)));
}

TEST(Bmp, OurFilesReadBackInNetpbmAndImageMagick) {
    std::string source = TestTempPath("bmp_save_source.bmp");
    Host(kConvert + " " + ImPicture("37x23") + " BMP3:'" + source + "'");
    // netpbm reads no OS/2 2.x file, and ImageMagick takes the colour
    // table of one as 3-byte entries; those rows are checked by our reader.
    struct Case {
        int bits;
        int kind;
        int dataOffset;
        bool imageMagick, netpbm;
    } cases[] = {{24, 1, 54, true, true},         {8, 1, 54 + 1024, true, true}, {4, 1, 54 + 64, true, true},
                 {1, 1, 54 + 8, true, true},      {24, 2, 26, true, true},       {4, 2, 26 + 48, true, true},
                 {8, 3, 78 + 1024, false, false}, {24, 3, 78, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, kind " << c.kind);
        TestBitmap b;
        ASSERT_EQ(K_LoadBitmap(source.c_str(), b.get(), c.bits, 1), K_OK);
        std::string path = TestTempPath("bmp_saved_" + std::to_string(c.bits) + "_" + std::to_string(c.kind) + ".bmp");
        ASSERT_EQ(K_SaveBMPBitmap(path.c_str(), b.get(), c.bits, c.kind), K_OK);
        std::string file = ReadFileBytes(path);
        ASSERT_GE(file.size(), 30u);
        EXPECT_EQ(Get32(file, 10), static_cast<unsigned>(c.dataOffset));
        EXPECT_EQ(Get32(file, 2), file.size());
        std::string ours = RecordRgb(b.get());
        if (c.imageMagick) EXPECT_TRUE(SamePixels(HostRgb(path), ours));
        if (c.netpbm) EXPECT_TRUE(SamePixels(NetpbmRgb(path), ours));
        TestBitmap back;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
        EXPECT_EQ(back->BitsPerPixel, c.bits);
        EXPECT_TRUE(SamePixels(RecordRgb(back.get()), ours));
    }
}

TEST(Bmp, ResolutionAndColourCount) {
    // 150 dpi is stored as 5906 pixels per metre and read back as 150.
    TestBitmap b;
    ASSERT_EQ(K_InitBitmap(b.get(), 5, 4, 24), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b.get(), 1), K_OK);
    b->XResolution = b->YResolution = 150;
    std::string path = TestTempPath("bmp_dpi.bmp");
    ASSERT_EQ(K_SaveBitmap(path.c_str(), b.get(), 6, 24, 0), K_OK);
    std::string file = ReadFileBytes(path);
    EXPECT_EQ(Get32(file, 38), 5906u);
    FileInfoRecord info{};
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.XResolution, 150);
    EXPECT_EQ(info.HeaderSize, 40);
    // Without pixels per metre the file states no resolution.
    Put32(file, 38, 0);
    WriteFileBytes(path, file);
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.XResolution, 0);
    EXPECT_EQ(info.YResolution, 0);

    // Sixteen colours used at 8 bits: sixteen entries, the rest stay zero.
    std::string pixels(8 * 2, '\x0f');
    std::string eight = TestTempPath("bmp_16_colours.bmp");
    WriteFileBytes(eight, HandMade(8, 2, 8, 0, 16, pixels));
    TestBitmap p;
    ASSERT_EQ(K_InitBitmap(p.get(), 8, 2, 8), K_OK);
    ASSERT_EQ(K_LoadBMPFile(eight.c_str(), p.get(), nullptr, 8, nullptr), K_OK);
    EXPECT_EQ(p->Colors, 16);
    ASSERT_EQ(K_AllocateBitmap(p.get(), 1), K_OK);
    RGBQUAD table[256] = {};
    ASSERT_EQ(K_GetBitmapColors(p.get(), 0, 16, table), K_OK);
    EXPECT_EQ(table[15].rgbRed, 255);
    EXPECT_EQ(table[1].rgbRed, 17);
}

struct CollectedRows {
    std::vector<std::string> rows;  // as delivered: bottom row first, BGR
};

int KAPI CollectRows(BitmapRecord* b, unsigned char* rows, int count, void* user) {
    auto* c = static_cast<CollectedRows*>(user);
    for (int i = 0; i < count; ++i)
        c->rows.emplace_back(reinterpret_cast<char*>(rows) + static_cast<size_t>(i) * b->BytesPerLine, b->Width * 3);
    return 1;
}

TEST(Bmp, ResizeWhileLoadingReplicatesAsImageMagickSamples) {
    std::string path = TestTempPath("bmp_resize_source.bmp");
    Host(kConvert + " " + ImPicture("37x23") + " BMP3:'" + path + "'");
    for (int factor : {2, 3}) {
        SCOPED_TRACE(factor);
        BitmapRecord r;
        ASSERT_EQ(K_InitBitmap(&r, 37 * factor, 23 * factor, 24), K_OK);
        CollectedRows collected;
        ASSERT_EQ(K_LoadBMPFile(path.c_str(), &r, CollectRows, 24, &collected), K_OK);
        EXPECT_EQ(r.Width, 37 * factor);
        ASSERT_EQ(collected.rows.size(), static_cast<size_t>(23 * factor));
        std::string rgb;
        for (auto row = collected.rows.rbegin(); row != collected.rows.rend(); ++row)
            for (size_t x = 0; x + 2 < row->size(); x += 3) rgb += std::string{(*row)[x + 2], (*row)[x + 1], (*row)[x]};
        std::string sampled = TestTempPath("bmp_resize_" + std::to_string(factor) + ".png");
        Host(kConvert + " '" + path + "' -sample " + std::to_string(factor * 100) + "% '" + sampled + "'");
        EXPECT_TRUE(SamePixels(rgb, HostRgb(sampled)));
        K_FreeBitmap(&r);
    }
    // Shrinking delivers exactly the smaller height, at the smaller width.
    BitmapRecord r;
    ASSERT_EQ(K_InitBitmap(&r, 20, 10, 24), K_OK);
    CollectedRows collected;
    ASSERT_EQ(K_LoadBMPFile(path.c_str(), &r, CollectRows, 24, &collected), K_OK);
    EXPECT_EQ(collected.rows.size(), 10u);
    for (const std::string& row : collected.rows) EXPECT_EQ(row.size(), 60u);
    K_FreeBitmap(&r);
}

// Loading into a bitmap of another height hands on exactly that many rows,
// with and without dithering: copies of source rows in their order, every
// source row kept when growing and none repeated when shrinking (but the
// last, which fills what the picks leave of the height). Black and
// white pass dithering to one bit unchanged, so both paths deliver the same
// rows.
struct RowPattern {
    std::vector<std::string> rows;  // each the bitmap's bytes per line
};

int KAPI CollectRowBytes(BitmapRecord* b, unsigned char* rows, int count, void* user) {
    auto* c = static_cast<RowPattern*>(user);
    for (int i = 0; i < count; ++i)
        c->rows.emplace_back(reinterpret_cast<char*>(rows) + static_cast<size_t>(i) * b->BytesPerLine, b->BytesPerLine);
    return 1;
}

// Shrinking in both directions: each delivered row is one source row,
// scaled by the same column map as every other row, the last one too.
TEST(Bmp, ShrunkRowsAreAllScaledAlike) {
    const int width = 61, height = 37;
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            ppm += static_cast<char>(x * 4);  // the column
            ppm += static_cast<char>(y * 6);  // the row
            ppm += '\x55';
        }
    std::string source = TestTempPath("bmp_shrink.ppm"), path = TestTempPath("bmp_shrink.bmp");
    WriteFileBytes(source, ppm);
    Host("ppmtobmp -windows -bpp=24 '" + source + "' > '" + path + "' 2>/dev/null");
    BitmapRecord r;
    ASSERT_EQ(K_InitBitmap(&r, 30, 20, 24), K_OK);
    RowPattern got;
    ASSERT_EQ(K_LoadBMPFile(path.c_str(), &r, CollectRowBytes, 24, &got), K_OK);
    ASSERT_EQ(got.rows.size(), 20u);
    auto at = [&](size_t row, int x, int channel) {  // stored blue, green, red
        return static_cast<unsigned char>(got.rows[row][x * 3 + channel]);
    };
    for (size_t row = 0; row < got.rows.size(); ++row) {
        SCOPED_TRACE(testing::Message() << "delivered row " << row);
        for (int x = 0; x < 30; ++x) {
            EXPECT_EQ(at(row, x, 1), at(row, 0, 1)) << "pixel " << x << " comes from another source row";
            EXPECT_EQ(at(row, x, 2), at(0, x, 2)) << "pixel " << x << " comes from another source column";
            EXPECT_EQ(at(row, x, 0), 0x55);
        }
    }
    EXPECT_GE(at(0, 29, 2) / 4, 57) << "the column map reaches across the row";
    K_FreeBitmap(&r);
}

TEST(Bmp, AnotherHeightDeliversExactlyTheBitmapsRows) {
    const int width = 12, height = 23;
    // Each row shows its number in binary in its first five pixels.
    auto white = [](int x, int y) { return x < 5 ? ((y >> x) & 1) != 0 : (x + y) % 3 == 0; };
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ppm.append(3, white(x, y) ? '\xff' : '\0');
    std::string source = TestTempPath("bmp_rows.ppm"), path = TestTempPath("bmp_rows.bmp");
    WriteFileBytes(source, ppm);
    Host("ppmtobmp -windows -bpp=24 '" + source + "' > '" + path + "' 2>/dev/null");

    for (int newHeight : {9, 17, 22, 30, 46, 61}) {
        std::vector<int> sequences[2];  // picture rows as delivered, at 24 bits and dithered to 1 bit
        for (int dithered = 0; dithered < 2; ++dithered) {
            SCOPED_TRACE(testing::Message() << "height " << newHeight << (dithered ? ", dithered" : ""));
            BitmapRecord r;
            ASSERT_EQ(K_InitBitmap(&r, width, newHeight, 24), K_OK);
            RowPattern got;
            ASSERT_EQ(K_LoadBMPFile(path.c_str(), &r, CollectRowBytes, dithered ? 1 : 24, &got), K_OK);
            EXPECT_EQ(r.Height, newHeight);
            ASSERT_EQ(got.rows.size(), static_cast<size_t>(newHeight));
            RGBQUAD colors[2] = {};
            if (dithered) {
                ASSERT_EQ(r.BitsPerPixel, 1);
                GetPaletteColors(PaletteInUse(&r), colors, 2);
            }
            for (const std::string& row : got.rows) {
                auto isWhite = [&](int x) {
                    if (!dithered) return static_cast<unsigned char>(row[x * 3 + 1]) > 127;
                    int index = (static_cast<unsigned char>(row[x >> 3]) >> (7 - (x & 7))) & 1;
                    return colors[index].rgbGreen > 127;
                };
                int y = 0;
                for (int x = 0; x < 5; ++x) y |= isWhite(x) << x;
                ASSERT_LT(y, height);
                for (int x = 0; x < width; ++x) ASSERT_EQ(isWhite(x), white(x, y)) << "row " << y << ", pixel " << x;
                sequences[dithered].push_back(y);
            }
            K_FreeBitmap(&r);
        }
        // Bottom row first, in order; the first and last rows both arrive.
        SCOPED_TRACE(testing::PrintToString(sequences[0]));
        const std::vector<int>& rows = sequences[0];
        EXPECT_EQ(rows.front(), height - 1);
        EXPECT_EQ(rows.back(), 0);
        for (size_t i = 1; i < rows.size(); ++i) {
            EXPECT_LE(rows[i], rows[i - 1]);
            if (newHeight > height)
                EXPECT_GE(rows[i], rows[i - 1] - 1) << "a source row is missing";
            else if (rows[i] > 0)
                EXPECT_LT(rows[i], rows[i - 1]) << "a source row is repeated";
        }
        EXPECT_EQ(sequences[1], sequences[0]);
    }
}

// Hostile files as recipes that patch a good one; each must fail with a
// negative code and touch nothing outside the record.
TEST(Bmp, MalformedFilesAreRefused) {
    std::string good = TestTempPath("bmp_good8.bmp");
    Host(kConvert + " " + ImPicture("37x23") + " -colors 30 -type Palette -compress None BMP3:'" + good + "'");
    const std::string base = ReadFileBytes(good);
    ASSERT_GT(base.size(), 100u);
    struct Recipe {
        const char* name;
        std::string (*make)(std::string);
        int expected;  // 0: any negative code
    } recipes[] = {
        {"16 bits",
         [](std::string s) {
             Put16(s, 28, 16);
             return s;
         },
         K_ERR_FORMAT},
        {"32 bits",
         [](std::string s) {
             Put16(s, 28, 32);
             return s;
         },
         K_ERR_FORMAT},
        {"zero width",
         [](std::string s) {
             Put32(s, 18, 0);
             return s;
         },
         K_ERR_FORMAT},
        {"huge width",
         [](std::string s) {
             Put32(s, 18, 0x7FFFFFFF);
             return s;
         },
         K_ERR_FORMAT},
        {"smallest height",
         [](std::string s) {
             Put32(s, 22, 0x80000000u);
             return s;
         },
         K_ERR_FORMAT},
        {"huge both",
         [](std::string s) {
             Put32(s, 18, 70000);
             Put32(s, 22, 70000);
             return s;
         },
         K_ERR_FORMAT},
        {"info size 0x7fffffff",
         [](std::string s) {
             Put32(s, 14, 0x7FFFFFFF);
             return s;
         },
         K_ERR_FORMAT},
        {"info size 13",
         [](std::string s) {
             Put32(s, 14, 13);
             return s;
         },
         K_ERR_FORMAT},
        {"truncated header", [](std::string s) { return s.substr(0, 30); }, 0},
        {"truncated palette", [](std::string s) { return s.substr(0, 60); }, 0},
        {"truncated pixels", [](std::string s) { return s.substr(0, s.size() - 40); }, K_ERR_READ},
        {"data offset past the end",
         [](std::string s) {
             Put32(s, 10, 0x7FFFFFF0);
             return s;
         },
         0},
        {"data offset inside the header",
         [](std::string s) {
             Put32(s, 10, 20);
             return s;
         },
         K_ERR_FORMAT},
        {"negative data offset",
         [](std::string s) {
             Put32(s, 10, 0x80000000u);
             return s;
         },
         K_ERR_FORMAT},
        {"colours used huge",
         [](std::string s) {
             Put32(s, 46, 0xFFFFFFFF);
             return s;
         },
         1},
        {"RLE at 24 bits",
         [](std::string s) {
             Put16(s, 28, 24);
             Put32(s, 30, 1);
             return s;
         },
         0},
        {"RLE runaway",
         [](std::string s) {
             Put32(s, 30, 1);
             size_t off = Get32(s, 10);
             for (size_t i = off; i + 4 <= s.size(); i += 4) {
                 s[i] = 0;
                 s[i + 1] = 2;
                 s[i + 2] = '\xff';
                 s[i + 3] = '\xff';
             }
             return s;
         },
         1},
    };
    for (const Recipe& r : recipes) {
        SCOPED_TRACE(r.name);
        std::string bytes = r.make(base);
        TestBitmap b;
        int result = K_LoadBitmapMemory(bytes.data(), b.get(), 0, 1, static_cast<int>(bytes.size()));
        if (r.expected == 0)
            EXPECT_LT(result, 0);
        else
            EXPECT_EQ(result, r.expected);
        if (result != K_OK) EXPECT_EQ(b->Flags & K_ALLOCATED, 0u);
    }
}

}  // namespace
