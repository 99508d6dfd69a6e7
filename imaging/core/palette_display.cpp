// The dithered-paint switch of the display mode.
#include "core/display_mode.h"
#include "core/palette.h"

extern "C" int KAPI K_EnableDitheredPaint(int enable) {
    int old = (DisplayMode & kDitheredPaint) ? 1 : 0;
    if (enable)
        DisplayMode |= kDitheredPaint;
    else
        DisplayMode &= ~kDitheredPaint;
    return old;
}
