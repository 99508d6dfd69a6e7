// What the main window asks of the previews, the pattern view and the two
// print forms. None of them is on the window yet: there are no previews, the
// pattern view is never visible, and the print buttons say there is nothing
// to print.
#include "controls/fly_bitmap_win32.h"
#include "controls/garment_components_win32.h"
#include "forms/about_box_win32.h"
#include "forms/help_form_win32.h"
#include "forms/open_save_form_win32.h"
#include "forms/view_form_win32.h"

void TViewForm::BindViewFields() {}
void TViewForm::WireParts() {}

void TViewForm::HandOutDialogSkins() {
    HelpForm->SkinImage = Resource, HelpForm->SkinX = 0, HelpForm->SkinY = 0;
    OpenSaveForm->SkinImage = Resource, OpenSaveForm->SkinX = 840, OpenSaveForm->SkinY = 0;
}

void TViewForm::SetDialogCaptions() {
    for (TForm* dialog : std::initializer_list<TForm*>{AboutBox, HelpForm, OpenSaveForm})
        if (dialog) dialog->SetCaption(Caption());
}

TModelView* TViewForm::AsView(TObject*) { return nullptr; }
TClassModels* TViewForm::ViewCategory(TModelView*) { return nullptr; }
void TViewForm::ViewSetDragCursor(TModelView*, TCursor) {}
void TViewForm::ViewMarkDragged(TModelView*) {}
void TViewForm::ViewClickAt(TModelView*, int, int) {}
void TViewForm::ViewUpdateMenu(TModelView*) {}
void TViewForm::ViewFillAt(TModelView*, int, int) {}
void TViewForm::SetViewHint(TModelView*, const std::string&) {}
void TViewForm::InvalidateView(TModelView*) {}
void TViewForm::SetViewVisible(TModelView*, bool) {}
bool TViewForm::ViewVisible(TModelView*) { return false; }
TModelView* TViewForm::ViewOf(TClassModels*) { return nullptr; }
int TViewForm::ViewIndex(TModelView*) { return -1; }
void TViewForm::SetUpViews(TRegIniFileM&, const std::string&) {}
void TViewForm::SaveViews(TRegIniFileM&, const std::string&) {}
void TViewForm::ReleaseViews() {}
void TViewForm::ShowFillAt(int, int) {}
void TViewForm::InvalidateShow() {}
bool TViewForm::IsPatternViewVisible() { return false; }
void TViewForm::LoadDescription() {}
void TViewForm::ShowPatternPrint() { FlyBitmapV->SetFlyEnabled(true); }
void TViewForm::ShowDollPrint() { FlyBitmapD->SetFlyEnabled(true); }
void TViewForm::LoadMeasurements(TRegIniFileM&, const std::string&) {}
void TViewForm::SaveMeasurements(TRegIniFileM&, const std::string&) {}
int TViewForm::ModelAreaWidth() { return 239; }
int TViewForm::ModelAreaHeight() { return 212; }
