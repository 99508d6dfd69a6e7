// Encapsulated PostScript against ghostscript, netpbm and the preview
// writers, and hand-made texts for what the peers do not write.
#include <algorithm>
#include <cstring>
#include <fstream>

#include "formats/format_fixture.h"

namespace {

std::string WriteText(const std::string& name, const std::string& text) {
    std::string path = TestTempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Ghostscript's rendering of an EPS file at a resolution, as RGB.
Rgb Ghostscript(const std::string& path, const char* resolution) {
    return HostPnm(std::string("gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r") + resolution +
                   " -sDEVICE=ppmraw -sOutputFile=- " + path);
}

// Every pixel drawn as a block of n x n.
Rgb Enlarged(const Rgb& p, int n) {
    Rgb q{p.width * n, p.height * n, {}};
    for (int y = 0; y < q.height; ++y)
        for (int x = 0; x < q.width; ++x)
            for (int c = 0; c < 3; ++c) q.pixels.push_back(p.pixels[((y / n) * size_t(p.width) + x / n) * 3 + c]);
    return q;
}

std::string Hex(const std::vector<unsigned char>& bytes, bool lower, const char* separator, size_t every) {
    std::string s;
    const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i) {
        s += digits[bytes[i] >> 4];
        if (every == 1) s += separator;  // between the two digits of a byte
        s += digits[bytes[i] & 15];
        if (every > 1 && (i + 1) % every == 0) s += separator;
    }
    return s;
}

TEST(Eps, OurFilesDrawnByGhostscriptWithOurPixels) {
    struct Case {
        int width, height;
        bool color;  // a colour record: saved through its grey copy
    } const cases[] = {
        {33, 21, false},
        {60, 5, false},    // rows end exactly on a 120-digit line
        {1001, 3, false},  // 1.25 points a pixel lost a row at 3 rows and a column at this width when rounded
        {35, 19, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Rgb picture = c.color ? GradientPicture(c.width, c.height) : GrayPicture(c.width, c.height, 256);
        BitmapRecord b;
        MakeRecord(picture, &b);
        std::string out = TestTempPath("ours_" + std::to_string(c.width) + ".eps");
        ASSERT_EQ(K_SaveEPSBitmap(out.c_str(), &b, 24), K_OK);
        K_FreeBitmap(&b);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 16);
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.Height, c.height);
        EXPECT_EQ(info.BitsPerPixel, 8);
        Rgb loaded = LoadRgb(out);
        if (!c.color) {
            EXPECT_EQ(loaded, picture);
        }
        // 57.6 dots an inch is one device pixel a pixel; twice that, four.
        EXPECT_EQ(Ghostscript(out, "57.6"), loaded);
        EXPECT_EQ(Ghostscript(out, "115.2"), Enlarged(loaded, 2));
        if (c.color) {
            // Grey: every pixel has equal channels, and not all are equal.
            bool grey = true;
            for (size_t i = 0; i < loaded.pixels.size(); i += 3)
                grey = grey && loaded.pixels[i] == loaded.pixels[i + 1] && loaded.pixels[i] == loaded.pixels[i + 2];
            EXPECT_TRUE(grey);
            EXPECT_NE(loaded.pixels.front(), loaded.pixels.back());
        }
        // 120 digits a line, and each row ends its line.
        std::string text = ReadFileBytes(out);
        size_t longest = 0;
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            longest = std::max(longest, end - at);
        EXPECT_EQ(longest, size_t(c.width >= 60 ? 120 : 2 * c.width));
        if (c.width == 60) {
            EXPECT_NE(text.find("\r\n\r\n"), std::string::npos);
        }
        EXPECT_NE(text.find("%%BoundingBox: 0 0 "), std::string::npos);
    }
}

// A program that draws its image one point a pixel on a page of its size.
std::string Program(int width, int height, const std::string& body) {
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(width) + " " + std::to_string(height) +
           "\n" + body + "\nshowpage\n";
}

