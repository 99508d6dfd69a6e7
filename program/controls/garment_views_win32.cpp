#include "controls/garment_views_win32.h"

#include "application.h"
#include "bitmap.h"
#include "controls/bitmap_button.h"
#include "controls/brush_select_win32.h"
#include "controls/carousel.h"
#include "controls/form_links.h"
#include "controls/garment_components_win32.h"
#include "controls/masked_draw.h"
#include "controls/notifications.h"
#include "controls/raster_dib_win32.h"
#include "extctrls.h"
#include "layout.h"
#include "menus.h"
#include "models/pattern_gdi_win32.h"
#include "rtf/rtf_view_win32.h"
#include "settings/settings.h"
#include "timer.h"

namespace {

constexpr TCursor kHandCursor = 4;

// A 24-bit bitmap of the size that stretches by dropping pixels.
void PrepareScratch(TBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    SetStretchBltMode(bitmap.Canvas()->Handle(), COLORONCOLOR);
}

TBitmap* PictureOf(TImage* image) {
    if (!image || !image->Picture()->Graphic()) return nullptr;
    TBitmap* bitmap = image->Picture()->Bitmap();
    return bitmap && !bitmap->Empty() ? bitmap : nullptr;
}

// The composed preview picture stretched into the rectangle, white left out.
void DrawPreview(TCanvas& canvas, TModel* model, const DecoRect& place) {
    if (!model || place.width <= 0 || place.height <= 0) return;
    const Raster& picture = model->PreviewImage();
    if (picture.Empty()) return;
    TBitmap bitmap;
    RasterToBitmap(picture, bitmap);
    StretchDrawKeyed(canvas, bitmap, clWhite, place.left, place.top, place.width, place.height, 0, 0, 0, 0);
}

TModel* CurrentModelOf(TAllModels* all) { return all ? all->CurrentModel() : nullptr; }

// The hint changed: stored, and the hint shown now cancelled.
void ChangeHint(TControl& control, const std::string& hint) {
    if (control.Hint() == hint) return;
    control.SetHint(hint);
    if (Application) Application->CancelHint();
}

}  // namespace

// ---- TModelShow -------------------------------------------------------------

TModelShow::TModelShow(TComponent* owner) : TBaseComponent(owner) {}

// The timer goes with this component; the description view may be gone already.
TModelShow::~TModelShow() = default;

bool TModelShow::Animating() const { return timer_ && timer_->Enabled(); }

void TModelShow::SetUp() {
    if (MWidth == 0) MWidth = Width() - MX;
    if (MHeight == 0) MHeight = Height() - MY;
    SetVisible(false);
    animation_.SetFrameCount(CountX * CountY);
    animation_.Reset();
    if (ViewDescribe) {
        ViewDescribe->OnClick = [this](TObject*) { CycleShowType(); };
        ViewDescribe->View().OnBackground = [this](RtfCanvas& canvas) { PaintDescriptionBackground(canvas); };
        // The measurements are read when a description loads: the print form may come later.
        ViewDescribe->View().ScaleX = [] { return SizeForm ? SizeForm->ScaleX() : 1.0L; };
        ViewDescribe->View().ScaleY = [] { return SizeForm ? SizeForm->ScaleY() : 1.0L; };
    }
    SetCursor(kHandCursor);
    if (!timer_) {
        timer_ = new TTimer(this);
        timer_->OnTimer = [this](TObject*) { Tick(); };
    }
    timer_->SetInterval(200);
    timer_->SetEnabled(false);
}

void TModelShow::Release() {
    if (ViewDescribe) ViewDescribe->View().OnBackground = nullptr;
    delete timer_;
    timer_ = nullptr;
}

void TModelShow::ShowButtons(bool visible) {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* button = dynamic_cast<TBitmapButton*>(Controls(i))) button->SetVisible(visible);
}

void TModelShow::Open() {
    SetVisible(true);
    animation_.SetForwards(true);
    if (timer_) timer_->SetEnabled(true);
}

void TModelShow::Close() {
    if (ViewDescribe) ViewDescribe->SetVisible(false);
    if (DescribeScrollBar) DescribeScrollBar->SetVisible(false);
    ShowButtons(false);
    animation_.SetForwards(false);
    if (timer_) timer_->SetEnabled(true);
}

