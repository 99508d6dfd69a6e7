// TWAIN acquisition through Wine's source manager with the test data
// source (test_source.cpp), installed as two sources in the Windows
// folder's data-source folder of this process's width (twain_32, or
// twain_64 beside it for the 64-bit manager).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "devices/bitmap_window.h"
#include "host.h"
#include "test_picture.h"
#include "volkg.h"

namespace {

#ifdef _WIN64
#define SOURCE_FOLDER "twain_64"
#else
#define SOURCE_FOLDER "twain_32"
#endif
// Wine's source manager does not search its folder: it loads the sources
// of two names from it. The test source takes both names (a copy names
// itself after its file); the files it replaces are kept and put back, and
// Wine is told to load these files rather than its own built-in sources.
const char* const kInstalled[] = {"sane.ds", "gphoto2.ds"};
const char kOverrides[] = "Software\\Wine\\DllOverrides";
const char kSource[] = "Volkg sane";
const char kOtherSource[] = "Volkg gphoto2";

std::string WindowsPath(const std::string& name) {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

std::string Seen() {
    char text[200] = {};
    GetEnvironmentVariableA("VOLKG_TEST_SOURCE_SEEN", text, sizeof text);
    return text;
}

// A pointer as the trace prints it: all its hexadecimal digits, 8 or 16.
std::string Hex(const void* p) {
    char s[24];
    std::snprintf(s, sizeof s, "%0*llX", static_cast<int>(2 * sizeof p),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return s;
}

// A window handle as the trace prints it: without leading zeros.
std::string HexShort(HWND h) {
    char s[24];
    std::snprintf(s, sizeof s, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    return s;
}

struct Record {
    BitmapRecord b{};
    ~Record() {
        if (b.Flags & K_ALLOCATED) K_FreeBitmap(&b);
    }
};

COLORREF Expected(int pixelType, int page, int x, int y) {
    unsigned char rgb[3];
    switch (pixelType) {
        case 0:
            return SourceBit(page, x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255);
        case 1: {
            unsigned char v = SourceGray(page, x, y);
            return RGB(v, v, v);
        }
        case 3:
            SourcePaletteColor(SourceIndex(page, x, y), rgb);
            return RGB(rgb[0], rgb[1], rgb[2]);
        default:
            SourceRgb(page, x, y, rgb);
            return RGB(rgb[0], rgb[1], rgb[2]);
    }
}

// The picture of a page, compared pixel by pixel through the library.
void ExpectPage(BitmapRecord* b, int pixelType, int page) {
    ASSERT_TRUE(b->Flags & K_ALLOCATED);
    ASSERT_EQ(b->Width, kSourceWidth);
    ASSERT_EQ(b->Height, kSourceHeight);
    const int bits[] = {1, 8, 24, 8};
    ASSERT_EQ(b->BitsPerPixel, bits[pixelType]);
    // Storage mapped once for the page, not for every pixel read.
    struct Access {
        BitmapRecord* b;
        bool locked = !(b->Flags & K_LOCKED);
        ~Access() {
            if (locked) K_ReleaseBitmap(b);
        }
    } access{b};
    if (access.locked) K_AccessBitmap(b);
    for (int y = 0; y < kSourceHeight; ++y)
        for (int x = 0; x < kSourceWidth; ++x) {
            int row = b->ViewPerspective == K_TOP_DOWN ? y : kSourceHeight - 1 - y;
            ASSERT_EQ(K_GetPixelColor(b, row, x), Expected(pixelType, page, x, y))
                << "page " << page << " pixel " << x << "," << y;
        }
}

void SetSource(const char* words) { SetEnvironmentVariableA("VOLKG_TEST_SOURCE", words); }

class Twain : public ::testing::Test {
protected:
    static std::string Installed(const char* name) { return WindowsPath(std::string(SOURCE_FOLDER "\\") + name); }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    // Wine's load order of one module: native first, or its default again.
    static bool SetOverride(const char* name, bool native) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        LONG r = native ? RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7)
                        : RegDeleteValueA(key, name);
        RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }
    static void SetUpTestSuite() {
        CreateDirectoryA(WindowsPath(SOURCE_FOLDER).c_str(), nullptr);
        installed_ = true;
        for (const char* name : kInstalled) {
            const std::string path = Installed(name), kept = path + ".kept";
            // A kept file is already the original (a run that did not end).
            if (!Exists(kept) && Exists(path)) MoveFileA(path.c_str(), kept.c_str());
            installed_ = installed_ && CopyFileA(VOLKG_TEST_SOURCE_PATH, path.c_str(), FALSE);
            installed_ = installed_ && SetOverride(name, true);
        }
        window_ = CreateWindowExA(0, "STATIC", "twain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(window_);
        for (const char* name : kInstalled) {
            const std::string path = Installed(name), kept = path + ".kept";
            DeleteFileA(path.c_str());
            if (Exists(kept)) MoveFileA(kept.c_str(), path.c_str());
            SetOverride(name, false);
        }
    }
    void SetUp() override {
        ASSERT_TRUE(installed_);
        ASSERT_NE(window_, nullptr) << "a window needs the X display";
        SetSource("");
        ASSERT_EQ(K_TwainSetProps(window_, nullptr), 1);
        DeleteFileA(WindowsPath("RIDAVIZ.IVA").c_str());
    }
    // The defaults: the first test source and a pixel type.
    TwainProperties Properties(int pixelType, const char* source = kSource) {
        TwainProperties p{};
        lstrcpyA(p.AppManufacturer, "Volkg");
        lstrcpyA(p.AppProdName, "twain tests");
        lstrcpyA(p.SourceName, source);
        p.nMaxPages = -1;
        p.nPixelType = pixelType;
        p.nBits = p.nRes = -1;
        p.nXPos = p.nYPos = p.nWidth = p.nHeight = -1;
        return p;
    }
    std::vector<std::string> LogLines() {
        std::string text = ReadFileBytes(WindowsPath("RIDAVIZ.IVA"));
        std::vector<std::string> lines;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos) {
                lines.push_back(text.substr(at) + " <no CR LF>");
                break;
            }
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }
    static HWND window_;
    static bool installed_;
};
HWND Twain::window_ = nullptr;
bool Twain::installed_ = false;

int KAPI CollectSource(const char* name, int length, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(name);
    EXPECT_EQ(length, lstrlenA(name) + 1);
    return 1;
}

int KAPI StopAtFirstSource(const char*, int, void*) { return 5; }

TEST_F(Twain, EnumeratesTheInstalledSources) {
    std::vector<std::string> names;
    ASSERT_EQ(K_TwainEnumSources(window_, CollectSource, &names), 1);
    EXPECT_NE(std::find(names.begin(), names.end(), kSource), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), kOtherSource), names.end());
    EXPECT_EQ(K_TwainEnumSources(window_, StopAtFirstSource, nullptr), 5);
}

