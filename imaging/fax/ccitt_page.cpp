// The CCITT page reader and writer of the fax containers.
#include "fax/ccitt_page.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/bitmap.h"
#include "core/memory.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "fax/ccitt_coder.h"

namespace {

// The coded bytes of a page: the source's buffer, a window at a time.
class SourceChunks : public ChunkSource {
public:
    explicit SourceChunks(Source& in) : in_(in) {}
    int Next(const unsigned char** data, size_t* size) override {
        int available = 0;
        const unsigned char* window = in_.Window(&available);
        if (!window || available <= 0) return in_.status() < 0 ? in_.status() : 0;
        in_.Consume(available);
        *data = window;
        *size = static_cast<size_t>(available);
        return 1;
    }

private:
    Source& in_;
};

// Coded bytes out through the write callback, a buffer at a time; the
// buffer shrinks by 1024 bytes per failed allocation.
class HandleSink : public ByteSink {
public:
    explicit HandleSink(int handle) : handle_(handle) {
        for (size_t size = 32768; size >= 1024 && !buffer_; size -= 1024) {
            buffer_ = new (std::nothrow) unsigned char[size];
            if (buffer_) capacity_ = size;
        }
    }
    ~HandleSink() override { delete[] buffer_; }
    HandleSink(const HandleSink&) = delete;
    HandleSink& operator=(const HandleSink&) = delete;
    bool ok() const { return buffer_ != nullptr; }
    int Byte(int value) override {
        if (fill_ == capacity_ && Flush() != K_OK) return K_ERR_WRITE;
        buffer_[fill_++] = static_cast<unsigned char>(value);
        return K_OK;
    }
    int Flush() {
        if (fill_ == 0) return K_OK;
        const int n = FileWrite(handle_, buffer_, static_cast<int>(fill_));
        if (n != static_cast<int>(fill_)) return K_ERR_WRITE;
        total_ += fill_;
        fill_ = 0;
        return K_OK;
    }
    uint64_t total() const { return total_; }

private:
    int handle_;
    unsigned char* buffer_ = nullptr;
    size_t capacity_ = 0;
    size_t fill_ = 0;
    uint64_t total_ = 0;
};

FaxCoding CodingOf(int format) {
    if (format == kFormatFaxRaw || format == 'B') return FaxCoding::Group3OneD;
    if (format == kFormatFaxRaw2 || format == 'C') return FaxCoding::Group3TwoD;
    return FaxCoding::Group4;
}

}  // namespace

bool Color0IsDark(const RGBQUAD* table) {
    auto grey = [](const RGBQUAD& c) { return 2 * c.rgbRed + 5 * c.rgbGreen + c.rgbBlue; };
    return grey(table[0]) < grey(table[1]);
}

int ReadFaxPage(int handle, const FaxPageLayout& layout, BitmapRecord* target, RowCallback callback, int bitsPerPixel,
                void* loadState) {
    if (bitsPerPixel != 1) return K_ERR_ARGUMENT;
    if (layout.width < 1 || layout.width > ccitt::kMaxWidth || layout.height < 1) return K_ERR_SIZE;
    FaxOptions o;
    o.coding = CodingOf(layout.letter);
    o.width = layout.width;
    o.reverseBits = (layout.flags & kFaxPageReversed) != 0;

    target->XResolution = layout.xResolution;
    target->YResolution = layout.yResolution;
    target->ViewPerspective = layout.flags & kFaxPageTopDown ? K_TOP_DOWN : K_BOTTOM_UP;
    const bool black0 = (layout.flags & kFaxPageColor0Black) != 0;
    const RGBQUAD black = {0, 0, 0, 0}, white = {255, 255, 255, 0};
    target->ColorTable[0] = black0 ? black : white;
    target->ColorTable[1] = black0 ? white : black;
    CreateBitmapPalette(target);
    ResetDibHeader(target, 1);

    FaxDecoder decoder;
    int r = decoder.Init(o);
    if (r != K_OK) return r;
    if (FileSeek(handle, static_cast<int>(layout.dataOffset), 0) != static_cast<int>(layout.dataOffset))
        return K_ERR_SEEK;
    Source in(handle, 61440);
    SourceChunks chunks(in);
    GlobalBuffer row(static_cast<size_t>(layout.width) + 8);
    if (!row) return K_ERR_MEMORY;
    r = decoder.Start(&chunks);
    if (r != K_OK) return r;
    for (int y = 0; y < layout.height; ++y) {
        r = decoder.DecodeRow(row.get());
        if (r != K_OK) return r;
        r = callback(target, row.get(), 1, loadState);
        if (r != K_OK) return r;
    }
    return K_OK;
}

int WriteFaxPage(const FaxPageRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_ARGUMENT;
    BitmapRecord* source = request.source;
    if (!source) return K_ERR_NOBITMAP;
    // Rows are read from the record unless a callback gives them.
    struct Lock {
        BitmapRecord* bitmap;
        int was;
        ~Lock() {
            if (bitmap) ReleaseBitmapIfNeeded(bitmap, was);
        }
    } lock{request.callback ? nullptr : source, request.callback ? 1 : AccessBitmapIfNeeded(source)};
    SaveWriter writer(source, 1, request.saveFlags, request.callback, request.userData);
    int r = writer.Begin();
    if (r <= 0) return r;
    int width = writer.Width();
    if (request.pageOptions & kFaxWriteWidth16) width &= ~15;
    if (width < 1 || width > ccitt::kMaxWidth || writer.Height() < 1) return K_ERR_SIZE;
    const bool invert = Color0IsDark(writer.Target().ColorTable);

    FaxOptions o;
    o.coding = CodingOf(request.format);
    o.width = width;
    o.reverseBits = (request.pageOptions & kFaxWriteReversed) != 0;
    o.alignEol = true;
    HandleSink sink(request.handle);
    if (!sink.ok()) return K_ERR_MEMORY;
    FaxEncoder encoder;
    r = encoder.Start(o, &sink);
    if (r != K_OK) return r;
    const int rowBytes = (width + 7) / 8;
    BitmapRecord* work = const_cast<BitmapRecord*>(&writer.Target());
    for (int y = 0; y < writer.Height(); ++y) {
        r = writer.RowFromTop(y);
        if (r != K_OK) return r;
        unsigned char* row = writer.Row();
        if (invert)
            for (int i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(~row[i]);
        if (request.filter) {
            r = request.filter(work, row, request.filterData);
            if (r != K_OK) return r;
        }
        r = encoder.EncodeRow(row);
        if (r != K_OK) return r;
    }
    r = encoder.Finish();
    if (r == K_OK) r = sink.Flush();
    if (r != K_OK) return r;
    if (request.codedBytes) *request.codedBytes = static_cast<int>(sink.total());
    return K_OK;
}
