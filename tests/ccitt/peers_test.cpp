// CCITT against the real thing: fax TIFFs made by libtiff's tools and
// ImageMagick and raw streams made by netpbm, ImageMagick and fax2tiff load
// with the picture they were made from; the TIFFs and raw pages we write
// decode in libtiff, ImageMagick and netpbm to our pixels.
#include <gtest/gtest.h>

#include <string>

#include "io/file_callbacks.h"
#include "fax/ccitt_page.h"
#include "io/options.h"
#include "tiff/tiff_test_util.h"

namespace {

constexpr int kWidth = 301, kHeight = 97;

std::string Path(const std::string& name) { return TestTempPath("ccitt_" + name); }

// The base picture: 1-bit, as PBM, uncompressed TIFF and BMP, and its
// pixels as RGB.
const std::string kMakeBase = kConvert + " " + ImPicture("301x97") + " -monochrome " + "'" + Path("base.pbm") + "'\n" +
                              kConvert + " '" + Path("base.pbm") + "' -compress none '" + Path("base.tif") + "'\n" +
                              kConvert + " '" + Path("base.pbm") + "' -type bilevel BMP3:'" + Path("base.bmp") + "'\n" +
                              kConvert + " '" + Path("base.pbm") + "' -depth 8 rgb:'" + Path("base.rgb") + "'\n";

struct PeerFile {
    const char* name;
    std::string command;  // %s: the fixture; base.* stand beside it
    const char* compression;
};

std::string Tiffcp(const std::string& options) { return "tiffcp " + options + " '" + Path("base.tif") + "' %s"; }

const PeerFile kPeerFiles[] = {
    {"tiffcp_g3", Tiffcp("-c g3"), "CCITT Group 3 Fax"},
    {"tiffcp_g3_2d", Tiffcp("-c g3:2d"), "CCITT Group 3 Fax"},
    {"tiffcp_g3_fill", Tiffcp("-c g3:2d:fill"), "CCITT Group 3 Fax"},
    {"tiffcp_g4", Tiffcp("-c g4"), "CCITT Group 4 Fax"},
    {"tiffcp_g4_lsb2msb", Tiffcp("-f lsb2msb -c g4"), "CCITT Group 4 Fax"},
    {"tiffcp_g3_2d_strips", Tiffcp("-r 10 -c g3:2d"), "CCITT Group 3 Fax"},
    {"tiffcp_g4_strips", Tiffcp("-r 7 -c g4"), "CCITT Group 4 Fax"},
    {"tiffcp_g4_tiles", Tiffcp("-t -w 64 -l 32 -c g4"), "CCITT Group 4 Fax"},
    {"im_fax", kConvert + " '" + Path("base.pbm") + "' -compress Fax %s", "CCITT Group 3 Fax"},
    {"im_group4", kConvert + " '" + Path("base.pbm") + "' -compress Group4 %s", "CCITT Group 4 Fax"},
    // A raw netpbm stream through fax2tiff: 2-D, EOL-aligned, lowest bit first.
    {"fax2tiff", "pbmtog3 -nofixedwidth '" + Path("base.pbm") + "' > %s.g3 && fax2tiff -M -X 301 -o %s %s.g3",
     "CCITT Group 3 Fax"},
    {"fax2tiff_g4", "pbmtog3 -nofixedwidth '" + Path("base.pbm") + "' > %s.g3 && fax2tiff -M -X 301 -8 -o %s %s.g3",
     "CCITT Group 4 Fax"},
};

class CcittPeers : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        std::string script = "set -e\n" + kMakeBase;
        for (const PeerFile& f : kPeerFiles) {
            const std::string path = Path(f.name) + ".tif";
            script += FillPath(f.command, path) + "\n";
            script += kConvert + " '" + path + "' -depth 8 rgb:'" + path + ".rgb'\n";
        }
        WriteFileBytes(TestTempPath("ccitt_peers.sh"), script);
        made_ = RunHost("sh '" + TestTempPath("ccitt_peers.sh") + "'") == 0;
    }
    static std::string Expected() { return ReadFileBytes(Path("base.rgb")); }

