// The doll print dialog: prints the dressed doll, front and back side by
// side with the worn garments' titles below, on the printer shared with the
// pattern print form.
#pragma once

#include "forms/skinned_dialog_win32.h"

class TBitmapButton;
class TCaptionBarPlus;
class TFlyBitmap;
class TLabel;
class TModels;

class TPCForm : public TSkinnedDialog {
public:
    explicit TPCForm(TComponent* owner);
    ~TPCForm() override;

    // Given by the main window: the doll panel, and optionally the notice
    // picture (else its "Letters").
    TModels* Models = nullptr;
    TImage* NoticeImage = nullptr;

    TLabel *NamePrinter = nullptr, *Label11 = nullptr, *Info = nullptr;
    TBitmapButton *bPrint = nullptr, *bSetupPrint = nullptr, *bExit = nullptr, *bExit2 = nullptr, *bHelp = nullptr;
    TCaptionBarPlus* lCaption = nullptr;
    TFlyBitmap* FlyBitmap = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void PrintClick(TObject* sender);
    void SetupPrintClick(TObject* sender);
    void bHelpClick(TObject* sender);
    void ExitClick(TObject* sender);
};

// The doll print form, once created; null before.
extern TPCForm* PCForm;
