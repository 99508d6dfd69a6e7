#include "tiff/tiff_page.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/memory.h"
#include "io/format_codes.h"
#include "io/packing.h"
#include "tiff/strip_codecs.h"

namespace {

int Photometric(const TiffDirectory& d) {
    if (d.photometric >= 0) return d.photometric;
    // TIFF requires the tag; without it, three samples or more are RGB
    // and fewer are grey with black at zero.
    return d.samplesPerPixel >= 3 ? 2 : 1;
}

// ---- Row steps --------------------------------------------------------

void UndoPredictor(unsigned char* row, const TiffLayout& l, uint64_t width, bool onePlane, bool bigEndian) {
    const size_t stride = onePlane ? 1 : static_cast<size_t>(l.samples);
    const size_t samples = static_cast<size_t>(width) * stride;
    if (l.rgb555) {
        // Each 5-bit field adds to the field of the pixel before it.
        unsigned prev = (row[0] | row[1] << 8) & 0x7FFF;
        row[1] &= 0x7F;
        for (size_t i = 1; i < width; ++i) {
            unsigned v = row[2 * i] | row[2 * i + 1] << 8;
            unsigned r = ((v >> 10) + (prev >> 10)) & 31, g = ((v >> 5) + (prev >> 5)) & 31, b = (v + prev) & 31;
            prev = r << 10 | g << 5 | b;
            row[2 * i] = static_cast<unsigned char>(prev);
            row[2 * i + 1] = static_cast<unsigned char>(prev >> 8);
        }
    } else if (l.sampleBits == 8 && stride == 3) {
        // Running sums in registers: each byte is loaded and stored once.
        unsigned char a = row[0], b = row[1], c = row[2];
        for (size_t i = 3; i < samples; i += 3) {
            row[i] = a = static_cast<unsigned char>(a + row[i]);
            row[i + 1] = b = static_cast<unsigned char>(b + row[i + 1]);
            row[i + 2] = c = static_cast<unsigned char>(c + row[i + 2]);
        }
    } else if (l.sampleBits == 8) {
        for (size_t i = stride; i < samples; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - stride]);
    } else if (l.sampleBits == 16) {
        const int hi = bigEndian ? 0 : 1, lo = 1 - hi;
        for (size_t i = stride; i < samples; ++i) {
            unsigned char* s = row + 2 * i;
            const unsigned char* p = s - 2 * stride;
            unsigned v = (s[hi] << 8 | s[lo]) + (p[hi] << 8 | p[lo]);
            s[hi] = static_cast<unsigned char>(v >> 8);
            s[lo] = static_cast<unsigned char>(v);
        }
    }
}

void Interleave(unsigned char* const* planes, int count, int sampleBytes, size_t width, unsigned char* out) {
    for (int p = 0; p < count; ++p) {
        const unsigned char* in = planes[p];
        unsigned char* o = out + p * sampleBytes;
        const size_t step = static_cast<size_t>(count) * sampleBytes;
        if (sampleBytes == 1) {
            for (size_t x = 0; x < width; ++x, o += step) *o = in[x];
        } else {
            for (size_t x = 0; x < width; ++x, o += step) std::memcpy(o, in + 2 * x, 2);
        }
    }
}

void Mirror(unsigned char* row, int width, int bits) {
    if (bits >= 8) {
        const int n = bits / 8;
        for (int a = 0, b = width - 1; a < b; ++a, --b)
            for (int k = 0; k < n; ++k) std::swap(row[a * n + k], row[b * n + k]);
        return;
    }
    for (int a = 0, b = width - 1; a < b; ++a, --b) {
        const int va = GetPackedIndex(row, a, bits), vb = GetPackedIndex(row, b, bits);
        SetPackedIndex(row, a, bits, vb);
        SetPackedIndex(row, b, bits, va);
    }
}

