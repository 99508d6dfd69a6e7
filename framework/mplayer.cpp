// The media player over MCI: open by file name, play with a notification
// to a hidden window, stop and close.
#include "mplayer.h"

#include <mmsystem.h>

#include "application.h"
#include "layout.h"

namespace {
const char kPlayerClass[] = "FwMediaPlayer";
}

LRESULT CALLBACK PlayerWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == MM_MCINOTIFY) {
    auto* player = reinterpret_cast<TMediaPlayer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (player && static_cast<unsigned>(l) == player->device_) {
      switch (w) {
        case MCI_NOTIFY_SUCCESSFUL: player->notifyValue_ = nvSuccessful; break;
        case MCI_NOTIFY_SUPERSEDED: player->notifyValue_ = nvSuperseded; break;
        case MCI_NOTIFY_ABORTED: player->notifyValue_ = nvAborted; break;
        default: player->notifyValue_ = nvFailure; break;
      }
      if (player->OnNotify) {
        try {
          player->OnNotify(player);
        } catch (...) {
          if (Application) Application->HandleException(player);
        }
      }
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

TMediaPlayer::TMediaPlayer(TComponent* owner) : TComponent(owner) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlayerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kPlayerClass;
    RegisterClassA(&wc);
    registered = true;
  }
  window_ = CreateWindowExA(0, kPlayerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TMediaPlayer::~TMediaPlayer() {
  if (device_) mciSendCommandA(device_, MCI_CLOSE, 0, 0);
  if (window_) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
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
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
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
  if (SameText(name, "FileName")) SetFileName(v.AsString());
  else if (SameText(name, "Visible")) SetVisible(v.AsBool());
  else if (SameText(name, "OnNotify")) OnNotify = reader.Handler<TNotifyEvent>(v);
  else return TComponent::SetProperty(name, v, reader);
  return true;
}
