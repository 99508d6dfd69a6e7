#include "controls/brush_select_win32.h"

#include "application.h"
#include "bitmap.h"
#include "layout.h"
#include "models/fill_effects.h"
#include "models/pattern_gdi_win32.h"
#include "picture.h"
#include "timer.h"

namespace {

constexpr TCursor DrumCursor = 4;

AtlasGeometry GeometryOf(TImage* image) {
    AtlasGeometry atlas;
    if (!image) return atlas;
    atlas.assigned = true;
    atlas.pictureWidth = image->Picture()->Width();
    atlas.pictureHeight = image->Picture()->Height();
    atlas.cellWidth = image->Width();
    atlas.cellHeight = image->Height();
    return atlas;
}

HDC DC(TBitmap& bitmap) { return bitmap.Canvas()->Handle(); }

}  // namespace

TBrushSelect::TBrushSelect(TComponent* owner) : TBaseComponent(owner) { SetCursor(DrumCursor); }

TBrushSelect::~TBrushSelect() { ReleaseDrum(); }

void TBrushSelect::PrepareDrum() {
    drum_.Prepare(GeometryOf(imageS_), GeometryOf(imageM_));
    if (!timer_) {
        timer_ = new TTimer(this);
        timer_->OnTimer = [this](TObject* sender) { DrumTimer(sender); };
    }
    timer_->SetEnabled(false);
    timer_->SetInterval(20);
    Invalidate();
}

void TBrushSelect::ReleaseDrum() {
    delete timer_;
    timer_ = nullptr;
}

RECT TBrushSelect::CellRect(int n) const {
    DrumRect r = drum_.CellRect(n);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void TBrushSelect::FillWithFabric(TBitmap& bitmap, int n) {
    TImage* atlas = AtlasOf(n);
    if (!drum_.HasFabric(n) || !atlas) {
        TCanvas* canvas = bitmap.Canvas();
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(clBlack);
        canvas->FillRect(RECT{0, 0, bitmap.Width(), bitmap.Height()});
        return;
    }
    FillFromAtlasCell(bitmap, *atlas->Picture()->Bitmap(), CellRect(n), IsStretchFabric(n));
}

void TBrushSelect::FillWithFabric(PatternBitmap& bitmap, int n) {
    FillWithFabric(static_cast<GdiPatternBitmap&>(bitmap).Bitmap(), n);
}

TBitmap* TBrushSelect::FaseBitmap() const {
    if (!faseImage_) return nullptr;
    TBitmap* bitmap = faseImage_->Picture()->Bitmap();
    return bitmap && !bitmap->Empty() ? bitmap : nullptr;
}

int TBrushSelect::WindowAt(int x, int y) {
    TBitmap* fase = FaseBitmap();
    if (!fase) return NoDrumWindow;
    GdiPatternBitmap frames(*fase);
    PatternColour keys[5];
    for (int k = 0; k < 5; ++k) keys[k] = frames.Pixel(0, k);
    return FabricDrum::WindowOfColour(frames.Pixel(x + 1, y + 2 * Height()), keys);
}

void TBrushSelect::Started(bool started) {
    if (!started) return;
    if (timer_) timer_->SetEnabled(drum_.TimerOn);
    Invalidate();
}

void TBrushSelect::OpenDrum() { Started(drum_.OpenDrum()); }
void TBrushSelect::CloseDrum() { Started(drum_.CloseDrum()); }
void TBrushSelect::RotateForward() { Started(drum_.RotateForward()); }
void TBrushSelect::RotateBackward() { Started(drum_.RotateBackward()); }

void TBrushSelect::DrumTimer(TObject*) {
    bool repaint = drum_.Tick();
    Application->CancelHint();
    Invalidate();
    if (timer_) timer_->SetEnabled(drum_.TimerOn);
    if (repaint) Repaint();
}

void TBrushSelect::Paint() {
    if (ComponentState() & csDesigning) return;
    int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    TBitmap frame, reference;
    for (TBitmap* b : {&frame, &reference}) {
        b->SetPixelFormat(pf24bit);
        b->SetSize(w, h);
    }
    PatternColour keys[5] = {0, 0, 0, 0, 0};
    if (TBitmap* fase = FaseBitmap()) {
        DrumRect r = drum_.PhaseRect(w, h);
        for (TBitmap* b : {&frame, &reference}) BitBlt(DC(*b), 0, 0, w, h, DC(*fase), r.left, r.top, SRCCOPY);
        GdiPatternBitmap frames(*fase);
        for (int k = 0; k < 5; ++k) keys[k] = frames.Pixel(0, k);
        GdiPatternBitmap target(frame), original(reference);
        drum_.PaintWindows(target, original, keys, *this);
    }
    Canvas()->Draw(0, 0, &frame);
}

void TBrushSelect::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    if (drum_.MouseDown(WindowAt(x, y), (shift & ssShift) != 0)) {
        BeginDragFlag();
        BeginDrag(true);
    }
}

void TBrushSelect::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    // The base's flag: a drop elsewhere may have consumed the release.
    drum_.DragConsumed = DragFlag();
    if (DragFlag()) {
        ClearDragFlag();
        drum_.MouseUp(NoDrumWindow);
        return;
    }
    if (drum_.Opened && Dragging()) EndDrag(false);
    Started(drum_.MouseUp(WindowAt(x, y)) != DrumAction::None);
}

void TBrushSelect::MouseMove(TShiftState shift, int x, int y) {
    TBaseComponent::MouseMove(shift, x, y);
    if (Cursor() != DrumCursor) SetCursor(DrumCursor);
    std::string hint = drum_.HintAt(WindowAt(x, y));
    if (hint != Hint()) {
        SetHint(hint);
        Application->CancelHint();
    }
}

bool TBrushSelect::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    std::string n = LowerCase(name);
    if (n == "brushsimages")
        reader.Reference(value, [this](TComponent* c) { SetBrushsImageS(dynamic_cast<TImage*>(c)); });
    else if (n == "brushsimagem")
        reader.Reference(value, [this](TComponent* c) { SetBrushsImageM(dynamic_cast<TImage*>(c)); });
    else if (n == "faseimage")
        reader.Reference(value, [this](TComponent* c) { SetFaseImage(dynamic_cast<TImage*>(c)); });
    else if (n == "countfaseopen")
        SetCountFaseOpen(value.AsInt());
    else if (n == "countfaserotate")
        SetCountFaseRotate(value.AsInt());
    else
        return TBaseComponent::SetProperty(name, value, reader);
    return true;
}
