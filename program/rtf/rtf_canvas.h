// What the document engine draws on and asks of its surroundings: a canvas
// (the control, an off-screen picture or the printer page), pictures, a
// scroll bar and a printer. The Windows side implements them over GDI;
// tests implement them in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A font as the document names it; the canvas makes the device font.
struct RtfFont {
    std::string name;
    uint8_t charset = 0;
    uint8_t family = 0;  // pitch and family
    int size = 0;        // points
    bool bold = false, italic = false, underline = false;
    bool operator==(const RtfFont&) const = default;
};

class RtfPicture {
public:
    virtual ~RtfPicture() = default;
    virtual int Width() const = 0;  // pixels
    virtual int Height() const = 0;
};

class RtfCanvas {
public:
    virtual ~RtfCanvas() = default;
    virtual int PixelsPerInchX() = 0;
    virtual int PixelsPerInchY() = 0;
    virtual int BitsPerPixel() = 0;
    virtual int TextWidth(const RtfFont& font, const std::string& text) = 0;
    // Text with its top at y; the background filled unless transparent.
    virtual void TextOut(int x, int y, const RtfFont& font, const std::string& text, uint32_t color,
                         uint32_t background, bool transparent) = 0;
    virtual void StretchPicture(const RtfPicture& picture, int left, int top, int right, int bottom) = 0;
    virtual void FillRect(int left, int top, int right, int bottom, uint32_t color) = 0;
    virtual void HorizontalLine(int x1, int x2, int y, uint32_t color) = 0;
};

// Rounds half away from zero, as the system's MulDiv does; 0 divisor gives -1.
int RtfMulDiv(int a, int b, int c);
int TwipsToPixelsX(RtfCanvas& canvas, int twips);
int TwipsToPixelsY(RtfCanvas& canvas, int twips);

// Picture data embedded in a document.
enum class RtfPictureKind { Metafile, Dib };

// A scroll bar the view drives: positions are scrolling-line indices.
class RtfScrollBar {
public:
    virtual ~RtfScrollBar() = default;
    virtual void Configure(int min, int max, int pageStep, int position) = 0;
    virtual void SetPosition(int position) = 0;
};

// A print job on the default printer.
class RtfPrinter {
public:
    virtual ~RtfPrinter() = default;
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual RtfCanvas& Canvas() = 0;
    virtual int PageWidth() = 0;  // pixels
    virtual int PageHeight() = 0;
    virtual int HorzSizeMm() = 0;  // printable area in millimetres
    virtual int VertSizeMm() = 0;
    virtual int HorzRes() = 0;  // printable area in pixels
    virtual int VertRes() = 0;
};

// What the view needs of the window it lives in.
class RtfViewHost {
public:
    virtual ~RtfViewHost() = default;
    // The control's own canvas, for measuring.
    virtual RtfCanvas& ControlCanvas() = 0;
    virtual void Invalidate() {}
    virtual void BeginWait() {}
    virtual void EndWait() {}
    virtual void ShowMessage(const std::string& text, const std::string& caption) {}
    // A picture file; null when it cannot be loaded.
    virtual std::unique_ptr<RtfPicture> LoadPicture(const std::string& path) { return nullptr; }
    // A picture of width x height pixels drawn from embedded data; null on failure.
    virtual std::unique_ptr<RtfPicture> MakePicture(RtfPictureKind kind, const std::string& bytes, int width,
                                                    int height) {
        return nullptr;
    }
    // Puts both texts on the clipboard; false when it could not be opened.
    virtual bool SetClipboard(const std::string& rtf, const std::string& text) { return false; }
    virtual RtfPrinter* Printer() { return nullptr; }
};
