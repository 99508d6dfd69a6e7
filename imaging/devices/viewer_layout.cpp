// Where the viewer puts its picture: zoom, fit and centre, the scroll
// ranges, and scrolling by bar, key and zoom point.
#include <algorithm>

#include "devices/paint.h"
#include "devices/viewer.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

}  // namespace

// The view is the client area with the bars that the content needs: a bar
// taken for one direction can make the other direction need its bar too.
void Viewer::ViewFor(int clientWidth, int clientHeight, int contentWidth, int contentHeight, int* viewWidth,
                     int* viewHeight) {
    unsigned shown = host_.Style();
    int barWidth = host_.VerticalBarWidth(), barHeight = host_.HorizontalBarHeight();
    int width = clientWidth + ((shown & viewer::kStyleVScroll) ? barWidth : 0);
    int height = clientHeight + ((shown & viewer::kStyleHScroll) ? barHeight : 0);
    if (width < contentWidth) {
        height -= barHeight;
        if (height < contentHeight) width -= barWidth;
    } else if (height < contentHeight) {
        width -= barWidth;
        if (width < contentWidth) height -= barHeight;
    }
    *viewWidth = width;
    *viewHeight = height;
}

void Viewer::Layout(int sizeType, int width, int height) {
    ViewerState& s = state_;
    if (s.layoutBusy) return;
    s.layoutBusy = true;
    s.layoutChanged = false;
    const bool picture = HasPicture();
    if (sizeType == 1) {
        s.viewWidth = width;
        s.viewHeight = height;
        if (picture) {
            s.destination = RECT{0, 0, width, height};
            FitRectToAspect(&s.destination, s.bitmap.Width, s.bitmap.Height);
        }
        s.layoutBusy = false;
        return;
    }
    // The size the picture takes when it is not fitted: the explicit
    // destination's or the zoomed picture's.
    int placedWidth =
        s.explicitDestination ? s.destination.right - s.destination.left : viewer::ZoomedSize(s.bitmap.Width, s.zoom);
    int placedHeight =
        s.explicitDestination ? s.destination.bottom - s.destination.top : viewer::ZoomedSize(s.bitmap.Height, s.zoom);
    int contentWidth = 0, contentHeight = 0;
    if (picture && !(s.style & (K_VIEWER_FIT | K_VIEWER_CENTER))) {
        if (s.style & viewer::kStyleHScroll) contentWidth = placedWidth;
        if (s.style & viewer::kStyleVScroll) contentHeight = placedHeight;
    }
    ViewFor(width, height, contentWidth, contentHeight, &s.viewWidth, &s.viewHeight);
    s.horizontalStep = std::max(s.viewWidth / 10, 1);
    s.verticalStep = std::max(s.viewHeight / 10, 1);
    // The last position shows the last column and row.
    s.horizontalMaximum = std::max(contentWidth - s.viewWidth, 0);
    s.verticalMaximum = std::max(contentHeight - s.viewHeight, 0);
    if (s.style & viewer::kStyleHScroll) s.horizontalPosition = Clamp(s.horizontalPosition, 0, s.horizontalMaximum);
    if (s.style & viewer::kStyleVScroll) s.verticalPosition = Clamp(s.verticalPosition, 0, s.verticalMaximum);
    if (picture) {
        if (s.style & K_VIEWER_FIT) {
            s.destination = RECT{0, 0, s.viewWidth, s.viewHeight};
            FitRectToAspect(&s.destination, s.bitmap.Width, s.bitmap.Height);
        } else {
            s.destination = RECT{-s.horizontalPosition, -s.verticalPosition, placedWidth - s.horizontalPosition,
                                 placedHeight - s.verticalPosition};
        }
    }
    host_.SetScrollRange(false, s.horizontalMaximum);
    host_.SetScrollRange(true, s.verticalMaximum);
    host_.SetScrollPosition(false, s.horizontalPosition);
    host_.SetScrollPosition(true, s.verticalPosition);
    if (picture && (s.style & K_VIEWER_CENTER)) {
        int w = s.destination.right - s.destination.left, h = s.destination.bottom - s.destination.top;
        s.destination.left = s.viewWidth / 2 - w / 2;
        s.destination.top = s.viewHeight / 2 - h / 2;
        s.destination.right = s.destination.left + w;
        s.destination.bottom = s.destination.top + h;
    }
    s.layoutBusy = false;
}