void TModelShow::Tick() {
    switch (animation_.Tick()) {
        case SheetAnimation::Closed:
            timer_->SetEnabled(false);
            SetVisible(false);
            NotifyPatternsClosed();
            break;
        case SheetAnimation::Opened:
            timer_->SetEnabled(false);
            UpdateDescription();
            ShowButtons(true);
            NotifyPatternsOpened();
            break;
        case SheetAnimation::Running:
            break;
    }
    if (Application) Application->CancelHint();
    Invalidate();
}

void TModelShow::CycleShowType() {
    if (!AllModes) return;
    AllModes->SetTypeShow(NextShowType(AllModes->TypeShow));
    UpdateDescription();
    if (TModel* model = CurrentModelOf(AllModes)) model->SetShowType(AllModes->TypeShow);
    SetCursor(kHandCursor);
    Invalidate();
}

void TModelShow::UpdateDescription() {
    if (!ViewDescribe) return;
    const bool shown = AllModes && AllModes->TypeShow == tsUnVisible;
    ViewDescribe->SetVisible(shown);
    if (DescribeScrollBar) DescribeScrollBar->SetVisible(shown && ViewDescribe->View().NeedsScrollBar());
}

void TModelShow::LoadDescription() {
    if (ViewDescribe) {
        if (TModel* model = CurrentModelOf(AllModes))
            ViewDescribe->View().LoadDescription(model->FileName, CaptionFontName, 0);
    }
    UpdateDescription();
}

int TModelShow::PieceAt(int x, int y) {
    TModel* model = CurrentModelOf(AllModes);
    if (!model || !ModelArea().Contains(x, y)) return -1;
    return model->PieceAtSheet(model->ToUnitsX(x - MX - model->OffsetX), model->ToUnitsY(y - MY - model->OffsetY));
}

void TModelShow::FillAt(int x, int y) {
    TModel* model = CurrentModelOf(AllModes);
    TBrushSelect* drum = AllModes ? AllModes->BrushSelectControl() : nullptr;
    if (!model || !drum) return;
    const int piece = PieceAt(x, y);
    if (piece < 0) return;
    if (model->Fill(piece, drum->NumDrag(), false, false, drum->ShiftDrag())) NotifyViewsChanged();
}

RECT TModelShow::CellRect() const {
    const int columns = CountX > 0 ? CountX : 1;
    const int frame = animation_.Frame();
    const int x = frame % columns * Width(), y = frame / columns * Height();
    return RECT{x, y, x + Width(), y + Height()};
}

void TModelShow::PaintDescriptionBackground(RtfCanvas& canvas) {
    auto* gdi = dynamic_cast<GdiRtfCanvas*>(&canvas);
    TBitmap* cells = PictureOf(OrgImage);
    if (!gdi || !cells || !ViewDescribe) return;
    const RECT cell = CellRect();
    const int left = cell.left + ViewDescribe->Left(), top = cell.top + ViewDescribe->Top();
    gdi->Canvas()->CopyRect(RECT{0, 0, ViewDescribe->Width(), ViewDescribe->Height()}, cells->Canvas(),
                            RECT{left, top, left + ViewDescribe->Width(), top + ViewDescribe->Height()});
}

void TModelShow::Paint() {
    if (ComponentState() & csDesigning) return;
    if (ViewDescribe && ViewDescribe->Visible()) static_cast<TControl*>(ViewDescribe)->Invalidate();
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    TBitmap a, b;
    PrepareScratch(a, w, h);
    PrepareScratch(b, w, h);
    if (TBitmap* cells = PictureOf(OrgImage)) a.Canvas()->CopyRect(RECT{0, 0, w, h}, cells->Canvas(), CellRect());
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(RECT{0, 0, w, h});
    TModel* model = CurrentModelOf(AllModes);
    if (model) {
        model->SetShowType(AllModes->TypeShow);
        ChangeHint(*this, model->Title);
        if (auto* sheet = dynamic_cast<RasterBitmap*>(model->Sheet.get()))
            PaintRaster(b.Canvas()->Handle(), model->OffsetX + MX, model->OffsetY + MY, sheet->Image);
        else if (auto* gdiSheet = dynamic_cast<GdiPatternBitmap*>(model->Sheet.get()))
            b.Canvas()->Draw(model->OffsetX + MX, model->OffsetY + MY, &gdiSheet->Bitmap());
    }
    // Below the sheet's edge in this frame the paper is still folded: white.
    b.Canvas()->FillRect(RECT{0, MY + VisibleSheetRows(animation_.Frame()), w, h});
    DrawKeyed(*a.Canvas(), 0, 0, b, clWhite);
    Canvas()->Draw(0, 0, &a);
}

