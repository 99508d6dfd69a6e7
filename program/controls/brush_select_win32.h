// The fabric drum control of the main window: a lid that opens into five
// windows of fabrics from two texture atlases, turned by clicks and dragged
// from onto garments; also the program's one source of fabric pictures.
#pragma once

#include "controls/base_component.h"
#include "controls/fabric_drum.h"
#include "extctrls.h"
#include "models/pattern_canvas.h"

class TBitmap;
class TTimer;

class TBrushSelect : public TBaseComponent, public FabricSource {
public:
    explicit TBrushSelect(TComponent* owner);
    ~TBrushSelect() override;

    // Published properties.
    int NumDrag() const { return drum_.NumDrag; }
    bool ShiftDrag() const { return drum_.ShiftDrag; }
    TImage* BrushsImageS() const { return imageS_; }
    void SetBrushsImageS(TImage* image) { imageS_ = image; }
    TImage* BrushsImageM() const { return imageM_; }
    void SetBrushsImageM(TImage* image) { imageM_ = image; }
    int CountFaseOpen() const { return drum_.CountFaseOpen; }
    void SetCountFaseOpen(int n) { drum_.CountFaseOpen = n; }
    int CountFaseRotate() const { return drum_.CountFaseRotate; }
    void SetCountFaseRotate(int n) { drum_.CountFaseRotate = n; }
    TImage* FaseImage() const { return faseImage_; }
    void SetFaseImage(TImage* image) { faseImage_ = image; }

    // After the atlases are loaded: counts the cells, closes the drum and
    // makes its timer. ReleaseDrum frees the timer.
    void PrepareDrum();
    void ReleaseDrum();

    int WrapIndex(int i) const { return drum_.WrapIndex(i); }
    bool IsStretchFabric(int n) const { return drum_.IsStretchFabric(n); }
    TImage* AtlasOf(int n) const { return IsStretchFabric(n) ? imageS_ : imageM_; }
    RECT CellRect(int n) const;
    // Paints fabric n over the whole bitmap, stretched or tiled; black for
    // a negative n or a fabric the atlases do not hold.
    void FillWithFabric(TBitmap& bitmap, int n);
    void FillWithFabric(PatternBitmap& bitmap, int n) override;
    // The window (-3 .. 1) under the point, or 99.
    int WindowAt(int x, int y);

    void OpenDrum();
    void CloseDrum();
    void RotateForward();
    void RotateBackward();

    const FabricDrum& Drum() const { return drum_; }
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

private:
    void DrumTimer(TObject*);
    // Runs the timer as the drum's state asks and repaints.
    void Started(bool started);
    TBitmap* FaseBitmap() const;

    FabricDrum drum_;
    TImage* imageS_ = nullptr;
    TImage* imageM_ = nullptr;
    TImage* faseImage_ = nullptr;
    TTimer* timer_ = nullptr;
};
