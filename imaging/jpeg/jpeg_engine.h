// The decoder engine's process-wide state: flags of the decode under way,
// the built tables, the MCU plan, the bit reader and the row delivery.
#pragma once

#include <cstdint>
#include <vector>

#include "jpeg/jpeg_decoder.h"

// Settings that survive from decode to decode.
struct JpegSettings {
    int linesPerCall = 0;
    bool multiLine = false;
    bool greyPaletteOwn = true;
};
JpegSettings& DecoderSettings();

// How the decoded rows are fitted to the bitmap's height.
enum class RowResize { None, Dropped, Repeated };

struct JpegEngine {
    // Flags of this decode.
    bool setUp = false;
    bool ownStream = false, tiffStream = false;
    bool topDownRows = false;
    bool rgbOutput = false;
    bool doubledHeight = false;
    bool greyImage = false;
    bool ditherToFixed = false;
    int outputType = 3;  // 1, 3 or 4 bytes a pixel
    int rowAlignment = 0;

    JpegDecodeParams params;
    JpegMarkerState markers;
    HuffmanLookup dcLookup[4], acLookup[4];
    DequantTable dequant[4];

    // Input.
    std::vector<uint8_t> window;
    JpegInput input;
    JpegBitReader reader;
    int16_t predictor[3] = {};

    // MCU plan.
    McuLayout layout = McuLayout::S2x1;
    int mcuWidth = 16, mcuHeight = 8;
    int mcusAcross = 0, mcuRows = 0;
    int blocks = 0;
    int blockComponent[10] = {};
    JpegBlockTables blockTables[10] = {};
    int mcusDecoded = 0;
    int mcuRowsDone = 0;

    // Output.
    BitmapRecord* bitmap = nullptr;
    RowCallback callback = nullptr;
    void* userData = nullptr;
    int callbackResult = K_OK;
    int decodedPixelBytes = 3;  // what the colour output writes
    int outputPixelBytes = 3;   // what the callback receives
    int outWidth = 0, outHeight = 0;
    int rowStride = 0;       // bytes between delivered rows
    int sourceRowsDone = 0;  // rows of the (doubled) picture handed on
    RowResize rowResize = RowResize::None;
    std::vector<int> columnRepeat, rowRepeat;

    // Buffers.
    std::vector<int32_t> coefficients;  // one block
    std::vector<int16_t> samples;       // one MCU
    std::vector<uint8_t> mcuRowPixels;  // one MCU row, MCU-padded width
    int mcuRowStride = 0;
    std::vector<uint8_t*> mcuRowPointers;
    std::vector<uint8_t> ditherRow, resizeRow;
    std::vector<int> ditherErrors;  // two rows of (width + 2) x 3
    std::vector<uint8_t> delivery;  // rows waiting for the callback
    int deliveryRows = 0, pendingRows = 0;
};

// Strip decoding (jpeg_strip.cpp): after the tables are in place, plans
// the MCUs and positions the reader at the scan data. K_OK or a code.
int JpegStartScan(JpegEngine& e);
// Decodes and hands over the next MCU row (mcuRowsDone counts them). K_OK
// or a code.
int JpegDecodeStrip(JpegEngine& e);
// Hands over rows still waiting; K_OK or -29.
int JpegFlushRows(JpegEngine& e);
