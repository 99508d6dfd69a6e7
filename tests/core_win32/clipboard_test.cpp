// The clipboard against the X11 side: what we put there "xclip" reads as a
// BMP, and a BMP that "xclip" offers loads here; and between two processes:
// what a child copies and leaves behind, this process pastes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gdi_fixture.h"
#include "host.h"

namespace {

COLORREF Varied(int x, int y) {
    return RGB((x * 37 + y * 11) & 255, (x * 7 + y * 53) & 255, (x * 91 + y * 29 + 40) & 255);
}
COLORREF Primaries(int x, int y) { return Primary(x + 3 * y); }

void EmptyTheClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

// Pixels of a picture file as ImageMagick reads it.
std::vector<COLORREF> HostPixels(const std::string& path, int* width, int* height) {
    std::string ppm = path + ".ppm";
    if (RunHost(kConvert + " '" + path + "' -depth 8 '" + ppm + "'") != 0) return {};
    return ReadPpm(ReadFileBytes(ppm), width, height);
}

TEST(Clipboard, CopiedRecordsReadBackFromX11) {
    struct Case {
        int bits, order, perspective;
        Picture picture;
    };
    const Case cases[] = {
        {24, K_ORDER_RGB, K_TOP_DOWN, Varied}, {32, K_ORDER_BGR, K_BOTTOM_UP, Varied}, {8, 0, K_BOTTOM_UP, Primaries}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits");
        Record r;
        MakeRecord(&r, 11, 7, c.bits, c.picture, c.order, c.perspective);
        ASSERT_EQ(K_CopyToClipboard(nullptr, &r), 1);
        EXPECT_EQ(K_ClipboardReady(), 1);
        std::string bmp = TestTempPath("clipboard-out.bmp");
        ASSERT_EQ(RunHost("timeout 20 xclip -o -selection clipboard -t image/bmp > '" + bmp + "'"), 0);
        int w = 0, h = 0;
        std::vector<COLORREF> seen = HostPixels(bmp, &w, &h);
        ASSERT_EQ(w, 11);
        ASSERT_EQ(h, 7);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ColorText(seen[y * w + x]), ColorText(c.picture(x, y))) << x << "," << y;
    }
}

TEST(Clipboard, PicturesOfferedByX11Load) {
    struct Case {
        const char* name;
        const char* options;
    };
    const Case cases[] = {
        {"24-bit BMP", "-type TrueColor -define bmp:format=bmp3"},
        {"32-bit BMP with alpha", "-alpha set -type TrueColorAlpha"},
        {"8-bit BMP", "-type Palette -compress None -define bmp:format=bmp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bmp = TestTempPath("clipboard-in.bmp");
        ASSERT_EQ(RunHost(kConvert + " -size 13x6 plasma:fractal " + std::string(c.options) + " 'BMP:" + bmp + "'"), 0);
        int w = 0, h = 0;
        std::vector<COLORREF> expected = HostPixels(bmp, &w, &h);
        ASSERT_EQ(w, 13);
        EmptyTheClipboard();
        ASSERT_EQ(K_ClipboardReady(), 0);
        // xclip serves the selection in the background until it loses it.
        ASSERT_EQ(
            RunHost("(timeout 30 xclip -quiet -selection clipboard -t image/bmp -i '" + bmp + "' >/dev/null 2>&1 &)"),
            0);
        for (int i = 0; i < 100 && !K_ClipboardReady(); ++i) Sleep(50);
        ASSERT_EQ(K_ClipboardReady(), 1);
        Record r;
        ASSERT_EQ(K_CopyFromClipboard(nullptr, &r), 1);
        ASSERT_EQ(r.b.Width, 13);
        ASSERT_EQ(r.b.Height, 6);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(expected[y * w + x])) << x << "," << y;
        EmptyTheClipboard();  // takes the selection: xclip ends
    }
}

