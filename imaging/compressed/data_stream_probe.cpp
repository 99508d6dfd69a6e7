// The probe of the compressed-data stream (format code 30): its 28-byte
// header at the start of the file.
#include <climits>
#include <cstring>

#include "io/codec_row.h"
#include "io/byte_order.h"
#include "io/file_info.h"
#include "io/format_codes.h"
#include "io/probes.h"

int ReadCompressDataInfo(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < 28 || std::memcmp(input.header, "QRNO", 4) != 0) return 0;
    const uint8_t* h = input.header;
    const int32_t width = static_cast<int32_t>(Le32(h + 4)), height = static_cast<int32_t>(Le32(h + 8));
    const int32_t bits = static_cast<int32_t>(Le32(h + 12)), count = static_cast<int32_t>(Le32(h + 16));
    // Only 8- and 24-bit streams are written; n is a byte count after the header.
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 24) || count < 0 || count > INT_MAX - 28) return 0;
    FillFileInfo(info, {.format = kFormatDataStream,
                        .width = width,
                        .height = height,
                        .bitsPerPixel = bits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = static_cast<int32_t>(Le32(h + 24))});
    info->HeaderSize = 28 + count;
    std::memset(info->Compression, 0, sizeof info->Compression);
    return 1;
}

namespace {
const CodecProbe kProbes[] = {{90, false, ReadCompressDataInfo}};
// Read and written only through K_StartDecompressData and K_StartCompressData.
const LoadEntry kLoads[] = {{kFormatDataStream, nullptr, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatDataStream, nullptr, 0, 0, false}};
}  // namespace

extern const CodecRow kDataStreamRow = {"compressed-data stream", kProbes, {}, kLoads, kSaves, nullptr};
