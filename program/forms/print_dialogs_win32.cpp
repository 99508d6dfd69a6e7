#include "forms/print_dialogs_win32.h"

#include "application.h"
#include "controls/fly_bitmap_win32.h"
#include "extctrls.h"
#include "controls/form_links.h"
#include "forms/help_form_win32.h"
#include "forms/print_setup_win32.h"
#include "printers.h"
#include "settings/settings.h"
#include "stdctrls.h"

void CentreOverMainWindow(TForm& form) {
    if (!MainViewerForm) return;
    TForm& main = *MainViewerForm;
    form.SetPosition(poDesigned);
    form.SetBounds(main.Left() + (main.Width() - form.Width()) / 2, main.Top() + (main.Height() - form.Height()) / 2,
                   form.Width(), form.Height());
}

void ShowPrinterName(TLabel* label) {
    if (label) label->SetCaption(Printer()->PrinterName());
}

void RunPrinterSetup(TLabel* printerName) {
    if (SharedPrintDialog().Execute()) ShowPrinterName(printerName);
}

void ShowHelpModal(const std::string& topic) {
    if (!HelpForm) return;
    Application->SetShowHint(false);
    HelpForm->ShowHelpTopic(topic);
    HelpForm->ShowModal();
    Application->SetShowHint(true);
}

void FlyNotice(TFlyBitmap* notice, TForm& form, TImage* picture) {
    if (!notice) return;
    if (!picture && MainViewerForm) picture = dynamic_cast<TImage*>(MainViewerForm->FindComponent("Letters"));
    notice->MainForm = &form;
    notice->OrgImage = picture;
    notice->SetFlyEnabled(true);
}
