#include "forms/open_save_form_win32.h"

#include "application.h"
#include "controls/bitmap_button.h"
#include "controls/caption_bar_plus_win32.h"
#include "forms/help_form_win32.h"
#include "settings/form_font.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

TOpenSaveForm* OpenSaveForm = nullptr;

TOpenSaveForm::TOpenSaveForm(TComponent* owner) : TSkinnedDialog(owner, "TOPENSAVEFORM") {
    PublishMethod("FormCreate", this, &TOpenSaveForm::FormCreate);
    PublishMethod("FormShow", this, &TOpenSaveForm::FormShow);
    PublishMethod("FormPaint", this, &TOpenSaveForm::FormPaint);
    PublishMethod("FormDestroy", this, &TOpenSaveForm::FormDestroy);
    PublishMethod("ButtonsClick", this, &TOpenSaveForm::ButtonsClick);
    PublishMethod("NoClick", this, &TOpenSaveForm::NoClick);
    PublishMethod("CancelClick", this, &TOpenSaveForm::CancelClick);
    PublishMethod("bHelpClick", this, &TOpenSaveForm::bHelpClick);
    for (int i = 0; i < SlotCount; ++i) BindField("BitmapButton" + std::to_string(i + 1), BitmapButton[i]);
    BindField("No", No);
    BindField("Cancel", Cancel);
    BindField("bHelp", bHelp);
    BindField("bCancel", bCancel);
    BindField("CaptionBarPlus", CaptionBarPlus);
    OpenSaveForm = this;
}

TOpenSaveForm::~TOpenSaveForm() {
    if (OpenSaveForm == this) OpenSaveForm = nullptr;
}

void TOpenSaveForm::FormCreate(TObject*) {
    for (int i = 0; i < SlotCount; ++i) BitmapButton[i]->SetHint("Record " + std::to_string(i + 1));
    No->SetHint("Not");
    Cancel->SetHint("Cancel");
    bHelp->SetHint("Help");
    bCancel->SetHint("Cancel");
    SetFormFont(*this, CaptionFontName);
}

void TOpenSaveForm::FormShow(TObject*) {
    choice_.Shown();
    HandOutSkin();
    for (TBitmapButton* button : BitmapButton) button->SetState(choice_.ButtonState(button->Tag()));
}

void TOpenSaveForm::FormPaint(TObject*) { PaintSkin(); }

void TOpenSaveForm::ButtonsClick(TObject* sender) {
    if (auto* button = dynamic_cast<TBitmapButton*>(sender)) choice_.Choose(button->Tag());
    Close();
}

void TOpenSaveForm::NoClick(TObject*) {
    choice_.No();
    Close();
}

void TOpenSaveForm::CancelClick(TObject*) { Close(); }

void TOpenSaveForm::bHelpClick(TObject*) {
    if (!HelpForm) return;
    Application->SetShowHint(false);
    HelpForm->ShowHelpTopic("key_opsvform");
    HelpForm->ShowModal();
    Application->SetShowHint(true);
}

void TOpenSaveForm::FormDestroy(TObject*) {
    // Written only here, at the program's end: until then the next start
    // still counts as a first run.
    RegistryWriter registry;
    registry.OpenKey(RegRoot::CurrentUser, std::string("\\") + ProgramKey);
    registry.WriteString("DefaultSlot", std::to_string(choice_.Slot()));
}
