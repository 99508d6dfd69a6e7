// The RTF view as a window: GDI canvases, pictures from files and embedded
// metafiles or DIBs, the clipboard, the printer and an external scroll bar
// around the document engine (rtf_view.h, rtf_scale.h).
#pragma once

#include <memory>

#include "controls.h"
#include "graphic.h"
#include "picture.h"
#include "rtf_scale.h"
#include "rtf_scale_source.h"
#include "stdctrls.h"

// A canvas of the framework (window, bitmap or printer page) for the engine.
class GdiRtfCanvas : public RtfCanvas {
public:
    explicit GdiRtfCanvas(TCanvas* canvas) : canvas_(canvas) {}
    // The framework canvas drawn on (a background painter copies skins onto it).
    TCanvas* Canvas() const { return canvas_; }
    int PixelsPerInchX() override;
    int PixelsPerInchY() override;
    int BitsPerPixel() override;
    int TextWidth(const RtfFont& font, const std::string& text) override;
    void TextOut(int x, int y, const RtfFont& font, const std::string& text, uint32_t color, uint32_t background,
                 bool transparent) override;
    void StretchPicture(const RtfPicture& picture, int left, int top, int right, int bottom) override;
    void FillRect(int left, int top, int right, int bottom, uint32_t color) override;
    void HorizontalLine(int x1, int x2, int y, uint32_t color) override;

private:
    void Select(const RtfFont& font);
    TCanvas* canvas_;
};

// A picture of the framework: a bitmap drawn from embedded data, or a file.
class GdiRtfPicture : public RtfPicture {
public:
    explicit GdiRtfPicture(std::unique_ptr<TPicture> picture) : picture_(std::move(picture)) {}
    int Width() const override { return picture_->Width(); }
    int Height() const override { return picture_->Height(); }
    TGraphic* Graphic() const { return picture_->Graphic(); }

private:
    std::unique_ptr<TPicture> picture_;
};

// Embedded picture data drawn into a bitmap of width x height; null when
// the data is not a metafile or DIB. The metafile gets all its bytes.
std::unique_ptr<RtfPicture> MakeGdiPicture(RtfPictureKind kind, const std::string& bytes, int width, int height);

// The control: a window that shows one topic. View() is the engine.
class TrtfViewWindow : public TCustomControl, private RtfViewHost {
public:
    explicit TrtfViewWindow(TComponent* owner);
    ~TrtfViewWindow() override;

    TRtfViewScale& View() { return view_; }
    TCursor HotCursor = crHandPoint;
    TCursor NormalCursor = crDefault;
    // The scroll bar the view drives (optional; not owned).
    void SetScrollBar(TScrollBar* bar);
    // Takes the description's scale factors from the pattern print form.
    void SetSizeForm(RtfScaleSource* form);
    // The program's wait cursor, shown while a document loads; set once by
    // whoever registers the view for layouts (the controls). A bare view
    // shows none.
    static void SetWaitCursor(void (*begin)(), void (*end)());

protected:
    void Paint() override;
    void BoundsChanged() override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    RtfCanvas& ControlCanvas() override;
    void Invalidate() override { TCustomControl::Invalidate(); }
    void BeginWait() override;
    void EndWait() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::unique_ptr<RtfPicture> LoadPicture(const std::string& path) override;
    std::unique_ptr<RtfPicture> MakePicture(RtfPictureKind kind, const std::string& bytes, int width,
                                            int height) override;
    bool SetClipboard(const std::string& rtf, const std::string& text) override;
    RtfPrinter* Printer() override;

    class ScrollBarLink;
    class PrinterLink;
    GdiRtfCanvas controlCanvas_;
    std::unique_ptr<TBitmap> offscreen_;
    std::unique_ptr<ScrollBarLink> scrollBar_;
    std::unique_ptr<PrinterLink> printer_;
    TRtfViewScale view_;
};

// Puts both texts on the clipboard: the RTF under "Rich Text Format" and
// the plain text as CF_TEXT, zero-terminated. False when it cannot be opened.
bool PutRtfOnClipboard(const std::string& rtf, const std::string& text);
