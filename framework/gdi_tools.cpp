// Font, pen and brush.
#include <cstring>

#include "bitmap.h"
#include "graphics.h"

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

static int ScreenPixelsPerInch() {
    HDC dc = GetDC(nullptr);
    int ppi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return ppi > 0 ? ppi : 96;
}

TFont::TFont() : pixelsPerInch_(ScreenPixelsPerInch()) { height_ = -MulDiv(8, pixelsPerInch_, 72); }

TFont::~TFont() { Drop(); }

void TFont::Drop() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

LOGFONTA TFont::LogFont() const {
    LOGFONTA lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    return lf;
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONTA lf = LogFont();
        handle_ = CreateFontIndirectA(&lf);
    }
    return handle_;
}

void TFont::SetHandle(HFONT font) {
    LOGFONTA lf{};
    if (font && GetObjectA(font, sizeof lf, &lf) == sizeof lf) {
        name_ = lf.lfFaceName;
        height_ = lf.lfHeight;
        style_ = (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
                 (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0);
        charset_ = lf.lfCharSet;
        orientation_ = lf.lfEscapement;
    }
    Changed();
    Drop();
    handle_ = font;
}

#define FONT_SETTER(Setter, field, Type) \
    void TFont::Setter(Type v) {         \
        if (field == v) return;          \
        field = v;                       \
        Changed();                       \
        Drop();                          \
    }
FONT_SETTER(SetName, name_, const std::string&)
FONT_SETTER(SetHeight, height_, int)
FONT_SETTER(SetStyle, style_, TFontStyles)
FONT_SETTER(SetCharset, charset_, BYTE)
FONT_SETTER(SetOrientation, orientation_, int)
#undef FONT_SETTER

void TFont::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    Changed();  // the handle does not hold the colour
}

int TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetPixelsPerInch(int ppi) {
    if (ppi <= 0 || ppi == pixelsPerInch_) return;
    int height = MulDiv(height_, ppi, pixelsPerInch_);
    pixelsPerInch_ = ppi;
    if (height != height_) {
        height_ = height;
        Changed();
        Drop();
    }
}
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, pixelsPerInch_, 72)); }

void TFont::Assign(TPersistent* source) {
    auto* f = dynamic_cast<TFont*>(source);
    if (!f) return TPersistent::Assign(source);
    if (f == this) return;
    name_ = f->name_;
    // The size in points carries over: a screen font assigned to a printer
    // canvas keeps its printed size.
    height_ = f->pixelsPerInch_ == pixelsPerInch_ ? f->height_ : MulDiv(f->height_, pixelsPerInch_, f->pixelsPerInch_);
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    orientation_ = f->orientation_;
    Changed();
    Drop();
}

TPen::~TPen() { Drop(); }

void TPen::Drop() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

HPEN TPen::Handle() {
    if (!handle_) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_ = CreatePen(styles[style_], width_, ColorToRGB(color_));
    }
    return handle_;
}

#define PEN_SETTER(Setter, field, Type) \
    void TPen::Setter(Type v) {         \
        if (field == v) return;         \
        field = v;                      \
        Changed();                      \
        Drop();                         \
    }
PEN_SETTER(SetColor, color_, TColor)
PEN_SETTER(SetWidth, width_, int)
PEN_SETTER(SetStyle, style_, TPenStyle)
#undef PEN_SETTER

void TPen::SetMode(TPenMode mode) {
    if (mode_ == mode) return;
    mode_ = mode;
    Changed();
}

void TPen::Assign(TPersistent* source) {
    auto* p = dynamic_cast<TPen*>(source);
    if (!p) return TPersistent::Assign(source);
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    Drop();
}

TBrush::TBrush() = default;

TBrush::~TBrush() {
    Drop();
    delete bitmap_;
}

void TBrush::Drop() {
    if (handle_ && style_ != bsClear) DeleteObject(handle_);
    handle_ = nullptr;
}

HBRUSH TBrush::Handle() {
    if (!handle_) {
        if (bitmap_ && !bitmap_->Empty()) {
            handle_ = CreatePatternBrush(bitmap_->Handle());
        } else if (style_ == bsClear) {
            handle_ = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        } else if (style_ == bsSolid) {
            handle_ = CreateSolidBrush(ColorToRGB(color_));
        } else {
            static const int hatches[] = {0,        0,           HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL,
                                          HS_CROSS, HS_DIAGCROSS};
            handle_ = CreateHatchBrush(hatches[style_], ColorToRGB(color_));
        }
    }
    return handle_;
}

void TBrush::SetColor(TColor color) {
    if (color_ == color && style_ != bsClear) return;
    Changed();
    Drop();
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style_ == style) return;
    Changed();
    Drop();
    style_ = style;
}

void TBrush::SetBitmap(TBitmap* bitmap) {
    Changed();
    Drop();
    delete bitmap_;
    bitmap_ = nullptr;
    if (bitmap && !bitmap->Empty()) {
        // A colour copy, so a monochrome pattern keeps black and white whatever
        // the context's text and background colours are.
        bitmap_ = new TBitmap;
        bitmap_->Assign(bitmap);
        if (bitmap_->PixelFormat() == pf1bit) bitmap_->SetPixelFormat(pf24bit);
    }
}

void TBrush::Assign(TPersistent* source) {
    auto* b = dynamic_cast<TBrush*>(source);
    if (!b) return TPersistent::Assign(source);
    if (b == this) return;
    Changed();
    Drop();
    color_ = b->color_;
    style_ = b->style_;
    SetBitmap(b->bitmap_);
}
