// Row layouts checked against the host's imaging tools: records dumped as
// BMP files are read by ImageMagick, and BMP files that netpbm writes are
// stored row by row into records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/pixel_format.h"
#include "host.h"
#include "storage_fixture.h"
#include "volkg.h"

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;  // top row first
    COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

void Put16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); }
void Put32(std::string& s, uint32_t v) { Put16(s, v & 0xFFFF), Put16(s, v >> 16); }
uint32_t Get32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

// A BMP of the record as stored: its rows in storage order (top-down rows
// get a negative height), 16 to 32 bits in the file's blue-green-red order.
std::string DumpAsBmp(BitmapRecord& r) {
    const int colours = r.BitsPerPixel <= 8 ? r.Colors : 0;
    std::string bmp;
    uint32_t offset = 14 + 40 + 4 * colours;
    bmp += "BM";
    Put32(bmp, offset + r.ImageSize);
    Put32(bmp, 0);
    Put32(bmp, offset);
    Put32(bmp, 40);
    Put32(bmp, r.Width);
    Put32(bmp, r.ViewPerspective == K_TOP_DOWN ? -r.Height : r.Height);
    Put16(bmp, 1);
    Put16(bmp, r.BitsPerPixel);
    Put32(bmp, 0);
    Put32(bmp, r.ImageSize);
    Put32(bmp, 3780), Put32(bmp, 3780), Put32(bmp, colours), Put32(bmp, 0);
    std::vector<RGBQUAD> table(colours > 0 ? colours : 1);
    if (colours) {
        EXPECT_EQ(K_GetBitmapColors(&r, 0, colours, table.data()), K_OK);
    }
    bmp.append(reinterpret_cast<const char*>(table.data()), 4 * colours);
    BitmapLock lock(&r);
    std::vector<unsigned char> row(r.BytesPerLine);
    for (int y = 0; y < r.Height; ++y) {
        EXPECT_EQ(K_GetBitmapRow(&r, row.data(), y, r.BytesPerLine), r.BytesPerLine);
        if (r.BitsPerPixel > 8 && r.ColorOrder == K_ORDER_RGB) SwapRowRedBlue(row.data(), r.Width, r.BitsPerPixel);
        bmp.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    return bmp;
}

// Reads a binary PPM (P6, maxval 255).
Image ReadPpm(const std::string& bytes) {
    Image image;
    size_t pos = 0;
    auto token = [&]() {
        while (pos < bytes.size() && (isspace(uint8_t(bytes[pos])) || bytes[pos] == '#')) {
            if (bytes[pos] == '#')
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            else
                ++pos;
        }
        size_t start = pos;
        while (pos < bytes.size() && !isspace(uint8_t(bytes[pos]))) ++pos;
        return bytes.substr(start, pos - start);
    };
    if (token() != "P6") return image;
    image.width = std::atoi(token().c_str());
    image.height = std::atoi(token().c_str());
    if (token() != "255") return Image{};
    ++pos;
    if (bytes.size() < pos + size_t(3) * image.width * image.height) return Image{};
    for (int i = 0; i < image.width * image.height; ++i, pos += 3)
        image.pixels.push_back(RGB(uint8_t(bytes[pos]), uint8_t(bytes[pos + 1]), uint8_t(bytes[pos + 2])));
    return image;
}

std::string WritePpm(const Image& image) {
    std::string s = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    for (COLORREF c : image.pixels) s += char(GetRValue(c)), s += char(GetGValue(c)), s += char(GetBValue(c));
    return s;
}

// Sixteen colours that no channel rounding can confuse.
const COLORREF kColours[16] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(200, 16, 40),  RGB(16, 200, 40),
                               RGB(40, 16, 200), RGB(248, 248, 0),   RGB(0, 248, 248),  RGB(248, 0, 248),
                               RGB(128, 64, 32), RGB(32, 64, 128),   RGB(96, 96, 96),   RGB(160, 160, 160),
                               RGB(8, 120, 8),   RGB(120, 8, 120),   RGB(232, 136, 24), RGB(24, 136, 232)};

COLORREF PatternColour(int x, int y, int colours) { return kColours[(x * 3 + y * 5 + x * y) % colours]; }

