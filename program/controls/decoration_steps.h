// The arithmetic of the decorations, without windows: the flying notice's
// flight, the picture strips' frames, the click animations' hot spots, the
// hint window's glow and placement, and the category carousel's turn.
#pragma once

#include <cstdint>
#include <vector>

struct DecoRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const DecoRect&) const = default;
    bool Contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
    // Right and bottom edges included (the hot spots' test).
    bool ContainsInclusive(int x, int y) const {
        return x >= left && y >= top && x <= left + width && y <= top + height;
    }
};

// Round half to even, as the pattern and picture arithmetic rounds.
int RoundHalfEven(double value);

// The flying notice: frames of growing, standing and shrinking.
struct FlyFrames {
    int before = 0, stay = 0, after = 0;
    int Total() const { return before + stay + after; }
};
// Size factor of the frame: 0 .. 1 while growing, 1 while standing, back
// towards 0 while shrinking. A phase of no frames is never divided by.
double FlyFactor(const FlyFrames& frames, int frame);
// The notice's rectangle at the frame, from the start rectangle to the end
// rectangle; the whole client area when the flight has no frames.
DecoRect FlyRect(const FlyFrames& frames, int frame, const DecoRect& start, const DecoRect& end,
                 const DecoRect& client);
// One timer tick: the next frame; false when the flight has ended.
bool FlyTick(const FlyFrames& frames, int& frame);
// Start and end rectangles: a missing start window is the client's centre
// point, a missing end window the whole client area.
DecoRect FlyStart(const DecoRect* minWindow, const DecoRect& client);
DecoRect FlyEnd(const DecoRect* minWindow, const DecoRect& client);
// A marker rectangle given in form coordinates, in the notice's client
// coordinates (the notice's top-left at noticeLeft, noticeTop).
DecoRect MinWindowRect(const DecoRect& inForm, int noticeLeft, int noticeTop);

// Where the state's frame of a picture strip lies in its sprite.
DecoRect StripFrame(int orgX, int orgY, int width, int height, int state, bool sideBySide);

// A click animation's candidate, in the controller's order.
struct ZamorSpot {
    bool exists = false;
    bool hasSpot = false;
    bool onlyWithDoll = false;  // playable only while the doll panel shows
    DecoRect spot;
};
// The first candidate the click starts, or -1.
int PickZamor(const std::vector<ZamorSpot>& spots, int x, int y, bool dollVisible);

// The hint window's glow: the weight of the base colour at a pixel, 1 in
// the middle falling to 0 at the ellipse through the edges' centres.
double GlowWeight(int x, int y, int width, int height);
// One channel blended towards the base by the weight.
uint8_t GlowChannel(uint8_t old, uint8_t base, double weight);
// Top-left of a hint window of the size at the rectangle's top-left, kept
// on the screen and off the pointer.
struct HintPlace {
    int left, top;
};
HintPlace PlaceHint(int left, int top, int width, int height, int screenWidth, int screenHeight, int pointerY);

// The category carousel: the number of turn frames in a strip of
// frameCount + 2 preview-sized frames (0 when the strip has fewer), and a
// place on its way from P to Q at the turn step (t = step / turnFrames;
// without turn frames every place stands at P).
int TurnFramesOf(int stripWidth, int previewWidth);
DecoRect TurnPlace(const DecoRect& from, const DecoRect& to, int step, int turnFrames);
