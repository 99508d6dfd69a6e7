// Layout resources: the text that describes a form and its components.
//
//   # a comment
//   TMainForm MainForm
//     Caption = "Main"
//     Bounds = 0 0 640 480          # several numbers make a list
//     Font.Name = "Arial"
//     BorderIcons = [biSystemMenu, biMinimize]
//     OnCreate = FormCreate         # a handler published by the form
//     TPanel Panel1
//       PopupMenu = Menu1           # another component of the form, by name
//       Picture = @STRIP            # a BITMAP resource of the module
//     end
//   end
//
// Each object line names a registered class and the component's name; the
// component is owned by the form and, when it is a control, parented by the
// enclosing control. "Name = value" sets a property; strings are UTF-8 text
// with \" \\ \n escapes.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "classes.h"
#include "layout_value.h"

// Reading state handed to SetProperty.
class TLayoutReader {
public:
    TLayoutReader(TComponent* root, HINSTANCE instance) : root_(root), instance_(instance) {}
    TComponent* Root() const { return root_; }
    HINSTANCE Instance() const { return instance_; }
    // The handler that the root (or an owner above it) publishes under the value's
    // identifier; raises EConvertError when missing or of another type.
    template <class Event>
    Event Handler(const TLayoutValue& value) const {
        for (TComponent* c = root_; c; c = c->Owner()) {
            if (Event e = c->FindHandler<Event>(value.AsIdent())) return e;
            if (c->HasHandler(value.AsIdent())) throw EConvertError("Handler " + value.AsIdent() + " has another type");
        }
        throw EConvertError("Handler " + value.AsIdent() + " not found");
    }
    // Resolves a reference to a component of the form after all exist.
    void Reference(const TLayoutValue& value, std::function<void(TComponent*)> resolve);
    void ResolveReferences();

private:
    TComponent* root_;
    HINSTANCE instance_;
    std::vector<std::pair<TLayoutValue, std::function<void(TComponent*)>>> references_;
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Classes that layouts may name. The framework's own are registered at start.
void RegisterComponentClass(const std::string& className, TComponentFactory factory);
template <class T>
void RegisterComponentClass(const std::string& className) {
    RegisterComponentClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
}
TComponentFactory FindComponentClass(const std::string& className);

// Reads a layout text into the root component (the form); the root's own
// object line must come first. Raises EConvertError with the line number
// on a malformed layout, an unknown class or property.
void ReadLayout(TComponent* root, const std::string& text, HINSTANCE instance);
// The text of an RCDATA resource, or false when the module has none of that name.
bool FindLayoutResource(HINSTANCE instance, const std::string& name, std::string& text);
