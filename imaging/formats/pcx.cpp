// PCX images (run-length coded, 1 to 24 bits in packed or planar layouts)
// and the multi-page DCX container: a table of page offsets in front of
// ordinary PCX pages.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/codec_row.h"
#include "io/save_limits.h"
#include "formats/raster_formats.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "io/options.h"

namespace {

constexpr int kPcxHeader = 128;
constexpr uint32_t kDcxMagic = 0x3ADE68B1;
constexpr int kDcxTable = 4100;
constexpr int kDcxMaxPages = limits::kDcxPages;

// How the planes of a row make a pixel.
enum class Layout { Packed, Packed2, Planar1, Planar8 };

struct PcxHeader {
    int version, bitsPerPlane, planes, bytesPerLine, width, height, xdpi, ydpi;
    int fileBits;
    Layout layout;
    const unsigned char* raw;
};

// Accepts the layouts whose rows we combine into 1, 4, 8 or 24-bit pixels:
// packed 1, 2, 4, 8 bits; one-bit planes 2 to 4; three or four 8-bit planes
// (a fourth plane is alpha and is passed over).
bool ParseHeader(const unsigned char* h, PcxHeader* p) {
    if (h[0] != 0x0A || h[1] > 5) return false;
    p->raw = h;
    p->version = h[1];
    p->bitsPerPlane = h[3];
    int xmin = Le16(h + 4), ymin = Le16(h + 6), xmax = Le16(h + 8), ymax = Le16(h + 10);
    if (xmax < xmin || ymax < ymin) return false;
    p->width = xmax - xmin + 1;
    p->height = ymax - ymin + 1;
    p->xdpi = Le16(h + 12);
    p->ydpi = Le16(h + 14);
    p->planes = h[65];
    p->bytesPerLine = Le16(h + 66);
    const int bpp = p->bitsPerPlane, planes = p->planes;
    if (planes == 1 && (bpp == 1 || bpp == 4 || bpp == 8)) {
        p->layout = Layout::Packed;
        p->fileBits = bpp;
    } else if (planes == 1 && bpp == 2) {
        p->layout = Layout::Packed2;
        p->fileBits = 4;
    } else if (bpp == 1 && planes >= 2 && planes <= 4) {
        p->layout = Layout::Planar1;
        p->fileBits = 4;
    } else if (bpp == 8 && (planes == 3 || planes == 4)) {
        p->layout = Layout::Planar8;
        p->fileBits = 24;
    } else {
        return false;
    }
    // Each plane line must hold the whole width.
    long long needed = (static_cast<long long>(p->width) * bpp + 7) / 8;
    return p->bytesPerLine >= needed && p->bytesPerLine > 0;
}

// Run-length input that carries an unfinished run into the next row.
struct RunDecoder {
    Source& in;
    int left = 0;
    int value = 0;

