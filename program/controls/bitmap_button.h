// A windowless button whose faces are frames of a picture strip (its own,
// or a shared resource picture), with a shadowed caption.
#pragma once

#include <functional>
#include <memory>

#include "controls.h"
#include "extctrls.h"
#include "picture.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

using TButtonPaintEvent = std::function<void(TObject* sender, TCanvas* canvas, int left, int top)>;

class TBitmapButton : public TGraphicControl {
public:
    explicit TBitmapButton(TComponent* owner);
    ~TBitmapButton() override;

    void SetCaption(const std::string& caption) override;
    TPicture* Picture() { return picture_.get(); }
    void SetPicture(TPicture* picture);
    int NumBitmaps() const { return numBitmaps_; }
    void SetNumBitmaps(int n);
    int State() const { return state_; }
    void SetState(int state);
    int PressState() const { return pressState_; }
    void SetPressState(int state);
    bool Pressed() const { return pressed_; }
    int PressText() const { return pressText_; }
    void SetPressText(int pixels) { pressText_ = pixels; }
    int TextLeft() const { return textLeft_; }
    void SetTextLeft(int v);
    int TextTop() const { return textTop_; }
    void SetTextTop(int v);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor c);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition p);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int v);
    int ShadowPressSize() const { return shadowPressSize_; }
    void SetShadowPressSize(int v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    TImage* ResImage() const { return resImage_; }
    void SetResImage(TImage* image) {
        resImage_ = image;
        Invalidate();
    }
    int ResOrgX() const { return resOrgX_; }
    void SetResOrgX(int v) {
        resOrgX_ = v;
        Invalidate();
    }
    int ResOrgY() const { return resOrgY_; }
    void SetResOrgY(int v) {
        resOrgY_ = v;
        Invalidate();
    }
    TComponent* Link() const { return link_; }
    void SetLink(TComponent* c) { link_ = c; }

    // Takes over the other button's look, place and handlers.
    virtual void CopyFrom(TBitmapButton& other);

    // Where the caption and its shadow go (button coordinates), as Paint
    // draws them.
    POINT CaptionOrigin(SIZE text) const;
    POINT ShadowOrigin(SIZE text) const;

    TButtonPaintEvent OnPaint;
    TNotifyEvent OnChangeState;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

    // Buttons alive, sharing one memory context.
    static int SharedContextUsers();

protected:
    void Paint() override;

private:
    void PaintFace(HDC dc, int left, int top);
    void Resize();
    std::unique_ptr<TPicture> picture_;
    int numBitmaps_ = 2;
    int state_ = 1;
    int pressState_ = 2;
    bool pressed_ = false;
    int pressText_ = 0;
    int textLeft_ = -1, textTop_ = -1;
    TColor shadowColor_ = clBlack;
    TShadowPosition shadowPos_ = spRightBottom;
    int shadowSize_ = 0, shadowPressSize_ = 0;
    bool transparent_ = false;
    TImage* resImage_ = nullptr;
    int resOrgX_ = 0, resOrgY_ = 0;
    TComponent* link_ = nullptr;
};
