#include "forms/pattern_print_form_win32.h"

#include "application.h"
#include "controls/bitmap_button.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/form_links.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/wait_cursor.h"
#include "forms/print_dialogs_win32.h"
#include "forms/pattern_print_job_win32.h"
#include "rtf/rtf_view_win32.h"
#include "settings/form_font.h"
#include "settings/settings.h"
#include "stdctrls.h"

TSForm* SForm = nullptr;

namespace {

// Posted by a refused edit: the message box waits until the focus has moved.
constexpr UINT WM_REFUSED_MEASUREMENT = WM_APP + 0x145;

// Slots printed by the pattern print form, in this order; shoes have no patterns.
constexpr DollSlot kPrintedSlots[] = {SlotWn, SlotPl, SlotBr, SlotBl, SlotHl, SlotYu, SlotSh};

constexpr const char* kNothingToPrint = "Nothing to print";

}  // namespace

TSForm::TSForm(TComponent* owner) : TBaseSizeForm(owner, "TSFORM") {
    PublishMethod("FormCreate", this, &TSForm::FormCreate);
    PublishMethod("FormShow", this, &TSForm::FormShow);
    PublishMethod("FormPaint", this, &TSForm::FormPaint);
    PublishMethod("SetSorvelClick", this, &TSForm::SetSorvelClick);
    PublishMethod("sHExit", this, &TSForm::sHExit);
    PublishMethod("sW1Exit", this, &TSForm::sW1Exit);
    PublishMethod("sW2Exit", this, &TSForm::sW2Exit);
    PublishMethod("sW3Exit", this, &TSForm::sW3Exit);
    PublishMethod("PrintClick", this, &TSForm::PrintClick);
    PublishMethod("SetupPrintClick", this, &TSForm::SetupPrintClick);
    PublishMethod("bHelpClick", this, &TSForm::bHelpClick);
    PublishMethod("ExitClick", this, &TSForm::ExitClick);
    BindField("sH", sH);
    BindField("sW1", sW1);
    BindField("sW2", sW2);
    BindField("sW3", sW3);
    BindField("bH", bH);
    BindField("bW1", bW1);
    BindField("bW2", bW2);
    BindField("bW3", bW3);
    BindField("bStdSize", bStdSize);
    BindField("bPrint", bPrint);
    BindField("bSetupPrint", bSetupPrint);
    BindField("bExit", bExit);
    BindField("bExit2", bExit2);
    BindField("bHelp", bHelp);
    BindField("NamePrinter", NamePrinter);
    BindField("Info", Info);
    BindField("PrintDescribe", PrintDescribe);
    BindField("FlyBitmap", FlyBitmap);
    BindField("lCaption", lCaption);
    SForm = this;
    SizeForm = this;
}

TSForm::~TSForm() {
    if (SForm == this) SForm = nullptr;
    if (SizeForm == this) SizeForm = nullptr;
}

void TSForm::FormCreate(TObject*) {
    SetFormFont(*this, CaptionFontName);
    lCaption->SetCaption("Print the patterns");
    static const char* const kLabels[][2] = {{"LabelHeight", "Height"},    {"LabelBackWidth", "Back width"},
                                             {"LabelWaist", "Waist size"}, {"LabelHips", "Hips size"},
                                             {"LabelMyDoll", "My Doll"},   {"LabelStandard", "Standart"},
                                             {"LabelPrinter", "Printer"}};
    for (const auto& label : kLabels)
        if (auto* control = dynamic_cast<TControl*>(FindComponent(label[0]))) control->SetCaption(label[1]);
    for (int i = 1; i <= 8; ++i)
        if (auto* unit = dynamic_cast<TControl*>(FindComponent("LabelCm" + std::to_string(i)))) unit->SetCaption("cm");
    bStdSize->SetHint("Set standart size");
    bSetupPrint->SetHint("Printer setup");
    bPrint->SetHint("Print");
    bExit->SetHint("Exit");
    bExit2->SetHint("Exit");
    bHelp->SetHint("Help");
    bH->SetCaption(DollMeasurements::Standard[DollMeasurements::Height]);
    bW1->SetCaption(DollMeasurements::Standard[DollMeasurements::BackWidth]);
    bW2->SetCaption(DollMeasurements::Standard[DollMeasurements::Waist]);
    bW3->SetCaption(DollMeasurements::Standard[DollMeasurements::Hips]);
    PrintDescribe->SetVisible(false);
    PrintDescribe->SetSizeForm(this);
    ShowMeasurements();
}

