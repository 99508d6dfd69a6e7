// IOCA image objects with CCITT-coded 1-bit data: bare image segments, or
// segments carried in MO:DCA Image Picture Data structured fields behind an
// Image Data Descriptor. The page reader and writer do the coding; the
// IOCA and MO:DCA framing around the coded bytes is taken off and put on by
// read and write functions put in place of the file callbacks for the page.
#include <algorithm>
#include <cstring>

#include "io/codec_row.h"
#include "io/codec_kit.h"
#include "io/file_callbacks.h"
#include "fax/fax_containers.h"
#include "io/options.h"

namespace {

// MO:DCA structured field introducer: length (2), class 0xD3, type (2),
// flags, two reserved bytes.
constexpr int kIntroducer = 8;
constexpr unsigned char kFieldClass = 0xD3;
constexpr int kTypeImageDescriptor = 0xA6FB;
constexpr int kTypePictureData = 0xEEFB;
// Print streams put a carriage-control byte before every structured field.
constexpr unsigned char kCarriageControl = 0x5A;
// Flag byte bits are numbered from the top in the published layout: bit 0,
// an introducer extension, is 0x80.
constexpr unsigned char kExtensionFlag = 0x80;

// IOCA self-defining fields.
enum FieldId {
    kBeginSegment = 0x70,
    kEndSegment = 0x71,
    kBeginImageContent = 0x91,
    kEndImageContent = 0x93,
    kImageSize = 0x94,
    kImageEncoding = 0x95,
    kIdeSize = 0x96,
    kLutId = 0x97,
    kIdeStructure = 0x9B,
    kImageData = 0xFE92,
};
constexpr unsigned char kLongId = 0xFE;
const unsigned char kBareStart[5] = {kBeginSegment, 0x00, kBeginImageContent, 0x01, 0xFF};

// Coded bytes per Image Data field written.
constexpr int kModcaChunk = 8176;  // with its 12 framing bytes a field stays at 8 KB
constexpr int kBareChunk = 65535;

// Compression ids of the Image Encoding Parameter.
// 0x80 Group 3 one-dimensional, 0x81 two-dimensional, 0x82 Group 4.
constexpr int kCompressionG3OneD = 0x80, kCompressionG4 = 0x82;
constexpr int kRecordingTopDown = 1, kRecordingBottomUp = 3;

int FieldOk(int id, int length) {
    switch (id) {
        case kBeginSegment:
            return length == 0 || length == 4;
        case kEndSegment:
        case kEndImageContent:
            return length == 0;
        case kBeginImageContent:
        case kIdeSize:
        case kLutId:
            return length == 1;
        case kImageSize:
            return length == 9;
        case kImageEncoding:
            return length == 2 || length == 3;
        case kIdeStructure:
            return length >= 6 && length <= 8;
        case kImageData:
            return true;
        default:
            return false;
    }
}

struct Introducer {
    int type = 0;
    int dataLength = 0;  // bytes after the introducer and its extension
};

struct Field {
    int id = 0;
    int length = 0;
    unsigned char value[255] = {};  // parameters (not for Image Data)
};

// IOCA bytes of a file through one read function: in MO:DCA files, across
// the Image Picture Data fields that carry them.
class IocaInput {
public:
    IocaInput() = default;
    IocaInput(int handle, FileReadCallback read, bool modca) : handle_(handle), read_(read), modca_(modca) {}

    int Tell() const { return FileSeek(handle_, 0, 1); }
    bool Seek(int position) const { return position >= 0 && FileSeek(handle_, position, 0) == position; }
    bool failed() const { return failed_; }

    // Exactly count file bytes: 1, 0 at the end of the file before any, -7.
    int Exact(void* out, int count) {
        int got = 0;
        while (got < count) {
            const int n = read_(handle_, static_cast<unsigned char*>(out) + got, count - got);
            if (n < 0) failed_ = true;
            if (n <= 0) return got == 0 ? 0 : K_ERR_READ;
            got += n;
        }
        return K_OK;
    }

