#include "controls/garment_components_win32.h"

#include "application.h"
#include "bitmap.h"
#include "controls/brush_select_win32.h"
#include "controls/notifications.h"
#include "controls/raster_dib_win32.h"
#include "extctrls.h"
#include "controls/form_links.h"
#include "layout.h"
#include "menus.h"
#include "models/pattern_gdi_win32.h"
#include "models/printer_helpers.h"
#include "printers.h"
#include "picture.h"
#include "settings/settings.h"
#include "sysutils.h"
#include "timer.h"

namespace {

// The drum fills device bitmaps; the models compose in memory: fabrics for
// memory bitmaps are painted on a device bitmap and copied over.
class MemoryFabrics : public FabricSource {
public:
    explicit MemoryFabrics(FabricSource& drum) : drum_(drum) {}
    void FillWithFabric(PatternBitmap& bitmap, int n) override {
        auto* memory = dynamic_cast<RasterBitmap*>(&bitmap);
        if (!memory) {
            drum_.FillWithFabric(bitmap, n);
            return;
        }
        GdiPatternBitmap device;
        device.SetSize(memory->Width(), memory->Height());
        drum_.FillWithFabric(device, n);
        memory->Image = RasterOfBitmap(device.Bitmap());
    }

private:
    FabricSource& drum_;
};

Raster ImagePixels(TImage* image) {
    if (!image || !image->Picture()->Graphic()) return Raster();
    return RasterOfBitmap(*image->Picture()->Bitmap());
}

constexpr int kDollCursor = 6, kShowCursor = 4;

}  // namespace

// ---- TClassModels -----------------------------------------------------------

TClassModels::TClassModels(TComponent* owner) : TComponent(owner) {
    OnViewsChanged = [] { NotifyViewsChanged(); };
}

TClassModels::~TClassModels() = default;

void TClassModels::Load(ModelHost& host, const std::string& path, ModelStore* registry, FabricSource* brushSelect,
                        int viewWidth, int viewHeight, const std::string& section) {
    GarmentCategory::Load(host, path, registry, brushSelect, viewWidth, viewHeight, section);
    BuildMenu();
}

void TClassModels::Free() {
    GarmentCategory::Free();
    if (menu_) menu_->Items()->Clear();
    delete menu_;
    menu_ = nullptr;
}

void TClassModels::BuildMenu() {
    if (menu_) menu_->Items()->Clear();
    delete menu_;
    // Entry k of the menu counts as component k + 1 (after the menu): the
    // title 1, the separator 2, the models from 3.
    menu_ = new TPopupMenu(this);
    const std::vector<std::string> captions = MenuCaptions();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto* item = new TMenuItem(this);
        item->SetCaption(captions[i]);
        item->SetDefault(i == 0);
        item->OnClick = [this](TObject* sender) { MenuClick(static_cast<TMenuItem*>(sender)->MenuIndex() + 1); };
        menu_->Items()->Add(item);
    }
}

bool TClassModels::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    const std::string n = LowerCase(name);
    if (n == "maska")
        Maska = value.AsString();
    else if (n == "nameclass")
        NameClass = value.AsString();
    else if (n == "nameclassm")
        NameClassM = value.AsString();
    else if (n == "tag")
        GarmentCategory::Tag = value.AsInt(), SetTag(value.AsInt());
    else
        return TComponent::SetProperty(name, value, reader);
    return true;
}

// ---- TAllModels -------------------------------------------------------------

ModelHost* GarmentModelHost = nullptr;

TAllModels::TAllModels(TComponent* owner) : TControl(owner) {
    OnViewsChanged = [] { NotifyViewsChanged(); };
}

TAllModels::~TAllModels() { GarmentCategorySet::Free(); }

void TAllModels::Load(int viewWidth, int viewHeight, const std::string& section, TRegIniFileM& registry) {
    if ((ComponentState() & csDesigning) || !GarmentModelHost) return;
    BigMemory = ::BigMemory;
    if (drum_ && !fabrics_) fabrics_ = std::make_unique<MemoryFabrics>(*drum_);
    BrushSelect = fabrics_.get();
    GarmentCategorySet::Load(*GarmentModelHost, viewWidth, viewHeight, section, &registry);
}

