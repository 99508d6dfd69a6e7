// The TIFF container: a TIFF 6.0 directory as libtiff's tools read it, and
// a tile that libtiff decodes to the picture.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "encode_fixture.h"

namespace {

// tiffdump's lines as tag -> "TYPE count<values>".
std::vector<std::pair<int, std::string>> DumpEntries(const std::string& dump) {
    std::vector<std::pair<int, std::string>> entries;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        size_t open = line.find(" ("), close = line.find(") ");
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        int tag = std::atoi(line.c_str() + open + 2);
        if (tag > 0) entries.emplace_back(tag, line.substr(close + 2));
    }
    return entries;
}

TEST(TiffVariant, DirectoryAndTileReadByLibtiff) {
    struct Case {
        int format;
        const char* jfifTwin;  // the JFIF save code of the same sampling
        const char* subsampling;
    };
    const Case cases[] = {{11, "10", "2<1 1>"}, {22, "21", "2<2 2>"}, {24, "23", "2<2 1>"}};
    Rgb picture = GradientPicture(37, 21);
    std::string src = WritePpm(picture, "tiffjpeg_src.ppm");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::string path = TestTempPath("tiffjpeg_" + std::to_string(c.format) + ".tif");
        ASSERT_EQ(SavePicture(picture, path, c.format, 50), K_OK);
        const size_t fileSize = ReadFileBytes(path).size();

        HostRun dump = RunCaptured("tiffdump " + path, "tiffjpeg_dump");
        ASSERT_EQ(dump.status, 0) << dump.err;
        auto entries = DumpEntries(dump.out);
        ASSERT_EQ(entries.size(), 24u) << dump.out;
        for (size_t i = 1; i < entries.size(); ++i) EXPECT_LT(entries[i - 1].first, entries[i].first) << dump.out;
        std::map<int, std::string> tags(entries.begin(), entries.end());
        EXPECT_EQ(tags[259], "LONG (4) 1<6>");
        EXPECT_EQ(tags[262], "SHORT (3) 1<6>");
        EXPECT_EQ(tags[274], "SHORT (3) 1<1>");   // rows top line first
        EXPECT_EQ(tags[322], "SHORT (3) 1<48>");  // sides padded to multiples of 16
        EXPECT_EQ(tags[323], "SHORT (3) 1<32>");
        EXPECT_EQ(tags[512], "SHORT (3) 1<1>");
        EXPECT_EQ(tags[530], std::string("SHORT (3) ") + c.subsampling);
        EXPECT_EQ(tags[531], "SHORT (3) 1<2>");
        EXPECT_EQ(tags.count(528), 0u);
        // One tile: its offset and byte count inline, the tile ending the file.
        unsigned offset = 0, count = 0;
        ASSERT_EQ(std::sscanf(tags[324].c_str(), "LONG (4) 1<%u>", &offset), 1) << tags[324];
        ASSERT_EQ(std::sscanf(tags[325].c_str(), "LONG (4) 1<%u>", &count), 1) << tags[325];
        EXPECT_EQ(offset + count, fileSize);

        HostRun info = RunCaptured("tiffinfo " + path, "tiffjpeg_info");
        EXPECT_EQ(info.status, 0);
        EXPECT_EQ(info.err, "");

        // libtiff decodes the tile (its RGBA interface does the YCbCr
        // conversion) as well as djpeg decodes the JFIF twin.
        std::string rgba = TestTempPath("tiffjpeg_rgba.tif"), ppm = TestTempPath("tiffjpeg_rgba.ppm");
        Host("tiff2rgba " + path + " " + rgba + " 2>/dev/null && " + kConvert + " " + rgba + " -alpha off " + ppm);
        std::string twin = TestTempPath("tiffjpeg_twin.jpg"), twinPpm = TestTempPath("tiffjpeg_twin.ppm");
        ASSERT_EQ(SavePicture(picture, twin, std::atoi(c.jfifTwin), 50), K_OK);
        Host("djpeg -nosmooth -outfile " + twinPpm + " " + twin);
        double tiff = Psnr(src, ppm, "tiffjpeg_psnr"), jfif = Psnr(src, twinPpm, "tiffjpeg_twin_psnr");
        EXPECT_GT(tiff, jfif - 1.0) << tiff << " " << jfif;
    }
}

}  // namespace