TEdit* TSForm::Edit(DollMeasurements::Field f) const {
    switch (f) {
        case DollMeasurements::Height:
            return sH;
        case DollMeasurements::BackWidth:
            return sW1;
        case DollMeasurements::Waist:
            return sW2;
        case DollMeasurements::Hips:
            return sW3;
    }
    return nullptr;
}

void TSForm::ShowMeasurements() {
    for (int f = 0; f < DollMeasurements::FieldCount; ++f) {
        const auto field = DollMeasurements::Field(f);
        if (TEdit* edit = Edit(field)) edit->SetText(measurements_.Text(field));
    }
}

bool TSForm::LeaveEdit(DollMeasurements::Field f) {
    TEdit* edit = Edit(f);
    if (!edit) return true;
    const bool taken = measurements_.Leave(f, edit->Text());
    ShowMeasurements();
    if (!taken && HandleAllocated()) PostMessageA(Handle(), WM_REFUSED_MEASUREMENT, WPARAM(f), 0);
    return taken;
}

bool TSForm::CommitEdits() {
    for (int f = 0; f < DollMeasurements::FieldCount; ++f) {
        const auto field = DollMeasurements::Field(f);
        TEdit* edit = Edit(field);
        if (edit && edit->Text() != measurements_.Text(field) && !LeaveEdit(field)) return false;
    }
    return true;
}

void TSForm::WndProc(TMessage& message) {
    if (message.Msg == WM_REFUSED_MEASUREMENT) {
        MessageBoxA(Handle(), DollMeasurements::RefuseMessage, Application->Title().c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        if (TEdit* edit = Edit(DollMeasurements::Field(message.WParam))) edit->SetFocus();
        message.Result = 0;
        return;
    }
    TBaseSizeForm::WndProc(message);
}

void TSForm::SetSorvelClick(TObject*) {
    measurements_.SetStandard();
    ShowMeasurements();
}

void TSForm::sHExit(TObject*) { LeaveEdit(DollMeasurements::Height); }
void TSForm::sW1Exit(TObject*) { LeaveEdit(DollMeasurements::BackWidth); }
void TSForm::sW2Exit(TObject*) { LeaveEdit(DollMeasurements::Waist); }
void TSForm::sW3Exit(TObject*) { LeaveEdit(DollMeasurements::Hips); }

void TSForm::FormShow(TObject*) {
    // Waist and hips follow the kept back width.
    measurements_.Leave(DollMeasurements::BackWidth, measurements_.Text(DollMeasurements::BackWidth));
    ShowMeasurements();
    Info->SetCaption("");
    CentreOverMainWindow(*this);
    ShowPrinterName(NamePrinter);
    HandOutSkin();
}

void TSForm::FormPaint(TObject*) { PaintSkin(); }

int TSForm::PrintModel(TModel& model) {
    PrintPatterns(model, *PrintDescribe, Info, ScaleX(), ScaleY());
    return 1;
}

void TSForm::PrintClick(TObject*) {
    if (!CommitEdits()) return;
    int jobs = 0;
    try {
        if (MainViewerForm && MainViewerForm->IsPatternViewVisible()) {
            TModel* model = Models && Models->AllModels ? Models->AllModels->CurrentModel() : nullptr;
            if (model) jobs += PrintModel(*model);
        } else if (Models) {
            for (DollSlot slot : kPrintedSlots)
                if (TModel* model = Models->Doll().Dressing.Worn(slot) ? Models->Doll().Model(slot) : nullptr)
                    jobs += PrintModel(*model);
        }
    } catch (Exception& error) {
        Application->ShowException(error);
        return;
    }
    // A doll wearing only shoes has nothing here to print: no "done" for it.
    if (jobs == 0) {
        Info->SetCaption(kNothingToPrint);
        return;
    }
    FlyNotice(FlyBitmap, *this, NoticeImage);
}

void TSForm::SetupPrintClick(TObject*) { RunPrinterSetup(NamePrinter); }

void TSForm::bHelpClick(TObject*) { ShowHelpModal("key_print_v"); }

void TSForm::ExitClick(TObject*) { Close(); }

void TSForm::LoadSlot(TRegIniFileM& registry, const std::string& section) {
    const std::string width =
        registry.ReadString(section, "Width", DollMeasurements::Standard[DollMeasurements::BackWidth]);
    const std::string height =
        registry.ReadString(section, "Height", DollMeasurements::Standard[DollMeasurements::Height]);
    measurements_.LoadSlot(&width, &height);
    ShowMeasurements();
}

void TSForm::SaveSlot(TRegIniFileM& registry, const std::string& section) {
    registry.WriteString(section, "Width", measurements_.SlotWidth());
    registry.WriteString(section, "Height", measurements_.SlotHeight());
}
