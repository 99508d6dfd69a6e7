// The bilevel format's decoder: modes fetched in the order the encoder
// sent them (repeats, a mode carried over from the row before, the second
// half of a pair, a new pair), each checked against the row before it is
// carried out; rows go into the bitmap in storage order.
#include <cstring>
#include <memory>

#include "core/memory.h"
#include "io/codec_kit.h"
#include "jpeg/compressed_header.h"
#include "fax/bilevel_codec.h"
#include "fax/bilevel_rows.h"

namespace bilevel {

namespace {

// Bits from the file, most significant first; past the end they read 0
// and ended() says so.
class BitSource {
public:
    explicit BitSource(Source& in) : in_(in) {}
    int GetBit() {
        if (mask_ == 0) {
            const int b = in_.Byte();
            if (b < 0) {
                ended_ = true;
                return 0;
            }
            byte_ = static_cast<uint8_t>(b);
            mask_ = 0x80;
        }
        const int bit = (byte_ & mask_) != 0;
        mask_ >>= 1;
        return bit;
    }
    unsigned GetBits(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i) v = v << 1 | static_cast<unsigned>(GetBit());
        return v;
    }
    bool ended() const { return ended_; }

private:
    Source& in_;
    uint8_t byte_ = 0, mask_ = 0;
    bool ended_ = false;
};

// What stops a row: damaged data, data that ends, or the end symbol.
enum class Stop { None, Bad, Short, End };

class RowDecoder {
public:
    RowDecoder(Models& m, BitSource& in, int width, int subType, int digitCBits)
        : m_(m), in_(in), width_(width), subType_(subType), digitCBits_(digitCBits) {}

    Stop stop() const { return stop_; }
    int ReadFlag() {
        const int bit = in_.GetBit();
        if (in_.ended()) stop_ = Stop::Short;
        return bit;
    }

    // Decodes one row against the row above; after the end symbol the rest
    // of the picture is the colour rows start with.
    void Decode(uint8_t* cur, const uint8_t* above) {
        const int packed = (width_ + 7) / 8;
        std::memset(cur, 0, packed);
        int a0 = 0, c = 1;
        bool start = true;
        while (a0 < width_ && stop_ == Stop::None) {
            // Input that ends reads as 0 bits; no mode may come of them.
            if (in_.ended()) break;
            const int mode = Fetch();
            if (in_.ended()) stop_ = Stop::Short;  // whatever the 0 bits past the end said
            if (stop_ != Stop::None) break;
            const int b1 = FindB1(above, a0, c, start, width_);
            start = false;
            if (mode <= 8) {
                int a1;
                if (b1 < width_) {
                    a1 = b1 + kV0 - mode;
                } else if (mode > kV0 && subType_ == 0) {
                    a1 = width_ - (mode - kV0);  // applied from the row end
                } else {
                    a1 = width_;
                    if (mode != kV0) carried_ = mode;  // ends the row, starts the next
                }
                if (a1 < a0 || a1 > width_) {
                    stop_ = Stop::Bad;
                    break;
                }
                if (c) SetSpan(cur, a0, a1);
                a0 = a1;
                c = !c;
            } else if (mode == kPass) {
                const int to = FindB2(above, b1, c, width_);
                if (b1 >= width_) carried_ = mode;
                if (c) SetSpan(cur, a0, to);
                a0 = to;
            } else {  // horizontal
                const int r1 = Run(c);
                const int r2 = Run(!c);
                if (in_.ended()) stop_ = Stop::Short;
                if (stop_ != Stop::None) break;
                if (r1 > width_ - a0 || r2 > width_ - a0 - r1) {
                    stop_ = Stop::Bad;
                    break;
                }
                const int mid = a0 + r1, to = r2 == 0 ? width_ : mid + r2;
                if (c)
                    SetSpan(cur, a0, mid);
                else
                    SetSpan(cur, mid, to);
                a0 = to;
            }
        }
        if (in_.ended() && stop_ == Stop::None) stop_ = Stop::Short;
        if (stop_ == Stop::End) SetSpan(cur, a0, width_);
    }

private:
    void Fail(int symbol) { stop_ = symbol == kEndSymbol ? Stop::End : Stop::Bad; }

    // The next mode, or -1 with stop_ set.
    int Fetch() {
        if (repeat_ > 0) {
            --repeat_;
            return kV0;
        }
        if (carried_ >= 0) {
            const int m = carried_;
            carried_ = -1;
            return m;
        }
        if (second_ >= 0) {
            const int m = second_;
            second_ = -1;
            return Produce(m);
        }
        int first, second;
        if (context_ == 0 || context_ == 8) {
            SmallModel* single = m_.single[context_ == 8 ? 1 : 0];
            first = DecodeSmallSymbol(single[0], in_, kModeBits);
            if (first < 0) return Fail(first), -1;
            second = DecodeSmallSymbol(single[1], in_, kModeBits);
            if (second < 0) return Fail(second), -1;
        } else {
            const int pair = DecodePairSymbol(m_.pairs[context_], m_.nibbles, in_);
            if (pair < 0) return Fail(pair), -1;
            first = pair >> 4;
            second = pair & 15;
        }
        if (first > kRepeat || second > kRepeat) return Fail(kBadSymbol), -1;
        context_ = second;
        second_ = second;
        return Produce(first);
    }

