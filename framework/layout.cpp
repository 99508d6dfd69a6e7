// Reader of layout resources and the registry of component classes.
#include "layout.h"

#include <map>
#include <vector>

#include "controls.h"
#include "layout_values.h"
#include "menus.h"

void RegisterFrameworkClasses();

namespace {

std::map<std::string, TComponentFactory>& Classes() {
    static std::map<std::string, TComponentFactory> classes;
    return classes;
}

std::string Utf8ToAnsi(const std::string& text) {
    if (text.empty()) return text;
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

}  // namespace

// ---- reader

void TLayoutReader::Reference(const TLayoutValue& value, std::function<void(TComponent*)> resolve) {
    value.AsIdent();
    references_.push_back({value, std::move(resolve)});
}

void TLayoutReader::ResolveReferences() {
    for (auto& [value, resolve] : references_) {
        TComponent* c = LowerCase(value.text) == LowerCase(root_->Name()) ? root_ : root_->FindComponent(value.text);
        if (!c) LayoutFail(value.line, "no component named " + value.text);
        try {
            resolve(c);
        } catch (const EConvertError& e) {
            LayoutFail(value.line, e.Message());
        }
    }
    references_.clear();
}

void RegisterComponentClass(const std::string& className, TComponentFactory factory) {
    Classes()[className] = std::move(factory);
}

TComponentFactory FindComponentClass(const std::string& className) {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterFrameworkClasses();
    }
    auto it = Classes().find(className);
    return it == Classes().end() ? nullptr : it->second;
}

void ReadLayout(TComponent* root, const std::string& text, HINSTANCE instance) {
    TLayoutReader reader(root, instance);
    std::vector<TComponent*> stack;
    bool rootSeen = false;
    int lineNo = 0;
    size_t pos = 0;
    TLayoutLine line;
    while (NextLayoutLine(text, pos, lineNo, line)) {
        if (line.kind == TLayoutLine::End) {
            if (stack.empty()) LayoutFail(lineNo, "end without object");
            stack.pop_back();
            continue;
        }
        if (line.kind == TLayoutLine::Property) {
            if (stack.empty()) LayoutFail(lineNo, "property outside an object");
            TLayoutValue& value = line.value;
            if (value.kind == TLayoutValue::String) value.text = Utf8ToAnsi(value.text);
            bool known;
            try {
                known = stack.back()->SetProperty(line.name, value, reader);
            } catch (const EConvertError& e) {
                if (e.Message().rfind("Layout line", 0) == 0) throw;
                LayoutFail(lineNo, e.Message());
            }
            if (!known) LayoutFail(lineNo, "unknown property " + line.name);
            continue;
        }
        const std::string& cls = line.className;
        const std::string& name = line.name;
        if (!rootSeen) {
            rootSeen = true;
            root->SetName(name);
            root->state_ |= csLoading | csReading;
            stack.push_back(root);
            continue;
        }
        if (stack.empty()) LayoutFail(lineNo, "a second root object");
        TComponentFactory factory = FindComponentClass(cls);
        if (!factory) LayoutFail(lineNo, "unknown class " + cls);
        if (root->FindComponent(name)) LayoutFail(lineNo, "a second component named " + name);
        TComponent* c = factory(root);
        c->SetName(name);
        c->state_ |= csLoading | csReading;
        TComponent* enclosing = stack.back();
        if (auto* control = dynamic_cast<TControl*>(c)) {
            if (auto* parent = dynamic_cast<TWinControl*>(enclosing)) control->SetParent(parent);
        } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
            if (auto* menu = dynamic_cast<TPopupMenu*>(enclosing))
                menu->Items()->Add(item);
            else if (auto* parentItem = dynamic_cast<TMenuItem*>(enclosing))
                parentItem->Add(item);
        }
        stack.push_back(c);
    }
    if (!rootSeen) LayoutFail(lineNo, "no object");
    if (!stack.empty()) LayoutFail(lineNo, "missing end");
    reader.ResolveReferences();
    root->state_ &= ~csReading;
    for (int i = 0; i < root->ComponentCount(); ++i) root->Components(i)->state_ &= ~csReading;
}

