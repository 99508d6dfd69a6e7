#include "forms/help_logic.h"

HelpController::HelpController(TrtfView& view, HelpFormControls& controls, std::string screenFont,
                               std::string printFont)
    : view_(view), controls_(controls), screenFont_(std::move(screenFont)), printFont_(std::move(printFont)) {
    view_.OnJumped = [this](const std::string&) { Jumped(); };
    // Every document font prints in the print face and shows in the screen face.
    view_.OnPrint = [this](int&, int&) { view_.ReplaceFontName("", printFont_); };
    view_.OnPrinted = [this](int&, int&) { view_.ReplaceFontName("", screenFont_); };
}

void HelpController::Create(const std::string& rtfPath, const std::string& rtcPath) {
    controls_.BeginWait();
    try {
        view_.LoadDocument(rtfPath, rtcPath);
        view_.ReplaceFontName("", screenFont_);
        view_.GoContents();
    } catch (...) {
        // The form opens empty.
    }
    controls_.EndWait();
    Jumped();
}

void HelpController::ShowHelpTopic(const std::string& name) {
    lastTopic_ = name;
    view_.JumpTo(name);
}

void HelpController::Jumped() {
    controls_.SetScrollBarVisible(view_.NeedsScrollBar());
    controls_.SetBackVisible(view_.CanGoBack());
}

bool HelpController::Print() {
    if (!controls_.RunPrintDialog()) return false;
    controls_.BeginWait();
    try {
        view_.PrintTopic();
    } catch (...) {
        controls_.EndWait();
        view_.ReplaceFontName("", screenFont_);
        throw;
    }
    controls_.EndWait();
    return true;
}
