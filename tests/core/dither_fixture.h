// Helpers of the colour-reduction tests: owned records, palettes, pictures
// made by ImageMagick, and the error measure against a source.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/palette.h"
#include "core/stored_image.h"
#include "host.h"
#include "volkg.h"

// A record freed at the end of the scope.
struct OwnedBitmap {
    BitmapRecord rec{};
    OwnedBitmap() = default;
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;
    ~OwnedBitmap() { K_FreeBitmap(&rec); }
    BitmapRecord* operator->() { return &rec; }
    BitmapRecord* get() { return &rec; }
};

inline RGBQUAD Rgb(int r, int g, int b, int flags = 0) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), static_cast<BYTE>(flags)};
}

// Gives a 1, 4 or 8-bit record a palette of its own (the index map in the
// colour table, as loaders leave it).
inline void GivePalette(BitmapRecord& r, const std::vector<RGBQUAD>& colors) {
    r.PaletteHandle = CreatePaletteFromColors(colors.data(), static_cast<int>(colors.size()));
    r.Colors = static_cast<int>(colors.size());
    SetPaletteIndexMap(&r);
}

// The colours of the palette in use.
inline std::vector<RGBQUAD> PaletteOf(const BitmapRecord& r) {
    std::vector<RGBQUAD> table(256);
    GetPaletteColors(PaletteInUse(&r), table.data(), r.Colors);
    table.resize(r.Colors);
    return table;
}

// A picture of a record in red, green, blue (indices through the palette).
inline Picture ColorsOf(BitmapRecord& r) {
    Picture p = ReadPicture(r);
    if (r.BitsPerPixel > 8) return p;
    std::vector<RGBQUAD> palette = PaletteOf(r);
    Picture c;
    c.width = p.width, c.height = p.height, c.channels = 3;
    c.data.resize(p.data.size() * 3);
    for (size_t i = 0; i < p.data.size(); ++i) {
        const RGBQUAD& e = palette.at(p.data[i]);
        c.data[3 * i] = e.rgbRed, c.data[3 * i + 1] = e.rgbGreen, c.data[3 * i + 2] = e.rgbBlue;
    }
    return c;
}

// Peak signal-to-noise ratio in dB over every sample.
inline double Psnr(const Picture& a, const Picture& b) {
    EXPECT_EQ(a.data.size(), b.data.size());
    double sum = 0;
    for (size_t i = 0; i < a.data.size() && i < b.data.size(); ++i) {
        double d = double(a.data[i]) - double(b.data[i]);
        sum += d * d;
    }
    double mse = sum / double(a.data.size() ? a.data.size() : 1);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// An ImageMagick plasma of fixed seed as a 24-bit picture (PPM).
inline Picture MakePlasma(int width, int height, int seed = 7) {
    std::string path = TestTempPath("dither_plasma_" + std::to_string(seed) + ".ppm");
    int status = RunHost(kConvert + " -seed " + std::to_string(seed) + " -size " + std::to_string(width) + "x" +
                         std::to_string(height) + " plasma:fractal -depth 8 " + path);
    EXPECT_EQ(status, 0);
    return FromPnm(ReadFileBytes(path));
}

// A 5 x 5 binomial blur (edges repeated): what the eye sees of a dither.
inline Picture Blurred(const Picture& p) {
    static const int w[5] = {1, 4, 6, 4, 1};
    Picture out = p;
    auto at = [&](int x, int y, int c) {
        x = std::clamp(x, 0, p.width - 1), y = std::clamp(y, 0, p.height - 1);
        return p.At(x, y)[c];
    };
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < p.channels; ++c) {
                int sum = 0;
                for (int j = 0; j < 5; ++j)
                    for (int i = 0; i < 5; ++i) sum += w[j] * w[i] * at(x + i - 2, y + j - 2, c);
                out.At(x, y)[c] = static_cast<uint8_t>((sum + 128) / 256);
            }
    return out;
}

// Runs a shell line over a picture: {in} and {out} name PGM/PPM files,
// {tmp} a prefix for other files; the result is read back from {out}.
inline Picture RunPeer(const Picture& in, const std::string& line, const std::string& tag) {
    std::string ext = in.channels == 1 ? ".pgm" : ".ppm";
    std::string a = TestTempPath("peer_" + tag + "_in" + ext), b = TestTempPath("peer_" + tag + "_out" + ext);
    WriteFileBytes(a, ToPnm(in));
    std::remove(b.c_str());
    std::string cmd = line;
    for (auto [key, value] :
         {std::pair<std::string, std::string>{"{in}", a}, {"{out}", b}, {"{tmp}", TestTempPath("peer_" + tag)}})
        for (size_t at; (at = cmd.find(key)) != std::string::npos;) cmd.replace(at, key.size(), value);
    EXPECT_EQ(RunHost(cmd), 0) << cmd;
    return FromPnm(ReadFileBytes(b));
}
