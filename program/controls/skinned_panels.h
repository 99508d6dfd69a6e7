// Panels drawn from a tiled picture: TDrawPanel, and TCaptionBar, which
// moves its form.
#pragma once

#include <memory>

#include "picture.h"
#include "stdctrls.h"

class TDrawPanel : public TPanel {
public:
    explicit TDrawPanel(TComponent* owner);
    ~TDrawPanel() override;

    TPicture* Picture() { return picture_.get(); }
    // Takes a copy of the picture and repaints.
    virtual void SetPicture(TPicture* picture);
    // The picture's palette; 0 when it has none.
    HPALETTE GetPalette();

    // Left and right edges between which the caption is laid out: the
    // children that end before and begin after the middle.
    int CaptionLeftEdge() const;
    int CaptionRightEdge() const;

    TNotifyEvent OnPaint;
    TNotifyEvent OnErase;

    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
    void PaintTiled();

private:
    bool PaletteChanged(bool foreground);
    std::unique_ptr<TPicture> picture_;
};

class TCaptionBar : public TDrawPanel {
public:
    explicit TCaptionBar(TComponent* owner) : TDrawPanel(owner) {}
    void WndProc(TMessage& message) override;
};
