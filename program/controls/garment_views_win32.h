// The main window's garment views outside the doll: the pattern view that
// opens like a sheet of paper over the current model's pattern sheet, and
// the category previews (three-place carousels for the six clothes
// categories, a single picture for hats and shoes).
#pragma once

#include <string>

#include "controls/base_component.h"
#include "controls/garment_view_steps.h"
#include "controls/show_hide.h"

class TAllModels;
class TClassModels;
class TImage;
class TRegIniFileM;
class TTimer;
class TrtfViewWindow;
class RtfCanvas;

// The pattern view (main window: 317 x 306, model area 40, 57, 239 x 212,
// nine animation cells of 3 x 3).
class TModelShow : public TBaseComponent, public TPatternAnimation {
public:
    explicit TModelShow(TComponent* owner);
    ~TModelShow() override;

    int MX = 0, MY = 0, MWidth = 0, MHeight = 0;
    TAllModels* AllModes = nullptr;
    TImage* OrgImage = nullptr;  // the opening animation's cells
    int CountX = 1, CountY = 1;
    TrtfViewWindow* ViewDescribe = nullptr;
    // The scroll bar of the description view (optional).
    TControl* DescribeScrollBar = nullptr;

    int Frame() const { return animation_.Frame(); }
    bool Animating() const;
    DecoRect ModelArea() const { return ModelAreaOf(MX, MY, MWidth, MHeight, Width(), Height()); }

    // Once, when the main window is made: hidden, frame 0, the timer.
    void SetUp();
    void Release();
    void Open();
    void Close();
    void CycleShowType();
    void UpdateDescription();
    // The current model's description in the view (the main window calls
    // it when the current model or category changes).
    void LoadDescription();
    // A fabric dropped at the point (panel coordinates).
    void FillAt(int x, int y);

    void SetUpAnimation() override { SetUp(); }
    void FinishAnimation() override { Release(); }
    void StartOpening() override { Open(); }
    void StartClosing() override { Close(); }

    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
    void Click() override;
    void MouseMove(TShiftState shift, int x, int y) override;

private:
    void Tick();
    void ShowButtons(bool visible);
    void PaintDescriptionBackground(RtfCanvas& canvas);
    // The piece under a panel point, or -1.
    int PieceAt(int x, int y);
    RECT CellRect() const;
    TTimer* timer_ = nullptr;
    SheetAnimation animation_;
};

// The three places of a carousel preview; it holds nothing itself.
class TParts : public TComponent {
public:
    explicit TParts(TComponent* owner) : TComponent(owner) {}
};

// A category preview (main window: 136 x 165 with Parts and the turn
// strip, hats 117 x 86 and shoes 47 x 71 over the window background).
class TModelView : public TBaseComponent {
public:
    explicit TModelView(TComponent* owner);
    ~TModelView() override;

    TImage* DownImage = nullptr;
    TAllModels* AllModes = nullptr;
    TClassModels* ClassModels = nullptr;
    TParts* Parts = nullptr;

    int Step() const { return step_; }
    int TurnFrames() const { return turnFrames_; }

    // When a slot is loaded: the menu, the hint, the slot's current model
    // (the value named after this preview, 0 when missing), the turn timer.
    void SetUp(TRegIniFileM& registry, const std::string& section);
    void Release();
    void UpdateMenu();
    // What a click on the preview does (and the main window's drop of the
    // preview on itself): inside the front place, or anywhere without
    // Parts, the category turns to its next model when the pattern view is
    // hidden or shows this category; the category becomes current unless
    // it is the excluded one; the views repaint. False when the point
    // misses the front place.
    bool ClickAt(int x, int y);
    // A fabric dropped at the point (preview coordinates).
    void FillAt(int x, int y);
    void SaveSlot(TRegIniFileM& registry, const std::string& section);

    // Without handlers of the main window, a preview dropped on itself is a click.
    void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
    void DragDrop(TObject* source, int x, int y) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void DrawBackground(TCanvas& canvas);
    void TurnTick();
    TTimer* timer_ = nullptr;
    int step_ = 0;
    int turnFrames_ = 0;
};
