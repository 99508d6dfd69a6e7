// WFX paged fax files: pages one after another, each a 128-byte header,
// its CCITT data (bytes bit-reversed) and a small 1-bit preview, at
// 204 x 196 dots per inch.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/memory.h"
#include "io/codec_row.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "fax/ccitt_coder.h"
#include "fax/fax_containers.h"
#include "io/options.h"

namespace {

constexpr int kHeader = 128;
constexpr int kXResolution = 204;
constexpr int kYResolution = 196;
// Page numbers asked for are at most this (a page count is 16 bits).
constexpr int kLastPage = 32767;
// The preview keeps one pixel per 16 x 16 cell, at most 254 bytes a row
// and 255 rows (one-byte fields).
constexpr int kCell = 16;
constexpr int kPreviewRowBytes = 254;
constexpr int kPreviewRows = 255;

// Header fields.
constexpr int kWidthAt = 3, kHeightAt = 5, kCodingAt = 7, kDataAt = 89, kPreviewAt = 97, kPagesAt = 101,
              kFurtherAt = 105, kPreviewBytesAt = 113, kPreviewRowsAt = 114, kCodedAt = 116;

bool GoodMagic(const unsigned char* h) { return h[0] == 11 && h[1] == 35 && (h[2] == 100 || h[2] == 200); }

struct PageHeader {
    int position = 0;  // file position of the header
    int number = 0;    // 1 for the first page
    unsigned char bytes[kHeader] = {};
};

// Position of the header after this one, or -1 past what a file can hold.
int64_t NextHeader(const PageHeader& h) {
    const int64_t next = int64_t(h.position) + kHeader + int64_t(h.bytes[kPreviewBytesAt]) * h.bytes[kPreviewRowsAt] +
                         uint32_t(Le32(h.bytes + kFurtherAt)) + uint32_t(Le32(h.bytes + kCodedAt));
    return next <= limits::kNoEnd ? next : -1;
}

// Walks the pages from the first header at the source's start up to page
// `wanted` (or the last whose header can be read), calling visit on each
// header read. 1 with *found the header reached, -9 when the first header
// is short or has no magic.
template <class Visit>
int WalkPages(Source& in, int wanted, PageHeader* found, Visit visit) {
    PageHeader h;
    if (in.ReadExact(h.bytes, kHeader) != K_OK || !GoodMagic(h.bytes)) return K_ERR_FORMAT;
    h.number = 1;
    visit(h);
    wanted = std::clamp(wanted, 1, kLastPage);
    while (h.number < wanted) {
        const int64_t next = NextHeader(h);
        PageHeader n;
        if (next < 0 || in.SeekTo(static_cast<int>(next)) != K_OK || in.ReadExact(n.bytes, kHeader) != K_OK ||
            !GoodMagic(n.bytes))
            break;
        n.position = static_cast<int>(next);
        n.number = h.number + 1;
        h = n;
        visit(h);
    }
    *found = h;
    return K_OK;
}

int FindPage(Source& in, int wanted, PageHeader* found) {
    return WalkPages(in, wanted, found, [](const PageHeader&) {});
}

// The page of a header as the page reader takes it; -9 for a page no
// reader can decode.
int Describe(const PageHeader& h, RawFaxInfo* info) {
    std::memset(info, 0, sizeof *info);
    info->Format = h.bytes[kCodingAt] ? 'F' : 'E';
    info->Width = Le16(h.bytes + kWidthAt);
    info->Height = Le16(h.bytes + kHeightAt);
    info->BitsPerPixel = 1;
    info->XResolution = kXResolution;
    info->YResolution = kYResolution;
    info->DataOffset = Le32(h.bytes + kDataAt);
    info->Flags = K_FAX_TOP_DOWN | K_FAX_REVERSED;
    if (info->Width == 0 || info->Width > ccitt::kMaxWidth || info->Height == 0 || info->DataOffset < 0)
        return K_ERR_FORMAT;
    return K_OK;
}

int PageAsked() { return std::max(CurrentOptions().PageNumber, 1); }

// The preview: the page's black pixels counted in 16 x 16 cells and
// diffused to one bit per cell (0 dark, 1 light).
struct Preview {
    int width = 0;        // cells across
    int rowBytes = 0;     // bytes of a kept row
    int storedBytes = 0;  // bytes of a stored row
    int rows = 0;         // rows stored
    int pageRows = 0;     // page rows seen
    int made = 0;         // preview rows made
    std::vector<int> sums, error;
    std::vector<unsigned char> bits;

