// The marker segments of a JPEG stream up to the scan (ITU T.81 B.2),
// read into the decoder's parameter record.
#include <cctype>
#include <cstring>
#include <vector>

#include "jpeg/jpeg_decoder.h"

namespace {

int ReadLength(JpegInput& in, int* payload) {
    int a = in.Byte(), b = in.Byte();
    if (b < 0) return kJpegNoInput;
    int length = a << 8 | b;
    if (length < 2) return kJpegBadStream;
    *payload = length - 2;
    return K_OK;
}

bool HasAdobe(const uint8_t* p, size_t n) {
    static const char word[] = "adobe";
    for (size_t i = 0; i + 5 <= n; ++i) {
        size_t k = 0;
        while (k < 5 && std::tolower(p[i + k]) == word[k]) ++k;
        if (k == 5) return true;
    }
    return false;
}

int ReadAppSegment(JpegInput& in, int marker, JpegDecodeParams& p, JpegMarkerState& state) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    std::vector<uint8_t> data(static_cast<size_t>(payload));
    if (!in.Read(data.data(), payload)) return kJpegNoInput;
    if (HasAdobe(data.data(), data.size())) state.adobeSeen = true;
    // A stamp bigger than a segment can say: skip what its size bytes give.
    long whole = JpegAppSegmentBytes(payload + 2, data.data(), payload);
    if (whole > payload + 2 && !in.Skip(whole - payload - 2)) return kJpegNoInput;
    if (marker == 0xE0 && !p.jfifSeen && !state.noJfifHeader && payload >= 14 &&
        std::memcmp(data.data(), "JFIF", 5) == 0) {
        if (data[5] != 1) return kJpegBadStream;
        p.jfifSeen = true;
        p.xDensity = data[8] << 8 | data[9];
        p.yDensity = data[10] << 8 | data[11];
    }
    return K_OK;
}

int ReadFrameHeader(JpegInput& in, JpegDecodeParams& p, bool* frameSeen) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    if (payload > 17 || payload < 6) return kJpegBadStream;
    uint8_t d[17];
    if (!in.Read(d, payload)) return kJpegNoInput;
    const int n = d[5];
    if (d[0] != 8 || (n != 1 && n != 3) || payload < 6 + 3 * n) return kJpegBadStream;
    p.height = d[1] << 8 | d[2];
    p.width = d[3] << 8 | d[4];
    if (p.width == 0 || p.height == 0) return kJpegBadStream;
    p.components = n;
    for (int i = 0; i < n; ++i) {
        JpegComponent& c = p.component[i];
        c.h = d[7 + 3 * i] >> 4;
        c.v = d[7 + 3 * i] & 15;
        c.quantTable = d[8 + 3 * i];
        if (c.quantTable > 3) return kJpegBadStream;
    }
    if (n == 1) {
        p.component[0].h = p.component[0].v = 1;  // one component: one block an MCU
    } else {
        // Luminance 1x1, 2x1, 2x2, 4x1 or 1x2 against chroma 1x1.
        const int h = p.component[0].h, v = p.component[0].v;
        bool known =
            (h == 1 && v == 1) || (h == 2 && v == 1) || (h == 2 && v == 2) || (h == 4 && v == 1) || (h == 1 && v == 2);
        for (int i = 1; i < 3; ++i) known = known && p.component[i].h == 1 && p.component[i].v == 1;
        if (!known) return kJpegBadStream;
    }
    *frameSeen = true;
    return K_OK;
}

int ReadHuffmanSegment(JpegInput& in, JpegDecodeParams& p, bool explicitSlot[2][4]) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    while (payload > 0) {
        uint8_t head[17];
        if (payload < 17) return kJpegBadStream;
        if (!in.Read(head, 17)) return kJpegNoInput;
        const int kind = head[0];
        if (kind != 0 && kind != 1 && kind != 16 && kind != 17) return kJpegBadStream;
        int count = 0;
        for (int i = 1; i <= 16; ++i) count += head[i];
        if (count > 256 || 17 + count > payload) return kJpegBadStream;
        HuffmanSlot* slots = kind >= 16 ? p.ac : p.dc;
        const int cls = kind >> 4, number = kind & 15;
        HuffmanSlot& t = slots[number];
        std::memcpy(t.counts, head + 1, 16);
        std::memset(t.symbols, 0, sizeof t.symbols);
        if (!in.Read(t.symbols, count)) return kJpegNoInput;
        t.present = true;
        explicitSlot[cls][number] = true;
        // Table 0 stands in for a table 1 that the stream does not define.
        if (number == 0 && !explicitSlot[cls][1]) slots[1] = t;
        payload -= 17 + count;
    }
    return K_OK;
}

int ReadQuantSegment(JpegInput& in, JpegDecodeParams& p, bool explicitSlot[4]) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    // A writer that puts two tables under one marker of one table's length.
    if (ProbeFacts().dqtDoubled) payload *= 2;
    if (payload > 260 || payload % 65 != 0) return kJpegBadStream;
    const int tables = payload / 65;
    for (int i = 0; i < tables; ++i) {
        int head = in.Byte();
        if (head < 0) return kJpegNoInput;
        if (head > 3) return kJpegBadStream;  // 8-bit entries, four slots
        if (!in.Read(p.quant[head], 64)) return kJpegNoInput;
        p.quantPresent[head] = true;
        explicitSlot[head] = true;
        if (tables == 1 && !explicitSlot[1]) {
            std::memcpy(p.quant[1], p.quant[head], 64);
            p.quantPresent[1] = true;
        }
    }
    return K_OK;
}