bool FindLayoutResource(HINSTANCE instance, const std::string& name, std::string& text) {
    HRSRC res = FindResourceA(instance, UpperCase(name).c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!res) return false;
    HGLOBAL data = LoadResource(instance, res);
    DWORD size = SizeofResource(instance, res);
    const char* p = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!p) return false;
    text.assign(p, size);
    return true;
}

// ---- shared value conversions

TColor LayoutColor(const TLayoutValue& v) {
    if (v.kind == TLayoutValue::Number) return v.AsInt();
    static const std::pair<const char*, TColor> names[] = {{"clBlack", clBlack},
                                                           {"clMaroon", clMaroon},
                                                           {"clGreen", clGreen},
                                                           {"clOlive", clOlive},
                                                           {"clNavy", clNavy},
                                                           {"clPurple", clPurple},
                                                           {"clTeal", clTeal},
                                                           {"clGray", clGray},
                                                           {"clSilver", clSilver},
                                                           {"clRed", clRed},
                                                           {"clLime", clLime},
                                                           {"clYellow", clYellow},
                                                           {"clBlue", clBlue},
                                                           {"clFuchsia", clFuchsia},
                                                           {"clAqua", clAqua},
                                                           {"clWhite", clWhite},
                                                           {"clBackground", clBackground},
                                                           {"clWindow", clWindow},
                                                           {"clWindowText", clWindowText},
                                                           {"clBtnFace", clBtnFace},
                                                           {"clBtnShadow", clBtnShadow},
                                                           {"clBtnHighlight", clBtnHighlight},
                                                           {"clInfoBk", clInfoBk},
                                                           {"clInfoText", clInfoText},
                                                           {"clNone", clNone},
                                                           {"clDefault", clDefault}};
    std::string t = LowerCase(v.AsIdent());
    for (auto& [n, c] : names)
        if (LowerCase(n) == t) return c;
    throw EConvertError("Layout line " + IntToStr(v.line) + ": unknown colour " + v.text);
}

TCursor LayoutCursor(const TLayoutValue& v) {
    if (v.kind == TLayoutValue::Number) return v.AsInt();
    static const std::pair<const char*, TCursor> names[] = {{"crDefault", crDefault},     {"crNone", crNone},
                                                            {"crArrow", crArrow},         {"crCross", crCross},
                                                            {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
                                                            {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},
                                                            {"crSizeWE", crSizeWE},       {"crUpArrow", crUpArrow},
                                                            {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
                                                            {"crNoDrop", crNoDrop},       {"crNo", crNo},
                                                            {"crAppStart", crAppStart},   {"crHelp", crHelp},
                                                            {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}};
    std::string t = LowerCase(v.AsIdent());
    for (auto& [n, c] : names)
        if (LowerCase(n) == t) return c;
    throw EConvertError("Layout line " + IntToStr(v.line) + ": unknown cursor " + v.text);
}

void SetFontProperty(TFont& font, const std::string& name, const TLayoutValue& v) {
    if (SameText(name, "Name"))
        font.SetName(v.AsString());
    else if (SameText(name, "Size"))
        font.SetSize(v.AsInt());
    else if (SameText(name, "Height"))
        font.SetHeight(v.AsInt());
    else if (SameText(name, "Color"))
        font.SetColor(LayoutColor(v));
    else if (SameText(name, "Style"))
        font.SetStyle(v.AsSet({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
    else if (SameText(name, "Charset"))
        font.SetCharset(static_cast<BYTE>(v.AsInt()));
    else if (SameText(name, "Orientation"))
        font.SetOrientation(v.AsInt());
    else
        throw EConvertError("unknown property Font." + name);
}
