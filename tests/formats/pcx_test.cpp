// PCX and DCX against ImageMagick and netpbm.
#include <cstring>

#include "format_fixture.h"
#include "formats/raster_formats.h"

namespace {

TEST(Pcx, FilesOfPeersLoadWithTheirPixels) {
    struct Case {
        const char* name;
        std::string command;  // {in} {out}
        Rgb picture;
    } cases[] = {
        {"im_24", std::string(kConvert) + " {in} PCX:{out}", GradientPicture(33, 11)},
        {"im_8", std::string(kConvert) + " {in} -type Palette PCX:{out}", PalettePicture(33, 11, 256)},
        {"im_1", std::string(kConvert) + " {in} -type Bilevel PCX:{out}", PalettePicture(33, 11, 2)},
        {"im_rgba", std::string(kConvert) + " {in} -alpha on PCX:{out}", GradientPicture(33, 11)},  // four planes
        {"ppm_planar16", "ppmtopcx {in} > {out}", PalettePicture(33, 11, 16)},
        {"ppm_planar4", "ppmtopcx {in} > {out}", PalettePicture(33, 11, 4)},
        {"ppm_packed2", "ppmtopcx -packed {in} > {out}", PalettePicture(33, 11, 4)},
        {"ppm_packed16", "ppmtopcx -packed {in} > {out}", PalettePicture(33, 11, 16)},
        {"ppm_8bit", "ppmtopcx -8bit {in} > {out}", PalettePicture(33, 11, 16)},
        {"ppm_24bit", "ppmtopcx -24bit {in} > {out}", GradientPicture(33, 11)},
        {"ppm_mono", "ppmtopcx {in} > {out}", PalettePicture(33, 11, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string in = WritePpm(c.picture, std::string("pcx_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("pcx_") + c.name + ".pcx");
        std::string command = c.command;
        command.replace(command.find("{in}"), 4, in);
        command.replace(command.find("{out}"), 5, out);
        Host(command);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, K_FORMAT_PCX);
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), c.picture);
        EXPECT_EQ(r, K_OK);
        // The same bytes through memory: the palette at the end is found by
        // seeking within the block.
        std::string bytes = ReadFileBytes(out);
        BitmapRecord m;
        std::memset(&m, 0, sizeof m);
        ASSERT_EQ(K_LoadBitmapMemory(bytes.data(), &m, 24, K_ORDER_RGB, static_cast<int>(bytes.size())), K_OK);
        EXPECT_EQ(RecordPixels(&m), c.picture);
        K_FreeBitmap(&m);
        // The depth the probe reports is the depth the reader delivers.
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadPCXBitmap(out.c_str(), &b), K_OK);
        EXPECT_EQ(b.BitsPerPixel, info.BitsPerPixel);
        K_FreeBitmap(&b);
    }
}

TEST(Pcx, OurFilesReadBackByPeers) {
    Rgb gradient = GradientPicture(31, 9);
    BitmapRecord b;
    MakeRecord(gradient, &b);
    std::string out = TestTempPath("pcx_ours_24.pcx");
    ASSERT_EQ(K_SavePCXBitmap(out.c_str(), &b, 24), K_OK);
    EXPECT_EQ(HostPnm("pcxtoppm " + out), gradient);
    EXPECT_EQ(HostPixels(out), gradient);
    K_FreeBitmap(&b);

    // Indexed pictures at 1, 4 and 8 bits; 1 bit with white first is
    // written black first with the bits turned over.
    struct Case {
        int bits;
        std::vector<RGBQUAD> palette;
    } cases[] = {
        {1, {{255, 255, 255, 0}, {0, 0, 0, 0}}},
        {1, {{0, 0, 0, 0}, {255, 255, 255, 0}}},
        {4, {}},
        {8, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.bits);
        int colors = 1 << c.bits;
        if (c.palette.empty())
            for (int i = 0; i < colors; ++i) c.palette.push_back(RGBQUAD{BYTE(i * 7), BYTE(255 - i), BYTE(i * 3), 0});
        const int w = 21, h = 7;
        std::vector<unsigned char> indices(w * h);
        Rgb expected{w, h, std::vector<unsigned char>(w * h * 3)};
        for (int i = 0; i < w * h; ++i) {
            indices[i] = static_cast<unsigned char>((i * 5) % colors);
            const RGBQUAD& q = c.palette[indices[i]];
            expected.pixels[i * 3] = q.rgbRed;
            expected.pixels[i * 3 + 1] = q.rgbGreen;
            expected.pixels[i * 3 + 2] = q.rgbBlue;
        }
        MakeIndexedRecord(w, h, c.bits, c.palette, indices, &b);
        std::string path = TestTempPath("pcx_ours_" + std::to_string(c.bits) + ".pcx");
        ASSERT_EQ(K_SaveFile(path.c_str(), &b, K_FORMAT_PCX, c.bits, 0, 0, nullptr, nullptr), K_OK);
        EXPECT_EQ(HostPnm("pcxtoppm " + path), expected);
        EXPECT_EQ(LoadRgb(path), expected);
        K_FreeBitmap(&b);
    }
}

// Files of many input blocks: noise (bytes of 0xC0 and above, each coded
// as a run of one) mixed with runs of up to 80, so that run codes and their
// values fall on every side of the reader's block ends.
TEST(Pcx, LongFilesDecodeAcrossInputBlocks) {
    Rgb picture{401, 300, std::vector<unsigned char>(401 * 300 * 3)};
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (size_t at = 0; at < picture.pixels.size();) {
        const size_t run = next() % 8 == 0 ? 1 + next() % 80 : 1;
        const unsigned char value = static_cast<unsigned char>(next());
        for (size_t k = 0; k < run && at < picture.pixels.size(); ++k) picture.pixels[at++] = value;
    }
    const std::string in = WritePpm(picture, "pcx_long.ppm");
    for (const std::string& command :
         {std::string(kConvert) + " " + in + " -type TrueColor PCX:", std::string("ppmtopcx -24bit ") + in + " > "}) {
        SCOPED_TRACE(command);
        const std::string out = TestTempPath("pcx_long.pcx");
        Host(command + out);
        EXPECT_GT(ReadFileBytes(out).size(), 3u * 32768);  // several input blocks
        int r = 0;
        EXPECT_EQ(LoadRgb(out, &r), picture);
        EXPECT_EQ(r, K_OK);
    }
}

// Hand-made 8-bit streams against decoding the same bytes one at a time:
// streams dense with run codes of every length (0 and runs that carry over
// into the next line among them) in files of several lengths, and one of
// 15 plain bytes and a run code over and over, whose period (17) puts a code
// at every offset before the reader's 32 KB block ends in turn.
TEST(Pcx, RunCodesMatchByteByByteDecoding) {
    const int width = 203, bytesPerLine = 204;
    uint32_t seed = 99;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int variant = 0; variant < 7; ++variant) {
        SCOPED_TRACE(variant);
        const bool periodic = variant == 6;
        const int height = periodic ? 3000 : 1600;
        const size_t total = static_cast<size_t>(bytesPerLine) * height;
        std::string data;
        std::vector<unsigned char> lines;  // what the stream decodes to, line after line
        auto plain = [&](unsigned char v) {
            data += static_cast<char>(v);
            lines.push_back(v);
        };
        auto run = [&](int count, unsigned char v) {
            data += static_cast<char>(0xC0 | count);
            data += static_cast<char>(v);
            lines.insert(lines.end(), count, v);
        };
        while (lines.size() < total) {
            if (periodic) {
                for (int k = 0; k < 15; ++k) plain(static_cast<unsigned char>(next() % 0xC0));
                run(1, static_cast<unsigned char>(next()));
                continue;
            }
            const int kind = next() % 8;
            if (kind < 4 + variant % 3)
                plain(static_cast<unsigned char>(next() % 0xC0));
            else
                run(kind == 7 ? static_cast<int>(next() % 64) : static_cast<int>(next() % 5),
                    static_cast<unsigned char>(next()));
        }
        ASSERT_GT(data.size(), 2u * 32768);  // several input blocks
        unsigned char h[128] = {0x0A, 5, 1, 8};
        h[8] = static_cast<unsigned char>((width - 1) & 0xFF);
        h[9] = static_cast<unsigned char>((width - 1) >> 8);
        h[10] = static_cast<unsigned char>((height - 1) & 0xFF);
        h[11] = static_cast<unsigned char>((height - 1) >> 8);
        h[65] = 1;
        h[66] = static_cast<unsigned char>(bytesPerLine & 0xFF);
        h[67] = static_cast<unsigned char>(bytesPerLine >> 8);
        h[68] = 2;
        const std::string path = TestTempPath("pcx_runs_stream.pcx");
        WriteFileBytes(path, std::string(reinterpret_cast<char*>(h), 128) + data + std::string(variant * 7, '\0'));

        // No palette after the data: the grey ramp, so each index is its grey.
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        ASSERT_EQ(K_LoadFile(path.c_str(), &b, 8, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr), K_OK);
        const Rgb loaded = RecordPixels(&b);
        K_FreeBitmap(&b);
        ASSERT_EQ(loaded.pixels.size(), static_cast<size_t>(width) * height * 3);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                wrong += loaded.pixels[(static_cast<size_t>(y) * width + x) * 3] !=
                         lines[static_cast<size_t>(y) * bytesPerLine + x];
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Pcx, EightBitsWithoutPaletteMarkerAreGrey) {
    std::string path = TestTempPath("pcx_nomarker.pcx");
    Host("ppmtopcx -8bit " + WritePpm(PalettePicture(16, 4, 16), "pcx_nomarker.ppm") + " > " + path);
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes[bytes.size() - 769], 12);
    PatchFile(path, bytes.size() - 769, std::string(1, '\0'));
    Rgb p = LoadRgb(path);
    ASSERT_EQ(p.width, 16);
    for (size_t i = 0; i < p.pixels.size(); i += 3) {
        EXPECT_EQ(p.pixels[i], p.pixels[i + 1]);
        EXPECT_EQ(p.pixels[i], p.pixels[i + 2]);
    }
}

