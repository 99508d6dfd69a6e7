// The title screen: the title picture grows from a small rectangle to the
// whole screen, holds, and ends by itself or on a click or key once the
// program has started (title_sequence.h holds the sequence).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "forms.h"
#include "forms/title_sequence.h"
#include "picture.h"

class TTimer;

class TBeginAviForm : public TForm, private TitleHost {
public:
    explicit TBeginAviForm(TComponent* owner);
    ~TBeginAviForm() override;

    // Set by the main block before showing: ProgramFilePath("Resource\title.jpg").
    std::string PicturePath;
    // The music as stored (the main window's RestoreSound); runs exactly once.
    std::function<void()> OnRestoreSound;
    // Set by the main block when all forms exist: input may end the screen.
    void SetMayFinish(bool on) { sequence_.MayFinish = on; }
    bool Finished() const { return sequence_.CurrentState() == TitleSequence::Finished; }
    const TitleSequence& Sequence() const { return sequence_; }

    TTimer* Timer = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormHide(TObject* sender);
    void FormPaint(TObject* sender);
    void FormClick(TObject* sender);
    void FormKeyPress(TObject* sender, char& key);
    void TimerTimer(TObject* sender);

    void WndProc(TMessage& message) override;

private:
    void SetTimer(bool on, unsigned interval) override;
    void Invalidate() override { TForm::Invalidate(); }
    void RestoreSound() override;
    TitleSequence sequence_{*this};
    std::unique_ptr<TPicture> picture_;
};
