#include "forms/doll_print_form_win32.h"

#include "application.h"
#include "controls/bitmap_button.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/garment_components_win32.h"
#include "forms/print_dialogs_win32.h"
#include "settings/form_font.h"
#include "settings/settings.h"
#include "stdctrls.h"

TPCForm* PCForm = nullptr;

TPCForm::TPCForm(TComponent* owner) : TSkinnedDialog(owner, "TPCFORM") {
    PublishMethod("FormCreate", this, &TPCForm::FormCreate);
    PublishMethod("FormShow", this, &TPCForm::FormShow);
    PublishMethod("FormPaint", this, &TPCForm::FormPaint);
    PublishMethod("PrintClick", this, &TPCForm::PrintClick);
    PublishMethod("SetupPrintClick", this, &TPCForm::SetupPrintClick);
    PublishMethod("bHelpClick", this, &TPCForm::bHelpClick);
    PublishMethod("ExitClick", this, &TPCForm::ExitClick);
    BindField("NamePrinter", NamePrinter);
    BindField("Label11", Label11);
    BindField("Info", Info);
    BindField("bPrint", bPrint);
    BindField("bSetupPrint", bSetupPrint);
    BindField("bExit", bExit);
    BindField("bExit2", bExit2);
    BindField("bHelp", bHelp);
    BindField("lCaption", lCaption);
    BindField("FlyBitmap", FlyBitmap);
    PCForm = this;
}

TPCForm::~TPCForm() {
    if (PCForm == this) PCForm = nullptr;
}

void TPCForm::FormCreate(TObject*) {
    SetFormFont(*this, CaptionFontName);
    lCaption->SetCaption("Print the Doll");
    Label11->SetCaption("Printer");
    bSetupPrint->SetHint("Printer setup");
    bPrint->SetHint("Print");
    bExit->SetHint("Exit");
    bExit2->SetHint("Exit");
    bHelp->SetHint("Help");
}

void TPCForm::FormShow(TObject*) {
    Info->SetCaption("");
    CentreOverMainWindow(*this);
    ShowPrinterName(NamePrinter);
    HandOutSkin();
}

void TPCForm::FormPaint(TObject*) { PaintSkin(); }

void TPCForm::PrintClick(TObject*) {
    if (!Models) return;
    try {
        Models->PrintDoll(false);
    } catch (Exception& error) {
        Application->ShowException(error);
        return;
    }
    FlyNotice(FlyBitmap, *this, NoticeImage);
}

void TPCForm::SetupPrintClick(TObject*) { RunPrinterSetup(NamePrinter); }

void TPCForm::bHelpClick(TObject*) { ShowHelpModal("key_print_d"); }

void TPCForm::ExitClick(TObject*) { Close(); }
