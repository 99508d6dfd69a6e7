// The help window: the help document (Resource\Help\help.rtf) in a
// document view over the skin, opened at the topic a window asks for, with
// copy, print, back, about and exit buttons.
#pragma once

#include <memory>
#include <string>

// Windows first: its TextOut macro must rename the document canvas's TextOut everywhere.
#include "forms/skinned_dialog_win32.h"
#include "forms/help_logic.h"

class TBitmapButton;
class TCaptionBarPlus;
class TPaintScrollBar;
class TrtfViewWindow;

class THelpForm : public TSkinnedDialog, private HelpFormControls {
public:
    explicit THelpForm(TComponent* owner);
    ~THelpForm() override;

    // Remembers the topic and jumps to it; the caller shows the form modally.
    void ShowHelpTopic(const std::string& name);
    const std::string& LastTopic() const;

    TCaptionBarPlus* lCaption = nullptr;
    TBitmapButton *bExit = nullptr, *bToClipboard = nullptr, *bMainTopic = nullptr, *bPrint = nullptr,
                  *bAbout = nullptr, *bExit2 = nullptr;
    TrtfViewWindow* RtfView = nullptr;
    TPaintScrollBar* ScrollBar = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void ExitClick(TObject* sender);
    void CopyClick(TObject* sender);
    void PrintClick(TObject* sender);
    void AboutClick(TObject* sender);
    void MainTopicClick(TObject* sender);

protected:
    void SkinPaletteChanged() override;

private:
    void SetScrollBarVisible(bool visible) override;
    void SetBackVisible(bool visible) override;
    void BeginWait() override;
    void EndWait() override;
    bool RunPrintDialog() override;
    std::unique_ptr<HelpController> help_;
};

// The help form, once created; null before.
extern THelpForm* HelpForm;
