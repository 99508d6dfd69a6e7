#include "rtf_view_win32.h"

#include <cstring>

#include "bitmap.h"
#include "clipboard.h"
#include "metafile.h"
#include "printers.h"

// ---- Canvas

int GdiRtfCanvas::PixelsPerInchX() { return GetDeviceCaps(canvas_->Handle(), LOGPIXELSX); }
int GdiRtfCanvas::PixelsPerInchY() { return GetDeviceCaps(canvas_->Handle(), LOGPIXELSY); }
int GdiRtfCanvas::BitsPerPixel() {
    HDC dc = canvas_->Handle();
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
}

void GdiRtfCanvas::Select(const RtfFont& f) {
    TFont* font = canvas_->Font();
    TFontStyles style = (f.bold ? fsBold : 0) | (f.italic ? fsItalic : 0) | (f.underline ? fsUnderline : 0);
    if (font->Name() != f.name) font->SetName(f.name);
    if (font->Size() != f.size) font->SetSize(f.size);
    if (font->Style() != style) font->SetStyle(style);
    if (font->Charset() != f.charset) font->SetCharset(f.charset);
}

int GdiRtfCanvas::TextWidth(const RtfFont& font, const std::string& text) {
    Select(font);
    return canvas_->TextWidth(text);
}

void GdiRtfCanvas::TextOut(int x, int y, const RtfFont& font, const std::string& text, uint32_t color,
                           uint32_t background, bool transparent) {
    Select(font);
    canvas_->Font()->SetColor(TColor(color));
    canvas_->Brush()->SetColor(TColor(background));
    canvas_->Brush()->SetStyle(transparent ? bsClear : bsSolid);
    canvas_->TextOut(x, y, text);
    canvas_->Brush()->SetStyle(bsSolid);
}

void GdiRtfCanvas::StretchPicture(const RtfPicture& picture, int left, int top, int right, int bottom) {
    auto& gdi = static_cast<const GdiRtfPicture&>(picture);
    if (gdi.Graphic() && !gdi.Graphic()->Empty()) canvas_->StretchDraw(RECT{left, top, right, bottom}, gdi.Graphic());
}

void GdiRtfCanvas::FillRect(int left, int top, int right, int bottom, uint32_t color) {
    canvas_->Brush()->SetStyle(bsSolid);
    canvas_->Brush()->SetColor(TColor(color));
    canvas_->FillRect(RECT{left, top, right, bottom});
}

void GdiRtfCanvas::HorizontalLine(int x1, int x2, int y, uint32_t color) {
    canvas_->Pen()->SetColor(TColor(color));
    canvas_->MoveTo(x1, y);
    canvas_->LineTo(x2, y);
}

// ---- Pictures

namespace {

std::unique_ptr<TBitmap> WhiteBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    return bitmap;
}

// A packed DIB: header, colour table and bits, each within the bytes.
bool DrawDib(TBitmap& bitmap, const std::string& bytes) {
    if (bytes.size() < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes.data(), sizeof h);
    if (h.biSize < sizeof h || h.biSize > bytes.size() || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1)
        return false;
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
    int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    uint64_t colours = h.biClrUsed ? h.biClrUsed : (bits <= 8 ? 1u << bits : 0);
    if (colours > 256) return false;
    uint64_t masks = h.biCompression == BI_BITFIELDS && h.biSize == sizeof h ? 12 : 0;
    uint64_t offset = h.biSize + masks + colours * 4;
    uint64_t stride = ((uint64_t(h.biWidth) * bits + 31) / 32) * 4;
    uint64_t rows = h.biHeight < 0 ? uint64_t(-int64_t(h.biHeight)) : uint64_t(h.biHeight);
    if (offset + stride * rows > bytes.size()) return false;
    std::string info = bytes.substr(0, size_t(offset));
    if (info.size() < sizeof(BITMAPINFO)) info.resize(sizeof(BITMAPINFO), '\0');
    StretchDIBits(bitmap.Canvas()->Handle(), 0, 0, bitmap.Width(), bitmap.Height(), 0, 0, h.biWidth, int(rows),
                  bytes.data() + offset, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
    return true;
}

}  // namespace

std::unique_ptr<RtfPicture> MakeGdiPicture(RtfPictureKind kind, const std::string& bytes, int width, int height) {
    auto bitmap = WhiteBitmap(width, height);
    try {
        if (kind == RtfPictureKind::Metafile) {
            // The whole buffer: a metafile handed one byte short is refused.
            TMetafile metafile;
            metafile.LoadFromBytes(bytes.data(), bytes.size());
            bitmap->Canvas()->StretchDraw(RECT{0, 0, width, height}, &metafile);
        } else if (!DrawDib(*bitmap, bytes)) {
            return nullptr;
        }
    } catch (const Exception&) {
        return nullptr;
    }
    auto picture = std::make_unique<TPicture>();
    picture->SetGraphic(bitmap.get());
    return std::make_unique<GdiRtfPicture>(std::move(picture));
}

bool PutRtfOnClipboard(const std::string& rtf, const std::string& text) {
    TClipboard* clipboard = Clipboard();
    try {
        clipboard->Open();
    } catch (const EClipboardError&) {
        return false;
    }
    clipboard->Clear();
    UINT format = TClipboard::RegisterFormat("Rich Text Format");
    if (format) clipboard->SetBuffer(format, rtf.c_str(), rtf.size() + 1);
    clipboard->SetBuffer(CF_TEXT, text.c_str(), text.size() + 1);
    clipboard->Close();
    return true;
}

