// Helpers of the TIFF tests: peer-made fixtures and byte-level patches of
// little-endian files.
#pragma once

#include <string>

#include "io/io_test_util.h"
#include "io/options.h"

// Replaces every %s by the quoted path.
inline std::string FillPath(std::string command, const std::string& path) {
    for (size_t at; (at = command.find("%s")) != std::string::npos;) command.replace(at, 2, "'" + path + "'");
    return command;
}

// A plasma picture of the given size through ImageMagick and then tiffcp
// with the options, at path.
inline std::string MakeTiff(const std::string& name, const std::string& size, const std::string& imOptions,
                            const std::string& tiffcpOptions) {
    const std::string path = TestTempPath(name);
    Host(kConvert + " " + ImPicture(size) + " -depth 8 " + imOptions + " -compress none '" + path + ".base.tif'");
    Host("tiffcp " + tiffcpOptions + " '" + path + ".base.tif' '" + path + "'");
    return path;
}

inline unsigned Le16At(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
inline unsigned Le32At(const std::string& s, size_t at) { return Le16At(s, at) | Le16At(s, at + 2) << 16; }
inline void PutLe16At(std::string& s, size_t at, unsigned v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}
inline void PutLe32At(std::string& s, size_t at, unsigned v) {
    PutLe16At(s, at, v & 0xFFFF);
    PutLe16At(s, at + 2, v >> 16);
}

// The offset of the 12-byte entry of a tag in the first directory of a
// little-endian file, or 0.
inline size_t EntryAt(const std::string& s, unsigned tag) {
    const size_t dir = Le32At(s, 4);
    const unsigned n = Le16At(s, dir);
    for (unsigned i = 0; i < n; ++i)
        if (Le16At(s, dir + 2 + 12 * i) == tag) return dir + 2 + 12 * i;
    return 0;
}

// The option block with another page number, restored at the end of the
// scope.
class PageOption {
public:
    explicit PageOption(int page) : saved_(CurrentOptions()) {
        OptionBlock b = saved_;
        b.PageNumber = page;
        K_SetTIFFOption(&b);
    }
    ~PageOption() { K_SetTIFFOption(&saved_); }

private:
    OptionBlock saved_;
};
