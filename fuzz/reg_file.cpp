// The first-run registry file reader over any text: every line is a key, a
// value or ignored, and what reaches the registry stays within the line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/reg_file.h"

namespace {

class CheckingSink : public RegFileSink {
public:
    explicit CheckingSink(size_t size) : size_(size) {}
    void OpenKey(RegRoot root, const std::string& path) override {
        if (static_cast<int>(root) > static_cast<int>(RegRoot::DynData) || path.size() > size_) __builtin_trap();
        keyOpen_ = true;
    }
    void WriteString(const std::string& name, const std::string& text) override {
        if (name.size() + text.size() > size_) __builtin_trap();
    }
    void WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) override {
        // Two characters at least per byte ("0a,"), so never more bytes than text.
        if (name.size() + bytes.size() > size_) __builtin_trap();
    }

private:
    size_t size_;
    bool keyOpen_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckingSink sink(size);
    ApplyRegText(text, sink);
    RegHexByte(text);
    return 0;
}
