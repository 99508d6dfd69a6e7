// TGA against ImageMagick and netpbm, and hand-made headers.
#include <algorithm>
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"

namespace {

struct PeerCase {
    const char* name;
    const char* command;  // %s in, %s out
    int kind;             // 0 gradient, 1 palette, 2 grey
};

Rgb Picture(int kind) {
    if (kind == 0) return GradientPicture(37, 23);
    if (kind == 1) return PalettePicture(37, 23, 16);
    return GrayPicture(37, 23, 256);
}

TEST(Tga, FilesOfPeersLoadWithTheirPixels) {
    const PeerCase cases[] = {
        {"im_raw", "%s %s TGA:%s", 0},
        {"im_rle", "%s %s -compress RLE TGA:%s", 0},
        {"im_palette", "%s %s -type Palette TGA:%s", 1},
        {"im_grey", "%s %s -type Grayscale TGA:%s", 2},
        {"pam_rle", "pamtotga %s > %s", 0},
        {"pam_raw", "pamtotga -norle %s > %s", 0},
        {"pam_cmap", "pamtotga -cmap %s > %s", 1},
        {"pam_grey", "ppmtopgm %s | pamtotga -mono > %s", 2},
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = Picture(c.kind);
        std::string in = WritePpm(picture, std::string("tga_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("tga_") + c.name + ".tga");
        char command[1024];
        if (c.command[0] == '%')
            std::snprintf(command, sizeof command, c.command, kConvert.c_str(), in.c_str(), out.c_str());
        else
            std::snprintf(command, sizeof command, c.command, in.c_str(), out.c_str());
        Host(command);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_TGA);
        // netpbm reads TGA rows as the descriptor orders them; this
        // ImageMagick writes its rows top line first under a bottom-left
        // descriptor and reads them back the same way, so the standard
        // reader is the reference.
        Rgb reference = picture;
        if (c.command[0] == '%')
            for (int y = 0; y < picture.height; ++y)
                std::copy_n(&picture.pixels[static_cast<size_t>(picture.height - 1 - y) * picture.width * 3],
                            picture.width * 3, &reference.pixels[static_cast<size_t>(y) * picture.width * 3]);
        if (c.command[0] != '%') {
            EXPECT_EQ(HostPnm("tgatoppm " + out), picture);
        }
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), reference);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(Tga, OurFilesReadBackByPeers) {
    Rgb picture = GradientPicture(41, 17);
    BitmapRecord b;
    MakeRecord(picture, &b);
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        std::string out = TestTempPath("tga_ours_" + std::to_string(bits) + ".tga");
        ASSERT_EQ(K_SaveTGABitmap(out.c_str(), &b, bits), K_OK);
        if (bits == 24) {
            EXPECT_EQ(HostPnm("tgatoppm " + out), picture);
        }
        EXPECT_EQ(LoadRgb(out), picture);
    }
    K_FreeBitmap(&b);

    // An 8-bit grey picture: a colour-mapped file with a grey map.
    Rgb grey = GrayPicture(30, 9, 256);
    std::vector<RGBQUAD> ramp(256);
    std::vector<unsigned char> indices(30 * 9);
    for (int i = 0; i < 256; ++i) ramp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = grey.pixels[i * 3];
    MakeIndexedRecord(30, 9, 8, ramp, indices, &b);
    std::string out = TestTempPath("tga_ours_8.tga");
    ASSERT_EQ(K_SaveTGABitmap(out.c_str(), &b, 8), K_OK);
    std::string bytes = ReadFileBytes(out);
    ASSERT_GE(bytes.size(), 18u + 768u);
    EXPECT_EQ(bytes[1], 1);   // colour map present
    EXPECT_EQ(bytes[2], 1);   // colour-mapped, never type 3
    EXPECT_EQ(bytes[17], 0);  // descriptor
    EXPECT_EQ(HostPnm("tgatoppm " + out), grey);
    EXPECT_EQ(LoadRgb(out), grey);
    K_FreeBitmap(&b);
}

std::string Header(int mapType, int type, int mapLength, int entrySize, int w, int h, int depth, int descriptor) {
    unsigned char t[18] = {};
    t[1] = static_cast<unsigned char>(mapType);
    t[2] = static_cast<unsigned char>(type);
    t[5] = mapLength & 0xFF;
    t[6] = static_cast<unsigned char>(mapLength >> 8);
    t[7] = static_cast<unsigned char>(entrySize);
    t[12] = static_cast<unsigned char>(w);
    t[13] = static_cast<unsigned char>(w >> 8);
    t[14] = static_cast<unsigned char>(h);
    t[15] = static_cast<unsigned char>(h >> 8);
    t[16] = static_cast<unsigned char>(depth);
    t[17] = static_cast<unsigned char>(descriptor);
    return std::string(reinterpret_cast<char*>(t), 18);
}

TEST(Tga, RunPacketsCrossRowEnds) {
    // 3 x 2, top-down: one run of 4 pixels, then a raw packet of 2.
    std::string file = Header(0, 10, 0, 0, 3, 2, 24, 0x20);
    file += std::string("\x83\x10\x20\x30", 4);
    file += std::string("\x01\x01\x02\x03\x04\x05\x06", 7);
    std::string path = TestTempPath("tga_runs.tga");
    WriteFileBytes(path, file);
    Rgb expected{3, 2, {0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 3, 2, 1, 6, 5, 4}};
    EXPECT_EQ(LoadRgb(path), expected);
}

// The pixels of a loaded file in the record's colour order, and every row's
// padding zero.
Rgb LoadInOrder(const std::string& path, int order) {
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    EXPECT_EQ(K_LoadFile(path.c_str(), &b, 24, order, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr), K_OK);
    std::vector<unsigned char> row(b.BytesPerLine);
    for (int y = 0; y < b.Height; ++y) {
        K_GetBitmapRow(&b, row.data(), y, b.BytesPerLine);
        for (int i = b.Width * 3; i < b.BytesPerLine; ++i) EXPECT_EQ(row[i], 0) << "row " << y;
    }
    Rgb pixels = RecordPixels(&b);
    K_FreeBitmap(&b);
    return pixels;
}

// Noise mixed with runs in files of many input blocks: peers' files, and a
// stream of ours whose packets run on over row ends. Loaded in the file's
// colour order (decoded straight into storage) and in RGB (the row path).
TEST(Tga, LongRunLengthFilesDecodeAcrossInputBlocks) {
    const int width = 401, height = 300;
    Rgb picture{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    uint32_t seed = 4242;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    // Top-down, so the stream's pixels are the picture's in order.
    std::string ours = Header(0, 10, 0, 0, width, height, 24, 0x20);
    const size_t total = static_cast<size_t>(width) * height;
    for (size_t pixel = 0; pixel < total;) {
        const int count = static_cast<int>(std::min<size_t>(1 + next() % 128, total - pixel));
        const bool run = next() % 3 == 0;
        ours += static_cast<char>((run ? 0x80 : 0) | (count - 1));
        unsigned char value[3];
        for (int k = 0; k < count; ++k, ++pixel) {
            if (!run || k == 0) {
                for (unsigned char& c : value) c = static_cast<unsigned char>(next());
                ours +=
                    std::string{static_cast<char>(value[2]), static_cast<char>(value[1]), static_cast<char>(value[0])};
            }
            std::memcpy(&picture.pixels[pixel * 3], value, 3);
        }
    }
    const std::string ourPath = TestTempPath("tga_long_ours.tga");
    WriteFileBytes(ourPath, ours);
    ASSERT_GT(ours.size(), 3u * 32768);  // several input blocks

    const std::string in = WritePpm(picture, "tga_long.ppm");
    const std::string magickPath = TestTempPath("tga_long_im.tga"), pamPath = TestTempPath("tga_long_pam.tga");
    Host(kConvert + " " + in + " -compress RLE TGA:" + magickPath);
    Host("pamtotga " + in + " > " + pamPath);
    for (const std::string& path : {ourPath, magickPath, pamPath}) {
        SCOPED_TRACE(path);
        // This ImageMagick writes rows top line first under a bottom-left
        // descriptor: it reads its files upside down from the standard.
        Rgb expected = picture;
        if (path == magickPath)
            for (int y = 0; y < height; ++y)
                std::copy_n(&picture.pixels[static_cast<size_t>(height - 1 - y) * width * 3], width * 3,
                            &expected.pixels[static_cast<size_t>(y) * width * 3]);
        EXPECT_EQ(LoadInOrder(path, K_ORDER_BGR), expected);
        EXPECT_EQ(LoadInOrder(path, K_ORDER_RGB), expected);
    }
}

TEST(Tga, SixteenBitPixelsAreFiveBitFields) {
    // Top-down 3 x 1: full red, full green, full blue in 5-5-5 words.
    std::string file = Header(0, 2, 0, 0, 3, 1, 16, 0x20) + std::string("\x00\x7C\xE0\x03\x1F\x00", 6);
    std::string path = TestTempPath("tga_16.tga");
    WriteFileBytes(path, file);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
    EXPECT_EQ(info.BitsPerPixel, 16);
    Rgb expected{3, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255}};
    EXPECT_EQ(LoadRgb(path), expected);
}

TEST(Tga, DescriptorSetsRowOrder) {
    for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
        std::string file = Header(0, 2, 0, 0, 1, 2, 24, descriptor) + std::string("\0\0\xFF\xFF\0\0", 6);
        std::string path = TestTempPath("tga_desc.tga");
        WriteFileBytes(path, file);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.ViewPerspective, descriptor == 0x20 ? K_TOP_DOWN : K_BOTTOM_UP) << descriptor;
        Rgb p = LoadRgb(path);
        ASSERT_EQ(p.height, 2);
        // The first stored row (red) is the top only for 0x20.
        EXPECT_EQ(p.pixels[0], descriptor == 0x20 ? 0xFF : 0x00) << descriptor;
    }
}

