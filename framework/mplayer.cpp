// The media player over MCI: open by file name, play with a notification
// to a hidden window, stop and close.
#include "mplayer.h"

#include <mmsystem.h>

#include "application.h"
#include "layout.h"

// MCI's notice that a play this player started has ended.
bool TMediaPlayer::Notice(UINT msg, WPARAM w, LPARAM l) {
    if (msg != MM_MCINOTIFY) return false;
    if (static_cast<unsigned>(l) != device_) return true;
    switch (w) {
        case MCI_NOTIFY_SUCCESSFUL:
            notifyValue_ = nvSuccessful;
            break;
        case MCI_NOTIFY_SUPERSEDED:
            notifyValue_ = nvSuperseded;
            break;
        case MCI_NOTIFY_ABORTED:
            notifyValue_ = nvAborted;
            break;
        default:
            notifyValue_ = nvFailure;
            break;
    }
    if (OnNotify) {
        try {
            OnNotify(this);
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
    }
    return true;
}

TMediaPlayer::TMediaPlayer(TComponent* owner) : TComponent(owner) {
    window_ = std::make_unique<TMessageWindow>([this](UINT msg, WPARAM w, LPARAM l) { return Notice(msg, w, l); });
}

TMediaPlayer::~TMediaPlayer() {
    if (device_) mciSendCommandA(device_, MCI_CLOSE, 0, 0);
}

void TMediaPlayer::Check(DWORD error) {
    if (error == 0) return;
    char text[256] = {};
    if (!mciGetErrorStringA(error, text, sizeof text)) lstrcpyA(text, "Unknown media error");
    throw EMCIDeviceError(text);
}

void TMediaPlayer::Open() {
    if (device_) Close();
    MCI_OPEN_PARMSA open{};
    open.lpstrElementName = fileName_.c_str();
    Check(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)));
    device_ = open.wDeviceID;
}

void TMediaPlayer::Play() {
    if (!device_) throw EMCIDeviceError("Device is not open");
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window_->Handle());
    Check(mciSendCommandA(device_, MCI_PLAY, notify_ ? MCI_NOTIFY : 0, reinterpret_cast<DWORD_PTR>(&play)));
}

void TMediaPlayer::Stop() {
    if (!device_) throw EMCIDeviceError("Device is not open");
    MCI_GENERIC_PARMS p{};
    Check(mciSendCommandA(device_, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Close() {
    if (!device_) return;
    unsigned device = device_;
    device_ = 0;
    MCI_GENERIC_PARMS p{};
    Check(mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)));
}

bool TMediaPlayer::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "FileName"))
        SetFileName(v.AsString());
    else if (SameText(name, "Visible"))
        SetVisible(v.AsBool());
    else if (SameText(name, "OnNotify"))
        OnNotify = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}
