// PhotoCD through a real DLL: the stand-in pcdlib32.dll beside the test
// program is bound by name, serves its picture in blocks or whole, and
// taking it away again leaves PhotoCD reading failing with a code.
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
            if (format == 10) p.pixels.insert(p.pixels.end(), 3, v(0));
            else p.pixels.insert(p.pixels.end(), {v(2), v(1), v(0)});
        }
    return p;
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
}

}  // namespace
