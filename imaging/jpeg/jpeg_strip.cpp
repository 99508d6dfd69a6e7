// The strip loop: one MCU row at a time, entropy decoding with restart
// handling, the inverse DCT, colour output, then the rows on their way to
// the caller: dithered, widened or narrowed, repeated or dropped, and
// handed over one MCU row (or LinesPerCall rows) at a time.
#include <algorithm>
#include <cstring>

#include "core/palette.h"
#include "jpeg/jpeg_engine.h"

namespace {

// Moves the reader to the next marker and takes it when it is RSTn. The
// missing data of a damaged interval reads as zeros; an interval that ran
// out of data and is followed by no RSTn is a truncated stream. K_OK or -62.
// The first marker from `from` on: an FF followed by anything but a
// stuffing 00 (an FF at the window's end counts, as it may be one).
const uint8_t* NextMarker(const uint8_t* from, const uint8_t* end) {
    for (const uint8_t* p = from; p < end; p += 2) {
        p = static_cast<const uint8_t*>(std::memchr(p, 0xFF, static_cast<size_t>(end - p)));
        if (!p || p + 1 == end) return p ? p : end;
        if (p[1] != 0) return p;
    }
    return end;
}

int Restart(JpegEngine& e) {
    JpegBitReader& r = e.reader;
    JpegInput& in = e.input;
    const bool dry = r.ranDry();
    r.buffer = 0;
    r.bits = 0;
    r.padBits = 0;
    auto next = [&]() -> int {
        if (r.cursor == r.end) {
            in.pos() = r.cursor;
            if (!in.Refill()) return -1;
            r.cursor = in.pos();
            r.end = in.end();
        }
        return *r.cursor;
    };
    if (!r.markerSeen) {
        for (;;) {
            int b = next();
            if (b < 0) return kJpegDataMissing;
            ++r.cursor;
            if (b != 0xFF) continue;
            int code = next();
            while (code == 0xFF) {
                ++r.cursor;
                code = next();
            }
            if (code < 0) return kJpegDataMissing;
            if (code != 0) break;
            ++r.cursor;  // a stuffed FF
        }
        r.markerSeen = true;
    }
    int code = next();
    if (code >= 0xD0 && code <= 0xD7) {
        ++r.cursor;
        r.markerSeen = false;
    } else if (dry) {
        return kJpegDataMissing;
    }
    e.predictor[0] = e.predictor[1] = e.predictor[2] = 0;
    return K_OK;
}

int Deliver(JpegEngine& e, uint8_t* rows, int count) {
    int result = e.callback(e.bitmap, rows, count, e.userData);
    if (result != K_OK) {
        e.callbackResult = result;
        return kJpegCallbackStop;
    }
    return K_OK;
}

int AppendRow(JpegEngine& e, const uint8_t* row, int bytes) {
    const JpegSettings& s = DecoderSettings();
    if (e.rowResize == RowResize::Repeated && !s.multiLine) {
        std::memcpy(e.delivery.data(), row, static_cast<size_t>(bytes));
        return Deliver(e, e.delivery.data(), 1);
    }
    std::memcpy(e.delivery.data() + static_cast<size_t>(e.pendingRows) * e.rowStride, row, static_cast<size_t>(bytes));
    ++e.pendingRows;
    if (e.rowResize == RowResize::Repeated && e.pendingRows >= s.linesPerCall) return JpegFlushRows(e);
    return K_OK;
}

// Error diffusion (Floyd-Steinberg) of a row of red, green, blue bytes to
// the fixed palette of 8 red by 8 green by 4 blue levels.
void DitherRow(JpegEngine& e, const uint8_t* rgb, uint8_t* out, int width) {
    int* cur = e.ditherErrors.data();
    int* below = cur + (width + 2) * 3;
    if (e.sourceRowsDone & 1) std::swap(cur, below);
    std::fill(below, below + (width + 2) * 3, 0);
    for (int x = 0; x < width; ++x) {
        int v[3];
        for (int c = 0; c < 3; ++c) v[c] = std::clamp(rgb[3 * x + c] + (cur[3 * (x + 1) + c] >> 4), 0, 255);
        const int r = (v[0] * 7 + 127) / 255, g = (v[1] * 7 + 127) / 255, b = (v[2] * 3 + 127) / 255;
        const int index = r << 5 | g << 2 | b;
        out[x] = static_cast<uint8_t>(index);
        const RGBQUAD& q = FixedPalette256[index];
        const int err[3] = {v[0] - q.rgbRed, v[1] - q.rgbGreen, v[2] - q.rgbBlue};
        for (int c = 0; c < 3; ++c) {
            cur[3 * (x + 2) + c] += err[c] * 7;
            below[3 * x + c] += err[c] * 3;
            below[3 * (x + 1) + c] += err[c] * 5;
            below[3 * (x + 2) + c] += err[c];
        }
    }
}

int EmitSourceRow(JpegEngine& e, const uint8_t* src) {
    const int sourceRow = e.sourceRowsDone;
    const int width = e.params.width;
    int pixelBytes = e.decodedPixelBytes;
    const uint8_t* row = src;
    if (e.ditherToFixed) {
        DitherRow(e, src, e.ditherRow.data(), width);
        row = e.ditherRow.data();
        pixelBytes = 1;
    }
    ++e.sourceRowsDone;
    if (!e.columnRepeat.empty()) {
        uint8_t* o = e.resizeRow.data();
        for (int x = 0; x < width; ++x)
            for (int n = e.columnRepeat[x]; n > 0; --n) {
                std::memcpy(o, row + x * pixelBytes, static_cast<size_t>(pixelBytes));
                o += pixelBytes;
            }
        row = e.resizeRow.data();
    }
    const int copies = e.rowRepeat.empty() ? 1 : e.rowRepeat[sourceRow];
    for (int c = 0; c < copies; ++c)
        if (int r = AppendRow(e, row, e.outWidth * pixelBytes); r != K_OK) return r;
    return K_OK;
}

}  // namespace

