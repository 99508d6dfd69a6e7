#include <cstdio>
#include <memory>

#include "classes.h"

int TStringList::Add(const std::string& text) {
    items_.push_back(text);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) throw Exception("List index out of bounds (" + IntToStr(index) + ")");
    items_.insert(items_.begin() + index, text);
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("List index out of bounds (" + IntToStr(index) + ")");
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string& text) const {
    std::string wanted = LowerCase(text);
    for (int i = 0; i < Count(); ++i)
        if (LowerCase(items_[i]) == wanted) return i;
    return -1;
}

std::string TStringList::Text() const {
    std::string out;
    for (auto& s : items_) out += s + "\r\n";
    return out;
}

void TStringList::SetText(const std::string& text) {
    items_.clear();
    size_t i = 0, n = text.size();
    while (i < n) {
        size_t start = i;
        while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
        items_.push_back(text.substr(start, i - start));
        if (i < n && text[i] == '\r') ++i;
        if (i < n && text[i] == '\n') ++i;
    }
}

void TStringList::LoadFromFile(const std::string& fileName) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!f) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    std::string data;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) data.append(buffer, got);
    SetText(data);
}

void TStringList::SaveToFile(const std::string& fileName) const {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "wb"), std::fclose);
    if (!f) throw EFOpenError("Cannot create file \"" + fileName + "\"");
    std::string data = Text();
    if (std::fwrite(data.data(), 1, data.size(), f.get()) != data.size())
        throw EFOpenError("Cannot write file \"" + fileName + "\"");
}

void TStringList::Assign(TPersistent* source) {
    if (auto* list = dynamic_cast<TStringList*>(source)) {
        items_ = list->items_;
        return;
    }
    TPersistent::Assign(source);
}
