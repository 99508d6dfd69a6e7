// Reader of layout resources and the registry of component classes.
#include "layout.h"

#include <cctype>
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

[[noreturn]] void Fail(int line, const std::string& what) {
  throw EConvertError("Layout line " + IntToStr(line) + ": " + what);
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

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// Cuts a comment that is not inside a string.
std::string StripComment(const std::string& line) {
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (inString && line[i] == '\\') ++i;
    else if (line[i] == '"') inString = !inString;
    else if (!inString && line[i] == '#') return line.substr(0, i);
  }
  return line;
}

size_t FindEquals(const std::string& line) {
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (inString && line[i] == '\\') ++i;
    else if (line[i] == '"') inString = !inString;
    else if (!inString && line[i] == '=') return i;
  }
  return std::string::npos;
}

long long ParseNumber(const std::string& word, int line) {
  if (word.empty()) Fail(line, "number expected");
  size_t i = 0;
  bool negative = false;
  if (word[0] == '-' || word[0] == '+') {
    negative = word[0] == '-';
    i = 1;
  }
  int base = 10;
  if (i < word.size() && word[i] == '$') {
    base = 16;
    ++i;
  }
  if (i >= word.size()) Fail(line, "number expected: " + word);
  long long v = 0;
  for (; i < word.size(); ++i) {
    int c = std::tolower(static_cast<unsigned char>(word[i])), d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else Fail(line, "bad number: " + word);
    v = v * base + d;
    if (v > 0xFFFFFFFFLL) Fail(line, "number out of range: " + word);
  }
  return negative ? -v : v;
}

TLayoutValue ParseValue(const std::string& text, int line) {
  TLayoutValue v;
  v.line = line;
  if (text.empty()) Fail(line, "value expected");
  if (text[0] == '"') {
    v.kind = TLayoutValue::String;
    std::string out;
    size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        char e = text[++i];
        out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      } else {
        out += text[i];
      }
    }
    if (i >= text.size()) Fail(line, "unterminated string");
    if (!Trim(text.substr(i + 1)).empty()) Fail(line, "text after the string");
    v.text = Utf8ToAnsi(out);
  } else if (text[0] == '[') {
    v.kind = TLayoutValue::List;
    size_t close = text.find(']');
    if (close == std::string::npos || !Trim(text.substr(close + 1)).empty()) Fail(line, "unterminated list");
    std::string inner = text.substr(1, close - 1);
    size_t start = 0;
    while (start <= inner.size()) {
      size_t comma = inner.find(',', start);
      std::string item = Trim(inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if (!item.empty()) v.items.push_back(item);
      else if (comma != std::string::npos) Fail(line, "empty list item");
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  } else if (text[0] == '@') {
    v.kind = TLayoutValue::Resource;
    v.text = Trim(text.substr(1));
    if (v.text.empty()) Fail(line, "resource name expected");
  } else if (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '+' || text[0] == '$') {
    v.kind = TLayoutValue::Number;
    size_t i = 0;
    while (i < text.size()) {
      size_t e = text.find_first_of(" \t", i);
      std::string word = text.substr(i, e == std::string::npos ? std::string::npos : e - i);
      v.numbers.push_back(ParseNumber(word, line));
      if (e == std::string::npos) break;
      i = text.find_first_not_of(" \t", e);
      if (i == std::string::npos) break;
    }
  } else {
    v.kind = TLayoutValue::Identifier;
    for (char c : text)
      if (!IsIdentChar(c)) Fail(line, "bad identifier: " + text);
    v.text = text;
  }
  return v;
}

}  // namespace

// ---- values

int TLayoutValue::AsInt() const {
  if (kind != Number || numbers.size() != 1) throw EConvertError("Layout line " + IntToStr(line) + ": number expected");
  return static_cast<int>(numbers[0]);
}

bool TLayoutValue::AsBool() const {
  if (kind == Identifier) {
    std::string t = LowerCase(text);
    if (t == "true") return true;
    if (t == "false") return false;
  }
  throw EConvertError("Layout line " + IntToStr(line) + ": true or false expected");
}

const std::string& TLayoutValue::AsString() const {
  if (kind != String) throw EConvertError("Layout line " + IntToStr(line) + ": string expected");
  return text;
}

const std::string& TLayoutValue::AsIdent() const {
  if (kind != Identifier) throw EConvertError("Layout line " + IntToStr(line) + ": name expected");
  return text;
}

int TLayoutValue::AsEnum(std::initializer_list<const char*> names) const {
  const std::string& t = AsIdent();
  int i = 0;
  for (const char* n : names) {
    if (LowerCase(t) == LowerCase(n)) return i;
    ++i;
  }
  throw EConvertError("Layout line " + IntToStr(line) + ": unknown value " + t);
}

unsigned TLayoutValue::AsSet(std::initializer_list<const char*> names) const {
  if (kind != List) throw EConvertError("Layout line " + IntToStr(line) + ": list expected");
  unsigned bits = 0;
  for (auto& item : items) {
    int i = 0;
    bool found = false;
    for (const char* n : names) {
      if (LowerCase(item) == LowerCase(n)) {
        bits |= 1u << i;
        found = true;
      }
      ++i;
    }
    if (!found) throw EConvertError("Layout line " + IntToStr(line) + ": unknown value " + item);
  }
  return bits;
}

// ---- reader