    // The next structured field's introducer (after a carriage-control
    // byte): 1, 0 at the end of the file, -7 short, -9 not a field.
    int ReadIntroducer(Introducer* in) {
        unsigned char h[kIntroducer];
        int r = Exact(h, 1);
        if (r != K_OK) return r;
        const int first = h[0] == kCarriageControl ? 0 : 1;
        if ((r = Exact(h + first, kIntroducer - first)) != K_OK) return K_ERR_READ;
        const int length = Be16(h);
        if (h[2] != kFieldClass || length < kIntroducer || length > limits::kModcaField) return K_ERR_FORMAT;
        int extension = 0;
        if (h[5] & kExtensionFlag) {
            // The extension's length byte counts itself.
            unsigned char n;
            if (Exact(&n, 1) != K_OK) return K_ERR_READ;
            extension = n;
            if (extension < 1 || kIntroducer + extension > length || !Skip(extension - 1)) return K_ERR_FORMAT;
        }
        in->type = Be16(h + 3);
        in->dataLength = length - kIntroducer - extension;
        return K_OK;
    }

    bool Skip(int count) {
        const int at = Tell();
        return at >= 0 && Seek(at + count);
    }

    // Up to count IOCA bytes: the number read. MO:DCA files go on over
    // Image Picture Data introducers and stop before any other field.
    int Bytes(void* out, int count) {
        auto* p = static_cast<unsigned char*>(out);
        int got = 0;
        while (got < count) {
            int n = count - got;
            if (modca_) {
                if (pictureLeft_ == 0) {
                    const int at = Tell();
                    Introducer in;
                    if (ReadIntroducer(&in) != K_OK || in.type != kTypePictureData) {
                        Seek(at);
                        break;
                    }
                    pictureLeft_ = in.dataLength;
                    continue;
                }
                n = std::min(n, pictureLeft_);
            }
            const int k = read_(handle_, p + got, n);
            if (k < 0) failed_ = true;
            if (k <= 0) break;
            got += k;
            if (modca_) pictureLeft_ -= k;
        }
        return got;
    }

    // One self-defining field, checked: 1, -7, -9. Image Data fields give
    // their header only. *at and *pictureLeft say where the field began.
    int ReadField(Field* f, int* at, int* pictureLeft) {
        *at = Tell();
        *pictureLeft = pictureLeft_;
        unsigned char b[3];
        if (Bytes(b, 2) != 2) return K_ERR_READ;
        if (b[0] == kLongId) {
            if (Bytes(b + 2, 1) != 1) return K_ERR_READ;
            f->id = kLongId << 8 | b[1];
            unsigned char n[2] = {b[2], 0};
            if (Bytes(n + 1, 1) != 1) return K_ERR_READ;
            f->length = Be16(n);
        } else {
            f->id = b[0];
            f->length = b[1];
        }
        if (!FieldOk(f->id, f->length)) return K_ERR_FORMAT;
        if (f->id != kImageData && Bytes(f->value, f->length) != f->length) return K_ERR_READ;
        if (f->id == kBeginImageContent && f->value[0] != 0xFF) return K_ERR_FORMAT;
        return K_OK;
    }

    // Where the page reader's reading starts: the Image Data header at
    // `at`, with pictureLeft bytes of its Image Picture Data field left.
    void StartData(int pictureLeft) {
        pictureLeft_ = pictureLeft;
        dataLeft_ = 0;
    }

