#include "bitmap.h"
#include "extctrls.h"
#include "layout.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    width_ = 105;
    height_ = 105;
    picture_->OnChange = [this](TObject* s) { PictureChanged(s); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::PictureChanged(TObject*) {
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(transparent_);
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(left_, top_, picture_->Width(), picture_->Height());
    Invalidate();
}

void TImage::SetTransparent(bool on) {
    transparent_ = on;
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(on);
    Invalidate();
}

void TImage::SetAutoSize(bool on) {
    autoSize_ = on;
    PictureChanged(nullptr);
}

void TImage::Paint() {
    TGraphic* g = picture_->Graphic();
    if (!g || g->Empty()) return;
    RECT r;
    if (stretch_) {
        r = ClientRect();
    } else if (center_) {
        int x = (width_ - g->Width()) / 2, y = (height_ - g->Height()) / 2;
        r = RECT{x, y, x + g->Width(), y + g->Height()};
    } else {
        r = RECT{0, 0, g->Width(), g->Height()};
    }
    Canvas()->StretchDraw(r, g);
}

bool TImage::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Picture")) {
        // A bitmap stored with the program: a BITMAP resource of the module.
        if (v.kind != TLayoutValue::Resource) throw EConvertError("Picture needs a resource (@NAME)");
        picture_->Bitmap()->LoadFromResourceName(reader.Instance(), v.text);
    } else if (SameText(name, "Stretch"))
        SetStretch(v.AsBool());
    else if (SameText(name, "Center"))
        SetCenter(v.AsBool());
    else if (SameText(name, "Transparent"))
        SetTransparent(v.AsBool());
    else if (SameText(name, "AutoSize"))
        SetAutoSize(v.AsBool());
    else
        return TGraphicControl::SetProperty(name, v, reader);
    return true;
}

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
}

void TPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}

bool TPaintBox::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "OnPaint"))
        OnPaint = reader.Handler<TNotifyEvent>(v);
    else
        return TGraphicControl::SetProperty(name, v, reader);
    return true;
}