// The stored row (width pixels, interleaved) into the delivered one.
void Convert(const unsigned char* in, unsigned char* out, const TiffLayout& l, int width, bool bigEndian) {
    const size_t w = static_cast<size_t>(width);
    switch (l.pixels) {
        case TiffPixels::Direct:
            if (in != out) std::memcpy(out, in, static_cast<size_t>(TiffStoredRowBytes(l, w, false)));
            break;
        case TiffPixels::Expand2:
            for (int x = 0; x < width; ++x) SetPackedIndex(out, x, 4, GetPackedIndex(in, x, 2));
            break;
        case TiffPixels::Gray12:
            // Scaled as ImageMagick scales them (4095 becomes 255).
            for (size_t x = 0; x < w; ++x) {
                const size_t k = x * 3 / 2;
                const unsigned v = x & 1 ? (in[k] & 15) << 8 | in[k + 1] : in[k] << 4 | in[k + 1] >> 4;
                out[x] = static_cast<unsigned char>(v * 255 / 4095);
            }
            break;
        case TiffPixels::Keep8:
            for (size_t x = 0; x < w; ++x)
                for (int k = 0; k < l.kept; ++k) out[x * l.kept + k] = in[x * l.samples + k];
            break;
        case TiffPixels::Keep16: {
            // The high byte, as libtiff's RGBA reader takes it.
            const int hi = bigEndian ? 0 : 1;
            for (size_t x = 0; x < w; ++x)
                for (int k = 0; k < l.kept; ++k) out[x * l.kept + k] = in[(x * l.samples + k) * 2 + hi];
            break;
        }
    }
    if (l.cmyk) {
        for (size_t x = 0; x < w; ++x) {
            unsigned char* p = out + 4 * x;
            // Each ink darkens what the black left, as libtiff's RGBA
            // reader and ImageMagick take it.
            const int c = p[0], m = p[1], y = p[2], k = 255 - p[3];
            p[0] = static_cast<unsigned char>((255 - c) * k / 255);
            p[1] = static_cast<unsigned char>((255 - m) * k / 255);
            p[2] = static_cast<unsigned char>((255 - y) * k / 255);
            p[3] = 0;
        }
    }
    if (l.mirror) Mirror(out, width, l.bits);
}

// A working-memory block allocated after its owner was made.
struct Block {
    unsigned char* p = nullptr;
    ~Block() { FreeGlobalLocked(p); }
    bool Allocate(uint64_t bytes, bool zero = false) {
        p = static_cast<unsigned char*>(AllocGlobalLockedExt(static_cast<size_t>(bytes) + 16, zero));
        return p != nullptr;
    }
    unsigned char* get() const { return p; }
};

// Owns the decoders and buffers of one page read.
struct PageBuffers {
    std::unique_ptr<StripDecoder> decoders[8];
    Block fileRow, planeRows, band, tileRow;
};

}  // namespace

uint64_t TiffStoredRowBytes(const TiffLayout& l, uint64_t width, bool onePlane) {
    const uint64_t bits = static_cast<uint64_t>(l.sampleBits) * (onePlane ? 1 : l.samples);
    return (width * bits + 7) / 8;
}