TEST(Eps, HandMadeTextsLoadAsGhostscriptDrawsThem) {
    const int w = 13, h = 7;
    const std::string size = std::to_string(w) + " " + std::to_string(h);
    const std::string matrix =
        " [" + std::to_string(w) + " 0 0 -" + std::to_string(h) + " 0 " + std::to_string(h) + "]";
    const std::string proc = " {currentfile picstr readhexstring pop} ";
    auto bytes = [](size_t n, int seed) {
        std::vector<unsigned char> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>((i * 37 + seed * 11 + (i / 5) * 3) & 255);
        return v;
    };
    struct Case {
        const char* name;
        std::string text;
        int bits;  // what the probe reports
    } const cases[] = {
        // Line feeds only, lower-case digits, blanks between the two digits of a byte.
        {"grey_lf_lower_blanks",
         Program(w, h,
                 size + " scale /picstr " + std::to_string(w) + " string def\n" + size + " 8" + matrix + proc +
                     "image\n" + Hex(bytes(w * h, 1), true, " ", 1)),
         8},
        // Operands named by definitions; carriage returns alone end the lines.
        {"grey_named_cr",
         Program(w, h,
                 "/wide " + std::to_string(w) + " def\r/high " + std::to_string(h) +
                     " def\r/picstr wide string def\rwide high scale\rwide high 8" + matrix + proc + "image\r" +
                     Hex(bytes(w * h, 2), false, "\r", 9)),
         8},
        {"rgb",
         Program(w, h,
                 size + " scale /picstr " + std::to_string(3 * w) + " string def\n" + size + " 8" + matrix + proc +
                     "false 3 colorimage\n" + Hex(bytes(3 * w * h, 3), false, "\r\n", 40)),
         24},
        {"cmyk",
         Program(w, h,
                 size + " scale /picstr " + std::to_string(4 * w) + " string def\n" + size + " 8" + matrix + proc +
                     "false 4 colorimage\n" + Hex(bytes(4 * w * h, 4), false, "\n", 40)),
         24},
        {"one_bit",
         Program(w, h,
                 size + " scale /picstr 2 string def\n" + size + " 1" + matrix + proc + "image\n" +
                     Hex(bytes(2 * h, 5), false, "\n", 2)),
         1},
        {"four_bit",
         Program(w, h,
                 size + " scale /picstr 7 string def\n" + size + " 4" + matrix + proc + "image\n" +
                     Hex(bytes(7 * h, 6), false, "\n", 7)),
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteText(std::string("hand_") + c.name + ".eps", c.text);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.FormatCode, 16);
        EXPECT_EQ(info.Width, w);
        EXPECT_EQ(info.Height, h);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        // Without colour management: DeviceCMYK as 1 - min(1, c + k).
        Rgb drawn = HostPnm(
            "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -dUseFastColor=true -r72 -sDEVICE=ppmraw "
            "-sOutputFile=- " +
            path);
        int r = 0;
        EXPECT_EQ(LoadRgb(path, &r), drawn);
        EXPECT_EQ(r, K_OK);
    }
}

TEST(Eps, FilesOfNetpbmLoadWithTheirPixels) {
    struct Case {
        const char* name;
        const char* command;
        bool grey;
    } const cases[] = {
        {"grey", "ppmtopgm %s | pnmtops -noturn -nocenter", true},
        // Three procedures: a row of red, of green, then of blue.
        {"color", "pnmtops -noturn -nocenter < %s", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgb picture = c.grey ? GrayPicture(31, 17, 256) : GradientPicture(31, 17);
        std::string in = WritePpm(picture, std::string("pnm_") + c.name + ".ppm");
        std::string out = TestTempPath(std::string("pnm_") + c.name + ".eps");
        char command[512];
        std::snprintf(command, sizeof command, c.command, in.c_str());
        Host(std::string(command) + " > " + out + " 2>/dev/null");
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(out.c_str(), &info), K_OK);
        EXPECT_EQ(info.BitsPerPixel, c.grey ? 8 : 24);
        EXPECT_EQ(LoadRgb(out), picture);
    }
}

// The TIFF section of a binary-headed file, cut out for ImageMagick.
std::string Section(const std::string& path) {
    std::string bytes = ReadFileBytes(path);
    auto word = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    std::string tiff = path + ".tif";
    WriteFileBytes(tiff, bytes.substr(word(20), word(24)));
    return tiff;
}

