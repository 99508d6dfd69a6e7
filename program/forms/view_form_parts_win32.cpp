// What the main window asks of the previews, the pattern view and the two
// print forms.
#include "controls/bitmap_button.h"
#include "controls/garment_components_win32.h"
#include "controls/garment_views_win32.h"
#include "extctrls.h"
#include "forms/about_box_win32.h"
#include "forms/doll_print_form_win32.h"
#include "forms/help_form_win32.h"
#include "forms/open_save_form_win32.h"
#include "forms/pattern_print_form_win32.h"
#include "forms/view_form_win32.h"
#include "rtf/rtf_view_win32.h"

namespace {
constexpr const char* kViewNames[TViewForm::ViewCount] = {"ModelViewWn", "ModelViewPl", "ModelViewBr", "ModelViewBl",
                                                          "ModelViewHl", "ModelViewYu", "ModelViewSh", "ModelViewTf"};
}  // namespace

void TViewForm::BindViewFields() {
    for (int i = 0; i < ViewCount; ++i) BindField(kViewNames[i], ModelView[i]);
    BindField("ModelShow", ModelShow);
    BindField("bHideModel1", bHideModel[0]);
    BindField("bHideModel2", bHideModel[1]);
    BindField("bHideModel3", bHideModel[2]);
    BindField("Parts", Parts);
}

void TViewForm::WireParts() {
    ShowHide->SetModelShow(ModelShow);
    for (TModelView* view : ModelView) view->DownImage = view->Parts ? FaseViewImage : Fon;
    ModelShow->OrgImage = FaseWindowImage;
}

void TViewForm::HandOutDialogSkins() {
    HelpForm->SkinImage = Resource, HelpForm->SkinX = 0, HelpForm->SkinY = 0;
    SForm->SkinImage = Resource, SForm->SkinX = 435, SForm->SkinY = 0;
    PCForm->SkinImage = Resource, PCForm->SkinX = 840, PCForm->SkinY = 329;
    OpenSaveForm->SkinImage = Resource, OpenSaveForm->SkinX = 840, OpenSaveForm->SkinY = 0;
    SForm->Models = Models;
    PCForm->Models = Models;
    SForm->NoticeImage = Letters;
    PCForm->NoticeImage = Letters;
}

void TViewForm::SetDialogCaptions() {
    for (TForm* dialog : std::initializer_list<TForm*>{AboutBox, HelpForm, OpenSaveForm, PCForm, SForm})
        dialog->SetCaption(Caption());
}

TModelView* TViewForm::AsView(TObject* object) { return dynamic_cast<TModelView*>(object); }
TClassModels* TViewForm::ViewCategory(TModelView* view) { return view->ClassModels; }
void TViewForm::ViewSetDragCursor(TModelView* view, TCursor cursor) { view->SetDragCursor(cursor); }
void TViewForm::ViewMarkDragged(TModelView* view) { view->BeginDragFlag(); }
void TViewForm::ViewClickAt(TModelView* view, int x, int y) { view->ClickAt(x, y); }
void TViewForm::ViewUpdateMenu(TModelView* view) { view->UpdateMenu(); }
void TViewForm::ViewFillAt(TModelView* view, int x, int y) { view->FillAt(x, y); }
void TViewForm::SetViewHint(TModelView* view, const std::string& hint) { view->SetHint(hint); }
void TViewForm::InvalidateView(TModelView* view) { view->Invalidate(); }
void TViewForm::SetViewVisible(TModelView* view, bool visible) { view->SetVisible(visible); }
bool TViewForm::ViewVisible(TModelView* view) { return view->Visible(); }

TModelView* TViewForm::ViewOf(TClassModels* category) {
    for (TModelView* view : ModelView)
        if (view->ClassModels == category) return view;
    return nullptr;
}

int TViewForm::ViewIndex(TModelView* view) {
    for (int i = 0; i < ViewCount; ++i)
        if (view && ModelView[i] == view) return i;
    return -1;
}

void TViewForm::SetUpViews(TRegIniFileM& registry, const std::string& section) {
    for (TModelView* view : ModelView) view->SetUp(registry, section);
}

void TViewForm::SaveViews(TRegIniFileM& registry, const std::string& section) {
    for (TModelView* view : ModelView) view->SaveSlot(registry, section);
}

void TViewForm::ReleaseViews() {
    for (TModelView* view : ModelView) view->Release();
}

void TViewForm::ShowFillAt(int x, int y) { ModelShow->FillAt(x, y); }
void TViewForm::InvalidateShow() { ModelShow->Invalidate(); }
bool TViewForm::IsPatternViewVisible() { return ModelShow->Visible(); }
void TViewForm::LoadDescription() { ModelShow->LoadDescription(); }

void TViewForm::ShowPatternPrint() { SForm->ShowModal(); }
void TViewForm::ShowDollPrint() { PCForm->ShowModal(); }

void TViewForm::LoadMeasurements(TRegIniFileM& registry, const std::string& section) {
    SForm->LoadSlot(registry, section);
}

void TViewForm::SaveMeasurements(TRegIniFileM& registry, const std::string& section) {
    SForm->SaveSlot(registry, section);
}

int TViewForm::ModelAreaWidth() { return ModelShow->ModelArea().width; }
int TViewForm::ModelAreaHeight() { return ModelShow->ModelArea().height; }
