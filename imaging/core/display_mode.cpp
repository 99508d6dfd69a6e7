// The display mode flag word, its exports and the paint-kind decision.
#include "core/display_mode.h"

#include "core/palette.h"

unsigned DisplayMode = kIndexedPaint | kDitheredPaint;

namespace {

PaintHeader MakePaintHeader() {
    PaintHeader h{};
    h.header.biSize = sizeof(BITMAPINFOHEADER);
    h.header.biPlanes = 1;
    WORD* indices = reinterpret_cast<WORD*>(h.colors);
    for (int i = 0; i < 256; ++i) indices[i] = static_cast<WORD>(i);
    return h;
}

int EnableModeBit(unsigned bit, int enable) {
    unsigned old = static_cast<unsigned>(K_SetDisplayMode(static_cast<int>(bit), enable ? static_cast<int>(bit) : 0));
    return (old & bit) ? 1 : 0;
}

// The palette in use equals the fixed palette of its size in its first
// entries.
bool UsesFixedPalette(const BitmapRecord* bitmap, int colors) {
    return PaletteEqualsTable(PaletteInUse(bitmap), FixedPaletteOfSize(colors), colors) != 0;
}

}  // namespace

PaintHeader PaintBitmapInfo = MakePaintHeader();

void ResetPaintIndexTable() {
    WORD* indices = PaintIndexTable();
    for (int i = 0; i < 256; ++i) indices[i] = static_cast<WORD>(i);
}

int ClassifyDeviceDepth(int technology, int bitsPixel, int planes) {
    constexpr int kMetafile = 5;  // DT_METAFILE
    if (technology == kMetafile) return 24;
    int bits = bitsPixel * planes;
    if (bits < 4) return 1;
    if (bits < 8) return 4;
    if (bits < 16) return 8;
    return 24;
}

PaintKind ChoosePaintKindForDepth(int d, const BitmapRecord* bitmap) {
    bool dithered = DisplayMode & kDitheredPaint;
    bool exact = DisplayMode & kExactPaletteTest;
    switch (bitmap->BitsPerPixel) {
        case 1:
            return dithered && exact && d == 8 ? PaintConvert : PaintDirect;
        case 4:
            if (!dithered) return PaintDirect;
            if (d == 1 || (exact && d == 8)) return PaintConvert;
            if (d == 4) return UsesFixedPalette(bitmap, 16) ? PaintDirect : PaintConvert;
            return PaintDirect;
        case 8:
            if (!dithered) return PaintDirect;
            if (d == 1 || d == 4) return PaintConvert;
            if (exact && d == 8) return UsesFixedPalette(bitmap, 256) ? PaintDirect : PaintConvert;
            return PaintDirect;
        case 16:
        case 32:
            return dithered && d <= 8 ? PaintConvert : PaintExpand24;
        case 24:
            return dithered && d <= 8 ? PaintConvert : PaintDirect;
        default:
            return PaintDirect;
    }
}

extern "C" int KAPI K_SetDisplayMode(int mask, int value) {
    unsigned old = DisplayMode;
    unsigned m = static_cast<unsigned>(mask) & ~kReservedModeBit;
    DisplayMode = (old & ~m) | (m & static_cast<unsigned>(value));
    // Painting in RGB mode overwrites the index table; switching indexed
    // paint on writes it again, whatever the mask.
    if (!(old & kIndexedPaint) && (static_cast<unsigned>(value) & kIndexedPaint)) ResetPaintIndexTable();
    return static_cast<int>(old);
}

extern "C" int KAPI K_GetDisplayMode(void) { return static_cast<int>(DisplayMode); }

extern "C" int KAPI K_EnableOrderedDither(int enable) { return EnableModeBit(kOrderedDither, enable); }
extern "C" int KAPI K_EnableFastPaint(int enable) { return EnableModeBit(kFastPaint, enable); }
extern "C" int KAPI K_EnableIndexedPaint(int enable) { return EnableModeBit(kIndexedPaint, enable); }