protected:
    static bool made_;
};
bool CcittPeers::made_ = false;

TEST_F(CcittPeers, PeerTiffsLoadWithTheirPixels) {
    ASSERT_TRUE(made_);
    for (const PeerFile& f : kPeerFiles) {
        SCOPED_TRACE(f.name);
        const std::string path = Path(f.name) + ".tif";
        // fax2tiff counts the rows of the stream's end codes too: the
        // picture with a few white rows below it, as the peer reads it.
        const std::string expected = ReadFileBytes(path + ".rgb");
        const int height = static_cast<int>(expected.size() / (kWidth * 3));
        ASSERT_GE(height, kHeight);
        ASSERT_EQ(expected.substr(0, Expected().size()), Expected());
        FileInfoRecord info{};
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        EXPECT_EQ(info.Width, kWidth);
        EXPECT_EQ(info.Height, height);
        EXPECT_EQ(info.BitsPerPixel, 1);
        EXPECT_STREQ(info.Compression, f.compression);
        TestBitmap loaded;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), loaded.get(), 0, 1), K_OK);
        EXPECT_EQ(loaded->BitsPerPixel, 1);
        EXPECT_TRUE(SamePixels(RecordRgb(loaded.get()), expected));
    }
}

// Codes 25, 27, 28, 29 and Group 4 with FillOrder 2: libtiff decodes every
// strip (tiffcp to uncompressed), ImageMagick reads the file, both to our
// pixels; the tags say what the writer promised.
TEST_F(CcittPeers, OurTiffsDecodeInThePeers) {
    ASSERT_TRUE(made_);
    TestBitmap base;
    ASSERT_EQ(K_LoadBitmap(Path("base.bmp").c_str(), base.get(), 1, 1), K_OK);
    const std::string expected = Expected();
    ASSERT_TRUE(SamePixels(RecordRgb(base.get()), expected));
    // The same picture at 24 bits goes through the row conversion.
    TestBitmap base24;
    ASSERT_EQ(K_LoadBitmap(Path("base.bmp").c_str(), base24.get(), 24, 1), K_OK);
    struct Written {
        const char* name;
        int format;
        bool lsb2msb;
        unsigned compression, t4Options;
        bool fromTrueColour = false;
    };
    const Written written[] = {
        {"ours_mh", 25, false, 2, 0}, {"ours_g3", 27, false, 3, 0},        {"ours_g3_2d", 28, false, 3, 1},
        {"ours_g4", 29, false, 4, 0}, {"ours_g4_lsb2msb", 29, true, 4, 0}, {"ours_g3_from_24", 27, false, 3, 0, true},
    };
    std::string script = "set -e\n";
    for (const Written& w : written) {
        const std::string path = Path(w.name) + ".tif";
        OptionBlock options = CurrentOptions();
        const OptionBlock saved = options;
        options.TiffFlags = w.lsb2msb ? 3 : 2;
        K_SetTIFFOption(&options);
        ASSERT_EQ(K_SaveBitmap(path.c_str(), w.fromTrueColour ? base24.get() : base.get(), w.format, 1, 0), K_OK)
            << w.name;
        K_SetTIFFOption(&saved);
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(Le16At(bytes, EntryAt(bytes, 259) + 8), w.compression) << w.name;
        EXPECT_EQ(Le16At(bytes, EntryAt(bytes, 262) + 8), 0u) << w.name;
        if (w.compression != 2) {
            EXPECT_EQ(Le16At(bytes, EntryAt(bytes, 266) + 8), w.lsb2msb ? 2u : 1u) << w.name;
            EXPECT_EQ(Le32At(bytes, EntryAt(bytes, w.compression == 4 ? 293 : 292) + 8), w.t4Options) << w.name;
        }
        script += "tiffcp -c none '" + path + "' '" + path + ".plain.tif'\n";
        script += kConvert + " '" + path + ".plain.tif' -depth 8 rgb:'" + path + ".libtiff.rgb'\n";
        script += kConvert + " '" + path + "' -depth 8 rgb:'" + path + ".im.rgb'\n";
    }
    WriteFileBytes(TestTempPath("ccitt_ours.sh"), script);
    ASSERT_EQ(RunHost("sh '" + TestTempPath("ccitt_ours.sh") + "' 2>&1"), 0);
    for (const Written& w : written) {
        SCOPED_TRACE(w.name);
        const std::string path = Path(w.name) + ".tif";
        EXPECT_TRUE(SamePixels(ReadFileBytes(path + ".libtiff.rgb"), expected));
        EXPECT_TRUE(SamePixels(ReadFileBytes(path + ".im.rgb"), expected));
        TestBitmap back;
        ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
        EXPECT_TRUE(SamePixels(RecordRgb(back.get()), expected));
    }
}

