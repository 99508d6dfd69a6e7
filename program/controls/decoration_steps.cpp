#include "controls/decoration_steps.h"

#include <algorithm>
#include <cmath>

int RoundHalfEven(double value) {
    double r = std::floor(value);
    const double diff = value - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    return static_cast<int>(r);
}

double FlyFactor(const FlyFrames& f, int frame) {
    if (frame < f.before) return f.before > 0 ? double(frame) / f.before : 1.0;
    if (frame - f.before < f.stay) return 1.0;
    if (f.after <= 0) return 0.0;
    return double(f.Total() - frame) / f.after;
}

DecoRect FlyRect(const FlyFrames& f, int frame, const DecoRect& s, const DecoRect& e, const DecoRect& client) {
    if (f.Total() <= 0) return client;
    const double t = FlyFactor(f, frame);
    return DecoRect{RoundHalfEven(s.left + t * (e.left - s.left)), RoundHalfEven(s.top + t * (e.top - s.top)),
                    RoundHalfEven(s.width + t * (e.width - s.width)),
                    RoundHalfEven(s.height + t * (e.height - s.height))};
}

bool FlyTick(const FlyFrames& f, int& frame) {
    ++frame;
    return frame < f.Total();
}

DecoRect FlyStart(const DecoRect* minWindow, const DecoRect& client) {
    if (minWindow) return *minWindow;
    return DecoRect{client.left + client.width / 2, client.top + client.height / 2, 0, 0};
}

DecoRect FlyEnd(const DecoRect* minWindow, const DecoRect& client) { return minWindow ? *minWindow : client; }

DecoRect MinWindowRect(const DecoRect& inForm, int noticeLeft, int noticeTop) {
    return DecoRect{inForm.left - noticeLeft, inForm.top - noticeTop, inForm.width, inForm.height};
}

DecoRect StripFrame(int orgX, int orgY, int width, int height, int state, bool sideBySide) {
    if (sideBySide) return DecoRect{orgX + state * width, orgY, width, height};
    return DecoRect{orgX, orgY + state * height, width, height};
}

int PickZamor(const std::vector<ZamorSpot>& spots, int x, int y, bool dollVisible) {
    for (size_t i = 0; i < spots.size(); ++i) {
        const ZamorSpot& s = spots[i];
        if (!s.exists || !s.hasSpot || (s.onlyWithDoll && !dollVisible)) continue;
        if (s.spot.ContainsInclusive(x, y)) return static_cast<int>(i);
    }
    return -1;
}

double GlowWeight(int x, int y, int width, int height) {
    const int cx = width / 2, cy = height / 2;
    if (cx <= 0 || cy <= 0) return 0;
    const double dx = double(x - cx) / cx, dy = double(y - cy) / cy;
    return std::clamp(1 - dx * dx - dy * dy, 0.0, 1.0);
}

uint8_t GlowChannel(uint8_t old, uint8_t base, double weight) {
    return static_cast<uint8_t>(std::clamp(old + RoundHalfEven(weight * (int(base) - int(old))), 0, 255));
}

HintPlace PlaceHint(int left, int top, int width, int height, int screenWidth, int screenHeight, int pointerY) {
    if (top + height > screenHeight) {
        top = screenHeight - height;
        if (pointerY >= top && pointerY < top + height) top = pointerY - height;
    }
    if (left + width > screenWidth) left = screenWidth - width;
    return HintPlace{std::max(left, 0), std::max(top, 0)};
}

int TurnFramesOf(int stripWidth, int previewWidth) {
    if (previewWidth <= 0) return 0;
    return std::max(stripWidth / previewWidth - 2, 0);
}

DecoRect TurnPlace(const DecoRect& p, const DecoRect& q, int step, int turnFrames) {
    if (turnFrames <= 0) return p;
    const double t = double(step) / turnFrames;
    return DecoRect{p.left + RoundHalfEven((q.left - p.left) * t), p.top + RoundHalfEven((q.top - p.top) * t),
                    p.width + RoundHalfEven((q.width - p.width) * t),
                    p.height + RoundHalfEven((q.height - p.height) * t)};
}
