// Picture controls: the image (a picture, also used as a picture holder)
// and the paint box (an area painted by its OnPaint).
#pragma once

#include <memory>

#include "controls.h"
#include "picture.h"

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TPicture* Picture() { return picture_.get(); }
    void SetPicture(TPicture* picture) { picture_->Assign(picture); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on) {
        stretch_ = on;
        Invalidate();
    }
    bool Center() const { return center_; }
    void SetCenter(bool on) {
        center_ = on;
        Invalidate();
    }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;

private:
    void PictureChanged(TObject*);
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false, center_ = false, transparent_ = false, autoSize_ = false;
};

class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner);
    TNotifyEvent OnPaint;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
};
