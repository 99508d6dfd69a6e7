// Popup menus and their items.
#pragma once

#include <windows.h>

#include <vector>

#include "classes.h"

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }  // "-" is a separator
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    bool Checked() const { return checked_; }
    void SetChecked(bool on) { checked_ = on; }
    bool Visible() const { return visible_; }
    void SetVisible(bool on) { visible_ = on; }
    bool IsSeparator() const { return caption_ == "-"; }
    // The default entry of its menu, shown in bold (a click on it runs as any other).
    bool Default() const { return default_; }
    void SetDefault(bool on) { default_ = on; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(index); }
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    // Child items: the menu item does not own them (their owner does), it lists them.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    // Removes and frees every child item.
    void Clear();

    TNotifyEvent OnClick;
    virtual void Click();
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    friend class TPopupMenu;
    std::string caption_;
    bool enabled_ = true, checked_ = false, visible_ = true, default_ = false;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    // The root item whose children are the menu's entries.
    TMenuItem* Items() { return &root_; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool on) { autoPopup_ = on; }
    // Shows the menu at a screen point and runs the chosen item's click.
    virtual void Popup(int x, int y);
    TNotifyEvent OnPopup;
    // The control whose right click opened the menu.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

private:
    TMenuItem root_{nullptr};
    bool autoPopup_ = true;
    TComponent* popupComponent_ = nullptr;
};
