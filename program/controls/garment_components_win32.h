// The garment categories and the doll panel as components of the main
// window's layout, over the portable categories and dressed doll: popup
// menus, hints and cursors, the fade timer and the registry of the slots.
#pragma once

#include <array>
#include <memory>

#include "controls/base_component.h"
#include "controls/show_hide.h"
#include "models/doll_panel.h"
#include "models/garment_categories.h"
#include "models/slot_registry_win32.h"

class TImage;
class TPopupMenu;
class TTimer;
class TBrushSelect;

// One category: its file mask and captions from the layout, its models and
// the popup menu that lists them.
class TClassModels : public TComponent, public GarmentCategory {
public:
    explicit TClassModels(TComponent* owner);
    ~TClassModels() override;
    // Reads the models (GarmentCategory::Load) and builds the menu.
    void Load(ModelHost& host, const std::string& path, ModelStore* registry, FabricSource* brushSelect, int viewWidth,
              int viewHeight, const std::string& section) override;
    void Free() override;
    TPopupMenu* Menu() const { return menu_; }
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    void BuildMenu();
    TPopupMenu* menu_ = nullptr;
};

// Where the categories load their models, pictures and texts from; the
// program's start sets it. Without it the categories stay empty.
extern ModelHost* GarmentModelHost;

// The eight categories of the main window; never visible.
class TAllModels : public TControl, public GarmentCategorySet {
public:
    explicit TAllModels(TComponent* owner);
    ~TAllModels() override;
    TBrushSelect* BrushSelectControl() const { return drum_; }
    // Loads every category from the slot (nothing at design time).
    void Load(int viewWidth, int viewHeight, const std::string& section, TRegIniFileM& registry);
    // Adds the eight take-off entries to the menu, owned by its owner.
    void AddTakeOffItems(TPopupMenu* menu, TNotifyEvent handler);
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    TBrushSelect* drum_ = nullptr;
    std::unique_ptr<FabricSource> fabrics_;
};

// A worn-garment slot: its category, the worn index and the slots it takes
// off; only its place inside the doll panel is used.
class TModelsItem : public TBaseComponent {
public:
    explicit TModelsItem(TComponent* owner) : TBaseComponent(owner) {}
    TClassModels* ClassModels = nullptr;
    int NumModel = -1;
    std::array<TModelsItem*, 5> Bad{};
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
};

// The doll panel; its fade is the doll's side of the doll/pattern switch.
class TModels : public TBaseComponent, public TDollAnimation {
public:
    explicit TModels(TComponent* owner);
    ~TModels() override;
    TImage* SorvelImage = nullptr;  // Resource\Doll.bmp
    TImage* OrgImage = nullptr;     // the main window's background
    TAllModels* AllModels = nullptr;
    std::array<TModelsItem*, DollSlotCount> Items{};  // Wn Pl Br Bl Hl Yu Sh Tf

    DressedDoll& Doll() { return doll_; }
    bool Face() const { return doll_.Face; }
    // The worn slot under the press that began the drag in progress.
    int DragItem() const { return dragItem_; }
    void SetUp();
    void Release();
    void PutOnFromView(GarmentCategory& view);
    void CheckAllCompatible(GarmentCategory& view);
    void TakeOffAll();
    bool AnyWorn() const { return doll_.Dressing.AnyWorn(); }
    void UpdateMenu();
    void FlipFace();
    void FillAt(int x, int y);
    void Show();
    void Hide();
    void DrawBareDoll();
    // One print job: front and back side by side at 0.4 mm a panel pixel
    // (three times the pixels with enlarge), the worn titles below.
    void PrintDoll(bool enlarge);
    void LoadSlot(TRegIniFileM& registry, const std::string& section);
    void SaveSlot(TRegIniFileM& registry, const std::string& section);
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

    void SetUpAnimation() override { SetUp(); }
    void FinishAnimation() override { Release(); }
    void StartHiding() override { Hide(); }
    void StartShowing() override { Show(); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    // The slots' categories, numbers and conflicts into the doll, and back.
    void SyncIn();
    void SyncOut();
    Raster Background();
    void FadeTick();
    void TakeOffClick(TObject* sender);
    DressedDoll doll_;
    TPopupMenu* menu_ = nullptr;
    TTimer* timer_ = nullptr;
    bool fadeForward_ = false;
    int dragItem_ = -1;
};
