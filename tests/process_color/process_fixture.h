// Helpers of the processing tests: a status callback that records what it
// is told, pictures at every depth, and the peers' pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/dither_fixture.h"
#include "core/stored_image.h"
#include "process/process_frame.h"
#include "volkg.h"

// Records the percents it is called with; returns stopAt's answer once
// the call count reaches stopAfter (counting from 1), else 1.
struct StatusRecorder {
    static std::vector<int>& Seen() {
        static std::vector<int> seen;
        return seen;
    }
    static int& StopAfter() {
        static int n = 0;
        return n;
    }
    static int KAPI Callback(int percent) {
        Seen().push_back(percent);
        return StopAfter() && static_cast<int>(Seen().size()) >= StopAfter() ? 0 : 1;
    }
    explicit StatusRecorder(int stopAfter = 0) {
        Seen().clear();
        StopAfter() = stopAfter;
        previous_ = K_SetStatusCallBack(&Callback);
    }
    ~StatusRecorder() { K_SetStatusCallBack(previous_); }
    std::vector<int> seen() const { return Seen(); }

private:
    StatusCallback previous_;
};

// Every 8-bit value once in each channel, in a 16 x 16 block per channel
// arrangement: red runs along x, green along y, blue against both.
inline Picture EveryValue(int scale = 1) {
    Picture p;
    p.width = 16 * scale, p.height = 16 * scale, p.channels = 3;
    p.data.resize(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int v = (y / scale) * 16 + x / scale;
            uint8_t* px = p.At(x, y);
            px[0] = static_cast<uint8_t>(v), px[1] = static_cast<uint8_t>(255 - v),
            px[2] = static_cast<uint8_t>((v * 37) & 255);
        }
    return p;
}

// An 8-bit value as a 5-bit field holds it: (v >> 3) widened again.
inline int Through5(int v) { return ((v >> 3) << 3) | (v >> 5); }

// A picture kept to the colours a 16-bit pixel holds exactly.
inline Picture To555(Picture p) {
    for (auto& v : p.data) v = static_cast<uint8_t>(Through5(v));
    return p;
}

// One ImageMagick picture (built in: "rose:", "logo:") scaled to a size.
inline Picture MagickPicture(const std::string& name, int width, int height) {
    std::string path = TestTempPath("pc_" + name.substr(0, name.size() - 1) + std::to_string(width) + ".ppm");
    EXPECT_EQ(RunHost(kConvert + " " + name + " -resize " + std::to_string(width) + "x" + std::to_string(height) +
                      "! -depth 8 " + path),
              0);
    return FromPnm(ReadFileBytes(path));
}

// The storage layouts a processing test runs over.
struct Layout {
    int bits, perspective, order;
};
inline std::string Name(const Layout& l) {
    return std::to_string(l.bits) + (l.perspective == K_TOP_DOWN ? " top-down" : " bottom-up") +
           (l.order == K_ORDER_BGR ? " BGR" : " RGB");
}
inline const std::vector<Layout>& DirectLayouts() {
    static const std::vector<Layout> layouts = {
        {16, K_BOTTOM_UP, K_ORDER_BGR}, {16, K_TOP_DOWN, K_ORDER_RGB},  {24, K_BOTTOM_UP, K_ORDER_BGR},
        {24, K_TOP_DOWN, K_ORDER_RGB},  {32, K_BOTTOM_UP, K_ORDER_RGB}, {32, K_TOP_DOWN, K_ORDER_BGR},
    };
    return layouts;
}

// A grey picture as three equal channels.
using test_picture::GreyAsRgb;

// Applies a per-component function to every sample of a picture.
template <typename F>
Picture MapSamples(Picture p, F&& f) {
    for (auto& v : p.data) v = static_cast<uint8_t>(f(v));
    return p;
}

// Every layout of the processing tests: palettes at 1, 4 and 8 bits, a grey
// ramp at 8, and the direct depths in both orders and row orders.
struct AnyLayout {
    int bits;
    bool grey;
    int perspective, order;
};
inline std::string Name(const AnyLayout& l) {
    return (l.grey ? std::string("grey ") : std::string()) + Name(Layout{l.bits, l.perspective, l.order});
}
inline std::vector<AnyLayout> AllLayouts() {
    std::vector<AnyLayout> all = {{1, false, K_BOTTOM_UP, K_ORDER_BGR},
                                  {4, false, K_TOP_DOWN, K_ORDER_BGR},
                                  {8, false, K_BOTTOM_UP, K_ORDER_BGR},
                                  {8, true, K_TOP_DOWN, K_ORDER_BGR}};
    for (const Layout& l : DirectLayouts()) all.push_back({l.bits, false, l.perspective, l.order});
    return all;
}

// Stores a picture's colours at a layout: palette layouts take their
// palette from pixels spread over the picture and a pattern of indices;
// the grey ramp takes the picture's grey levels; 16 bits its 5-bit levels.
inline void StoreAtLayout(BitmapRecord& r, const Picture& rgb, const AnyLayout& l) {
    if (l.bits > 8) {
        StorePicture(r, l.bits == 16 ? To555(rgb) : rgb, l.bits, l.perspective, l.order);
        return;
    }
    if (l.grey) {
        Picture g;
        g.width = rgb.width, g.height = rgb.height, g.channels = 1;
        for (size_t i = 0; i < rgb.data.size(); i += 3)
            g.data.push_back(static_cast<uint8_t>((2 * rgb.data[i] + 5 * rgb.data[i + 1] + rgb.data[i + 2] + 4) >> 3));
        StorePicture(r, g, 8, l.perspective);
        r.PaletteHandle = CreateGrayPalette(8);
        r.Flags |= K_GRAY_PALETTE;
        SetPaletteIndexMap(&r);
        return;
    }
    int colors = 1 << l.bits;
    std::vector<RGBQUAD> palette;
    size_t pixels = rgb.data.size() / 3;
    for (int i = 0; i < colors; ++i) {
        const uint8_t* px = &rgb.data[(pixels * i / colors + pixels / (2 * colors)) * 3];
        palette.push_back(Rgb(px[0], px[1], px[2]));
    }
    StorePicture(r, MakePattern(rgb.width, rgb.height, l.bits), l.bits, l.perspective);
    GivePalette(r, palette);
}

// What a table does to a stored picture's colours at a depth (5-bit fields
// keep the top five bits of the mapped value).
inline Picture AfterTable(const Picture& colors, const unsigned char* table, int bits) {
    return MapSamples(colors, [&](int v) { return bits == 16 ? Through5(table[v]) : table[v]; });
}
