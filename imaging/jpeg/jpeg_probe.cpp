// The probes of the JPEG family: K_FileInfo's JPEG and compressed-format
// probes, the header scan from SOI to the frame header, and the decoder's
// test of which container a file holds.
#include <cstring>
#include <vector>

#include "io/source.h"
#include "io/file_callbacks.h"
#include "io/file_info.h"
#include "io/format_codes.h"
#include "io/probes.h"
#include "jpeg/compressed_header.h"
#include "jpeg/jpeg_decoder.h"

namespace {

constexpr int kSegmentLimit = 100;  // markers walked before giving up on a frame header

// The first FF D8 FF within count bytes, or -1.
int FindSoi(const unsigned char* p, int count) {
    for (int i = 0; i + 2 < count; ++i)
        if (p[i] == 0xFF && p[i + 1] == 0xD8 && p[i + 2] == 0xFF) return i;
    return -1;
}

}  // namespace

JpegProbeFacts& ProbeFacts() {
    static JpegProbeFacts facts;
    return facts;
}

long JpegAppSegmentBytes(int lengthField, const unsigned char* payload, int payloadCount) {
    // JFXX: "JFXX" 0, extension code, then for codes 0x11 and 0x13 the
    // stamp's width and height bytes.
    if (payloadCount >= 8 && std::memcmp(payload, "JFXX", 5) == 0 && (payload[5] == 0x11 || payload[5] == 0x13)) {
        long pixels = static_cast<long>(payload[6]) * payload[7];
        long whole = 2 + 8 + (payload[5] == 0x11 ? 768 + pixels : 3 * pixels);
        if ((whole & 0xFFFF) == lengthField && whole > lengthField) return whole;
    }
    return lengthField;
}

int JpegScanHeader(int handle, int* width, int* height, int* components, FileInfoRecord* info) {
    JpegProbeFacts& facts = ProbeFacts();
    facts.probe2x2 = facts.probe1x2 = facts.dqtDoubled = false;
    facts.components = 0;
    *components = 0;
    const int start = FileSeek(handle, 0, 1);
    std::vector<unsigned char> head(kHeaderBytes + 4, 0);
    int count = FileRead(handle, head.data(), kHeaderBytes);
    if (count <= 0) return -7;
    if (info) {
        // The library's own tag in a comment, with '1' for top-down rows.
        info->ViewPerspective = std::memcmp(&head[24], "KORA", 4) == 0 && head[51] != '1' ? K_BOTTOM_UP : K_TOP_DOWN;
        info->ColorOrder = K_ORDER_BGR;
    }
    const int soi = FindSoi(head.data(), count);
    if (soi < 0) return 1;
    if (FileSeek(handle, start + soi, 0) != start + soi) return -7;

    Source in(handle, 4096);
    unsigned char two[2];
    if (in.ReadExact(two, 2) != K_OK) return -7;
    if (two[0] != 0xFF || two[1] != 0xD8) return 1;
    auto frame = [&](const unsigned char* d, int payload) {
        *height = d[1] << 8 | d[2];
        *width = d[3] << 8 | d[4];
        *components = facts.components = d[5];
        if (d[5] == 3 && payload >= 9) {
            facts.probe2x2 = d[7] == 0x22;
            facts.probe1x2 = d[7] == 0x12;
        }
    };
    int pending = -1;  // a marker already read
    bool afterComment = false;
    for (int segment = 0; segment < kSegmentLimit; ++segment) {
        int marker = pending;
        pending = -1;
        if (marker < 0) {
            int c = in.Byte();
            if (c < 0) return -7;
            if (c != 0xFF) {
                // Not a marker where one belongs; as the decoder does, up to
                // 40 stray bytes after a comment are passed over.
                if (!afterComment) return 1;
                for (int n = 0; c != 0xFF && n < 40; ++n) {
                    c = in.Byte();
                    if (c < 0) return -7;
                }
                if (c != 0xFF) return 1;
            }
            marker = in.Byte();
        }
        afterComment = false;
        while (marker == 0xFF) marker = in.Byte();  // fill bytes
        if (marker < 0) return -7;
        if (marker == 0xD9 || marker == 0xDA) return 1;  // no frame header before the scan
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        unsigned char lengthBytes[2];
        if (in.ReadExact(lengthBytes, 2) != K_OK) return -7;
        const int length = lengthBytes[0] << 8 | lengthBytes[1];
        if (length < 2) return 1;
        const int payload = length - 2;
        if (marker == 0xC0) {
            if (payload > count) return -4;
            unsigned char d[32] = {};
            if (in.ReadExact(d, payload < 32 ? payload : 32) != K_OK) return -7;
            if (payload < 6) return 1;
            frame(d, payload);
            return 1;
        }
        if (marker == 0xDB) {
            if (payload > count) return -4;
            if (in.Skip(payload) != K_OK) return -7;
            // Quirk: a writer that puts a second table straight after the
            // first under the same marker.
            int next = in.Byte();
            if (next < 0) return -7;
            if (next == 0xFF) {
                pending = in.Byte();
                if (pending < 0) return -7;
                continue;
            }
            if (in.Skip(63) != K_OK) return -7;
            facts.dqtDoubled = true;
            continue;
        }
        if (marker >= 0xE0 && marker <= 0xEF) {
            unsigned char p[8] = {};
            const int keep = payload < 8 ? payload : 8;
            if (in.ReadExact(p, keep) != K_OK) return -7;
            long whole = JpegAppSegmentBytes(length, p, keep);
            if (in.Skip(static_cast<int>(whole - 2 - keep)) != K_OK) return -7;
            continue;
        }
        if (in.Skip(payload) != K_OK) return -7;
        afterComment = marker == 0xFE;
    }
    return 1;
}