// ---- Scroll bar and printer

class TrtfViewWindow::ScrollBarLink : public RtfScrollBar {
public:
    ScrollBarLink(TScrollBar* bar, TrtfView& view) : bar_(bar) {
        bar_->OnChange = [this, &view](TObject*) {
            if (!configuring_) view.SetLine(bar_->Position());
        };
    }
    ~ScrollBarLink() override { bar_->OnChange = nullptr; }
    void Configure(int min, int max, int pageStep, int position) override {
        configuring_ = true;
        bar_->SetLargeChange(pageStep);
        bar_->SetParams(position, min, max);
        configuring_ = false;
    }
    void SetPosition(int position) override {
        configuring_ = true;
        bar_->SetPosition(position);
        configuring_ = false;
    }

private:
    TScrollBar* bar_;
    bool configuring_ = false;
};

class TrtfViewWindow::PrinterLink : public RtfPrinter {
public:
    PrinterLink() : canvas_(::Printer()->Canvas()) {}
    void BeginDoc() override { ::Printer()->BeginDoc(); }
    void NewPage() override { ::Printer()->NewPage(); }
    void EndDoc() override { ::Printer()->EndDoc(); }
    RtfCanvas& Canvas() override { return canvas_ = GdiRtfCanvas(::Printer()->Canvas()); }
    int PageWidth() override { return Caps(HORZRES); }
    int PageHeight() override { return Caps(VERTRES); }
    int HorzSizeMm() override { return Caps(HORZSIZE); }
    int VertSizeMm() override { return Caps(VERTSIZE); }
    int HorzRes() override { return Caps(HORZRES); }
    int VertRes() override { return Caps(VERTRES); }

private:
    // Errors while asking the printer count as 0.
    static int Caps(int index) {
        try {
            return GetDeviceCaps(::Printer()->Handle(), index);
        } catch (const Exception&) {
            return 0;
        }
    }
    GdiRtfCanvas canvas_;
};

// ---- The control

TrtfViewWindow::TrtfViewWindow(TComponent* owner)
    : TCustomControl(owner), controlCanvas_(Canvas()), offscreen_(std::make_unique<TBitmap>()), view_(*this) {
    SetBounds(0, 0, 2, 2);
}

TrtfViewWindow::~TrtfViewWindow() = default;

void TrtfViewWindow::SetScrollBar(TScrollBar* bar) {
    scrollBar_.reset();
    if (bar) scrollBar_ = std::make_unique<ScrollBarLink>(bar, view_);
    view_.ScrollBar = scrollBar_.get();
}

void TrtfViewWindow::SetSizeForm(RtfScaleSource* form) {
    view_.ScaleX = [form] { return form ? form->ScaleX() : 1.0L; };
    view_.ScaleY = [form] { return form ? form->ScaleY() : 1.0L; };
}

RtfCanvas& TrtfViewWindow::ControlCanvas() { return controlCanvas_; }

void TrtfViewWindow::Paint() {
    RECT r = ClientRect();
    if (offscreen_->Width() != r.right || offscreen_->Height() != r.bottom) offscreen_->SetSize(r.right, r.bottom);
    if (!view_.OnBackground) view_.Color = uint32_t(ColorToRGB(Color()));
    GdiRtfCanvas canvas(offscreen_->Canvas());
    view_.Paint(canvas);
    offscreen_->Canvas()->Brush()->SetColor(clWhite);
    Canvas()->Draw(0, 0, offscreen_.get());
}

void TrtfViewWindow::BoundsChanged() {
    TCustomControl::BoundsChanged();
    RECT r = ClientRect();
    view_.SetSize(r.right, r.bottom);
    offscreen_->SetSize(r.right, r.bottom);
}

void TrtfViewWindow::MouseMove(TShiftState shift, int x, int y) {
    SetCursor(view_.MouseMove(x, y) ? HotCursor : NormalCursor);
    TCustomControl::MouseMove(shift, x, y);
}

void TrtfViewWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button == mbLeft) view_.MouseDown(x, y);
}

namespace {
void (*g_beginWait)() = nullptr;
void (*g_endWait)() = nullptr;
}  // namespace

void TrtfViewWindow::SetWaitCursor(void (*begin)(), void (*end)()) {
    g_beginWait = begin;
    g_endWait = end;
}

void TrtfViewWindow::BeginWait() {
    if (g_beginWait) g_beginWait();
}
void TrtfViewWindow::EndWait() {
    if (g_endWait) g_endWait();
}

void TrtfViewWindow::ShowMessage(const std::string& text, const std::string& caption) {
    MessageBoxA(HandleAllocated() ? Handle() : nullptr, text.c_str(), caption.c_str(), MB_OK);
}

std::unique_ptr<RtfPicture> TrtfViewWindow::LoadPicture(const std::string& path) {
    auto picture = std::make_unique<TPicture>();
    try {
        picture->LoadFromFile(path);
    } catch (const Exception&) {
        return nullptr;
    }
    return std::make_unique<GdiRtfPicture>(std::move(picture));
}

std::unique_ptr<RtfPicture> TrtfViewWindow::MakePicture(RtfPictureKind kind, const std::string& bytes, int width,
                                                        int height) {
    return MakeGdiPicture(kind, bytes, width, height);
}

bool TrtfViewWindow::SetClipboard(const std::string& rtf, const std::string& text) {
    return PutRtfOnClipboard(rtf, text);
}

RtfPrinter* TrtfViewWindow::Printer() {
    if (!printer_) printer_ = std::make_unique<PrinterLink>();
    return printer_.get();
}
