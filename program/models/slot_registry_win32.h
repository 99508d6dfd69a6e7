// The save slots' registry: the program's registry key as an ini file, with
// the binary values the models keep their fills in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "models/doll_panel.h"
#include "models/garment_model.h"
#include "registry.h"

// The program's registry as an ini file, with binary values in sections.
class TRegIniFileM : public TRegIniFile, public ModelStore, public SlotStore {
public:
    explicit TRegIniFileM(const std::string& fileName) : TRegIniFile(fileName) {}

    // Reads at most size bytes of the value into buffer; a longer value
    // gives its first size bytes (a model whose file now has fewer pieces
    // keeps the fabrics that still fit). Nothing changes when the section or
    // the value is missing. A value that is neither binary nor of unknown
    // type raises ERegistryException "Invalid data type for '%s'".
    void ReadBinary(const std::string& section, const std::string& name, int size, void* buffer);
    // Creates the section when missing and writes size bytes as a binary value.
    void WriteBinary(const std::string& section, const std::string& name, int size, const void* buffer);

    bool ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) override;
    void WriteBinary(const std::string& section, const std::string& name,
                     const std::vector<std::uint8_t>& bytes) override;
    int ReadInteger(const std::string& section, const std::string& name, int fallback) override {
        return TRegIniFile::ReadInteger(section, name, fallback);
    }
    void WriteInteger(const std::string& section, const std::string& name, int value) override {
        TRegIniFile::WriteInteger(section, name, value);
    }
};