void TLayoutReader::Reference(const TLayoutValue& value, std::function<void(TComponent*)> resolve) {
  value.AsIdent();
  references_.push_back({value, std::move(resolve)});
}

void TLayoutReader::ResolveReferences() {
  for (auto& [value, resolve] : references_) {
    TComponent* c = LowerCase(value.text) == LowerCase(root_->Name()) ? root_ : root_->FindComponent(value.text);
    if (!c) Fail(value.line, "no component named " + value.text);
    try {
      resolve(c);
    } catch (const EConvertError& e) {
      Fail(value.line, e.Message());
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
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? text.size() + 1 : nl + 1;
    ++lineNo;
    std::string line = Trim(StripComment(raw));
    if (line.empty()) continue;
    if (line == "end") {
      if (stack.empty()) Fail(lineNo, "end without object");
      stack.pop_back();
      continue;
    }
    size_t eq = FindEquals(line);
    if (eq != std::string::npos) {
      if (stack.empty()) Fail(lineNo, "property outside an object");
      std::string name = Trim(line.substr(0, eq));
      TLayoutValue value = ParseValue(Trim(line.substr(eq + 1)), lineNo);
      bool known;
      try {
        known = stack.back()->SetProperty(name, value, reader);
      } catch (const EConvertError& e) {
        if (e.Message().rfind("Layout line", 0) == 0) throw;
        Fail(lineNo, e.Message());
      }
      if (!known) Fail(lineNo, "unknown property " + name);
      continue;
    }
    // An object line: class and name.
    size_t space = line.find_first_of(" \t");
    if (space == std::string::npos) Fail(lineNo, "object line needs a class and a name");
    std::string cls = line.substr(0, space), name = Trim(line.substr(space));
    for (char c : name)
      if (!IsIdentChar(c)) Fail(lineNo, "bad component name " + name);
    if (!rootSeen) {
      rootSeen = true;
      root->SetName(name);
      root->state_ |= csLoading | csReading;
      stack.push_back(root);
      continue;
    }
    if (stack.empty()) Fail(lineNo, "a second root object");
    TComponentFactory factory = FindComponentClass(cls);
    if (!factory) Fail(lineNo, "unknown class " + cls);
    if (root->FindComponent(name)) Fail(lineNo, "a second component named " + name);
    TComponent* c = factory(root);
    c->SetName(name);
    c->state_ |= csLoading | csReading;
    TComponent* enclosing = stack.back();
    if (auto* control = dynamic_cast<TControl*>(c)) {
      if (auto* parent = dynamic_cast<TWinControl*>(enclosing)) control->SetParent(parent);
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      if (auto* menu = dynamic_cast<TPopupMenu*>(enclosing)) menu->Items()->Add(item);
      else if (auto* parentItem = dynamic_cast<TMenuItem*>(enclosing)) parentItem->Add(item);
    }
    stack.push_back(c);
  }
  if (!rootSeen) Fail(lineNo, "no object");
  if (!stack.empty()) Fail(lineNo, "missing end");
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
  static const std::pair<const char*, TColor> names[] = {
      {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
      {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
      {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
      {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
      {"clBackground", clBackground}, {"clWindow", clWindow}, {"clWindowText", clWindowText},
      {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow}, {"clBtnHighlight", clBtnHighlight},
      {"clInfoBk", clInfoBk}, {"clInfoText", clInfoText}, {"clNone", clNone}, {"clDefault", clDefault}};
  std::string t = LowerCase(v.AsIdent());
  for (auto& [n, c] : names)
    if (LowerCase(n) == t) return c;
  throw EConvertError("Layout line " + IntToStr(v.line) + ": unknown colour " + v.text);
}

TCursor LayoutCursor(const TLayoutValue& v) {
  if (v.kind == TLayoutValue::Number) return v.AsInt();
  static const std::pair<const char*, TCursor> names[] = {
      {"crDefault", crDefault}, {"crNone", crNone}, {"crArrow", crArrow}, {"crCross", crCross},
      {"crIBeam", crIBeam}, {"crSizeNESW", crSizeNESW}, {"crSizeNS", crSizeNS}, {"crSizeNWSE", crSizeNWSE},
      {"crSizeWE", crSizeWE}, {"crUpArrow", crUpArrow}, {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
      {"crNoDrop", crNoDrop}, {"crNo", crNo}, {"crAppStart", crAppStart}, {"crHelp", crHelp},
      {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}};
  std::string t = LowerCase(v.AsIdent());
  for (auto& [n, c] : names)
    if (LowerCase(n) == t) return c;
  throw EConvertError("Layout line " + IntToStr(v.line) + ": unknown cursor " + v.text);
}

void SetFontProperty(TFont& font, const std::string& name, const TLayoutValue& v) {
  if (SameText(name, "Name")) font.SetName(v.AsString());
  else if (SameText(name, "Size")) font.SetSize(v.AsInt());
  else if (SameText(name, "Height")) font.SetHeight(v.AsInt());
  else if (SameText(name, "Color")) font.SetColor(LayoutColor(v));
  else if (SameText(name, "Style")) font.SetStyle(v.AsSet({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
  else if (SameText(name, "Charset")) font.SetCharset(static_cast<BYTE>(v.AsInt()));
  else if (SameText(name, "Orientation")) font.SetOrientation(v.AsInt());
  else throw EConvertError("unknown property Font." + name);
}
