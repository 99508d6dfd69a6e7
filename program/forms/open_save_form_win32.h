// The save-slot dialog: the user picks one of the eight slots to save to or
// restore from; the slot is remembered and stored as DefaultSlot at the end.
#pragma once

#include "forms/skinned_dialog_win32.h"
#include "forms/slot_choice.h"

class TBitmapButton;
class TCaptionBarPlus;

class TOpenSaveForm : public TSkinnedDialog {
public:
    explicit TOpenSaveForm(TComponent* owner);
    ~TOpenSaveForm() override;

    // 0 cancel, 1 no, 2 a slot was chosen (SlotChoice::Result).
    int DialogResult() const { return choice_.DialogResult(); }
    int Slot() const { return choice_.Slot(); }
    void SetSlot(int slot) { choice_.SetSlot(slot); }

    TBitmapButton* BitmapButton[SlotCount] = {};
    TBitmapButton *No = nullptr, *Cancel = nullptr, *bHelp = nullptr, *bCancel = nullptr;
    TCaptionBarPlus* CaptionBarPlus = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void FormDestroy(TObject* sender);
    void ButtonsClick(TObject* sender);
    void NoClick(TObject* sender);
    void CancelClick(TObject* sender);
    void bHelpClick(TObject* sender);

private:
    SlotChoice choice_;
};

extern TOpenSaveForm* OpenSaveForm;
