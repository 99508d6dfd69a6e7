// JFIF files of the encoder against libjpeg's tools: read by djpeg and
// jpeginfo without a warning, and as close to the source as cjpeg gets with
// the same tables and sampling.
#include <cmath>
#include <cstdio>

#include "encode_fixture.h"
#include "jpeg/jpeg_tables.h"

namespace {

struct SamplingCase {
    int format;         // save code
    const char* cjpeg;  // -sample argument
};
const SamplingCase kSamplings[] = {{10, "1x1"}, {23, "2x1"}, {21, "2x2"}};

// The quantisation tables of a JFIF file, in natural order, as a cjpeg
// -qtables file.
std::string QTablesFile(const std::string& jpeg, const std::string& name) {
    std::vector<Segment> segments;
    std::string scan;
    if (!ParseJpeg(jpeg, &segments, &scan)) return "";
    std::string text;
    for (const Segment& s : segments) {
        if (s.marker != 0xDB) continue;
        for (size_t t = 0; t + 65 <= s.payload.size(); t += 65) {
            int natural[64];
            for (int i = 0; i < 64; ++i)
                natural[kZigzagToNatural[i]] = static_cast<unsigned char>(s.payload[t + 1 + i]);
            for (int i = 0; i < 64; ++i) text += std::to_string(natural[i]) + (i % 8 == 7 ? "\n" : " ");
        }
    }
    std::string path = TestTempPath(name);
    WriteFileBytes(path, text);
    return path;
}

TEST(JfifPeer, QualityTableAgainstCjpeg) {
    struct Source {
        const char* name;
        const char* make;  // ImageMagick arguments that draw it
    };
    const Source sources[] = {
        {"rose", "rose: -resize 300%"},
        {"plasma", "-size 240x180 -seed 11 plasma:fractal -blur 0x0.7"},
    };
    const int qualities[] = {5, 25, 50, 75, 90, 100};
    for (const Source& source : sources) {
        std::string src = TestTempPath(std::string("psnr_") + source.name + ".ppm");
        Host(std::string(kConvert) + " " + source.make + " -depth 8 PPM:" + src);
        Rgb picture = FromPnm(ReadFileBytes(src));
        ASSERT_GT(picture.width, 0);
        for (const SamplingCase& sampling : kSamplings) {
            for (int q : qualities) {
                std::string tag = std::string(source.name) + "_" + sampling.cjpeg + "_" + std::to_string(q);
                SCOPED_TRACE(tag);
                std::string ours = TestTempPath("psnr_" + tag + ".jpg");
                ASSERT_EQ(SavePicture(picture, ours, sampling.format, q), K_OK);
                std::string tables = QTablesFile(ReadFileBytes(ours), "psnr_" + tag + ".qt");
                ASSERT_FALSE(tables.empty());
                // One host run per case: our file through djpeg and jpeginfo,
                // cjpeg with our tables and sampling, both compared with the source.
                std::string oursPpm = TestTempPath("psnr_ours.ppm"), theirs = TestTempPath("psnr_cjpeg.jpg"),
                            theirsPpm = TestTempPath("psnr_cjpeg.ppm"), djpegErr = TestTempPath("psnr_djpeg.err");
                const std::string compare = "/usr/bin/compare-im6.q16 -metric PSNR " + src + " ";
                HostRun run = RunCaptured(
                    "djpeg -outfile " + oursPpm + " " + ours + " 2>" + djpegErr + "; echo djpeg $? $(wc -c <" +
                        djpegErr + "); jpeginfo -c " + ours + "; cjpeg -baseline -quality 50 -qtables " + tables +
                        " -sample " + sampling.cjpeg + " -outfile " + theirs + " " + src + " && djpeg -outfile " +
                        theirsPpm + " " + theirs + "; echo psnr $(" + compare + oursPpm + " null: 2>&1) $(" + compare +
                        theirsPpm + " null: 2>&1)",
                    "psnr_case");
                EXPECT_NE(run.out.find("djpeg 0 0\n"), std::string::npos) << run.out;  // no warning
                EXPECT_NE(run.out.find(" OK"), std::string::npos) << run.out;
                EXPECT_EQ(run.out.find("WARNING"), std::string::npos) << run.out;
                double our = 0, their = 0;
                size_t at = run.out.find("psnr ");
                ASSERT_NE(at, std::string::npos) << run.out;
                ASSERT_EQ(std::sscanf(run.out.c_str() + at, "psnr %lf %lf", &our, &their), 2) << run.out;
                std::printf("PSNR %-7s %-4s Q%-3d ours %6.2f cjpeg %6.2f  diff %+5.2f\n", source.name, sampling.cjpeg,
                            q, our, their, our - their);
                EXPECT_GT(our, their - 0.3);
            }
        }
    }
}

}  // namespace