TEST(Pcx, RunsAreAtMost63) {
    Rgb flat{100, 1, std::vector<unsigned char>(300, 0)};
    for (int x = 0; x < 100; ++x) flat.pixels[x * 3] = 9;  // one colour, 8-bit
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    std::vector<unsigned char> indices(100, 0x42);
    BitmapRecord b;
    MakeIndexedRecord(100, 1, 8, palette, indices, &b);
    std::string path = TestTempPath("pcx_runs.pcx");
    ASSERT_EQ(K_SaveFile(path.c_str(), &b, K_FORMAT_PCX, 8, 0, 0, nullptr, nullptr), K_OK);
    std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 132u);
    EXPECT_EQ(bytes.substr(128, 4), std::string("\xFF\x42\xE5\x42", 4));
    K_FreeBitmap(&b);
}

TEST(Pcx, DcxPagesFromImageMagickAndOurs) {
    // ImageMagick's DCX: the first page at offset 4100.
    Rgb p1 = PalettePicture(20, 8, 16), p2 = GradientPicture(12, 5), p3 = PalettePicture(9, 9, 256);
    std::string a = WritePpm(p1, "dcx_1.ppm"), bb = WritePpm(p2, "dcx_2.ppm"), c = WritePpm(p3, "dcx_3.ppm");
    std::string dcx = TestTempPath("im.dcx");
    Host(std::string(kConvert) + " " + a + " " + bb + " " + c + " DCX:" + dcx);
    OptionBlock options{};
    options.XResolution = options.YResolution = 150;
    const Rgb* pages[] = {&p1, &p2, &p3, &p3};
    for (int page = 1; page <= 4; ++page) {
        SCOPED_TRACE(page);
        options.PageNumber = page;
        K_SetTIFFOption(&options);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(dcx.c_str(), &info), K_OK);
        EXPECT_EQ(info.PageNumber, std::min(page, 3));
        EXPECT_EQ(LoadRgb(dcx), *pages[page - 1]);
    }

    // A plain PCX saved again with the add-page flag becomes a DCX.
    options.PageNumber = 1;
    K_SetTIFFOption(&options);
    std::string path = TestTempPath("ours.dcx");
    BitmapRecord b1, b2;
    MakeRecord(p2, &b1);
    MakeRecord(GradientPicture(7, 3), &b2);
    ASSERT_EQ(K_SaveFile(path.c_str(), &b1, K_FORMAT_PCX, 24, 0, 0, nullptr, nullptr), K_OK);
    const int firstSize = static_cast<int>(ReadFileBytes(path).size());
    ASSERT_EQ(K_SaveFile(path.c_str(), &b2, K_FORMAT_PCX, 24, 0, K_SAVE_ADD_PAGE, nullptr, nullptr), K_OK);
    std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 16u);
    auto le32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                     static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                     static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                     static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24);
    };
    EXPECT_EQ(le32(0), 0x3ADE68B1u);
    EXPECT_EQ(le32(4), 4100u);
    EXPECT_EQ(le32(8), static_cast<uint32_t>(firstSize + 4100));
    EXPECT_EQ(le32(12), 0u);
    options.PageNumber = 2;
    K_SetTIFFOption(&options);
    EXPECT_EQ(LoadRgb(path), GradientPicture(7, 3));
    options.PageNumber = 1;
    K_SetTIFFOption(&options);
    EXPECT_EQ(LoadRgb(path), p2);
    K_FreeBitmap(&b1);
    K_FreeBitmap(&b2);
}

