// PNG against ImageMagick, netpbm and pngcheck.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define WATCH_ALLOCATIONS 1
#endif
#endif

namespace {

#ifdef WATCH_ALLOCATIONS
// The largest block asked for while watching (native build only).
std::atomic<bool> g_watching{false};
std::atomic<size_t> g_largest{0};

void OnMalloc(const volatile void*, size_t size) {
    if (!g_watching) return;
    size_t seen = g_largest;
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {}
}
void OnFree(const volatile void*) {}
#endif

uint32_t Crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::string Be32(uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

TEST(Png, EveryColourTypeAndDepthOfImageMagickLoads) {
    struct Case {
        int colorType, bitDepth, bits;
        Rgb picture;
        const char* extra;
    } cases[] = {
        {0, 1, 1, GrayPicture(29, 7, 2), ""},
        {0, 2, 8, GrayPicture(29, 7, 4), ""},
        {0, 4, 4, GrayPicture(29, 7, 16), ""},
        {0, 8, 8, GrayPicture(29, 7, 256), ""},
        {0, 16, 8, GrayPicture(29, 7, 256), ""},
        {2, 8, 24, GradientPicture(29, 7), ""},
        {2, 16, 24, GradientPicture(29, 7), ""},
        {3, 1, 1, PalettePicture(29, 7, 2), ""},
        {3, 2, 8, PalettePicture(29, 7, 4), ""},
        {3, 4, 4, PalettePicture(29, 7, 16), ""},
        {3, 8, 8, PalettePicture(29, 7, 256), ""},
        {4, 8, 32, GrayPicture(29, 7, 256), "-alpha on"},
        {4, 16, 32, GrayPicture(29, 7, 256), "-alpha on"},
        {6, 8, 32, GradientPicture(29, 7), "-alpha on"},
        {6, 16, 32, GradientPicture(29, 7), "-alpha on"},
    };
    for (const Case& c : cases) {
        std::string tag = "png_" + std::to_string(c.colorType) + "_" + std::to_string(c.bitDepth);
        SCOPED_TRACE(tag);
        std::string in = WritePpm(c.picture, tag + ".ppm");
        std::string out = TestTempPath(tag + ".png");
        Host(std::string(kConvert) + " " + in + " " + c.extra + " -define png:color-type=" +
             std::to_string(c.colorType) + " -define png:bit-depth=" + std::to_string(c.bitDepth) + " PNG:" + out);
        // ImageMagick may pick another colour type for a tiny picture; the
        // check below keeps the table honest.
        std::string bytes = ReadFileBytes(out);
        ASSERT_GT(bytes.size(), 26u);
        if (bytes[25] != c.colorType || bytes[24] != c.bitDepth) {
            // ImageMagick chose another layout; the pixels must still agree.
            EXPECT_EQ(LoadRgb(out), c.picture);
            continue;
        }
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_PNG);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), c.picture);
        EXPECT_EQ(r, K_OK);
        // At the file's depth the record has the probe's depth.
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadFile(out.c_str(), &b, 0, K_ORDER_RGB, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr), K_OK);
        EXPECT_EQ(b.BitsPerPixel, c.bits);
        if (c.colorType == 0 && c.bits == 8) {
            EXPECT_TRUE(b.Flags & K_GRAY_PALETTE);
        }
        K_FreeBitmap(&b);
    }
}

