// The registry: a key object over one root and current key, and the
// ini-file view in which sections are subkeys and numbers are stored as text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "classes.h"

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(REGSAM access);
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    // Closes the current key.
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const { return current_; }
    const std::string& CurrentPath() const { return path_; }

    // A path beginning with '\' is taken from the root, any other from the
    // current key. False when it does not exist (and may not be made).
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool KeyExists(const std::string& key);
    bool DeleteKey(const std::string& key);
    bool CreateKey(const std::string& key);

    bool ValueExists(const std::string& name);
    bool DeleteValue(const std::string& name);
    TRegDataType GetDataType(const std::string& name);
    // Size in bytes, -1 when the value is missing.
    int GetDataSize(const std::string& name);
    std::vector<std::string> GetValueNames();
    std::vector<std::string> GetKeyNames();

    // Writes raise ERegistryException "Failed to set data for '%s'"; reads of
    // a value of another type raise "Invalid data type for '%s'".
    void WriteString(const std::string& name, const std::string& value);
    std::string ReadString(const std::string& name);        // "" when missing
    void WriteInteger(const std::string& name, int value);  // REG_DWORD
    int ReadInteger(const std::string& name);               // raises "Failed to get data for '%s'" when missing
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    bool ReadBool(const std::string& name) { return ReadInteger(name) != 0; }
    void WriteBinaryData(const std::string& name, const void* data, int size);
    // Bytes read; raises when the value is longer than size or not binary.
    int ReadBinaryData(const std::string& name, void* data, int size);

private:
    HKEY Resolve(const std::string& key, std::string& fullPath) const;
    HKEY root_ = HKEY_CURRENT_USER;
    HKEY current_ = nullptr;
    std::string path_;
    REGSAM access_ = KEY_ALL_ACCESS;
};

// Registry as an ini file: the key given at construction (under
// HKEY_CURRENT_USER, created when missing) holds sections as subkeys; an
// empty section is the key itself. Integers and booleans are written as
// decimal text and read back through a string-to-integer conversion with the
// default as fallback.
class TRegIniFile : public TRegistry {
public:
    explicit TRegIniFile(const std::string& fileName);
    TRegIniFile(const std::string& fileName, REGSAM access);
    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& fallback);
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    int ReadInteger(const std::string& section, const std::string& ident, int fallback);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool fallback);
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

private:
    std::string fileName_;
};
