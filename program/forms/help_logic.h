// The help form's behaviour over the document view, without its window:
// the document loaded at creation, topics asked for by the other windows,
// the back button and scroll bar following the view, copying, and
// printing through the view's own printing between the shared printer
// dialog and the font changes the printed page needs.
#pragma once

#include <string>

#include "rtf/rtf_view.h"

// What the help form's window gives its behaviour.
class HelpFormControls {
public:
    virtual ~HelpFormControls() = default;
    virtual void SetScrollBarVisible(bool visible) = 0;
    virtual void SetBackVisible(bool visible) = 0;
    virtual void BeginWait() {}
    virtual void EndWait() {}
    // The printer set-up dialog shared with the print forms; true when confirmed.
    virtual bool RunPrintDialog() = 0;
};

class HelpController {
public:
    // Takes over the view's jumped and print events.
    HelpController(TrtfView& view, HelpFormControls& controls, std::string screenFont, std::string printFont);
    // Loads the document in the screen font and shows its contents; any
    // error leaves the view empty (the view has said so).
    void Create(const std::string& rtfPath, const std::string& rtcPath);
    // Remembers the topic and jumps to it; the caller then shows the form.
    void ShowHelpTopic(const std::string& name);
    const std::string& LastTopic() const { return lastTopic_; }
    void MainTopic() { view_.GoBack(); }
    void Copy() { view_.CopyToClipboard(); }
    // Asks the printer dialog, then prints the topic shown; true when printed.
    bool Print();

private:
    void Jumped();
    TrtfView& view_;
    HelpFormControls& controls_;
    std::string screenFont_, printFont_;
    std::string lastTopic_;
};
