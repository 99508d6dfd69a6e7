// Capability negotiation with a TWAIN source: the properties applied, and
// what the source then uses read back.
#include <cstring>

#include "devices/twain_connection.h"
#include "devices/twain_log.h"

namespace {

TW_FIX32 ToFix32(long twips) {
    TW_FIX32 f;
    f.Whole = static_cast<TW_INT16>(twips / 1440);
    f.Frac = static_cast<TW_UINT16>((twips % 1440) * 65536 / 1440);
    return f;
}

long FromFix32(TW_FIX32 f) { return f.Whole * 1440L + ((static_cast<long>(f.Frac) * 1440) >> 16); }

TW_UINT32 Fix32Item(TW_INT16 whole) {
    TW_FIX32 f{whole, 0};
    TW_UINT32 item = 0;
    std::memcpy(&item, &f, sizeof f);
    return item;
}

bool GetLayout(TwainConnection* c, TW_IMAGELAYOUT* layout) {
    std::memset(layout, 0, sizeof *layout);
    return c->Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, layout) == TWRC_SUCCESS;
}

void ReadFrame(TwainConnection* c, TwainProperties* p, bool onlyMissing) {
    TW_IMAGELAYOUT layout;
    if (!GetLayout(c, &layout)) {
        p->nXPos = p->nYPos = p->nWidth = p->nHeight = -1;
        return;
    }
    long left = FromFix32(layout.Frame.Left), top = FromFix32(layout.Frame.Top);
    if (!onlyMissing || p->nXPos == -1) p->nXPos = left;
    if (!onlyMissing || p->nYPos == -1) p->nYPos = top;
    if (!onlyMissing || p->nWidth == -1) p->nWidth = FromFix32(layout.Frame.Right) - left;
    if (!onlyMissing || p->nHeight == -1) p->nHeight = FromFix32(layout.Frame.Bottom) - top;
}

long ReadCap(TwainConnection* c, const char* name, TW_UINT16 cap) {
    TwainLog("%s(" TWAIN_PTR ")\n", name, c);
    long value = -1;
    int result = GetCurrentCapability(c, cap, &value);
    if (result != K_OK) value = -1;
    TwainLog("%s returns %d\n", name, static_cast<int>(value));
    return value;
}

}  // namespace

TW_UINT16 SetCapability(TwainConnection* c, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value) {
    HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (!container) return TWRC_FAILURE;
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(container));
    one->ItemType = itemType;
    one->Item = value;
    GlobalUnlock(container);
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, container};
    TW_UINT16 rc = c->Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(container);
    return rc;
}

int GetCurrentCapability(TwainConnection* c, TW_UINT16 cap, long* value) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    if (c->Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) != TWRC_SUCCESS)
        return TranslateTwainError(c, true);
    if (!capability.hContainer) return K_ERR_TWAIN;
    const SIZE_T size = GlobalSize(capability.hContainer);
    auto* p = static_cast<const unsigned char*>(GlobalLock(capability.hContainer));
    int result = K_ERR_TWAIN;
    TW_UINT16 itemType = 0;
    const unsigned char* item = nullptr;
    if (p && capability.ConType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
        itemType = reinterpret_cast<const TW_ONEVALUE*>(p)->ItemType;
        item = p + offsetof(TW_ONEVALUE, Item);
    } else if (p && capability.ConType == TWON_ENUMERATION && size >= sizeof(TW_ENUMERATION_HEAD)) {
        // Enumerations of the small types this library reads: 2 or 4 bytes an item.
        const auto* e = reinterpret_cast<const TW_ENUMERATION_HEAD*>(p);
        itemType = e->ItemType;
        SIZE_T width = itemType == TWTY_FIX32
                           ? 4
                           : (itemType == TWTY_INT16 || itemType == TWTY_UINT16 || itemType == TWTY_BOOL ? 2 : 4);
        if (e->CurrentIndex < e->NumItems && sizeof *e + (e->CurrentIndex + 1) * width <= size)
            item = p + sizeof *e + e->CurrentIndex * width;
    }
    if (item) {
        switch (itemType) {
            case TWTY_INT16:
                *value = *reinterpret_cast<const TW_INT16*>(item);
                break;
            case TWTY_UINT16:
            case TWTY_BOOL:
                *value = *reinterpret_cast<const TW_UINT16*>(item);
                break;
            case TWTY_FIX32:
                *value = reinterpret_cast<const TW_FIX32*>(item)->Whole;
                break;
            default:
                *value = *reinterpret_cast<const TW_INT32*>(item);
                break;
        }
        result = K_OK;
    }
    if (p) GlobalUnlock(capability.hContainer);
    GlobalFree(capability.hContainer);
    return result;
}

