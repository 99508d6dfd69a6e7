#include "io/color_table.h"

void ColorsFromBytes(RGBQUAD* table, const uint8_t* b, int count, ColorBytes layout) {
    for (int i = 0; i < count; ++i) {
        RGBQUAD& q = table[i];
        switch (layout) {
            case ColorBytes::RGB:
                q = RGBQUAD{b[3 * i + 2], b[3 * i + 1], b[3 * i], 0};
                break;
            case ColorBytes::BGR:
                q = RGBQUAD{b[3 * i], b[3 * i + 1], b[3 * i + 2], 0};
                break;
            case ColorBytes::BGRX:
                q = RGBQUAD{b[4 * i], b[4 * i + 1], b[4 * i + 2], 0};
                break;
            case ColorBytes::RGBPlanar:
                q = RGBQUAD{b[2 * count + i], b[count + i], b[i], 0};
                break;
        }
    }
}

void ColorsToBytes(uint8_t* b, const RGBQUAD* table, int count, ColorBytes layout) {
    for (int i = 0; i < count; ++i) {
        const RGBQUAD& q = table[i];
        switch (layout) {
            case ColorBytes::RGB:
                b[3 * i] = q.rgbRed, b[3 * i + 1] = q.rgbGreen, b[3 * i + 2] = q.rgbBlue;
                break;
            case ColorBytes::BGR:
                b[3 * i] = q.rgbBlue, b[3 * i + 1] = q.rgbGreen, b[3 * i + 2] = q.rgbRed;
                break;
            case ColorBytes::BGRX:
                b[4 * i] = q.rgbBlue, b[4 * i + 1] = q.rgbGreen, b[4 * i + 2] = q.rgbRed, b[4 * i + 3] = 0;
                break;
            case ColorBytes::RGBPlanar:
                b[i] = q.rgbRed, b[count + i] = q.rgbGreen, b[2 * count + i] = q.rgbBlue;
                break;
        }
    }
}
