#include "models/slot_registry_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "sysutils.h"

void TRegIniFileM::ReadBinary(const std::string& section, const std::string& name, int size, void* buffer) {
    std::vector<std::uint8_t> bytes;
    if (size <= 0 || !ReadBinary(section, name, bytes)) return;
    std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(size)));
}

bool TRegIniFileM::ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(CurrentKey(), section.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, length = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &length);
    bool found = false;
    if (status == ERROR_SUCCESS) {
        if (type != REG_BINARY && type != REG_NONE) {
            RegCloseKey(key);
            throw ERegistryException(FormatMessage1("Invalid data type for '%s'", name));
        }
        bytes.assign(length, 0);
        status = RegQueryValueExA(key, name.c_str(), nullptr, &type, bytes.data(), &length);
        found = status == ERROR_SUCCESS;
        bytes.resize(found ? length : 0);
    }
    RegCloseKey(key);
    return found;
}

void TRegIniFileM::WriteBinary(const std::string& section, const std::string& name, int size, const void* buffer) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(CurrentKey(), section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw ERegistryException(FormatMessage1("Failed to set data for '%s'", name));
    const LONG status = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(buffer),
                                       static_cast<DWORD>(size < 0 ? 0 : size));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw ERegistryException(FormatMessage1("Failed to set data for '%s'", name));
}

void TRegIniFileM::WriteBinary(const std::string& section, const std::string& name,
                               const std::vector<std::uint8_t>& bytes) {
    WriteBinary(section, name, static_cast<int>(bytes.size()), bytes.data());
}
