// Transition effects: a bitmap painted onto a device context piece by
// piece, each piece an ordinary paint clipped to it.
#include <algorithm>
#include <climits>

#include "core/bitmap.h"
#include "core/display_mode.h"
#include "core/dither.h"
#include "devices/effect_pieces.h"
#include "core/memory.h"
#include "devices/paint.h"
#include "core/status.h"

namespace {

// Every piece paints the whole placement (source, source clip and
// destination as the caller gave them) clipped to the piece, so the pieces
// together show exactly what one paint would.
class PaintSink : public EffectPieceSink {
public:
    PaintSink(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip, const RECT* destination,
              DWORD rasterOp, int64_t steps)
        : hdc_(hdc),
          bitmap_(bitmap),
          source_(source),
          sourceClip_(sourceClip),
          destination_(destination),
          rasterOp_(rasterOp),
          progress_(static_cast<int>(std::min<int64_t>(std::max<int64_t>(steps, 1), INT_MAX))) {}
    int Begin() { return progress_.Begin(); }
    int Piece(const RECT& piece) override {
        return PaintBitmapRect(hdc_, bitmap_, source_, sourceClip_, destination_, &piece, rasterOp_);
    }
    int Step() override { return progress_.Step(); }

private:
    HDC hdc_;
    BitmapRecord* bitmap_;
    const RECT *source_, *sourceClip_, *destination_;
    DWORD rasterOp_;
    Progress progress_;
};

// DisplayMode put back whole at the end of the effect.
class DisplayModeRestore {
public:
    DisplayModeRestore() : saved_(DisplayMode) {}
    ~DisplayModeRestore() { DisplayMode = saved_; }
    DisplayModeRestore(const DisplayModeRestore&) = delete;
    DisplayModeRestore& operator=(const DisplayModeRestore&) = delete;
    unsigned saved() const { return saved_; }

private:
    unsigned saved_;
};

// The work record; the dithered copy it may hold is freed with it.
class WorkRecord {
public:
    WorkRecord() : memory_(sizeof(BitmapRecord), true) {}
    ~WorkRecord() {
        if (memory_ && get()->Flags & K_ALLOCATED) K_FreeBitmap(get());
    }
    WorkRecord(const WorkRecord&) = delete;
    WorkRecord& operator=(const WorkRecord&) = delete;
    explicit operator bool() const { return static_cast<bool>(memory_); }
    BitmapRecord* get() const { return reinterpret_cast<BitmapRecord*>(memory_.get()); }

private:
    GlobalBuffer memory_;
};

}  // namespace

extern "C" int KAPI K_PaintDCEffect(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip,
                                    const RECT* destination, const RECT* destinationClip, DWORD rasterOp,
                                    unsigned effect) {
    if (!hdc || !bitmap || !destination || !(bitmap->Flags & K_ALLOCATED) || effect > kLastEffect)
        return K_ERR_ARGUMENT;
    RECT k = *destination;
    if (destinationClip && !IntersectRects(&k, destination, destinationClip)) return K_OK;
    if (k.left >= k.right || k.top >= k.bottom) return K_OK;
    WorkRecord work;
    if (!work) return K_ERR_MEMORY;

    DisplayModeRestore restore;
    BitmapRecord* painted = bitmap;
    PaintChoice choice = ChoosePaintKind(hdc, bitmap);
    if (choice.kind == PaintConvert) {
        // Error diffusion over separate pieces would leave seams: the whole
        // bitmap is dithered once and its copy painted. The ordered matrices
        // depend on the position only, so pieces that still convert join.
        if (!(restore.saved() & kOrderedDither) && bitmap->BitsPerPixel >= choice.deviceDepth) {
            StatusCallback status = K_SetStatusCallBack(nullptr);
            int result = DitherToNewBitmap(bitmap, work.get(), 1, choice.deviceDepth);
            K_SetStatusCallBack(status);
            if (result != K_OK) return result;
            painted = work.get();
        }
        DisplayMode |= kOrderedDither;
    }
    if (painted->BytesPerLine <= 16384)
        DisplayMode |= kFastPaint;
    else
        DisplayMode &= ~kFastPaint;

    // The storage stays mapped for the whole effect: pieces number in the
    // tens of thousands, and mapping it again for each was most of their time.
    BitmapLock lock(painted);
    // Effect 0 is one piece: K itself.
    PaintSink sink(hdc, painted, source, sourceClip, destination, rasterOp,
                   effect == 0 ? 1 : CountEffectSteps(effect, k));
    int result = sink.Begin();
    if (result != K_OK) return result;
    if (effect == 0) {
        result = sink.Piece(k);
        return result == K_OK ? sink.Step() : result;
    }
    return RunEffectPieces(effect, k, sink);
}

extern "C" int KAPI K_PaintEffect(HDC hdc, BitmapRecord* bitmap, const RECT* destinationClip, unsigned effect) {
    if (!bitmap) return K_ERR_ARGUMENT;
    RECT placement = PlacementRect(bitmap);
    return K_PaintDCEffect(hdc, bitmap, nullptr, nullptr, &placement, destinationClip, SRCCOPY, effect);
}