TEST(Eps, TiffPreviewsOfPeersLoad) {
    Rgb picture = GradientPicture(29, 15);
    std::string ppm = WritePpm(picture, "preview.ppm");
    std::string ept = TestTempPath("preview_gm.eps");
    Host("gm convert " + ppm + " -depth 8 EPT:" + ept);
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfo(ept.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 63);
    EXPECT_EQ(info.Width, 29);
    EXPECT_EQ(info.Height, 15);
    EXPECT_EQ(LoadRgb(ept), picture);
    // The preview window works over a file in memory too.
    const std::string bytes = ReadFileBytes(ept);
    RecordGuard memory;
    ASSERT_EQ(K_LoadBitmapMemory(bytes.data(), memory.get(), 24, K_ORDER_RGB, static_cast<int>(bytes.size())), K_OK);
    EXPECT_EQ(RecordPixels(memory.get()), picture);

    // epstool draws the preview of our own file through ghostscript.
    BitmapRecord b;
    MakeRecord(GrayPicture(40, 24, 256), &b);
    std::string eps = TestTempPath("preview_ours.eps");
    ASSERT_EQ(K_SaveEPSBitmap(eps.c_str(), &b, 8), K_OK);
    K_FreeBitmap(&b);
    std::string withPreview = TestTempPath("preview_epstool.eps");
    Host("epstool --quiet -t6u " + eps + " " + withPreview + " > /dev/null");
    ASSERT_EQ(K_FileInfo(withPreview.c_str(), &info), K_OK);
    EXPECT_EQ(info.FormatCode, 63);
    Rgb loaded = LoadRgb(withPreview);
    EXPECT_GT(loaded.width, 0);
    EXPECT_EQ(loaded, HostPixels(Section(withPreview)));
}

TEST(Eps, MalformedFilesAreRefused) {
    const std::string good =
        Program(4, 2,
                "/picstr 4 string def 4 2 8 [4 0 0 -2 0 2] {currentfile picstr readhexstring pop} image\n"
                "00112233\n44556677");
    auto binary = [](uint32_t offset, uint32_t length) {
        std::string h = "\xC5\xD0\xD3\xC6";
        for (uint32_t v : {30u, 0u, 0u, 0u, offset, length}) {
            for (int i = 0; i < 4; ++i) h += static_cast<char>(v >> (8 * i));
        }
        return h + "\xFF\xFF" + std::string(64, '\0');
    };
    struct Case {
        const char* name;
        std::string text;
        int load;  // K_LoadEPSFile's result; 0: not even recognised by K_FileInfo
    } const cases[] = {
        {"data_cut_short", good.substr(0, good.size() - 16), K_ERR_READ},
        {"large_size_few_bytes",
         Program(4, 2, "20000 20000 8 [1 0 0 1 0 0] {currentfile picstr readhexstring pop} image\n00"), K_ERR_READ},
        {"two_bits", Program(4, 2, "4 2 2 [4 0 0 -2 0 2] {currentfile picstr readhexstring pop} image\n0011"), 0},
        {"binary_data", Program(4, 2, "4 2 8 [4 0 0 -2 0 2] {currentfile picstr readstring pop} image\n0011"), 0},
        {"too_few_operands", Program(4, 2, "8 {currentfile picstr readhexstring pop} image\n00"), 0},
        {"unclosed_procedure",
         Program(4, 2, "/dopic { 4 2 8 [4 0 0 -2 0 2] {currentfile picstr readhexstring pop} image\n00"), 0},
        {"calls_itself", Program(4, 2, "/a { a } def a\n00"), 0},
        // Ten calls a level, eight levels deep: 10^8 calls unless the scan is bounded.
        {"calls_multiply",
         Program(4, 2,
                 [] {
                     std::string p;
                     for (char c = 'a'; c < 'i'; ++c) {
                         p += std::string("/") + c + " {";
                         for (int i = 0; i < 10; ++i) p += std::string(" ") + char(c + 1);
                         p += " } def\n";
                     }
                     return p + "/i { 1 } def a\n00";
                 }()),
         0},
        {"preview_at_zero", binary(0, 10), 0},
        {"preview_past_the_end", binary(30, 100000), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteText(std::string("bad_") + c.name + ".eps", c.text);
        FileInfoRecord info;
        int probe = K_FileInfo(path.c_str(), &info);
        BitmapRecord b{};
        int r = K_LoadEPSFile(path.c_str(), &b, nullptr, 24, nullptr);
        K_FreeBitmap(&b);
        if (c.load == 0) {
            EXPECT_NE(probe, K_OK);
            EXPECT_EQ(r, K_ERR_FORMAT);
        } else {
            EXPECT_EQ(probe, K_OK);
            EXPECT_EQ(r, c.load);
        }
    }
}

}  // namespace
