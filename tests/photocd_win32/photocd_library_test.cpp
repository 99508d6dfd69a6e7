// PhotoCD through a real DLL: the stand-in pcdlib32.dll beside the test
// program is bound by name, serves its picture in blocks or whole, every
// failure of one of its entry points ends with a code and gives back what
// was opened, and taking it away again leaves PhotoCD reading failing with
// a code.
#include <windows.h>

#include "formats/format_fixture.h"
#include "formats/photocd_library.h"

namespace {

// What the stand-in serves: the picture of its pack line, RGB top-down.
Rgb Served(int format, int rotation, int step) {
    const bool portrait = rotation == 4 || rotation == 7;
    const int w = (portrait ? 64 : 96) << step, h = (portrait ? 96 : 64) << step;
    Rgb p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto v = [&](int c) { return static_cast<unsigned char>(x * 7 + y * 13 + c * 50); };
            if (format == 10)
                p.pixels.insert(p.pixels.end(), 3, v(0));
            else
                p.pixels.insert(p.pixels.end(), {v(2), v(1), v(0)});
        }
    return p;
}

// Opens, closes, loads and frees the stand-in counted so far.
struct Counts {
    int opens = 0, closes = 0, loads = 0, frees = 0;
};
Counts StandInCounts() {
    Counts c;
    auto read =
        reinterpret_cast<void(WINAPI*)(int*)>(reinterpret_cast<void*>(GetProcAddress(PhotoCD.module, "StandInCounts")));
    if (read) read(&c.opens);
    return c;
}

int KAPI StopAfterTen(BitmapRecord*, unsigned char*, int, void* user) {
    return ++*static_cast<int*>(user) == 10 ? 5 : 1;
}

TEST(PhotoCDLibrary, EveryFailureOfTheDllEndsWithACodeAndClosesTheImage) {
    BindPhotoCDLibrary();
    ASSERT_TRUE(PhotoCD.present);
    ASSERT_NE(GetProcAddress(PhotoCD.module, "StandInCounts"), nullptr);
    ASSERT_EQ(K_SetPCDResolution(1), K_OK);
    struct Case {
        const char* line;
        int result;
    } const cases[] = {
        {"STANDIN 0 0 1 63 open", K_ERR_FORMAT},  // the probe already fails
        {"STANDIN 0 0 1 63 format", K_ERR_FORMAT},
        {"STANDIN 0 0 1 63 resolution", K_ERR_FORMAT},
        {"STANDIN 0 0 1 63 step9", K_ERR_FORMAT},
        {"STANDIN 0 0 1 63 rotation", K_ERR_FORMAT},
        {"STANDIN 0 0 1 63 setresolution", K_ERR_READ},
        {"STANDIN 0 0 1 63 transform", K_ERR_READ},
        {"STANDIN 0 0 1 63 block", K_ERR_READ},
        {"STANDIN 0 4 1 63 load", K_ERR_MEMORY},
        {"STANDIN 0 4 1 63 header", K_ERR_FORMAT},
        {"STANDIN 10 7 1 63 short", K_ERR_FORMAT},
        {"NOT A PACK", K_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string path = TestTempPath("standin_failure.pcd");
        WriteFileBytes(path, c.line);
        const Counts before = StandInCounts();
        BitmapRecord b{};
        EXPECT_EQ(K_LoadPCDFile(path.c_str(), &b, nullptr, 24, nullptr), c.result);
        EXPECT_FALSE(b.Flags & K_ALLOCATED);
        const Counts after = StandInCounts();
        EXPECT_EQ(after.opens - before.opens, after.closes - before.closes);
        EXPECT_EQ(after.loads - before.loads, after.frees - before.frees);
    }
    // A caller's stop in blocks and in the whole image: its code, everything given back.
    for (const char* line : {"STANDIN 0 0 1 63", "STANDIN 0 4 1 63"}) {
        SCOPED_TRACE(line);
        std::string path = TestTempPath("standin_stop.pcd");
        WriteFileBytes(path, line);
        const Counts before = StandInCounts();
        RecordGuard b;
        int rows = 0;
        EXPECT_EQ(K_LoadPCDFile(path.c_str(), b.get(), StopAfterTen, 24, &rows), 5);
        EXPECT_EQ(rows, 10);
        const Counts after = StandInCounts();
        EXPECT_GT(after.opens, before.opens);
        EXPECT_EQ(after.opens - before.opens, after.closes - before.closes);
        EXPECT_EQ(after.loads - before.loads, after.frees - before.frees);
    }
    // No available step at all, and a file the library will not open.
    std::string path = TestTempPath("standin_steps.pcd");
    int available[6] = {};
    WriteFileBytes(path, "STANDIN 0 0 1 0");
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_READ);
    WriteFileBytes(path, "STANDIN 0 0 1 63 open");
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_READ);
    EXPECT_EQ(K_GetPCDResolution(nullptr, available), K_ERR_ARGUMENT);
    UnbindPhotoCDLibrary();
}

TEST(PhotoCDLibrary, StandInDllIsBoundAndRead) {
    BindPhotoCDLibrary();
    ASSERT_TRUE(PhotoCD.present) << "pcdlib32.dll beside the test program";
    struct Case {
        const char* line;
        int format, rotation, step;
    } const cases[] = {{"STANDIN 0 0 2 63", 0, 0, 2}, {"STANDIN 10 4 1 63", 10, 4, 1}, {"STANDIN 0 7 3 63", 0, 7, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string path = TestTempPath("standin.pcd");
        WriteFileBytes(path, c.line);
        ASSERT_EQ(K_SetPCDResolution(c.step), K_OK);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 57);
        int r = 0;
        EXPECT_EQ(LoadRgb(path, &r), Served(c.format, c.rotation, c.step));
        EXPECT_EQ(r, K_OK);
    }
    std::string path = TestTempPath("standin_steps.pcd");
    WriteFileBytes(path, "STANDIN 0 0 1 6");
    int available[6] = {};
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_OK);
    EXPECT_EQ(available[0] + available[1] * 2 + available[2] * 4 + available[3] * 8, 6);

    UnbindPhotoCDLibrary();
    BitmapRecord b{};
    EXPECT_EQ(K_LoadPCDFile(path.c_str(), &b, nullptr, 24, nullptr), K_ERR_UNSUPPORTED);
    FileInfoRecord info;
    EXPECT_NE(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(K_GetPCDResolution(path.c_str(), available), K_ERR_UNSUPPORTED);
    EXPECT_EQ(K_LoadPCDBitmap(path.c_str(), &b), K_ERR_UNSUPPORTED);
}

}  // namespace