void TModelShow::Click() {
    TBaseComponent::Click();
    CycleShowType();
}

void TModelShow::MouseMove(TShiftState shift, int x, int y) {
    TBaseComponent::MouseMove(shift, x, y);
    TModel* model = CurrentModelOf(AllModes);
    if (!model) return;
    std::string hint = model->Title;
    if (TDetal* piece = model->Piece(PieceAt(x, y))) hint = piece->DisplayName();
    ChangeHint(*this, hint);
}

bool TModelShow::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    const std::string n = LowerCase(name);
    if (n == "mx")
        MX = value.AsInt();
    else if (n == "my")
        MY = value.AsInt();
    else if (n == "mwidth")
        MWidth = value.AsInt();
    else if (n == "mheight")
        MHeight = value.AsInt();
    else if (n == "countx")
        CountX = value.AsInt();
    else if (n == "county")
        CountY = value.AsInt();
    else if (n == "allmodes")
        reader.Reference(value, [this](TComponent* c) { AllModes = dynamic_cast<TAllModels*>(c); });
    else if (n == "orgimage")
        reader.Reference(value, [this](TComponent* c) { OrgImage = dynamic_cast<TImage*>(c); });
    else if (n == "viewdescribe")
        reader.Reference(value, [this](TComponent* c) { ViewDescribe = dynamic_cast<TrtfViewWindow*>(c); });
    else if (n == "describescrollbar")
        reader.Reference(value, [this](TComponent* c) { DescribeScrollBar = dynamic_cast<TControl*>(c); });
    else
        return TBaseComponent::SetProperty(name, value, reader);
    return true;
}

// ---- TModelView -------------------------------------------------------------

TModelView::TModelView(TComponent* owner) : TBaseComponent(owner) {}

TModelView::~TModelView() = default;

void TModelView::SetUp(TRegIniFileM& registry, const std::string& section) {
    step_ = 0;
    TBitmap* strip = PictureOf(DownImage);
    turnFrames_ = Parts && strip ? TurnFramesOf(strip->Width(), Width()) : 0;
    if (ClassModels) {
        SetPopupMenu(ClassModels->Menu());
        ClassModels->OnSelect = [this] { UpdateMenu(); };
        SetHint(ClassModels->NameClassM);
        ClassModels->Select(registry.ReadInteger(section, Name(), 0));
    }
    if (!timer_) {
        timer_ = new TTimer(this);
        timer_->OnTimer = [this](TObject*) { TurnTick(); };
    }
    timer_->SetInterval(80);
    timer_->SetEnabled(false);
    UpdateMenu();
}

void TModelView::Release() {
    delete timer_;
    timer_ = nullptr;
    step_ = 0;
}

void TModelView::UpdateMenu() {
    if (!ClassModels || !ClassModels->Menu()) return;
    TMenuItem* root = ClassModels->Menu()->Items();
    if (root->Count() < 3) return;
    for (int i = 2; i < root->Count(); ++i) root->Items(i)->SetEnabled(i != ClassModels->Current + 2);
}

void TModelView::TurnTick() {
    if (step_ > 0) --step_;
    if (step_ <= 0) timer_->SetEnabled(false);
    Repaint();
}

bool TModelView::ClickAt(int x, int y) {
    if (!ClassModels || !PreviewReleaseTurns(true, 0, Parts != nullptr, x, y)) return false;
    const bool current = AllModes && AllModes->ClassModels() == ClassModels;
    if (!MainViewerForm || !MainViewerForm->IsPatternViewVisible() || current) {
        ClassModels->SelectNext();
        UpdateMenu();
        step_ = turnFrames_;
        if (timer_ && step_ > 0) timer_->SetEnabled(true);
    }
    const TClassModels* excluded = MainViewerForm ? MainViewerForm->ExcludedCategory() : nullptr;
    if (AllModes && ClassModels != excluded) AllModes->SetClassModels(ClassModels);
    NotifyViewsChanged();
    Invalidate();
    return true;
}

