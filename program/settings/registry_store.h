// The program's registry: everything lives under HKEY_CURRENT_USER;
// integers and booleans are decimal text in string values.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings/reg_file.h"
#include "sysutils.h"

extern const char* const ProgramKey;     // "Software\Quenvo\Pupetta"
extern const char* const ProgramSubkey;  // "Pupetta", holds BigMemory

// Reads name of key (created when missing) under HKEY_CURRENT_USER; a
// missing or non-numeric value gives the default.
int ReadRegInteger(const std::string& key, const std::string& name, int fallback);
bool ReadRegBool(const std::string& key, const std::string& name, bool fallback);
// The same read from a key that is only opened: a missing key stays missing
// and gives the default.
bool ReadRegBoolNoCreate(const std::string& key, const std::string& name, bool fallback);

// Applies a .reg file (see reg_file.h) starting at HKEY_CURRENT_USER. A file
// that cannot be read raises EFOpenError, a write the registry refuses
// ERegistryException.
void ImportRegFile(const std::string& path);

HKEY RootKeyHandle(RegRoot root);

// One registry object: a root and the current key. Changing the root
// closes the current key; a path without a leading backslash is opened
// below the current key.
class RegistryWriter : public RegFileSink {
public:
    RegistryWriter() = default;
    RegistryWriter(const RegistryWriter&) = delete;
    RegistryWriter& operator=(const RegistryWriter&) = delete;
    ~RegistryWriter() override { CloseKey(); }

    void OpenKey(RegRoot root, const std::string& path) override;
    // Values before any key was opened have nowhere to go and are skipped.
    void WriteString(const std::string& name, const std::string& text) override;
    void WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) override;
    void CloseKey();
    bool HasKey() const { return current_ != nullptr; }

private:
    HKEY root_ = HKEY_CURRENT_USER;
    HKEY current_ = nullptr;
};
