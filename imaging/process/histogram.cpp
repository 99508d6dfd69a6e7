// Histograms of intensity or of one colour component, and the corrections
// that derive a remap table from them: equalisation, stretching and
// contrast about the middle of the used range.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/pixel_format.h"
#include "process/histogram.h"
#include "process/process_frame.h"

namespace {

// Component value of a colour for a channel: 0 the intensity.
inline int ChannelValue(unsigned channel, int r, int g, int b) {
    switch (channel) {
        case 1:
            return r;
        case 2:
            return g;
        case 3:
            return b;
        default:
            return GrayLevel(r, g, b);
    }
}

void CountBits(const unsigned char* row, int width, const unsigned char* values, uint32_t* counters) {
    uint32_t ones = 0;
    int whole = width / 8;
    for (int i = 0; i < whole; ++i) ones += static_cast<uint32_t>(std::popcount(static_cast<unsigned>(row[i])));
    int rest = width % 8;
    if (rest) ones += static_cast<uint32_t>(std::popcount(static_cast<unsigned>(row[whole] & (0xFF00 >> rest) & 0xFF)));
    counters[values[0]] += static_cast<uint32_t>(width) - ones;
    counters[values[1]] += ones;
}

void CountNibbles(const unsigned char* row, int width, const unsigned char* values, uint32_t* counters) {
    for (int x = 0; x + 1 < width; x += 2) {
        ++counters[values[row[x >> 1] >> 4]];
        ++counters[values[row[x >> 1] & 15]];
    }
    if (width & 1) ++counters[values[row[width >> 1] >> 4]];
}

void CountBytes(const unsigned char* row, int width, const unsigned char* values, uint32_t* counters) {
    for (int x = 0; x < width; ++x) ++counters[values[row[x]]];
}

void CountWords(const unsigned char* row, int width, unsigned channel, bool bgr, uint32_t* counters) {
    for (int x = 0; x < width; ++x) {
        unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
        int high = Expand5To8((w >> 10) & 31), mid = Expand5To8((w >> 5) & 31), low = Expand5To8(w & 31);
        ++counters[bgr ? ChannelValue(channel, high, mid, low) : ChannelValue(channel, low, mid, high)];
    }
}

// Intensity of 3- or 4-byte pixels; red at byte redAt, blue at 2 - redAt.
void CountIntensity(const unsigned char* p, int width, int step, int redAt, uint32_t* counters) {
    const int blueAt = 2 - redAt;
    for (int x = 0; x < width; ++x, p += step) ++counters[GrayLevel(p[redAt], p[1], p[blueAt])];
}

void CountByte(const unsigned char* p, int width, int step, uint32_t* counters) {
    for (int x = 0; x < width; ++x, p += step) ++counters[*p];
}

// The counters and the table of a correction, freed on every way out.
struct Correction {
    GlobalBuffer counters{256 * sizeof(uint32_t)};
    GlobalBuffer table{256};
    bool ok() const { return counters && table; }
    uint32_t* count() { return reinterpret_cast<uint32_t*>(counters.get()); }
};

struct UsedRange {
    int low, high, mid;
};

UsedRange FindUsedRange(const uint32_t* counters) {
    UsedRange r{255, 0, 0};
    for (int i = 0; i <= 254; ++i)
        if (counters[i]) {
            r.low = i;
            break;
        }
    for (int i = 255; i >= 1; --i)
        if (counters[i]) {
            r.high = i;
            break;
        }
    r.mid = (r.low + r.high) / 2;
    return r;
}

// The intensity histogram over 0..50 percent, then makeTable(counters,
// table) and the remap of all channels over 51..100. makeTable returns
// false when nothing is to change.
template <typename MakeTable>
int CorrectIntensity(BitmapRecord* bitmap, MakeTable&& makeTable) {
    Correction c;
    if (!c.ok()) return K_ERR_MEMORY;
    int rc = ComputeBitmapHistogram(bitmap, c.count(), 0, 0, 50);
    if (rc != K_OK) return rc;
    if (!makeTable(c.count(), c.table.get())) return K_OK;
    return RemapBitmapChannel(bitmap, c.table.get(), 0, 51, 100);
}

}  // namespace

