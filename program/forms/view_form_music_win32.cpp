// The main window's music: songs in turn through the media player, and the
// Sound button that switches them on and off or shows that none can play.
#include "bitmap.h"
#include "controls/bitmap_button.h"
#include "forms/view_form_win32.h"
#include "mplayer.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "sysutils.h"

std::string TViewForm::SongPath(int number) {
    return ResolveProgramPath(
        SongFile(number, [](const std::string& name) { return FileExists(ResolveProgramPath(name)); }));
}

void TViewForm::PrepareSong(int number) {
    MediaPlayer->SetTag(number);
    MediaPlayer->SetFileName(SongPath(number));
}

void TViewForm::NextSong() { PrepareSong(songs_.Next()); }

void TViewForm::DrawSoundFaces() {
    // Five faces of 20 x 20 over the caption bar's own face: unavailable (a
    // grey note), off and pressed off (the note struck through), on and
    // pressed on; a pressed face sits one pixel lower and to the right.
    constexpr int kSide = 20;
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(5 * kSide, kSide);
    TCanvas* canvas = strip.Canvas();
    const TColor plum = TColor(RGB(120, 60, 110));
    for (int k = 0; k < 5; ++k) {
        const int x = k * kSide, d = (k == 2 || k == 4) ? 1 : 0;
        const RECT face{x, 0, x + kSide, kSide};
        if (Fon->Picture()->Graphic())
            canvas->CopyRect(face, Fon->Picture()->Bitmap()->Canvas(),
                             RECT{Sound->Left(), Sound->Top(), Sound->Left() + kSide, Sound->Top() + kSide});
        else
            canvas->FillRect(face);
        const TColor ink = k == 0 ? TColor(RGB(150, 150, 150)) : plum;
        canvas->Pen()->SetColor(ink);
        canvas->Pen()->SetWidth(2);
        canvas->Brush()->SetColor(ink);
        canvas->Ellipse(x + 4 + d, 12 + d, x + 10 + d, 17 + d);
        canvas->MoveTo(x + 9 + d, 14 + d);
        canvas->LineTo(x + 9 + d, 3 + d);
        canvas->LineTo(x + 15 + d, 6 + d);
        if (k == 1 || k == 2) {
            canvas->Pen()->SetColor(TColor(RGB(200, 0, 0)));
            canvas->MoveTo(x + 3 + d, 17 + d);
            canvas->LineTo(x + 17 + d, 3 + d);
        }
    }
    TPicture picture;
    picture.SetGraphic(&strip);
    Sound->SetResImage(nullptr);
    Sound->SetPicture(&picture);
}

bool TViewForm::IsMusicOn() { return Sound->State() > 3; }

bool TViewForm::IsMusicUnavailable() { return Sound->State() == 1; }

void TViewForm::StopAndClosePlayer() {
    try {
        MediaPlayer->Stop();
    } catch (...) {}
    try {
        MediaPlayer->Close();
    } catch (...) {}
}

void TViewForm::MusicUnavailable() {
    Sound->SetState(1);
    Sound->SetPressState(1);
    Sound->SetHint("");
    Sound->SetCursor(crDefault);
    StopAndClosePlayer();
}

void TViewForm::SetMusic(bool on) {
    if (on) {
        Sound->SetState(4);
        Sound->SetPressState(5);
        Sound->SetHint("Music off");
        // The song start-up picked plays first; later switch-ons go on to the next.
        PrepareSong(songs_.ForSwitchOn());
        try {
            MediaPlayer->Open();
            MediaPlayer->Play();
        } catch (...) {
            MusicUnavailable();
        }
    } else {
        Sound->SetState(2);
        Sound->SetPressState(3);
        Sound->SetHint("Music on");
        try {
            MediaPlayer->Open();
        } catch (...) {
            MusicUnavailable();
            return;
        }
        StopAndClosePlayer();
    }
}

void TViewForm::RestoreSound() { SetMusic(ReadRegBool(ProgramKey, "Sound", true)); }

void TViewForm::SoundClick(TObject*) {
    if (!IsMusicUnavailable()) SetMusic(!IsMusicOn());
}

void TViewForm::MediaPlayerNotify(TObject*) {
    if (IsMusicUnavailable() || MediaPlayer->NotifyValue() != nvSuccessful) return;
    NextSong();
    // Each step may fail on its own; the next song is tried at the next end.
    for (auto step : {&TMediaPlayer::Stop, &TMediaPlayer::Close, &TMediaPlayer::Open, &TMediaPlayer::Play}) {
        try {
            (MediaPlayer->*step)();
        } catch (...) {}
    }
}
