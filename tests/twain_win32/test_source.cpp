// A TWAIN data source for the tests, following the published protocol:
// pictures at 1, 8 (grey or palette) and 24 bits, native and memory
// transfers, several pages. The test steers it through the environment
// variable VOLKG_TEST_SOURCE (space-separated words):
//   pages=N          pages the source holds (3)
//   cancel=before    the user closes the source before a transfer
//   cancel=during    the user cancels during the second strip
//   fail=open|xfer|nullhandle|compressed|badstrip|nopages
//   silent           never signals a transfer
// and reads back VOLKG_TEST_SOURCE_SEEN: the caller's protocol version,
// the sequence errors seen and whether the source was closed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "devices/twain_types.h"
#include "test_picture.h"

namespace {

struct Config {
    int pages = 3;
    std::string cancel, fail;
    bool silent = false;
};

Config ReadConfig() {
    Config c;
    char text[512] = {};
    GetEnvironmentVariableA("VOLKG_TEST_SOURCE", text, sizeof text);
    char* context = nullptr;
    for (char* word = strtok_s(text, " ", &context); word; word = strtok_s(nullptr, " ", &context)) {
        std::string w = word;
        if (w.rfind("pages=", 0) == 0)
            c.pages = std::atoi(w.c_str() + 6);
        else if (w.rfind("cancel=", 0) == 0)
            c.cancel = w.substr(7);
        else if (w.rfind("fail=", 0) == 0)
            c.fail = w.substr(5);
        else if (w == "silent")
            c.silent = true;
    }
    return c;
}

HMODULE g_module = nullptr;
Config g_config;
int g_state = 3;  // TWAIN states: 4 open, 5 enabled, 6 transfer ready, 7 transferring
TW_UINT16 g_condition = TWCC_SUCCESS;
HWND g_parent = nullptr;
bool g_signal = false;
int g_page = 0, g_pagesLeft = 0, g_nextRow = 0, g_strip = 0;
int g_sequenceErrors = 0;
unsigned g_protocol = 0;

// Capabilities.
int g_pixelType = TWPT_RGB;
int g_bitDepth = 24;
int g_xferCount = -1;
int g_xferMech = TWSX_NATIVE;
int g_resolution = kSourceResolution;
int g_indicators = 1;

void Report(bool closed) {
    char text[128];
    std::snprintf(text, sizeof text, "protocol=%u.%u sequence=%d closed=%d", g_protocol >> 16, g_protocol & 0xFFFF,
                  g_sequenceErrors, closed ? 1 : 0);
    SetEnvironmentVariableA("VOLKG_TEST_SOURCE_SEEN", text);
}

TW_UINT16 Fail(TW_UINT16 condition) {
    g_condition = condition;
    if (condition == TWCC_SEQERROR) ++g_sequenceErrors;
    return TWRC_FAILURE;
}

int DepthOf(int pixelType) { return pixelType == TWPT_BW ? 1 : pixelType == TWPT_RGB ? 24 : 8; }
int RowBytes() { return (kSourceWidth * g_bitDepth + 7) / 8; }

void FillIdentity(TW_IDENTITY* id) {
    std::memset(id, 0, sizeof *id);
    id->Version.MajorNum = 1;
    id->Version.Language = 13;
    id->Version.Country = 1;
    lstrcpyA(id->Version.Info, "test source");
    id->ProtocolMajor = TWON_PROTOCOLMAJOR;
    id->ProtocolMinor = TWON_PROTOCOLMINOR;
    id->SupportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpyA(id->Manufacturer, "Volkg tests");
    lstrcpyA(id->ProductFamily, "Test sources");
    // The product name comes from the file name, so that two copies are two sources.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_module, path, MAX_PATH);
    const char* base = std::strrchr(path, '\\');
    std::string name = base ? base + 1 : path;
    name = name.substr(0, name.find('.'));
    lstrcpynA(id->ProductName, ("Volkg " + name).c_str(), sizeof(TW_STR32));
}

// One pixel row of page p at the current depth, in the protocol's order
// (red first, bilevel rows vanilla).
void MakeRow(int page, int y, unsigned char* out) {
    std::memset(out, 0, RowBytes());
    for (int x = 0; x < kSourceWidth; ++x) {
        switch (g_pixelType) {
            case TWPT_BW:
                out[x / 8] |= SourceBit(page, x, y) << (7 - x % 8);
                break;
            case TWPT_GRAY:
                out[x] = SourceGray(page, x, y);
                break;
            case TWPT_PALETTE:
                out[x] = SourceIndex(page, x, y);
                break;
            default:
                SourceRgb(page, x, y, out + 3 * x);
                break;
        }
    }
}

TW_UINT16 ReplyOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 value) {
    cap->ConType = TWON_ONEVALUE;
    cap->hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(cap->hContainer));
    one->ItemType = itemType;
    one->Item = value;
    GlobalUnlock(cap->hContainer);
    return TWRC_SUCCESS;
}

