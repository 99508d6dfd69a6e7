// The library's own compressors beside their peers, in one run:
// - the compressed-data stream beside zlib (compress2, level 6) and xz
//   (preset 6) on the same 8-bit grey and 24-bit pictures: ratio of the raw
//   bytes to the coded ones, and MB/s of raw bytes both ways;
// - the bilevel format (each sub-type) beside libtiff's Group 4 and our own
//   on the same rendered text page: size and megapixels per second both ways
//   (file sizes, TIFF containers included).
// Wanted: stream decode >= 20 MB/s; bilevel sub-type 0 smaller than Group 4.
#include <lzma.h>
#include <tiffio.h>
#include <zlib.h>

#include "bench.h"

namespace {

template <class F>
double Best(F f) {
    return bench::Median(f);
}

const std::string& kDir = bench::Scratch();

std::string ReadAll(const std::string& path) { return bench::ReadFile(path); }
bool Shell(const std::string& command) { return bench::Shell(command); }

// PNM rows after the header (P4, P5 or P6 without comments).
std::string PnmRows(const std::string& file, int* width, int* height) {
    size_t at = 2;
    int fields[3] = {};
    const int count = file[1] == '4' ? 2 : 3;
    for (int i = 0; i < count; ++i) {
        while (at < file.size() && (file[at] < '0' || file[at] > '9')) ++at;
        while (at < file.size() && file[at] >= '0' && file[at] <= '9') fields[i] = fields[i] * 10 + (file[at++] - '0');
    }
    *width = fields[0];
    *height = fields[1];
    return file.substr(at + 1);
}

// ---- The stream and its peers ----------------------------------------------

struct Sink {
    std::vector<unsigned char> bytes;
};
int KAPI Append(unsigned char* buffer, int count, void* user) {
    auto* s = static_cast<Sink*>(user);
    s->bytes.insert(s->bytes.end(), buffer, buffer + count);
    return 1;
}
struct Feed {
    const std::vector<unsigned char>* bytes;
    size_t at;
};
int KAPI Supply(unsigned char* buffer, int size, void* user) {
    auto* f = static_cast<Feed*>(user);
    const size_t n = std::min(static_cast<size_t>(size), f->bytes->size() - f->at);
    std::memcpy(buffer, f->bytes->data() + f->at, n);
    f->at += n;
    return static_cast<int>(n);
}

void StreamRow(const char* name, const std::string& raw, int width, int height, int bits) {
    BitmapRecord bitmap;
    K_InitBitmap(&bitmap, width, height, bits);
    bitmap.Flags |= K_GRAY_PALETTE;
    const int rowSize = width * bits / 8;
    std::vector<unsigned char> buffer(65536), out(raw.size());
    const auto* rows = reinterpret_cast<const unsigned char*>(raw.data());

    Sink ours;
    const double oursEncode = Best([&] {
        ours.bytes.clear();
        if (K_StartCompressData(&bitmap, Append, rowSize * height, 65536, buffer.data(), 0, nullptr, &ours) != 1)
            return false;
        const int r = K_CompressData(rows);
        K_EndCompressData();
        return r == 1;
    });
    const double oursDecode = Best([&] {
        Feed feed{&ours.bytes, 0};
        int n = 0;
        if (K_StartDecompressData(&bitmap, Supply, 65536, buffer.data(), rowSize * height, &n, nullptr, &feed) != 1)
            return false;
        const int r = K_DecompressData(out.data());
        K_EndDecompressData();
        return r == 1 && std::memcmp(out.data(), rows, raw.size()) == 0;
    });

    std::vector<unsigned char> z(compressBound(raw.size()));
    uLongf zSize = 0;
    const double zEncode = Best([&] {
        zSize = z.size();
        return compress2(z.data(), &zSize, rows, raw.size(), 6) == Z_OK;
    });
    const double zDecode = Best([&] {
        uLongf n = out.size();
        return uncompress(out.data(), &n, z.data(), zSize) == Z_OK && n == raw.size();
    });

    std::vector<uint8_t> x(lzma_stream_buffer_bound(raw.size()));
    size_t xSize = 0;
    const double xEncode = Best([&] {
        xSize = 0;
        return lzma_easy_buffer_encode(6, LZMA_CHECK_CRC32, nullptr, rows, raw.size(), x.data(), &xSize, x.size()) ==
               LZMA_OK;
    });
    const double xDecode = Best([&] {
        uint64_t limit = UINT64_MAX;
        size_t in = 0, got = 0;
        return lzma_stream_buffer_decode(&limit, 0, nullptr, x.data(), &in, xSize, out.data(), &got, out.size()) ==
                   LZMA_OK &&
               got == raw.size();
    });

    const std::string what = std::string(name) + " (" + std::to_string(raw.size() / 1000) + " KB)";
    const long long ourSize = static_cast<long long>(ours.bytes.size());
    bench::Row("stream encode, " + what).Ours(oursEncode).Peer("zlib -6", zEncode).Sizes(ourSize, zSize).Print();
    bench::Row("stream encode, " + what).Ours(oursEncode).Peer("xz -6", xEncode).Sizes(ourSize, xSize).Print();
    bench::Row("stream decode, " + what).Ours(oursDecode).Peer("zlib -6", zDecode).Print();
    bench::Row("stream decode, " + what).Ours(oursDecode).Peer("xz -6", xDecode).Print();
}

// ---- The bilevel format and Group 4 ----------------------------------------

bool LibtiffG4Write(const std::string& path, const std::string& rows, int width, int height) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
    const int rowBytes = (width + 7) / 8;
    std::vector<unsigned char> row(rowBytes);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        std::memcpy(row.data(), rows.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
        ok = TIFFWriteScanline(t, row.data(), y, 0) >= 0;
    }
    TIFFClose(t);
    return ok;
}

