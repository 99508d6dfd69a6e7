// The CALS raster header: sixteen 128-byte text records of "key: values"
// before the coded data at offset 2048.
#include "fax/cals_header.h"

#include <cstdio>
#include <cstring>

#include "io/format_codes.h"

namespace {

enum Key {
    kSrcDocId,
    kDstDocId,
    kTxtFilId,
    kFigId,
    kSrcGph,
    kDocCls,
    kRType,
    kROrient,
    kRPelCnt,
    kRDensity,
    kNotes,
    kRDensityShort,
    kNoKey
};

// The published key is "rdensty"; "rdensity" is read too, as older files of
// this library wrote it.
const char* const kKeys[] = {"srcdocid", "dstdocid", "txtfilid", "figid",    "srcgph", "doccls",
                             "rtype",    "rorient",  "rpelcnt",  "rdensity", "notes",  "rdensty"};

bool IsSeparator(unsigned char c) {
    // Space padding as ImageMagick writes it, zero padding as we do.
    return c == ' ' || c == ',' || c == ':' || c == ';' || c == '\t' || c == '\n' || c == '\r' || c == 0;
}

// Tokens of one record.
class Tokens {
public:
    explicit Tokens(const unsigned char* record) : p_(record) {}
    // The next token, or false at the end of the record.
    bool Next(const unsigned char** start, int* length) {
        while (at_ < kCalsRecord && IsSeparator(p_[at_])) ++at_;
        if (at_ >= kCalsRecord) return false;
        *start = p_ + at_;
        int n = 0;
        while (at_ < kCalsRecord && !IsSeparator(p_[at_])) ++at_, ++n;
        *length = n;
        return true;
    }

private:
    const unsigned char* p_;
    int at_ = 0;
};

Key Lookup(const unsigned char* token, int length) {
    for (int k = 0; k < kNoKey; ++k)
        if (static_cast<int>(std::strlen(kKeys[k])) == length && std::memcmp(kKeys[k], token, length) == 0)
            return static_cast<Key>(k);
    return kNoKey;
}

// A decimal token, brackets around it allowed: the value, or -1 when it
// holds no digits or more than the greatest value taken.
int Number(const unsigned char* token, int length) {
    int i = 0;
    while (i < length && token[i] == '[') ++i;
    int end = length;
    while (end > i && token[end - 1] == ']') --end;
    if (i == end) return -1;
    long long value = 0;
    for (; i < end; ++i) {
        if (token[i] < '0' || token[i] > '9') return -1;
        value = value * 10 + (token[i] - '0');
        if (value > limits::kCalsValue) return -1;
    }
    return static_cast<int>(value);
}

}  // namespace

int ParseCALSHeader(Source& in, CALSHeader* header) {
    *header = CALSHeader{};
    unsigned char record[kCalsRecord];
    for (int n = 0; n < kCalsKeyRecords; ++n) {
        if (in.ReadExact(record, kCalsRecord) != K_OK) return K_ERR_READ;
        Tokens tokens(record);
        const unsigned char* token;
        int length;
        if (!tokens.Next(&token, &length)) return K_ERR_READ;
        const Key key = Lookup(token, length);
        if (key == kNoKey) {
            // Keys of the first nine records tell a CALS file from any other.
            if (n < 9) return K_ERR_FORMAT;
            continue;
        }
        int values[2] = {0, 0};
        const int wanted = key == kRType || key == kRDensity || key == kRDensityShort ? 1
                           : key == kROrient || key == kRPelCnt                       ? 2
                                                                                      : 0;
        for (int v = 0; v < wanted; ++v) {
            if (!tokens.Next(&token, &length)) return K_ERR_READ;
            values[v] = Number(token, length);
        }
        switch (key) {
            case kRType:
                header->rtype = values[0];
                break;
            case kRPelCnt:
                header->width = values[0];
                header->height = values[1];
                break;
            case kRDensity:
            case kRDensityShort:
                header->density = values[0] < 0 ? 0 : values[0];
                break;
            default:
                break;  // rorient leaves the rows top row first
        }
    }
    if (header->width <= 0 || header->height <= 0) return K_ERR_FORMAT;
    header->bitsPerPixel = 1;
    return K_OK;
}

int CALSDensityDigits(int dpi) {
    if (dpi < 221) return 200;
    if (dpi <= 270) return 240;
    if (dpi <= 350) return 300;
    if (dpi <= 500) return 400;
    if (dpi <= 900) return 600;
    return 1200;
}

int WriteCALSHeader(Output& out, int width, int height, int dpi) {
    if (width <= 0 || height <= 0 || width > limits::kCalsWrittenSide || height > limits::kCalsWrittenSide)
        return K_ERR_SIZE;
    char pelcnt[40], density[24];
    std::snprintf(pelcnt, sizeof pelcnt, "rpelcnt: %05d,%05d\n", width, height);
    std::snprintf(density, sizeof density, "rdensty: %04d\n", CALSDensityDigits(dpi));
    const char* const records[] = {
        "srcdocid: NONE\n",  "dstdocid: NONE\n", "txtfilid: NONE\n",   "figid: NONE\n", "srcgph: NONE\n",
        "doccls: UNCLASS\n", "rtype: 1\n",       "rorient: 000,270\n", pelcnt,          density,
        "notes: NONE\n"};
    for (const char* text : records) {
        const int n = static_cast<int>(std::strlen(text));
        out.Write(text, n);
        out.Zeros(kCalsRecord - n);
    }
    return out.Zeros(kCalsHeaderBytes - kCalsKeyRecords * kCalsRecord);
}
