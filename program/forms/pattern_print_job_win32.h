// A garment's patterns printed on the framework's printer: the print font,
// and the model's description loaded into an RTF view and printed through it.
#pragma once

#include <windows.h>

#include "models/garment_model.h"
#include "models/pattern_gdi_win32.h"

class TControl;
class TrtfViewWindow;

// A pattern print job on the framework's printer: the print font, and the
// model's description loaded into the RTF view and printed through it.
class ProgramPatternJob : public PatternJob {
public:
    explicit ProgramPatternJob(TrtfViewWindow& descriptionView) : view_(descriptionView) {}
    PatternPrinter& Printer() override { return printer_; }
    void BeginDoc() override;
    void EndDoc() override;
    void SetPrintFont(int points) override;
    int PrintDescription(const std::string& fileName, int y) override;

private:
    TrtfViewWindow& view_;
    GdiPatternPrinter printer_;
};

// The model's patterns on the default printer; the label (optional) shows
// the progress.
void PrintPatterns(TModel& model, TrtfViewWindow& descriptionView, TControl* label, double printScaleX,
                   double printScaleY);
