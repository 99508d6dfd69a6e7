// Metafiles drawn through GDI: hand-built ones load with the pixels GDI's
// own PlayMetaFile gives in a DIB section of the same size, and our own
// files load back with their pixels. Sizes follow the screen's resolution
// for placeable metafiles (the box is the screen when none is given).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <tuple>
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
    HMETAFILE mf =
        SetMetaFileBitsEx(UINT(metafile.size() - skip), reinterpret_cast<const BYTE*>(metafile.data() + skip));
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

// Shapes without outlines over a background that fills the whole window
// (libwmf sizes a plain metafile by what it draws): a rectangle, an ellipse
// and a triangle in three brushes.
std::string Shapes(int width, int height, bool placeable) {
    Metafile m;
    m.Record(0x020B, {0, 0});
    m.Record(0x020C, {height, width});
    m.Record(0x02FA, {5, 0, 0, 0, 0});  // a null pen, selected: no outlines
    m.Record(0x012D, {0});
    const int brushes[][2] = {{0xF0FA, 0x00C8}, {0x00FF, 0x0080}, {0xC800, 0x0000}, {0x3010, 0x00E0}};
    const int background = 0x041B, rectangle = 0x041B, ellipse = 0x0418;
    int object = 1;
    auto brush = [&](int i) {
        m.Record(0x02FC, {0, brushes[i][0], brushes[i][1], 0});
        m.Record(0x012D, {object++});
    };
    brush(0);
    m.Record(background, {height, width, 0, 0});
    brush(1);
    m.Record(rectangle, {height * 3 / 4, width / 2, height / 8, width / 8});
    brush(2);
    m.Record(ellipse, {height - height / 16, width - width / 16, height / 2, width / 2});
    brush(3);
    m.Record(0x0324, {3, width / 4, height - 2, width / 2, height / 3, width * 3 / 4, height - 2});  // polygon
    const std::string metafile = m.Plain(object);
    return placeable ? Placeable(0, 0, width, height, metafile) : metafile;
}

// GraphicsMagick draws metafiles through libwmf, another rasteriser than
// GDI. A placeable metafile fills the screen along one side (the size rule
// of K_LoadFile), so gm is given the resolution that makes the same side as
// long; a plain one is drawn at one pixel a unit (libwmf: 72 units an inch),
// and ours rounds its width up to a multiple of 4. libwmf smooths edges and
// draws an ellipse's bounding box inclusively, so its edges lie up to two
// pixels from GDI's and over the area both cover the two differ along the
// shapes' edges only. Stated tolerance: sizes within those roundings; pixels
// that differ by more than 48 levels in a channel are at most 10% of all
// (small drawings are mostly edge) and, but for one in a thousand, within
// three pixels of an edge of ours; the mean difference stays under 8
// levels; inside each shape both give the brush's colour exactly.
TEST(WmfGdi, DrawnAsGraphicsMagickDrawsThem) {
    ASSERT_TRUE(HostHasTool("gm"));
    struct Case {
        const char* name;
        int width, height;
        bool placeable;
    } const cases[] = {
        {"placeable_wide", 2880, 1440, true},
        {"placeable_tall", 1000, 1700, true},
        {"plain", 200, 120, false},
        {"plain_odd", 131, 77, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath(std::string("gm_") + c.name + ".wmf");
        WriteFileBytes(path, Shapes(c.width, c.height, c.placeable));
        // Through the general loader, as a program opens any picture.
        int r = 0;
        Rgb ours = LoadRgb(path, &r);
        ASSERT_EQ(r, K_OK);
        EXPECT_EQ(ours, LoadedBy(path, 0, 0, &r));
        double density = 72;
        if (c.placeable) density = std::min(1440.0 * ours.width / c.width, 1440.0 * ours.height / c.height);
        char number[32];
        std::snprintf(number, sizeof number, "%.4f", density);
        Rgb theirs = HostPnm("gm convert -density " + std::string(number) + " " + path + " -depth 8 ppm:-");
        ASSERT_GT(theirs.width, 0);
        if (c.placeable) {
            EXPECT_LE(std::abs(theirs.width - ours.width), 1);
            EXPECT_LE(std::abs(theirs.height - ours.height), 1);
        } else {
            EXPECT_EQ(ours.width, (c.width + 3) / 4 * 4);
            EXPECT_EQ(ours.height, c.height);
            // libwmf counts the drawing's box inclusively: one more each way.
            EXPECT_LE(std::abs(theirs.width - c.width), 1);
            EXPECT_LE(std::abs(theirs.height - c.height), 1);
        }
        const int w = std::min(ours.width, theirs.width), h = std::min(ours.height, theirs.height);
        auto channel = [](const Rgb& p, int x, int y, int k) {
            return int(p.pixels[(size_t(y) * p.width + x) * 3 + k]);
        };
        // A pixel near an edge: our picture changes within three pixels of it.
        auto nearEdge = [&](int x, int y) {
            for (int v = std::max(0, y - 3); v <= std::min(h - 1, y + 3); ++v)
                for (int u = std::max(0, x - 3); u <= std::min(w - 1, x + 3); ++u)
                    for (int k = 0; k < 3; ++k)
                        if (channel(ours, u, v, k) != channel(ours, x, y, k)) return true;
            return false;
        };
        size_t distant = 0, inside = 0, sum = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int most = 0;
                for (int k = 0; k < 3; ++k) {
                    int d = std::abs(channel(ours, x, y, k) - channel(theirs, x, y, k));
                    most = std::max(most, d);
                    sum += d;
                }
                if (most > 48) {
                    ++distant;
                    inside += !nearEdge(x, y);
                }
            }
        const size_t pixels = size_t(w) * h;
        EXPECT_LE(distant * 100, pixels * 10) << distant << " of " << pixels << " pixels differ by more than 48";
        EXPECT_LE(inside * 1000, pixels) << inside << " pixels away from every edge differ by more than 48";
        EXPECT_LT(double(sum) / double(pixels * 3), 8.0);
        auto at = [&](const Rgb& p, int x, int y) {
            return channel(p, x, y, 0) << 16 | channel(p, x, y, 1) << 8 | channel(p, x, y, 2);
        };
        for (auto [fx, fy, colour] :
             {std::tuple{w * 3 / 10, h * 4 / 10, 0xFF0080}, std::tuple{w * 3 / 4, h * 3 / 4, 0x00C800},
              std::tuple{w / 2, h - 4, 0x1030E0}, std::tuple{w * 9 / 10, 2, 0xFAF0C8}}) {
            EXPECT_EQ(at(ours, fx, fy), colour) << fx << "," << fy;
            EXPECT_EQ(at(theirs, fx, fy), colour) << fx << "," << fy;
        }
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
