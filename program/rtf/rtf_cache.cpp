// The .rtc cache: a document's tables and topics, so that the next load
// needs no scan. Layout (little-endian): "RTF4", the document's name (12
// bytes), its size and time stamp, the colours, fonts, styles, topics, the
// header end, then a CRC-32 of everything before it. A cache that is cut
// short, damaged or made for another version of the document is never used.
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "rtf_document.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kNameField = 12;
constexpr size_t kHeadSize = 24;
// A cache is a few kilobytes; anything far larger is not ours.
constexpr uintmax_t kCacheLimit = 64u << 20;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

// Strings are a length byte and the characters: longer ones are cut to 255.
void PutString(std::string& out, const std::string& s) {
    size_t n = std::min<size_t>(s.size(), 255);
    out += char(n);
    out.append(s, 0, n);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct SourceFacts {
    bool ok = false;
    uint32_t size = 0;
    uint32_t stamp = 0;
};

// Size and modification time of the document; the time folded to 32 bits
// in the clock's finest unit, so that a change within a second still shows.
SourceFacts Facts(const std::string& rtfName) {
    std::error_code ec;
    SourceFacts f;
    uintmax_t size = fs::file_size(rtfName, ec);
    if (ec || size > 0x7FFFFFFF) return f;
    auto time = fs::last_write_time(rtfName, ec);
    if (ec) return f;
    uint64_t ticks = static_cast<uint64_t>(time.time_since_epoch().count());
    f.ok = true;
    f.size = static_cast<uint32_t>(size);
    f.stamp = static_cast<uint32_t>(ticks ^ (ticks >> 32));
    return f;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::error_code ec;
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kCacheLimit) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes.size() == size;
}

uint32_t Crc(const std::string& bytes, size_t n) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n)));
}

// Bounded reads over the cache's bytes: any shortfall fails the whole read.
class Reader {
public:
    Reader(const std::string& bytes, size_t end)
        : p_(reinterpret_cast<const unsigned char*>(bytes.data())), end_(end) {}
    bool U32(uint32_t& v) {
        if (end_ - pos_ < 4) return false;
        const unsigned char* b = p_ + pos_;
        v = b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
        pos_ += 4;
        return true;
    }
    bool I32(int32_t& v) {
        uint32_t u;
        if (!U32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool String(std::string& s) {
        if (pos_ >= end_) return false;
        size_t n = p_[pos_];
        if (end_ - pos_ - 1 < n) return false;
        s.assign(reinterpret_cast<const char*>(p_ + pos_ + 1), n);
        pos_ += 1 + n;
        return true;
    }
    const unsigned char* Take(size_t n) {
        if (end_ - pos_ < n) return nullptr;
        pos_ += n;
        return p_ + pos_ - n;
    }
    size_t Left() const { return end_ - pos_; }
    // A count of entries of at least minBytes each that the rest can hold.
    bool Count(uint32_t& n, size_t minBytes) { return U32(n) && n <= Left() / minBytes; }

private:
    const unsigned char* p_;
    size_t end_;
    size_t pos_ = 0;
};

// Checks the head and the checksum; the bytes without the checksum remain.
bool ValidBytes(const std::string& rtfName, const std::string& bytes, const SourceFacts& facts) {
    if (!facts.ok || bytes.size() < kHeadSize + 4 || bytes.compare(0, 4, "RTF4") != 0) return false;
    std::string name = BaseName(rtfName);
    // The name field holds 12 characters: a longer name never matches.
    if (name.size() > kNameField || bytes.compare(4, name.size(), name) != 0) return false;
    Reader head(bytes, bytes.size());
    uint32_t sig, skip, size, stamp, crc;
    head.U32(sig);
    for (int i = 0; i < 3; ++i) head.U32(skip);
    head.U32(size);
    head.U32(stamp);
    if (size != facts.size || stamp != facts.stamp) return false;
    Reader tail(bytes, bytes.size());
    tail.Take(bytes.size() - 4);
    tail.U32(crc);
    return crc == Crc(bytes, bytes.size() - 4);
}

}  // namespace

void TTopic::Save(std::string& out) const {
    for (const std::string* s : {&name, &title, &browse, &keywords}) PutString(out, *s);
    state.Write(out);
    Put32(out, offset);
}

bool CacheIsValid(const std::string& rtfName, const std::string& rtcName) {
    std::string bytes;
    return ReadFile(rtcName, bytes) && ValidBytes(rtfName, bytes, Facts(rtfName));
}

void RtfDocument::WriteCache(const std::string& rtfName, const std::string& rtcName) const {
    SourceFacts facts = Facts(rtfName);
    if (!facts.ok) return;
    std::string out = "RTF4";
    std::string name = BaseName(rtfName).substr(0, kNameField);
    name.resize(kNameField, '\0');
    out += name;
    Put32(out, facts.size);
    Put32(out, facts.stamp);
    Put32(out, 16);
    for (uint32_t c : colours) Put32(out, c);
    Put32(out, uint32_t(fonts.size() - 1));
    for (size_t i = 1; i < fonts.size(); ++i) {
        PutString(out, fonts[i].name);
        Put32(out, fonts[i].number);
    }
    Put32(out, uint32_t(styles.size()));
    for (const RtfStyle& s : styles) {
        PutString(out, s.definition);
        Put32(out, s.number);
    }
    Put32(out, uint32_t(topics.size()));
    for (const TTopic& t : topics) t.Save(out);
    Put32(out, headerEnd);
    Put32(out, Crc(out, out.size()));

    // Written whole to a file of its own, then put in place: a cache is
    // either complete or absent. Errors leave the document usable.
    std::string temp = rtcName + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file) return;
        file.write(out.data(), std::streamsize(out.size()));
        file.close();
        if (!file) {
            std::error_code ec;
            fs::remove(temp, ec);
            return;
        }
    }
    std::error_code ec;
    fs::remove(rtcName, ec);
    fs::rename(temp, rtcName, ec);
    if (ec) fs::remove(temp, ec);
}