TEST(Pcx, MalformedFilesAreRefused) {
    Rgb picture = PalettePicture(16, 4, 256);
    std::string good = TestTempPath("pcx_good.pcx");
    Host("ppmtopcx -8bit " + WritePpm(picture, "pcx_good.ppm") + " > " + good);
    const std::string original = ReadFileBytes(good);
    struct Bad {
        const char* name;
        size_t offset;
        std::string bytes;
        int code;
    } cases[] = {
        {"not PCX", 0, "\x0B", K_ERR_FORMAT},
        {"version 6", 1, "\x06", K_ERR_FORMAT},
        {"bytes per line below the width", 66, std::string("\x02\x00", 2), K_ERR_FORMAT},
        {"window turned over", 8, std::string("\x00\x00", 2), K_ERR_FORMAT},
        {"five planes", 65, "\x05", K_ERR_FORMAT},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(good, original);
        if (c.name == std::string("window turned over")) PatchFile(good, 4, std::string("\x05\x00", 2));
        PatchFile(good, c.offset, c.bytes);
        BitmapRecord b;
        std::memset(&b, 0, sizeof b);
        EXPECT_EQ(K_LoadPCXFile(good.c_str(), &b, nullptr, 8, nullptr), c.code);
        K_FreeBitmap(&b);
    }
    // Cut inside the pixel data.
    WriteFileBytes(good, original.substr(0, 140));
    BitmapRecord b;
    std::memset(&b, 0, sizeof b);
    EXPECT_EQ(K_LoadPCXFile(good.c_str(), &b, nullptr, 8, nullptr), K_ERR_READ);
    K_FreeBitmap(&b);
}

}  // namespace
