// The printer: the current printer, its print job and page canvas, and the
// print set-up dialog.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics.h"

class EPrinter : public Exception {
    using Exception::Exception;
};

enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter : public TObject {
public:
    TPrinter();
    ~TPrinter() override;

    // Names of the installed printers.
    const std::vector<std::string>& Printers();
    // Index into Printers(); -1 selects the default printer.
    int PrinterIndex();
    void SetPrinterIndex(int index);
    // Name of the current printer ("" when there is none).
    std::string PrinterName();
    // The current printer's device settings as global memory (DEVMODE and
    // DEVNAMES), for the set-up dialog; SetPrinterSettings takes them over.
    void GetPrinterSettings(HGLOBAL& devMode, HGLOBAL& devNames);
    void SetPrinterSettings(HGLOBAL devMode, HGLOBAL devNames);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation o);

    // Raise EPrinter when there is no printer or the job cannot start.
    void BeginDoc();
    void EndDoc();
    void NewPage();
    void Abort();
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }
    int PageNumber() const { return pageNumber_; }

    // The page canvas (valid while printing) and its device context. Outside
    // a job the handle is an information context of the printer. The canvas's
    // font sizes are points at the printer's resolution.
    TCanvas* Canvas();
    HDC Handle();
    int PageWidth();
    int PageHeight();

private:
    void Load();
    void ResetDC();
    void NewCanvas();
    HDC CreatePrinterDC(bool info);
    std::vector<std::string> printers_;
    bool loaded_ = false;
    int index_ = -1;
    std::vector<BYTE> devMode_;  // settings of the current printer
    std::string title_;
    bool printing_ = false, aborted_ = false;
    int pageNumber_ = 0;
    HDC dc_ = nullptr;
    bool infoDC_ = false;
    std::unique_ptr<TCanvas> canvas_;
};

// The one printer object of the program, made on first use.
TPrinter* Printer();
// Frees it (FinalizeFramework does).
void FreePrinter();

// The system's print set-up dialog for the current printer.
class TPrinterSetupDialog : public TComponent {
public:
    explicit TPrinterSetupDialog(TComponent* owner) : TComponent(owner) {}
    // True when confirmed; the chosen printer becomes the current one.
    bool Execute();
};