void TAllModels::AddTakeOffItems(TPopupMenu* menu, TNotifyEvent handler) {
    for (const std::string& caption : TakeOffCaptions()) {
        auto* item = new TMenuItem(menu->Owner());
        item->SetCaption(caption);
        item->OnClick = handler;
        menu->Items()->Add(item);
    }
}

bool TAllModels::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    const std::string n = LowerCase(name);
    if (n.size() == 3 && n[0] == 'c' && n[1] == 'm' && n[2] >= '0' && n[2] <= '7') {
        const int i = n[2] - '0';
        reader.Reference(value, [this, i](TComponent* c) { cm[i] = dynamic_cast<TClassModels*>(c); });
    } else if (n == "brushselect") {
        reader.Reference(value, [this](TComponent* c) { drum_ = dynamic_cast<TBrushSelect*>(c); });
    } else if (n == "path") {
        Path = value.AsString();
    } else {
        return TControl::SetProperty(name, value, reader);
    }
    return true;
}

// ---- TModelsItem ------------------------------------------------------------

bool TModelsItem::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    const std::string n = LowerCase(name);
    if (n == "classmodels") {
        reader.Reference(value, [this](TComponent* c) { ClassModels = dynamic_cast<TClassModels*>(c); });
    } else if (n == "nummodel") {
        NumModel = value.AsInt();
    } else if (n.size() == 4 && n.compare(0, 3, "bad") == 0 && n[3] >= '1' && n[3] <= '5') {
        const int i = n[3] - '1';
        reader.Reference(value, [this, i](TComponent* c) { Bad[i] = dynamic_cast<TModelsItem*>(c); });
    } else {
        return TBaseComponent::SetProperty(name, value, reader);
    }
    return true;
}

// ---- TModels ----------------------------------------------------------------

TModels::TModels(TComponent* owner) : TBaseComponent(owner) {}

TModels::~TModels() = default;

void TModels::SyncIn() {
    for (int s = 0; s < DollSlotCount; ++s) {
        TModelsItem* item = Items[s];
        doll_.Categories[s] = item ? item->ClassModels : nullptr;
        doll_.Dressing.NumModel[s] = item ? item->NumModel : -1;
        if (!item) continue;
        std::vector<DollSlot> conflicts;
        for (TModelsItem* bad : item->Bad)
            for (int t = 0; t < DollSlotCount; ++t)
                if (bad && Items[t] == bad) conflicts.push_back(DollSlot(t));
        doll_.Dressing.Conflicts[s] = conflicts;
    }
    if (doll_.DollFrames.Empty()) doll_.DollFrames = ImagePixels(SorvelImage);
}

void TModels::SyncOut() {
    for (int s = 0; s < DollSlotCount; ++s)
        if (Items[s]) Items[s]->NumModel = doll_.Dressing.NumModel[s];
}

void TModels::SetUp() {
    doll_.FadeStep = 0;
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(50);
    timer_->OnTimer = [this](TObject*) { FadeTick(); };
    menu_ = new TPopupMenu(this);
    if (AllModels) AllModels->AddTakeOffItems(menu_, [this](TObject* sender) { TakeOffClick(sender); });
    SetPopupMenu(menu_);
    SyncIn();
}

void TModels::Release() {
    SetPopupMenu(nullptr);
    delete timer_;
    delete menu_;
    timer_ = nullptr;
    menu_ = nullptr;
}

void TModels::PutOnFromView(GarmentCategory& view) {
    SyncIn();
    doll_.PutOnFromView(view);
    SyncOut();
    UpdateMenu();
    Invalidate();
}

void TModels::CheckAllCompatible(GarmentCategory& view) {
    SyncIn();
    doll_.CheckAllCompatible(view);
    SyncOut();
}