TEST_F(Twain, SetPropsReadsBackWhatTheSourceUses) {
    TwainProperties p = Properties(1, "");
    ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
    EXPECT_STRNE(p.SourceName, "") << "the default source's name is filled in";
    p = Properties(1);
    ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
    EXPECT_EQ(p.nPixelType, 1);
    // The depth is read before the pixel type is set: the source's own on opening.
    EXPECT_EQ(p.nBits, 24);
    EXPECT_EQ(p.nRes, kSourceResolution);
    EXPECT_EQ(p.nMaxPages, -1);
    EXPECT_EQ(p.nXPos, 0);
    EXPECT_EQ(p.nWidth, kSourceWidth * 1440 / kSourceResolution);
    EXPECT_EQ(Seen(), "protocol=1.9 sequence=0 closed=1") << "the published protocol's own version";

    TwainProperties bad = Properties(4);
    EXPECT_EQ(K_TwainSetProps(window_, &bad), K_ERR_ARGUMENT);
    EXPECT_EQ(K_TwainSetProps(window_, nullptr), 1);
    TwainProperties missing = Properties(-1, "No Such Scanner");
    EXPECT_EQ(K_TwainSetProps(window_, &missing), K_ERR_TWAIN_NODS);
    Record b;
    EXPECT_EQ(K_TwainAcquireExt(window_, &b.b, 0, nullptr, nullptr), K_ERR_TWAIN_NODS);
    EXPECT_EQ(K_TwainSelect(window_), K_ERR_TWAIN_NODS);
}

