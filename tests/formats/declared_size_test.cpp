// A file of a few hundred bytes that declares a huge picture is refused
// with the short-read code before any storage is allocated for it: the
// handles held while the reader reads the file are counted.
#include <windows.h>

#include <algorithm>
#include <string>

#include "core/file_access.h"
#include "format_fixture.h"

namespace {

int g_peak = 0;

// The built-in read, counting first.
int KAPI CountingRead(int handle, void* buffer, int count) {
    g_peak = std::max(g_peak, HandlesHeld());
    return DefaultRead(handle, buffer, count);
}

// The counting read for a scope; the built-in set again at its end.
struct CountingReads {
    CountingReads() { K_RedirectIO(nullptr, CountingRead, nullptr, nullptr, nullptr); }
    ~CountingReads() { K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr); }
};

std::string Le(unsigned v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
}
std::string Be(unsigned v, int bytes) {
    std::string s;
    for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>(v >> (8 * i));
    return s;
}

// Loads through K_LoadBitmap with the reads counted: the result, and how
// many handles above the baseline were held at the busiest read.
int CountedLoad(const std::string& path, int* extra) {
    BitmapRecord b{};
    const int base = HandlesHeld();
    g_peak = base;
    int result = K_LoadBitmap(path.c_str(), &b, 0, -1);
    *extra = g_peak - base;
    K_FreeBitmap(&b);
    return result;
}

TEST(DeclaredSize, HugePicturesInTinyFilesAllocateNothing) {
    const unsigned side = 20000;
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"bmp", "BM" + Le(118, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(side, 4) + Le(side, 4) + Le(1, 2) +
                    Le(24, 2) + std::string(24, '\0') + std::string(64, '\x7f')},
        {"tga", std::string("\0\0\2", 3) + std::string(9, '\0') + Le(side, 2) + Le(side, 2) + "\x18\x20" +
                    std::string(64, '\x7f')},
        {"pcx", "\x0a\x05\x01\x08" + Le(0, 4) + Le(side - 1, 2) + Le(side - 1, 2) + Le(72, 2) + Le(72, 2) +
                    std::string(48, '\0') + '\0' + '\x01' + Le(side, 2) + Le(1, 2) + std::string(58, '\0') +
                    std::string(64, '\x11')},
        {"gif", "GIF89a" + Le(side, 2) + Le(side, 2) + std::string("\0\0\0", 3) + "," + Le(0, 4) + Le(side, 2) +
                    Le(side, 2) + std::string("\0\x08\x10", 3) + std::string(16, '\x55') + std::string("\0;", 2)},
        {"psd", "8BPS" + Be(1, 2) + std::string(6, '\0') + Be(3, 2) + Be(side, 4) + Be(side, 4) + Be(8, 2) + Be(3, 2) +
                    Be(0, 4) + Be(0, 4) + Be(0, 4) + Be(0, 2) + std::string(64, '\x33')},
    };
    CountingReads counting;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.bytes.size(), 300u);
        const std::string path = TestTempPath(std::string("declared_huge.") + c.name);
        WriteFileBytes(path, c.bytes);
        FileInfoRecord info;
        ASSERT_EQ(K_FileInfo(path.c_str(), &info), K_OK);
        ASSERT_EQ(info.Width, static_cast<int>(side));
        int extra = 0;
        EXPECT_EQ(CountedLoad(path, &extra), K_ERR_READ);
        EXPECT_LE(extra, 1) << "storage was allocated before the file was known to hold the picture";
    }

    // The count sees storage: a whole picture is read with its storage held.
    const std::string good = TestTempPath("declared_good.bmp");
    Host(kConvert + " -size 300x200 gradient:red-blue BMP3:" + good);
    int extra = 0;
    EXPECT_EQ(CountedLoad(good, &extra), K_OK);
    EXPECT_GE(extra, 2);
}

}  // namespace
