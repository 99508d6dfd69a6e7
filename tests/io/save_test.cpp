// K_SaveFile and its family: copies made for another depth, the palette of
// a palette picture kept at flags 0, rows from a caller's callback, format
// refusals and the file-to-file conversions.
#include <gtest/gtest.h>

#include <cstring>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "io/save_writer.h"
#include "io_test_util.h"

namespace {

std::string Source(const std::string& name, const std::string& args) {
    std::string path = TestTempPath("save_" + name + ".bmp");
    EXPECT_EQ(RunHost(kConvert + " " + ImPicture("33x17") + " " + args + "'" + path + "'"), 0);
    return path;
}

unsigned Get32(const std::string& s, size_t at) {
    unsigned v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

TEST(Save, PalettePictureToTrueColourLeavesTheCallersBitmap) {
    std::string path = Source("8", "-colors 50 -type Palette -compress None BMP3:");
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
    ASSERT_EQ(b->BitsPerPixel, 8);
    BitmapRecord before = b.r;
    std::string out = TestTempPath("save_8_to_24.bmp");
    ASSERT_EQ(K_SaveBitmap(out.c_str(), b.get(), 6, 24, 0), K_OK);
    EXPECT_EQ(std::memcmp(&before, &b.r, sizeof before), 0);
    std::string file = ReadFileBytes(out);
    EXPECT_EQ(file[28], 24);
    EXPECT_TRUE(SamePixels(HostRgb(out), HostRgb(path)));
}

TEST(Save, FlagsZeroKeepAPalettePicturesOwnColours) {
    std::string path = Source("8keep", "-colors 37 -type Palette -compress None BMP3:");
    TestBitmap b;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_OK);
    std::string out = TestTempPath("save_flags0.bmp");
    ASSERT_EQ(K_SaveFile(out.c_str(), b.get(), 6, 8, 0, 0, nullptr, nullptr), K_OK);
    // Not dithered to the fixed palette: the very same pixels.
    EXPECT_TRUE(SamePixels(HostRgb(out), HostRgb(path)));
    // The source keeps its index map after the writer looked at its colours.
    EXPECT_NE(b->Flags & K_PALETTE_INDEX_MAP, 0u);
    // Asking for the fixed palette does reduce to it.
    std::string fixed = TestTempPath("save_flags1.bmp");
    ASSERT_EQ(K_SaveFile(fixed.c_str(), b.get(), 6, 8, 0, 1, nullptr, nullptr), K_OK);
    std::string file = ReadFileBytes(fixed);
    RGBQUAD table[256];
    ASSERT_EQ(K_GetFixedPalette(table, 8), K_OK);
    EXPECT_EQ(std::memcmp(file.data() + 54, table, 1024), 0);
}

// Supplies a 24-bit gradient row by row.
int KAPI GradientRows(BitmapRecord* source, unsigned char* buffer, int row, int count, void* user) {
    ++*static_cast<int*>(user);
    for (int x = 0; x < source->Width; ++x) {
        buffer[x * 3] = static_cast<unsigned char>(x * 10);  // blue
        buffer[x * 3 + 1] = static_cast<unsigned char>(row * 20);
        buffer[x * 3 + 2] = 200;  // red
    }
    return 1;
}

TEST(Save, RowsFromACallbackAreConvertedOneAtATime) {
    BitmapRecord description;
    ASSERT_EQ(K_InitBitmap(&description, 12, 5, 24), K_OK);  // no storage at all
    std::string out = TestTempPath("save_callback.bmp");
    int calls = 0;
    ASSERT_EQ(K_SaveFile(out.c_str(), &description, 6, 24, 0, 0, GradientRows, &calls), K_OK);
    EXPECT_EQ(calls, 5);
    TestBitmap back;
    ASSERT_EQ(K_LoadBitmap(out.c_str(), back.get(), 24, 1), K_OK);
    // Storage row 2 of the file is callback row 2.
    EXPECT_EQ(static_cast<unsigned>(K_GetPixelColor(back.get(), 2, 3)), static_cast<unsigned>(RGB(200, 40, 30)));
    // The same rows saved at 8 bits are dithered by the helper trio.
    std::string eight = TestTempPath("save_callback8.bmp");
    calls = 0;
    ASSERT_EQ(K_SaveFile(eight.c_str(), &description, 6, 8, 0, 0, GradientRows, &calls), K_OK);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(ReadFileBytes(eight)[28], 8);
}

TEST(Save, Refusals) {
    TestBitmap b;
    ASSERT_EQ(K_InitBitmap(b.get(), 4, 4, 8), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b.get(), 1), K_OK);
    std::string out = TestTempPath("save_refused.bin");
    std::remove(out.c_str());
    EXPECT_EQ(K_SaveFile(out.c_str(), b.get(), 11, 8, 75, 0, nullptr, nullptr), K_ERR_BITS);
    EXPECT_EQ(K_SaveFile(out.c_str(), b.get(), 99, 8, 0, 0, nullptr, nullptr), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_SaveFile(out.c_str(), b.get(), 6, 16, 0, 0, nullptr, nullptr), K_ERR_BITS);
    EXPECT_TRUE(ReadFileBytes(out).empty());
    TestBitmap unallocated;
    ASSERT_EQ(K_InitBitmap(unallocated.get(), 4, 4, 8), K_OK);
    EXPECT_EQ(K_SaveBitmap(out.c_str(), unallocated.get(), 6, 8, 0), K_ERR_NOBITMAP);

