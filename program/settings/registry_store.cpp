#include "settings/registry_store.h"

#include <fstream>
#include <sstream>

#include "settings/text_helpers.h"

const char* const ProgramKey = "Software\\Quenvo\\Pupetta";
const char* const ProgramSubkey = "Pupetta";

namespace {

// An open key, closed on scope exit.
class KeyHandle {
public:
    explicit KeyHandle(HKEY key) : key_(key) {}
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (key_) RegCloseKey(key_);
    }
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

HKEY CreateKey(HKEY base, const std::string& path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool ReadString(HKEY key, const std::string& name, std::string& out) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::string buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return false;
    buffer.resize(got);
    while (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
    out = buffer;
    return true;
}

}  // namespace

HKEY RootKeyHandle(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegRoot::Users:
            return HKEY_USERS;
        case RegRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
        case RegRoot::DynData:
            return HKEY_DYN_DATA;
        case RegRoot::CurrentUser:
            break;
    }
    return HKEY_CURRENT_USER;
}

int ReadRegInteger(const std::string& key, const std::string& name, int fallback) {
    KeyHandle handle(CreateKey(HKEY_CURRENT_USER, key));
    std::string text;
    if (!handle.get() || !ReadString(handle.get(), name, text)) return fallback;
    return ReadIntegerDef(text, fallback);
}

bool ReadRegBool(const std::string& key, const std::string& name, bool fallback) {
    return ReadRegInteger(key, name, fallback ? 1 : 0) != 0;
}

bool ReadRegBoolNoCreate(const std::string& key, const std::string& name, bool fallback) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return fallback;
    KeyHandle handle(opened);
    std::string text;
    if (!ReadString(handle.get(), name, text)) return fallback;
    return ReadIntegerDef(text, fallback ? 1 : 0) != 0;
}

void RegistryWriter::CloseKey() {
    if (current_) RegCloseKey(current_);
    current_ = nullptr;
}

void RegistryWriter::OpenKey(RegRoot root, const std::string& path) {
    HKEY rootKey = RootKeyHandle(root);
    if (rootKey != root_) {
        root_ = rootKey;
        CloseKey();
    }
    bool relative = path.empty() || path[0] != '\\';
    HKEY base = (relative && current_) ? current_ : root_;
    HKEY key = CreateKey(base, relative ? path : path.substr(1));
    // A key that cannot be opened must not leave its values going into the
    // previous key.
    CloseKey();
    current_ = key;
}

void RegistryWriter::WriteString(const std::string& name, const std::string& text) {
    if (!current_) return;
    if (RegSetValueExA(current_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void RegistryWriter::WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) {
    if (!current_) return;
    if (RegSetValueExA(current_, name.c_str(), 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) !=
        ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void ImportRegFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file \"" + path + "\"");
    std::ostringstream text;
    text << in.rdbuf();
    RegistryWriter registry;
    ApplyRegText(text.str(), registry);
}
