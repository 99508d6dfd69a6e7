// The main window's music: songs in turn through the media player, and the
// Sound button that switches them on and off or shows that none can play.
#include "controls/bitmap_button.h"
#include "forms/view_form_win32.h"
#include "mplayer.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "sysutils.h"

std::string TViewForm::SongPath(int number) {
    return ResolveProgramPath(SongFile(number, [](const std::string& name) {
        return FileExists(ResolveProgramPath(name));
    }));
}

void TViewForm::PrepareSong(int number) {
    MediaPlayer->SetTag(number);
    MediaPlayer->SetFileName(SongPath(number));
}

void TViewForm::NextSong() { PrepareSong(songs_.Next()); }

bool TViewForm::IsMusicOn() { return Sound->State() > 3; }

bool TViewForm::IsMusicUnavailable() { return Sound->State() == 1; }

void TViewForm::StopAndClosePlayer() {
    try {
        MediaPlayer->Stop();
    } catch (...) {
    }
    try {
        MediaPlayer->Close();
    } catch (...) {
    }
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
        } catch (...) {
        }
    }
}