TEST_F(Twain, AcquiresEveryDepthNativeAndBuffered) {
    for (int pixelType = 0; pixelType <= 3; ++pixelType) {
        for (int flags : {0, K_TWAIN_NATIVE}) {
            SCOPED_TRACE("pixel type " + std::to_string(pixelType) + (flags ? ", native" : ", memory"));
            TwainProperties p = Properties(pixelType);
            ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
            Record b;
            ASSERT_EQ(K_TwainAcquireExt(window_, &b.b, flags, nullptr, nullptr), 1);
            ExpectPage(&b.b, pixelType, 0);
            EXPECT_EQ(b.b.XResolution, kSourceResolution);
            EXPECT_EQ(Seen(), "protocol=1.9 sequence=0 closed=1");
        }
    }
}

struct Pages {
    int pixelType = 2;
    int seen = 0;
    int stopAfter = -1;
};

int KAPI CheckPage(BitmapRecord* bitmap, void* user) {
    auto* pages = static_cast<Pages*>(user);
    ExpectPage(bitmap, pages->pixelType, pages->seen);
    ++pages->seen;
    return pages->seen == pages->stopAfter ? 0 : 1;
}

TEST_F(Twain, SeveralPagesEachToTheCallback) {
    for (int pixelType : {0, 1, 2}) {
        for (int flags : {0, K_TWAIN_NATIVE}) {
            SCOPED_TRACE("pixel type " + std::to_string(pixelType) + (flags ? ", native" : ", memory"));
            TwainProperties p = Properties(pixelType);
            ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
            SetSource("pages=3");
            Record b;
            Pages all;
            all.pixelType = pixelType;
            EXPECT_EQ(K_TwainAcquireExt(window_, &b.b, flags, CheckPage, &all), 1);
            EXPECT_EQ(all.seen, 3);
            ExpectPage(&b.b, pixelType, 2);  // the last page stays in the bitmap
            EXPECT_EQ(Seen(), "protocol=1.9 sequence=0 closed=1");

            Pages first;
            first.pixelType = pixelType;
            first.stopAfter = 1;
            EXPECT_EQ(K_TwainAcquireExt(window_, &b.b, flags, CheckPage, &first), 0);
            EXPECT_EQ(first.seen, 1);
            EXPECT_EQ(Seen(), "protocol=1.9 sequence=0 closed=1")
                << "pending pages dropped before the source is disabled";

            p.nMaxPages = 2;
            ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
            Pages two;
            two.pixelType = pixelType;
            EXPECT_EQ(K_TwainAcquireExt(window_, &b.b, flags, CheckPage, &two), 1);
            EXPECT_EQ(two.seen, 2);
        }
    }
}

constexpr int kOpenRefused = 1000;

TEST_F(Twain, CancelAndFailuresOfTheSource) {
    struct Case {
        const char* words;
        int flags;
        int expected;
    };
    const Case cases[] = {
        {"cancel=before", 0, K_ERR_TWAIN_CANCEL},
        {"cancel=during", 0, K_ERR_TWAIN_CANCEL},
        {"cancel=during", K_TWAIN_NATIVE, K_ERR_TWAIN_CANCEL},
        {"pages=0", 0, K_ERR_TWAIN_CANCEL},
        {"fail=nopages", 0, K_ERR_TWAIN_CANCEL},  // ready with a count of 0: nothing transferred is no success
        {"fail=open", 0, kOpenRefused},
        {"fail=xfer", 0, K_ERR_TWAIN_OPERR},
        {"fail=xfer", K_TWAIN_NATIVE, K_ERR_TWAIN_OPERR},
        {"fail=nullhandle", K_TWAIN_NATIVE, K_ERR_NOBITMAP},
        {"fail=compressed", 0, -92},
        {"fail=badstrip", 0, K_ERR_TWAIN},  // a strip outside the picture
    };
    TwainProperties p = Properties(2);
    ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.words) + (c.flags ? ", native" : ", memory"));
        // The caller's picture survives a failed acquisition.
        Record b;
        ASSERT_EQ(K_TwainAcquireExt(window_, &b.b, 0, nullptr, nullptr), 1);
        SetSource(c.words);
        int result = K_TwainAcquireExt(window_, &b.b, c.flags, nullptr, nullptr);
        if (c.expected == kOpenRefused) {
            // The manager reports the source's condition or its own operation error.
            EXPECT_TRUE(result == K_ERR_TWAIN_MAXCONN || result == K_ERR_TWAIN_OPERR) << result;
        } else {
            EXPECT_EQ(result, c.expected);
        }
        SetSource("");
        ExpectPage(&b.b, 2, 0);
        if (std::string(c.words) != "fail=open") {
            EXPECT_EQ(Seen(), "protocol=1.9 sequence=0 closed=1");
        }
    }
}