bool RtfDocument::ReadCache(const std::string& rtfName, const std::string& rtcName) {
    std::string bytes;
    SourceFacts facts = Facts(rtfName);
    if (!ReadFile(rtcName, bytes) || !ValidBytes(rtfName, bytes, facts)) return false;
    Reader in(bytes, bytes.size() - 4);
    in.Take(kHeadSize);
    RtfDocument doc;
    doc.fonts.assign(fonts.begin(), fonts.begin() + std::min<size_t>(fonts.size(), 1));
    uint32_t count;
    if (!in.Count(count, 4)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t c;
        in.U32(c);
        if (i < 16) doc.colours[i] = c & 0xFFFFFF;
    }
    if (!in.Count(count, 5)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        TFontRec f;
        if (!in.String(f.name) || !in.I32(f.number)) return false;
        f.oldName = f.name;
        doc.fonts.push_back(f);
    }
    if (!in.Count(count, 5)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        RtfStyle s;
        if (!in.String(s.definition) || !in.I32(s.number)) return false;
        doc.styles.push_back(s);
    }
    if (!in.Count(count, 4 + TRtfState::kBytes + 4)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        TTopic t;
        for (std::string* s : {&t.name, &t.title, &t.browse, &t.keywords})
            if (!in.String(*s)) return false;
        const unsigned char* raw = in.Take(TRtfState::kBytes);
        if (!raw || !in.I32(t.offset)) return false;
        if (t.offset < 0 || uint32_t(t.offset) > facts.size) return false;
        t.state.Read(raw);
        t.state.Clamp();
        t.state.font = doc.FontIndex(t.state.fontNumber);
        doc.topics.push_back(std::move(t));
    }
    if (!in.I32(doc.headerEnd) || in.Left() != 0) return false;
    if (doc.headerEnd < 0 || uint32_t(doc.headerEnd) > facts.size) return false;
    *this = std::move(doc);
    return true;
}
