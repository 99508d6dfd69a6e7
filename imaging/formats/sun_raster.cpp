// Sun raster images: a header of eight big-endian words, an optional
// colour map in three planes, and rows padded to 16 bits, raw or run-length
// coded (the coding runs over the whole byte stream, across rows).
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"

namespace {

constexpr int kRasHeader = 32;
constexpr uint32_t kRasMagic = 0x59A66A95;
constexpr int kTypeCoded = 2;
constexpr int kTypeRGB = 3;
constexpr int kMapRGB = 1;
constexpr int kRunFlag = 0x80;

struct RasHeader {
    int width, height, depth, type, mapType, mapLength;
};

// The header's fields; false without the magic.
bool ParseHeader(const unsigned char* h, RasHeader* p) {
    if (Be32(h) != kRasMagic) return false;
    // Whole words: a size above 65535 is a real size, not its low half.
    const uint32_t width = Be32(h + 4), height = Be32(h + 8);
    p->width = width > 0x7FFFFFFF ? -1 : static_cast<int>(width);
    p->height = height > 0x7FFFFFFF ? -1 : static_cast<int>(height);
    p->depth = Be16(h + 14);
    p->type = Be16(h + 22);
    p->mapType = Be16(h + 26);
    const uint32_t map = Be32(h + 28);
    p->mapLength = map > 0x7FFFFFFF ? -1 : static_cast<int>(map);
    return true;
}

bool DepthKnown(int depth) { return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32; }

// Row bytes in the file: whole bytes of pixels rounded up to an even count.
int64_t FileRowBytes(int width, int depth) {
    int64_t bytes = (static_cast<int64_t>(width) * depth + 7) / 8;
    return bytes + (bytes & 1);
}

// A picture we can hold: a known depth and rows that fit a 32-bit size.
bool Loadable(const RasHeader& p) {
    return DepthKnown(p.depth) && p.width > 0 && p.height > 0 &&
           FileRowBytes(p.width, p.depth) <= 0x7FFFFFFF / p.height;
}

// The coded byte stream: 0x80 0x00 is one 0x80, 0x80 n v is n + 1 bytes v,
// any other byte stands for itself. A run is carried on into the next row.
struct RunDecoder {
    Source& in;
    int left = 0;
    unsigned char value = 0;

    // Exactly count bytes: 1, or -7 when the data ends first.
    int Decode(unsigned char* out, int count) {
        int i = 0;
        while (i < count) {
            if (left > 0) {
                int n = std::min(left, count - i);
                std::memset(out + i, value, n);
                i += n;
                left -= n;
                continue;
            }
            int available;
            const unsigned char* p = in.Window(&available);
            if (!p) return K_ERR_READ;
            int used = 0;
            while (used < available && i < count) {
                // Plain bytes four at a time, while none of them is the flag.
                while (available - used >= 4 && count - i >= 4) {
                    uint32_t word;
                    std::memcpy(&word, p + used, 4);
                    const uint32_t x = word ^ 0x80808080u;
                    if ((x - 0x01010101u) & ~x & 0x80808080u) break;
                    std::memcpy(out + i, &word, 4);
                    used += 4;
                    i += 4;
                }
                if (used == available || i == count) break;
                const unsigned char b = p[used];
                if (b != kRunFlag) {
                    out[i++] = b;
                    ++used;
                    continue;
                }
                if (available - used < 2) break;  // the code goes on in the next block
                const int n = p[used + 1];
                if (n == 0) {
                    out[i++] = kRunFlag;
                    used += 2;
                    continue;
                }
                if (available - used < 3) break;
                value = p[used + 2];
                left = n + 1;
                used += 3;
                const int take = std::min(left, count - i);
                std::memset(out + i, value, take);
                i += take;
                left -= take;
            }
            in.Consume(used);
            if (i < count && left == 0 && used < available) {
                // A code split over the end of the buffer.
                in.Byte();
                const int n = in.Byte();
                if (n < 0) return K_ERR_READ;
                if (n == 0) {
                    out[i++] = kRunFlag;
                    continue;
                }
                const int v = in.Byte();
                if (v < 0) return K_ERR_READ;
                value = static_cast<unsigned char>(v);
                left = n + 1;
            }
        }
        return K_OK;
    }
};

// Colour map: three planes of equal length, at most 256 entries kept.
int ReadColorMap(Source& in, const RasHeader& p, RGBQUAD* table, int* colors) {
    *colors = 0;
    if (p.mapLength <= 0) return K_OK;
    int r = in.Require(p.mapLength);
    if (r != K_OK) return r;
    if (p.mapType != kMapRGB) return in.Skip(p.mapLength);
    const int entries = p.mapLength / 3;
    const int kept = std::min(entries, 256);
    unsigned char plane[3][256];
    for (int c = 0; c < 3; ++c) {
        if ((r = in.ReadExact(plane[c], kept)) != K_OK) return r;
        if ((r = in.Skip(entries - kept)) != K_OK) return r;
    }
    if ((r = in.Skip(p.mapLength - 3 * entries)) != K_OK) return r;
    for (int i = 0; i < kept; ++i) table[i] = RGBQUAD{plane[2][i], plane[1][i], plane[0][i], 0};
    *colors = kept;
    return K_OK;
}

}  // namespace