int DescribeTiffPage(const TiffDirectory& d, TiffLayout* out) {
    TiffLayout l;
    const int ph = Photometric(d);
    const int s = d.samplesPerPixel;
    const int b = d.bitsPerSample;
    l.sampleBits = b;
    l.samples = s;
    l.mirror = d.orientation == 2 || d.orientation == 3;
    l.bottomUp = d.orientation == 3 || d.orientation == 4;
    if (d.mixedBits || s < 1 || ph > 5 || ph == 4) return K_ERR_BITS;
    if (s == 1) {
        switch (b) {
            case 1:
            case 4:
            case 8:
                l.bits = b;
                break;
            case 2:
                l.pixels = TiffPixels::Expand2;
                l.bits = 4;
                break;
            case 12:
                l.pixels = TiffPixels::Gray12;
                l.bits = 8;
                break;
            case 16:
                if (ph == 2) {
                    // This library's own 16-bit pages: 5-5-5 words.
                    l.rgb555 = true;
                    l.bits = 16;
                } else if (ph <= 1) {
                    l.pixels = TiffPixels::Keep16;
                    l.kept = 1;
                    l.bits = 8;
                } else {
                    return K_ERR_BITS;
                }
                break;
            default:
                return K_ERR_BITS;
        }
    } else if (s == 2 && ph <= 1 && (b == 8 || b == 16)) {
        // Grey and alpha: the grey is kept.
        l.pixels = b == 8 ? TiffPixels::Keep8 : TiffPixels::Keep16;
        l.kept = 1;
        l.bits = 8;
    } else if ((s == 3 || s == 4) && (ph == 2 || (ph == 5 && s == 4)) && (b == 8 || b == 16)) {
        l.bits = 8 * s;
        l.cmyk = ph == 5;
        if (b == 16) {
            l.pixels = TiffPixels::Keep16;
            l.kept = s;
        }
    } else {
        return K_ERR_BITS;
    }
    l.grey = d.colorMapCount == 0 && l.bits <= 8;
    *out = l;
    return K_OK;
}

