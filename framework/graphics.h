// GDI drawing tools (font, pen, brush) and the canvas that uses them.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "classes.h"

class TBitmap;
class TGraphic;

// A GDI object made on demand from its properties; every change drops the
// handle and notifies the owner (a canvas deselects it first).
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;
    // The font handle; made from the properties when none is set.
    HFONT Handle();
    // Takes over a font made elsewhere (the font object owns it from now on);
    // the properties are read back from it.
    void SetHandle(HFONT font);

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Size in points at the font's resolution (PixelsPerInch: the screen's,
    // or the printer's on a printer canvas); Height in pixels of that device
    // (negative: character height, as in LOGFONT).
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int height);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE charset);
    // Angle of the text base line in tenths of a degree (rotated text).
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenths);
    int PixelsPerInch() const { return pixelsPerInch_; }
    // The resolution of the device the font is for; the size in points is kept.
    void SetPixelsPerInch(int ppi);

    // Copies the other font; the size in points is kept across resolutions.
    void Assign(TPersistent* source) override;
    // The font as a LOGFONT (for making variants of it).
    LOGFONTA LogFont() const;

private:
    void Drop();
    HFONT handle_ = nullptr;
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    BYTE charset_ = DEFAULT_CHARSET;
    int orientation_ = 0;
    int pixelsPerInch_ = 96;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
public:
    ~TPen() override;
    HPEN Handle();
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    void Assign(TPersistent* source) override;

private:
    void Drop();
    HPEN handle_ = nullptr;
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    TBrush();
    ~TBrush() override;
    HBRUSH Handle();
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // A pattern brush from a bitmap (the brush keeps its own copy; null clears it).
    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* bitmap);
    void Assign(TPersistent* source) override;

private:
    void Drop();
    HBRUSH handle_ = nullptr;
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
};

// Raster operations of CopyMode.
constexpr DWORD cmBlackness = BLACKNESS, cmDstInvert = DSTINVERT, cmMergeCopy = MERGECOPY, cmMergePaint = MERGEPAINT,
                cmNotSrcCopy = NOTSRCCOPY, cmNotSrcErase = NOTSRCERASE, cmPatCopy = PATCOPY, cmPatInvert = PATINVERT,
                cmPatPaint = PATPAINT, cmSrcAnd = SRCAND, cmSrcCopy = SRCCOPY, cmSrcErase = SRCERASE,
                cmSrcInvert = SRCINVERT, cmSrcPaint = SRCPAINT, cmWhiteness = WHITENESS;

enum TFillStyle { fsSurface, fsBorder };

using TTextFormat = unsigned;  // DT_xxx flags for TextRect

// Drawing surface over a device context. The pen, brush and font are
// selected into the context on each drawing call, so changing them between
// calls takes effect at once. Lock / Unlock serialise drawing threads.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context; a subclass makes it on demand.
    HDC Handle();
    // Uses a context made elsewhere (not released by the canvas); null detaches.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont* Font() { return &font_; }
    TPen* Pen() { return &pen_; }
    TBrush* Brush() { return &brush_; }
    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD rop) { copyMode_ = rop; }
    POINT PenPos();
    void SetPenPos(POINT p) { MoveTo(p.x, p.y); }
    RECT ClipRect();

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void FillRect(const RECT& r);   // with the brush, no outline
    void FrameRect(const RECT& r);  // one-pixel frame with the brush
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const RECT& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(const POINT* points, int count);
    void Polyline(const POINT* points, int count);
    void PolyBezier(const POINT* points, int count);  // 3n + 1 points
    void FloodFill(int x, int y, TColor color, TFillStyle style);

    void TextOut(int x, int y, const std::string& text);
    // Text clipped to the rectangle; with flags it is DrawText with those flags.
    void TextRect(const RECT& r, int x, int y, const std::string& text);
    int DrawText(RECT& r, const std::string& text, TTextFormat flags);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // Graphics at their own size, stretched to a rectangle, and rectangles of
    // other canvases (with CopyMode).
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& r, TGraphic* graphic);
    void CopyRect(const RECT& dest, TCanvas* source, const RECT& sourceRect);
    // Copies a rectangle of the bitmap (stretched to dest) with every pixel of
    // the colour replaced by the brush.
    void BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color);

    TColor Pixels(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_; }

    // Called before and after each drawing call (bitmaps mark themselves changed).
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    virtual void CreateHandle() {}
    // Releases the selected tools and forgets the context.
    void DetachHandle();
    void Changing();
    void Changed();
    // Selects font, pen and brush as needed.
    void RequireState(bool pen, bool brush, bool font);

private:
    HDC dc_ = nullptr;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    DWORD copyMode_ = cmSrcCopy;
    HGDIOBJ oldFont_ = nullptr, oldPen_ = nullptr, oldBrush_ = nullptr;
    bool fontSelected_ = false, penSelected_ = false, brushSelected_ = false;
    std::recursive_mutex lock_;
    int lockCount_ = 0;
};