TEST(Png, OurFilesPassPngcheckAndNetpbm) {
    Rgb gradient = GradientPicture(33, 12);
    BitmapRecord b;
    MakeRecord(gradient, &b);
    std::string out = TestTempPath("png_ours_24.png");
    ASSERT_EQ(K_SaveFile(out.c_str(), &b, K_FORMAT_PNG, 24, 0, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(RunHost("pngcheck -q " + out), 0);
    EXPECT_EQ(HostPnm("pngtopam " + out), gradient);
    EXPECT_EQ(LoadRgb(out), gradient);
    K_FreeBitmap(&b);

    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        int colors = 1 << bits;
        std::vector<RGBQUAD> palette;
        for (int i = 0; i < colors; ++i) palette.push_back(RGBQUAD{BYTE(i * 5), BYTE(200 - i / 2), BYTE(i), 0});
        const int w = 19, h = 6;
        std::vector<unsigned char> indices(w * h);
        Rgb expected{w, h, std::vector<unsigned char>(w * h * 3)};
        for (int i = 0; i < w * h; ++i) {
            indices[i] = static_cast<unsigned char>((i * 3) % colors);
            expected.pixels[i * 3] = palette[indices[i]].rgbRed;
            expected.pixels[i * 3 + 1] = palette[indices[i]].rgbGreen;
            expected.pixels[i * 3 + 2] = palette[indices[i]].rgbBlue;
        }
        MakeIndexedRecord(w, h, bits, palette, indices, &b);
        std::string path = TestTempPath("png_ours_" + std::to_string(bits) + ".png");
        ASSERT_EQ(K_SaveFile(path.c_str(), &b, K_FORMAT_PNG, bits, 0, 0, nullptr, nullptr), K_OK);
        EXPECT_EQ(RunHost("pngcheck -q " + path), 0);
        EXPECT_EQ(HostPnm("pngtopam " + path), expected);
        EXPECT_EQ(LoadRgb(path), expected);
        std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes[25], 3);  // palette image
        EXPECT_NE(bytes.find("tIME"), std::string::npos);
        K_FreeBitmap(&b);
    }
}

TEST(Png, BrokenFilesFailWithTheirCodes) {
    std::string good = TestTempPath("png_good.png");
    Host(std::string(kConvert) + " " + WritePpm(GradientPicture(40, 40), "png_good.ppm") + " PNG24:" + good);
    const std::string original = ReadFileBytes(good);
    struct Bad {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"truncated", original.substr(0, original.size() / 2), K_ERR_FORMAT},
        {"bad header CRC", original.substr(0, 29) + "\x01\x02\x03\x04" + original.substr(33), K_ERR_FORMAT},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(good, c.bytes);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        K_InitBitmap(&b, 40, 40, 24);
        EXPECT_EQ(LoadPNGFile(good.c_str(), &b, nullptr, 24, nullptr), c.code);
        K_FreeBitmap(&b);
    }
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    b.BitsPerPixel = 16;
    EXPECT_EQ(LoadPNGFile(good.c_str(), &b, nullptr, 16, nullptr), K_ERR_BITS);
}

// A text chunk longer than the rest of the file is not given its length in
// memory: a tiny file that declares 64 MB of text fails as short. A real
// 9 MB text chunk is passed over and the picture loads.
TEST(Png, OversizedTextChunksTakeNoMemory) {
#ifdef WATCH_ALLOCATIONS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    ASSERT_TRUE(installed);
#endif
    Rgb picture = GradientPicture(8, 4);
    std::string good = TestTempPath("png_text_good.png");
    Host(std::string(kConvert) + " " + WritePpm(picture, "png_text.ppm") + " PNG24:" + good);
    const std::string original = ReadFileBytes(good);
    ASSERT_GT(original.size(), 33u);
    const std::string text = "Comment" + std::string(1, '\0') + std::string(9 << 20, 'x');
    struct Case {
        const char* name;
        std::string chunk;  // put right after the header chunk
        int code;
        size_t most;  // the largest block the load may ask for
    } cases[] = {
        {"64 MB declared", Be32(64u << 20) + "tEXtComment", K_ERR_FORMAT, size_t(1) << 20},
        {"9 MB present", Be32(static_cast<uint32_t>(text.size())) + "tEXt" + text + Be32(Crc32("tEXt" + text)), K_OK,
         size_t(10) << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath("png_text_chunk.png");
        WriteFileBytes(path, original.substr(0, 33) + c.chunk + (c.code == K_OK ? original.substr(33) : ""));
        int result = 0;
#ifdef WATCH_ALLOCATIONS
        g_largest = 0;
        g_watching = true;
#endif
        Rgb loaded = LoadRgb(path, &result);
#ifdef WATCH_ALLOCATIONS
        g_watching = false;
        EXPECT_LT(g_largest.load(), c.most);
#endif
        EXPECT_EQ(result, c.code);
        if (c.code == K_OK) EXPECT_EQ(loaded, picture);
    }
}

}  // namespace
