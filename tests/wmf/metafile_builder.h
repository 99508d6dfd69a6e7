// Metafile bytes built record by record, for the metafile tests of both
// builds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

struct Metafile {
    std::string records;
    uint32_t largest = 3;  // in words, the end record at least
    // A record of its words; size in words, or 3 + the words when 0.
    void Record(int function, std::initializer_list<int> words, uint32_t size = 0) {
        const uint32_t n = size ? size : uint32_t(3 + words.size());
        if (n > largest && n < 0x10000) largest = n;
        for (int i = 0; i < 4; ++i) records += char(n >> (8 * i));
        records += char(function);
        records += char(function >> 8);
        for (int w : words) {
            records += char(w);
            records += char(w >> 8);
        }
    }
    // The header with its true size, the object count and the largest
    // record (libwmf refuses a header without it), the records, the end record.
    std::string Plain(int objects = 0) const {
        std::string h;
        auto word = [&](int v) {
            h += char(v);
            h += char(v >> 8);
        };
        const uint32_t words = uint32_t((18 + records.size() + 6) / 2);
        word(1);
        word(9);
        word(0x0300);
        word(int(words & 0xFFFF));
        word(int(words >> 16));
        word(objects);
        word(int(largest & 0xFFFF));
        word(int(largest >> 16));
        word(0);
        return h + records + std::string("\x03\0\0\0\0\0", 6);
    }
};

// A placeable header (key, handle, box, 1440 units an inch, checksum 0) before a metafile.
inline std::string Placeable(int left, int top, int right, int bottom, const std::string& metafile) {
    std::string h = "\xD7\xCD\xC6\x9A";
    for (int v : {0, left, top, right, bottom, 1440, 0, 0, 0}) {
        h += char(v);
        h += char(v >> 8);
    }
    return h + metafile;
}
