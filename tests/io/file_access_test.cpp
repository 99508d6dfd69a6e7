// The built-in file functions over the Win32 file API.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "host.h"

namespace {

std::string TempPath(const char* name) { return std::string(VOLKG_TEST_TMP) + "/" + name; }

TEST(FileAccess, WriteSeekReadRoundTrip) {
    std::string path = TempPath("file_access.bin");
    int h = DefaultOpen(path.c_str(), 0x8302, K_SHARE_NONE);
    ASSERT_NE(h, -1);
    EXPECT_EQ(DefaultWrite(h, "abcdefghij", 10), 10);
    EXPECT_EQ(DefaultSeek(h, 2, 0), 2);
    EXPECT_EQ(DefaultSeek(h, 3, 1), 5);
    EXPECT_EQ(DefaultSeek(h, -1, 2), 9);
    EXPECT_EQ(DefaultClose(h), 0);

    h = DefaultOpen(path.c_str(), 0x8000, K_SHARE_READ);
    ASSERT_NE(h, -1);
    char buf[16] = {};
    EXPECT_EQ(DefaultSeek(h, 4, 0), 4);
    EXPECT_EQ(DefaultRead(h, buf, 16), 6);  // short at the end
    EXPECT_STREQ(buf, "efghij");
    EXPECT_EQ(DefaultRead(h, buf, 16), 0);
    // A read-only handle cannot write.
    EXPECT_EQ(DefaultWrite(h, "x", 1), -1);
    EXPECT_EQ(DefaultClose(h), 0);
    DeleteFileA(path.c_str());
}

TEST(FileAccess, OpenFailures) {
    EXPECT_EQ(DefaultOpen(TempPath("does-not-exist.bin").c_str(), 0x8000, K_SHARE_READ), -1);
    EXPECT_EQ(DefaultOpen(nullptr, 0x8000, K_SHARE_READ), -1);
    // Truncate needs an existing file.
    EXPECT_EQ(DefaultOpen(TempPath("does-not-exist.bin").c_str(), 0x8201, K_SHARE_NONE), -1);
}

TEST(FileAccess, TruncateEmptiesAnExistingFile) {
    std::string path = TempPath("truncate.bin");
    int h = DefaultOpen(path.c_str(), 0x8302, K_SHARE_NONE);
    ASSERT_NE(h, -1);
    DefaultWrite(h, "12345", 5);
    DefaultClose(h);
    h = DefaultOpen(path.c_str(), 0x8202, K_SHARE_READWRITE);
    ASSERT_NE(h, -1);
    EXPECT_EQ(DefaultSeek(h, 0, 2), 0);
    DefaultClose(h);
    DeleteFileA(path.c_str());
}

// The int of the file functions is the kernel handle itself (disk storage
// of bitmaps passes its file's handle through it): positive, distinct for
// files open at once, whole after the way back, and counted as held until
// it is closed.
TEST(FileAccess, HandlesAreKernelHandlesThatFitAnInt) {
    const int before = HandlesHeld();
    std::vector<std::string> paths;
    std::vector<int> open;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(TempPath(("handles" + std::to_string(i) + ".bin").c_str()));
        const int h = DefaultOpen(paths.back().c_str(), 0x8302, K_SHARE_NONE);
        ASSERT_GT(h, 0) << i;
        EXPECT_EQ(FileAccessHandle(KernelHandle(h)), h);
        ASSERT_EQ(DefaultWrite(h, &i, sizeof i), static_cast<int>(sizeof i));
        open.push_back(h);
    }
    EXPECT_EQ(std::set<int>(open.begin(), open.end()).size(), open.size());
    EXPECT_EQ(HandlesHeld(), before + 40);
    for (size_t i = 0; i < open.size(); ++i) {
        int back = -1;
        ASSERT_EQ(DefaultSeek(open[i], 0, 0), 0);
        ASSERT_EQ(DefaultRead(open[i], &back, sizeof back), static_cast<int>(sizeof back));
        EXPECT_EQ(back, static_cast<int>(i));
        EXPECT_EQ(DefaultClose(open[i]), 0);
        DeleteFileA(paths[i].c_str());
    }
    EXPECT_EQ(HandlesHeld(), before);
    // Closed handles name nothing any more.
    char byte = 0;
    EXPECT_EQ(DefaultRead(open.back(), &byte, 1), -1);
    EXPECT_EQ(DefaultClose(open.back()), -1);
    // What a handle cannot be: the failed one, or one beyond 32 bits.
    EXPECT_EQ(FileAccessHandle(INVALID_HANDLE_VALUE), -1);
    if (sizeof(HANDLE) > 4) {
        EXPECT_EQ(FileAccessHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(INT32_MAX) + 4)), -1);
    }
}

}  // namespace
