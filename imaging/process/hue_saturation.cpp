// Hue and saturation: every colour to the library's HSV form, one
// component changed, and back.
#include <algorithm>
#include <cstdint>

#include "core/pixel_format.h"
#include "process/hsv.h"
#include "process/process_frame.h"

namespace {

template <typename Change>
void ChangeWords(unsigned char* p, int width, bool bgr, Change& change) {
    for (int x = 0; x < width; ++x, p += 2) {
        unsigned w = p[0] | (p[1] << 8);
        int high = Expand5To8((w >> 10) & 31), mid = Expand5To8((w >> 5) & 31), low = Expand5To8(w & 31);
        Hsv hsv = bgr ? ToHsv(high, mid, low) : ToHsv(low, mid, high);
        change(hsv);
        Rgb8 c = FromHsv(hsv.h, hsv.s, hsv.v);
        unsigned r = Reduce8To5(c.r), g = Reduce8To5(c.g), b = Reduce8To5(c.b);
        w = bgr ? (r << 10) | (g << 5) | b : (b << 10) | (g << 5) | r;
        p[0] = static_cast<unsigned char>(w);
        p[1] = static_cast<unsigned char>(w >> 8);
    }
}

// 3- or 4-byte pixels; the fourth byte keeps its value. A run of one
// colour (flat areas) is converted once.
template <typename Change>
void ChangeBytes(unsigned char* p, int width, int step, int redAt, Change& change) {
    const int blueAt = 2 - redAt;
    uint32_t lastIn = 0xFFFFFFFF;
    Rgb8 c{};
    for (int x = 0; x < width; ++x, p += step) {
        uint32_t in = p[0] | p[1] << 8 | p[2] << 16;
        if (in != lastIn) {
            lastIn = in;
            Hsv hsv = ToHsv(p[redAt], p[1], p[blueAt]);
            change(hsv);
            c = FromHsv(hsv.h, hsv.s, hsv.v);
        }
        p[redAt] = static_cast<unsigned char>(c.r);
        p[1] = static_cast<unsigned char>(c.g);
        p[blueAt] = static_cast<unsigned char>(c.b);
    }
}

template <typename Change>
int ChangeHsv(BitmapRecord* bitmap, Change change) {
    const int bits = bitmap->BitsPerPixel;
    if (bits < 16) {
        return ProcessPalette(bitmap, 0, 100, [&](PALETTEENTRY* e, int count) {
            for (int i = 0; i < count; ++i) {
                Hsv hsv = ToHsv(e[i].peRed, e[i].peGreen, e[i].peBlue);
                change(hsv);
                Rgb8 c = FromHsv(hsv.h, hsv.s, hsv.v);
                e[i] = PALETTEENTRY{static_cast<BYTE>(c.r), static_cast<BYTE>(c.g), static_cast<BYTE>(c.b), 0};
            }
        });
    }
    const int width = bitmap->Width;
    const bool bgr = bitmap->ColorOrder == K_ORDER_BGR;
    if (bits == 16)
        return ProcessRows(bitmap, 0, 100, 0, [&](unsigned char* row, int) { ChangeWords(row, width, bgr, change); });
    const int step = bits / 8, redAt = bgr ? 2 : 0;
    return ProcessRows(bitmap, 0, 100, 0,
                       [&](unsigned char* row, int) { ChangeBytes(row, width, step, redAt, change); });
}

}  // namespace

extern "C" int KAPI K_ChangeBitmapHue(BitmapRecord* bitmap, int angle) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    // Any angle: 360 degrees are 256 steps, a full turn.
    const int step = static_cast<int>(static_cast<int64_t>(angle) * 256 / 360);
    return ChangeHsv(bitmap, [step](Hsv& c) { c.h = (c.h + step) & 255; });
}

extern "C" int KAPI K_ChangeBitmapSaturation(BitmapRecord* bitmap, int change) {
    int rc = CheckProcessBitmap(bitmap);
    if (rc != K_OK) return rc;
    if (change < -1000 || change > 1000) return K_ERR_ARGUMENT;
    const int step = (change * 255 + 500) / 1000;
    // A grey has no hue to saturate (its H is only a placeholder for red):
    // it stays grey.
    return ChangeHsv(bitmap, [step](Hsv& c) {
        if (c.s != 0) c.s = std::clamp(c.s + step, 0, 255);
    });
}
