// JFIF files of the encoder against libjpeg's tools: read without a
// warning, and as close to the source as cjpeg gets with the same tables.
#include <cmath>
#include <cstdio>

#include "encode_fixture.h"

namespace {

TEST(JfifPeer, Smoke) {
    Rgb picture = GradientPicture(61, 37);
    std::string path = TestTempPath("smoke.jpg");
    ASSERT_EQ(SavePicture(picture, path, 10, 50), K_OK);
    HostRun run = RunCaptured("djpeg -outfile " + TestTempPath("smoke.ppm") + " " + path, "smoke_djpeg");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::string src = WritePpm(picture, "smoke_src.ppm");
    printf("psnr %f\n", Psnr(src, TestTempPath("smoke.ppm"), "smoke_psnr"));
}

}  // namespace
