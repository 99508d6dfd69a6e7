// The about box: the credits of Resource\about.txt scrolling under the
// picture Resource\about.bmp; it closes when they have scrolled out or on
// a click.
#pragma once

#include "forms.h"

class TSecretPanel;

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* owner);
    ~TAboutBox() override;
    TSecretPanel* AboutPanel = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void AboutPanelStopPlay(TObject* sender);
    void AboutPanelClick(TObject* sender);
};

// The about box, once created; null before.
extern TAboutBox* AboutBox;
