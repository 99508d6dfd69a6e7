// CCITT beside libtiff in one run, on an A4 page of text rendered by
// ghostscript at 200 and 300 dpi: Group 4 and Group 3 decoding and encoding
// times (our coder over the strip in memory and our TIFF reader and writer,
// against libtiff's strip reading and writing of the same page), and the
// coded sizes of our TIFF strips against libtiff's for Group 4, Group 3 1-D
// and Group 3 2-D. (A page of text, not the photo: these codings are for
// black-and-white pages.)
#include <tiffio.h>

#include <cctype>

#include "bench.h"
#include "fax/ccitt_coder.h"

namespace {

// A page of prose in Times at 10 points, with a heading, set by PostScript.
const char* kPage = R"(%!PS
/Times-Bold findfont 18 scalefont setfont 72 770 moveto (Notes on the sewing of a small jacket) show
/Times-Roman findfont 10 scalefont setfont
/words [(the) (pattern) (fabric) (seam) (allowance) (cut) (along) (grain) (fold) (pieces) (sleeve) (collar)
        (press) (stitch) (lining) (hem) (and) (of) (to) (a) (with) (measure) (doll) (waist) (back) (front)] def
/seed 12345 def
/next { /seed seed 1103515245 mul 12345 add 2147483647 and def seed -16 bitshift } def
740 -12 60 { /y exch def 72 y moveto
  { next words length mod words exch get dup stringwidth pop currentpoint pop add 520 gt { pop exit } if
    show ( ) show } loop } for
showpage
)";

struct PageBits {
    int width = 0, height = 0;
    std::vector<unsigned char> rows;  // 1 = black, top row first
};

// A raw PBM (comments allowed in the header).
bool ReadPbm(const std::string& path, PageBits* page) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int fields[3] = {};
    for (int i = 0; i < 3; ++i) {
        int c;
        while ((c = std::fgetc(f)) == '#' || std::isspace(c))
            if (c == '#')
                while ((c = std::fgetc(f)) != '\n' && c != EOF) {}
        std::string token(1, static_cast<char>(c));
        while (!std::isspace(c = std::fgetc(f)) && c != EOF) token += static_cast<char>(c);
        fields[i] = i == 0 ? (token == "P4") : std::atoi(token.c_str());
    }
    page->width = fields[1];
    page->height = fields[2];
    const size_t bytes = static_cast<size_t>((page->width + 7) / 8) * page->height;
    page->rows.resize(bytes);
    const bool ok = fields[0] && bytes && std::fread(page->rows.data(), 1, bytes, f) == bytes;
    std::fclose(f);
    return ok;
}

class VectorSink : public ByteSink {
public:
    int Byte(int value) override {
        bytes.push_back(static_cast<unsigned char>(value));
        return 1;
    }
    std::vector<unsigned char> bytes;
};

class MemoryChunks : public ChunkSource {
public:
    explicit MemoryChunks(const std::vector<unsigned char>& data) : data_(data) {}
    int Next(const unsigned char** data, size_t* size) override {
        if (done_) return 0;
        done_ = true;
        *data = data_.data();
        *size = data_.size();
        return 1;
    }

private:
    const std::vector<unsigned char>& data_;
    bool done_ = false;
};

FaxOptions Options(FaxCoding coding, int width) {
    FaxOptions o;
    o.coding = coding;
    o.width = width;
    o.endOfPage = coding == FaxCoding::Group4;
    return o;
}

std::vector<unsigned char> OursEncode(const PageBits& page, FaxCoding coding) {
    VectorSink sink;
    FaxEncoder e;
    e.Start(Options(coding, page.width), &sink);
    const size_t rowBytes = (page.width + 7) / 8;
    for (int y = 0; y < page.height; ++y) e.EncodeRow(page.rows.data() + rowBytes * y);
    e.Finish();
    return sink.bytes;
}

bool OursDecode(const PageBits& page, FaxCoding coding, const std::vector<unsigned char>& coded) {
    FaxDecoder d;
    MemoryChunks in(coded);
    if (d.Init(Options(coding, page.width)) != 1 || d.Start(&in) != 1) return false;
    std::vector<unsigned char> row((page.width + 7) / 8);
    for (int y = 0; y < page.height; ++y)
        if (d.DecodeRow(row.data()) != 1) return false;
    return true;
}

