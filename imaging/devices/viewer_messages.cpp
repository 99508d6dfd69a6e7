// The viewer's messages WM_USER + 0 .. 47: each runs one library operation
// on the control's record, then refreshes.
#include <cstring>
#include <initializer_list>

#include "devices/viewer.h"

namespace {

constexpr LRESULT kArgument = K_ERR_ARGUMENT;

int Low(LPARAM lParam) { return static_cast<int>(lParam & 0xFFFF); }
int High(LPARAM lParam) { return static_cast<int>((static_cast<unsigned long>(lParam) >> 16) & 0xFFFF); }
int SignedLow(LPARAM lParam) { return static_cast<short>(lParam & 0xFFFF); }
int SignedHigh(LPARAM lParam) { return static_cast<short>((static_cast<unsigned long>(lParam) >> 16) & 0xFFFF); }

template <typename T>
const T* In(LPARAM lParam) {
    return reinterpret_cast<const T*>(lParam);
}

// A name of at most size - 4 characters from a record of that size,
// terminated here whatever the caller left after it.
void CopyName(char* out, const char* name, int room) {
    int n = 0;
    while (n < room && name[n]) ++n;
    std::memcpy(out, name, n);
    out[n] = '\0';
}

// Destination rectangles whose sizes and offsets stay far from overflow when
// the layout adds them to scroll positions.
bool InPlacementRange(const RECT& r) {
    constexpr LONG kLimit = 0x1FFFFFFF;
    for (LONG v : {r.left, r.top, r.right, r.bottom})
        if (v < -kLimit || v > kLimit) return false;
    return true;
}

int PasteInto(ViewerHost& host, BitmapRecord* fresh, const BitmapRecord*) { return host.PasteFromClipboard(fresh); }
int AcquireInto(ViewerHost& host, BitmapRecord* fresh, const BitmapRecord*) { return host.TwainAcquire(fresh); }
int CopyInto(ViewerHost&, BitmapRecord* fresh, const BitmapRecord* source) {
    return K_CopyBitmap(fresh, const_cast<BitmapRecord*>(source));
}

}  // namespace

bool Viewer::Message(unsigned index, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (index >= static_cast<unsigned>(viewer::kMessageCount) || (index >= 44 && index <= 46)) return false;
    *result = Dispatch(index, wParam, lParam);
    return true;
}

LRESULT Viewer::Operation(int result, bool layout, bool palette, WPARAM wParam) {
    if (layout) state_.layoutChanged = true;
    if (palette) state_.paletteChanged = true;
    Refresh(wParam != 0);
    return result;
}

// A picture fetched into a record of its own takes the old one's place only
// when the fetch succeeded.
int Viewer::Fetch(int (*fill)(ViewerHost&, BitmapRecord*, const BitmapRecord*), const BitmapRecord* source,
                  WPARAM wParam) {
    BitmapRecord fresh{};
    int result = fill(host_, &fresh, source);
    if (result == K_OK) {
        Replace(&fresh);
    } else if (fresh.Flags & K_ALLOCATED) {
        K_FreeBitmap(&fresh);
    }
    Refresh(wParam != 0);
    return result;
}

int Viewer::Save(const ViewerSaveRecord* record) {
    if (!record || record->Size != static_cast<int>(sizeof(ViewerSaveRecord))) return K_ERR_ARGUMENT;
    char name[sizeof record->Name + 1];
    CopyName(name, record->Name, sizeof record->Name);
    return K_SaveBitmap(name, &state_.bitmap, record->Format, record->BitsPerPixel, record->Quality);
}

// The record's size says which form it is; a form that does not fit, or a
// dithering method beyond 0..7, changes nothing.
static bool ValidColorResolution(LPARAM lParam) {
    const int* size = In<int>(lParam);
    if (!size) return false;
    if (*size == static_cast<int>(sizeof(ViewerColorResRecord))) {
        int dither = In<ViewerColorResRecord>(lParam)->Dither;
        return dither >= 0 && dither <= 7;
    }
    return *size == static_cast<int>(sizeof(ViewerColorResExtRecord));
}