bool LibtiffG4Read(const std::string& path, const std::string& rows) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return false;
    std::vector<unsigned char> strip(TIFFStripSize(t));
    const bool ok = TIFFReadEncodedStrip(t, 0, strip.data(), -1) >= 0;
    TIFFClose(t);
    return ok && std::memcmp(strip.data(), rows.data(), rows.size()) == 0;
}

void BilevelRows(const std::string& rows, int width, int height) {
    BitmapRecord bitmap;
    K_InitBitmap(&bitmap, width, height, 1);
    bitmap.ViewPerspective = K_TOP_DOWN;
    bitmap.ColorTable[0] = RGBQUAD{255, 255, 255, 0};  // PBM: 1 is black
    bitmap.ColorTable[1] = RGBQUAD{0, 0, 0, 0};
    K_AllocateBitmap(&bitmap, K_STORAGE_MEMORY);
    K_AccessBitmap(&bitmap);
    const int rowBytes = (width + 7) / 8;
    for (int y = 0; y < height; ++y)
        K_PutBitmapRow(&bitmap, rows.data() + static_cast<size_t>(y) * rowBytes, y, rowBytes);
    K_ReleaseBitmap(&bitmap);
    const double mp = width * static_cast<double>(height) / 1e6;

    const std::string g4 = kDir + "/page_g4.tif";
    const double g4Encode = Best([&] { return LibtiffG4Write(g4, rows, width, height); });
    const double g4Decode = Best([&] { return LibtiffG4Read(g4, rows); });
    const long g4Size = static_cast<long>(ReadAll(g4).size());
    (void)mp;

    // Our own Group 4: a TIFF page of format 29, read back whole.
    const std::string ours = kDir + "/page_ours_g4.tif";
    const double oursEncode =
        Best([&] { return K_SaveFile(ours.c_str(), &bitmap, 29, 1, 0, 0, nullptr, nullptr) == 1; });
    const double oursDecode = Best([&] {
        BitmapRecord back;
        K_InitBitmap(&back, 0, 0, 0);
        const int r = K_LoadTIFBitmap(ours.c_str(), &back);
        K_FreeBitmap(&back);
        return r == 1;
    });
    const long oursSize = static_cast<long>(ReadAll(ours).size());
    bench::Row("text page save, Group 4 TIFF")
        .Ours(oursEncode)
        .Peer("libtiff", g4Encode)
        .Sizes(oursSize, g4Size)
        .Print();
    bench::Row("text page load, Group 4 TIFF").Ours(oursDecode).Peer("libtiff", g4Decode).Print();

    for (int subType = 0; subType < 4; ++subType) {
        const std::string path = kDir + "/page" + std::to_string(subType) + ".kora";
        const double encode =
            Best([&] { return K_SaveFile(path.c_str(), &bitmap, 26, 0, subType, 0, nullptr, nullptr) == 1; });
        const double decode = Best([&] {
            BitmapRecord back;
            K_InitBitmap(&back, 0, 0, 0);
            const int r = K_DecompressBitmap1Bit(path.c_str(), &back);
            K_FreeBitmap(&back);
            return r == 1;
        });
        const long size = static_cast<long>(ReadAll(path).size());
        const std::string label = "text page, bilevel sub-type " + std::to_string(subType);
        bench::Row(label + " save").Ours(encode).Peer("libtiff G4", g4Encode).Sizes(size, g4Size).Print();
        bench::Row(label + " load").Ours(decode).Peer("libtiff G4", g4Decode).Print();
    }
    K_FreeBitmap(&bitmap);
}

}  // namespace

