#include "controls/fabric_drum.h"

#include <algorithm>
#include <memory>

namespace {

// Cells across and in all of an atlas; none without a cell size.
void CountCells(const AtlasGeometry& atlas, int& cols, int& count) {
    cols = count = 0;
    if (!atlas.assigned || atlas.cellWidth <= 0 || atlas.cellHeight <= 0) return;
    cols = atlas.pictureWidth / atlas.cellWidth;
    long long total = static_cast<long long>(atlas.pictureHeight / atlas.cellHeight) * cols;
    // The stored fills of a garment name fabrics 0 to 254.
    count = total < 0 ? 0 : total > 255 ? 255 : static_cast<int>(total);
}

DrumRect Cell(const AtlasGeometry& atlas, int cols, int m) {
    int row = cols > 0 ? m / cols : 0, col = cols > 0 ? m % cols : 0;
    return {col * atlas.cellWidth, row * atlas.cellHeight, (col + 1) * atlas.cellWidth, (row + 1) * atlas.cellHeight};
}

}  // namespace

void FabricDrum::Prepare(const AtlasGeometry& stretched, const AtlasGeometry& tiled) {
    s_ = stretched;
    m_ = tiled;
    CountCells(s_, colsS_, countS_);
    CountCells(m_, colsM_, countM_);
    Position = Phase = 0;
    Opened = Reverse = TimerOn = false;
}

int FabricDrum::WrapIndex(int i) const {
    int count = FabricCount();
    if (count <= 0) return -1;
    long long j = (static_cast<long long>(i) + Position) % count;
    return static_cast<int>(j < 0 ? j + count : j);
}

bool FabricDrum::HasFabric(int n) const {
    if (n < 0 || n >= FabricCount()) return false;
    return IsStretchFabric(n) ? s_.assigned : m_.assigned;
}

DrumRect FabricDrum::CellRect(int n) const {
    if (!HasFabric(n)) return {};
    return IsStretchFabric(n) ? Cell(s_, colsS_, n) : Cell(m_, colsM_, n - countS_);
}

int FabricDrum::WindowOfColour(PatternColour colour, const PatternColour keys[5]) {
    for (int k = 0; k < 5; ++k)
        if (colour == keys[k]) return k - 3;
    return NoDrumWindow;
}

DrumRect FabricDrum::PhaseRect(int w, int h) const {
    int row = (Opened ? 2 : 0) + (!Reverse && Phase > 0 ? 1 : 0);
    return {Phase * w + 1, row * h, (Phase + 1) * w + 1, (row + 1) * h};
}

bool FabricDrum::OpenDrum() {
    if (Opened) return false;
    Phase = 1;
    Reverse = true;
    TimerOn = true;
    return true;
}

bool FabricDrum::CloseDrum() {
    if (!Opened) return false;
    Opened = false;
    Phase = 1;
    Reverse = false;
    TimerOn = true;
    return true;
}

bool FabricDrum::RotateForward() {
    if (!Opened) return false;
    Position = std::max(WrapIndex(1), 0);
    Phase = 1;
    Reverse = false;
    TimerOn = true;
    return true;
}

bool FabricDrum::RotateBackward() {
    if (!Opened) return false;
    Position = std::max(WrapIndex(-1), 0);
    Phase = 1;
    Reverse = true;
    TimerOn = true;
    return true;
}

bool FabricDrum::Tick() {
    ++Phase;
    if (Opened && Phase > CountFaseRotate) {
        Phase = 0;
        TimerOn = false;
    } else if (!Opened && Phase > CountFaseOpen) {
        Phase = 0;
        TimerOn = false;
        if (Reverse)
            Opened = true;
        else
            return true;
    }
    return false;
}

bool FabricDrum::MouseDown(int window, bool shift) {
    if (!Opened || window == NoDrumWindow) return false;
    NumDrag = WrapIndex(window);
    ShiftDrag = shift;
    DragConsumed = true;
    return true;
}

DrumAction FabricDrum::MouseUp(int window) {
    if (DragConsumed) {
        DragConsumed = false;
        return DrumAction::None;
    }
    if (!Opened) return OpenDrum() ? DrumAction::Opened : DrumAction::None;
    if (window >= -3 && window <= -1) return RotateForward() ? DrumAction::RotatedForward : DrumAction::None;
    if (window >= 0 && window <= 1) return RotateBackward() ? DrumAction::RotatedBackward : DrumAction::None;
    return CloseDrum() ? DrumAction::Closed : DrumAction::None;
}

std::string FabricDrum::HintAt(int window) const {
    if (!Opened) return "Choice of the material";
    return window == NoDrumWindow ? "Close the choice of the material" : "Material";
}

void FabricDrum::PaintWindows(PatternBitmap& frame, PatternBitmap& reference, const PatternColour keys[5],
                              FabricSource& fabrics) const {
    std::unique_ptr<PatternBitmap> work(frame.NewBitmap());
    work->SetSize(frame.Width(), frame.Height());
    for (int i = -3; i <= 1; ++i) {
        int n = WrapIndex(i);
        // A window without a fabric keeps its key colour.
        if (!HasFabric(n)) continue;
        fabrics.FillWithFabric(*work, n);
        frame.PaintWhereColour(*work, reference, keys[i + 3]);
    }
}