int JpegFlushRows(JpegEngine& e) {
    if (e.pendingRows == 0) return K_OK;
    const int count = e.pendingRows;
    e.pendingRows = 0;
    return Deliver(e, e.delivery.data(), count);
}

int JpegStartScan(JpegEngine& e) {
    const JpegDecodeParams& p = e.params;
    if (e.greyImage) {
        e.layout = McuLayout::Grey;
        e.mcuWidth = e.mcuHeight = 8;
        e.blocks = 1;
    } else {
        const int h = p.component[0].h, v = p.component[0].v;
        e.layout = h == 1 && v == 1   ? McuLayout::S1x1
                   : h == 2 && v == 2 ? McuLayout::S2x2
                   : h == 4           ? McuLayout::S4x1
                   : h == 1 && v == 2 ? McuLayout::S1x2
                                      : McuLayout::S2x1;
        e.mcuWidth = 8 * h;
        e.mcuHeight = 8 * v;
        e.blocks = h * v + 2;
    }
    if (e.blocks <= 0) return kJpegEmptyMcu;
    for (int b = 0; b < e.blocks; ++b) {
        const int c = e.greyImage ? 0 : b < e.blocks - 2 ? 0 : b - (e.blocks - 3);
        const JpegComponent& comp = p.component[c];
        e.blockComponent[b] = c;
        e.blockTables[b] = {e.dcLookup[comp.dcTable].entries.data(), e.acLookup[comp.acTable].entries.data(),
                            e.acLookup[comp.acTable].fastAc.data(), &e.dequant[comp.quantTable]};
    }
    e.mcusAcross = (std::max(p.width, p.codedWidth) + e.mcuWidth - 1) / e.mcuWidth;
    e.mcuRows = (p.height + e.mcuHeight - 1) / e.mcuHeight;
    e.mcusDecoded = e.mcuRowsDone = 0;

    e.coefficients.assign(64, 0);
    e.samples.assign(static_cast<size_t>(e.blocks) * 64, 0);
    e.mcuRowStride = e.mcusAcross * e.mcuWidth * e.decodedPixelBytes;
    e.mcuRowPixels.assign(static_cast<size_t>(e.mcuRowStride) * e.mcuHeight, 0);
    e.mcuRowPointers.resize(static_cast<size_t>(e.mcuHeight));
    for (int r = 0; r < e.mcuHeight; ++r)
        e.mcuRowPointers[r] = e.mcuRowPixels.data() + static_cast<size_t>(r) * e.mcuRowStride;

    // The reader at the first byte of the scan data.
    JpegBitReader& r = e.reader;
    r = JpegBitReader{};
    if (e.input.pos() == e.input.end() && !e.input.Refill()) return kJpegDataMissing;
    r.cursor = e.input.pos();
    r.end = e.input.end();
    e.predictor[0] = e.predictor[1] = e.predictor[2] = 0;
    return K_OK;
}