int main() {
    const std::string convert = "/usr/bin/convert-im6.q16";
    // 8- and 24-bit pictures: ImageMagick's logo (flat areas, edges) and a
    // smooth plasma (photograph-like).
    struct Picture {
        const char* name;
        std::string command;
        int bits;
    } pictures[] = {
        {"logo 640x480 grey", convert + " logo: -colorspace Gray -depth 8 " + kDir + "/p.pgm", 8},
        {"logo 640x480 RGB", convert + " logo: -depth 8 " + kDir + "/p.ppm", 24},
        {"plasma 1024x768 grey",
         convert + " -seed 4 -size 1024x768 plasma: -blur 0x1 -colorspace Gray -depth 8 " + kDir + "/p.pgm", 8},
        {"plasma 1024x768 RGB", convert + " -seed 4 -size 1024x768 plasma: -blur 0x1 -depth 8 " + kDir + "/p.ppm", 24},
    };
    for (const Picture& p : pictures) {
        if (!Shell(p.command)) {
            bench::Note("ImageMagick could not make %s", p.name);
            return 1;
        }
        int width = 0, height = 0;
        const std::string rows = PnmRows(ReadAll(kDir + (p.bits == 8 ? "/p.pgm" : "/p.ppm")), &width, &height);
        StreamRow(p.name, rows, width, height, p.bits);
    }

    // A text page at about 200 dpi: lines of text, a heading and a rule.
    std::string page = convert +
                       " -size 1700x2200 xc:white -fill black -pointsize 40 -annotate +150+200 'Sewing pattern notes'"
                       " -draw 'line 150,230 1550,230' -pointsize 22";
    const char* lines[] = {"Cut two bodice fronts on the fold; mark the darts and the notches with chalk.",
                           "Stay-stitch the neckline 1 cm from the edge before joining the shoulder seams.",
                           "Ease the sleeve cap into the armhole between the notches; press the seam open.",
                           "Hem allowance 2.5 cm: turn under 1 cm, then 1.5 cm, and slip-stitch by hand."};
    for (int y = 300, i = 0; y < 2100; y += 34, ++i)
        page += " -annotate +150+" + std::to_string(y) + " '" + lines[i % 4] + "'";
    if (!Shell(page + " -threshold 50% " + kDir + "/page.pbm")) {
        bench::Note("ImageMagick could not render the text page");
        return 1;
    }
    int width = 0, height = 0;
    const std::string rows = PnmRows(ReadAll(kDir + "/page.pbm"), &width, &height);
    TIFFSetWarningHandler(nullptr);
    bench::Note("text page: %dx%d", width, height);
    BilevelRows(rows, width, height);
    return 0;
}
