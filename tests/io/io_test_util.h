// Shared helpers of the file I/O tests: fixtures made by host tools and the
// pixels of files and records as top-down RGB bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host_tools.h"
#include "test_picture.h"
#include "volkg.h"

using test_picture::SamePixels;

// The pixels of an image file as ImageMagick reads them: top row first, RGB.
inline std::string HostRgb(const std::string& path) {
    std::string out = path + ".rgb";
    if (RunHost(kConvert + " '" + path + "' -depth 8 rgb:'" + out + "'") != 0) return "convert failed";
    return ReadFileBytes(out);
}

// The same through netpbm's bmptopnm (raw PPM body).
inline std::string NetpbmRgb(const std::string& path) {
    std::string out = path + ".ppm";
    if (RunHost("bmptopnm '" + path + "' 2>/dev/null | ppmtoppm > '" + out + "' 2>/dev/null") != 0)
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
    // Locked once for the whole walk: each call would map and unmap it.
    const bool wasLocked = (r->Flags & K_LOCKED) != 0;
    if (!wasLocked) K_AccessBitmap(r);
    for (int y = 0; y < r->Height; ++y) {
        int row = r->ViewPerspective == K_BOTTOM_UP ? r->Height - 1 - y : y;
        for (int x = 0; x < r->Width; ++x) {
            unsigned c = static_cast<unsigned>(K_GetPixelColor(r, row, x));
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>((c >> 8) & 0xFF);
            out += static_cast<char>((c >> 16) & 0xFF);
        }
    }
    if (!wasLocked) K_ReleaseBitmap(r);
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
