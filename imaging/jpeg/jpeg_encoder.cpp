// The encoder's set-up, its MCU-row driver and its output: rows become
// sample planes one MCU row at a time, each block goes through the DCT, the
// quantiser and the Huffman coder into a staging buffer, and full staging
// buffers go to the output routine.
#include "jpeg/jpeg_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "jpeg/jpeg_block_coder.h"
#include "jpeg/jpeg_color_in.h"
#include "jpeg/jpeg_fdct.h"
#include "jpeg/jpeg_heads.h"
#include "jpeg/jpeg_tables.h"
#include "volkg.h"

namespace {

constexpr int kStageSize = 16384;

struct Encoder {
    EncoderParameters p;
    ColorInLayout layout{};
    int mcuWidth = 8, mcuHeight = 8;
    int mcusAcross = 0;
    int planeWidth = 0;     // luminance samples per plane row
    int codedHeight = 0;    // rows the scan covers (TIFF: the padded tile)
    int rowsDone = 0;       // picture rows coded
    int codedRowsDone = 0;  // scan rows coded, padding rows included
    uint8_t quantZigzag[2][64]{};
    QuantizerPairs quant[2]{};
    HuffmanCodeTable dc[2]{}, ac[2]{};
    int prediction[3]{};
    std::vector<int16_t> yPlane, cbPlane, crPlane;
    std::vector<uint8_t> stage;
    BitWriter bits;
    bool scanOpen = false;
    uint32_t written = 0;  // bytes handed to the output routine
    uint32_t tileStart = 0;
    uint32_t byteCountPosition = 0;
};

std::unique_ptr<Encoder> g_encoder;

int StagedBytes(const Encoder& e) { return static_cast<int>(e.bits.Position() - e.stage.data()); }

// Hands the staged bytes to the output; the bit writer continues at the start.
int FlushStage(Encoder& e) {
    int count = StagedBytes(e);
    if (count == 0) return 1;
    int result = e.p.output.write(e.stage.data(), count, e.p.output.context);
    e.written += static_cast<uint32_t>(count);
    e.bits.Rebase(e.stage.data());
    return result;
}

int WriteRaw(Encoder& e, const uint8_t* bytes, int count) {
    while (count > 0) {
        int room = kStageSize - StagedBytes(e);
        if (room <= 0) {
            int result = FlushStage(e);
            if (result != 1) return result;
            continue;
        }
        int n = std::min(room, count);
        std::memcpy(e.bits.Position(), bytes, n);
        e.bits.Rebase(e.bits.Position() + n);
        bytes += n;
        count -= n;
    }
    return 1;
}

uint32_t StreamPosition(const Encoder& e) { return e.written + static_cast<uint32_t>(StagedBytes(e)); }

// One block from a plane: DCT, quantiser, Huffman coder.
inline void CodeBlock(Encoder& e, const int16_t* plane, int stride, int component) {
    alignas(16) int16_t block[64];
    alignas(16) int16_t zigzag[64];
    for (int r = 0; r < 8; ++r) std::memcpy(block + 8 * r, plane + r * stride, 8 * sizeof(int16_t));
    ForwardDct(block);
    const int table = component ? 1 : 0;
    Quantize(block, e.quant[table], zigzag);
    EncodeBlock(e.bits, zigzag, &e.prediction[component], e.dc[table], e.ac[table]);
}

// Codes one MCU row from its input rows (mcuHeight of them, the bottom ones
// repeating the last available).
int CodeMcuRow(Encoder& e, const uint8_t* const* rows) {
    ColorInMcuRow(e.layout, rows, e.p.width, e.planeWidth, e.yPlane.data(), e.cbPlane.data(), e.crPlane.data());
    const int chromaStride = e.planeWidth / e.p.hSampling;
    const int blocksPerMcu = e.p.hSampling * e.p.vSampling + (e.p.components == 3 ? 2 : 0);
    for (int m = 0; m < e.mcusAcross; ++m) {
        if (kStageSize - StagedBytes(e) < blocksPerMcu * kMaxBlockBytes) {
            int result = FlushStage(e);
            if (result != 1) return result;
        }
        for (int v = 0; v < e.p.vSampling; ++v)
            for (int h = 0; h < e.p.hSampling; ++h)
                CodeBlock(e, e.yPlane.data() + v * 8 * e.planeWidth + m * e.mcuWidth + h * 8, e.planeWidth, 0);
        if (e.p.components == 3) {
            CodeBlock(e, e.cbPlane.data() + m * 8, chromaStride, 1);
            CodeBlock(e, e.crPlane.data() + m * 8, chromaStride, 2);
        }
    }
    e.codedRowsDone += e.mcuHeight;
    return 1;
}

// After the last row: the last byte completed with 1-bits, EOI or the TIFF
// tile's byte count, and everything handed out.
int CloseScan(Encoder& e) {
    e.bits.Finish();
    if (e.p.headKind == kHeadJfif) {
        static const uint8_t eoi[2] = {0xFF, 0xD9};
        int result = WriteRaw(e, eoi, 2);
        if (result != 1) return result;
    }
    const uint32_t tileBytes = StreamPosition(e) - e.tileStart;
    int result = FlushStage(e);
    if (result != 1) return result;
    if (e.p.headKind == kHeadTiff) {
        const uint8_t count[4] = {static_cast<uint8_t>(tileBytes), static_cast<uint8_t>(tileBytes >> 8),
                                  static_cast<uint8_t>(tileBytes >> 16), static_cast<uint8_t>(tileBytes >> 24)};
        if (!e.p.output.patch) return -9;
        result = e.p.output.patch(e.byteCountPosition, count, 4, e.p.output.context);
        if (result != 1) return result;
    }
    return 1;
}

int Fail(int code) {
    g_encoder.reset();
    return code;
}

}  // namespace

