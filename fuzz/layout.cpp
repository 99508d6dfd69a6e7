// Layout resources over any text: lines read one by one as the form reader
// does, every value converted as each property kind would, nesting kept.
// Malformed lines end with EConvertError naming a line of the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "layout_value.h"

namespace {

template <class F>
void Try(F f) {
    try {
        f();
    } catch (const EConvertError&) {}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20)) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    int lines = 1;
    for (char c : text) lines += c == '\n';
    size_t pos = 0;
    int lineNo = 0, depth = 0, last = 0;
    TLayoutLine line;
    try {
        while (NextLayoutLine(text, pos, lineNo, line)) {
            if (line.line <= last || line.line > lines || line.line != lineNo) __builtin_trap();
            last = line.line;
            if (line.kind == TLayoutLine::Object) ++depth;
            if (line.kind == TLayoutLine::End && --depth < 0) break;
            if (line.kind != TLayoutLine::Property) continue;
            const TLayoutValue& v = line.value;
            if (v.line != line.line) __builtin_trap();
            Try([&] { v.AsInt(); });
            Try([&] { v.AsBool(); });
            Try([&] { v.AsString(); });
            Try([&] { v.AsIdent(); });
            Try([&] { v.AsEnum({"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}); });
            Try([&] { v.AsSet({"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}); });
        }
    } catch (const EConvertError& e) {
        if (e.Message().rfind("Layout line ", 0) != 0) __builtin_trap();
    }
    if (pos > size + 1) __builtin_trap();
    return 0;
}
