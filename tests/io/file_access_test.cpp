// The built-in file functions over the Win32 file API.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/file_access.h"

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

}  // namespace