void Viewer::Scroll(bool vertical, int request, int thumb16) {
    ViewerState& s = state_;
    int& position = vertical ? s.verticalPosition : s.horizontalPosition;
    const int maximum = vertical ? s.verticalMaximum : s.horizontalMaximum;
    const int step = vertical ? s.verticalStep : s.horizontalStep;
    const int view = vertical ? s.viewHeight : s.viewWidth;
    int delta = 0;
    switch (request) {
        case viewer::kLineUp:
            delta = -step;
            break;
        case viewer::kLineDown:
            delta = step;
            break;
        case viewer::kPageUp:
            delta = -std::max(step, view - step);
            break;
        case viewer::kPageDown:
            delta = std::max(step, view - step);
            break;
        case viewer::kThumbPosition:
            delta = host_.ThumbPosition(vertical, thumb16) - position;
            break;
        case viewer::kThumbTrack:
            if (s.style & K_VIEWER_TRACK_THUMB) delta = host_.ThumbPosition(vertical, thumb16) - position;
            break;
        case viewer::kTop:
            delta = -position;
            break;
        case viewer::kBottom:
            delta = maximum - position;
            break;
        default:
            break;
    }
    if (delta < -position) delta = -position;
    if (delta > maximum - position) delta = maximum - position;
    if (delta == 0) return;
    s.scrolling = true;
    position += delta;
    if (vertical) {
        s.destination.top -= delta;
        s.destination.bottom -= delta;
        host_.ScrollContent(0, -delta);
    } else {
        s.destination.left -= delta;
        s.destination.right -= delta;
        host_.ScrollContent(-delta, 0);
    }
    host_.SetScrollPosition(vertical, position);
    host_.Notify(K_VIEWER_SCROLLED);
    host_.Update();
    s.scrolling = false;
}

bool Viewer::KeyScroll(int key, bool* vertical, int* request) {
    unsigned shown = host_.Style();
    if (shown & viewer::kStyleVScroll) {
        *vertical = true;
        switch (key) {
            case viewer::kKeyPageUp:
                *request = viewer::kPageUp;
                return true;
            case viewer::kKeyPageDown:
                *request = viewer::kPageDown;
                return true;
            case viewer::kKeyEnd:
                *request = viewer::kBottom;
                return true;
            case viewer::kKeyHome:
                *request = viewer::kTop;
                return true;
            case viewer::kKeyUp:
                *request = viewer::kLineUp;
                return true;
            case viewer::kKeyDown:
                *request = viewer::kLineDown;
                return true;
            default:
                break;
        }
    }
    if (shown & viewer::kStyleHScroll) {
        *vertical = false;
        if (key == viewer::kKeyLeft) return *request = viewer::kLineUp, true;
        if (key == viewer::kKeyRight) return *request = viewer::kLineDown, true;
    }
    return false;
}

int Viewer::ZoomAt(const ViewerZoomRecord* record) {
    ViewerState& s = state_;
    int previous = s.zoom;
    s.explicitDestination = false;
    int x = record->X, y = record->Y;
    int clientWidth = 0, clientHeight = 0;
    host_.ClientSize(&clientWidth, &clientHeight);
    if (record->Center) {
        x = clientWidth / 2;
        y = clientHeight / 2;
    }
    int contentWidth = viewer::ZoomedSize(s.bitmap.Width, record->Zoom);
    int contentHeight = viewer::ZoomedSize(s.bitmap.Height, record->Zoom);
    int viewWidth = 0, viewHeight = 0;
    ViewFor(clientWidth, clientHeight, contentWidth, contentHeight, &viewWidth, &viewHeight);
    int maxWidth = std::max(contentWidth - viewWidth, 0), maxHeight = std::max(contentHeight - viewHeight, 0);
    // The picture point under (x, y) comes to the middle of the view.
    long long destinationWidth = s.destination.right - s.destination.left;
    long long destinationHeight = s.destination.bottom - s.destination.top;
    if (destinationWidth != 0) {
        long long p =
            (x - static_cast<long long>(s.destination.left)) * contentWidth / destinationWidth - viewWidth / 2;
        s.horizontalPosition = static_cast<int>(std::clamp<long long>(p, 0, maxWidth));
    }
    if (destinationHeight != 0) {
        long long p =
            (y - static_cast<long long>(s.destination.top)) * contentHeight / destinationHeight - viewHeight / 2;
        s.verticalPosition = static_cast<int>(std::clamp<long long>(p, 0, maxHeight));
    }
    s.zoom = record->Zoom;
    return previous;
}
