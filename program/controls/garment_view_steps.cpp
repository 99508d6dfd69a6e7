#include "controls/garment_view_steps.h"

#include "controls/carousel.h"

int VisibleSheetRows(int frame) {
    static constexpr int kRows[] = {0, 0, 0, 0, 0, 53, 114, 188, 212};
    constexpr int last = sizeof kRows / sizeof kRows[0] - 1;
    if (frame < 0) return 0;
    return kRows[frame > last ? last : frame];
}

TTypeShow NextShowType(TTypeShow type) {
    switch (type) {
        case tsFill:
            return tsContur;
        case tsContur:
            return tsUnVisible;
        case tsUnVisible:
            return tsFill;
        default:
            return type;
    }
}

DecoRect ModelAreaOf(int mx, int my, int mwidth, int mheight, int panelWidth, int panelHeight) {
    return DecoRect{mx, my, mwidth != 0 ? mwidth : panelWidth - mx, mheight != 0 ? mheight : panelHeight - my};
}

SheetAnimation::Event SheetAnimation::Tick() {
    if (forwards_) {
        if (++frame_ >= frameCount_) {
            frame_ = frameCount_ - 1;
            return Opened;
        }
    } else if (--frame_ < 0) {
        frame_ = 0;
        return Closed;
    }
    return Running;
}

bool PointInStretchedPicture(const DecoRect& place, int pictureWidth, int pictureHeight, int x, int y, int& px,
                             int& py) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || !place.Contains(x, y)) return false;
    // The pixel whose stretched copy covers the point.
    px = static_cast<int>(static_cast<long long>(x - place.left) * pictureWidth / place.width);
    py = static_cast<int>(static_cast<long long>(y - place.top) * pictureHeight / place.height);
    return true;
}

bool PreviewReleaseTurns(bool leftButton, unsigned shiftKeys, bool hasParts, int x, int y) {
    constexpr unsigned kShiftAltCtrl = 1 | 2 | 4;
    if (!leftButton || (shiftKeys & kShiftAltCtrl)) return false;
    return !hasParts || InFrontPlace(x, y);
}
