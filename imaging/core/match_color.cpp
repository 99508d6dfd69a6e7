// The library's one nearest-colour search, and index maps between palettes.
#include <cstring>

#include "core/pixel_format.h"

namespace {

// Squared channel difference; a multiply is cheaper here than a table.
int Square(int difference) { return difference * difference; }

// Which channels lead: 4 when red < blue; 2 when green < min(red, blue);
// 1 when max(red, blue) < max(green, min(red, blue)).
int ChannelOrderCode(int r, int g, int b) {
    int lo = r < b ? r : b;
    int hi = r < b ? b : r;
    int code = 0;
    if (r < b) code |= 4;
    if (g < lo) code |= 2;
    if (hi < (g > lo ? g : lo)) code |= 1;
    return code;
}

bool IsBlack(const RGBQUAD& e) { return e.rgbRed == 0 && e.rgbGreen == 0 && e.rgbBlue == 0; }
bool IsWhite(const RGBQUAD& e) { return e.rgbRed == 255 && e.rgbGreen == 255 && e.rgbBlue == 255; }

}  // namespace

int MatchPaletteColor(const RGBQUAD* palette, int count, int red, int green, int blue) {
    // An empty list has no entry to read; index 0 is the harmless answer.
    if (!palette || count <= 0) return 0;
    if (count > 256) count = 256;
    red &= 0xFF;
    green &= 0xFF;
    blue &= 0xFF;
    if (red == 0 && green == 0 && blue == 0) {
        if (IsBlack(palette[0])) return 0;
        if (IsBlack(palette[count - 1])) return count - 1;
    } else if (red == 255 && green == 255 && blue == 255) {
        if (IsWhite(palette[count - 1])) return count - 1;
        if (IsWhite(palette[0])) return 0;
    }
    const int wanted = ChannelOrderCode(red, green, blue);
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const RGBQUAD& e = palette[i];
        int d = Square(e.rgbBlue - blue) + Square(e.rgbGreen - green) + Square(e.rgbRed - red);
        if (bestDistance >= 0 && d > bestDistance) continue;
        if (d == 0) return i;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        } else if (d == bestDistance && ChannelOrderCode(e.rgbRed, e.rgbGreen, e.rgbBlue) == wanted) {
            best = i;
        }
    }
    return best;
}

int PaletteMap(const RGBQUAD* source, int sourceCount, const RGBQUAD* target, int targetCount, unsigned char* map) {
    if (!source && !target) return 1;
    if (sourceCount < 0) sourceCount = 0;
    if (sourceCount > 256) sourceCount = 256;
    if (targetCount < 0) targetCount = 0;
    if (targetCount > 256) targetCount = 256;
    int written = sourceCount;
    if (!source) {
        written = 256;
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<unsigned char>(MatchPaletteColor(target, targetCount, i, i, i));
    } else if (!target) {
        for (int k = 0; k < sourceCount; ++k) {
            const RGBQUAD& e = source[k];
            map[k] = static_cast<unsigned char>(GrayLevel(e.rgbRed, e.rgbGreen, e.rgbBlue));
        }
    } else if (targetCount >= sourceCount && std::memcmp(source, target, sourceCount * sizeof(RGBQUAD)) == 0) {
        for (int k = 0; k < sourceCount; ++k) map[k] = static_cast<unsigned char>(k);
        return 1;
    } else {
        for (int k = 0; k < sourceCount; ++k) {
            const RGBQUAD& e = source[k];
            map[k] =
                static_cast<unsigned char>(MatchPaletteColor(target, targetCount, e.rgbRed, e.rgbGreen, e.rgbBlue));
        }
    }
    for (int k = 0; k < written; ++k)
        if (map[k] != k) return 0;
    return 1;
}
