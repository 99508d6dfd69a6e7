#include "forms/begin_avi_form_win32.h"

#include "timer.h"

TBeginAviForm::TBeginAviForm(TComponent* owner)
    : TForm(owner, "TBEGINAVIFORM"), picture_(std::make_unique<TPicture>()) {
    PublishMethod("FormCreate", this, &TBeginAviForm::FormCreate);
    PublishMethod("FormShow", this, &TBeginAviForm::FormShow);
    PublishMethod("FormHide", this, &TBeginAviForm::FormHide);
    PublishMethod("FormPaint", this, &TBeginAviForm::FormPaint);
    PublishMethod("FormClick", this, &TBeginAviForm::FormClick);
    PublishMethod("FormKeyPress", this, &TBeginAviForm::FormKeyPress);
    PublishMethod("TimerTimer", this, &TBeginAviForm::TimerTimer);
    BindField("Timer", Timer);
}

TBeginAviForm::~TBeginAviForm() = default;

void TBeginAviForm::FormCreate(TObject*) {
    // Without a window manager a maximised pop-up keeps its X window's
    // size: the screen's bounds are given as well.
    SetBounds(0, 0, Screen->Width(), Screen->Height());
    SetWindowState(wsMaximized);
    BringToFront();
}

void TBeginAviForm::FormShow(TObject*) {
    try {
        picture_->LoadFromFile(PicturePath);
    } catch (...) {
        // Without the picture the screen stays black for its time.
    }
    sequence_.Show(Screen->Width());
}

void TBeginAviForm::FormHide(TObject*) {
    sequence_.Hide();
    Timer->SetEnabled(false);
    picture_->SetGraphic(nullptr);
}

void TBeginAviForm::FormPaint(TObject*) {
    if (!sequence_.Paints() || !picture_->Graphic()) return;
    const DecoRect r = sequence_.PictureRect(ClientWidth(), ClientHeight());
    Canvas()->StretchDraw(Bounds(r.left, r.top, r.width, r.height), picture_->Graphic());
}

void TBeginAviForm::FormClick(TObject*) { sequence_.Skip(); }

void TBeginAviForm::FormKeyPress(TObject*, char&) { sequence_.Skip(); }

void TBeginAviForm::TimerTimer(TObject*) { sequence_.TimerTick(); }

void TBeginAviForm::SetTimer(bool on, unsigned interval) {
    Timer->SetEnabled(false);
    if (!on) return;
    Timer->SetInterval(interval);
    Timer->SetEnabled(true);
}

void TBeginAviForm::RestoreSound() {
    if (OnRestoreSound) OnRestoreSound();
}

void TBeginAviForm::WndProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND) {
        // Black only outside the zoom and hold (and the first time), so the picture does not flicker.
        if (sequence_.EraseBackground()) {
            RECT clip;
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            GetClipBox(dc, &clip);
            FillRect(dc, &clip, Brush()->Handle());
        }
        message.Result = 1;
        return;
    }
    TForm::WndProc(message);
}
