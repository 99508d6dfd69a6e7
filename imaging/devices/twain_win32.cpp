// TWAIN acquisition: the source manager and a source opened for one call,
// source selection and enumeration, and the acquisition's wait for the
// source.
#include <cstring>

#include "devices/twain_connection.h"
#include "devices/twain_log.h"

namespace {

TwainProperties MakeDefaults() {
    TwainProperties p{};
    p.nMaxPages = p.nPixelType = p.nBits = p.nRes = -1;
    p.nXPos = p.nYPos = p.nWidth = p.nHeight = -1;
    return p;
}

void CopyText(char* target, const char* source) { lstrcpynA(target, source, sizeof(TW_STR32)); }

int OpenDSM(TwainConnection* c, HWND hwnd) {
    TwainLog("OpenDSM(" TWAIN_PTR ", " TWAIN_HWND ")\n", c, hwnd);
    // The source manager of this process's width: TWAIN_32.DLL in the
    // Windows folder is a 32-bit DLL; 64-bit Windows (Wine) keeps the 64-bit
    // manager under the same name in the system folder.
    char path[MAX_PATH + 16];
#ifdef _WIN64
    UINT folder = GetSystemDirectoryA(path, MAX_PATH);
#else
    UINT folder = GetWindowsDirectoryA(path, MAX_PATH);
#endif
    int result = K_ERR_TWAIN_NONE;
    if (folder > 0 && folder < MAX_PATH) {
        lstrcatA(path, "\\TWAIN_32.DLL");
        UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        c->module = LoadLibraryA(path);
        SetErrorMode(mode);
    }
    if (c->module)
        c->entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(c->module, "DSM_Entry")));
    if (c->module && c->entry) {
        const TwainProperties& d = TwainDefaults();
        std::memset(&c->app, 0, sizeof c->app);
        c->app.Version.Language = 13;
        c->app.Version.Country = 13;
        c->app.ProtocolMajor = TWON_PROTOCOLMAJOR;
        c->app.ProtocolMinor = TWON_PROTOCOLMINOR;
        c->app.SupportedGroups = DG_MASK_SUPPORTED;
        CopyText(c->app.Manufacturer, d.AppManufacturer);
        CopyText(c->app.ProductFamily, d.AppProdFamily);
        CopyText(c->app.ProductName, d.AppProdName);
        HWND parent = hwnd;
        if (c->Call(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent, false) == TWRC_SUCCESS)
            result = K_OK;
        else
            result = TranslateTwainError(c, false);
    }
    if (result != K_OK && c->module) {
        FreeLibrary(c->module);
        c->module = nullptr;
        c->entry = nullptr;
    }
    TwainLog("OpenDSM returns %d\n", result);
    return result;
}

int CloseDSM(TwainConnection* c, HWND hwnd) {
    TwainLog("CloseDSM(" TWAIN_PTR ", " TWAIN_HWND ")\n", c, hwnd);
    HWND parent = hwnd;
    int result = K_OK;
    if (c->Call(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent, false) == TWRC_SUCCESS) {
        FreeLibrary(c->module);
        c->module = nullptr;
    } else {
        result = TranslateTwainError(c, false);
    }
    TwainLog("CloseDSM returns %d\n", result);
    return result;
}

// Finds the source of a product name (compared without case) into
// c->source; -82 at the end of the list.
int FindSource(TwainConnection* c, const char* name) {
    TW_UINT16 rc = c->Call(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &c->source, false);
    while (rc == TWRC_SUCCESS && lstrcmpiA(c->source.ProductName, name) != 0)
        rc = c->Call(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &c->source, false);
    if (rc == TWRC_SUCCESS) return K_OK;
    return rc == TWRC_ENDOFLIST ? K_ERR_TWAIN_NODS : TranslateTwainError(c, false);
}

int OpenDS(TwainConnection* c) {
    TwainLog("OpenDS(" TWAIN_PTR ")\n", c);
    const TwainProperties& d = TwainDefaults();
    int result = K_OK;
    std::memset(&c->source, 0, sizeof c->source);
    if (d.SourceName[0]) result = FindSource(c, d.SourceName);
    if (result == K_OK) {
        // The manager's default source, by its identity where the manager
        // gives it: Wine's manager opens a source without a name but does
        // not fill the name in.
        if (!d.SourceName[0] && c->Call(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &c->source, false) != TWRC_SUCCESS) {
            c->source.ProductName[0] = '\0';
            c->source.Id = 0;
        }
        if (c->Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &c->source, false) != TWRC_SUCCESS)
            result = TranslateTwainError(c, false);
    }
    if (result == K_OK) SetCapability(c, CAP_INDICATORS, TWTY_BOOL, (c->flags & K_TWAIN_INDICATORS) ? 1 : 0);
    TwainLog("OpenDS returns %d\n", result);
    return result;
}

