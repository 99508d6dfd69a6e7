#include <algorithm>

#include "classes.h"
#include "layout.h"

void TPersistent::Assign(TPersistent* source) { throw EConvertError("Cannot assign this object"); }

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::BeforeDestruction() { state_ |= csDestroying; }

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        c->BeforeDestruction();
        delete c;  // its destructor removes it from the list
        if (!components_.empty() && components_.back() == c) components_.pop_back();
    }
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    std::string wanted = LowerCase(name);
    for (TComponent* c : components_)
        if (LowerCase(c->name_) == wanted) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it != components_.end()) components_.erase(it);
    component->owner_ = nullptr;
}

void TComponent::SetDesigning(bool on) {
    if (on)
        state_ |= csDesigning;
    else
        state_ &= ~csDesigning;
    for (TComponent* c : components_) c->SetDesigning(on);
}

bool TComponent::SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) {
    if (SameText(name, "Tag")) {
        tag_ = value.AsInt();
        return true;
    }
    return false;
}
