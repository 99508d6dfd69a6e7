// Colour space conversion of pixel buffers, always through B, G, R bytes:
// the source to BGR, then BGR to the target.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/memory.h"
#include "process/colorspace.h"
#include "process/hsv.h"
#include "volkg.h"

namespace {

inline unsigned char Byte(int v) { return static_cast<unsigned char>(std::clamp(v, 0, 255)); }

// Truncation toward zero, as for a signed division.
inline int DivideSigned(int x, unsigned d) {
    return x < 0 ? -static_cast<int>(DivideExact(static_cast<unsigned>(-x), d))
                 : static_cast<int>(DivideExact(static_cast<unsigned>(x), d));
}

inline int ReadWord(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
inline void WriteWord(unsigned char* p, int v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// Components on the 14-bit scale of YUV and YIQ: 255 is 16384.
constexpr std::array<int, 256> Make14() {
    std::array<int, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = c * 16384 / 255;
    return t;
}
constexpr std::array<int, 256> kTo14 = Make14();
inline int To14(int c) { return kTo14[c]; }
// Back to 8 bits, truncating toward zero; values outside 0..255 are
// clamped (their low 8 bits would wrap a dark red to a bright one).
inline unsigned char From14(int x) { return Byte(x * 255 / 16384); }

using ToBgr = void (*)(const unsigned char* in, unsigned char* bgr, int count);
using FromBgr = void (*)(const unsigned char* bgr, unsigned char* out, int count);

void YuvToBgr(const unsigned char* in, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, in += 6, o += 3) {
        int y = ReadWord(in), u = ReadWord(in + 2), v = ReadWord(in + 4);
        o[0] = From14(y + u);
        o[1] = From14((587 * y - 114 * u - 299 * v) / 587);
        o[2] = From14(y + v);
    }
}

void CmykToBgr(const unsigned char* in, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, in += 4, o += 3) {
        int k = in[3];
        o[0] = Byte(255 - in[2] - k);
        o[1] = Byte(255 - in[1] - k);
        o[2] = Byte(255 - in[0] - k);
    }
}

// The three bytes of a pixel as one key; a run of one colour (flat areas)
// is converted once.
inline uint32_t Key3(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16; }

void HsvToBgr(const unsigned char* in, unsigned char* o, int count) {
    uint32_t last = 0xFFFFFFFF;
    Rgb8 c{};
    for (int i = 0; i < count; ++i, in += 3, o += 3) {
        if (Key3(in) != last) {
            last = Key3(in);
            c = FromHsv(in[0], in[1], in[2]);
        }
        o[0] = static_cast<unsigned char>(c.b), o[1] = static_cast<unsigned char>(c.g),
        o[2] = static_cast<unsigned char>(c.r);
    }
}

// One component of HLS from its own hue on the 255-step circle.
inline int HlsComponent(int m1, int m2, int span, int h) {
    if (h < 42) return m1 + static_cast<int>(DivideExact(static_cast<unsigned>(span * h * 6), 255));
    if (h < 127) return m2;
    if (h < 170) return m1 + static_cast<int>(DivideExact(static_cast<unsigned>(span * (170 - h) * 6), 255));
    return m1;
}

void HlsToBgr(const unsigned char* in, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, in += 3, o += 3) {
        int h = in[0], l = in[1], s = in[2];
        if (s == 0) {
            o[0] = o[1] = o[2] = static_cast<unsigned char>(l);
            continue;
        }
        int m2 = l >= 128 ? l + s - l * s / 255 : l * (s + 255) / 255;
        int m1 = 2 * l - m2, span = m2 - m1;
        o[2] = Byte(HlsComponent(m1, m2, span, h <= 170 ? h + 85 : h - 170));
        o[1] = Byte(HlsComponent(m1, m2, span, h));
        o[0] = Byte(HlsComponent(m1, m2, span, h > 84 ? h - 85 : h + 170));
    }
}

void YiqToBgr(const unsigned char* in, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, in += 6, o += 3) {
        int y = ReadWord(in), ii = ReadWord(in + 2), q = ReadWord(in + 4);
        o[0] = From14((1008 * y - 1110 * ii + 1700 * q) / 1000);
        o[1] = From14((997 * y - 271 * ii - 645 * q) / 1000);
        o[2] = From14((1003 * y + 955 * ii + 618 * q) / 1000);
    }
}

void CmyToBgr(const unsigned char* in, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, in += 3, o += 3) {
        o[0] = static_cast<unsigned char>(255 - in[2]);
        o[1] = static_cast<unsigned char>(255 - in[1]);
        o[2] = static_cast<unsigned char>(255 - in[0]);
    }
}

void BgrToBgr(const unsigned char* bgr, unsigned char* out, int count) {
    std::memcpy(out, bgr, static_cast<size_t>(count) * 3);
}

inline int Luma14(int r16, int g16, int b16) { return (587 * g16 + 299 * r16 + 114 * b16) / 1000; }

void BgrToYuv(const unsigned char* p, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, p += 3, o += 6) {
        int b = To14(p[0]), g = To14(p[1]), r = To14(p[2]);
        int y = Luma14(r, g, b);
        WriteWord(o, y), WriteWord(o + 2, b - y), WriteWord(o + 4, r - y);
    }
}

