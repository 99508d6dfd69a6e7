// The .rtc cache reader over any body: a fixed document, a head that names
// it (as the view's own cache does) and a good checksum around the input,
// so that the search goes into the tables and topics. A cache taken must
// hold only offsets inside the document and fonts that exist.
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "rtf_document.h"

namespace {

struct Files {
    std::string dir, rtf, rtc, head;
};

// A small document and its own cache's 24-byte head, once per process.
const Files& Setup() {
    static const Files files = [] {
        Files f;
        f.dir = "/tmp/fuzz_rtf_cache_" + std::to_string(getpid());
        std::filesystem::create_directories(f.dir);
        f.rtf = f.dir + "/doc.rtf";
        f.rtc = f.dir + "/doc.rtc";
        std::ofstream(f.rtf, std::ios::binary) << "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}"
                                                  "{\\colortbl;\\red255\\green0\\blue0;}"
                                                  "#{\\footnote one}${\\footnote One} text \\page "
                                                  "#{\\footnote two} more\\par}";
        RtfDocument doc;
        doc.Reset("Arial");
        doc.WriteCache(f.rtf, f.rtc);
        std::ifstream in(f.rtc, std::ios::binary);
        f.head.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (f.head.size() < 24) __builtin_trap();
        f.head.resize(24);
        return f;
    }();
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20)) return 0;
    const Files& f = Setup();
    std::string cache = f.head;
    cache.append(reinterpret_cast<const char*>(data), size);
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(cache.data()), uInt(cache.size())));
    for (int i = 0; i < 4; ++i) cache += char((crc >> (8 * i)) & 0xFF);
    std::ofstream(f.rtc, std::ios::binary | std::ios::trunc).write(cache.data(), std::streamsize(cache.size()));

    const auto docSize = static_cast<int64_t>(std::filesystem::file_size(f.rtf));
    RtfDocument doc;
    doc.Reset("Arial");
    if (!doc.ReadCache(f.rtf, f.rtc)) {
        // Refused: the tables are as they were.
        if (doc.fonts.size() != 1 || !doc.topics.empty() || !doc.styles.empty()) __builtin_trap();
        return 0;
    }
    if (doc.headerEnd < 0 || doc.headerEnd > docSize) __builtin_trap();
    for (const TTopic& t : doc.topics) {
        if (t.offset < 0 || t.offset > docSize) __builtin_trap();
        if (t.state.font < 0 || size_t(t.state.font) >= doc.fonts.size()) __builtin_trap();
        doc.FindTopic(t.name);
    }
    return 0;
}
