#include "forms/pattern_print_job_win32.h"

#include <memory>

#include "printers.h"
#include "rtf/rtf_view_win32.h"
#include "settings/settings.h"

void ProgramPatternJob::BeginDoc() { ::Printer()->BeginDoc(); }
void ProgramPatternJob::EndDoc() { ::Printer()->EndDoc(); }

void ProgramPatternJob::SetPrintFont(int points) {
    TCanvas* canvas = ::Printer()->Canvas();
    SetBkMode(canvas->Handle(), TRANSPARENT);
    canvas->Font()->SetName(PatternFontName);
    canvas->Font()->SetSize(points);
}

int ProgramPatternJob::PrintDescription(const std::string& fileName, int y) {
    // Print margins of 5 mm left and right.
    view_.View().LoadDescription(fileName, PatternFontName, 5);
    return view_.View().PrintFrom(y);
}

void PrintPatterns(TModel& model, TrtfViewWindow& descriptionView, TControl* label, double printScaleX,
                   double printScaleY) {
    ProgramPatternJob job(descriptionView);
    std::unique_ptr<ControlPrintStatus> status;
    if (label) status = std::make_unique<ControlPrintStatus>(*label);
    model.PrintPatterns(job, status.get(), printScaleX, printScaleY);
}
