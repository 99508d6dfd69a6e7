// Shared helpers of the file I/O tests: fixtures made by host tools and the
// pixels of files and records as top-down RGB bytes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host.h"
#include "volkg.h"

inline const std::string kConvert = "/usr/bin/convert-im6.q16";

// Runs a host command and waits for its end. Under Wine the bridge of
// host.h can come back (and remove its script) before a slow command has
// started or finished, so here the script stays until the command has left
// a mark with its exit status.
inline int RunHostAndWait(const std::string& command) {
#ifdef _WIN32
    static int counter = 0;
    std::string base = TestTempPath("io-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::string script = base + ".sh", mark = base + ".status";
    std::remove(mark.c_str());
    WriteFileBytes(script, "#!/bin/sh\n(" + command + ")\necho $? > '" + mark + ".tmp'\nmv '" + mark + ".tmp' '" + mark +
                               "'\n");
    std::string line = "cmd /c start /wait /unix /bin/sh " + script;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string code;
    for (int i = 0; i < 2400 && (code = ReadFileBytes(mark)).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::remove(script.c_str());
    std::remove(mark.c_str());
    return code.empty() ? -1 : std::atoi(code.c_str());
#else
    return RunHost(command);
#endif
}

// Runs a host command that must succeed.
inline void Host(const std::string& command) { ASSERT_EQ(RunHostAndWait(command), 0) << command; }

// Pixel strings compared without printing kilobytes of bytes.
inline testing::AssertionResult SamePixels(const std::string& ours, const std::string& theirs) {
    if (ours == theirs) return testing::AssertionSuccess();
    size_t i = 0;
    while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i]) ++i;
    return testing::AssertionFailure() << "sizes " << ours.size() << " and " << theirs.size()
                                       << ", first difference at byte " << i
                                       << (theirs.size() < 40 ? " (peer said: " + theirs + ")" : "");
}

// The pixels of an image file as ImageMagick reads them: top row first, RGB.
inline std::string HostRgb(const std::string& path) {
    std::string out = path + ".rgb";
    if (RunHostAndWait(kConvert + " '" + path + "' -depth 8 rgb:'" + out + "'") != 0) return "convert failed";
    return ReadFileBytes(out);
}

// The same through netpbm's bmptopnm (raw PPM body).
inline std::string NetpbmRgb(const std::string& path) {
    std::string out = path + ".ppm";
    if (RunHostAndWait("bmptopnm '" + path + "' 2>/dev/null | ppmtoppm > '" + out + "' 2>/dev/null") != 0)
        return "bmptopnm failed";
    std::string ppm = ReadFileBytes(out);
    // Skip the header: P6, width, height, maxval, each followed by white space.
    size_t pos = 0;
    for (int fields = 0; fields < 4 && pos < ppm.size(); ++fields) {
        while (pos < ppm.size() && isspace(static_cast<unsigned char>(ppm[pos]))) ++pos;
        while (pos < ppm.size() && !isspace(static_cast<unsigned char>(ppm[pos]))) ++pos;
    }
    return pos < ppm.size() ? ppm.substr(pos + 1) : "";
}

// A record's pixels: top row first, RGB, through K_GetPixelColor.
inline std::string RecordRgb(BitmapRecord* r) {
    std::string out;
    out.reserve(static_cast<size_t>(r->Width) * r->Height * 3);
    for (int y = 0; y < r->Height; ++y) {
        int row = r->ViewPerspective == K_BOTTOM_UP ? r->Height - 1 - y : y;
        for (int x = 0; x < r->Width; ++x) {
            unsigned c = static_cast<unsigned>(K_GetPixelColor(r, row, x));
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>((c >> 8) & 0xFF);
            out += static_cast<char>((c >> 16) & 0xFF);
        }
    }
    return out;
}

// A record freed when the test ends.
struct TestBitmap {
    BitmapRecord r;
    TestBitmap() { K_InitBitmap(&r, 0, 0, 0); }
    ~TestBitmap() { K_FreeBitmap(&r); }
    BitmapRecord* operator->() { return &r; }
    BitmapRecord* get() { return &r; }
};

// A small colourful picture made by ImageMagick (no randomness).
inline std::string ImPicture(const std::string& size) { return "-seed 7 -size " + size + " plasma:"; }

