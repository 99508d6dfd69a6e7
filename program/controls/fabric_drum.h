// The fabric drum's own logic, apart from the window: the circular list of
// fabrics over two texture atlases, the five windows, the animation phases
// and what a mouse press or release does. TBrushSelect (brush_select_win32.h)
// is the control over it; tests drive it directly.
#pragma once

#include <string>

#include "models/pattern_canvas.h"

// A texture atlas: a picture divided into equal cells.
struct AtlasGeometry {
    bool assigned = false;
    int pictureWidth = 0, pictureHeight = 0;
    int cellWidth = 0, cellHeight = 0;
};

struct DrumRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const DrumRect&) const = default;
};

// What a mouse release on the drum started.
enum class DrumAction { None, Opened, Closed, RotatedForward, RotatedBackward };

constexpr int NoDrumWindow = 99;

class FabricDrum {
public:
    int CountFaseOpen = 7;    // frames of opening and closing
    int CountFaseRotate = 5;  // frames of a rotation
    int NumDrag = -1;         // fabric of the drag in progress
    bool ShiftDrag = false;
    bool DragConsumed = false;  // the press began a drag: the release is no click

    int Position = 0;  // fabric shown in window 0
    int Phase = 0;     // animation frame, 0 = still
    bool Opened = false;
    bool Reverse = false;
    bool TimerOn = false;

    // Counts the cells of both atlases; Position, Phase and Opened start over.
    void Prepare(const AtlasGeometry& stretched, const AtlasGeometry& tiled);
    int ColsS() const { return colsS_; }
    int CountS() const { return countS_; }
    int ColsM() const { return colsM_; }
    int CountM() const { return countM_; }
    int FabricCount() const { return countS_ + countM_; }

    // The fabric i windows away from window 0, wrapped around the list;
    // -1 when there are no fabrics.
    int WrapIndex(int i) const;
    // Stretched fabrics come first (atlas S), tiled ones follow (atlas M).
    bool IsStretchFabric(int n) const { return n < countS_; }
    // A fabric the atlases hold: 0 <= n < FabricCount, its atlas assigned.
    bool HasFabric(int n) const;
    // The fabric's cell in its atlas; empty for a fabric the atlases do not hold.
    DrumRect CellRect(int n) const;

    // The window (-3 .. 1) whose key colour the hit-map pixel has, else
    // NoDrumWindow; keys[k] is the key of window k - 3.
    static int WindowOfColour(PatternColour colour, const PatternColour keys[5]);
    // The current animation frame in the frame picture, frames W x H.
    DrumRect PhaseRect(int w, int h) const;

    // Each returns false (and does nothing) when its condition fails.
    bool OpenDrum();
    bool CloseDrum();
    bool RotateForward();
    bool RotateBackward();
    // One timer step; true when the closing animation just ended (the
    // control repaints at once).
    bool Tick();

    // Left press on a window: true when a drag of fabric NumDrag begins.
    bool MouseDown(int window, bool shift);
    // Left release at a window (NoDrumWindow beside them).
    DrumAction MouseUp(int window);
    // The hint over the window.
    std::string HintAt(int window) const;

    // Shows the fabrics in the five windows of the frame: every pixel of
    // reference (the same frame, untouched) in window i's key colour takes
    // fabric WrapIndex(i); the frame's other pixels, white ones too, stay.
    void PaintWindows(PatternBitmap& frame, PatternBitmap& reference, const PatternColour keys[5],
                      FabricSource& fabrics) const;

private:
    AtlasGeometry s_, m_;
    int colsS_ = 0, countS_ = 0, colsM_ = 0, countM_ = 0;
};