// The pixels of a P4 PBM file (1 = black) as top-down rows of RGB.
std::string PbmRgb(const std::string& pbm) {
    size_t pos = 0;
    int fields[2] = {};
    for (int i = 0; i < 3; ++i) {
        while (pos < pbm.size() && (isspace(static_cast<unsigned char>(pbm[pos])) || pbm[pos] == '#')) {
            if (pbm[pos] == '#')
                while (pos < pbm.size() && pbm[pos] != '\n') ++pos;
            else
                ++pos;
        }
        const size_t start = pos;
        while (pos < pbm.size() && !isspace(static_cast<unsigned char>(pbm[pos]))) ++pos;
        if (i > 0) fields[i - 1] = std::stoi(pbm.substr(start, pos - start));
    }
    ++pos;
    const int w = fields[0], h = fields[1], rowBytes = (w + 7) / 8;
    std::string rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = pos + static_cast<size_t>(y) * rowBytes + x / 8;
            const bool black = at < pbm.size() && (static_cast<unsigned char>(pbm[at]) >> (7 - x % 8) & 1);
            rgb.append(3, black ? '\0' : '\xff');
        }
    return rgb;
}

// Rows of ReadFaxPage as RGB, top row first.
struct PageRows {
    std::string rgb;
    static int KAPI Take(BitmapRecord* target, unsigned char* row, int, void* user) {
        auto* self = static_cast<PageRows*>(user);
        // Colour 1 is black (the colour slots hold the index map by now).
        for (int x = 0; x < target->Width; ++x) self->rgb.append(3, row[x / 8] >> (7 - x % 8) & 1 ? '\0' : '\xff');
        return 1;
    }
};

int ReadRaw(const std::string& path, char letter, int width, int height, int flags, std::string* rgb) {
    const int handle = FileOpen(path.c_str(), 0x8000, 0x100);
    if (handle < 0) return -10;
    BitmapRecord target{};
    K_InitBitmap(&target, width, height, 1);
    FaxPageLayout layout;
    layout.letter = letter;
    layout.width = width;
    layout.height = height;
    layout.flags = flags;
    PageRows rows;
    const int r = ReadFaxPage(handle, layout, &target, PageRows::Take, 1, &rows);
    FileClose(handle);
    K_FreeBitmap(&target);
    *rgb = rows.rgb;
    return r;
}

