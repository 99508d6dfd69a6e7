// TWAIN acquisition under Wine's source manager with the test data source.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host.h"
#include "test_picture.h"
#include "volkg.h"

namespace {

std::string WindowsPath(const std::string& name) {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

int KAPI CollectSource(const char* name, int length, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(name);
    EXPECT_EQ(length, lstrlenA(name) + 1);
    return 1;
}

TEST(Twain, Explore) {
    CreateDirectoryA(WindowsPath("twain_32").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(VOLKG_TEST_SOURCE_PATH, WindowsPath("twain_32\\volkgscan.ds").c_str(), FALSE));
    HWND hwnd = CreateWindowExA(0, "STATIC", "twain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::vector<std::string> names;
    EXPECT_EQ(K_TwainEnumSources(hwnd, CollectSource, &names), 1);
    for (auto& n : names) printf("source: %s\n", n.c_str());
    BitmapRecord b{};
    SetEnvironmentVariableA("VOLKG_TEST_SOURCE", "pages=2");
    EXPECT_EQ(K_TwainAcquireExt(hwnd, &b, 0, nullptr, nullptr), 1);
    printf("%d x %d x %d\n", b.Width, b.Height, b.BitsPerPixel);
    char seen[200] = {};
    GetEnvironmentVariableA("VOLKG_TEST_SOURCE_SEEN", seen, sizeof seen);
    printf("seen %s\n", seen);
    K_FreeBitmap(&b);
    printf("%s\n", ReadFileBytes(WindowsPath("RIDAVIZ.IVA")).c_str());
}

}  // namespace