    // Up to count coded bytes from consecutive Image Data fields; 0 at any
    // other field or the end, -1 when the file cannot be read.
    int ImageData(unsigned char* out, int count) {
        int got = 0;
        while (got < count) {
            if (dataLeft_ == 0) {
                unsigned char h[4];
                if (Bytes(h, 2) != 2 || h[0] != kLongId || h[1] != (kImageData & 0xFF) || Bytes(h + 2, 2) != 2) break;
                dataLeft_ = Be16(h + 2);
                continue;
            }
            const int n = Bytes(out + got, std::min(count - got, dataLeft_));
            if (n <= 0) break;
            got += n;
            dataLeft_ -= n;
        }
        return got == 0 && failed_ ? -1 : got;
    }

private:
    int handle_ = -1;
    FileReadCallback read_ = nullptr;
    bool modca_ = false;
    bool failed_ = false;
    int pictureLeft_ = 0;  // bytes left in the current Image Picture Data field
    int dataLeft_ = 0;     // bytes left in the current Image Data field
};

// The page being read (one IOCA load at a time).
IocaInput g_reading;

int KAPI ReadIOCAImageData(int, void* buffer, int count) {
    return count <= 0 ? 0 : g_reading.ImageData(static_cast<unsigned char*>(buffer), count);
}

// The start of image `*page` of an MO:DCA file (the last image when there
// are fewer): the position of its first Image Picture Data field. 1, -7,
// -9.
int FindImage(IocaInput& in, int* page) {
    if (!in.Seek(0)) return K_ERR_READ;
    Introducer f;
    int at = 0, r;
    for (;;) {
        at = in.Tell();
        if ((r = in.ReadIntroducer(&f)) != K_OK) return r == 0 ? K_ERR_FORMAT : r;
        if (f.type == kTypePictureData) break;
        if (!in.Skip(f.dataLength)) return K_ERR_READ;
    }
    int start = at, found = 1;
    bool inImage = true;
    while (found < *page) {
        if (!in.Skip(f.dataLength)) break;
        at = in.Tell();
        if (in.ReadIntroducer(&f) != K_OK) break;
        if (f.type != kTypePictureData) {
            inImage = false;
        } else if (!inImage) {
            start = at;
            ++found;
            inImage = true;
        }
    }
    *page = found;
    return in.Seek(start) ? K_OK : K_ERR_READ;
}

// What the segment of image `*page` says, up to its first Image Data
// field; *pictureLeft is what the page reader starts with. 1, -7, -9.
int ParseIOCAHeader(IocaInput& in, bool modca, RawFaxInfo* info, int* page, int* pictureLeft) {
    std::memset(info, 0, sizeof *info);
    info->XResolution = CurrentOptions().XResolution;
    info->YResolution = CurrentOptions().YResolution;
    info->Flags = K_FAX_TOP_DOWN;
    *page = std::max(*page, 1);
    int r;
    if (modca) {
        if ((r = FindImage(in, page)) != K_OK) return r;
    } else {
        *page = 1;
        if (!in.Seek(0)) return K_ERR_READ;
    }
    Field f;
    int at;
    if ((r = in.ReadField(&f, &at, pictureLeft)) != K_OK) return r;
    if (f.id != kBeginSegment) return K_ERR_FORMAT;
    if ((r = in.ReadField(&f, &at, pictureLeft)) != K_OK) return r;
    if (f.id != kBeginImageContent) return K_ERR_FORMAT;
    for (;;) {
        if ((r = in.ReadField(&f, &at, pictureLeft)) != K_OK) return r;
        const unsigned char* v = f.value;
        switch (f.id) {
            case kImageSize: {
                const int width = Be16(v + 5), height = Be16(v + 7);
                if (width > limits::kIocaField || height > limits::kIocaField) return K_ERR_FORMAT;
                if (width == 0 || height == 0) break;
                info->Width = width;
                info->Height = height;
                const int x = Be16(v + 1), y = Be16(v + 3);
                // Units per ten inches, per ten centimetres, or (unit base
                // 2) taken as dots per inch.
                info->XResolution = v[0] == 0 ? x / 10 : v[0] == 1 ? x * 254 / 1000 : x;
                info->YResolution = v[0] == 0 ? y / 10 : v[0] == 1 ? y * 254 / 1000 : y;
                break;
            }
            case kImageEncoding: {
                static const char kLetters[2][3] = {{'G', 'H', 'I'}, {'M', 'N', 'O'}};
                if (v[0] < kCompressionG3OneD || v[0] > kCompressionG4) return K_ERR_FORMAT;
                info->Format = static_cast<unsigned char>(kLetters[modca ? 0 : 1][v[0] - kCompressionG3OneD]);
                if (v[1] == kRecordingTopDown)
                    info->Flags |= K_FAX_TOP_DOWN;
                else if (v[1] == kRecordingBottomUp)
                    info->Flags &= ~K_FAX_TOP_DOWN;
                else
                    return K_ERR_FORMAT;
                const int bitOrder = f.length == 3 ? v[2] : 0;
                if (bitOrder == 1)
                    info->Flags |= K_FAX_REVERSED;
                else if (bitOrder == 0)
                    info->Flags &= ~K_FAX_REVERSED;
                else
                    return K_ERR_FORMAT;
                break;
            }
            case kIdeSize:
                if (v[0] != 1) return K_ERR_FORMAT;
                info->BitsPerPixel = 1;
                break;
            case kLutId:
                break;
            case kIdeStructure:
                if (v[0] & 1)
                    info->Flags |= K_FAX_BLACK_ZERO;
                else
                    info->Flags &= ~K_FAX_BLACK_ZERO;
                break;
            case kImageData:
                info->DataOffset = at;
                info->BitsPerPixel = 1;
                return info->Format && info->Width && info->Height ? K_OK : K_ERR_FORMAT;
            default:
                return K_ERR_FORMAT;
        }
    }
}

bool IsBare(IocaInput& in) {
    unsigned char start[sizeof kBareStart];
    const bool bare =
        in.Seek(0) && in.Exact(start, sizeof start) == K_OK && std::memcmp(start, kBareStart, sizeof start) == 0;
    in.Seek(0);
    return bare;
}

int FormatOfLetter(unsigned char letter) {
    switch (letter) {
        case 'G':
            return kFormatIOCA;
        case 'H':
            return kFormatIOCA2;
        case 'I':
            return kFormatIOCA3;
        case 'M':
            return kFormatIOCABare;
        case 'N':
            return kFormatIOCABare2;
        case 'O':
            return kFormatIOCABare3;
        default:
            return 0;
    }
}

// The page being written (one IOCA save at a time).
struct ChunkWriter {
    int handle = -1;
    FileWriteCallback write = nullptr;
    bool modca = false;
    int limit = 0;
    int left = 0;       // room left in the open chunk
    int headerAt = -1;  // its header's file position; -1 while none is open
    bool failed = false;

