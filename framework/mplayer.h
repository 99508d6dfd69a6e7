// The media player: plays a sound or MIDI file through MCI.
#pragma once

#include <windows.h>

#include <string>

#include <memory>

#include "classes.h"
#include "message_window.h"

class EMCIDeviceError : public Exception {
    using Exception::Exception;
};

enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class TMediaPlayer : public TComponent {
public:
    explicit TMediaPlayer(TComponent* owner);
    ~TMediaPlayer() override;

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    // Each operation raises EMCIDeviceError with the MCI error text on failure.
    void Open();
    void Play();  // notifies OnNotify when playing ends (Notify is set for it)
    void Stop();
    void Close();
    bool Opened() const { return device_ != 0; }
    bool Notify() const { return notify_; }
    void SetNotify(bool on) { notify_ = on; }
    TMPNotifyValues NotifyValue() const { return notifyValue_; }
    TNotifyEvent OnNotify;
    // The player has no face here; Visible is kept for layouts.
    bool Visible() const { return visible_; }
    void SetVisible(bool on) { visible_ = on; }
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    bool Notice(UINT msg, WPARAM w, LPARAM l);
    void Check(DWORD error);
    unsigned device_ = 0;
    std::string fileName_;
    bool notify_ = true;
    bool visible_ = true;
    TMPNotifyValues notifyValue_ = nvSuccessful;
    std::unique_ptr<TMessageWindow> window_;
};
