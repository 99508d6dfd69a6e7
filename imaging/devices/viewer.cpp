// The viewer control's picture and its refresh.
#include <cstring>

#include "devices/viewer.h"

namespace viewer {

int ZoomedSize(int size, int zoom) {
    constexpr long long kLimit = 0x3FFFFFFF;
    long long product = static_cast<long long>(size) * zoom;
    long long r = (product >= 0 ? product + 50 : product - 50) / 100;
    return static_cast<int>(r > kLimit ? kLimit : r < -kLimit ? -kLimit : r);
}

int WidenThumb(int thumb16, int trackPosition) {
    return (trackPosition & 0xFFFF) == (thumb16 & 0xFFFF) ? trackPosition : thumb16;
}

}  // namespace viewer

Viewer::Viewer(ViewerHost& host, unsigned style) : host_(host) { state_.style = style; }

Viewer::~Viewer() {
    FreePicture();
    if (state_.paintPalette) host_.DeletePalette(state_.paintPalette);
}

void Viewer::FreePicture() {
    if (HasPicture()) K_FreeBitmap(&state_.bitmap);
}

void Viewer::Replace(BitmapRecord* fresh) {
    FreePicture();
    // The record itself stays where it is: its address is handed out.
    std::memcpy(&state_.bitmap, fresh, sizeof state_.bitmap);
    state_.layoutChanged = state_.paletteChanged = true;
}

int Viewer::LoadFile(const char* name, bool repaint) {
    BitmapRecord fresh{};
    int order = (state_.style & K_VIEWER_LOAD_RGB) ? K_ORDER_RGB : K_ORDER_BGR;
    int result = K_LoadBitmap(name, &fresh, 0, order);
    if (result == K_OK && (state_.style & K_VIEWER_REDUCE_COLORS) && fresh.BitsPerPixel <= 8 &&
        !(fresh.Flags & K_FIXED_PALETTE_IN_USE)) {
        fresh.DitheringMethod = 1;
        result = K_ColorResolution(&fresh, fresh.BitsPerPixel, 1, nullptr, nullptr);
    }
    if (result == K_OK) {
        Replace(&fresh);
        state_.horizontalPosition = state_.verticalPosition = 0;
    } else if (fresh.Flags & K_ALLOCATED) {
        K_FreeBitmap(&fresh);
    }
    Refresh(repaint);
    return result;
}

void Viewer::Refresh(bool repaint) {
    if (state_.paletteChanged) {
        if (state_.paintPalette) host_.DeletePalette(state_.paintPalette);
        state_.paintPalette = HasPicture() ? host_.CreatePaintPalette(&state_.bitmap) : nullptr;
    }
    if (!repaint) return;
    host_.Notify(K_VIEWER_REFRESHING);
    if (state_.paletteChanged) {
        host_.QueryNewPalette();
        state_.paletteChanged = false;
    }
    bool erase = false;
    if (state_.layoutChanged) {
        if ((state_.style & K_VIEWER_SIZE_TO_PICTURE) && !host_.Maximized()) {
            int width = 0, height = 0;
            if (state_.explicitDestination) {
                width = state_.destination.right - state_.destination.left;
                height = state_.destination.bottom - state_.destination.top;
            } else if (HasPicture()) {
                width = viewer::ZoomedSize(state_.bitmap.Width, state_.zoom);
                height = viewer::ZoomedSize(state_.bitmap.Height, state_.zoom);
            }
            host_.SizeClientTo(width, height);
        }
        // Resizing the window may have run the layout already.
        if (state_.layoutChanged) Layout(host_.Iconic() ? 1 : 0, state_.viewWidth, state_.viewHeight);
        erase = true;
    }
    host_.Invalidate(erase);
    host_.Update();
    host_.Notify(K_VIEWER_REFRESHED);
}
