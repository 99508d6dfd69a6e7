// The panel base of the program's own composite components.
#pragma once

#include "stdctrls.h"

class TBaseComponent : public TPanel {
public:
    explicit TBaseComponent(TComponent* owner) : TPanel(owner) {}
    // Stock brush index that fills the background at design time.
    int StockObject() const { return stockObject_; }
    void SetStockObject(int index) { stockObject_ = index; }
    // Set when a subclass starts a drag; cleared when the following mouse-up
    // or drop has been consumed.
    void BeginDragFlag() { dragFlag_ = true; }
    bool DragFlag() const { return dragFlag_; }
    void ClearDragFlag() { dragFlag_ = false; }

    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    int stockObject_ = WHITE_BRUSH;
    bool dragFlag_ = false;
};
