#include "controls/base_component.h"

#include "layout.h"

void TBaseComponent::WndProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND) {
        if (ComponentState() == csDesigning) {
            RECT r = ClientRect();
            FillRect(reinterpret_cast<HDC>(message.WParam), &r, static_cast<HBRUSH>(GetStockObject(stockObject_)));
        }
        message.Result = 1;
        return;
    }
    TPanel::WndProc(message);
}

bool TBaseComponent::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    if (LowerCase(name) == "stockobject") {
        SetStockObject(value.AsInt());
        return true;
    }
    return TPanel::SetProperty(name, value, reader);
}