int CloseDS(TwainConnection* c) {
    TwainLog("CloseDS(" TWAIN_PTR ")\n", c);
    int result = c->Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &c->source, false) == TWRC_SUCCESS
                     ? K_OK
                     : TranslateTwainError(c, false);
    TwainLog("CloseDS returns %d\n", result);
    return result;
}

int EnableDS(TwainConnection* c, HWND hwnd) {
    TwainLog("EnableDS(" TWAIN_PTR ", " TWAIN_HWND ")\n", c, hwnd);
    TW_USERINTERFACE ui{};
    ui.ShowUI = (c->flags & K_TWAIN_SHOW_UI) ? 1 : 0;
    ui.hParent = hwnd;
    int result =
        c->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS ? K_OK : TranslateTwainError(c, true);
    TwainLog("EnableDS returns %d\n", result);
    return result;
}

int DisableDS(TwainConnection* c, HWND hwnd) {
    TwainLog("DisableDS(" TWAIN_PTR ", " TWAIN_HWND ")\n", c, hwnd);
    TW_USERINTERFACE ui{};
    ui.hParent = hwnd;
    int result = c->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) == TWRC_SUCCESS
                     ? K_OK
                     : TranslateTwainError(c, true);
    TwainLog("DisableDS returns %d\n", result);
    return result;
}

// Hands every message to the source until it has a transfer ready (true)
// or asks to be closed (false). A WM_QUIT that ends the wait is posted
// again, so that the caller's own loop still sees it.
bool TwainWait(TwainConnection* c) {
    TwainLog("TwainWait(" TWAIN_PTR ")\n", c);
    bool ready = false;
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        TW_EVENT event{&msg, MSG_NULL};
        if (c->Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (event.TWMessage == MSG_XFERREADY) {
            ready = true;
            break;
        }
        if (event.TWMessage == MSG_CLOSEDSREQ) break;
    }
    TwainLog("TwainWait returns %s\n", ready ? "TRUE" : "FALSE");
    return ready;
}

}  // namespace

TwainProperties& TwainDefaults() {
    static TwainProperties defaults = MakeDefaults();
    return defaults;
}

int TranslateTwainError(TwainConnection* c, bool fromSource) {
    TwainLog("TranslateTwainError(" TWAIN_PTR ")\n", c);
    TW_STATUS status{};
    TW_UINT16 rc = c->Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status, fromSource);
    TwainLog("Twain return: DG_STATUS, DAT_STATUS, MSG_GET, rc = %u\n", rc);
    int result = K_ERR_TWAIN;
    if (rc == TWRC_SUCCESS) {
        switch (status.ConditionCode) {
            case TWCC_LOWMEMORY:
                result = K_ERR_TWAIN_LOWMEM;
                break;
            case TWCC_NODS:
                result = K_ERR_TWAIN_NODS;
                break;
            case TWCC_MAXCONNECTIONS:
                result = K_ERR_TWAIN_MAXCONN;
                break;
            case TWCC_OPERATIONERROR:
                result = K_ERR_TWAIN_OPERR;
                break;
            case TWCC_BADCAP:
                result = K_ERR_TWAIN_BADCAP;
                break;
            case TWCC_BADPROTOCOL:
                result = K_ERR_TWAIN_PROTO;
                break;
            case TWCC_BADVALUE:
                result = K_ERR_TWAIN_VALUE;
                break;
            case TWCC_SEQERROR:
                result = K_ERR_TWAIN_SEQ;
                break;
            case TWCC_BADDEST:
                result = K_ERR_TWAIN_DEST;
                break;
            default:
                break;
        }
    }
    TwainLog("TranslateTwainError returns %d\n", result);
    return result;
}

extern "C" int KAPI K_TwainAcquireExt(HWND hwnd, BitmapRecord* bitmap, int flags, TwainPageCallback callback,
                                      void* userData) {
    TwainLog("K_TwainAcquireExt(" TWAIN_HWND ", " TWAIN_PTR ", %X, " TWAIN_PTR ", " TWAIN_PTR ")\n", hwnd, bitmap,
             flags, callback, userData);
    int result;
    if (!bitmap) {
        result = K_ERR_ARGUMENT;
    } else {
        TwainConnection c;
        TwainProperties properties = TwainDefaults();
        c.flags = flags;
        c.callback = callback;
        c.userData = userData;
        result = OpenDSM(&c, hwnd);
        if (result == K_OK) {
            result = OpenDS(&c);
            if (result != K_OK) result = OpenDS(&c);
            if (result != K_OK) {
                CloseDSM(&c, hwnd);
            } else {
                NegotiateCaps(&c, &properties, false);
                result = EnableDS(&c, hwnd);
                if (result == K_OK) result = TwainWait(&c) ? TransferImage(&c, bitmap) : K_ERR_TWAIN_CANCEL;
                DisableDS(&c, hwnd);
                CloseDS(&c);
                CloseDSM(&c, hwnd);
            }
        }
    }
    TwainLog("K_TwainAcquireExt returns %d\n", result);
    return result;
}

