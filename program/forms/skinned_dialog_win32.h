// What the program's dialogs share: a face copied from the shared skin
// picture at the dialog's origin, no background erasing, the skin's palette,
// the skin handed to the skinned children when shown, and moving the dialog
// by a press anywhere on its own surface.
#pragma once

#include <string>

#include "extctrls.h"
#include "forms.h"

class TSkinnedDialog : public TForm {
public:
    TSkinnedDialog(TComponent* owner, const std::string& layoutName) : TForm(owner, layoutName) {}
    // Set by the main window: its resource picture and this dialog's face in it.
    TImage* SkinImage = nullptr;
    int SkinX = 0, SkinY = 0;

    // Bitmap buttons, button strips and caption bars take the skin.
    void HandOutSkin();
    // The face onto the whole form, the skin's palette realised first.
    void PaintSkin();
    // Copies the skin rectangle at (SkinX + x, SkinY + y) of the size onto the canvas at (0, 0).
    void CopySkin(TCanvas* canvas, int x, int y, int width, int height);

    void WndProc(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

protected:
    // A palette change: the form and the controls that show skin pixels repaint.
    virtual void SkinPaletteChanged() { Invalidate(); }
};

// The dialogs' shared picture of the screen ("Resource\Resource.bmp" on
// the main window); null until the main window hands it out.
HPALETTE SkinPalette(TImage* skin);