int Viewer::ColorResolution(LPARAM lParam) {
    if (*In<int>(lParam) == static_cast<int>(sizeof(ViewerColorResRecord))) {
        const ViewerColorResRecord* r = In<ViewerColorResRecord>(lParam);
        state_.bitmap.DitheringMethod = r->Dither;
        return K_ColorResolution(&state_.bitmap, r->BitsPerPixel, r->PaletteKind, nullptr, nullptr);
    }
    const ViewerColorResExtRecord* r = In<ViewerColorResExtRecord>(lParam);
    return K_ColorResBitmap(&state_.bitmap, &state_.bitmap, r->BitsPerPixel, r->Flags, r->Palette, r->Colors, nullptr,
                            nullptr);
}

int Viewer::Adopt(BitmapRecord* record) {
    BitmapRecord& own = state_.bitmap;
    if (!record) {
        // The caller has taken the picture over (through the record's
        // address): let go of it without freeing.
        own.Flags &= ~K_ALLOCATED;
    } else if (record != &own) {
        bool shared =
            (own.Flags & K_ALLOCATED) && (record->Flags & K_ALLOCATED) && own.StorageHandle == record->StorageHandle;
        if (!shared) FreePicture();
        std::memcpy(&own, record, sizeof own);
    }
    state_.horizontalPosition = state_.verticalPosition = 0;
    return K_OK;
}

