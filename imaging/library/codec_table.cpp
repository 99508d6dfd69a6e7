// The load, save and probe tables, gathered from the codecs' rows. A codec
// joins by defining its row in its own file and naming it in the list
// below; a code no row takes answers -16.
#include <algorithm>
#include <vector>

#include "compressed/compressed_file_writer.h"
#include "io/codec_row.h"
#include "volkg.h"

extern const CodecRow kCompressedRow, kDataStreamRow, kBilevelRow, kTIFFRow, kBMPRow, kTGARow, kPCXRow, kGIFRow,
    kPNGRow, kPhotoshopRow, kWMFRow, kEPSRow, kPhotoCDRow, kMacPaintRow, kGEMRow, kMSPRow, kWPGRow, kSunRasterRow,
    kPICTRow, kCALSRow, kFaxRow, kIOCARow, kFaxRawRow;

namespace {

const CodecRow* const kRows[] = {
    &kCompressedRow, &kDataStreamRow, &kBilevelRow, &kTIFFRow, &kBMPRow,     &kTGARow,      &kPCXRow,    &kGIFRow,
    &kPNGRow,        &kPhotoshopRow,  &kWMFRow,     &kEPSRow,  &kPhotoCDRow, &kMacPaintRow, &kGEMRow,    &kMSPRow,
    &kWPGRow,        &kSunRasterRow,  &kPICTRow,    &kCALSRow, &kFaxRow,     &kIOCARow,     &kFaxRawRow,
};

// Between the EPS probe and the Photoshop probe the header is read again
// from the start.
constexpr int kHeaderAgainRank = 120;

const CompressedCodecHooks kCompressed = {
    K_DecompressFile, K_SetCallbackLine, K_DecompressBitmap1Bit, K_CompressTIF,
    K_CompressBMP,    K_CompressTGA,     K_NormalizeWFXBitmap,
};

struct RankedStep {
    int rank;
    ProbeStep step;
};

std::vector<ProbeStep> GatherProbes() {
    std::vector<RankedStep> ranked{{kHeaderAgainRank, {ProbeAction::ReReadHeader, true, nullptr, "header again"}}};
    for (const CodecRow* row : kRows)
        for (const CodecProbe& p : row->probes)
            ranked.push_back({p.rank, {ProbeAction::Probe, p.rewind, p.probe, row->name}});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const RankedStep& a, const RankedStep& b) { return a.rank < b.rank; });
    std::vector<ProbeStep> steps;
    for (const RankedStep& r : ranked) steps.push_back(r.step);
    return steps;
}

std::vector<NameProbeFunction> GatherNameProbes() {
    std::vector<CodecNameProbe> ranked;
    for (const CodecRow* row : kRows) ranked.insert(ranked.end(), row->nameProbes.begin(), row->nameProbes.end());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const CodecNameProbe& a, const CodecNameProbe& b) { return a.rank < b.rank; });
    std::vector<NameProbeFunction> probes;
    for (const CodecNameProbe& p : ranked) probes.push_back(p.probe);
    return probes;
}

}  // namespace

std::span<const CodecRow* const> CodecRows() { return kRows; }

std::span<const ProbeStep> ProbeOrder() {
    static const std::vector<ProbeStep> steps = GatherProbes();
    return steps;
}

std::span<const NameProbeFunction> NameProbes() {
    static const std::vector<NameProbeFunction> probes = GatherNameProbes();
    return probes;
}

const LoadEntry* FindLoadEntry(int code) {
    for (const CodecRow* row : kRows)
        for (const LoadEntry& e : row->loads)
            if (e.code == code) return &e;
    return nullptr;
}

const SaveEntry* FindSaveEntry(int code) {
    for (const CodecRow* row : kRows)
        for (const SaveEntry& e : row->saves)
            if (e.code == code) return &e;
    return nullptr;
}

const CompressedCodecHooks& CompressedCodec() { return kCompressed; }