TEST(Tga, LongColourMapStaysInTheTable) {
    // 300 map entries of 24 bits: indices past 255 have no place and are
    // dropped; pixel 7 uses entry 7.
    std::string file = Header(1, 1, 300, 24, 2, 1, 8, 0x20);
    for (int i = 0; i < 300; ++i) file += std::string{char(i), char(i * 2), char(255 - i)};
    file += std::string("\x07\xFF", 2);
    std::string path = TestTempPath("tga_longmap.tga");
    WriteFileBytes(path, file);
    Rgb p = LoadRgb(path);
    Rgb expected{2, 1, {255 - 7, 14, 7, 0, 0xFE, 0xFF}};
    EXPECT_EQ(p, expected);
}

TEST(Tga, LoadedAt8BitsIsDitheredToTheFixedPalette) {
    Rgb picture = GradientPicture(40, 20);
    std::string in = WritePpm(picture, "tga_dither.ppm");
    std::string out = TestTempPath("tga_dither.tga");
    Host("pamtotga -norle " + in + " > " + out);
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    ASSERT_EQ(K_LoadTGABitmap(out.c_str(), &b), K_OK);
    EXPECT_EQ(b.BitsPerPixel, 24);
    EXPECT_EQ(b.Colors, 0);
    EXPECT_EQ(RecordPixels(&b), picture);
    K_FreeBitmap(&b);
    std::memset(&b, 0, sizeof b);
    ASSERT_EQ(K_LoadFile(out.c_str(), &b, 8, 0, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr), K_OK);
    EXPECT_EQ(b.BitsPerPixel, 8);
    EXPECT_TRUE(b.Flags & K_FIXED_PALETTE_IN_USE);
    K_FreeBitmap(&b);
}