int ReadJpegInfo(int handle, const unsigned char* header, int headerCount, FileInfoRecord* info) {
    if (FindSoi(header, headerCount) < 0) return 0;
    int width = 0, height = 0, components = 0;
    if (JpegScanHeader(handle, &width, &height, &components, info) < 0) return 0;
    FillFileInfo(info, {.format = kFormatJPEG,
                        .width = width,
                        .height = height,
                        .bitsPerPixel = components == 1 ? 8 : 24,
                        .compression = "JPEG"});
    return 1;
}

CompressedKind ProbeCompressedFile(const char* name) {
    JpegProbeFacts& facts = ProbeFacts();
    InputFile input;
    if (input.Open(name) != K_OK) return CompressedKind::None;
    const int handle = input.handle();
    std::vector<unsigned char> head(kHeaderBytes + 4, 0);
    int count = FileRead(handle, head.data(), kHeaderBytes);
    if (count < 0) count = 0;
    facts.headerCount = count;
    FileSeek(handle, 0, 0);
    facts.bracketMark = 100;

    CompressedHeader own;
    if (ReadCompressedHeader(head.data(), static_cast<size_t>(count), &own)) {
        facts.ownByte5 = head[5];
        facts.ownByte6 = head[6];
        facts.width = own.width;
        facts.height = own.ImageHeight();
        return CompressedKind::Own;
    }
    if (count >= 4 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 0x2A && head[3] == 0) ||
                       (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 0x2A))) {
        // JPEG inside TIFF; any other TIFF is none of the compressed kinds.
        FileInfoRecord info{};
        if (K_FileInfo(name, &info) != K_OK || info.FormatCode != K_FORMAT_TIFF_JPEG) return CompressedKind::None;
        facts.width = info.Width;
        facts.height = info.Height;
        return CompressedKind::TiffJpeg;
    }

    const bool bracketKind = head[0] == 0x18 && head[2] == 0x9C;
    FileInfoRecord info{};
    bool jpeg = (head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) || bracketKind;
    if (!jpeg) {
        jpeg = ReadJpegInfo(handle, head.data(), count, &info) == 1;
        FileSeek(handle, 0, 0);
    }
    if (!jpeg) return CompressedKind::None;
    facts.bracketMark = bracketKind && std::memcmp(&head[63], "[JPEG", 5) == 0 && head[68] == 'r' ? 2 : 100;
    int width = 0, height = 0, components = 0;
    if (JpegScanHeader(handle, &width, &height, &components, &info) != 1) return CompressedKind::None;
    facts.width = width;
    facts.height = height;
    return CompressedKind::JpegStream;
}

int ProbeJPEG(const ProbeInput& input, FileInfoRecord* info) {
    return ReadJpegInfo(input.handle, input.header, input.headerCount, info);
}