    bool Put(const void* data, int count) {
        if (write(handle, data, count) != count) failed = true;
        return !failed;
    }
    // A new Image Data field (in an Image Picture Data field for MO:DCA)
    // sized for a full chunk.
    bool Open() {
        headerAt = FileSeek(handle, 0, 1);
        unsigned char h[12];
        int n = 0;
        if (modca) {
            PutBe16(h, limit + 12);
            h[2] = kFieldClass;
            PutBe16(h + 3, kTypePictureData);
            h[5] = h[6] = h[7] = 0;
            n = kIntroducer;
        }
        h[n] = kLongId;
        h[n + 1] = kImageData & 0xFF;
        PutBe16(h + n + 2, limit);
        left = limit;
        return headerAt >= 0 && Put(h, n + 4);
    }
};

ChunkWriter g_writing;

int KAPI WriteIOCAImageData(int, const void* buffer, int count) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    for (int done = 0; done < count;) {
        if (g_writing.headerAt < 0 || g_writing.left == 0)
            if (!g_writing.Open()) return -1;
        const int n = std::min(g_writing.left, count - done);
        if (!g_writing.Put(p + done, n)) return -1;
        g_writing.left -= n;
        done += n;
    }
    return count;
}

void WriteIntroducer(Output& out, int length, int type) {
    out.U16BE(length);
    out.Byte(kFieldClass);
    out.U16BE(type);
    out.Zeros(3);
}

}  // namespace