    // Exactly count bytes: 1, or -7 when the data ends first. The bytes
    // after them may be overwritten: out needs 4 past count.
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
            // Literal bytes and whole runs straight from the buffer.
            const unsigned char* q = p;
            const unsigned char* const end = p + available;
            unsigned char* o = out + i;
            unsigned char* const last = out + count;
            // Up to four words a turn while both sides have room for
            // sixteen bytes: each word is stored whole and the output
            // advances over its bytes below 0xC0 (later bytes overwrite the
            // rest). Runs of up to four, nearly all runs of a photo (most
            // of them single bytes of 0xC0 and above), are stored as a word.
            while (end - q > 16 && last - o > 16) {
                uint32_t w;
                std::memcpy(&w, q, 4);
                std::memcpy(o, &w, 4);
                uint32_t codes = w & (w << 1) & 0x80808080u;  // bytes of 0xC0 and above
                int plain = 0;
                while (!codes && plain < 12) {
                    plain += 4;
                    std::memcpy(&w, q + plain, 4);
                    std::memcpy(o + plain, &w, 4);
                    codes = w & (w << 1) & 0x80808080u;
                }
                if (!codes) {
                    q += 16;
                    o += 16;
                    continue;
                }
                plain += __builtin_ctz(codes) >> 3;
                q += plain;
                o += plain;
                const int run = *q & 0x3F, v = q[1];  // the value is within the sixteen bytes' bound
                q += 2;
                if (run <= 4 && run <= last - o) {
                    const uint32_t word = v * 0x01010101u;
                    std::memcpy(o, &word, 4);
                    o += run;
                    continue;
                }
                const int n = std::min(run, static_cast<int>(last - o));
                value = v;
                left = run - n;
                std::memset(o, value, n);
                o += n;
            }
            while (q < end && o < last) {
                const unsigned b = *q;
                if (b < 0xC0) {
                    *o++ = static_cast<unsigned char>(b);
                    ++q;
                    continue;
                }
                if (q + 1 >= end) break;  // the run's value is in the next block
                const int n = std::min(static_cast<int>(b & 0x3F), static_cast<int>(last - o));
                value = q[1];
                left = static_cast<int>(b & 0x3F) - n;
                q += 2;
                if (n == 1)
                    *o = static_cast<unsigned char>(value);
                else
                    std::memset(o, value, n);
                o += n;
            }
            const int used = static_cast<int>(q - p);
            i = static_cast<int>(o - out);
            in.Consume(used);
            if (i < count && left == 0 && used < available) {
                // A run code at the end of the buffer.
                int b = in.Byte();
                value = in.Byte();
                if (value < 0) return K_ERR_READ;
                left = b & 0x3F;
            }
        }
        return K_OK;
    }
};

// The planes of one scan line into one row of pixels.
void CombineRow(const PcxHeader& p, const unsigned char* scan, unsigned char* row) {
    const int w = p.width, bpl = p.bytesPerLine;
    switch (p.layout) {
        case Layout::Packed:
            std::memcpy(row, scan, (static_cast<size_t>(w) * p.bitsPerPlane + 7) / 8);
            break;
        case Layout::Packed2:
            for (int x = 0; x < w; ++x) SetPackedIndex(row, x, 4, GetPackedIndex(scan, x, 2));
            break;
        case Layout::Planar1:
            for (int x = 0; x < w; ++x) {
                int v = 0;
                for (int k = 0; k < p.planes; ++k) v |= GetPackedIndex(scan + k * bpl, x, 1) << k;
                SetPackedIndex(row, x, 4, v);
            }
            break;
        case Layout::Planar8: {
            // Four pixels from a word of each plane, in three words.
            const unsigned char* r = scan;
            const unsigned char* const stop = scan + (w & ~3);
            const int g = bpl, b = 2 * bpl;  // the green and blue planes from the red
            for (; r < stop; r += 4, row += 12) {
                uint32_t rw, gw, bw;
                std::memcpy(&rw, r, 4);
                std::memcpy(&gw, r + g, 4);
                std::memcpy(&bw, r + b, 4);
                const uint32_t out[3] = {
                    (rw & 0xFF) | (gw & 0xFF) << 8 | (bw & 0xFF) << 16 | (rw & 0xFF00) << 16,
                    (gw >> 8 & 0xFF) | (bw & 0xFF00) | (rw & 0xFF0000) | (gw & 0xFF0000) << 8,
                    (bw >> 16 & 0xFF) | (rw >> 16 & 0xFF00) | (gw >> 8 & 0xFF0000) | (bw & 0xFF000000),
                };
                std::memcpy(row, out, 12);
            }
            for (; r < scan + w; ++r, row += 3) {
                row[0] = r[0];
                row[1] = r[g];
                row[2] = r[b];
            }
            break;
        }
    }
}