int ProbeRAS(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < kRasHeader) return 0;
    RasHeader p;
    if (!ParseHeader(input.header, &p) || !Loadable(p)) return 0;
    FillFileInfo(info, {.format = kFormatSunRaster,
                        .width = p.width,
                        .height = p.height,
                        .bitsPerPixel = p.depth,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = p.depth > 8 ? K_ORDER_BGR : K_ORDER_RGB});
    SetCompressionName(info, p.type == kTypeCoded ? "Run Length"
                             : p.type == 4        ? "Embedded TIFF"
                             : p.type == 5        ? "Embedded IFF"
                                                  : "None");
    return 1;
}

extern "C" int KAPI K_LoadRASFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();
    unsigned char header[kRasHeader];
    if ((r = in.ReadExact(header, kRasHeader, K_ERR_FORMAT)) != K_OK) return r;
    RasHeader p;
    if (!ParseHeader(header, &p)) return K_ERR_FORMAT;
    if (!Loadable(p) || p.mapLength < 0) return K_ERR_FORMAT;
    const int64_t rowBytes = FileRowBytes(p.width, p.depth);

    // The file order of pixels above 8 bits: B, G, R unless the type says R, G, B.
    const int fileOrder = p.type == kTypeRGB ? K_ORDER_RGB : K_ORDER_BGR;
    if ((r = session.SetImage(p.width, p.height, p.depth, fileOrder)) != K_OK) return r;
    int colors = 0;
    if ((r = ReadColorMap(in, p, bitmap->ColorTable, &colors)) != K_OK) return r;
    if (p.depth <= 8 && colors > 0) {
        bitmap->Flags |= K_FILE_PALETTE;
    } else if (p.depth == 1) {
        // A set bit is black, as every Sun tool draws a map-less bitmap.
        bitmap->ColorTable[0] = RGBQUAD{255, 255, 255, 0};
        bitmap->ColorTable[1] = RGBQUAD{0, 0, 0, 0};
        colors = 2;
    } else if (p.depth == 8) {
        FillGreyRamp(bitmap->ColorTable, 256);
        colors = 256;
    } else if (p.depth == 4) {
        FillGreyRamp(bitmap->ColorTable, 16);
        colors = 16;
    } else {
        colors = 0;
    }
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatSunRaster;

    const bool coded = p.type == kTypeCoded;
    // Raw rows must all be there; coded ones expand at most 256 times.
    const int64_t least = coded ? (rowBytes * p.height + 255) / 256 : rowBytes * p.height;
    if ((r = in.Require(least)) != K_OK) return r;
    if ((r = session.BeginRows(callback, userData)) != K_OK) return r;

    RunDecoder decoder{in};
    const int count = static_cast<int>(rowBytes);
    for (int y = 0; y < p.height; ++y) {
        if (!coded && p.depth != 32) {
            // Rows stored as the record stores them go straight into storage.
            if ((r = session.ReadStoredRows(&y, p.height, count)) != K_OK) return r;
            if (y == p.height) break;
        }
        unsigned char* row = session.Row();  // holds the file row and its pad byte
        r = coded ? decoder.Decode(row, count) : in.ReadExact(row, count);
        if (r != K_OK) return r;
        if (p.depth == 32) {
            // Alpha comes first in the file: X,B,G,R (or X,R,G,B) to B,G,R,X.
            for (int x = 0; x < p.width; ++x) {
                unsigned char* q = row + 4 * x;
                const unsigned char a = q[0];
                q[0] = q[1];
                q[1] = q[2];
                q[2] = q[3];
                q[3] = a;
            }
        }
        if ((r = session.DeliverRow(y)) != K_OK) return r;
    }
    session.DropTrueColorPalette();
    return K_OK;
}

