// The printer object over the Windows spooler, and the print set-up dialog.
#include "printers.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstring>

namespace {
TPrinter* thePrinter = nullptr;

std::string DefaultPrinterName() {
    char name[512];
    DWORD size = sizeof name;
    if (GetDefaultPrinterA(name, &size)) return name;
    return std::string();
}
}  // namespace

TPrinter* Printer() {
    if (!thePrinter) thePrinter = new TPrinter;
    return thePrinter;
}

void FreePrinter() {
    delete thePrinter;
    thePrinter = nullptr;
}

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    if (printing_) Abort();
    canvas_.reset();
    if (dc_) DeleteDC(dc_);
}

void TPrinter::Load() {
    if (loaded_) return;
    loaded_ = true;
    printers_.clear();
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed,
                       &count))
        return;
    auto* info = reinterpret_cast<PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) printers_.emplace_back(info[i].pPrinterName);
}

const std::vector<std::string>& TPrinter::Printers() {
    Load();
    return printers_;
}

int TPrinter::PrinterIndex() {
    Load();
    if (index_ >= 0) return index_;
    std::string def = DefaultPrinterName();
    for (size_t i = 0; i < printers_.size(); ++i)
        if (printers_[i] == def) return static_cast<int>(i);
    return printers_.empty() ? -1 : 0;
}

void TPrinter::SetPrinterIndex(int index) {
    if (printing_) throw EPrinter("Printing in progress");
    Load();
    if (index < -1 || index >= static_cast<int>(printers_.size())) throw EPrinter("Printer selected is not valid");
    index_ = index;
    devMode_.clear();
    ResetDC();
}

std::string TPrinter::PrinterName() {
    int i = PrinterIndex();
    return i >= 0 ? printers_[i] : std::string();
}

void TPrinter::ResetDC() {
    if (dc_ && !printing_) {
        canvas_.reset();
        DeleteDC(dc_);
        dc_ = nullptr;
    }
}

HDC TPrinter::CreatePrinterDC(bool info) {
    std::string name = PrinterName();
    if (name.empty()) throw EPrinter("There is no default printer currently selected");
    if (devMode_.empty()) {
        HANDLE h;
        if (OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) {
            LONG size = DocumentPropertiesA(nullptr, h, const_cast<char*>(name.c_str()), nullptr, nullptr, 0);
            if (size > 0) {
                devMode_.resize(size);
                if (DocumentPropertiesA(nullptr, h, const_cast<char*>(name.c_str()),
                                        reinterpret_cast<DEVMODEA*>(devMode_.data()), nullptr, DM_OUT_BUFFER) < 0)
                    devMode_.clear();
            }
            ClosePrinter(h);
        }
    }
    auto* dm = devMode_.empty() ? nullptr : reinterpret_cast<DEVMODEA*>(devMode_.data());
    HDC dc = info ? CreateICA("WINSPOOL", name.c_str(), nullptr, dm) : CreateDCA("WINSPOOL", name.c_str(), nullptr, dm);
    if (!dc) throw EPrinter("Printer selected is not valid");
    return dc;
}

HDC TPrinter::Handle() {
    if (!dc_) {
        dc_ = CreatePrinterDC(true);
        infoDC_ = true;
    }
    return dc_;
}

TCanvas* TPrinter::Canvas() {
    if (!canvas_) NewCanvas();
    if (!canvas_->HandleAllocated()) canvas_->SetHandle(Handle());
    return canvas_.get();
}

void TPrinter::NewCanvas() {
    canvas_ = std::make_unique<TCanvas>();
    // Point sizes on this canvas are the printer's: its fonts are measured at its resolution.
    canvas_->Font()->SetPixelsPerInch(GetDeviceCaps(Handle(), LOGPIXELSY));
}

int TPrinter::PageWidth() { return GetDeviceCaps(Handle(), HORZRES); }
int TPrinter::PageHeight() { return GetDeviceCaps(Handle(), VERTRES); }