void TModels::TakeOffAll() {
    doll_.Dressing.TakeOffAll();
    SyncOut();
    UpdateMenu();
}

void TModels::UpdateMenu() {
    if (!menu_) return;
    TMenuItem* root = menu_->Items();
    for (int i = 0; i < root->Count() && i < DollSlotCount; ++i)
        root->Items(i)->SetEnabled(doll_.Dressing.Worn(DollSlot(i)));
}

void TModels::TakeOffClick(TObject* sender) {
    // The entry's place in the menu is the slot (Wn ... Tf).
    const int slot = static_cast<TMenuItem*>(sender)->MenuIndex();
    if (slot < 0 || slot >= DollSlotCount) return;
    doll_.Dressing.TakeOff(DollSlot(slot));
    SyncOut();
    UpdateMenu();
    Invalidate();
}

void TModels::FlipFace() {
    doll_.FlipFace();
    Invalidate();
}

void TModels::FillAt(int x, int y) {
    if (!AllModels || !AllModels->BrushSelectControl()) return;
    SyncIn();
    TBrushSelect* drum = AllModels->BrushSelectControl();
    if (doll_.FillAt(x, y, drum->NumDrag(), drum->ShiftDrag())) NotifyViewsChanged();
}

Raster TModels::Background() {
    if (!OrgImage || !OrgImage->Picture()->Graphic()) return Raster();
    // Only the panel's place of the window's picture is read.
    return RasterOfBitmap(*OrgImage->Picture()->Bitmap(), Left(), Top(), DollPanelWidth, DollPanelHeight);
}

void TModels::Paint() {
    if (ComponentState() & csDesigning) return;
    SyncIn();
    const Raster background = Background();
    const Raster shown = doll_.Compose(doll_.Face, background.Empty() ? nullptr : &background);
    PaintRaster(Canvas()->Handle(), 0, 0, shown);
}

void TModels::DrawBareDoll() {
    SyncIn();
    Raster shown = Background();
    if (shown.Empty()) shown = Raster(DollPanelWidth, DollPanelHeight);
    const int frame = doll_.Face ? 0 : 2;
    DrawMasked(0, 0, shown, CopyRect(doll_.DollFrames, frame * DollPanelWidth, 0, DollPanelWidth, DollPanelHeight));
    PaintRaster(Canvas()->Handle(), 0, 0, shown);
}

void TModels::Show() {
    SetVisible(true);
    if (SmoothDollAnimation && timer_) {
        doll_.FadeStep = 15;
        fadeForward_ = false;
        timer_->SetEnabled(true);
    } else {
        doll_.FadeStep = 0;
        NotifyDollShown();
    }
}

void TModels::Hide() {
    if (SmoothDollAnimation && timer_) {
        doll_.FadeStep = 0;
        fadeForward_ = true;
        timer_->SetEnabled(true);
    } else {
        SetVisible(false);
        doll_.FadeStep = 0;
        NotifyDollHidden();
    }
}

void TModels::FadeTick() {
    if (fadeForward_) {
        if (++doll_.FadeStep > 16) {
            timer_->SetEnabled(false);
            SetVisible(false);
            doll_.FadeStep = 0;
            NotifyDollHidden();
        }
    } else if (--doll_.FadeStep < 0) {
        timer_->SetEnabled(false);
        doll_.FadeStep = 0;
        NotifyDollShown();
    }
    Repaint();
}

void TModels::MouseMove(TShiftState shift, int x, int y) {
    TBaseComponent::MouseMove(shift, x, y);
    SyncIn();
    std::string hint;
    TCursor cursor = crDefault;
    const int slot = doll_.ItemAt(x, y);
    if (slot >= 0) {
        hint = doll_.Model(DollSlot(slot))->Title;
        cursor = kDollCursor;
    } else if (doll_.OnDoll(x, y)) {
        hint = "Doll";
        cursor = kDollCursor;
    } else if (MainViewerForm && MainViewerForm->IsOverShowButton(x, y)) {
        hint = "Show the patterns";
        cursor = kShowCursor;
    }
    if (Cursor() != cursor) SetCursor(cursor);
    if (Hint() != hint) {
        SetHint(hint);
        if (Application) Application->CancelHint();
    }
}