int ChannelDistance(COLORREF a, COLORREF b) {
    int d = 0;
    for (int shift : {0, 8, 16}) d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

struct Layout {
    int bits, width, perspective, order;
};

class RowsAgainstImageMagick : public StorageModeTest {};

TEST_P(RowsAgainstImageMagick, DumpedRecordsShowTheSamePixels) {
    if (!HostHasTool("convert-im6.q16")) GTEST_SKIP() << "ImageMagick is not installed";
    const Layout layouts[] = {
        {1, 13, K_BOTTOM_UP, 0}, {1, 13, K_TOP_DOWN, 0}, {4, 7, K_BOTTOM_UP, 0},  {4, 7, K_TOP_DOWN, 0},
        {8, 5, K_BOTTOM_UP, 0},  {8, 5, K_TOP_DOWN, 0},  {16, 5, K_BOTTOM_UP, 1}, {16, 5, K_TOP_DOWN, 0},
        {24, 5, K_BOTTOM_UP, 1}, {24, 5, K_TOP_DOWN, 0}, {24, 5, K_BOTTOM_UP, 0}, {32, 3, K_BOTTOM_UP, 1},
        {32, 3, K_TOP_DOWN, 0},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(testing::Message() << l.bits << " bits, width " << l.width << ", perspective " << l.perspective
                                        << ", order " << l.order);
        const int height = 3;
        BitmapRecord r;
        K_InitBitmap(&r, l.width, height, l.bits);
        ASSERT_EQ(K_AllocateBitmap(&r, GetParam() ? K_STORAGE_DISK : K_STORAGE_MEMORY), K_OK);
        r.ViewPerspective = l.perspective;
        r.ColorOrder = l.order;
        const int colours = l.bits == 1 ? 2 : 16;
        if (l.bits <= 8) {
            RGBQUAD table[16];
            for (int i = 0; i < colours; ++i)
                table[i] = RGBQUAD{GetBValue(kColours[i]), GetGValue(kColours[i]), GetRValue(kColours[i]), 0};
            r.Colors = colours;
            ASSERT_EQ(K_PutBitmapColors(&r, 0, colours, table), K_OK);
        }
        // Picture row y is storage row Height - 1 - y when bottom-up.
        Image expected{l.width, height, {}};
        for (int y = 0; y < height; ++y) {
            int row = l.perspective == K_BOTTOM_UP ? height - 1 - y : y;
            for (int x = 0; x < l.width; ++x) {
                ASSERT_EQ(K_PutPixelColor(&r, row, x, PatternColour(x, y, colours)), K_OK);
                expected.pixels.push_back(K_GetPixelColor(&r, row, x));
            }
        }
        std::string bmp = TestTempPath("rows_dump.bmp"), ppm = TestTempPath("rows_dump.ppm");
        WriteFileBytes(bmp, DumpAsBmp(r));
        K_FreeBitmap(&r);
        ASSERT_EQ(RunHost(kConvert + " '" + bmp + "' -depth 8 'ppm:" + ppm + "'"), 0);
        Image seen = ReadPpm(ReadFileBytes(ppm));
        ASSERT_EQ(seen.width, l.width);
        ASSERT_EQ(seen.height, height);
        // 5-bit channels widen with slightly different rounding.
        const int tolerance = l.bits == 16 ? 2 : 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < l.width; ++x) {
                EXPECT_LE(ChannelDistance(seen.at(x, y), expected.at(x, y)), tolerance) << "x " << x << " y " << y;
                if (l.bits != 16) {
                    EXPECT_EQ(expected.at(x, y), PatternColour(x, y, colours));
                }
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, RowsAgainstImageMagick, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Disk" : "Memory"; });

TEST(RowsFromNetpbm, BmpRowsStoreIntoRecords) {
    if (!HostHasTool("ppmtobmp")) GTEST_SKIP() << "netpbm is not installed";
    const struct { int bits, width, colours; } cases[] = {{1, 11, 2}, {4, 9, 16}, {8, 7, 16}, {24, 5, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
        Image source{c.width, 4, {}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < c.width; ++x) source.pixels.push_back(PatternColour(x, y, c.colours));
        std::string ppm = TestTempPath("rows_source.ppm"), bmp = TestTempPath("rows_source.bmp");
        WriteFileBytes(ppm, WritePpm(source));
        ASSERT_EQ(
            RunHost("ppmtobmp -windows -bpp=" + std::to_string(c.bits) + " '" + ppm + "' > '" + bmp + "' 2>/dev/null"),
            0);
        std::string file = ReadFileBytes(bmp);
        ASSERT_GT(file.size(), 54u);
        uint32_t offset = Get32(file, 10), headerSize = Get32(file, 14);
        ASSERT_EQ(int(Get32(file, 18)), c.width);
        ASSERT_EQ(int(Get32(file, 22)), 4);  // bottom-up
        ASSERT_EQ(uint8_t(file[28]), c.bits);

        BitmapRecord r;
        K_InitBitmap(&r, c.width, 4, c.bits);
        ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_MEMORY), K_OK);
        if (c.bits <= 8) {
            int used = int(Get32(file, 46));
            if (used == 0) used = 1 << c.bits;
            r.Colors = used;
            std::vector<RGBQUAD> table(used);
            std::memcpy(table.data(), file.data() + 14 + headerSize, 4 * used);
            ASSERT_EQ(K_PutBitmapColors(&r, 0, used, table.data()), K_OK);
        }
        {
            BitmapLock lock(&r);
            ASSERT_GE(file.size(), offset + r.ImageSize);
            // The whole image in one put: rows follow at BytesPerLine.
            ASSERT_EQ(K_PutBitmapRow(&r, file.data() + offset, 0, int(r.ImageSize)), int(r.ImageSize));
        }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(K_GetPixelColor(&r, 3 - y, x), source.at(x, y)) << "x " << x << " y " << y;
        K_FreeBitmap(&r);
    }
}

}  // namespace