// The colour table of the page; -4 when the palette cannot be reached.
int ReadColors(Source& in, const PcxHeader& p, int pageStart, int pageEnd, BitmapRecord* bitmap, int* colors) {
    RGBQUAD* table = bitmap->ColorTable;
    if (p.fileBits == 8) {
        *colors = 256;
        unsigned char tail[769];
        bool found = false;
        int at = pageEnd - 769;
        if (at >= pageStart + kPcxHeader) {
            if (in.SeekTo(at) != K_OK) return K_ERR_SEEK;
            found = in.Read(tail, 769) == 769 && tail[0] == 12;
        }
        // Quirk: a page without the palette marker 12 gets a grey ramp, so
        // that grey pictures of writers that leave the palette out still load.
        if (found)
            ColorsFromBytes(table, tail + 1, 256, ColorBytes::RGB);
        else
            FillGreyRamp(table, 256);
        if (in.SeekTo(pageStart + kPcxHeader) != K_OK) return K_ERR_SEEK;
    } else if (p.fileBits == 4) {
        *colors = 16;
        if (p.layout == Layout::Planar1 && p.planes == 3 && p.version == 4) {
            for (int i = 0; i < 16; ++i) {
                table[i] = RGBQUAD{};
                if (i < 8) {
                    table[i].rgbBlue = i & 1 ? 255 : 0;
                    table[i].rgbGreen = i & 2 ? 255 : 0;
                    table[i].rgbRed = i & 4 ? 255 : 0;
                }
            }
        } else {
            ColorsFromBytes(table, p.raw + 16, 16, ColorBytes::RGB);
        }
    } else if (p.fileBits == 1) {
        *colors = 2;
        ColorsFromBytes(table, p.raw + 16, 2, ColorBytes::RGB);
        if (std::memcmp(&table[0], &table[1], sizeof(RGBQUAD)) == 0) {
            table[0] = RGBQUAD{0, 0, 0, 0};
            table[1] = RGBQUAD{255, 255, 255, 0};
        }
    } else {
        *colors = 0;
    }
    return K_OK;
}

// The page's header: 1, -7 (no data) or -9.
int ReadPageHeader(Source& in, int pageNumber, int* page, int* start, int* end, unsigned char* header) {
    *page = pageNumber;
    int r = FindPCXPage(in, page, start, end);
    if (r != K_OK) return r;
    if (in.SeekTo(*start) != K_OK) return K_ERR_FORMAT;
    return in.ReadExact(header, kPcxHeader, K_ERR_FORMAT);
}

}  // namespace

int FindPCXPage(Source& in, int* page, int* start, int* end) {
    int number = std::clamp(*page, 1, kDcxMaxPages);
    const int size = in.End();
    if (size <= 0 || in.SeekTo(0) != K_OK) return K_ERR_READ;
    unsigned char table[kDcxTable];
    const int got = in.Read(table, kDcxTable);
    if (got < 4) return K_ERR_READ;
    if (static_cast<uint32_t>(Le32(table)) != kDcxMagic) {
        *page = 1;
        *start = 0;
        *end = size;
        return K_OK;
    }
    int offsets[kDcxMaxPages];
    int pages = 0;
    for (int i = 0; i < kDcxMaxPages && 4 + i * 4 + 4 <= got; ++i) {
        int off = Le32(&table[4 + i * 4]);
        if (off == 0) break;
        offsets[pages++] = off;
    }
    if (pages == 0) return K_ERR_FORMAT;
    number = std::min(number, pages);
    int s = offsets[number - 1];
    if (s < 8 || s >= size) return K_ERR_FORMAT;
    int e = size;
    for (int i = 0; i < pages; ++i)
        if (offsets[i] > s && offsets[i] < e) e = offsets[i];
    *page = number;
    *start = s;
    *end = e;
    return K_OK;
}

int ProbePCX(const ProbeInput& input, FileInfoRecord* info) {
    unsigned char header[kPcxHeader];
    int page, start, end;
    Source in(input.handle, 4096);
    if (ReadPageHeader(in, CurrentOptions().PageNumber, &page, &start, &end, header) != K_OK) return 0;
    PcxHeader p;
    if (!ParseHeader(header, &p)) return 0;
    FillFileInfo(info, {.format = kFormatPCX,
                        .width = p.width,
                        .height = p.height,
                        .bitsPerPixel = p.fileBits,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_RGB,
                        .compression = "Run Length"});
    info->PageNumber = page;
    info->XResolution = p.xdpi;
    info->YResolution = p.ydpi;
    return 1;
}

