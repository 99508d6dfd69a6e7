// The probe of the compressed format (format code 5), first in K_FileInfo's
// order: the header at the start, the resolutions from the trailer.
#include "io/file_callbacks.h"
#include "io/probes.h"
#include "jpeg/compressed_header.h"

int ReadCompressedInfo(const ProbeInput& input, FileInfoRecord* info) {
    CompressedHeader header;
    if (input.headerCount < 0 || !ReadCompressedHeader(input.header, static_cast<size_t>(input.headerCount), &header))
        return 0;
    uint8_t bytes[kCompressedTrailerSize];
    if (FileSeek(input.handle, -kCompressedTrailerSize, 2) < 0 ||
        FileRead(input.handle, bytes, kCompressedTrailerSize) != kCompressedTrailerSize)
        return K_ERR_READ;
    CompressedTrailer trailer;
    const bool tagged = ReadCompressedTrailer(bytes, &trailer);
    FillCompressedInfo(header, tagged ? &trailer : nullptr, info);
    return 1;
}