void LogTwainProperties(const TwainProperties* p) {
    TwainLog("Twain Properties - " TWAIN_PTR "\n", p);
    TwainLog("  AppManufacturer = %s\n", p->AppManufacturer);
    TwainLog("  AppProdFamily = %s\n", p->AppProdFamily);
    TwainLog("  AppProdName = %s\n", p->AppProdName);
    TwainLog("  SourceName = %s\n", p->SourceName);
    TwainLog("  nMaxPages = %d\n", p->nMaxPages);
    TwainLog("  nPixelType = %d\n", p->nPixelType);
    TwainLog("  nBits = %d\n", p->nBits);
    TwainLog("  nRes = %d\n", p->nRes);
    TwainLog("  nXPos = %ld\n", p->nXPos);
    TwainLog("  nYPos = %ld\n", p->nYPos);
    TwainLog("  nWidth = %ld\n", p->nWidth);
    TwainLog("  nHeight = %ld\n", p->nHeight);
}

void NegotiateCaps(TwainConnection* c, TwainProperties* p, bool readBack) {
    TwainLog("NegotiateCaps(" TWAIN_PTR ", " TWAIN_PTR ", %X, %d)\n", c, p, c->source.Id, readBack ? 1 : 0);
    LogTwainProperties(p);
    // Resolution.
    if (readBack && p->nRes == -1)
        p->nRes = ReadCap(c, "GetCurXResolution", ICAP_XRESOLUTION);
    else if (p->nRes != -1) {
        SetCapability(c, ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(static_cast<TW_INT16>(p->nRes)));
        SetCapability(c, ICAP_YRESOLUTION, TWTY_FIX32, Fix32Item(static_cast<TW_INT16>(p->nRes)));
        if (readBack) p->nRes = ReadCap(c, "GetCurXResolution", ICAP_XRESOLUTION);
    }
    // Frame.
    const bool anyMissing = p->nXPos == -1 || p->nYPos == -1 || p->nWidth == -1 || p->nHeight == -1;
    const bool anyGiven = p->nXPos != -1 || p->nYPos != -1 || p->nWidth != -1 || p->nHeight != -1;
    if (readBack && anyMissing && !anyGiven) ReadFrame(c, p, true);
    if (anyGiven) {
        TW_IMAGELAYOUT layout{};
        if (anyMissing) GetLayout(c, &layout);
        long left = p->nXPos != -1 ? p->nXPos : FromFix32(layout.Frame.Left);
        long top = p->nYPos != -1 ? p->nYPos : FromFix32(layout.Frame.Top);
        if (p->nXPos != -1) layout.Frame.Left = ToFix32(p->nXPos);
        if (p->nYPos != -1) layout.Frame.Top = ToFix32(p->nYPos);
        if (p->nWidth != -1) layout.Frame.Right = ToFix32(left + p->nWidth);
        if (p->nHeight != -1) layout.Frame.Bottom = ToFix32(top + p->nHeight);
        layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = static_cast<TW_UINT32>(-1);
        c->Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
        if (readBack) ReadFrame(c, p, false);
    }
    // Pixel type and depth.
    if (readBack) {
        if (p->nPixelType == -1) {
            long type = ReadCap(c, "GetCurPixelType", ICAP_PIXELTYPE);
            p->nPixelType = type >= 0 && type <= 3 ? static_cast<int>(type) : -1;
        }
        if (p->nBits == -1) p->nBits = static_cast<int>(ReadCap(c, "GetCurBitDepth", ICAP_BITDEPTH));
    }
    if (p->nPixelType >= 0 && p->nPixelType <= 3) {
        SetCapability(c, ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT32>(p->nPixelType));
        if (readBack) {
            long type = ReadCap(c, "GetCurPixelType", ICAP_PIXELTYPE);
            p->nPixelType = type >= 0 && type <= 3 ? static_cast<int>(type) : -1;
        } else if (p->nBits != -1) {
            SetCapability(c, ICAP_BITDEPTH, TWTY_UINT16, static_cast<TW_UINT32>(p->nBits));
        }
    }
    if (readBack && p->nPixelType == TWPT_RGB) SetCapability(c, ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_CHOCOLATE);
    // The mechanism of the transfer that follows: a source refuses a native
    // transfer under the memory mechanism.
    SetCapability(c, ICAP_XFERMECH, TWTY_UINT16, (c->flags & K_TWAIN_NATIVE) ? TWSX_NATIVE : TWSX_MEMORY);
    // Pages.
    if (readBack && p->nMaxPages == 0) p->nMaxPages = static_cast<int>(ReadCap(c, "GetCurImageCount", CAP_XFERCOUNT));
    SetCapability(c, CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(static_cast<TW_UINT16>(p->nMaxPages)));
    if (readBack) p->nMaxPages = static_cast<int>(static_cast<short>(ReadCap(c, "GetCurImageCount", CAP_XFERCOUNT)));
    LogTwainProperties(p);
    TwainLog("NegotiateCaps returns void\n");
}