extern "C" int KAPI K_LoadPCXFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                                  void* userData) {
    ReaderSession session;
    int r = session.Open(name, bitmap, bitsPerPixel);
    if (r != K_OK) return r;
    Source& in = session.source();

    unsigned char header[kPcxHeader];
    int page, start, end;
    r = ReadPageHeader(in, CurrentOptions().PageNumber, &page, &start, &end, header);
    if (r != K_OK) return r;
    PcxHeader p;
    if (!ParseHeader(header, &p)) return K_ERR_FORMAT;

    r = session.SetImage(p.width, p.height, p.fileBits, K_ORDER_RGB);
    if (r != K_OK) return r;
    int colors = 0;
    r = ReadColors(in, p, start, end, bitmap, &colors);
    if (r != K_OK) return r;
    if (p.fileBits <= 8) bitmap->Flags |= K_FILE_PALETTE;
    session.FinishColors(colors);
    session.ResetDibHeader();
    bitmap->XResolution = p.xdpi;
    bitmap->YResolution = p.ydpi;
    bitmap->ViewPerspective = K_TOP_DOWN;
    bitmap->FormatCode = kFormatPCX;
    // Quirk: only an asked-for BGR order is kept; anything else reads as RGB.
    if (p.fileBits > 8) bitmap->ColorOrder = session.EntryOrder() == K_ORDER_BGR ? K_ORDER_BGR : K_ORDER_RGB;

    const int scanBytes = p.planes * p.bytesPerLine;
    in.SetEnd(end);
    // Two bytes code at most 63: a page with less data cannot hold the picture.
    r = in.Require(static_cast<int64_t>(scanBytes) * p.height * 2 / limits::kPcxExpansion);
    if (r != K_OK) return r;
    r = session.BeginRows(callback, userData);
    if (r != K_OK) return r;
    GlobalBuffer scan(static_cast<size_t>(scanBytes) + 20);
    if (!scan) return K_ERR_MEMORY;
    RunDecoder decoder{in};
    const int storedBytes = bitmap->BytesPerLine;
    const int wholeBytes = static_cast<int>(static_cast<int64_t>(p.width) * p.fileBits / 8);
    for (int y = 0; y < p.height; ++y) {
        r = decoder.Decode(scan.get(), scanBytes);
        if (r != K_OK) return r;
        // Rows the record keeps as they are made go straight into storage.
        if (unsigned char* stored = session.StoredRows(1, storedBytes)) {
            std::memset(stored + wholeBytes, 0, storedBytes - wholeBytes);  // padding and a part byte
            CombineRow(p, scan.get(), stored);
            r = session.PassStoredRow(stored);
        } else {
            CombineRow(p, scan.get(), session.Row());
            r = session.DeliverRow(y);
        }
        if (r != K_OK) return r;
    }
    return K_OK;
}

extern "C" int KAPI K_LoadPCXBitmap(const char* name, BitmapRecord* bitmap) {
    int r = LoadWholeBitmap(name, bitmap, K_LoadPCXFile, -1);
    if (r == K_OK && (bitmap->Flags & K_DISK_STORAGE)) {
        K_FreeBitmap(bitmap);
        return K_ERR_MEMORY;
    }
    return r;
}

// ---- Writing ----

namespace {

// One plane line (even length) into runs of at most 63.
int EncodeLine(const unsigned char* in, int count, unsigned char* out) {
    int n = 0;
    for (int i = 0; i < count;) {
        int v = in[i], run = 1;
        while (i + run < count && run < 63 && in[i + run] == v) ++run;
        if (run > 1 || v >= 0xC0) out[n++] = static_cast<unsigned char>(0xC0 | run);
        out[n++] = static_cast<unsigned char>(v);
        i += run;
    }
    return n;
}

// Copies count bytes from one file position to a higher one, last block first.
int MoveUp(int handle, int from, int to, int count) {
    unsigned char* buffer = nullptr;
    int size = 32768;
    while (size >= 1024 && !(buffer = static_cast<unsigned char*>(AllocGlobalLocked(size)))) size -= 1024;
    if (!buffer) return K_ERR_MEMORY;
    struct Release {
        unsigned char* p;
        ~Release() { FreeGlobalLocked(p); }
    } release{buffer};
    int left = count;
    while (left > 0) {
        int n = std::min(left, size);
        left -= n;
        if (FileSeek(handle, from + left, 0) != from + left) return K_ERR_SEEK;
        if (FileRead(handle, buffer, n) != n) return K_ERR_READ;
        if (FileSeek(handle, to + left, 0) != to + left) return K_ERR_SEEK;
        if (FileWrite(handle, buffer, n) != n) return K_ERR_WRITE;
    }
    return K_OK;
}

}  // namespace