TEST(Clipboard, FlagsChooseWhatIsPut) {
    Record r;
    MakeRecord(&r, 5, 4, 8, Primaries);
    EmptyTheClipboard();
    EXPECT_EQ(K_CopyToClipboardExt(nullptr, &r, 0), K_OK);  // opens and closes, changes nothing
    EXPECT_EQ(K_ClipboardReady(), 0);
    Record nothing;
    EXPECT_EQ(K_CopyFromClipboard(nullptr, &nothing), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));  // and it was closed again
    CloseClipboard();

    // A device bitmap alone (with its palette) comes back too.
    ASSERT_EQ(K_CopyToClipboardExt(nullptr, &r, K_CLIP_EMPTY | K_CLIP_BITMAP | K_CLIP_PALETTE), K_OK);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
    Record back;
    ASSERT_EQ(K_CopyFromClipboard(nullptr, &back), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(ColorText(PictureColor(&back, x, y)), ColorText(Primaries(x, y))) << x << "," << y;

    Record unallocated;
    K_InitBitmap(&unallocated, 3, 3, 24);
    EXPECT_EQ(K_CopyToClipboardExt(nullptr, &unallocated, 15), K_ERR_NOBITMAP);
    EXPECT_EQ(K_CopyToClipboard(nullptr, &unallocated), 0);
    EXPECT_EQ(K_CopyToClipboardExt(nullptr, nullptr, 15), K_ERR_NOBITMAP);
    EmptyTheClipboard();
}

// The copying half of the test below, run in a child process of this
// program (VOLKG_CLIPBOARD_CHILD names the depth): it copies and ends.
void CopyInThisProcess(int bits) {
    Record r;
    MakeRecord(&r, 9, 6, bits, bits <= 8 ? Primaries : Varied, K_ORDER_RGB, K_TOP_DOWN);
    ASSERT_EQ(K_CopyToClipboard(nullptr, &r), 1);
}

// Starts this program again with the child's variable set; its exit code.
DWORD RunChild(const std::string& filter, const char* variable, const std::string& value) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = "\"" + std::string(exe) + "\" --gtest_brief=1 --gtest_filter=" + filter;
    SetEnvironmentVariableA(variable, value.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(variable, nullptr);
    if (!started) return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

TEST(ClipboardProcesses, CopiedInOneProcessPastedInAnother) {
    if (const char* child = std::getenv("VOLKG_CLIPBOARD_CHILD")) {
        CopyInThisProcess(std::atoi(child));
        return;
    }
    for (int bits : {24, 8}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        EmptyTheClipboard();
        ASSERT_EQ(K_ClipboardReady(), 0);
        ASSERT_EQ(RunChild("ClipboardProcesses.*", "VOLKG_CLIPBOARD_CHILD", std::to_string(bits)), 0u);
        // The copying process has ended; its picture stays on the clipboard.
        ASSERT_EQ(K_ClipboardReady(), 1);
        Picture picture = bits <= 8 ? Picture(Primaries) : Picture(Varied);
        Record r;
        ASSERT_EQ(K_CopyFromClipboard(nullptr, &r), 1);
        ASSERT_EQ(r.b.Width, 9);
        ASSERT_EQ(r.b.Height, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(ColorText(PictureColor(&r, x, y)), ColorText(picture(x, y))) << x << "," << y;
        // And another X program sees it too.
        std::string bmp = TestTempPath("clipboard-child.bmp");
        ASSERT_EQ(RunHost("timeout 20 xclip -o -selection clipboard -t image/bmp > '" + bmp + "'"), 0);
        int w = 0, h = 0;
        std::vector<COLORREF> seen = HostPixels(bmp, &w, &h);
        ASSERT_EQ(w, 9);
        ASSERT_EQ(h, 6);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ColorText(seen[y * w + x]), ColorText(picture(x, y))) << x << "," << y;
    }
    EmptyTheClipboard();
}

}  // namespace