void BgrToCmyk(const unsigned char* p, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, p += 3, o += 4) {
        int c = 255 - p[2], m = 255 - p[1], y = 255 - p[0];
        int k = std::min(c, std::min(m, y));
        o[0] = static_cast<unsigned char>(c - k), o[1] = static_cast<unsigned char>(m - k);
        o[2] = static_cast<unsigned char>(y - k), o[3] = static_cast<unsigned char>(k);
    }
}

void BgrToHsv(const unsigned char* p, unsigned char* o, int count) {
    uint32_t last = 0xFFFFFFFF;
    Hsv c{};
    for (int i = 0; i < count; ++i, p += 3, o += 3) {
        if (Key3(p) != last) {
            last = Key3(p);
            c = ToHsv(p[2], p[1], p[0]);
        }
        o[0] = static_cast<unsigned char>(c.h), o[1] = static_cast<unsigned char>(c.s),
        o[2] = static_cast<unsigned char>(c.v);
    }
}

void BgrToHls(const unsigned char* p, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, p += 3, o += 3) {
        int b = p[0], g = p[1], r = p[2];
        int max = std::max(r, std::max(g, b)), min = std::min(r, std::min(g, b));
        int l = (max + min) >> 1;
        if (max == min) {
            o[0] = 0, o[1] = static_cast<unsigned char>(l), o[2] = 0;
            continue;
        }
        unsigned diff = static_cast<unsigned>(max - min);
        unsigned s = DivideExact(diff * 255, static_cast<unsigned>(l <= 127 ? max + min : 510 - max - min));
        unsigned span6 = 6 * diff;
        int h = max == r   ? DivideSigned((g - b) * 255, span6)
                : max == g ? DivideSigned((b - r) * 255, span6) + 85
                           : DivideSigned((r - g) * 255, span6) + 170;
        if (h < 0) h += 255;
        o[0] = static_cast<unsigned char>(h), o[1] = static_cast<unsigned char>(l),
        o[2] = static_cast<unsigned char>(s);
    }
}

void BgrToYiq(const unsigned char* p, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, p += 3, o += 6) {
        int b = To14(p[0]), g = To14(p[1]), r = To14(p[2]);
        WriteWord(o, Luma14(r, g, b));
        WriteWord(o + 2, (596 * r - 321 * b - 275 * g) / 1000);
        WriteWord(o + 4, (311 * b + 212 * r - 528 * g) / 1000);
    }
}

void BgrToCmy(const unsigned char* p, unsigned char* o, int count) {
    for (int i = 0; i < count; ++i, p += 3, o += 3) {
        o[0] = static_cast<unsigned char>(255 - p[2]);
        o[1] = static_cast<unsigned char>(255 - p[1]);
        o[2] = static_cast<unsigned char>(255 - p[0]);
    }
}

// Indexed by space code; BGR to BGR is the first stage's own buffer.
const ToBgr kToBgr[kColorSpaceCount] = {nullptr, YuvToBgr, CmykToBgr, HsvToBgr, HlsToBgr, YiqToBgr, CmyToBgr};
const FromBgr kFromBgr[kColorSpaceCount] = {BgrToBgr, BgrToYuv, BgrToCmyk, BgrToHsv, BgrToHls, BgrToYiq, BgrToCmy};

}  // namespace

int ColorSpaceBytesPerPixel(int space) {
    static const int bytes[kColorSpaceCount] = {3, 6, 4, 3, 3, 6, 3};
    return space >= 0 && space < kColorSpaceCount ? bytes[space] : 0;
}

extern "C" int KAPI K_ConvertColorSpace(const void* source, void* target, int count, int sourceSpace, int targetSpace) {
    // Both codes are checked before any work (nothing is written for a bad one).
    if (sourceSpace < 0 || sourceSpace >= kColorSpaceCount || targetSpace < 0 || targetSpace >= kColorSpaceCount)
        return K_ERR_ARGUMENT;
    if (!source || !target || count < 0) return K_ERR_ARGUMENT;
    const auto* in = static_cast<const unsigned char*>(source);
    auto* out = static_cast<unsigned char*>(target);
    if (sourceSpace == K_SPACE_BGR) {
        kFromBgr[targetSpace](in, out, count);
        return K_OK;
    }
    // The BGR stage in blocks that stay in the cache.
    constexpr int kBlock = 2048;
    GlobalBuffer bgr(static_cast<size_t>(kBlock) * 3);
    if (!bgr) return K_ERR_MEMORY;
    const int inBytes = ColorSpaceBytesPerPixel(sourceSpace), outBytes = ColorSpaceBytesPerPixel(targetSpace);
    for (int done = 0; done < count; done += kBlock) {
        int n = std::min(kBlock, count - done);
        kToBgr[sourceSpace](in + static_cast<size_t>(done) * inBytes, bgr.get(), n);
        kFromBgr[targetSpace](bgr.get(), out + static_cast<size_t>(done) * outBytes, n);
    }
    return K_OK;
}