TEST_F(Twain, QuitDuringTheWaitReachesTheCallersLoop) {
    TwainProperties p = Properties(2);
    ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
    SetSource("silent");
    PostQuitMessage(7);
    Record b;
    EXPECT_EQ(K_TwainAcquireExt(window_, &b.b, 0, nullptr, nullptr), K_ERR_TWAIN_CANCEL);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// Presses a button of the manager's selection dialog when it shows.
DWORD WINAPI AnswerDialog(void* button) {
    for (int i = 0; i < 3000; ++i) {
        HWND dialog = FindWindowA(nullptr, "Select Source");
        if (dialog) {
            Sleep(200);  // let the dialog fill its list
            if (HWND list = FindWindowExA(dialog, nullptr, "ListBox", nullptr)) SendMessageA(list, LB_SETCURSEL, 0, 0);
            PostMessageA(dialog, WM_COMMAND, reinterpret_cast<WPARAM>(button), 0);
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

TEST_F(Twain, SelectionDialogOkAndCancel) {
    for (auto [button, expected] : {std::pair{IDOK, 1}, std::pair{IDCANCEL, K_ERR_TWAIN_CANCEL}}) {
        HANDLE thread =
            CreateThread(nullptr, 0, AnswerDialog, reinterpret_cast<void*>(static_cast<intptr_t>(button)), 0, nullptr);
        EXPECT_EQ(K_TwainSelect(window_), expected) << "button " << button;
        WaitForSingleObject(thread, 70000);
        DWORD answered = 0;
        GetExitCodeThread(thread, &answered);
        CloseHandle(thread);
        EXPECT_EQ(answered, 1u) << "the dialog showed";
    }
}

// The viewer control's scanning messages: selection through the manager's
// dialog, acquisition into the control's picture, and a failed acquisition
// that keeps the picture shown.
TEST_F(Twain, ViewerControlSelectsAndAcquires) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterBitmapWindowClass(self), 0);
    HWND v = CreateWindowExA(0, K_VIEWER_CLASS, "", WS_POPUP, 0, 0, 60, 50, nullptr, nullptr, self, nullptr);
    ASSERT_NE(v, nullptr);
    TwainProperties p = Properties(2);
    ASSERT_EQ(K_TwainSetProps(v, &p), 1);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ACQUIRE, 1, 0), 1);
    auto* shown = reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0));
    ASSERT_NE(shown, nullptr);
    ExpectPage(shown, 2, 0);
    SetSource("fail=xfer");
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ACQUIRE, 1, 0), K_ERR_TWAIN_OPERR);
    SetSource("cancel=before");
    EXPECT_EQ(SendMessageA(v, K_VIEWER_ACQUIRE, 1, 0), K_ERR_TWAIN_CANCEL);
    SetSource("");
    ASSERT_EQ(reinterpret_cast<BitmapRecord*>(SendMessageA(v, K_VIEWER_BITMAP, 0, 0)), shown);
    ExpectPage(shown, 2, 0);

    HANDLE thread =
        CreateThread(nullptr, 0, AnswerDialog, reinterpret_cast<void*>(static_cast<intptr_t>(IDOK)), 0, nullptr);
    EXPECT_EQ(SendMessageA(v, K_VIEWER_TWAIN_SELECT, 1, 0), 1);
    WaitForSingleObject(thread, 70000);
    CloseHandle(thread);
    DestroyWindow(v);
    UnregisterBitmapWindowClass(self);
}