TW_UINT32 Fix32Item(int whole) { return static_cast<TW_UINT16>(whole); }

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
    if (g_state < 4) return Fail(TWCC_SEQERROR);
    if (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT) {
        switch (cap->Cap) {
            case CAP_XFERCOUNT:
                // fail=nopages: ready, but with nothing to transfer.
                if (g_state >= 6 && g_config.fail == "nopages") return ReplyOneValue(cap, TWTY_INT16, 0);
                return ReplyOneValue(cap, TWTY_INT16, static_cast<TW_UINT16>(g_xferCount));
            case ICAP_PIXELTYPE:
                return ReplyOneValue(cap, TWTY_UINT16, g_pixelType);
            case ICAP_BITDEPTH:
                return ReplyOneValue(cap, TWTY_UINT16, g_bitDepth);
            case ICAP_XFERMECH:
                return ReplyOneValue(cap, TWTY_UINT16, g_xferMech);
            case ICAP_XRESOLUTION:
            case ICAP_YRESOLUTION:
                return ReplyOneValue(cap, TWTY_FIX32, Fix32Item(g_resolution));
            case CAP_INDICATORS:
                return ReplyOneValue(cap, TWTY_BOOL, g_indicators);
            case ICAP_PIXELFLAVOR:
                return ReplyOneValue(cap, TWTY_UINT16, g_pixelType == TWPT_BW ? TWPF_VANILLA : TWPF_CHOCOLATE);
            default:
                return Fail(TWCC_BADCAP);
        }
    }
    if (msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
    // Capabilities are negotiated in state 4 only.
    if (g_state != 4) return Fail(TWCC_SEQERROR);
    if (!cap->hContainer || cap->ConType != TWON_ONEVALUE) return Fail(TWCC_BADVALUE);
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(cap->hContainer));
    TW_UINT16 type = one->ItemType;
    TW_UINT32 item = one->Item;
    GlobalUnlock(cap->hContainer);
    auto expect = [&](TW_UINT16 wanted) { return type == wanted; };
    switch (cap->Cap) {
        case CAP_XFERCOUNT:
            if (!expect(TWTY_INT16)) return Fail(TWCC_BADVALUE);
            g_xferCount = static_cast<TW_INT16>(item);
            return TWRC_SUCCESS;
        case ICAP_PIXELTYPE:
            if (!expect(TWTY_UINT16) || item > TWPT_PALETTE) return Fail(TWCC_BADVALUE);
            g_pixelType = static_cast<int>(item);
            g_bitDepth = DepthOf(g_pixelType);
            return TWRC_SUCCESS;
        case ICAP_BITDEPTH:
            // One depth per pixel type.
            if (!expect(TWTY_UINT16) || static_cast<int>(item) != DepthOf(g_pixelType)) return Fail(TWCC_BADVALUE);
            return TWRC_SUCCESS;
        case ICAP_XFERMECH:
            if (!expect(TWTY_UINT16) || (item != TWSX_NATIVE && item != TWSX_MEMORY)) return Fail(TWCC_BADVALUE);
            g_xferMech = static_cast<int>(item);
            return TWRC_SUCCESS;
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION:
            if (!expect(TWTY_FIX32)) return Fail(TWCC_BADVALUE);
            g_resolution = static_cast<TW_INT16>(item & 0xFFFF);
            return TWRC_SUCCESS;
        case CAP_INDICATORS:
            if (!expect(TWTY_BOOL)) return Fail(TWCC_BADVALUE);
            g_indicators = item ? 1 : 0;
            return TWRC_SUCCESS;
        case ICAP_PIXELFLAVOR:
            return expect(TWTY_UINT16) ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
        default:
            return Fail(TWCC_BADCAP);
    }
}