int ComputeBitmapHistogram(BitmapRecord* bitmap, uint32_t* counters, unsigned channel, int first, int last) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (!counters || channel > kMaxChannel) return K_ERR_ARGUMENT;

    const int bits = bitmap->BitsPerPixel;
    unsigned char values[256] = {};
    if (bits < 16) {
        PALETTEENTRY entries[256];
        int count = 0;
        if ((rc = ReadBitmapPalette(bitmap, entries, &count)) != K_OK) return rc;
        for (int i = 0; i < count; ++i)
            values[i] = static_cast<unsigned char>(
                ChannelValue(channel, entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
    }
    std::memset(counters, 0, 256 * sizeof(uint32_t));
    const int width = bitmap->Width;
    const bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
    const int step = bits / 8;
    // Red is the third byte in blue-green-red order, the first otherwise.
    const int redAt = bgr ? 2 : 0;
    const int byteAt = channel == 2 ? 1 : ((channel == 1) == bgr ? 2 : 0);
    return ScanRows(bitmap, first, last, [&](const unsigned char* row, int) {
        switch (bits) {
            case 1:
                CountBits(row, width, values, counters);
                break;
            case 4:
                CountNibbles(row, width, values, counters);
                break;
            case 8:
                CountBytes(row, width, values, counters);
                break;
            case 16:
                CountWords(row, width, channel, bgr, counters);
                break;
            default:
                if (channel == 0)
                    CountIntensity(row, width, step, redAt, counters);
                else
                    CountByte(row + byteAt, width, step, counters);
        }
    });
}

extern "C" int KAPI K_GetBitmapHistogram(BitmapRecord* bitmap, uint32_t* counters, unsigned channel) {
    return ComputeBitmapHistogram(bitmap, counters, channel, 0, 100);
}

extern "C" int KAPI K_HistoEqualizeBitmap(BitmapRecord* bitmap) {
    return CorrectIntensity(bitmap, [&](const uint32_t* counters, unsigned char* table) {
        // 64-bit sums: count times 255 passes 32 bits above 16.8 million pixels.
        const uint64_t pixels = static_cast<uint64_t>(bitmap->Width) * static_cast<uint64_t>(bitmap->Height);
        uint64_t sum = 0;
        for (int i = 0; i < 256; ++i) {
            sum += counters[i];
            table[i] = static_cast<unsigned char>(std::min<uint64_t>(sum * 255 / pixels, 255));
        }
        return true;
    });
}

extern "C" int KAPI K_StretchBitmapIntensity(BitmapRecord* bitmap) {
    return CorrectIntensity(bitmap, [&](const uint32_t* counters, unsigned char* table) {
        UsedRange r = FindUsedRange(counters);
        // One intensity throughout: nothing to stretch.
        if (r.high == r.mid) return false;
        for (int j = 0; j < 256; ++j)
            table[j] = static_cast<unsigned char>(std::clamp((j - r.mid) * 128 / (r.high - r.mid) + 127, 0, 255));
        return true;
    });
}

extern "C" int KAPI K_HistoContrastBitmap(BitmapRecord* bitmap, int change) {
    if (change < -1000 || change > 1000) return K_ERR_ARGUMENT;
    const int k = (change * 128 + 500) / 1000;
    return CorrectIntensity(bitmap, [&](const uint32_t* counters, unsigned char* table) {
        UsedRange r = FindUsedRange(counters);
        for (int j = 0; j < 256; ++j)
            table[j] =
                static_cast<unsigned char>(j < r.mid ? std::clamp(j - k, 0, r.mid) : std::clamp(j + k, r.mid, 255));
        return true;
    });
}