void TModelView::FillAt(int x, int y) {
    TModel* model = ClassModels ? ClassModels->CurrentModel() : nullptr;
    TBrushSelect* drum = AllModes ? AllModes->BrushSelectControl() : nullptr;
    if (!model || !drum) return;
    // The preview picture is drawn stretched into its place: the point is
    // mapped through the same stretch before the hit map is asked.
    const Raster& picture = model->PreviewImage();
    const DecoRect place = Parts ? FrontPlace : DecoRect{0, 0, Width(), Height()};
    int px = 0, py = 0;
    if (!PointInStretchedPicture(place, picture.Width, picture.Height, x, y, px, py)) return;
    const int piece = model->PieceAtPreview(px, py);
    if (piece < 0) return;
    if (model->Fill(piece, drum->NumDrag(), true, false, drum->ShiftDrag())) NotifyViewsChanged();
}

void TModelView::SaveSlot(TRegIniFileM& registry, const std::string& section) {
    if (ClassModels) registry.WriteInteger(section, Name(), ClassModels->Current);
}

void TModelView::DrawBackground(TCanvas& canvas) {
    TBitmap* down = PictureOf(DownImage);
    if (!down) return;
    const int w = Width(), h = Height();
    const RECT source = Parts ? RECT{step_ * w, 0, step_ * w + w, h} : RECT{Left(), Top(), Left() + w, Top() + h};
    canvas.CopyRect(RECT{0, 0, w, h}, down->Canvas(), source);
}

void TModelView::Paint() {
    if (ComponentState() & csDesigning) return;
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    TBitmap shown;
    PrepareScratch(shown, w, h);
    TCanvas& canvas = *shown.Canvas();
    DrawBackground(canvas);
    TModel* current = ClassModels ? ClassModels->CurrentModel() : nullptr;
    if (current && AllModes) current->SetShowType(AllModes->TypeShow);
    if (Parts && ClassModels) {
        const CarouselPlaces places = CarouselAt(step_, turnFrames_);
        DrawPreview(canvas, step_ != 0 ? ClassModels->SecondPreviousModel() : ClassModels->NextModel(), places.leaving);
        DrawPreview(canvas, ClassModels->PreviousModel(), places.previous);
        DrawPreview(canvas, current, places.current);
        if (TBitmap* down = PictureOf(DownImage))
            StretchDrawKeyed(canvas, *down, clWhite, 0, 0, w, h, (turnFrames_ + 1) * w, 0, w, h);
    } else {
        DrawPreview(canvas, current, DecoRect{0, 0, w, h});
    }
    Canvas()->Draw(0, 0, &shown);
}

void TModelView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseDown(button, shift, x, y);
    if (button == mbLeft && shift == ssLeft) {
        BeginDragFlag();
        BeginDrag(true);
    }
}

void TModelView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseUp(button, shift, x, y);
    if (DragFlag()) {
        ClearDragFlag();
        return;
    }
    if (!PreviewReleaseTurns(button == mbLeft, shift, Parts != nullptr, x, y)) return;
    ClickAt(x, y);
}

void TModelView::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    TBaseComponent::DragOver(source, x, y, state, accept);
    if (!OnDragOver && source == this) accept = true;
}

void TModelView::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) {
        TBaseComponent::DragDrop(source, x, y);
        return;
    }
    if (source == this) ClickAt(x, y);
}

bool TModelView::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    const std::string n = LowerCase(name);
    if (n == "downimage")
        reader.Reference(value, [this](TComponent* c) { DownImage = dynamic_cast<TImage*>(c); });
    else if (n == "allmodes")
        reader.Reference(value, [this](TComponent* c) { AllModes = dynamic_cast<TAllModels*>(c); });
    else if (n == "classmodels")
        reader.Reference(value, [this](TComponent* c) { ClassModels = dynamic_cast<TClassModels*>(c); });
    else if (n == "parts")
        reader.Reference(value, [this](TComponent* c) { Parts = dynamic_cast<TParts*>(c); });
    else
        return TBaseComponent::SetProperty(name, value, reader);
    return true;
}
