// The inputs the fuzz targets once broke the readers with (kept as seeds in
// fuzz/corpus/<target>/finding-*), loaded the way their targets load them:
// each ends with a code or a picture, within a bounded amount of reading
// and memory, and never hangs.
#include <algorithm>
#include <filesystem>

#include "core/file_access.h"
#include "hostile_fixture.h"

namespace {

namespace fs = std::filesystem;

uint64_t g_bytesRead = 0;
int KAPI CountingRead(int handle, void* buffer, int count) {
    const int got = DefaultRead(handle, buffer, count);
    if (got > 0) g_bytesRead += static_cast<uint64_t>(got);
    return got;
}

struct Target {
    const char* name;
    std::string signature;  // what the target puts before its input
};

TEST(FuzzFindings, EachEndsWithACodeWithinBoundedWork) {
    const Target targets[] = {
        {"tiff", ""}, {"tiff_jpeg", ""}, {"jpeg_markers", std::string("\xFF\xD8\xFF", 3)}, {"unbudgeted", ""}};
    int found = 0;
    for (const Target& t : targets) {
        const fs::path folder = fs::path(VOLKG_SOURCE_DIR) / "fuzz" / "corpus" / t.name;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().rfind("finding-", 0) != 0) continue;
            ++found;
            const std::string what = std::string(t.name) + "/" + entry.path().filename().string();
            SCOPED_TRACE(what);
            const std::string bytes = t.signature + ReadFileBytes(entry.path().string());
            const std::string path = TestTempPath("hostile_finding");
            WriteFileBytes(path, bytes);
            for (int bits : {0, 24, 8, 1}) {
                hostile::Watchdog watch(what);
                hostile::Meter meter;
                g_bytesRead = 0;
                K_RedirectIO(nullptr, CountingRead, nullptr, nullptr, nullptr);
                BitmapRecord b{};
                meter.Start();
                const int r = K_LoadFile(path.c_str(), &b, bits, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
                K_FreeBitmap(&b);
                meter.Stop();
                K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
                EXPECT_TRUE(r == K_OK || r < 0) << r;
                // The probe's reads and the reader's: each a small multiple of the file.
                EXPECT_LE(g_bytesRead, 2 * (bytes.size() * 8 + 65536) + 2 * 32768) << bits << " bits";
                EXPECT_LT(meter.HeapPeak(), 64 << 20) << bits << " bits";
                EXPECT_LT(meter.ResidentGrowth(), 128 << 20) << bits << " bits";
            }
        }
    }
    EXPECT_EQ(found, 10);
}

}  // namespace