TW_UINT16 ImageInfo(TW_IMAGEINFO* info) {
    if (g_state < 6) return Fail(TWCC_SEQERROR);
    std::memset(info, 0, sizeof *info);
    info->XResolution.Whole = info->YResolution.Whole = static_cast<TW_INT16>(g_resolution);
    info->ImageWidth = kSourceWidth;
    info->ImageLength = kSourceHeight;
    info->SamplesPerPixel = g_pixelType == TWPT_RGB ? 3 : 1;
    info->BitsPerSample[0] = static_cast<TW_INT16>(g_pixelType == TWPT_BW ? 1 : 8);
    if (g_pixelType == TWPT_RGB) info->BitsPerSample[1] = info->BitsPerSample[2] = 8;
    info->BitsPerPixel = static_cast<TW_INT16>(g_bitDepth);
    info->PixelType = static_cast<TW_INT16>(g_pixelType);
    return TWRC_SUCCESS;
}

TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT* layout) {
    if (msg == MSG_SET) return g_state == 4 ? TWRC_SUCCESS : Fail(TWCC_SEQERROR);
    std::memset(layout, 0, sizeof *layout);
    layout->Frame.Right.Whole = static_cast<TW_INT16>(kSourceWidth / g_resolution);
    layout->Frame.Right.Frac = static_cast<TW_UINT16>((kSourceWidth % g_resolution) * 65536 / g_resolution);
    layout->Frame.Bottom.Whole = static_cast<TW_INT16>(kSourceHeight / g_resolution);
    layout->Frame.Bottom.Frac = static_cast<TW_UINT16>((kSourceHeight % g_resolution) * 65536 / g_resolution);
    layout->DocumentNumber = layout->PageNumber = layout->FrameNumber = 1;
    return TWRC_SUCCESS;
}