    // Sizes a header cannot hold: the OS/2 1.x BMP header has 16-bit sides,
    // a version 1 Photoshop file at most 30000.
    struct Case {
        int format, width, height;
    } tooLarge[] = {{K_FORMAT_BMP_OS2_1, 65536, 1},
                    {K_FORMAT_BMP_OS2_1, 1, 65536},
                    {K_FORMAT_PHOTOSHOP, 30001, 1},
                    {K_FORMAT_PHOTOSHOP, 1, 30001}};
    for (const Case& c : tooLarge) {
        TestBitmap wide;
        ASSERT_EQ(K_InitBitmap(wide.get(), c.width, c.height, 24), K_OK);
        ASSERT_EQ(K_AllocateBitmap(wide.get(), 1), K_OK);
        EXPECT_EQ(K_SaveFile(out.c_str(), wide.get(), c.format, 24, 0, 0, nullptr, nullptr), K_ERR_SIZE)
            << c.format << " " << c.width << "x" << c.height;
        EXPECT_TRUE(ReadFileBytes(out).empty());
    }
}

#ifndef _WIN32
// A disk that fills up during a save (here a file-size limit): the save
// fails with -5, the old file is as it was, and nothing else is left.
TEST(Save, FailedSaveLeavesTheOldFile) {
    const std::string folder = TestTempPath("save_full_disk");
    RunHost("rm -rf '" + folder + "' && mkdir -p '" + folder + "'");
    const std::string path = folder + "/picture.bmp";
    WriteFileBytes(path, "the old picture");
    TestBitmap b;
    ASSERT_EQ(K_InitBitmap(b.get(), 400, 300, 24), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b.get(), 1), K_OK);

    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = K_SaveBitmap(path.c_str(), b.get(), K_FORMAT_BMP, 24, 0);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, K_ERR_WRITE);
    EXPECT_EQ(ReadFileBytes(path), "the old picture");
    const std::string listing = folder + ".txt";
    RunHost("ls -A '" + folder + "' > '" + listing + "'");
    EXPECT_EQ(ReadFileBytes(listing), "picture.bmp\n");
    // With room, the same save replaces the file whole.
    ASSERT_EQ(K_SaveBitmap(path.c_str(), b.get(), K_FORMAT_BMP, 24, 0), K_OK);
    EXPECT_EQ(ReadFileBytes(path).size(), 54u + 1200u * 300u);
}
#endif