// Makes room for one more page in a file opened for reading and writing:
// a plain PCX becomes page 1 of a DCX, and the table gets the new page's
// offset (the current end of the file).
int AddDCXPage(int handle) {
    int size = FileSeek(handle, 0, 2);
    if (size < 0 || FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
    // The table area, zero-filled: it also serves as the gap filler below.
    GlobalBuffer head(kDcxTable, true);
    if (!head) return K_ERR_MEMORY;
    int got = size > 0 ? FileRead(handle, head.get(), std::min(size, kDcxTable)) : 0;
    int pages[kDcxMaxPages];
    int count = 0;
    int tableEnd = 0;
    if (got >= 4 && static_cast<uint32_t>(Le32(head.get())) == kDcxMagic) {
        tableEnd = kDcxTable;
        for (int i = 0; i < kDcxMaxPages && 8 + i * 4 <= got; ++i) {
            int off = Le32(head.get() + 4 + i * 4);
            if (off == 0) break;
            if (off < 8 || off > size) return K_ERR_FORMAT;
            pages[count++] = off;
            tableEnd = std::min(tableEnd, off);
        }
        if (count == 0) tableEnd = 8;
    } else if (size > 0) {
        pages[count++] = 0;
    }
    if (count >= kDcxMaxPages) return K_ERR_WRITE;
    int needed = 4 * count + 12;
    if (tableEnd < needed) {
        // Move the pages up so that the first one starts at 4100.
        int shift = kDcxTable - tableEnd;
        int r = MoveUp(handle, tableEnd, kDcxTable, size - tableEnd);
        if (r != K_OK) return r;
        GlobalBuffer zero(static_cast<size_t>(kDcxTable - tableEnd), true);
        if (!zero) return K_ERR_MEMORY;
        if (FileSeek(handle, tableEnd, 0) != tableEnd) return K_ERR_SEEK;
        if (FileWrite(handle, zero.get(), kDcxTable - tableEnd) != kDcxTable - tableEnd) return K_ERR_WRITE;
        for (int i = 0; i < count; ++i) pages[i] += shift;
        size += shift;
    }
    unsigned char* table = head.get();
    const int tableBytes = 4 * count + 12;
    std::memset(table, 0, tableBytes);
    PutLe32(table, kDcxMagic);
    for (int i = 0; i < count; ++i) PutLe32(table + 4 + i * 4, static_cast<uint32_t>(pages[i]));
    PutLe32(table + 4 + count * 4, static_cast<uint32_t>(std::max(size, kDcxTable)));
    if (FileSeek(handle, 0, 0) != 0) return K_ERR_SEEK;
    if (FileWrite(handle, table, tableBytes) != tableBytes) return K_ERR_WRITE;
    return K_OK;
}

// The header holds 16-bit sizes.
const SaveLimits kLimits = {DepthSet(1, 4, 8, 24), 65535, 65535};

int SavePCXFile(const SaveRequest& request) {
    const int bits = request.bitsPerPixel;
    int r = CheckDepth(request, kLimits);
    if (r != K_OK) return r;
    BitmapRecord* source = request.bitmap;
    if ((r = CheckSides(source->Width, source->Height, kLimits)) != K_OK) return r;
    int flags = request.flags;
    // 24-bit rows always pass the converter so that they leave in RGB order.
    if (bits == 24 && source->BitsPerPixel == 24) flags |= kSaveConverting;
    SaveWriter writer(source, bits, flags, request.callback, request.userData);
    if ((r = writer.Begin()) != K_OK) return r;
    const int width = source->Width, height = source->Height;
    int planeBytes = bits == 1 ? (width + 7) / 8 : bits == 4 ? (width + 1) / 2 : width;
    planeBytes += planeBytes & 1;
    GlobalBuffer packed(static_cast<size_t>(2 * planeBytes) + 4);
    GlobalBuffer plane(static_cast<size_t>(planeBytes) + 4, true);
    if (!packed || !plane) return K_ERR_MEMORY;

    Output out;
    const bool addPage = (request.flags & K_SAVE_ADD_PAGE) || CurrentOptions().PageNumber > 1;
    if (addPage) {
        FileInfoRecord info;
        bool existing = K_FileInfo(request.name, &info) == K_OK && info.FormatCode == kFormatPCX;
        r = out.Open(request.name, existing ? Output::Mode::Update : Output::Mode::Create);
        if (r != K_OK) return r;
        if ((r = AddDCXPage(out.handle())) != K_OK) return r;
        if ((r = out.SeekTo(FileSeek(out.handle(), 0, 2))) != K_OK) return r;
    } else if ((r = out.Open(request.name)) != K_OK) {
        return r;
    }

    const BitmapRecord* target = &writer.Target();
    unsigned char h[kPcxHeader] = {};
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = static_cast<unsigned char>(bits == 24 ? 8 : bits);
    PutLe16(h + 8, width - 1);
    PutLe16(h + 10, height - 1);
    PutLe16(h + 12, source->XResolution);
    PutLe16(h + 14, source->YResolution);
    h[65] = bits == 24 ? 3 : 1;
    PutLe16(h + 66, planeBytes);
    h[68] = 1;
    bool invert = false;
    if (bits == 1) {
        const RGBQUAD& c0 = target->ColorTable[0];
        const RGBQUAD& c1 = target->ColorTable[1];
        bool whiteFirst = c0.rgbRed == 255 && c0.rgbGreen == 255 && c0.rgbBlue == 255 && c1.rgbRed == 0 &&
                          c1.rgbGreen == 0 && c1.rgbBlue == 0;
        // Readers expect black then white; the bits are turned over.
        invert = whiteFirst;
        const RGBQUAD pair[2] = {whiteFirst ? c1 : c0, whiteFirst ? c0 : c1};
        ColorsToBytes(h + 16, pair, 2, ColorBytes::RGB);
    } else if (bits == 4) {
        writer.ColorTableBytes(h + 16, 16, ColorBytes::RGB);
    }
    out.Write(h, kPcxHeader);

    const int rowBytes = bits == 24 ? width * 3 : (bits == 1 ? (width + 7) / 8 : bits == 4 ? (width + 1) / 2 : width);
    for (int i = 0; i < height; ++i) {
        if ((r = writer.RowFromTop(i)) != K_OK) return r;
        const unsigned char* data = writer.Row();
        if (bits == 24) {
            for (int c = 0; c < 3; ++c) {
                for (int x = 0; x < width; ++x) plane.get()[x] = data[x * 3 + c];
                out.Write(packed.get(), EncodeLine(plane.get(), planeBytes, packed.get()));
            }
        } else {
            std::memcpy(plane.get(), data, rowBytes);
            std::memset(plane.get() + rowBytes, 0, planeBytes - rowBytes);
            if (invert)
                for (int x = 0; x < rowBytes; ++x) plane.get()[x] = static_cast<unsigned char>(~plane.get()[x]);
            out.Write(packed.get(), EncodeLine(plane.get(), planeBytes, packed.get()));
        }
    }
    if (bits == 8) {
        unsigned char pal[769];
        pal[0] = 12;
        writer.ColorTableBytes(pal + 1, 256, ColorBytes::RGB);
        out.Write(pal, 769);
    }
    return out.Finish();
}

extern "C" int KAPI K_SavePCXBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel) {
    return K_SaveFile(name, bitmap, kFormatPCX, bitsPerPixel, 0,
                      bitsPerPixel < 2 ? K_SAVE_FIXED_PALETTE : K_SAVE_OPTIMIZED_PALETTE, nullptr, nullptr);
}

namespace {
const CodecProbe kProbes[] = {{50, false, ProbePCX}};
const LoadEntry kLoads[] = {{kFormatPCX, K_LoadPCXFile, nullptr, false}};
const SaveEntry kSaves[] = {{kFormatPCX, SavePCXFile, 0, 0, false}};
}  // namespace

extern const CodecRow kPCXRow = {"PCX/DCX", kProbes, {}, kLoads, kSaves, &kLimits};
