#include "forms/about_box_win32.h"

#include "controls/secret_panel_win32.h"
#include "settings/form_font.h"
#include "settings/settings.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner, "TABOUTBOX") {
    AboutBox = this;
    PublishMethod("FormCreate", this, &TAboutBox::FormCreate);
    PublishMethod("FormShow", this, &TAboutBox::FormShow);
    PublishMethod("AboutPanelStopPlay", this, &TAboutBox::AboutPanelStopPlay);
    PublishMethod("AboutPanelClick", this, &TAboutBox::AboutPanelClick);
    BindField("AboutPanel", AboutPanel);
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::FormCreate(TObject*) {
    SetFormFont(*this, CaptionFontName);
    // A missing text or picture leaves the box without it.
    try {
        AboutPanel->Lines()->LoadFromFile(ResolveProgramPath("Resource\\about.txt"));
    } catch (...) {}
    AboutPanel->LinesChanged();
    try {
        AboutPanel->Glyph()->LoadFromFile(ResolveProgramPath("Resource\\about.bmp"));
    } catch (...) {}
}

void TAboutBox::FormShow(TObject*) { AboutPanel->SetActive(true); }

void TAboutBox::AboutPanelStopPlay(TObject* sender) { AboutPanelClick(sender); }

void TAboutBox::AboutPanelClick(TObject*) {
    // From the stop handler the panel is already stopping: this returns at once.
    AboutPanel->SetActive(false);
    // Shown modally, the result ends the modal loop (closing would turn it into cancel).
    SetModalResult(mrOk);
    if (!Modal()) Close();
}
