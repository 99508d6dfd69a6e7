#include "models/pattern_gdi_win32.h"

#include <cstring>

#include "controls.h"
#include "models/fill_effects.h"
#include "models/printer_helpers.h"
#include "printers.h"
#include "settings/settings.h"

namespace {

TBitmap* stickArrowSource = nullptr;

// The arrow's place on the sprite sheet.
constexpr RECT StickArrowCell{1235, 463, 1275, 583};

HDC DC(TBitmap& bitmap) { return bitmap.Canvas()->Handle(); }

TBitmap& BitmapOf(PatternBitmap& bitmap) { return static_cast<GdiPatternBitmap&>(bitmap).Bitmap(); }

// A monochrome bitmap, white where the source's pixel at (x + sx, y + sy)
// is the key colour.
HBITMAP KeyMask(TBitmap& source, int sx, int sy, int w, int h, PatternColour key) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, w, h, BLACKNESS);
    HDC src = DC(source);
    COLORREF oldBk = SetBkColor(src, key);
    // Only the part of the source that exists; the rest stays black.
    int x0 = std::max(0, -sx), y0 = std::max(0, -sy);
    int x1 = std::min(w, source.Width() - sx), y1 = std::min(h, source.Height() - sy);
    if (x1 > x0 && y1 > y0) BitBlt(dc, x0, y0, x1 - x0, y1 - y0, src, sx + x0, sy + y0, SRCCOPY);
    SetBkColor(src, oldBk);
    SelectObject(dc, old);
    DeleteDC(dc);
    return mask;
}

// Blits a monochrome mask onto dc with 1 as white and 0 as black.
void BlitMask(HDC dc, HBITMAP mask, int w, int h, DWORD rop) {
    HDC mdc = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mdc, mask);
    COLORREF text = SetTextColor(dc, RGB(0, 0, 0)), bk = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, 0, 0, w, h, mdc, 0, 0, rop);
    SetTextColor(dc, text);
    SetBkColor(dc, bk);
    SelectObject(mdc, old);
    DeleteDC(mdc);
}

}  // namespace

void SetStickArrowSource(TBitmap* spriteSheet) { stickArrowSource = spriteSheet; }

// ---- canvas operations

template <class Base>
void GdiCanvasOps<Base>::SetPenColour(PatternColour colour) {
    Target().Pen()->SetColor(static_cast<TColor>(colour));
}
template <class Base>
PatternColour GdiCanvasOps<Base>::PenColour() {
    return static_cast<PatternColour>(ColorToRGB(Target().Pen()->Color()));
}
template <class Base>
void GdiCanvasOps<Base>::SetPenWidth(int width) {
    Target().Pen()->SetWidth(width);
}
template <class Base>
int GdiCanvasOps<Base>::PenWidth() {
    return Target().Pen()->Width();
}
template <class Base>
void GdiCanvasOps<Base>::SetPenStyle(PenStyle style) {
    static const TPenStyle styles[] = {psSolid, psDot, psDash, psDashDotDot};
    Target().Pen()->SetStyle(styles[static_cast<int>(style)]);
}
template <class Base>
void GdiCanvasOps<Base>::SetBrushColour(PatternColour colour) {
    Target().Brush()->SetStyle(bsSolid);
    Target().Brush()->SetColor(static_cast<TColor>(colour));
}
template <class Base>
void GdiCanvasOps<Base>::SetBrushClear() {
    Target().Brush()->SetStyle(bsClear);
}
template <class Base>
void GdiCanvasOps<Base>::MoveTo(int x, int y) {
    Target().MoveTo(x, y);
}
template <class Base>
void GdiCanvasOps<Base>::LineTo(int x, int y) {
    Target().LineTo(x, y);
}
template <class Base>
void GdiCanvasOps<Base>::SetPixel(int x, int y, PatternColour colour) {
    Target().SetPixel(x, y, static_cast<TColor>(colour));
}
template <class Base>
void GdiCanvasOps<Base>::Rectangle(int x1, int y1, int x2, int y2) {
    Target().Rectangle(x1, y1, x2, y2);
}
template <class Base>
void GdiCanvasOps<Base>::FillRect(int x1, int y1, int x2, int y2) {
    if (Target().Brush()->Style() == bsClear) return;
    Target().FillRect(RECT{x1, y1, x2, y2});
}
template <class Base>
void GdiCanvasOps<Base>::Ellipse(int x1, int y1, int x2, int y2) {
    Target().Ellipse(x1, y1, x2, y2);
}
template <class Base>
void GdiCanvasOps<Base>::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Target().Arc(x1, y1, x2, y2, x3, y3, x4, y4);
}
template <class Base>
void GdiCanvasOps<Base>::FloodFillToBorder(int x, int y, PatternColour border) {
    Target().FloodFill(x, y, static_cast<TColor>(border), fsBorder);
}
template <class Base>
int GdiCanvasOps<Base>::TextWidth(const std::string& text) {
    return Target().TextWidth(text);
}
template <class Base>
int GdiCanvasOps<Base>::TextHeight(const std::string& text) {
    return Target().TextHeight(text);
}
template <class Base>
void GdiCanvasOps<Base>::TextOut(int x, int y, const std::string& text) {
    // The canvas draws text opaque unless its brush is clear.
    TBrush* brush = Target().Brush();
    TBrushStyle style = brush->Style();
    brush->SetStyle(bsClear);
    Target().TextOut(x, y, text);
    brush->SetStyle(style);
}
template <class Base>
void GdiCanvasOps<Base>::SelectTurnedPatternFont(int escapement) {
    TFont* font = Target().Font();
    auto saved = std::make_unique<TFont>();
    saved->Assign(font);
    savedFonts_.push_back(std::move(saved));
    LOGFONTA lf = font->LogFont();
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    std::strncpy(lf.lfFaceName, PatternFontName.c_str(), LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    font->SetHandle(CreateFontIndirectA(&lf));
}
template <class Base>
void GdiCanvasOps<Base>::RestoreFont() {
    if (savedFonts_.empty()) return;
    Target().Font()->Assign(savedFonts_.back().get());
    savedFonts_.pop_back();
}
template <class Base>
void GdiCanvasOps<Base>::DrawStickArrow(int x, int y, int w, int h) {
    if (!stickArrowSource || w <= 0 || h <= 0) return;
    TBitmap arrow;
    arrow.SetPixelFormat(pf24bit);
    arrow.SetSize(w, h);
    SetStretchBltMode(DC(arrow), COLORONCOLOR);
    StretchBlt(DC(arrow), 0, 0, w, h, DC(*stickArrowSource), StickArrowCell.left, StickArrowCell.top,
               StickArrowCell.right - StickArrowCell.left, StickArrowCell.bottom - StickArrowCell.top, SRCCOPY);
    StretchBitmapToDC(Target().Handle(), arrow, RECT{0, 0, w, h}, RECT{x, y, x + w, y + h}, Target().CopyMode());
}

template class GdiCanvasOps<PatternCanvas>;
template class GdiCanvasOps<PatternBitmap>;

// ---- bitmaps

GdiPatternBitmap::GdiPatternBitmap() : owned_(std::make_unique<TBitmap>()), bitmap_(owned_.get()) {
    bitmap_->SetPixelFormat(pf24bit);
}

GdiPatternBitmap::GdiPatternBitmap(TBitmap& bitmap) : bitmap_(&bitmap) {}

void GdiPatternBitmap::SetSize(int width, int height) {
    bitmap_->SetPixelFormat(pf24bit);
    bitmap_->SetSize(std::max(width, 0), std::max(height, 0));
}

PatternColour GdiPatternBitmap::Pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= bitmap_->Width() || y >= bitmap_->Height()) return 0xFFFFFFFFu;
    if (bitmap_->PixelFormat() == pf24bit) {
        if (auto* row = static_cast<const BYTE*>(bitmap_->ScanLine(y))) {
            GdiFlush();
            const BYTE* p = row + 3 * x;
            return PatternRGB(p[2], p[1], p[0]);
        }
    }
    return static_cast<PatternColour>(bitmap_->Canvas()->Pixels(x, y));
}