    // 1, or -1 without memory.
    int Start(int pageWidth, int pageHeight) {
        width = (pageWidth / kCell) % 4096;
        rowBytes = (width + 7) / 8;
        storedBytes = std::min(rowBytes & ~1, kPreviewRowBytes);
        rows = std::min((pageHeight & 0xFFFF) / kCell, kPreviewRows);
        try {
            sums.assign(width, 0);
            error.assign(width + 2, 0);
            bits.assign(static_cast<size_t>(rows) * rowBytes, 0);
        } catch (...) {
            return K_ERR_MEMORY;
        }
        return K_OK;
    }

    void AddRow(const unsigned char* row) {
        for (int i = 0; i < width; ++i) sums[i] += __builtin_popcount(row[2 * i]) + __builtin_popcount(row[2 * i + 1]);
        if (++pageRows % kCell) return;
        if (made < rows) MakeRow(bits.data() + static_cast<size_t>(made) * rowBytes);
        ++made;
        std::fill(sums.begin(), sums.end(), 0);
    }

    void MakeRow(unsigned char* out) {
        std::memset(out, 0xFF, rowBytes);
        int carried = error[1] / 16;
        error[1] = 0;
        for (int i = 0; i < width; ++i) {
            int value = std::clamp(carried + sums[i], 0, 256);
            if (value >= 16) {
                out[i >> 3] &= static_cast<unsigned char>(~(0x80 >> (i & 7)));
                value -= 256;
            }
            const int c = error[i + 2];
            error[i + 2] = value;
            error[i + 1] += 5 * value;
            error[i] += 3 * value;
            carried = (7 * value + c) / 16;
        }
    }
};

int PreviewRow(BitmapRecord*, unsigned char* row, void* preview) {
    static_cast<Preview*>(preview)->AddRow(row);
    return K_OK;
}

// The pages of an existing file to add to: their header positions. 1; -9
// when the file holds something other than WFX pages; 0 when there is no
// file to add to (none, or an empty one).
int ExistingPages(const char* name, std::vector<int>* headers, int* end) {
    InputFile file;
    if (file.Open(name) != K_OK) return 0;
    Source in(file.handle());
    if (in.End() == 0) return 0;
    PageHeader last;
    try {
        const int r = WalkPages(in, kLastPage, &last, [&](const PageHeader& h) { headers->push_back(h.position); });
        if (r != K_OK) return r;
    } catch (...) {
        return K_ERR_MEMORY;
    }
    *end = in.End();
    return K_OK;
}

}  // namespace

int ProbeWFX(const ProbeInput& input, FileInfoRecord* info) {
    if (input.headerCount < kHeader || !GoodMagic(input.header)) return 0;
    Source in(input.handle);
    PageHeader h;
    RawFaxInfo fax;
    if (FindPage(in, PageAsked(), &h) != K_OK || Describe(h, &fax) != K_OK) return 0;
    const bool group4 = fax.Format == 'F';
    FillFileInfo(info, {.format = group4 ? kFormatFax2 : kFormatFax,
                        .width = fax.Width,
                        .height = fax.Height,
                        .bitsPerPixel = 1,
                        .viewPerspective = K_TOP_DOWN,
                        .colorOrder = K_ORDER_BGR,
                        .compression = group4 ? "CCITT Group 4 Fax" : "CCITT Group 3 Fax"});
    info->PageNumber = h.number;
    info->XResolution = kXResolution;
    info->YResolution = kYResolution;
    return 1;
}