// Raw pages both ways: netpbm's and ImageMagick's streams through
// ReadFaxPage, ours through g3topbm and fax2tiff.
TEST_F(CcittPeers, RawPagesBothWays) {
    ASSERT_TRUE(made_);
    const std::string expected = Expected();
    std::string script = "set -e\n";
    script += "pbmtog3 -nofixedwidth '" + Path("base.pbm") + "' > '" + Path("netpbm.g3") + "'\n";
    script += kConvert + " '" + Path("base.pbm") + "' group4:'" + Path("im.g4") + "'\n";
    WriteFileBytes(TestTempPath("ccitt_raw.sh"), script);
    ASSERT_EQ(RunHost("sh '" + TestTempPath("ccitt_raw.sh") + "'"), 0);
    std::string rgb;
    EXPECT_EQ(ReadRaw(Path("netpbm.g3"), 'B', kWidth, kHeight, kFaxPageTopDown, &rgb), 1);
    EXPECT_TRUE(SamePixels(rgb, expected)) << "pbmtog3";
    EXPECT_EQ(ReadRaw(Path("im.g4"), 'D', kWidth, kHeight, kFaxPageTopDown, &rgb), 1);
    EXPECT_TRUE(SamePixels(rgb, expected)) << "ImageMagick group4";

    TestBitmap base;
    ASSERT_EQ(K_LoadBitmap(Path("base.bmp").c_str(), base.get(), 1, 1), K_OK);
    struct Raw {
        const char* name;
        int format;
        int options;
        std::string decode;  // %s: our raw file; writes %s.pbm
    };
    const Raw raws[] = {
        {"ours_1d.g3", 'B', 0, "g3topbm %s > %s.pbm"},
        {"ours_1d_66.g3", 66, 0,
         "fax2tiff -M -1 -X 301 -o %s.tif %s && tiffcp -c none %s.tif %s.plain.tif && " + kConvert +
             " %s.plain.tif %s.pbm"},
        {"ours_2d.g3", 'C', 0,
         "fax2tiff -M -2 -X 301 -o %s.tif %s && tiffcp -c none %s.tif %s.plain.tif && " + kConvert +
             " %s.plain.tif %s.pbm"},
        {"ours_reversed.g4", 'D', kFaxWriteReversed,
         "fax2tiff -L -4 -X 301 -o %s.tif %s && tiffcp -c none %s.tif %s.plain.tif && " + kConvert +
             " %s.plain.tif %s.pbm"},
    };
    script = "set -e\n";
    for (const Raw& raw : raws) {
        const std::string path = Path(raw.name);
        const int handle = FileOpen(path.c_str(), 0x8302, 0x80);
        ASSERT_GE(handle, 0);
        FaxPageRequest request;
        request.handle = handle;
        request.source = base.get();
        request.format = raw.format;
        request.pageOptions = raw.options;
        int coded = -1;
        request.codedBytes = &coded;
        EXPECT_EQ(WriteFaxPage(request), 1) << raw.name;
        FileClose(handle);
        EXPECT_EQ(static_cast<size_t>(coded), ReadFileBytes(path).size()) << raw.name;
        script += FillPath(raw.decode, path) + "\n";
        // Our own reader takes it back too.
        const char letter = raw.format == 66 ? 'B' : static_cast<char>(raw.format);
        EXPECT_EQ(ReadRaw(path, letter, kWidth, kHeight, kFaxPageTopDown | (raw.options ? kFaxPageReversed : 0), &rgb),
                  1);
        EXPECT_TRUE(SamePixels(rgb, expected)) << raw.name;
    }
    WriteFileBytes(TestTempPath("ccitt_raw2.sh"), script);
    ASSERT_EQ(RunHost("sh '" + TestTempPath("ccitt_raw2.sh") + "' 2>&1"), 0);
    for (const Raw& raw : raws) {
        // fax2tiff counts the end codes as white rows below the picture.
        const std::string theirs = PbmRgb(ReadFileBytes(Path(raw.name) + ".pbm"));
        ASSERT_GE(theirs.size(), expected.size()) << raw.name;
        EXPECT_TRUE(SamePixels(theirs.substr(0, expected.size()), expected)) << raw.name;
        EXPECT_EQ(theirs.find_first_not_of('\xff', expected.size()), std::string::npos) << raw.name;
    }
}

}  // namespace