// Pictures of several output buffers, stored either way up, with rows that
// need padding and rows that need none, at 24 and 8 bits: rows go from
// storage to the file (whole, or row by row the other way up) and read back
// in the peers with the record's pixels (TGA in netpbm, which follows the
// descriptor's row order).
TEST(Save, LargePicturesWrittenFromStorageReadBackByPeers) {
    for (int width : {300, 301}) {
        const std::string made = TestTempPath("save_large_" + std::to_string(width) + ".ppm");
        ASSERT_EQ(RunHost(kConvert + " " + ImPicture(std::to_string(width) + "x211") + " '" + made + "'"), 0);
        const std::string rgb = HostRgb(made);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(width) * 211 * 3);
        for (int view : {K_BOTTOM_UP, K_TOP_DOWN}) {
            TestBitmap b;
            ASSERT_EQ(K_InitBitmap(b.get(), width, 211, 24), K_OK);
            b->ViewPerspective = view;
            ASSERT_EQ(K_AllocateBitmap(b.get(), 1), K_OK);
            // Locked once: an unlocked record maps its storage for every pixel.
            K_AccessBitmap(b.get());
            for (int y = 0; y < 211; ++y) {
                const int row = view == K_BOTTOM_UP ? 210 - y : y;
                for (int x = 0; x < width; ++x) {
                    const unsigned char* c = reinterpret_cast<const unsigned char*>(&rgb[(y * width + x) * 3]);
                    K_PutPixelColor(b.get(), row, x, RGB(c[0], c[1], c[2]));
                }
            }
            K_ReleaseBitmap(b.get());
            ASSERT_TRUE(SamePixels(RecordRgb(b.get()), rgb));
            struct Case {
                int format, bits;
                const char* ext;
            } cases[] = {{K_FORMAT_BMP, 24, "bmp"}, {K_FORMAT_TGA, 24, "tga"}, {K_FORMAT_BMP, 8, "bmp"}};
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << width << " wide, view " << view << ", " << c.ext << " " << c.bits);
                const std::string path = TestTempPath("save_large." + std::string(c.ext));
                TestBitmap saved;
                BitmapRecord* from = b.get();
                if (c.bits == 8) {
                    // An 8-bit record of its own, saved at its depth.
                    ASSERT_EQ(K_ColorResBitmap(b.get(), saved.get(), 8, K_COLORRES_METHOD(1) | 0x02, nullptr, 0,
                                               nullptr, nullptr),
                              K_OK);
                    saved->ViewPerspective = view;
                    from = saved.get();
                }
                ASSERT_EQ(K_SaveFile(path.c_str(), from, c.format, c.bits, 0, 0, nullptr, nullptr), K_OK);
                if (c.format == K_FORMAT_TGA) {
                    const test_picture::Picture back = test_picture::HostPnm("tgatoppm '" + path + "'");
                    EXPECT_TRUE(SamePixels(std::string(back.data.begin(), back.data.end()), RecordRgb(from)));
                } else {
                    EXPECT_TRUE(SamePixels(HostRgb(path), RecordRgb(from)));
                }
            }
        }
    }
}

TEST(Save, WriterHelperChoosesPaletteAndRowMethod) {
    TestBitmap eight;
    ASSERT_EQ(K_InitBitmap(eight.get(), 4, 2, 8), K_OK);
    struct Case {
        int sourceBits, targetBits, flags;
        bool fixed, dithering, converting;
    } cases[] = {
        {8, 8, 0, false, false, false},  // own palette, rows as they are
        {8, 8, 2, false, false, false},        {8, 8, 1, true, true, false},
        {8, 4, 2, true, true, false},  // shallower: the fixed palette
        {24, 8, 0, true, true, false},         {8, 24, 0x1000, false, false, true},
        {24, 24, 0x1000, false, false, false},  // BGR source, BGR file
        {24, 24, 0, false, false, true},        // BGR source, RGB file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceBits << " -> " << c.targetBits << " flags " << c.flags);
        BitmapRecord source;
        ASSERT_EQ(K_InitBitmap(&source, 4, 2, c.sourceBits), K_OK);
        BitmapRecord* target = nullptr;
        unsigned char* row = nullptr;
        int flags = c.flags;
        ASSERT_EQ(SaveWriterBegin(&source, &target, c.targetBits, &flags, &row), K_OK);
        EXPECT_EQ((target->Flags & K_FIXED_PALETTE_IN_USE) != 0, c.fixed);
        EXPECT_EQ((flags & kSaveDithering) != 0, c.dithering);
        EXPECT_EQ((flags & kSaveConverting) != 0, c.converting);
        SaveWriterEnd(&source, &target, &flags, &row);
        EXPECT_EQ(target, nullptr);
        EXPECT_EQ(flags & ~0xFF, 0);
        K_FreeBitmap(&source);
    }
}

TEST(Save, ConvertFileLoadsResizesAndSaves) {
    std::string path = Source("convert", "BMP3:");
    std::string same = TestTempPath("save_converted.bmp");
    ASSERT_EQ(K_ConvertFile(path.c_str(), same.c_str(), 6, 24, 0, 0, 0), K_OK);
    EXPECT_TRUE(SamePixels(HostRgb(same), HostRgb(path)));
    std::string resized = TestTempPath("save_converted_resized.bmp");
    ASSERT_EQ(K_FileConvert(path.c_str(), resized.c_str(), 74, 66, 34, 24, 0), K_OK);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(resized.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 74);
    EXPECT_EQ(info.Width, 66);
    EXPECT_EQ(info.Height, 34);
    std::string file = ReadFileBytes(resized);
    EXPECT_EQ(Get32(file, 14), 64u);
    EXPECT_EQ(K_ConvertFile(TestTempPath("save_no_such.bmp").c_str(), same.c_str(), 6, 24, 0, 0, 0), K_ERR_OPEN);
}

}  // namespace
