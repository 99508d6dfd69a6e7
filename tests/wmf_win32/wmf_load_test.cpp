// Metafiles drawn through GDI: hand-built ones load with the pixels GDI's
// own PlayMetaFile gives in a DIB section of the same size, and our own
// files load back with their pixels. Sizes follow the screen's resolution
// for placeable metafiles (the box is the screen when none is given).
#include <windows.h>

#include <cstring>
#include <vector>

#include "formats/format_fixture.h"
#include "wmf/metafile_builder.h"

namespace {

// A plain metafile: a window origin and extent, a brush and a rectangle.
std::string Drawing(int width, int height, bool placeable, int left = 0, int top = 0) {
    Metafile m;
    m.Record(0x020B, {top, left});
    m.Record(0x020C, {height, width});
    m.Record(0x02FC, {0, 0x00FF, 0x0080, 0});  // solid brush: red 255, green 0, blue 128
    m.Record(0x012D, {0});                     // select it
    m.Record(0x041B, {top + height / 2, left + width / 2, top + 2, left + 3});  // rectangle: bottom, right, top, left
    const std::string metafile = m.Plain(1);
    return placeable ? Placeable(left, top, left + width - 1, top + height - 1, metafile) : metafile;
}

// What GDI itself draws: the same mapping into a white DIB section.
Rgb PlayedByGdi(const std::string& metafile, int width, int height, bool isotropic, int ox, int oy, int ex, int ey) {
    const size_t skip = metafile.compare(0, 4, "\xD7\xCD\xC6\x9A") == 0 ? 22 : 0;
    HMETAFILE mf = SetMetaFileBitsEx(UINT(metafile.size() - skip), reinterpret_cast<const BYTE*>(metafile.data() + skip));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (isotropic) {
        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowOrgEx(dc, ox, oy, nullptr);
        SetWindowExtEx(dc, ex, ey, nullptr);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    PlayMetaFile(dc, mf);
    GdiFlush();
    Rgb p{width, height, {}};
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* q = static_cast<unsigned char*>(bits) + y * stride + x * 3;
            p.pixels.insert(p.pixels.end(), {q[2], q[1], q[0]});
        }
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    DeleteMetaFile(mf);
    return p;
}

Rgb LoadedBy(const std::string& path, int boxWidth, int boxHeight, int* result) {
    RecordGuard b;
    *result = K_LoadWMFBitmap(path.c_str(), b.get(), boxWidth, boxHeight);
    if (*result != K_OK) return Rgb{};
    b.get()->ColorOrder = K_ORDER_BGR;
    return RecordPixels24(b.get());
}

TEST(WmfGdi, HandBuiltMetafilesLoadAsGdiPlaysThem) {
    struct Case {
        const char* name;
        std::string file;
        int boxWidth, boxHeight;
        int width, height;
        bool isotropic;
        int ox, oy, ex, ey;
    } const cases[] = {
        {"natural", Drawing(64, 48, false), 0, 0, 64, 48, false, 0, 0, 0, 0},
        {"rounded_up", Drawing(61, 48, false), 0, 0, 64, 48, true, 0, 0, 64, 48},
        {"scaled", Drawing(3000, 1500, false), 300, 300, 300, 150, true, 0, 0, 3000, 1500},
        // A box that does not straddle 0: its window starts at its corner.
        {"placeable_offset", Drawing(200, 100, true, 500, 300), 100, 100, 100, 50, true, 500, 300, 199, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath(std::string("gdi_") + c.name + ".wmf");
        WriteFileBytes(path, c.file);
        int r = 0;
        Rgb loaded = LoadedBy(path, c.boxWidth, c.boxHeight, &r);
        ASSERT_EQ(r, K_OK);
        EXPECT_EQ(loaded.width, c.width);
        EXPECT_EQ(loaded.height, c.height);
        EXPECT_EQ(loaded, PlayedByGdi(c.file, c.width, c.height, c.isotropic, c.ox, c.oy, c.ex, c.ey));
    }
}

TEST(WmfGdi, OurFilesLoadBackAndBadOnesFail) {
    Rgb picture = GradientPicture(40, 23);
    BitmapRecord b;
    MakeRecord(picture, &b);
    std::string out = TestTempPath("gdi_ours.wmf");
    ASSERT_EQ(K_SaveWMFBitmap(out.c_str(), &b, 24), K_OK);
    K_FreeBitmap(&b);
    int r = 0;
    EXPECT_EQ(LoadRgb(out, &r), picture);
    EXPECT_EQ(r, K_OK);

    // No window extent: 0 x 0, refused; a header that is not a metafile's: refused, not a white success.
    std::string noExtent = Drawing(64, 48, false);
    noExtent.erase(18 + 10, 10);
    noExtent[6] = char((noExtent.size() / 2) & 0xFF);
    WriteFileBytes(TestTempPath("gdi_no_extent.wmf"), noExtent);
    EXPECT_EQ(LoadedBy(TestTempPath("gdi_no_extent.wmf"), 0, 0, &r), Rgb{});
    EXPECT_EQ(r, K_ERR_SIZE);
    std::string cut = Drawing(64, 48, false);
    cut.resize(cut.size() - 8);
    WriteFileBytes(TestTempPath("gdi_cut.wmf"), cut);
    LoadedBy(TestTempPath("gdi_cut.wmf"), 0, 0, &r);
    EXPECT_EQ(r, K_ERR_READ);
}

}  // namespace