int ReadTiffPage(TiffSource& source, const TiffDirectory& d, const TiffLayout& l, TiffRowTarget& target) {
    const StripCodec* codec = FindStripCodec(d.compression);
    if (!codec || !codec->create) return K_ERR_TIFFCOMP;
    if (d.width <= 0 || d.height <= 0 || d.offsets.count() == 0) return K_ERR_FORMAT;
    const uint32_t width = static_cast<uint32_t>(d.width), height = static_cast<uint32_t>(d.height);
    const bool planar = d.planar == 2 && l.samples > 1;
    const int planes = planar ? l.samples : 1;
    if (planes > 8) return K_ERR_BITS;
    const uint32_t unitWidth = d.tiled ? d.tileWidth : width;
    uint32_t unitHeight = d.tiled ? d.tileLength : d.rowsPerStrip;
    if (unitWidth == 0 || (d.tiled && unitHeight == 0)) return K_ERR_FORMAT;
    if (unitHeight == 0 || unitHeight > height) unitHeight = height;
    const uint64_t unitRowBytes = TiffStoredRowBytes(l, unitWidth, planar);
    const uint64_t bandRowBytes = TiffStoredRowBytes(l, width, planar);
    const uint64_t chunkyRowBytes = TiffStoredRowBytes(l, width, false);
    if (unitRowBytes > limits::kTiffRowBytes || chunkyRowBytes > limits::kTiffRowBytes) return K_ERR_FORMAT;
    const uint32_t across = d.tiled ? (width + unitWidth - 1) / unitWidth : 1;
    const uint32_t down = (height + unitHeight - 1) / unitHeight;
    const uint64_t perPlane = static_cast<uint64_t>(across) * down;
    // Tiles must start on a byte.
    if (d.tiled && (static_cast<uint64_t>(unitWidth) * l.sampleBits * (planar ? 1 : l.samples)) % 8)
        return K_ERR_FORMAT;

    PageBuffers buf;
    const int decoderCount = d.tiled ? 1 : planes;
    for (int p = 0; p < decoderCount; ++p) {
        buf.decoders[p].reset(codec->create(source, d, static_cast<size_t>(unitRowBytes)));
        if (!buf.decoders[p]) return K_ERR_MEMORY;
    }
    if (!buf.fileRow.Allocate(std::max(chunkyRowBytes, unitRowBytes))) return K_ERR_MEMORY;
    unsigned char* planeRow[8] = {};
    const bool direct = l.pixels == TiffPixels::Direct && !planar;

    auto begin = [&](StripDecoder& decoder, uint64_t index) {
        if (index >= d.offsets.count()) return K_ERR_READ;
        const uint32_t offset = d.offsets[static_cast<uint32_t>(index)];
        const uint32_t count =
            offset < source.size() ? std::min(d.byteCounts[static_cast<uint32_t>(index)], source.size() - offset) : 0;
        return decoder.Begin(offset, count);
    };
    auto finish = [&](unsigned char* stored, uint32_t y) {
        Convert(stored, target.RowBuffer(), l, static_cast<int>(width), d.bigEndian);
        return target.Deliver(static_cast<int>(y));
    };

    if (!d.tiled) {
        if (planar) {
            if (!buf.planeRows.Allocate((unitRowBytes + 16) * planes)) return K_ERR_MEMORY;
            for (int p = 0; p < planes; ++p)
                planeRow[p] = buf.planeRows.get() + static_cast<size_t>(unitRowBytes + 16) * p;
        }
        for (uint32_t band = 0; band < down; ++band) {
            const uint32_t y0 = band * unitHeight, rows = std::min(unitHeight, height - y0);
            for (int p = 0; p < planes; ++p) {
                int r = begin(*buf.decoders[p], p * perPlane + band);
                if (r != K_OK) return r;
            }
            for (uint32_t i = 0; i < rows; ++i) {
                unsigned char* stored = direct ? target.RowBuffer() : buf.fileRow.get();
                if (planar) {
                    for (int p = 0; p < planes; ++p) {
                        int r = buf.decoders[p]->Read(planeRow[p], static_cast<size_t>(unitRowBytes));
                        if (r != K_OK) return r;
                        if (d.predictor == 2) UndoPredictor(planeRow[p], l, width, true, d.bigEndian);
                    }
                    Interleave(planeRow, planes, l.sampleBits / 8, width, stored);
                } else {
                    int r = buf.decoders[0]->Read(stored, static_cast<size_t>(unitRowBytes));
                    if (r != K_OK) return r;
                    if (d.predictor == 2) UndoPredictor(stored, l, width, false, d.bigEndian);
                }
                int r = finish(stored, y0 + i);
                if (r != K_OK) return r;
            }
        }
        return K_OK;
    }

    // Tiles: a band of tile rows is put together, then delivered row by row.
    const uint32_t bandRows = std::min(unitHeight, height);
    const uint64_t planeBytes = bandRowBytes * bandRows;
    if (planeBytes * planes > (uint64_t(1) << 31) || !buf.band.Allocate(planeBytes * planes, true) ||
        !buf.tileRow.Allocate(unitRowBytes))
        return K_ERR_MEMORY;
    const uint64_t columnBytes = unitRowBytes;
    for (uint32_t band = 0; band < down; ++band) {
        const uint32_t y0 = band * unitHeight, rows = std::min(unitHeight, height - y0);
        for (int p = 0; p < planes; ++p) {
            unsigned char* plane = buf.band.get() + planeBytes * p;
            for (uint32_t c = 0; c < across; ++c) {
                StripDecoder& decoder = *buf.decoders[0];
                int r = begin(decoder, p * perPlane + static_cast<uint64_t>(band) * across + c);
                if (r != K_OK) return r;
                const uint64_t at = columnBytes * c;
                const size_t copy = static_cast<size_t>(std::min(unitRowBytes, bandRowBytes - at));
                for (uint32_t i = 0; i < rows; ++i) {
                    r = decoder.Read(buf.tileRow.get(), static_cast<size_t>(unitRowBytes));
                    if (r != K_OK) return r;
                    if (d.predictor == 2) UndoPredictor(buf.tileRow.get(), l, unitWidth, planar, d.bigEndian);
                    std::memcpy(plane + bandRowBytes * i + at, buf.tileRow.get(), copy);
                }
            }
        }
        for (uint32_t i = 0; i < rows; ++i) {
            unsigned char* stored = buf.fileRow.get();
            if (planar) {
                for (int p = 0; p < planes; ++p) planeRow[p] = buf.band.get() + planeBytes * p + bandRowBytes * i;
                Interleave(planeRow, planes, l.sampleBits / 8, width, stored);
            } else {
                stored = buf.band.get() + bandRowBytes * i;
            }
            int r = finish(stored, y0 + i);
            if (r != K_OK) return r;
        }
    }
    return K_OK;
}
