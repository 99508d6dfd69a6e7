#include "forms/skinned_dialog_win32.h"

#include "bitmap.h"
#include "controls/bitmap_button.h"
#include "controls/bitmap_buttons_win32.h"
#include "controls/caption_bar_plus_win32.h"

HPALETTE SkinPalette(TImage* skin) {
    if (!skin || !skin->Picture()->Graphic()) return nullptr;
    return skin->Picture()->Graphic()->Palette();
}

void TSkinnedDialog::HandOutSkin() {
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (auto* strip = dynamic_cast<TBitmapButtons*>(c)) {
            strip->OrgImage = SkinImage;
            strip->Invalidate();
        } else if (auto* button = dynamic_cast<TBitmapButton*>(c)) {
            button->SetResImage(SkinImage);
        } else if (auto* bar = dynamic_cast<TCaptionBarPlus*>(c)) {
            // Both states show the skin under the bar's own place.
            bar->SetBackground(SkinImage, SkinX + bar->Left(), SkinY + bar->Top());
        }
    }
}

void TSkinnedDialog::CopySkin(TCanvas* canvas, int x, int y, int width, int height) {
    if (!SkinImage || !SkinImage->Picture()->Graphic()) return;
    canvas->CopyRect(RECT{0, 0, width, height}, SkinImage->Picture()->Bitmap()->Canvas(),
                     Bounds(SkinX + x, SkinY + y, width, height));
}

void TSkinnedDialog::PaintSkin() {
    HDC dc = Canvas()->Handle();
    HPALETTE palette = SkinPalette(SkinImage);
    HPALETTE old = nullptr;
    if (palette) {
        old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    CopySkin(Canvas(), 0, 0, Width(), Height());
    if (old) SelectPalette(dc, old, TRUE);
}

void TSkinnedDialog::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            message.Result = 1;
            return;
        case WM_PALETTECHANGED:
            SkinPaletteChanged();
            message.Result = 0;
            return;
    }
    TForm::WndProc(message);
}

void TSkinnedDialog::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TForm::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    // Move by the caption: the system's move loop follows the mouse.
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, MAKELPARAM(x, y));
}