int ReadScanHeader(JpegInput& in, JpegDecodeParams& p, bool frameSeen) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    if (payload >= 13) return kJpegBadStream;
    uint8_t d[13];
    if (!in.Read(d, payload)) return kJpegShortSegment;
    if (!frameSeen || payload < 1 || d[0] != p.components || payload < 1 + 2 * d[0]) return kJpegBadStream;
    for (int i = 0; i < p.components; ++i) {
        const int tables = d[2 + 2 * i];
        p.component[i].dcTable = tables >> 4;
        p.component[i].acTable = tables & 15;
        if (p.component[i].dcTable > 3 || p.component[i].acTable > 3) return kJpegBadStream;
    }
    return K_OK;
}

// DRI and DNL: the first two payload bytes.
int ReadShortValue(JpegInput& in, int* value) {
    int payload = 0;
    if (int r = ReadLength(in, &payload); r != K_OK) return r;
    if (payload < 2) return kJpegShortSegment;
    int a = in.Byte(), b = in.Byte();
    if (b < 0 || !in.Skip(payload - 2)) return kJpegShortSegment;
    *value = a << 8 | b;
    return K_OK;
}

}  // namespace

int JpegReadMarkers(JpegInput& in, JpegDecodeParams& p, JpegMarkerState& state) {
    bool frameSeen = false;
    bool explicitHuffman[2][4] = {};
    bool explicitQuant[4] = {};
    int comments = 0;
    const bool bracketed = ProbeFacts().bracketMark == 2;

    int a = in.Byte(), b = in.Byte();
    if (b < 0) return kJpegNoInput;
    int pending = -1;  // a marker already read
    if (a == 0xFF && b == 0xD8) {
        int c = in.Byte(), d = in.Byte();
        if (d < 0) return kJpegNoInput;
        if (c != 0xFF || !((d >= 0xE0 && d <= 0xEF) || d == 0xDB)) state.noJfifHeader = true;
        if (c != 0xFF) return kJpegBadStream;
        pending = d;
    } else if (a == 0xFF && b == 0xFE) {
        // A stream that opens with a comment and no SOI.
        state.noJfifHeader = true;
        pending = 0xFE;
    } else {
        return kJpegBadStream;
    }

    for (;;) {
        int marker = pending;
        pending = -1;
        if (marker < 0) {
            int c = in.Byte();
            if (c < 0) return kJpegNoInput;
            if (c != 0xFF) {
                if (!state.afterComment) return kJpegBadStream;
                // Quirk: some writers leave stray bytes after a comment;
                // such files are read with a restart interval of 16.
                int n = 0;
                while (c != 0xFF && n < 40) {
                    c = in.Byte();
                    if (c < 0) return kJpegNoInput;
                    ++n;
                }
                if (c != 0xFF) return kJpegBadStream;
                p.restartInterval = 16;
            }
            marker = in.Byte();
            while (marker == 0xFF) marker = in.Byte();  // fill bytes
            if (marker < 0) return kJpegNoInput;
        }
        state.afterComment = false;
        int r = K_OK;
        if (marker >= 0xE0 && marker <= 0xEF) {
            r = ReadAppSegment(in, marker, p, state);
        } else if (marker == 0xC0) {
            r = ReadFrameHeader(in, p, &frameSeen);
        } else if (marker == 0xC4) {
            r = ReadHuffmanSegment(in, p, explicitHuffman);
        } else if (marker == 0xDB) {
            r = ReadQuantSegment(in, p, explicitQuant);
        } else if (marker == 0xDD) {
            r = ReadShortValue(in, &p.restartInterval);
        } else if (marker == 0xDC) {
            int height = 0;
            r = ReadShortValue(in, &height);
            if (r == K_OK && height > 0) p.height = height;
        } else if (marker == 0xDA) {
            r = ReadScanHeader(in, p, frameSeen);
            if (r == K_OK && !bracketed) return K_OK;
        } else if (marker == 0xFE) {
            int payload = 0;
            r = ReadLength(in, &payload);
            if (r == K_OK) {
                std::vector<uint8_t> data(static_cast<size_t>(payload));
                if (!in.Read(data.data(), payload)) return kJpegNoInput;
                if (HasAdobe(data.data(), data.size())) state.adobeSeen = true;
                state.afterComment = true;
                // Files marked "[JPEG" end their headers with a second comment.
                if (bracketed && ++comments == 2) return frameSeen ? K_OK : kJpegBadStream;
            }
        } else if (marker == 0xD8) {
            // a repeated SOI
        } else {
            // EOI before a scan, other frame kinds (progressive, arithmetic,
            // lossless, hierarchical), DAC, DHP, EXP, stray RSTn.
            return kJpegBadStream;
        }
        if (r != K_OK) return r;
    }
}
