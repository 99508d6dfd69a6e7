// The compressed file format's header, trailer and stamp size.
#include "jpeg/compressed_header.h"

#include <cstring>

#include "io/file_info.h"

namespace {

void Put16(uint8_t* p, unsigned v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

int StampDataSize(int width, int height, int bits) {
    if (width < kStampMinWidth || width > kStampMaxSide || height < 1 || height > kStampMaxSide) return 0;
    if (bits != 8 && bits != 24) return 0;
    return 3 + (bits == 8 ? kStampPaletteSize : 0) + width * height * (bits / 8);
}

void WriteCompressedHeader(const CompressedHeader& header, uint8_t out[kCompressedHeaderSize]) {
    std::memset(out, 0, kCompressedHeaderSize);
    std::memcpy(out, header.tag, 4);
    out[5] = header.follows;
    out[6] = header.codingFlags;
    Put16(out + 16, header.width);
    Put16(out + 18, header.codedHeight);
    out[20] = header.bitsPerPixel;
    out[21] = header.rowOrder;
    Put16(out + 22, header.quality);
}

bool ReadCompressedHeader(const uint8_t* bytes, size_t count, CompressedHeader* header) {
    if (count < static_cast<size_t>(kCompressedHeaderSize)) return false;
    // "VAVO" and "CSI " files come from other writers of the same format.
    if (std::memcmp(bytes, "KORA", 4) != 0 && std::memcmp(bytes, "VAVO", 4) != 0 && std::memcmp(bytes, "CSI ", 4) != 0)
        return false;
    std::memcpy(header->tag, bytes, 4);
    header->follows = bytes[5];
    header->codingFlags = bytes[6];
    header->width = Get16(bytes + 16);
    header->codedHeight = Get16(bytes + 18);
    header->bitsPerPixel = bytes[20];
    header->rowOrder = bytes[21];
    header->quality = Get16(bytes + 22);
    return true;
}

void WriteCompressedTrailer(const CompressedTrailer& trailer, uint8_t out[kCompressedTrailerSize]) {
    std::memset(out, 0, kCompressedTrailerSize);
    std::memcpy(out, "KORA", 4);
    Put16(out + 4, trailer.xResolution);
    Put16(out + 6, trailer.yResolution);
}

bool ReadCompressedTrailer(const uint8_t bytes[kCompressedTrailerSize], CompressedTrailer* trailer) {
    *trailer = CompressedTrailer{};
    if (std::memcmp(bytes, "KORA", 4) != 0) return false;
    trailer->xResolution = Get16(bytes + 4);
    trailer->yResolution = Get16(bytes + 6);
    return true;
}

void FillCompressedInfo(const CompressedHeader& header, const CompressedTrailer* trailer, FileInfoRecord* info) {
    const int bits = header.bitsPerPixel == kBilevelBits ? 1 : (header.codingFlags & 0x7F) >= kCodedGrey ? 8 : 24;
    FillFileInfo(info, {.format = K_FORMAT_COMPRESSED,
                        .width = header.width,
                        .height = header.ImageHeight(),
                        .bitsPerPixel = bits,
                        .viewPerspective = (header.rowOrder & 0x30) <= 0x10 ? K_BOTTOM_UP : K_TOP_DOWN,
                        .colorOrder = K_ORDER_BGR});
    std::memset(info->Compression, 0, sizeof info->Compression);
    std::memcpy(info->Compression, "KORA", 4);
    info->XResolution = trailer ? trailer->xResolution : 0;
    info->YResolution = trailer ? trailer->yResolution : 0;
    info->Extra1 = 0;
    info->Extra2 = 0;
}