int KAPI LoadWFXFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData) {
    if (!bitmap) return K_ERR_ARGUMENT;
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    RawFaxInfo fax;
    {
        Source in(file.handle());
        PageHeader h;
        if (FindPage(in, PageAsked(), &h) != K_OK || Describe(h, &fax) != K_OK) return K_ERR_FORMAT;
    }
    bitmap->FormatCode = fax.Format == 'F' ? kFormatFax2 : kFormatFax;
    fax.Format = fax.Format == 'F' ? 'D' : 'B';
    return ReadFaxPage(file.handle(), FaxLayoutOf(fax), bitmap, callback, bitsPerPixel, userData);
}

int SaveWFXFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_BITS;
    BitmapRecord* source = request.bitmap;
    // The header keeps the width rounded down to 16 pixels in 16 bits: a
    // narrower page has no preview cell and no width to store.
    const int width = source->Width & ~(kCell - 1);
    if (width < kCell || source->Width > limits::kWfxSide || source->Height <= 0 || source->Height > limits::kWfxSide)
        return K_ERR_SIZE;

    std::vector<int> headers;
    int end = 0;
    int r = K_OK;
    if (request.addPage) {
        r = ExistingPages(request.name, &headers, &end);
        // Adding to a file that is not WFX would destroy it: refused.
        if (r < 0) return r;
    }
    const bool adding = r == K_OK && !headers.empty();
    if (!adding) {
        headers.clear();
        end = 0;
    }
    Output out;
    if ((r = out.Open(request.name, adding ? Output::Mode::Update : Output::Mode::Create)) != K_OK) return r;

    const int pages = static_cast<int>(headers.size()) + 1;
    const int position = end;
    PageHeader h;
    h.position = position;
    unsigned char* b = h.bytes;
    b[0] = 11;
    b[1] = 35;
    b[2] = 100;
    PutLe16(b + kWidthAt, width);
    PutLe16(b + kHeightAt, source->Height);
    b[kCodingAt] = request.formatCode == kFormatFax2 ? 1 : 0;
    const int dataOffset = position + kHeader;
    PutLe32(b + kDataAt, dataOffset);
    PutLe16(b + kPagesAt, pages);
    b[115] = 1;
    b[122] = 1;

    Preview preview;
    if ((r = preview.Start(width, source->Height)) != K_OK) return r;
    b[kPreviewBytesAt] = static_cast<unsigned char>(preview.storedBytes);
    b[kPreviewRowsAt] = static_cast<unsigned char>(preview.rows);

    if ((r = out.SeekTo(dataOffset)) != K_OK) return r;
    int coded = 0;
    FaxPageRequest page;
    page.handle = out.handle();
    page.source = source;
    page.format = request.formatCode == kFormatFax2 ? 'D' : 'B';
    page.saveFlags = request.flags;
    page.callback = request.callback;
    page.userData = request.userData;
    page.codedBytes = &coded;
    page.pageOptions = kFaxWriteReversed | kFaxWriteWidth16;
    page.filter = PreviewRow;
    page.filterData = &preview;
    if ((r = WriteFaxPage(page)) != K_OK) return r;
    if (coded < 0 || int64_t(dataOffset) + coded + int64_t(preview.rows) * preview.storedBytes > limits::kNoEnd)
        return K_ERR_SIZE;
    PutLe32(b + kCodedAt, coded);
    PutLe32(b + kPreviewAt, dataOffset + coded);

    out.SeekTo(dataOffset + coded);
    for (int y = 0; y < preview.rows; ++y)
        out.Write(preview.bits.data() + static_cast<size_t>(y) * preview.rowBytes, preview.storedBytes);
    out.SeekTo(position);
    out.Write(b, kHeader);
    // Every header keeps the page count.
    for (int at : headers) {
        out.SeekTo(at + kPagesAt);
        out.U16LE(pages);
    }
    return out.Finish();
}

namespace {
const CodecProbe kProbes[] = {{220, true, ProbeWFX}};
const LoadEntry kLoads[] = {
    {kFormatFax, LoadWFXFile, nullptr, false},
    {kFormatFax2, LoadWFXFile, nullptr, false},
};
const SaveEntry kSaves[] = {
    {kFormatFax, SaveWFXFile, 0, 0, false},
    {kFormatFax2, SaveWFXFile, 0, 0, false},
};
}  // namespace

extern const CodecRow kFaxRow = {"fax file", kProbes, {}, kLoads, kSaves, nullptr};
