// A scroll bar whose painting and erasing can be taken over.
#pragma once

#include "stdctrls.h"

class TPaintScrollBar : public TScrollBar {
public:
    explicit TPaintScrollBar(TComponent* owner) : TScrollBar(owner) {}
    TNotifyEvent OnPaint;
    TNotifyEvent OnErase;
    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
};