// Matches a log line against a pattern whose "*" stands for hexadecimal digits.
bool LineMatches(const std::string& line, const std::string& pattern) {
    size_t i = 0, j = 0;
    while (j < pattern.size()) {
        if (pattern[j] == '*') {
            size_t start = i;
            while (i < line.size() && std::isxdigit(static_cast<unsigned char>(line[i]))) ++i;
            if (i == start) return false;
            ++j;
        } else if (i < line.size() && line[i] == pattern[j]) {
            ++i, ++j;
        } else {
            return false;
        }
    }
    return i == line.size();
}

TEST_F(Twain, TheLogLineByLine) {
    TwainProperties p = Properties(1);
    ASSERT_EQ(K_TwainSetProps(window_, &p), 1);
    DeleteFileA(WindowsPath("RIDAVIZ.IVA").c_str());
    Record b;
    ASSERT_EQ(K_TwainAcquire(window_, &b.b), 1);
    const std::string hwnd = HexShort(window_);
    std::vector<std::string> expected = {
        "K_TwainAcquire(" + hwnd + ", " + Hex(&b.b) + ")",
        "K_TwainAcquireExt(" + hwnd + ", " + Hex(&b.b) + ", 3, " + Hex(nullptr) + ", " + Hex(nullptr) + ")",
        "OpenDSM(*, " + hwnd + ")",
        "OpenDSM returns 1",
        "OpenDS(*)",
        "OpenDS returns 1",
        "NegotiateCaps(*, *, *, 0)",
        "NegotiateCaps returns void",
        "EnableDS(*, " + hwnd + ")",
        "EnableDS returns 1",
        "TwainWait(*)",
        "TwainWait returns TRUE",
        "TransferImage(*, " + Hex(&b.b) + ")",
        "GetCurImageCount(*)",
        "GetCurImageCount returns -1",
        "GetBufferedImage(*, *, *)",
        "return DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGEINFO, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET = 0",
        "K_CreateBitmap(*, 1, 37, 23, 8, 1, " + Hex(nullptr) + ", 0)",
        "K_CreateBitmap return 1",
        "return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = 0",
        "return DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET = 6",
        "GetBufferedImage returns 1",
        "TransferImage returns 1",
        "DisableDS(*, " + hwnd + ")",
        "DisableDS returns 1",
        "CloseDS(*)",
        "CloseDS returns 1",
        "CloseDSM(*, " + hwnd + ")",
        "CloseDSM returns 1",
        "K_TwainAcquireExt returns 1",
        "K_TwainAcquire returns 1",
    };
    // The properties, logged before and after the negotiation.
    const std::vector<std::string> properties = {"Twain Properties - *",
                                                 "  AppManufacturer = Volkg",
                                                 "  AppProdFamily = ",
                                                 "  AppProdName = twain tests",
                                                 std::string("  SourceName = ") + kSource,
                                                 "  nMaxPages = -1",
                                                 "  nPixelType = 1",
                                                 "  nBits = -1",
                                                 "  nRes = -1",
                                                 "  nXPos = -1",
                                                 "  nYPos = -1",
                                                 "  nWidth = -1",
                                                 "  nHeight = -1"};
    auto negotiate = std::find(expected.begin(), expected.end(), "NegotiateCaps(*, *, *, 0)") + 1;
    negotiate = expected.insert(negotiate, properties.begin(), properties.end()) + properties.size();
    expected.insert(negotiate, properties.begin(), properties.end());
    std::vector<std::string> lines = LogLines();
    for (size_t i = 0; i < std::max(lines.size(), expected.size()); ++i) {
        std::string line = i < lines.size() ? lines[i] : "<missing>";
        std::string want = i < expected.size() ? expected[i] : "<nothing more>";
        ASSERT_TRUE(LineMatches(line, want)) << "line " << i + 1 << ": \"" << line << "\", expected \"" << want << "\"";
    }
    ExpectPage(&b.b, 1, 0);
}

}  // namespace