// libtiff writes the page as one strip: the strip's coded size, or -1.
long LibtiffWrite(const PageBits& page, int compression, int t4Options, int dpi, const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return -1;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, t4Options);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, page.height);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(dpi));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(dpi));
    const long n = TIFFWriteEncodedStrip(t, 0, const_cast<unsigned char*>(page.rows.data()),
                                         static_cast<tmsize_t>(page.rows.size()));
    TIFFClose(t);
    return n;
}

bool LibtiffRead(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return false;
    std::vector<unsigned char> strip(TIFFStripSize(t));
    const bool ok = TIFFReadEncodedStrip(t, 0, strip.data(), -1) >= 0;
    TIFFClose(t);
    return ok;
}

long StripBytes(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return -1;
    uint64_t* counts = nullptr;
    long n = -1;
    if (TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts) && TIFFNumberOfStrips(t) == 1)
        n = static_cast<long>(counts[0]);
    TIFFClose(t);
    return n;
}

int KAPI Discard(BitmapRecord*, unsigned char*, int, void*) { return 1; }

bool OursLoad(const std::string& path) {
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 0);
    const int result = K_LoadTIFFile(path.c_str(), &r, Discard, 1, nullptr);
    K_FreeBitmap(&r);
    return result == 1;
}

}  // namespace

int main() {
    TIFFSetWarningHandler(nullptr);
    const std::string ps = bench::ScratchFile("page.ps");
    FILE* f = std::fopen(ps.c_str(), "w");
    if (!f) return 1;
    std::fputs(kPage, f);
    std::fclose(f);
    for (int dpi : {200, 300}) {
        const std::string pbm = bench::ScratchFile("page" + std::to_string(dpi) + ".pbm");
        if (!bench::Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pbmraw -sPAPERSIZE=a4 -r" + std::to_string(dpi) +
                          " -sOutputFile=" + pbm + " " + ps)) {
            bench::Note("ghostscript could not render the page");
            return 1;
        }
        PageBits page;
        if (!ReadPbm(pbm, &page)) return 1;
        const std::string at = ", A4 text " + std::to_string(dpi) + " dpi";
        struct Coding {
            const char* name;
            FaxCoding coding;
            int compression, t4Options, format;
        };
        const Coding codings[] = {
            {"Group 4", FaxCoding::Group4, COMPRESSION_CCITTFAX4, 0, 29},
            {"Group 3 2-D", FaxCoding::Group3TwoD, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 28},
            {"Group 3 1-D", FaxCoding::Group3OneD, COMPRESSION_CCITTFAX3, 0, 27},
        };
        for (const Coding& c : codings) {
            const std::string theirs = bench::ScratchFile(std::string("libtiff_") + std::to_string(c.format) + ".tif");
            const std::string ours = bench::ScratchFile(std::string("ours_") + std::to_string(c.format) + ".tif");
            std::vector<unsigned char> coded;
            const double encodeOurs = bench::Median([&] { return !(coded = OursEncode(page, c.coding)).empty(); });
            const double encodePeer =
                bench::Median([&] { return LibtiffWrite(page, c.compression, c.t4Options, dpi, theirs) > 0; });
            const double decodeOurs = bench::Median([&] { return OursDecode(page, c.coding, coded); });
            const double decodePeer = bench::Median([&] { return LibtiffRead(theirs); });
            // Our TIFF of the page: libtiff's file loaded, saved with our writer.
            BitmapRecord r;
            K_InitBitmap(&r, 0, 0, 0);
            const bool saved =
                K_LoadBitmap(theirs.c_str(), &r, 1, 1) == 1 && K_SaveBitmap(ours.c_str(), &r, c.format, 1, 0) == 1;
            const double loadOurs = saved ? bench::Median([&] { return OursLoad(ours); }) : -1;
            const double saveOurs =
                saved ? bench::Median([&] { return K_SaveBitmap(ours.c_str(), &r, c.format, 1, 0) == 1; }) : -1;
            K_FreeBitmap(&r);
            const std::string name = c.name;
            bench::Row(name + " encode" + at).Ours(encodeOurs).Peer("libtiff", encodePeer).Print();
            bench::Row(name + " decode" + at).Ours(decodeOurs).Peer("libtiff", decodePeer).Print();
            bench::Row(name + " TIFF save" + at)
                .Ours(saveOurs)
                .Peer("libtiff write", encodePeer)
                .Sizes(StripBytes(ours), StripBytes(theirs))
                .Print();
            bench::Row(name + " TIFF load" + at).Ours(loadOurs).Peer("libtiff read", decodePeer).Print();
        }
    }
    return 0;
}
