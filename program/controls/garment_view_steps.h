// The pattern view's and the category previews' arithmetic without
// windows: the opening sheet's frames, the show types the pattern view
// cycles through, its model area, and where a point on a preview falls in
// the preview picture drawn stretched into a place.
#pragma once

#include "controls/decoration_steps.h"
#include "models/pattern_primitives.h"

// Rows of the model area the sheet shows at a frame of the opening (the
// rows below are white): frames 0 to 4 show none, frame 8 all 212.
int VisibleSheetRows(int frame);

// A click on the pattern view: fabrics, then outlines, then the
// description, then fabrics again; the edit mode stays.
TTypeShow NextShowType(TTypeShow type);

// The model area inside the pattern view; a width or height of 0 reaches
// the panel's right or bottom edge.
DecoRect ModelAreaOf(int mx, int my, int mwidth, int mheight, int panelWidth, int panelHeight);

// The opening and closing of the pattern view, one frame per tick.
class SheetAnimation {
public:
    enum Event { Running, Closed, Opened };
    explicit SheetAnimation(int frameCount = 9) : frameCount_(frameCount > 0 ? frameCount : 1) {}
    void SetFrameCount(int count) { frameCount_ = count > 0 ? count : 1; }
    int FrameCount() const { return frameCount_; }
    int Frame() const { return frame_; }
    void Reset() { frame_ = 0; }
    bool Forwards() const { return forwards_; }
    void SetForwards(bool forwards) { forwards_ = forwards; }
    // Forwards the frame grows and the last tick reports Opened (at the
    // last frame); backwards it shrinks and the tick that passes frame 0
    // reports Closed.
    Event Tick();

private:
    int frameCount_;
    int frame_ = 0;
    bool forwards_ = true;
};

// A point on a preview in the picture drawn stretched into the place:
// false outside the place or without a picture.
bool PointInStretchedPicture(const DecoRect& place, int pictureWidth, int pictureHeight, int x, int y, int& px,
                             int& py);

// A mouse release on a preview turns it: the left button without Shift,
// Alt or Ctrl, and with the carousel's places only inside the front place.
bool PreviewReleaseTurns(bool leftButton, unsigned shiftKeys, bool hasParts, int x, int y);
