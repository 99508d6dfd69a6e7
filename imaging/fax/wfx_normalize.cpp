// K_NormalizeWFXBitmap: any picture as a fax page, 1 bit at 204 x 196
// dots per inch, 1728 pixels wide, the picture centred at the top.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_kit.h"
#include "io/heap_record.h"

namespace {

constexpr int kPageWidth = 1728;
constexpr int kXResolution = 204;
constexpr int kYResolution = 196;
constexpr int kDefaultResolution = 150;
// Page heights are whole multiples of this.
constexpr int kHeightStep = 128;

// The status callback is off for the inner calls.
class QuietStatus {
public:
    QuietStatus() : saved_(K_SetStatusCallBack(nullptr)) {}
    ~QuietStatus() { K_SetStatusCallBack(saved_); }
    QuietStatus(const QuietStatus&) = delete;
    QuietStatus& operator=(const QuietStatus&) = delete;

private:
    StatusCallback saved_;
};

// Scaled side: at least one pixel, whatever the resolution.
int Scale(int side, int to, int from) { return static_cast<int>(std::max<int64_t>(1, int64_t(side) * to / from)); }

}  // namespace

extern "C" int KAPI K_NormalizeWFXBitmap(BitmapRecord* bitmap, BitmapRecord* target) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (bitmap->Width <= 0 || bitmap->Height <= 0) return K_ERR_SIZE;
    QuietStatus quiet;
    HeapRecord work, page;
    if (!work.get() || !page.get()) return K_ERR_MEMORY;
    int r = K_CopyBitmap(work.get(), bitmap);
    if (r != K_OK) return r;
    BitmapRecord* w = work.get();
    const int xres = w->XResolution > 0 ? w->XResolution : kDefaultResolution;
    const int yres = w->YResolution > 0 ? w->YResolution : kDefaultResolution;
    int width = Scale(w->Width, kXResolution, xres);
    int height = Scale(w->Height, kYResolution, yres);
    if (width > kPageWidth) {
        height = Scale(height, kPageWidth, width);
        width = kPageWidth;
    }
    const int64_t pageHeight = (int64_t(height) + kHeightStep - 1) / kHeightStep * kHeightStep;
    if (pageHeight > limits::kWfxSide) return K_ERR_SIZE;
    if ((r = K_SizeBitmap(w, width, height)) != K_OK) return r;
    if (w->BitsPerPixel != 1 &&
        (r = K_ColorResBitmap(w, w, 1, K_COLORRES_METHOD(1) | K_COLORRES_FIXED, nullptr, 0, nullptr, nullptr)) != K_OK)
        return r;

    RGBQUAD colors[2];
    if ((r = K_GetBitmapColors(w, 0, 2, colors)) != K_OK) return r;
    BitmapRecord* p = page.get();
    if ((r = K_CreateBitmap(p, K_STORAGE_ANY, kPageWidth, static_cast<int>(pageHeight), 1, w->ColorOrder, colors,
                            w->ViewPerspective)) != K_OK)
        return r;
    if ((r = K_FillBitmap(p, 0xFFFFFF)) != K_OK) return r;
    const int top = p->ViewPerspective == K_BOTTOM_UP ? p->Height - height : 0;
    if ((r = K_CombineBitmap(p, (kPageWidth - width) / 2, top, width, height, w, 0, 0,
                             K_COMBINE_DESTINATION(K_COMBINE_ONES))) != K_OK)
        return r;
    p->XResolution = kXResolution;
    p->YResolution = kYResolution;

    if (!target || target == bitmap) {
        K_FreeBitmap(bitmap);
        target = bitmap;
    } else {
        // A target that holds a picture gives it up, as a load's target does.
        ResetStaleBitmapFlags(target);
        if (target->Flags & K_ALLOCATED) K_FreeBitmap(target);
    }
    std::memcpy(target, p, sizeof *target);
    page.Release();
    return K_OK;
}
