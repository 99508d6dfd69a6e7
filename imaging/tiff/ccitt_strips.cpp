// TIFF strips of compressions 2 (modified Huffman), 3 (Group 3) and 4
// (Group 4) through the CCITT coder.
#include <algorithm>
#include <new>

#include "io/format_codes.h"
#include "fax/ccitt_coder.h"
#include "tiff/strip_codecs.h"

namespace {

class FaxStripDecoder : public StripDecoder {
public:
    FaxStripDecoder(TiffSource& source, const TiffDirectory& page) : chunks_(source) {
        FaxOptions o;
        o.width = page.tiled ? static_cast<int>(page.tileWidth) : page.width;
        // FillOrder 2: the coder reverses the bits of the coded bytes itself.
        o.reverseBits = page.fillOrder == 2;
        if (page.compression == 2)
            o.coding = FaxCoding::ModifiedHuffman;
        else if (page.compression == 3)
            o.coding = page.t4Options & 1 ? FaxCoding::Group3TwoD : FaxCoding::Group3OneD;
        else
            o.coding = FaxCoding::Group4;
        mh_ = o.coding == FaxCoding::ModifiedHuffman;
        rowBytes_ = (static_cast<size_t>(o.width) + 7) / 8;
        if (page.bitsPerSample != 1 || page.samplesPerPixel != 1)
            init_ = K_ERR_BITS;
        else if (o.width < 1 || o.width > ccitt::kMaxWidth)
            init_ = K_ERR_FORMAT;
        else
            init_ = decoder_.Init(o);
    }
    int Begin(uint32_t offset, uint32_t count) override {
        if (init_ != K_OK) return init_;
        int r = chunks_.Begin(offset, count);
        if (r != K_OK) return r;
        failed_ = false;
        return decoder_.Start(&chunks_);
    }
    int Read(unsigned char* out, size_t size) override {
        for (; size >= rowBytes_; out += rowBytes_, size -= rowBytes_) {
            if (failed_) {
                std::fill(out, out + rowBytes_, 0);
                continue;
            }
            const int r = decoder_.DecodeRow(out);
            // A modified Huffman strip that breaks leaves the rest of the
            // strip white; reading goes on with the next strip.
            if (mh_ && r == ccitt::kDataEnded)
                failed_ = true;
            else if (r != K_OK)
                return r;
        }
        return K_OK;
    }

private:
    StripChunks chunks_;
    FaxDecoder decoder_;
    int init_ = K_OK;
    bool mh_ = false;
    bool failed_ = false;
    size_t rowBytes_ = 1;
};

}  // namespace

StripDecoder* MakeFaxStripDecoder(TiffSource& source, const TiffDirectory& page, size_t) {
    return new (std::nothrow) FaxStripDecoder(source, page);
}
