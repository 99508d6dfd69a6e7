#include "models/fill_effects.h"

#include <algorithm>
#include <memory>

#include "bitmap.h"
#include "settings/text_helpers.h"

namespace {

HDC DC(TBitmap& bitmap) { return bitmap.Canvas()->Handle(); }

TBitmap* currentStrip = nullptr;

}  // namespace

void DrawDitherStrip(TBitmap& strip) {
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(128, 8);
    TCanvas* canvas = strip.Canvas();
    for (int k = 0; k < 16; ++k)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                canvas->SetPixel(8 * k + x, y, DitherPatternWhite(15 - k, x, y) ? clWhite : clBlack);
}

void SetDitherStrip(TBitmap* strip) { currentStrip = strip; }

TBitmap& DitherStrip() {
    if (currentStrip) return *currentStrip;
    static std::unique_ptr<TBitmap> builtIn;
    if (!builtIn) {
        builtIn = std::make_unique<TBitmap>();
        DrawDitherStrip(*builtIn);
    }
    return *builtIn;
}

void FillFromAtlasCell(TBitmap& dest, TBitmap& atlas, const RECT& cell, bool stretch) {
    TCanvas* canvas = dest.Canvas();
    SetStretchBltMode(canvas->Handle(), COLORONCOLOR);
    int cw = cell.right - cell.left, ch = cell.bottom - cell.top;
    RECT whole{0, 0, dest.Width(), dest.Height()};
    // A reversed cell would tile backwards for ever: it counts as empty.
    if (cw <= 0 || ch <= 0) {
        canvas->Brush()->SetColor(clBlack);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(whole);
        return;
    }
    DWORD mode = canvas->CopyMode();
    canvas->SetCopyMode(cmSrcCopy);
    if (stretch) {
        canvas->CopyRect(whole, atlas.Canvas(), cell);
    } else {
        for (int y = 0; y <= dest.Height(); y += ch)
            for (int x = 0; x <= dest.Width(); x += cw)
                canvas->CopyRect(RECT{x, y, x + cw, y + ch}, atlas.Canvas(), cell);
    }
    canvas->SetCopyMode(mode);
}

void DrawMasked(int x, int y, TBitmap& dest, TBitmap& src) {
    if (src.Empty() || dest.Empty()) return;
    TBitmap mask;
    mask.Assign(&src);
    mask.SetMonochrome(true);
    mask.SetPixelFormat(pf8bit);
    int w = src.Width(), h = src.Height();
    HDC target = DC(dest);
    SetStretchBltMode(target, COLORONCOLOR);
    // Non-white places of src turn white, then src ANDs its pixels into them.
    BitBlt(target, x, y, w, h, DC(mask), 0, 0, MERGEPAINT);
    BitBlt(target, x, y, w, h, DC(src), 0, 0, SRCAND);
    dest.Canvas()->SetCopyMode(cmSrcCopy);
    dest.Changed();
}

void DrawMaskedStretched(int x, int y, int w, TGraphic& graphic, TBitmap& dest, int h) {
    TBitmap stretched;
    stretched.SetPixelFormat(pf24bit);
    stretched.SetSize(w, h);
    if (stretched.Empty()) return;
    SetStretchBltMode(DC(stretched), COLORONCOLOR);
    stretched.Canvas()->StretchDraw(RECT{0, 0, w, h}, &graphic);
    DrawMasked(x, y, dest, stretched);
}

void ApplyShadeMap(TBitmap& picture, TBitmap& shade) {
    if (shade.Empty()) return;
    TCanvas* pc = picture.Canvas();
    TCanvas* sc = shade.Canvas();
    TColor key = sc->Pixels(0, 0);
    int width = std::min(picture.Width(), shade.Width());
    int height = std::min(picture.Height(), shade.Height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            TColor s = sc->Pixels(x, y);
            if (s == key) continue;
            auto d = static_cast<std::int8_t>(static_cast<std::uint8_t>(GetGValue(s) - 127));
            TColor p = pc->Pixels(x, y);
            pc->SetPixel(
                x, y, RGB(ShadeChannel(GetRValue(p), d), ShadeChannel(GetGValue(p), d), ShadeChannel(GetBValue(p), d)));
        }
}

void ApplyDitherLevel(TBitmap& dest, TBitmap& src, int level) {
    if (level > 0 && !src.Empty()) {
        level = std::min(level, 15);
        int k = 15 - level;
        TBitmap pattern;
        pattern.SetPixelFormat(pf24bit);
        pattern.SetSize(8, 8);
        BitBlt(DC(pattern), 0, 0, 8, 8, DC(DitherStrip()), 8 * k, 0, SRCCOPY);
        pattern.SetMonochrome(true);

        TBitmap holes;
        holes.SetPixelFormat(pf24bit);
        holes.SetSize(src.Width(), src.Height());
        HDC hdc = DC(holes);
        HBRUSH brush = CreatePatternBrush(pattern.Handle());
        SetBrushOrgEx(hdc, 0, 0, nullptr);
        SetTextColor(hdc, RGB(0, 0, 0));
        SetBkColor(hdc, RGB(255, 255, 255));
        RECT all{0, 0, src.Width(), src.Height()};
        FillRect(hdc, &all, brush);
        DeleteObject(brush);

        BitBlt(DC(src), 0, 0, src.Width(), src.Height(), hdc, 0, 0, SRCPAINT);
        src.Changed();
    }
    DrawMasked(0, 0, dest, src);
}
