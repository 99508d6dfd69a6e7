#include "menus.h"

#include <algorithm>

#include "application.h"
#include "layout.h"

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    for (TMenuItem* child : items_) child->parent_ = nullptr;
    if (parent_) parent_->Remove(this);
}

int TMenuItem::MenuIndex() const {
    if (!parent_) return -1;
    auto& list = parent_->items_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item->parent_) item->parent_->Remove(item);
    if (index < 0 || index > Count()) throw Exception("Menu index out of range");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        FreeAndNil(item);
    }
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

bool TMenuItem::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "Caption"))
        SetCaption(v.AsString());
    else if (SameText(name, "Enabled"))
        SetEnabled(v.AsBool());
    else if (SameText(name, "Checked"))
        SetChecked(v.AsBool());
    else if (SameText(name, "Visible"))
        SetVisible(v.AsBool());
    else if (SameText(name, "Default"))
        SetDefault(v.AsBool());
    else if (SameText(name, "OnClick"))
        OnClick = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
    // The items belong to their owners; they only leave the menu.
    while (root_.Count() > 0) root_.Remove(root_.Items(root_.Count() - 1));
}

namespace {

// Builds the system menu; command ids are 1 + the index into `commands`.
HMENU BuildMenu(TMenuItem* parent, std::vector<TMenuItem*>& commands) {
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        if (item->IsSeparator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item->Enabled() ? 0 : MF_GRAYED) | (item->Checked() ? MF_CHECKED : 0);
        if (item->Count() > 0) {
            AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(item, commands)),
                        item->Caption().c_str());
        } else {
            commands.push_back(item);
            AppendMenuA(menu, flags, commands.size(), item->Caption().c_str());
        }
        if (item->Default()) SetMenuDefaultItem(menu, GetMenuItemCount(menu) - 1, TRUE);
    }
    return menu;
}

}  // namespace

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    std::vector<TMenuItem*> commands;
    HMENU menu = BuildMenu(&root_, commands);
    HWND owner = Application ? Application->Handle() : GetActiveWindow();
    if (GetActiveWindow()) owner = GetActiveWindow();
    SetForegroundWindow(owner);
    UINT chosen =
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr);
    DestroyMenu(menu);
    PostMessageA(owner, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= commands.size()) commands[chosen - 1]->Click();
}

bool TPopupMenu::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "AutoPopup"))
        SetAutoPopup(v.AsBool());
    else if (SameText(name, "OnPopup"))
        OnPopup = reader.Handler<TNotifyEvent>(v);
    else
        return TComponent::SetProperty(name, v, reader);
    return true;
}
