// Bitmaps: device-dependent or DIB sections, with palette, pixel format
// conversion (monochrome, 8, 24, 32 bits), transparent drawing and a canvas.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "graphic.h"
#include "graphics.h"

enum TBitmapHandleType { bmDIB, bmDDB };
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// The canvas of a bitmap: a memory context holding the bitmap.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override;
    // Lets go of the context so the bitmap can be selected elsewhere.
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap* bitmap_;
    HDC memDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HPALETTE oldPalette_ = nullptr;
};

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int width) override { SetSize(width, height_); }
    void SetHeight(int height) override { SetSize(width_, height); }
    // Keeps the pixels that fit; new pixels are white.
    void SetSize(int width, int height);

    // The bitmap handle (the canvas lets go of it first, so it may be selected
    // into another context). Null when empty.
    HBITMAP Handle();
    // Takes over a bitmap handle (owned from now on); null empties the bitmap.
    void SetHandle(HBITMAP bitmap);
    // Gives up the handle without deleting it.
    HBITMAP ReleaseHandle();

    HPALETTE Palette() const override { return palette_; }
    // Takes over the palette (owned from now on).
    void SetPalette(HPALETTE palette) override;
    HPALETTE ReleasePalette();

    TBitmapHandleType HandleType() const { return handleType_; }
    void SetHandleType(TBitmapHandleType type);
    TPixelFormat PixelFormat() const;
    // Converts the pixels: to monochrome every colour except white becomes black;
    // to 8 bits the palette is kept when there is one, else a 256-colour one.
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const { return PixelFormat() == pf1bit; }
    void SetMonochrome(bool on);
    // Start of a row of a DIB bitmap (top row 0); null for a device bitmap.
    void* ScanLine(int row);

    // Transparent drawing: the colour left out by Draw when Transparent is set.
    TColor TransparentColor();  // tmAuto: the bottom-left pixel
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }

    TCanvas* Canvas();

    void Assign(TPersistent* source) override;
    // BMP files (Windows 3 and OS/2 headers, 1 to 32 bits, RLE4 and RLE8).
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromMemory(const void* data, size_t size);
    void SaveToFile(const std::string& fileName) override;
    void LoadFromStream(TStream* stream) override;
    // A BMP file: 24 bits, or the DIB's own depth with its colour table.
    void SaveToStream(TStream* stream) override;
    // A BITMAP resource of a module.
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
    void Draw(TCanvas* canvas, const RECT& rect) override;

    // Frees the image (empty bitmap).
    void Clear();
    // Marks the picture changed (canvas drawing does this by itself).
    void Changed() override { TGraphic::Changed(); }

private:
    friend class TBitmapCanvas;
    void FreeImage();
    void ReplaceImage(HBITMAP bitmap, bool dib);
    HBITMAP handle_ = nullptr;
    HPALETTE palette_ = nullptr;
    int width_ = 0, height_ = 0;
    TBitmapHandleType handleType_ = bmDIB;
    int pendingBitCount_ = 24;  // bit count of the pixels made for an empty bitmap (0: device)
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    std::unique_ptr<TBitmapCanvas> canvas_;
};

// Copies of a device bitmap into a DIB of the given bit count (1, 8, 24, 32)
// and back; shared by the bitmap, the printer helpers and the tests.
HBITMAP CreateDIBSectionOf(int width, int height, int bitCount, const RGBQUAD* colours, int colourCount,
                           void** bits = nullptr);