extern "C" int KAPI K_LoadRASBitmap(const char* name, BitmapRecord* bitmap) {
    return LoadWholeBitmap(name, bitmap, K_LoadRASFile, -1);
}

int SaveRASFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    if (!DepthKnown(bits)) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    int flags = request.flags;
    if (bits > 8) flags |= kSaveStoresBGR;
    SaveWriter writer(source, bits, flags, request.callback, request.userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    const int width = writer.Width(), height = writer.Height();
    const int64_t rowBytes = FileRowBytes(width, bits);
    // The length field is a 32-bit word.
    if (width < 1 || height < 1 || rowBytes * height > 0x7FFFFFFF) return K_ERR_SIZE;

    // 1 bit: no map, a set bit is black; the bits turn over when entry 0 is the darker.
    bool invert = false;
    int mapColors = 0;
    if (bits == 1) {
        invert = writer.FirstColorDarker();
    } else if (bits <= 8) {
        mapColors = 1 << bits;
    }

    Output out;
    if ((r = out.Open(request.name)) != K_OK) return r;
    unsigned char h[kRasHeader];
    PutBe32(h, kRasMagic);
    PutBe32(h + 4, static_cast<uint32_t>(width));
    PutBe32(h + 8, static_cast<uint32_t>(height));
    PutBe32(h + 12, static_cast<uint32_t>(bits));
    PutBe32(h + 16, static_cast<uint32_t>(rowBytes * height));  // with the row padding
    PutBe32(h + 20, 1);
    PutBe32(h + 24, mapColors ? kMapRGB : 0);
    PutBe32(h + 28, static_cast<uint32_t>(3 * mapColors));
    out.Write(h, kRasHeader);
    if (mapColors) {
        unsigned char map[3 * 256];
        writer.ColorTableBytes(map, mapColors, ColorBytes::RGBPlanar);
        out.Write(map, 3 * mapColors);
    }

    GlobalBuffer line(static_cast<size_t>(rowBytes) + 4, true);
    if (!line) return K_ERR_MEMORY;
    unsigned char* file = line.get();
    const int count = static_cast<int>(rowBytes);
    const int dataBytes = static_cast<int>((static_cast<int64_t>(width) * bits + 7) / 8);
    for (int y = 0; y < height; ++y) {
        if ((r = writer.RowFromTop(y)) != K_OK) return r;
        const unsigned char* row = writer.Row();
        if (bits == 32) {
            // B,G,R,X to X,B,G,R with an opaque alpha.
            for (int x = 0; x < width; ++x) {
                file[4 * x] = 255;
                file[4 * x + 1] = row[4 * x];
                file[4 * x + 2] = row[4 * x + 1];
                file[4 * x + 3] = row[4 * x + 2];
            }
        } else if (invert) {
            for (int i = 0; i < dataBytes; ++i) file[i] = static_cast<unsigned char>(~row[i]);
        } else {
            std::memcpy(file, row, dataBytes);
        }
        if (bits == 1 && (width & 7)) file[dataBytes - 1] &= static_cast<unsigned char>(0xFF00 >> (width & 7));
        out.Write(file, count);
    }
    return out.Finish();
}

extern "C" int KAPI K_SaveRASBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatSunRaster, bitsPerPixel, 0,
                      bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{200, true, ProbeRAS}};
const LoadEntry kLoads[] = {{kFormatSunRaster, K_LoadRASFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatSunRaster, SaveRASFile, 0, 0, false}};
}  // namespace

extern const CodecRow kSunRasterRow = {"Sun raster", kProbes, {}, kLoads, kSaves, nullptr};
