// Files of the legacy format tests: hand-made bytes written under the test
// directory, and written files read back whole.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "host.h"

// Writes the bytes under the test directory; returns the path.
inline std::string WriteBytes(const std::string& name, const std::string& bytes) {
    std::string path = TestTempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
