#include "forms/help_form_win32.h"

#include "application.h"
#include "controls/bitmap_button.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/paint_scroll_bar.h"
#include "controls/wait_cursor.h"
#include "forms/about_box_win32.h"
#include "forms/print_setup_win32.h"
#include "rtf/rtf_view_win32.h"
#include "settings/form_font.h"
#include "settings/settings.h"

THelpForm* HelpForm = nullptr;

THelpForm::THelpForm(TComponent* owner) : TSkinnedDialog(owner, "THELPFORM") {
    PublishMethod("FormCreate", this, &THelpForm::FormCreate);
    PublishMethod("FormShow", this, &THelpForm::FormShow);
    PublishMethod("FormPaint", this, &THelpForm::FormPaint);
    PublishMethod("ExitClick", this, &THelpForm::ExitClick);
    PublishMethod("CopyClick", this, &THelpForm::CopyClick);
    PublishMethod("PrintClick", this, &THelpForm::PrintClick);
    PublishMethod("AboutClick", this, &THelpForm::AboutClick);
    PublishMethod("MainTopicClick", this, &THelpForm::MainTopicClick);
    BindField("lCaption", lCaption);
    BindField("bExit", bExit);
    BindField("bToClipboard", bToClipboard);
    BindField("bMainTopic", bMainTopic);
    BindField("bPrint", bPrint);
    BindField("bAbout", bAbout);
    BindField("bExit2", bExit2);
    BindField("RtfView", RtfView);
    BindField("ScrollBar", ScrollBar);
    HelpForm = this;
}

THelpForm::~THelpForm() {
    if (HelpForm == this) HelpForm = nullptr;
}

void THelpForm::FormCreate(TObject*) {
    lCaption->SetCaption("Help");
    bExit->SetHint("Exit");
    bExit2->SetHint("Exit");
    bToClipboard->SetHint("To clipboard");
    bMainTopic->SetHint("Previous topic");
    bPrint->SetHint("Print help");
    bAbout->SetHint("About ...");
    SetFormFont(*this, CaptionFontName);

    RtfView->HotCursor = 4;
    RtfView->SetColor(clWhite);
    TrtfView& view = RtfView->View();
    view.Color = 0xFFFFFF;
    view.HotColor = 0x008000;
    view.ClearIfNone = false;
    RtfView->SetScrollBar(ScrollBar);
    // The help text is drawn over the skin under the view.
    view.OnBackground = [this](RtfCanvas& canvas) {
        if (auto* gdi = dynamic_cast<GdiRtfCanvas*>(&canvas))
            CopySkin(gdi->Canvas(), RtfView->Left(), RtfView->Top(), RtfView->Width(), RtfView->Height());
    };
    help_ =
        std::make_unique<HelpController>(view, static_cast<HelpFormControls&>(*this), CaptionFontName, PatternFontName);
    help_->Create(ResolveProgramPath("Resource\\Help\\help.rtf"), ResolveProgramPath("Resource\\Help\\help.rtc"));
}

void THelpForm::ShowHelpTopic(const std::string& name) { help_->ShowHelpTopic(name); }

const std::string& THelpForm::LastTopic() const { return help_->LastTopic(); }

void THelpForm::FormShow(TObject*) { HandOutSkin(); }

void THelpForm::FormPaint(TObject*) { PaintSkin(); }

void THelpForm::SkinPaletteChanged() {
    Invalidate();
    static_cast<TControl*>(RtfView)->Invalidate();
}

void THelpForm::SetScrollBarVisible(bool visible) { ScrollBar->SetVisible(visible); }

void THelpForm::SetBackVisible(bool visible) { bMainTopic->SetVisible(visible); }

void THelpForm::BeginWait() { BeginWaitCursor(); }

void THelpForm::EndWait() { EndWaitCursor(); }

bool THelpForm::RunPrintDialog() { return SharedPrintDialog().Execute(); }

void THelpForm::ExitClick(TObject*) { Close(); }

void THelpForm::CopyClick(TObject*) { help_->Copy(); }

void THelpForm::MainTopicClick(TObject*) { help_->MainTopic(); }

void THelpForm::PrintClick(TObject*) {
    try {
        help_->Print();
    } catch (Exception& error) {
        Application->ShowException(error);
    }
}

void THelpForm::AboutClick(TObject*) {
    if (!AboutBox) return;
    const POINT corner = ClientToScreen(Point((Width() - AboutBox->Width()) / 2, (Height() - AboutBox->Height()) / 2));
    AboutBox->SetPosition(poDesigned);
    AboutBox->SetBounds(corner.x, corner.y, AboutBox->Width(), AboutBox->Height());
    AboutBox->ShowModal();
}