extern "C" int KAPI K_TwainAcquire(HWND hwnd, BitmapRecord* bitmap) {
    TwainLog("K_TwainAcquire(" TWAIN_HWND ", " TWAIN_PTR ")\n", hwnd, bitmap);
    int result = K_TwainAcquireExt(hwnd, bitmap, K_TWAIN_SHOW_UI | K_TWAIN_INDICATORS, nullptr, nullptr);
    TwainLog("K_TwainAcquire returns %d\n", result);
    return result;
}

extern "C" int KAPI K_TwainSelect(HWND hwnd) {
    TwainLog("K_TwainSelect(" TWAIN_HWND ")\n", hwnd);
    TwainConnection c;
    int result = OpenDSM(&c, hwnd);
    if (result == K_OK) {
        const TwainProperties& d = TwainDefaults();
        std::memset(&c.source, 0, sizeof c.source);
        if (d.SourceName[0]) {
            TwainLog("SelectDSNotDef(" TWAIN_PTR ")\n", &c);
            result = FindSource(&c, d.SourceName);
        } else {
            TwainLog("SelectDS(" TWAIN_PTR ")\n", &c);
            if (c.Call(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &c.source, false) != TWRC_SUCCESS)
                result = TranslateTwainError(&c, false);
        }
        if (result == K_OK) {
            TW_UINT16 rc = c.Call(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &c.source, false);
            result = rc == TWRC_SUCCESS  ? K_OK
                     : rc == TWRC_CANCEL ? K_ERR_TWAIN_CANCEL
                                         : TranslateTwainError(&c, false);
        }
        TwainLog(d.SourceName[0] ? "SelectDSNotDef returns %d\n" : "SelectDS returns %d\n", result);
        CloseDSM(&c, hwnd);
    }
    TwainLog("K_TwainSelect returns %d\n", result);
    return result;
}

extern "C" int KAPI K_TwainSetProps(HWND hwnd, TwainProperties* properties) {
    TwainLog("K_TwainSetProps(" TWAIN_HWND ", " TWAIN_PTR ")\n", hwnd, properties);
    int result = K_OK;
    if (!properties) {
        TwainDefaults() = MakeDefaults();
    } else if (properties->nPixelType < -1 || properties->nPixelType > 3) {
        result = K_ERR_ARGUMENT;
    } else {
        TwainDefaults() = *properties;
        TwainConnection c;
        result = OpenDSM(&c, hwnd);
        if (result == K_OK) {
            result = OpenDS(&c);
            if (result == K_OK) {
                if (!properties->SourceName[0]) {
                    CopyText(properties->SourceName, c.source.ProductName);
                    CopyText(TwainDefaults().SourceName, c.source.ProductName);
                    TwainLog(" - prop source = %s\n", properties->SourceName);
                }
                NegotiateCaps(&c, properties, true);
                CloseDS(&c);
            }
            CloseDSM(&c, hwnd);
        }
    }
    TwainLog("K_TwainSetProps returns %d\n", result);
    return result;
}

extern "C" int KAPI K_TwainEnumSources(HWND hwnd, TwainSourceCallback callback, void* userData) {
    TwainLog("K_TwainEnumSources(" TWAIN_HWND ", " TWAIN_PTR ", " TWAIN_PTR ")\n", hwnd, callback, userData);
    TwainConnection c;
    int result = OpenDSM(&c, hwnd);
    if (result == K_OK) {
        TW_UINT16 rc = c.Call(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &c.source, false);
        if (rc == TWRC_ENDOFLIST) {
            result = K_OK;
        } else if (rc != TWRC_SUCCESS) {
            result = TranslateTwainError(&c, false);
        } else {
            for (;;) {
                TwainLog(" - enum source = %s\n", c.source.ProductName);
                if (callback) {
                    c.source.ProductName[sizeof(TW_STR32) - 1] = '\0';
                    result = callback(c.source.ProductName, lstrlenA(c.source.ProductName) + 1, userData);
                    if (result != K_OK) break;
                }
                rc = c.Call(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &c.source, false);
                if (rc != TWRC_SUCCESS) {
                    result = rc == TWRC_ENDOFLIST ? K_OK : 0;
                    break;
                }
            }
        }
        CloseDSM(&c, hwnd);
    }
    TwainLog("K_TwainEnumSources returns %d\n", result);
    return result;
}
