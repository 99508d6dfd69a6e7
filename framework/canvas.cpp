#include "bitmap.h"
#include "graphic.h"
#include "graphics.h"

TCanvas::TCanvas() {
    // A tool that changes is taken out of the context before its handle goes.
    font_.OnChange = [this](TObject*) {
        if (fontSelected_ && dc_) SelectObject(dc_, GetStockObject(SYSTEM_FONT));
        fontSelected_ = false;
    };
    pen_.OnChange = [this](TObject*) {
        if (penSelected_ && dc_) SelectObject(dc_, GetStockObject(BLACK_PEN));
        penSelected_ = false;
    };
    brush_.OnChange = [this](TObject*) {
        if (brushSelected_ && dc_) SelectObject(dc_, GetStockObject(NULL_BRUSH));
        brushSelected_ = false;
    };
}

TCanvas::~TCanvas() { DetachHandle(); }

HDC TCanvas::Handle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw Exception("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc_ == dc) return;
    DetachHandle();
    dc_ = dc;
}

void TCanvas::DetachHandle() {
    if (!dc_) return;
    if (oldFont_) SelectObject(dc_, oldFont_);
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    oldFont_ = oldPen_ = oldBrush_ = nullptr;
    fontSelected_ = penSelected_ = brushSelected_ = false;
    dc_ = nullptr;
}

void TCanvas::RequireState(bool pen, bool brush, bool font) {
    HDC dc = Handle();
    if (pen) {
        if (!penSelected_) {
            HGDIOBJ old = SelectObject(dc, pen_.Handle());
            if (!oldPen_) oldPen_ = old;
            penSelected_ = true;
        }
        static const int rop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
        SetROP2(dc, rop2[pen_.Mode()]);
    }
    if (brush) {
        if (!brushSelected_) {
            HGDIOBJ old = SelectObject(dc, brush_.Handle());
            if (!oldBrush_) oldBrush_ = old;
            brushSelected_ = true;
        }
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    if (brush || font) {
        if (brush_.Style() == bsClear) {
            SetBkMode(dc, TRANSPARENT);
        } else {
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, ColorToRGB(brush_.Color()));
        }
    }
    if (font) {
        if (!fontSelected_) {
            HGDIOBJ old = SelectObject(dc, font_.Handle());
            if (!oldFont_) oldFont_ = old;
            fontSelected_ = true;
        }
        SetTextColor(dc, ColorToRGB(font_.Color()));
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

POINT TCanvas::PenPos() {
    POINT p{};
    GetCurrentPositionEx(Handle(), &p);
    return p;
}

RECT TCanvas::ClipRect() {
    RECT r{};
    GetClipBox(Handle(), &r);
    return r;
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequireState(true, true, false);
    ::LineTo(dc_, x, y);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Changing();
    RequireState(true, true, false);
    ::Rectangle(dc_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const RECT& r) {
    Changing();
    RequireState(false, true, false);
    ::FillRect(dc_, &r, brush_.Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& r) {
    Changing();
    RequireState(false, true, false);
    ::FrameRect(dc_, &r, brush_.Handle());
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Changing();
    RequireState(true, true, false);
    ::Ellipse(dc_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Changing();
    RequireState(true, true, false);
    ::Arc(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Changing();
    RequireState(true, true, false);
    ::Pie(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Polygon(const POINT* points, int count) {
    Changing();
    RequireState(true, true, false);
    ::Polygon(dc_, points, count);
    Changed();
}

void TCanvas::Polyline(const POINT* points, int count) {
    Changing();
    RequireState(true, true, false);
    ::Polyline(dc_, points, count);
    Changed();
}

void TCanvas::PolyBezier(const POINT* points, int count) {
    Changing();
    RequireState(true, true, false);
    ::PolyBezier(dc_, points, count);
    Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
    Changing();
    RequireState(false, true, false);
    ExtFloodFill(dc_, x, y, ColorToRGB(color), style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Changing();
    RequireState(false, true, true);
    ExtTextOutA(dc_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

void TCanvas::TextRect(const RECT& r, int x, int y, const std::string& text) {
    Changing();
    RequireState(false, true, true);
    UINT options = ETO_CLIPPED | (brush_.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(dc_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

int TCanvas::DrawText(RECT& r, const std::string& text, TTextFormat flags) {
    Changing();
    RequireState(false, true, true);
    int h = ::DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &r, flags);
    Changed();
    return h;
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RequireState(false, false, true);
    SIZE s{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    StretchDraw(RECT{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequireState(false, false, false);
    graphic->Draw(this, r);
    Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* source, const RECT& sourceRect) {
    Changing();
    RequireState(false, true, false);
    HDC src = source->Handle();
    StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src, sourceRect.left,
               sourceRect.top, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, copyMode_);
    Changed();
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color) {
    if (!bitmap || bitmap->Empty()) return;
    int w = dest.right - dest.left, h = dest.bottom - dest.top;
    int sw = source.right - source.left, sh = source.bottom - source.top;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    Changing();
    RequireState(false, true, false);
    HDC src = bitmap->Canvas()->Handle();
    // Mask of the colour at the destination's size: 1 where the source has it.
    HDC maskDC = CreateCompatibleDC(dc_);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    COLORREF oldBk = SetBkColor(src, ColorToRGB(color));
    int oldStretch = SetStretchBltMode(maskDC, COLORONCOLOR);
    StretchBlt(maskDC, 0, 0, w, h, src, source.left, source.top, sw, sh, SRCCOPY);
    SetStretchBltMode(maskDC, oldStretch);
    SetBkColor(src, oldBk);
    // The source, then black where the mask is set, then the brush there.
    oldStretch = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, dest.left, dest.top, w, h, src, source.left, source.top, sw, sh, SRCCOPY);
    SetStretchBltMode(dc_, oldStretch);
    COLORREF oldText = SetTextColor(dc_, RGB(0, 0, 0));
    COLORREF oldDestBk = SetBkColor(dc_, RGB(255, 255, 255));
    constexpr DWORD kDestAndNotSource = 0x00220326, kDestOrPatternAndSource = 0x00EA02E9;
    BitBlt(dc_, dest.left, dest.top, w, h, maskDC, 0, 0, kDestAndNotSource);
    BitBlt(dc_, dest.left, dest.top, w, h, maskDC, 0, 0, kDestOrPatternAndSource);
    SetTextColor(dc_, oldText);
    SetBkColor(dc_, oldDestBk);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDC);
    Changed();
}

TColor TCanvas::Pixels(int x, int y) {
    COLORREF c = GetPixel(Handle(), x, y);
    return c == CLR_INVALID ? -1 : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Changing();
    ::SetPixelV(Handle(), x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::Lock() {
    lock_.lock();
    ++lockCount_;
}

void TCanvas::Unlock() {
    --lockCount_;
    lock_.unlock();
}

bool TCanvas::TryLock() {
    if (!lock_.try_lock()) return false;
    ++lockCount_;
    return true;
}