int JpegDecodeStrip(JpegEngine& e) {
    // The data ran out in an earlier MCU row: the rest of the picture would
    // be decoded from nothing. Rows so far stand; the stream is truncated.
    if (e.reader.ranDry()) return kJpegDataMissing;
    const JpegSettings& s = DecoderSettings();
    const int firstRow = e.mcuRowsDone * e.mcuHeight;
    const int rows = std::min(e.mcuHeight, e.params.height - firstRow);
    const int perRow = e.doubledHeight ? 2 : 1;

    // Multi-line mode hands over whole MCU rows, at most LinesPerCall when
    // they fit.
    if (s.multiLine && e.rowResize != RowResize::Repeated && e.pendingRows > 0) {
        int coming = 0;
        for (int j = 0; j < rows * perRow; ++j) coming += e.rowRepeat.empty() ? 1 : e.rowRepeat[e.sourceRowsDone + j];
        if (e.pendingRows + coming > s.linesPerCall)
            if (int rc = JpegFlushRows(e); rc != K_OK) return rc;
    }

    JpegBitReader& r = e.reader;
    int32_t* coef = e.coefficients.data();
    const bool rgb = e.ditherToFixed ? true : e.rgbOutput;
    // Rows that go out as decoded are written straight into the rows
    // waiting for the callback; an MCU that crosses the right edge goes
    // through the MCU row buffer.
    const bool direct = e.rowResize == RowResize::None && !e.ditherToFixed && !e.doubledHeight;
    uint8_t* directRows[32];
    if (direct)
        for (int j = 0; j < e.mcuHeight; ++j)
            directRows[j] = e.delivery.data() + static_cast<size_t>(e.pendingRows + j) * e.rowStride;
    const int fullMcus = e.params.width / e.mcuWidth;
    const int interval = e.params.restartInterval;
    // The fast decoder takes every FF as a stuffed one, so with restart
    // intervals it runs only up to its margin before the next marker of the
    // window, found once per interval (again after a refill moved the
    // cursor back or a restart moved it past the marker).
    const uint8_t *markerAt = nullptr, *scannedEnd = nullptr, *lastCursor = nullptr;
    auto fastRoom = [&] {
        if (!interval) return r.end - r.cursor >= kJpegFastMargin;
        if (!markerAt || r.cursor < lastCursor || r.cursor > markerAt || r.end != scannedEnd) {
            markerAt = NextMarker(r.cursor, r.end);
            scannedEnd = r.end;
        }
        lastCursor = r.cursor;
        return markerAt - r.cursor >= kJpegFastMargin;
    };
    for (int mx = 0; mx < e.mcusAcross; ++mx) {
        if (interval && e.mcusDecoded > 0 && e.mcusDecoded % interval == 0)
            if (int rc = Restart(e); rc != K_OK) return rc;
        ++e.mcusDecoded;
        for (int b = 0; b < e.blocks; ++b) {
            int16_t* out = e.samples.data() + b * 64;
            int16_t& predictor = e.predictor[e.blockComponent[b]];
            if (!r.markerSeen && fastRoom()) {
                const int any = JpegDecodeBlockFast(r, coef, predictor, e.blockTables[b]);
                JpegInverseDct(out, coef, any);
            } else {
                if (int rc = JpegDecodeBlock(r, e.input, coef, predictor, e.blockTables[b]); rc != K_OK) {
                    std::fill(coef, coef + 64, 0);  // the fast decoder expects them zero
                    return rc;
                }
                JpegInverseDct(out, coef, 63);
            }
        }
        uint8_t* const* target = direct && mx < fullMcus ? directRows : e.mcuRowPointers.data();
        JpegColorOut(e.layout, e.samples.data(), target, mx * e.mcuWidth, e.decodedPixelBytes, rgb);
    }

    if (direct) {
        const size_t x0 = static_cast<size_t>(fullMcus) * e.mcuWidth * e.decodedPixelBytes;
        const size_t rest = static_cast<size_t>(e.params.width) * e.decodedPixelBytes - x0;
        if (rest)
            for (int j = 0; j < rows; ++j) std::memcpy(directRows[j] + x0, e.mcuRowPointers[j] + x0, rest);
        e.pendingRows += rows;
        e.sourceRowsDone += rows;
    } else {
        for (int j = 0; j < rows; ++j)
            for (int c = 0; c < perRow; ++c)
                if (int rc = EmitSourceRow(e, e.mcuRowPointers[j]); rc != K_OK) return rc;
    }
    if (!s.multiLine && e.rowResize != RowResize::Repeated)
        if (int rc = JpegFlushRows(e); rc != K_OK) return rc;
    ++e.mcuRowsDone;
    return K_OK;
}