int ProbeIOCA(const ProbeInput& input, FileInfoRecord* info) {
    const unsigned char* h = input.header;
    const bool bare = input.headerCount >= 5 && std::memcmp(h, kBareStart, sizeof kBareStart) == 0;
    const bool modca = input.headerCount >= kIntroducer + 1 &&
                       (h[2] == kFieldClass || (h[0] == kCarriageControl && h[3] == kFieldClass));
    if (!bare && !modca) return 0;
    IocaInput in(input.handle, CurrentFileAccess().read, !bare);
    RawFaxInfo fax;
    int page = CurrentOptions().PageNumber, pictureLeft;
    if (ParseIOCAHeader(in, !bare, &fax, &page, &pictureLeft) != K_OK) return 0;
    const int code = FormatOfLetter(fax.Format);
    FillFileInfo(info,
                 {.format = code,
                  .width = fax.Width,
                  .height = fax.Height,
                  .bitsPerPixel = 1,
                  .viewPerspective = (fax.Flags & K_FAX_TOP_DOWN) ? K_TOP_DOWN : K_BOTTOM_UP,
                  .colorOrder = K_ORDER_BGR,
                  .compression = fax.Format == 'I' || fax.Format == 'O' ? "CCITT Group 4 Fax" : "CCITT Group 3 Fax"});
    info->PageNumber = page;
    info->XResolution = fax.XResolution;
    info->YResolution = fax.YResolution;
    return 1;
}

int KAPI LoadIOCAFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData) {
    if (!bitmap) return K_ERR_ARGUMENT;
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    FileAccessCallbacks framed = CurrentFileAccess();
    IocaInput in(file.handle(), framed.read, true);
    const bool bare = IsBare(in);
    in = IocaInput(file.handle(), framed.read, !bare);
    RawFaxInfo fax;
    int page = CurrentOptions().PageNumber, pictureLeft;
    if (ParseIOCAHeader(in, !bare, &fax, &page, &pictureLeft) != K_OK) return K_ERR_FORMAT;
    static const char kCoding[] = {'B', 'C', 'D'};
    const int code = FormatOfLetter(fax.Format);
    bitmap->FormatCode = code;
    fax.Format = static_cast<unsigned char>(kCoding[(code - (bare ? kFormatIOCABare : kFormatIOCA)) % 3]);
    in.StartData(pictureLeft);
    g_reading = in;
    framed.read = ReadIOCAImageData;
    FileAccessSwap swap(framed);
    return ReadFaxPage(file.handle(), FaxLayoutOf(fax), bitmap, callback, bitsPerPixel, userData);
}