void TModels::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseDown(button, shift, x, y);
    if (button != mbLeft || shift != ssLeft) return;
    SyncIn();
    dragItem_ = doll_.ItemAt(x, y);
    if (dragItem_ >= 0) {
        BeginDragFlag();
        BeginDrag(true);
    }
}

void TModels::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBaseComponent::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    if (DragFlag()) {
        ClearDragFlag();
        return;
    }
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    SyncIn();
    if (doll_.ItemAt(x, y) >= 0 || doll_.OnDoll(x, y))
        FlipFace();
    else if (MainViewerForm && MainViewerForm->IsOverShowButton(x, y))
        MainViewerForm->bShowModelClick(this);
}

void TModels::PrintDoll(bool enlarge) {
    SyncIn();
    TPrinter* printer = Printer();
    const POINT size = MillimetresToPrinter(DollPanelWidth * 4 / 10, DollPanelHeight * 4 / 10);
    TPrintJob job;
    const int pageWidth = printer->PageWidth();
    const int margin = (pageWidth - 2 * size.x) / 3;
    for (bool front : {true, false}) {
        Raster side = doll_.Compose(front);
        if (enlarge) ScaleRaster(side, 3);
        TBitmap bitmap;
        RasterToBitmap(side, bitmap);
        const int left = front ? margin : pageWidth - size.x - margin;
        PrintBitmapRect(bitmap, RECT{0, 0, side.Width, side.Height}, RECT{left, 0, left + size.x, size.y});
    }
    TCanvas* canvas = nullptr;
    // A new page may come with a new canvas: the font is set on each.
    auto pageCanvas = [&] {
        canvas = printer->Canvas();
        SetBkMode(canvas->Handle(), TRANSPARENT);
        canvas->Font()->SetName(PatternFontName);
        canvas->Font()->SetSize(14);
    };
    pageCanvas();
    canvas->MoveTo(0, 0);
    int y = size.y + MillimetresToPrinter(0, 10).y;
    for (const std::string& title : doll_.WornTitles()) {
        const int h = canvas->TextHeight(title);
        if (y + h > printer->PageHeight()) {
            printer->NewPage();
            pageCanvas();
            y = 0;
        }
        canvas->TextOut(margin, y, title);
        y += h;
    }
    job.End();
}

void TModels::LoadSlot(TRegIniFileM& registry, const std::string& section) {
    doll_.LoadSlot(registry, section);
    SyncOut();
    UpdateMenu();
}

void TModels::SaveSlot(TRegIniFileM& registry, const std::string& section) {
    SyncIn();
    doll_.SaveSlot(registry, section);
}

bool TModels::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    static const char* const kItems[DollSlotCount] = {"modelsitemwn", "modelsitempl", "modelsitembr", "modelsitembl",
                                                      "modelsitemhl", "modelsitemyu", "modelsitemsh", "modelsitemtf"};
    const std::string n = LowerCase(name);
    for (int s = 0; s < DollSlotCount; ++s)
        if (n == kItems[s]) {
            reader.Reference(value, [this, s](TComponent* c) { Items[s] = dynamic_cast<TModelsItem*>(c); });
            return true;
        }
    if (n == "sorvelimage")
        reader.Reference(value, [this](TComponent* c) { SorvelImage = dynamic_cast<TImage*>(c); });
    else if (n == "orgimage")
        reader.Reference(value, [this](TComponent* c) { OrgImage = dynamic_cast<TImage*>(c); });
    else if (n == "allmodels")
        reader.Reference(value, [this](TComponent* c) { AllModels = dynamic_cast<TAllModels*>(c); });
    else if (n == "face")
        doll_.Face = value.AsBool();
    else
        return TBaseComponent::SetProperty(name, value, reader);
    return true;
}
