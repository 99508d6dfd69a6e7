// Saving and restoring the whole state in one of the eight slots.
#include "application.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/wait_cursor.h"
#include "forms/open_save_form_win32.h"
#include "forms/slot_choice.h"
#include "forms/view_form_win32.h"
#include "settings/registry_store.h"

namespace {

// The slot dialog with its question; the dialog's result.
int AskForSlot(TViewForm& form, const char* question) {
    OpenSaveForm->CaptionBarPlus->SetCaption(question);
    OpenSaveForm->ShowModal();
    form.Update();
    return OpenSaveForm->DialogResult();
}

// A wait that ends on every way out.
struct WaitCursor {
    WaitCursor() { BeginWaitCursor(); }
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool TViewForm::Save() {
    const int result = AskForSlot(*this, "Save modifying ?");
    if (result == SlotChoice::Cancelled) return false;
    if (result == SlotChoice::NotSaved) return true;
    {
        WaitCursor wait;
        TRegIniFileM registry(ProgramKey);
        const std::string section = SlotSection(OpenSaveForm->Slot());
        AllModels->SaveFills(registry, section);
        SaveMeasurements(registry, section);
        Models->SaveSlot(registry, section);
        SaveViews(registry, section);
        registry.WriteInteger(section, "ModelView", VisibleViewIndex());
    }
    FlyBitmapOk->MinWindow1 = MinWindowSave;
    FlyBitmapOk->SetFlyEnabled(true);
    Modified = false;
    return true;
}

void TViewForm::Load(bool atStart) {
    if (atStart) {
        OpenSaveForm->SetSlot(ReadRegInteger(ProgramKey, "DefaultSlot", 1));
    } else if (AskForSlot(*this, "Restore saved information ?") != SlotChoice::SlotChosen) {
        return;
    }
    {
        WaitCursor wait;
        TRegIniFileM registry(ProgramKey);
        const std::string section = SlotSection(OpenSaveForm->Slot());
        if (!atStart) {
            Models->TakeOffAll();
            AllModels->Free();
        }
        LoadMeasurements(registry, section);
        AllModels->Load(ModelAreaWidth(), ModelAreaHeight(), section, registry);
        Models->LoadSlot(registry, section);
        Models->Invalidate();
        if (!atStart) ReleaseViews();
        SetUpViews(registry, section);
        storedView_.Loaded(registry.ReadInteger(section, "ModelView", DefaultModelView));
    }
    if (!atStart) {
        // The restored slot's preview shows at once; activation finds nothing pending.
        int index;
        if (storedView_.TakePending(index)) ShowCategoryView(index);
        FlyBitmapOk->MinWindow1 = MinWindowLoad;
        FlyBitmapOk->SetFlyEnabled(true);
        RefreshViews();
    }
    Modified = false;
}

void TViewForm::LoadClick(TObject*) {
    Load(false);
    LoadDescription();
}

void TViewForm::SaveClick(TObject*) { Save(); }