TPrinterOrientation TPrinter::Orientation() {
    Handle();
    if (devMode_.empty()) return poPortrait;
    return reinterpret_cast<DEVMODEA*>(devMode_.data())->dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation o) {
    if (printing_) throw EPrinter("Printing in progress");
    Handle();
    if (devMode_.empty()) return;
    auto* dm = reinterpret_cast<DEVMODEA*>(devMode_.data());
    dm->dmOrientation = o == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    dm->dmFields |= DM_ORIENTATION;
    ResetDC();
}

void TPrinter::BeginDoc() {
    if (printing_) throw EPrinter("Printing in progress");
    ResetDC();
    dc_ = CreatePrinterDC(false);
    infoDC_ = false;
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title_.c_str();
    if (StartDocA(dc_, &doc) <= 0 || StartPage(dc_) <= 0) {
        DeleteDC(dc_);
        dc_ = nullptr;
        throw EPrinter("Cannot start printing");
    }
    printing_ = true;
    aborted_ = false;
    pageNumber_ = 1;
    NewCanvas();
    canvas_->SetHandle(dc_);
}

void TPrinter::NewPage() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    canvas_->SetHandle(nullptr);
    EndPage(dc_);
    StartPage(dc_);
    ++pageNumber_;
    canvas_->SetHandle(dc_);
}

void TPrinter::EndDoc() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    canvas_.reset();
    EndPage(dc_);
    ::EndDoc(dc_);
    DeleteDC(dc_);
    dc_ = nullptr;
    printing_ = false;
    pageNumber_ = 0;
}

void TPrinter::Abort() {
    if (!printing_) return;
    canvas_.reset();
    AbortDoc(dc_);
    DeleteDC(dc_);
    dc_ = nullptr;
    printing_ = false;
    aborted_ = true;
}

void TPrinter::GetPrinterSettings(HGLOBAL& devMode, HGLOBAL& devNames) {
    Handle();
    devMode = nullptr;
    devNames = nullptr;
    if (!devMode_.empty()) {
        devMode = GlobalAlloc(GMEM_MOVEABLE, devMode_.size());
        std::memcpy(GlobalLock(devMode), devMode_.data(), devMode_.size());
        GlobalUnlock(devMode);
    }
    std::string name = PrinterName();
    const char* driver = "winspool";
    size_t size = sizeof(DEVNAMES) + std::strlen(driver) + 1 + name.size() + 1 + 1;
    devNames = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(devNames));
    char* text = reinterpret_cast<char*>(dn);
    WORD at = sizeof(DEVNAMES);
    dn->wDriverOffset = at;
    std::strcpy(text + at, driver);
    at += static_cast<WORD>(std::strlen(driver) + 1);
    dn->wDeviceOffset = at;
    std::strcpy(text + at, name.c_str());
    at += static_cast<WORD>(name.size() + 1);
    dn->wOutputOffset = at;
    dn->wDefault = 0;
    GlobalUnlock(devNames);
}

void TPrinter::SetPrinterSettings(HGLOBAL devMode, HGLOBAL devNames) {
    if (printing_) throw EPrinter("Printing in progress");
    std::string device;
    if (devNames) {
        auto* dn = static_cast<DEVNAMES*>(GlobalLock(devNames));
        if (dn) device = reinterpret_cast<const char*>(dn) + dn->wDeviceOffset;
        GlobalUnlock(devNames);
        GlobalFree(devNames);
    }
    std::vector<BYTE> mode;
    if (devMode) {
        auto* dm = static_cast<BYTE*>(GlobalLock(devMode));
        if (dm) mode.assign(dm, dm + GlobalSize(devMode));
        GlobalUnlock(devMode);
        GlobalFree(devMode);
    }
    loaded_ = false;
    Load();
    for (size_t i = 0; i < printers_.size(); ++i)
        if (printers_[i] == device) index_ = static_cast<int>(i);
    devMode_ = mode;
    ResetDC();
}

bool TPrinterSetupDialog::Execute() {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = GetActiveWindow();
    Printer()->GetPrinterSettings(pd.hDevMode, pd.hDevNames);
    pd.Flags = PD_PRINTSETUP;
    if (PrintDlgA(&pd)) {
        Printer()->SetPrinterSettings(pd.hDevMode, pd.hDevNames);
        return true;
    }
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    return false;
}