TEST(Tga, MalformedFilesAreRefused) {
    struct Bad {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"image type 5", Header(0, 5, 0, 0, 2, 2, 24, 0) + std::string(12, '\0'), K_ERR_FORMAT},
        {"grey at 16 bits", Header(0, 3, 0, 0, 2, 2, 16, 0) + std::string(8, '\0'), K_ERR_FORMAT},
        {"truncated pixels", Header(0, 2, 0, 0, 4, 4, 24, 0) + std::string(10, '\0'), K_ERR_READ},
        {"truncated runs", Header(0, 10, 0, 0, 4, 4, 24, 0) + std::string("\xFF\x01", 2), K_ERR_READ},
        {"short map", Header(1, 1, 256, 24, 2, 2, 8, 0) + std::string(100, '\0'), K_ERR_READ},
        {"zero width", Header(0, 2, 0, 0, 0, 2, 24, 0) + std::string(8, '\0'), K_ERR_FORMAT},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TestTempPath("tga_bad.tga");
        WriteFileBytes(path, c.bytes);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        EXPECT_EQ(K_LoadTGAFile(path.c_str(), &b, nullptr, 24, nullptr), c.code);
        K_FreeBitmap(&b);
    }
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    EXPECT_EQ(K_LoadTGAFile("x.tga", &b, nullptr, 12, nullptr), K_ERR_BITS);
    EXPECT_EQ(K_LoadTGAFile(nullptr, &b, nullptr, 24, nullptr), K_ERR_NONAME);
    SaveRequest request{"tga_4.tga", &b, 4, K_FORMAT_TGA, 0, 0, 0, 0, nullptr, nullptr};
    EXPECT_EQ(SaveTGAFile(request), K_ERR_BITS);
}

}  // namespace
