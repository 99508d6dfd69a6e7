// Windows metafiles without a device: our files drawn by libwmf's tools,
// and the size rule and record walk on hand-built metafiles.
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "formats/format_fixture.h"
#include "formats/wmf_metafile.h"
#include "wmf/metafile_builder.h"
#include "io/file_callbacks.h"
#include "io/source.h"

namespace {

double MeanDifference(const Rgb& a, const Rgb& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

TEST(Wmf, OurFilesDrawnByLibwmfWithOurPixels) {
    struct Case {
        const char* name;
        int bits;
        int kind;  // 0 gradient, 1 200 colours
    } const cases[] = {{"24", 24, 0}, {"24_palette", 24, 1}, {"8_palette", 8, 1}, {"8_two", 8, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.kind == 0 ? GradientPicture(37, 23) : PalettePicture(37, 23, c.kind == 1 ? 200 : 2);
        BitmapRecord b;
        if (c.bits == 8)
            IndexedRecord(picture, 8, false, &b);
        else
            MakeRecord(picture, &b);
        std::string out = TestTempPath(std::string("ours_") + c.name + ".wmf");
        ASSERT_EQ(K_SaveWMFBitmap(out.c_str(), &b, c.bits), K_OK);
        K_FreeBitmap(&b);
        EXPECT_EQ(HostPnm("gm convert " + out + " -depth 8 ppm:-"), picture);
        // wmf2gd resamples the bitmap and draws into a palette image: its
        // pixels are close, not equal (a picture upside down or with red and
        // blue exchanged differs by five times more).
        std::string png = out + ".png";
        Host("wmf2gd -t png -o " + png + " " + out + " > /dev/null");
        Rgb drawn = HostPixels(png);
        ASSERT_EQ(drawn.width, picture.width);
        ASSERT_EQ(drawn.height, picture.height);
        if (c.kind == 0) {
            EXPECT_LT(MeanDifference(drawn, picture), 16.0);
        }
        // The header: total size and largest record in words, one object with a palette.
        const std::string bytes = ReadFileBytes(out);
        auto u32 = [&](size_t at) {
            return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
                   uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
        };
        EXPECT_EQ(size_t(u32(6)) * 2, bytes.size());
        EXPECT_EQ(uint8_t(bytes[10]), c.bits == 8 ? 1 : 0);
        const int rowBytes = (37 * c.bits + 31) / 32 * 4;
        const int colors = c.bits == 8 ? 256 : 0;
        EXPECT_EQ(u32(12), uint32_t(rowBytes / 2 * 23 + colors * 2 + 32));
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 15);
        EXPECT_EQ(info.Width, 40);  // the window extent rounded up to 4
        EXPECT_EQ(info.Height, 23);
    }
    BitmapRecord b;
    MakeRecord(GradientPicture(4, 4), &b);
    EXPECT_EQ(K_SaveWMFBitmap(TestTempPath("four.wmf").c_str(), &b, 4), K_ERR_BITS);
    K_FreeBitmap(&b);
}

std::string Extent(int x, int y) {
    Metafile m;
    m.Record(0x0103, {8});
    m.Record(0x020B, {0, 0});
    m.Record(0x020C, {y, x});
    return m.Plain();
}

TEST(Wmf, SizeRuleAndMapping) {
    Metafile noExtent;
    noExtent.Record(0x0103, {1});
    Metafile zeroSize;  // a record of size 0 ahead of the extent: the walk must not stand still
    zeroSize.records = std::string("\0\0\0\0\x03\x01\x01\0", 8);  // set map mode, size 0
    zeroSize.Record(0x020C, {480, 640});
    Metafile pastEnd;
    pastEnd.Record(0x0103, {1}, 100000);
    pastEnd.Record(0x020C, {480, 640});
    struct Case {
        const char* name;
        std::string file;
        int boxWidth, boxHeight;
        int width, height;
        bool isotropic;
        int originX, originY, extentX, extentY;
    } const cases[] = {
        {"natural", Extent(640, 480), 1024, 768, 640, 480, false, 0, 0, 0, 0},
        {"natural_rounded_up", Extent(641, 480), 1024, 768, 644, 480, true, 0, 0, 644, 480},
        {"wide_scaled", Extent(3000, 1500), 1024, 768, 1024, 512, true, 0, 0, 3000, 1500},
        {"tall_scaled", Extent(1500, 3000), 1024, 768, 384, 768, true, 0, 0, 1500, 3000},
        // Read as unsigned: -1 is 65535, above 2000.
        {"negative_extent", Extent(-1, 100), 1000, 1000, 1000, 1, true, 0, 0, 65536, 100},
        {"no_extent", noExtent.Plain(), 1024, 768, 0, 0, false, 0, 0, 0, 0},
        {"zero_width_scaled", Extent(0, 3000), 1024, 768, 0, 0, false, 0, 0, 0, 0},
        {"record_size_zero", zeroSize.Plain(), 1024, 768, 0, 0, false, 0, 0, 0, 0},
        {"record_past_end", pastEnd.Plain(), 1024, 768, 0, 0, false, 0, 0, 0, 0},
        // A placeable box fills the box along one side; its window starts at
        // its corner and spans its own size, wherever it lies.
        {"placeable_offset", Placeable(100, 200, 399, 349, Extent(10, 10)), 600, 600, 600, 300, true, 100, 200, 299,
         149},
        {"placeable_centred", Placeable(-50, -25, 49, 24, Extent(10, 10)), 400, 100, 200, 100, true, -50, -25, 99, 49},
        {"placeable_turned_over", Placeable(10, 10, 8, 20, Extent(10, 10)), 600, 600, 0, 0, true, 10, 10, -2, 10},
        {"placeable_empty", Placeable(10, 10, 9, 9, Extent(10, 10)), 600, 600, 0, 0, true, 10, 10, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath(std::string("size_") + c.name + ".wmf");
        WriteFileBytes(path, c.file);
        InputFile file;
        ASSERT_EQ(file.Open(path.c_str()), K_OK);
        WmfMeasure m;
        ASSERT_EQ(MeasureMetafile(file.handle(), c.boxWidth, c.boxHeight, &m), K_OK);
        EXPECT_EQ(m.width, c.width);
        EXPECT_EQ(m.height, c.height);
        if (m.width == 0) continue;
        WmfMapping map = MappingFor(m);
        EXPECT_EQ(map.isotropic, c.isotropic);
        EXPECT_EQ(map.originX, c.originX);
        EXPECT_EQ(map.originY, c.originY);
        EXPECT_EQ(map.extentX, c.extentX);
        EXPECT_EQ(map.extentY, c.extentY);
    }
}

TEST(Wmf, MetafileBytesAreExactlyTheStatedSize) {
    const std::string plain = Extent(64, 48);
    struct Case {
        const char* name;
        std::string file;
        int result;
        size_t size;
    } const cases[] = {
        {"plain", plain, K_OK, plain.size()},
        {"trailing_bytes", plain + std::string(10, '\x55'), K_OK, plain.size()},
        {"placeable", Placeable(0, 0, 63, 47, plain) + "xyz", K_OK, plain.size()},
        {"cut_short", plain.substr(0, plain.size() - 4), K_ERR_READ, 0},
        {"size_below_header",
         [&] {
             std::string f = plain;
             f[6] = 4;
             f[7] = f[8] = f[9] = 0;
             return f;
         }(),
         K_ERR_FORMAT, 0},
        {"not_a_metafile", "\x01\x00\x09\x00\x00\x02" + plain.substr(6), K_ERR_FORMAT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath(std::string("bytes_") + c.name + ".wmf");
        WriteFileBytes(path, c.file);
        InputFile file;
        ASSERT_EQ(file.Open(path.c_str()), K_OK);
        std::vector<unsigned char> bytes;
        EXPECT_EQ(ReadMetafileBytes(file.handle(), &bytes), c.result);
        if (c.result == K_OK) {
            EXPECT_EQ(bytes.size(), c.size);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
        }
    }
}

}  // namespace