void GdiPatternBitmap::SetPatternFont(int points) {
    TFont* font = bitmap_->Canvas()->Font();
    font->SetName(PatternFontName);
    font->SetSize(points);
}

void GdiPatternBitmap::SourcePaint(PatternBitmap& source) {
    BitBlt(DC(*bitmap_), 0, 0, Width(), Height(), DC(BitmapOf(source)), 0, 0, SRCPAINT);
}

void GdiPatternBitmap::MergePaint(PatternBitmap& source) {
    BitBlt(DC(*bitmap_), 0, 0, Width(), Height(), DC(BitmapOf(source)), 0, 0, MERGEPAINT);
}

void GdiPatternBitmap::ShapeOfColour(PatternBitmap& source, int sx, int sy, PatternColour key) {
    int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    HBITMAP mask = KeyMask(BitmapOf(source), sx, sy, w, h, key);
    BlitMask(DC(*bitmap_), mask, w, h, SRCCOPY);
    DeleteObject(mask);
}

void GdiPatternBitmap::DrawMasked(PatternBitmap& source) { ::DrawMasked(0, 0, *bitmap_, BitmapOf(source)); }

void GdiPatternBitmap::PaintWhereColour(PatternBitmap& source, PatternBitmap& reference, PatternColour key) {
    int w = std::min(Width(), source.Width()), h = std::min(Height(), source.Height());
    if (w <= 0 || h <= 0) return;
    HBITMAP mask = KeyMask(BitmapOf(reference), 0, 0, w, h, key);
    // The source where the key is, black elsewhere ...
    TBitmap part;
    part.SetPixelFormat(pf24bit);
    part.SetSize(w, h);
    BitBlt(DC(part), 0, 0, w, h, DC(BitmapOf(source)), 0, 0, SRCCOPY);
    BlitMask(DC(part), mask, w, h, SRCAND);
    // ... this bitmap black where the key is (dest AND NOT mask) ...
    BlitMask(DC(*bitmap_), mask, w, h, 0x00220326);
    // ... and the two together.
    BitBlt(DC(*bitmap_), 0, 0, w, h, DC(part), 0, 0, SRCPAINT);
    DeleteObject(mask);
}

// ---- printer and status

GdiPatternPrinter::GdiPatternPrinter() = default;

PatternCanvas& GdiPatternPrinter::Canvas() {
    TCanvas* page = Printer()->Canvas();
    if (!canvas_ || page != page_) {
        canvas_ = std::make_unique<GdiPatternCanvas>(*page);
        page_ = page;
    }
    return *canvas_;
}
int GdiPatternPrinter::PageWidth() { return Printer()->PageWidth(); }
int GdiPatternPrinter::PageHeight() { return Printer()->PageHeight(); }
int GdiPatternPrinter::DotsPerInchX() { return GetDeviceCaps(Printer()->Handle(), LOGPIXELSX); }
int GdiPatternPrinter::DotsPerInchY() { return GetDeviceCaps(Printer()->Handle(), LOGPIXELSY); }
int GdiPatternPrinter::PageNumber() { return Printer()->PageNumber(); }
void GdiPatternPrinter::NewPage() { Printer()->NewPage(); }

void ControlPrintStatus::SetText(const std::string& text) {
    control_.SetCaption(text);
    control_.Repaint();
}
