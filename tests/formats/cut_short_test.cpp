// Pictures cut short inside their pixel data: the rows before the cut are
// delivered and the load answers the short-read code, so a caller can tell
// a damaged file from a whole one.
#include "format_fixture.h"

namespace {

int KAPI CountRows(BitmapRecord*, unsigned char*, int count, void* user) {
    *static_cast<int*>(user) += count;
    return K_OK;
}

TEST(CutShort, RowsSoFarThenTheShortReadCode) {
    const Rgb picture = PalettePicture(64, 48, 16);
    const std::string ppm = WritePpm(picture, "cut_short.ppm");
    struct Case {
        const char* name;
        std::string options;
    } cases[] = {
        {"gif", "GIF:"}, {"bmp", "-type Palette -compress RLE BMP3:"},  // RLE8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string whole = TestTempPath(std::string("cut_whole.") + c.name);
        Host(kConvert + " " + ppm + " " + c.options + whole);
        int rows = 0;
        RecordGuard b;
        ASSERT_EQ(K_LoadFile(whole.c_str(), &b.record, 0, -1, 0, CountRows, &rows), K_OK);
        EXPECT_EQ(rows, picture.height);

        const std::string bytes = ReadFileBytes(whole);
        const std::string cut = TestTempPath(std::string("cut_half.") + c.name);
        WriteFileBytes(cut, bytes.substr(0, bytes.size() * 2 / 3));
        rows = 0;
        RecordGuard damaged;
        EXPECT_EQ(K_LoadFile(cut.c_str(), &damaged.record, 0, -1, 0, CountRows, &rows), K_ERR_READ);
        EXPECT_GT(rows, 0);
        EXPECT_LT(rows, picture.height);
    }
}

}  // namespace
