// The pattern print dialog: the user's doll's four measurements beside the
// standard doll's, whose ratios scale every printed pattern piece and the
// numbers of the descriptions; prints the current model's patterns while
// the pattern view shows, else those of every garment worn (shoes have no
// patterns to print). The measurements are kept per save slot.
#pragma once

#include <string>

#include "forms/base_size_form.h"
#include "forms/doll_measurements.h"

class TBitmapButton;
class TCaptionBarPlus;
class TEdit;
class TFlyBitmap;
class TImage;
class TLabel;
class TModel;
class TModels;
class TRegIniFileM;
class TrtfViewWindow;

class TSForm : public TBaseSizeForm {
public:
    explicit TSForm(TComponent* owner);
    ~TSForm() override;

    // Given by the main window: the doll panel (its worn garments and the
    // categories), and optionally the notice picture (else its "Letters").
    TModels* Models = nullptr;
    TImage* NoticeImage = nullptr;

    long double ScaleX() override { return measurements_.ScaleX(); }
    long double ScaleY() override { return measurements_.ScaleY(); }
    const DollMeasurements& Measurements() const { return measurements_; }

    // The slot's "Width" and "Height"; waist and hips follow the width.
    void LoadSlot(TRegIniFileM& registry, const std::string& section);
    void SaveSlot(TRegIniFileM& registry, const std::string& section);

    TEdit *sH = nullptr, *sW1 = nullptr, *sW2 = nullptr, *sW3 = nullptr;
    TLabel *bH = nullptr, *bW1 = nullptr, *bW2 = nullptr, *bW3 = nullptr;
    TBitmapButton *bStdSize = nullptr, *bPrint = nullptr, *bSetupPrint = nullptr, *bExit = nullptr, *bExit2 = nullptr,
                  *bHelp = nullptr;
    TLabel *NamePrinter = nullptr, *Info = nullptr;
    TrtfViewWindow* PrintDescribe = nullptr;
    TFlyBitmap* FlyBitmap = nullptr;
    TCaptionBarPlus* lCaption = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void SetSorvelClick(TObject* sender);
    void sHExit(TObject* sender);
    void sW1Exit(TObject* sender);
    void sW2Exit(TObject* sender);
    void sW3Exit(TObject* sender);
    void PrintClick(TObject* sender);
    void SetupPrintClick(TObject* sender);
    void bHelpClick(TObject* sender);
    void ExitClick(TObject* sender);

    void WndProc(TMessage& message) override;

private:
    TEdit* Edit(DollMeasurements::Field f) const;
    // The edits show the measurements kept.
    void ShowMeasurements();
    // The edit's text is taken (the others follow a width); refused, it
    // shows its last good value and the message follows once the focus
    // change is over. False when refused.
    bool LeaveEdit(DollMeasurements::Field f);
    // Every edit whose text differs from the kept value is left; false
    // when one was refused.
    bool CommitEdits();
    // One print job per model; the number of jobs.
    int PrintModel(TModel& model);
    DollMeasurements measurements_;
};

// The pattern print form, once created; null before.
extern TSForm* SForm;