int SaveIOCAFile(const SaveRequest& request) {
    if (request.bitsPerPixel != 1) return K_ERR_BITS;
    const int code = request.formatCode;
    const bool modca = code >= kFormatIOCA && code <= kFormatIOCA3;
    if (!modca && !(code >= kFormatIOCABare && code <= kFormatIOCABare3)) return K_ERR_UNSUPPORTED;
    const BitmapRecord* source = request.bitmap;
    const int64_t x = int64_t(source->XResolution) * 10, y = int64_t(source->YResolution) * 10;
    // Every size goes into a 2-byte field that readers take below 0x8000.
    if (source->Width <= 0 || source->Height <= 0 || source->Width > limits::kIocaField ||
        source->Height > limits::kIocaField || x < 0 || y < 0 || x > limits::kIocaField || y > limits::kIocaField)
        return K_ERR_SIZE;
    const int coding = (code - (modca ? kFormatIOCA : kFormatIOCABare)) % 3;

    Output out;
    int r = out.Open(request.name);
    if (r != K_OK) return r;
    if (modca) {
        WriteIntroducer(out, kIntroducer + 9, kTypeImageDescriptor);
        out.Byte(0);
        out.U16BE(static_cast<unsigned>(x));
        out.U16BE(static_cast<unsigned>(y));
        out.U16BE(source->Width);
        out.U16BE(source->Height);
        WriteIntroducer(out, kIntroducer + 24, kTypePictureData);
    }
    const unsigned char segment[] = {kBeginSegment, 0, kBeginImageContent, 1, 0xFF, kImageSize, 9, 0};
    out.Write(segment, sizeof segment);
    out.U16BE(static_cast<unsigned>(x));
    out.U16BE(static_cast<unsigned>(y));
    out.U16BE(source->Width);
    out.U16BE(source->Height);
    const unsigned char encoding[] = {kImageEncoding,
                                      3,
                                      static_cast<unsigned char>(kCompressionG3OneD + coding),
                                      kRecordingTopDown,
                                      0,
                                      kIdeSize,
                                      1,
                                      1};
    out.Write(encoding, sizeof encoding);
    if ((r = out.Flush()) != K_OK) return r;

    FileAccessCallbacks framed = CurrentFileAccess();
    g_writing = ChunkWriter{};
    g_writing.handle = out.handle();
    g_writing.write = framed.write;
    g_writing.modca = modca;
    g_writing.limit = modca ? kModcaChunk : kBareChunk;
    framed.write = WriteIOCAImageData;
    FaxPageRequest page;
    page.handle = out.handle();
    page.source = request.bitmap;
    page.format = "BCD"[coding];
    page.saveFlags = request.flags;
    page.callback = request.callback;
    page.userData = request.userData;
    {
        FileAccessSwap swap(framed);
        r = WriteFaxPage(page);
    }
    if (r != K_OK) return r;
    if (g_writing.failed) return K_ERR_WRITE;
    const int end = FileSeek(out.handle(), 0, 1);
    if ((r = out.SeekTo(end)) != K_OK) return r;
    if (modca) WriteIntroducer(out, kIntroducer + 4, kTypePictureData);
    const unsigned char close[] = {kEndImageContent, 0, kEndSegment, 0};
    out.Write(close, sizeof close);
    if (g_writing.headerAt >= 0 && g_writing.left > 0) {
        // The last chunk holds less than its header said.
        const int used = g_writing.limit - g_writing.left;
        int at = g_writing.headerAt;
        if (modca) {
            out.SeekTo(at);
            out.U16BE(used + 12);
            at += kIntroducer;
        }
        out.SeekTo(at + 2);
        out.U16BE(used);
    }
    return out.Finish();
}

namespace {
const CodecProbe kProbes[] = {{230, true, ProbeIOCA}};
const LoadEntry kLoads[] = {
    {kFormatIOCA, LoadIOCAFile, nullptr, false},  // in MO:DCA
    {kFormatIOCA2, LoadIOCAFile, nullptr, false},     {kFormatIOCA3, LoadIOCAFile, nullptr, false},
    {kFormatIOCABare, LoadIOCAFile, nullptr, false},  {kFormatIOCABare2, LoadIOCAFile, nullptr, false},
    {kFormatIOCABare3, LoadIOCAFile, nullptr, false},
};
const SaveEntry kSaves[] = {
    {kFormatIOCA, SaveIOCAFile, 0, 0, false},      {kFormatIOCA2, SaveIOCAFile, 0, 0, false},
    {kFormatIOCA3, SaveIOCAFile, 0, 0, false},     {kFormatIOCABare, SaveIOCAFile, 0, 0, false},
    {kFormatIOCABare2, SaveIOCAFile, 0, 0, false}, {kFormatIOCABare3, SaveIOCAFile, 0, 0, false},
};
}  // namespace

extern const CodecRow kIOCARow = {"IOCA", kProbes, {}, kLoads, kSaves, nullptr};
