#include "registry.h"

#include <vector>

namespace {

[[noreturn]] void Fail(const char* pattern, const std::string& name) {
    throw ERegistryException(FormatMessage1(pattern, name));
}

std::string StripLeading(const std::string& key) {
    size_t i = 0;
    while (i < key.size() && key[i] == '\\') ++i;
    return key.substr(i);
}

}  // namespace

TRegistry::TRegistry() = default;
TRegistry::TRegistry(REGSAM access) : access_(access) {}
TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

void TRegistry::CloseKey() {
    if (current_) RegCloseKey(current_);
    current_ = nullptr;
    path_.clear();
}

HKEY TRegistry::Resolve(const std::string& key, std::string& fullPath) const {
    bool absolute = !key.empty() && key[0] == '\\';
    std::string rest = StripLeading(key);
    if (absolute || !current_) {
        fullPath = rest;
        return root_;
    }
    fullPath = rest.empty() ? path_ : (path_.empty() ? rest : path_ + "\\" + rest);
    return root_;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string full;
    HKEY base = Resolve(key, full);
    HKEY opened = nullptr;
    LONG r;
    if (canCreate)
        r = RegCreateKeyExA(base, full.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, &opened,
                            nullptr);
    else
        r = RegOpenKeyExA(base, full.c_str(), 0, access_, &opened);
    if (r != ERROR_SUCCESS) return false;
    CloseKey();
    current_ = opened;
    path_ = full;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM saved = access_;
    access_ = KEY_READ;
    bool ok = OpenKey(key, false);
    access_ = saved;
    return ok;
}

bool TRegistry::KeyExists(const std::string& key) {
    std::string full;
    HKEY base = Resolve(key, full);
    HKEY k;
    if (RegOpenKeyExA(base, full.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

bool TRegistry::CreateKey(const std::string& key) {
    std::string full;
    HKEY base = Resolve(key, full);
    HKEY k;
    if (RegCreateKeyExA(base, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

static LONG DeleteTree(HKEY base, const std::string& path) {
    HKEY k;
    if (RegOpenKeyExA(base, path.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        char name[256];
        while (RegEnumKeyA(k, 0, name, sizeof name) == ERROR_SUCCESS)
            if (DeleteTree(k, name) != ERROR_SUCCESS) break;
        RegCloseKey(k);
    }
    return RegDeleteKeyA(base, path.c_str());
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string full;
    HKEY base = Resolve(key, full);
    return DeleteTree(base, full) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) {
    return current_ && RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
    return current_ && RegDeleteValueA(current_, name.c_str()) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    DWORD type = 0;
    if (!current_ || RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return rdUnknown;
    switch (type) {
        case REG_SZ:
            return rdString;
        case REG_EXPAND_SZ:
            return rdExpandString;
        case REG_DWORD:
            return rdInteger;
        case REG_BINARY:
            return rdBinary;
        default:
            return rdUnknown;
    }
}

int TRegistry::GetDataSize(const std::string& name) {
    DWORD size = 0;
    if (!current_ || RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(size);
}

std::vector<std::string> TRegistry::GetValueNames() {
    std::vector<std::string> names;
    if (!current_) return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumValueA(current_, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() {
    std::vector<std::string> names;
    if (!current_) return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(current_, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
    return names;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!current_ || RegSetValueExA(current_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        Fail("Failed to set data for '%s'", name);
}

std::string TRegistry::ReadString(const std::string& name) {
    if (!current_) return std::string();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ) Fail("Invalid data type for '%s'", name);
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        Fail("Failed to get data for '%s'", name);
    return std::string(data.data());
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD v = static_cast<DWORD>(value);
    if (!current_ || RegSetValueExA(current_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                                    sizeof v) != ERROR_SUCCESS)
        Fail("Failed to set data for '%s'", name);
}

int TRegistry::ReadInteger(const std::string& name) {
    DWORD type = 0, v = 0, size = sizeof v;
    if (!current_ ||
        RegQueryValueExA(current_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS)
        Fail("Failed to get data for '%s'", name);
    if (type != REG_DWORD) Fail("Invalid data type for '%s'", name);
    return static_cast<int>(v);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* data, int size) {
    if (!current_ || size < 0 ||
        RegSetValueExA(current_, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size)) != ERROR_SUCCESS)
        Fail("Failed to set data for '%s'", name);
}

int TRegistry::ReadBinaryData(const std::string& name, void* data, int size) {
    DWORD type = 0, stored = 0;
    if (!current_ || RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &stored) != ERROR_SUCCESS)
        Fail("Failed to get data for '%s'", name);
    if ((type != REG_BINARY && type != REG_NONE) || size < 0 || stored > static_cast<DWORD>(size))
        Fail("Invalid data type for '%s'", name);
    if (RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, static_cast<BYTE*>(data), &stored) != ERROR_SUCCESS)
        Fail("Failed to get data for '%s'", name);
    return static_cast<int>(stored);
}

// ---- registry as an ini file

TRegIniFile::TRegIniFile(const std::string& fileName) : TRegIniFile(fileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const std::string& fileName, REGSAM access) : TRegistry(access), fileName_(fileName) {
    OpenKey(fileName, true);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& fallback) {
    std::string saved = CurrentPath();
    std::string result = fallback;
    bool opened = section.empty() || OpenKey(section, false);
    if (opened && ValueExists(ident)) {
        TRegDataType t = GetDataType(ident);
        if (t == rdString || t == rdExpandString)
            result = TRegistry::ReadString(ident);
        else if (t == rdInteger)
            result = IntToStr(TRegistry::ReadInteger(ident));
    }
    if (!section.empty()) OpenKey("\\" + saved, false);
    return result;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    std::string saved = CurrentPath();
    bool opened = section.empty() || OpenKey(section, true);
    if (!opened) Fail("Failed to set data for '%s'", ident);
    try {
        TRegistry::WriteString(ident, value);
    } catch (...) {
        if (!section.empty()) OpenKey("\\" + saved, false);
        throw;
    }
    if (!section.empty()) OpenKey("\\" + saved, false);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int fallback) {
    std::string text = ReadString(section, ident, std::string());
    return StrToIntDef(text, fallback);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool fallback) {
    return ReadInteger(section, ident, fallback ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::EraseSection(const std::string& section) { TRegistry::DeleteKey(section); }

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    std::string saved = CurrentPath();
    if (section.empty() || OpenKey(section, false)) DeleteValue(ident);
    if (!section.empty()) OpenKey("\\" + saved, false);
}