    int Produce(int mode) {
        if (mode != kRepeat) return mode;
        const int count = DecodeSmallSymbol(m_.repeat, in_, kRepeatBits);
        if (count < 0) return Fail(count), -1;
        if (count == 0) return Fail(kBadSymbol), -1;  // never written: a repeat stands for at least one V0
        repeat_ = count - 1;
        return kV0;
    }

    int Run(int colour) {
        SmallModel* d = m_.digits[colour];
        const int a = DecodeSmallSymbol(d[0], in_, kDigitABits);
        if (a < 0) return Fail(a), 0;
        if (a < 32) return a;
        const int b = DecodeSmallSymbol(d[1], in_, kDigitBBits);
        if (b < 0) return Fail(b), 0;
        if (b < 16) return a - 32 + 32 * b;
        const int cc = DecodeSmallSymbol(d[2], in_, digitCBits_);
        if (cc < 0) return Fail(cc), 0;
        return a + 32 * b + 512 * cc - 544;
    }

    Models& m_;
    BitSource& in_;
    int width_, subType_, digitCBits_;
    int context_ = kInitialContext;
    int repeat_ = 0, carried_ = -1, second_ = -1;
    Stop stop_ = Stop::None;
};

}  // namespace

int DecodeBitmap1BitFile(const char* name, BitmapRecord* bitmap) {
    InputFile file;
    int r = file.Open(name);
    if (r != K_OK) return r;
    Source in(file.handle(), 65536);
    uint8_t header[kCompressedHeaderSize];
    if ((r = in.ReadExact(header, 4)) != K_OK || (r = in.ReadExact(header + 4, 18)) != K_OK ||
        (r = in.ReadExact(header + 22, 2)) != K_OK)
        return r;
    const uint8_t rowFlags = header[21];
    const int subType = Le16(header + 22);
    if (subType >= kSubTypes) return K_ERR_FORMAT;
    const int width = bitmap->Width, height = bitmap->Height;

    bitmap->ViewPerspective = (rowFlags & 0x30) < kTopDownFlag ? K_BOTTOM_UP : K_TOP_DOWN;
    const bool whiteFirst = (rowFlags & 0x0F) != 0;
    bitmap->ColorTable[0] = whiteFirst ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{0, 0, 0, 0};
    bitmap->ColorTable[1] = whiteFirst ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};

    const int rowBytes = bitmap->BytesPerLine + 1;
    GlobalBuffer buffers(static_cast<size_t>(rowBytes) * 3, true);
    auto* models = static_cast<Models*>(AllocGlobalLocked(sizeof(Models)));
    std::unique_ptr<Models, void (*)(void*)> modelsOwner(models, FreeGlobalLocked);
    if (!buffers || !models) return K_ERR_MEMORY;
    models->Init();
    uint8_t* above = buffers.get();
    uint8_t* cur = above + rowBytes;
    uint8_t* rebuilt = cur + rowBytes;
    std::memset(above, 0xFF, rowBytes);

    BitSource bits(in);
    RowDecoder rows(*models, bits, width, subType, rowFlags < kRowFlag ? 3 : kDigitABits);
    auto deliver = [&](const uint8_t* row, int y) {
        const int put = K_PutBitmapRow(bitmap, row, y, bitmap->BytesPerLine);
        return put < 0 ? put : K_OK;
    };
    for (int y = 0; y < height; y += 2) {
        const bool pair = y + 1 < height;
        bool leftOut = false;
        if (subType >= 2 && pair && rows.stop() == Stop::None) leftOut = rows.ReadFlag() != 0;
        if (!leftOut) {
            rows.Decode(cur, above);
            if ((r = deliver(cur, y)) != K_OK) return r;
            std::swap(above, cur);
        }
        if (pair) {
            rows.Decode(cur, above);
            if (leftOut) {
                RebuildRow(rebuilt, above, cur, width);
                if ((r = deliver(rebuilt, y)) != K_OK) return r;
            }
            if ((r = deliver(cur, y + 1)) != K_OK) return r;
            std::swap(above, cur);
        }
        if (rows.stop() == Stop::Bad) return K_ERR_FORMAT;
        if (rows.stop() == Stop::Short) return K_ERR_READ;
    }
    return K_OK;
}

}  // namespace bilevel