int JpegStartEncoder(const EncoderParameters& parameters) {
    if (g_encoder) return kEncStarted;
    const EncoderParameters& p = parameters;
    if (p.width <= 0 || p.height <= 0 || p.width > 65535 || p.height > 65535) return kEncSize;
    if (!p.output.write) return -53;
    std::unique_ptr<Encoder> owned(new (std::nothrow) Encoder);
    if (!owned) return -1;
    Encoder& e = *owned;
    e.p = p;
    if (p.components == 1) e.p.hSampling = e.p.vSampling = 1;
    e.mcuWidth = 8 * e.p.hSampling;
    e.mcuHeight = 8 * e.p.vSampling;
    e.layout = {p.components == 1 ? 8 : p.bitsPerPixel, p.redFirst, e.p.hSampling, e.p.vSampling};

    // Tables: standard ones scaled by Q, or the caller's table for all.
    for (int t = 0; t < 2; ++t) {
        if (p.customQuant) {
            std::memcpy(e.quantZigzag[t], p.customQuant, 64);
        } else {
            int result = ScaleQuantTable(t ? kChrominanceQuant : kLuminanceQuant, p.quality, e.quantZigzag[t]);
            if (result != K_OK) return kEncQuality;
        }
        for (int i = 0; i < 64; ++i)
            if (e.quantZigzag[t][i] == 0) return kEncZeroQuant;
        BuildQuantizerPairs(e.quantZigzag[t], &e.quant[t]);
    }
    BuildHuffmanCodes(kLuminanceDc, &e.dc[0]);
    BuildHuffmanCodes(kChrominanceDc, &e.dc[1]);
    BuildHuffmanCodes(kLuminanceAc, &e.ac[0]);
    BuildHuffmanCodes(kChrominanceAc, &e.ac[1]);

    // TIFF 6.0 wants tile sides in multiples of 16: the tile is the picture
    // padded so, its extra columns and rows repeating the last.
    int codedWidth = p.width;
    e.codedHeight = p.height;
    if (p.headKind == kHeadTiff) {
        codedWidth = (p.width + 15) & ~15;
        e.codedHeight = (p.height + 15) & ~15;
    }
    e.mcusAcross = (codedWidth + e.mcuWidth - 1) / e.mcuWidth;
    e.planeWidth = e.mcusAcross * e.mcuWidth;
    try {
        e.yPlane.resize(static_cast<size_t>(e.planeWidth) * e.mcuHeight);
        if (p.components == 3) {
            e.cbPlane.resize(static_cast<size_t>(e.planeWidth / e.p.hSampling) * 8);
            e.crPlane.resize(e.cbPlane.size());
        }
        e.stage.resize(kStageSize + kMaxBlockBytes);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    e.bits.Start(e.stage.data());

    const bool sharedQuant = std::memcmp(e.quantZigzag[0], e.quantZigzag[1], 64) == 0;
    HeadInfo head{p.width,       p.height,      p.components,
                  e.p.hSampling, e.p.vSampling, {e.quantZigzag[0], sharedQuant ? nullptr : e.quantZigzag[1]},
                  p.xResolution, p.yResolution, p.topDown,
                  p.stamp};
    std::vector<uint8_t> bytes;
    try {
        if (p.headKind == kHeadJfif) {
            int result = BuildJfifHead(head, &bytes);
            if (result != 1) return result;
        } else if (p.headKind == kHeadTiff) {
            BuildTiffHead(head, codedWidth, e.codedHeight, &bytes, &e.byteCountPosition);
        } else if (p.headKind != kHeadNone) {
            return -9;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    g_encoder = std::move(owned);
    int result = WriteRaw(*g_encoder, bytes.data(), static_cast<int>(bytes.size()));
    if (result != 1) return Fail(result);
    g_encoder->tileStart = StreamPosition(*g_encoder);
    return 1;
}

int JpegWriteBytes(const uint8_t* bytes, int count) {
    if (!g_encoder) return kEncNotStarted;
    int result = WriteRaw(*g_encoder, bytes, count);
    if (result != 1) return Fail(result);
    g_encoder->tileStart = StreamPosition(*g_encoder);
    return 1;
}

int JpegEncodeRows(const uint8_t* const* rows) {
    if (!g_encoder) return kEncNotStarted;
    Encoder& e = *g_encoder;
    const int given = std::min(e.p.rowsPerBuffer, e.p.height - e.rowsDone);
    const uint8_t* mcuRows[16];
    for (int used = 0; used < given; used += e.mcuHeight) {
        // The rows of one MCU row; below the picture's last row it repeats.
        const int last = std::min(used + e.mcuHeight, given) - 1;
        for (int r = 0; r < e.mcuHeight; ++r) mcuRows[r] = rows[std::min(used + r, last)];
        int result = CodeMcuRow(e, mcuRows);
        if (result != 1) return Fail(result);
    }
    e.rowsDone += given;
    if (e.rowsDone < e.p.height) return 1;
    // The TIFF tile's padding rows repeat the last row too.
    for (int r = 0; r < e.mcuHeight; ++r) mcuRows[r] = rows[given - 1];
    while (e.codedRowsDone < e.codedHeight) {
        int result = CodeMcuRow(e, mcuRows);
        if (result != 1) return Fail(result);
    }
    int result = CloseScan(e);
    g_encoder.reset();
    return result;
}

bool JpegEncoderStarted() { return g_encoder != nullptr; }

void JpegStopEncoder() { g_encoder.reset(); }
