// The object model: root object, persistent objects, components with
// owners, and string lists.
#pragma once

#include <any>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sysutils.h"
#include "types.h"

class TLayoutReader;
struct TLayoutValue;

class TObject {
public:
    virtual ~TObject() = default;
};

class TPersistent : public TObject {
public:
    // Copies the source's content; raises EConvertError when the classes do not fit.
    virtual void Assign(TPersistent* source);
    // The object held by a published property of class type (name in upper
    // case, e.g. "FONT"), or null when there is none.
    virtual TPersistent* GetObjectProperty(const std::string& upperName) { return nullptr; }
};

// Component states.
using TComponentState = unsigned;
constexpr TComponentState csLoading = 1, csReading = 2, csDesigning = 4, csDestroying = 8;

// A component is owned by another and destroyed with it; the owner keeps
// its components in the order they were added.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name) { name_ = name; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(index); }
    // Position among the owner's components, -1 without an owner.
    int ComponentIndex() const;
    // An owned component by name (case-insensitive), or null.
    TComponent* FindComponent(const std::string& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponentState ComponentState() const { return state_; }
    void SetDesigning(bool on);

    // Runs while the whole object still exists, before the destructors: the
    // owner runs it before deleting a component, and so does FreeAndNil.
    // Forms raise OnHide and OnDestroy here.
    virtual void BeforeDestruction();
    // Deletes the owned components, the last added first.
    void DestroyComponents();

    // Called once the component has been read from a layout resource, after
    // every component of the layout exists and references are resolved.
    virtual void Loaded() { state_ &= ~csLoading; }

    // Sets a property from a layout resource; false when the name is unknown.
    // Subclasses handle their own names and pass the others to their base.
    virtual bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader);

    // Event handlers published by name (the layout binds "OnClick = bShowModelClick").
    template <class Event>
    void PublishHandler(const std::string& name, Event handler) {
        handlers_[LowerCase(name)] = std::move(handler);
    }
    // Binds a method of a subclass: PublishMethod("FormCreate", this, &TMyForm::FormCreate).
    template <class C, class R, class... A>
    void PublishMethod(const std::string& name, C* object, R (C::*method)(A...)) {
        PublishHandler(name,
                       std::function<R(A...)>([object, method](A... args) { return (object->*method)(args...); }));
    }
    // The handler published under the name, or null when it is missing or of another type.
    template <class Event>
    Event FindHandler(const std::string& name) const {
        auto it = handlers_.find(LowerCase(name));
        if (it == handlers_.end()) return nullptr;
        if (const Event* e = std::any_cast<Event>(&it->second)) return *e;
        return nullptr;
    }
    bool HasHandler(const std::string& name) const { return handlers_.count(LowerCase(name)) != 0; }

protected:
    friend void ReadLayout(TComponent* root, const std::string& text, HINSTANCE instance);
    TComponentState state_ = 0;

private:
    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    std::vector<TComponent*> components_;
    std::map<std::string, std::any> handlers_;
};

// Deletes a component the way its owner would (BeforeDestruction first) and clears the pointer.
template <class T>
void FreeAndNil(T*& component) {
    T* c = component;
    component = nullptr;
    if (c) {
        c->BeforeDestruction();
        delete c;
    }
}

// A list of strings, read from and written to text files (CR LF or LF lines).
class TStringList : public TPersistent {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const { return items_.at(index); }
    const std::string& operator[](int index) const { return items_.at(index); }
    void SetStrings(int index, const std::string& text) { items_.at(index) = text; }
    int Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Clear() { items_.clear(); }
    int IndexOf(const std::string& text) const;  // case-insensitive, -1 when absent
    // All lines joined, each followed by CR LF.
    std::string Text() const;
    void SetText(const std::string& text);
    // Raises EFOpenError when the file cannot be opened.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void Assign(TPersistent* source) override;

private:
    std::vector<std::string> items_;
};