TW_UINT16 Native(TW_HANDLE* handle) {
    if (g_state != 6) return Fail(TWCC_SEQERROR);
    if (g_xferMech != TWSX_NATIVE) return Fail(TWCC_SEQERROR);
    *handle = nullptr;
    g_state = 7;
    if (g_config.cancel == "during") return TWRC_CANCEL;
    if (g_config.fail == "xfer") {
        g_state = 6;
        return Fail(TWCC_OPERATIONERROR);
    }
    if (g_config.fail == "nullhandle") return TWRC_XFERDONE;
    const int colors = g_bitDepth <= 8 ? 1 << g_bitDepth : 0;
    const int stride = ((kSourceWidth * g_bitDepth + 31) / 32) * 4;
    const size_t size = sizeof(BITMAPINFOHEADER) + 4 * colors + static_cast<size_t>(stride) * kSourceHeight;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
    h->biSize = sizeof *h;
    h->biWidth = kSourceWidth;
    h->biHeight = kSourceHeight;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(g_bitDepth);
    h->biClrUsed = colors;
    h->biXPelsPerMeter = h->biYPelsPerMeter = (g_resolution * 10000 + 127) / 254;
    auto* table = reinterpret_cast<RGBQUAD*>(p + sizeof *h);
    for (int i = 0; i < colors; ++i) {
        unsigned char rgb[3];
        if (g_pixelType == TWPT_BW)
            rgb[0] = rgb[1] = rgb[2] = i ? 0 : 255;
        else if (g_pixelType == TWPT_GRAY)
            rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(i);
        else
            SourcePaletteColor(i, rgb);
        table[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    }
    unsigned char* bits = p + sizeof *h + 4 * colors;
    for (int y = 0; y < kSourceHeight; ++y) {
        unsigned char* row = bits + static_cast<size_t>(kSourceHeight - 1 - y) * stride;
        MakeRow(g_page, y, row);
        if (g_bitDepth == 24)
            for (int x = 0; x < kSourceWidth; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    GlobalUnlock(block);
    *handle = block;
    return TWRC_XFERDONE;
}

TW_UINT16 Memory(TW_IMAGEMEMXFER* x) {
    if (g_state != 6 && g_state != 7) return Fail(TWCC_SEQERROR);
    if (g_xferMech != TWSX_MEMORY) return Fail(TWCC_SEQERROR);
    if (!(x->Memory.Flags & TWMF_APPOWNS) || !(x->Memory.Flags & TWMF_POINTER) || !x->Memory.TheMem)
        return Fail(TWCC_BADVALUE);
    if (g_config.fail == "xfer") return Fail(TWCC_OPERATIONERROR);
    g_state = 7;
    ++g_strip;
    if (g_config.cancel == "during" && g_strip == 2) return TWRC_CANCEL;
    // Strips of at most 5 rows, each row padded with 3 bytes of noise.
    const TW_UINT32 stride = RowBytes() + 3;
    const int rows = std::min<int>({5, kSourceHeight - g_nextRow, static_cast<int>(x->Memory.Length / stride)});
    if (rows <= 0) return Fail(TWCC_LOWMEMORY);
    auto* mem = static_cast<unsigned char*>(x->Memory.TheMem);
    for (int i = 0; i < rows; ++i) {
        MakeRow(g_page, g_nextRow + i, mem + stride * i);
        std::memset(mem + stride * i + RowBytes(), 0xA5, 3);
    }
    x->Compression = g_config.fail == "compressed" ? 1 : 0;
    x->BytesPerRow = stride;
    x->Columns = kSourceWidth;
    x->Rows = rows;
    x->XOffset = 0;
    x->YOffset = g_config.fail == "badstrip" ? kSourceHeight + 1000 : g_nextRow;
    x->BytesWritten = stride * rows;
    g_nextRow += rows;
    return g_nextRow >= kSourceHeight ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 Palette(TW_PALETTE8* palette) {
    if (g_state < 6 || g_pixelType != TWPT_PALETTE) return Fail(TWCC_SEQERROR);
    palette->NumColors = 256;
    palette->PaletteType = TWPA_RGB;
    for (int i = 0; i < 256; ++i) {
        unsigned char rgb[3];
        // Listed from the last slot, so the slots are taken from Index.
        int slot = 255 - i;
        SourcePaletteColor(slot, rgb);
        palette->Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(slot), rgb[0], rgb[1], rgb[2]};
    }
    return TWRC_SUCCESS;
}

TW_UINT16 Pending(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
    if (msg == MSG_ENDXFER) {
        if (g_state != 6 && g_state != 7) return Fail(TWCC_SEQERROR);
        ++g_page;
        --g_pagesLeft;
        g_nextRow = 0;
        g_strip = 0;
    } else if (msg == MSG_RESET) {
        if (g_state != 6) return Fail(TWCC_SEQERROR);
        g_pagesLeft = 0;
    } else {
        return Fail(TWCC_BADPROTOCOL);
    }
    pending->Count = static_cast<TW_UINT16>(g_pagesLeft);
    g_state = g_pagesLeft > 0 ? 6 : 5;
    return TWRC_SUCCESS;
}

void Wake() {
    if (g_parent)
        PostMessageA(g_parent, WM_NULL, 0, 0);
    else
        PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

TW_UINT16 UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui) {
    if (msg == MSG_ENABLEDS) {
        if (g_state != 4) return Fail(TWCC_SEQERROR);
        g_config = ReadConfig();
        g_state = 5;
        g_parent = static_cast<HWND>(ui->hParent);
        g_page = 0;
        g_pagesLeft = g_xferCount > 0 ? std::min(g_xferCount, g_config.pages) : g_config.pages;
        g_signal = !g_config.silent;
        if (g_signal) Wake();
        return TWRC_SUCCESS;
    }
    if (msg == MSG_DISABLEDS) {
        if (g_state != 5) return Fail(TWCC_SEQERROR);
        g_state = 4;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 Event(TW_EVENT* event) {
    event->TWMessage = MSG_NULL;
    if (g_state < 5) return Fail(TWCC_SEQERROR);
    if (!g_signal || g_state != 5) return TWRC_NOTDSEVENT;
    g_signal = false;
    if (g_config.cancel == "before" || g_pagesLeft <= 0) {
        event->TWMessage = MSG_CLOSEDSREQ;
    } else {
        event->TWMessage = MSG_XFERREADY;
        g_state = 6;
    }
    return TWRC_DSEVENT;
}

TW_UINT16 Control(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    switch (dat) {
        case DAT_IDENTITY:
            if (msg == MSG_GET) {
                FillIdentity(static_cast<TW_IDENTITY*>(data));
                return TWRC_SUCCESS;
            }
            if (msg == MSG_OPENDS) {
                if (g_state != 3) return Fail(TWCC_SEQERROR);
                g_config = ReadConfig();
                if (origin) g_protocol = origin->ProtocolMajor << 16 | origin->ProtocolMinor;
                if (g_config.fail == "open") return Fail(TWCC_MAXCONNECTIONS);
                g_state = 4;
                g_pixelType = TWPT_RGB;
                g_bitDepth = 24;
                g_xferCount = -1;
                g_xferMech = TWSX_NATIVE;
                g_resolution = kSourceResolution;
                Report(false);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_CLOSEDS) {
                if (g_state != 4) return Fail(TWCC_SEQERROR);
                g_state = 3;
                Report(true);
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        case DAT_STATUS: {
            auto* status = static_cast<TW_STATUS*>(data);
            status->ConditionCode = g_condition;
            status->Reserved = 0;
            g_condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        case DAT_CAPABILITY:
            return Capability(msg, static_cast<TW_CAPABILITY*>(data));
        case DAT_USERINTERFACE:
            return UserInterface(msg, static_cast<TW_USERINTERFACE*>(data));
        case DAT_EVENT:
            return Event(static_cast<TW_EVENT*>(data));
        case DAT_PENDINGXFERS:
            return Pending(msg, static_cast<TW_PENDINGXFERS*>(data));
        case DAT_SETUPMEMXFER: {
            if (g_state < 4) return Fail(TWCC_SEQERROR);
            auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
            // A small preferred size: several strips a page.
            setup->MinBufSize = RowBytes() + 3;
            setup->MaxBufSize = 65536;
            setup->Preferred = (RowBytes() + 3) * 5;
            return TWRC_SUCCESS;
        }
        default:
            return Fail(TWCC_BADPROTOCOL);
    }
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI
    DS_Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (!data && !(group == DG_CONTROL && dat == DAT_IDENTITY)) return Fail(TWCC_BADVALUE);
    TW_UINT16 rc;
    if (group == DG_CONTROL) {
        rc = Control(origin, dat, msg, data);
    } else if (group == DG_IMAGE) {
        switch (dat) {
            case DAT_IMAGEINFO:
                rc = ImageInfo(static_cast<TW_IMAGEINFO*>(data));
                break;
            case DAT_IMAGELAYOUT:
                rc = Layout(msg, static_cast<TW_IMAGELAYOUT*>(data));
                break;
            case DAT_IMAGENATIVEXFER:
                rc = Native(static_cast<TW_HANDLE*>(data));
                break;
            case DAT_IMAGEMEMXFER:
                rc = Memory(static_cast<TW_IMAGEMEMXFER*>(data));
                break;
            case DAT_PALETTE8:
                rc = Palette(static_cast<TW_PALETTE8*>(data));
                break;
            default:
                rc = Fail(TWCC_BADPROTOCOL);
                break;
        }
    } else {
        rc = Fail(TWCC_BADPROTOCOL);
    }
    if (g_state != 3) Report(false);
    return rc;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