LRESULT Viewer::Dispatch(unsigned index, WPARAM wParam, LPARAM lParam) {
    BitmapRecord* b = &state_.bitmap;
    switch (index) {
        case 0: {  // load
            const int* size = In<int>(lParam);
            if (!size || (*size != 264 && *size != 84)) return kArgument;
            char name[261];
            CopyName(name, In<ViewerFileRecord>(lParam)->Name, *size - 4);
            return LoadFile(name, wParam != 0);
        }
        case 1:
            return Save(In<ViewerSaveRecord>(lParam));
        case 2:
            FreePicture();
            b->Width = b->Height = 0;
            return Operation(K_OK, true, true, wParam);
        case 3:
            return Operation(K_FlipBitmap(b), false, false, wParam);
        case 4: {
            int result = K_RotateBitmap(b, SignedLow(lParam), High(lParam));
            state_.layoutChanged = High(lParam) != 0;
            return Operation(result, false, false, wParam);
        }
        case 5:
            return Operation(K_ChangeBitmapIntensity(b, SignedLow(lParam)), false, true, wParam);
        case 6:
            return Operation(K_ReverseBitmap(b), false, false, wParam);
        case 7: {
            // Only the bytes the caller has room for.
            if (wParam > sizeof(ViewerInfoRecord) || !lParam) return kArgument;
            ViewerInfoRecord info{static_cast<int>(sizeof info), b->Width, b->Height, b->BitsPerPixel};
            std::memcpy(reinterpret_cast<void*>(lParam), &info, wParam);
            return K_OK;
        }
        case 8:
            if (!HasPicture()) return 0;
            return reinterpret_cast<LRESULT>((b->Flags & K_FIXED_PALETTE_IN_USE) ? b->FixedPaletteHandle
                                                                                 : b->PaletteHandle);
        case 9: {
            unsigned bars = viewer::kStyleHScroll | viewer::kStyleVScroll;
            state_.style = static_cast<unsigned>(lParam);
            host_.SetStyle((state_.style & ~bars) | (host_.Style() & bars));
            return Operation(K_OK, true, false, wParam);
        }
        case 10:
            return HasPicture() ? reinterpret_cast<LRESULT>(b) : 0;
        case 11:
            return Operation(Adopt(reinterpret_cast<BitmapRecord*>(lParam)), true, true, wParam);
        case 12:
            return Operation(K_AverageFilterBitmap(b, Low(lParam)), false, false, wParam);
        case 13:
            return Operation(K_MedianFilterBitmap(b, Low(lParam)), false, false, wParam);
        case 14:
            return Operation(K_ChangeBitmapContrast(b, SignedLow(lParam)), false, true, wParam);
        case 15:
            return Operation(K_ChangeBitmapHue(b, SignedLow(lParam)), false, true, wParam);
        case 16:
            return Operation(K_ChangeBitmapSaturation(b, SignedLow(lParam)), false, true, wParam);
        case 17:
            return Operation(K_GrayScaleBitmap(b), false, true, wParam);
        case 18:
            return Operation(K_HalfToneBitmap(b, SignedLow(lParam)), false, true, wParam);
        case 19:
            return Operation(K_HistoEqualizeBitmap(b), false, true, wParam);
        case 20:
            return Operation(K_InvertBitmap(b), false, true, wParam);
        case 21:
            return Operation(K_SpatialFilterBitmap(b, static_cast<size_t>(lParam)), false, false, wParam);
        case 22:
            return Operation(K_MosaicBitmap(b, Low(lParam)), false, false, wParam);
        case 23:
            return Operation(K_PosterizeBitmap(b, Low(lParam)), false, true, wParam);
        case 24: {
            // A zoom of 0 would leave nothing to show.
            if (Low(lParam) == 0) return kArgument;
            int previous = state_.zoom;
            state_.explicitDestination = false;
            state_.zoom = Low(lParam);
            return Operation(previous, true, false, wParam);
        }
        case 25:
            return Operation(K_SizeBitmap(b, Low(lParam), High(lParam)), true, false, wParam);
        case 26:
            if (!ValidColorResolution(lParam)) return kArgument;
            return Operation(ColorResolution(lParam), false, true, wParam);
        case 27:
            return Operation(K_SharpenBitmap(b, SignedLow(lParam)), false, false, wParam);
        case 28: {
            const RECT* r = In<RECT>(lParam);
            if (!r || !InPlacementRange(*r)) return kArgument;
            state_.explicitDestination = true;
            state_.destination = *r;
            state_.horizontalPosition = -r->left;
            state_.verticalPosition = -r->top;
            return Operation(K_OK, true, false, wParam);
        }
        case 29:
            return host_.CopyToClipboard(b);
        case 30:
            return Fetch(PasteInto, nullptr, wParam);
        case 31:
            if (!lParam) return 0;
            return Fetch(CopyInto, In<BitmapRecord>(lParam), wParam);
        case 32:
            return Operation(host_.TwainSelect(), false, false, wParam);
        case 33:
            return Fetch(AcquireInto, nullptr, wParam);
        case 34:
            return Operation(K_OK, Low(lParam) != 0, High(lParam) != 0, wParam);
        case 35:
            state_.sourceSet = lParam != 0;
            if (lParam) state_.source = *In<RECT>(lParam);
            return Operation(K_OK, false, false, wParam);
        case 36: {
            const ViewerZoomRecord* r = In<ViewerZoomRecord>(lParam);
            if (!r || r->Zoom <= 0 || r->Zoom > 0xFFFF) return kArgument;
            return Operation(ZoomAt(r), true, false, wParam);
        }
        case 37:
            return Operation(K_AddBitmapNoise(b, Low(lParam), High(lParam)), false, false, wParam);
        case 38:
            return Operation(K_ClearBitmap(b), false, false, wParam);
        case 39:
            return Operation(K_FillBitmap(b, static_cast<COLORREF>(lParam)), false, false, wParam);
        case 40:
            return Operation(K_GammaCorrectBitmap(b, Low(lParam)), false, true, wParam);
        case 41:
            return Operation(K_ResampleBitmap(b, SignedLow(lParam), SignedHigh(lParam)), true, false, wParam);
        case 42: {
            const ViewerShearRecord* r = In<ViewerShearRecord>(lParam);
            if (!r || r->Size != static_cast<int>(sizeof *r)) return kArgument;
            return Operation(K_ShearBitmap(b, r->Angle, r->Horizontal, r->Fill), true, false, wParam);
        }
        case 43:
            return Operation(K_IntensityDetectBitmap(b, Low(lParam), High(lParam)), false, true, wParam);
        case 47: {
            const ViewerPrintRecord* r = In<ViewerPrintRecord>(lParam);
            if (!r || r->Size != static_cast<int>(sizeof *r)) return 0;
            HDC dc = host_.Print(r->Printer, b, r->X, r->Y, r->Width, r->Height, r->Option);
            Operation(K_OK, false, false, wParam);
            return reinterpret_cast<LRESULT>(dc);
        }
        default:
            return 0;
    }
}
