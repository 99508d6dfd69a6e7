// The decoder's faster paths against its plain ones on cjpeg files: the
// SSE2 and AVX2 inverse DCT and colour output give the same bytes as the
// plain forms, and a file with restart markers (decoded fast between them)
// gives the same pixels as the same file without them.
#include "core/cpu_features.h"
#include "jpeg_fixture.h"

namespace {

TEST(JpegPaths, SimdAndRestartsDecodeAsThePlainPath) {
    // Large enough that an interval spans many times the fast decoder's margin.
    const Rgb picture = TexturedPicture(643, 250);
    const std::string ppm = WritePpm(picture, "jpeg_paths.ppm");
    const char* samplings[] = {"-grayscale", "-sample 1x1", "-sample 2x1", "-sample 2x2", "-sample 4x1"};
    const char* restarts[] = {"", "-restart 1", "-restart 7B"};
    std::string script;
    std::vector<std::string> files;
    for (const char* sampling : samplings)
        for (const char* restart : restarts) {
            files.push_back(TestTempPath("jpeg_paths_" + std::to_string(files.size()) + ".jpg"));
            script += std::string("cjpeg -baseline -quality 95 ") + sampling + " " + restart + " -outfile " +
                      files.back() + " " + ppm + "\n";
        }
    HostScript(script);
    for (size_t k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(std::string(samplings[k / 3]) + " " + restarts[k % 3]);
        for (int colorOrder : {K_ORDER_BGR, K_ORDER_RGB}) {
            int r = 0;
            ForcePlainPaths(true);
            const Rgb plain = DecodeRgb(files[k], &r, 0, 0, colorOrder);
            ASSERT_EQ(r, K_OK);
            // SSE2 alone, then the widest paths this machine has.
            ForceCpuPaths(CpuPaths::Sse2);
            const Rgb sse2 = DecodeRgb(files[k], &r, 0, 0, colorOrder);
            ForcePlainPaths(false);
            ASSERT_EQ(r, K_OK);
            EXPECT_TRUE(plain == sse2);
            const Rgb fast = DecodeRgb(files[k], &r, 0, 0, colorOrder);
            ASSERT_EQ(r, K_OK);
            EXPECT_TRUE(plain == fast);
            const Rgb unrestarted = DecodeRgb(files[k - k % 3], &r, 0, 0, colorOrder);
            EXPECT_TRUE(fast == unrestarted);
        }
    }
}

}  // namespace
