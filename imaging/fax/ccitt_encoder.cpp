// The CCITT encoder: runs measured a byte (or four) at a time, two-
// dimensional rows coded against the previous row by the T.4 rules (pass,
// vertical within 3, else horizontal), code words from the generated lists.
#include <algorithm>
#include <cstring>
#include <new>

#include "ccitt_code_lists.h"
#include "fax/ccitt_bits.h"
#include "fax/ccitt_coder.h"
#include "volkg.h"

namespace {

constexpr unsigned kEol = 1;  // eleven 0 bits and a 1
constexpr int kEolBits = 12;

struct Mode {
    unsigned code;
    int bits;
};
constexpr Mode kPass = {1, 4};        // 0001
constexpr Mode kHorizontal = {1, 3};  // 001
// Vertical codes by a1 - b1 + 3: VL3 .. V0 .. VR3.
constexpr Mode kVertical[7] = {{2, 7}, {2, 6}, {2, 3}, {1, 1}, {3, 3}, {3, 6}, {3, 7}};

inline int LeadingZeros8(unsigned v) { return __builtin_clz(v) - 24; }

inline int Pixel(const unsigned char* row, int x) { return row[x >> 3] >> (7 - (x & 7)) & 1; }

// The first position at or after x (below end) whose pixel is not colour,
// else end.
int FindChange(const unsigned char* row, int x, int end, int colour) {
    if (x >= end) return end;
    const unsigned flip = colour ? 0xFF : 0;
    const unsigned char* p = row + (x >> 3);
    const int bit = x & 7;
    if (bit) {
        const unsigned v = ((*p ^ flip) << bit) & 0xFF;
        if (v) return std::min(x + LeadingZeros8(v), end);
        x += 8 - bit;
        ++p;
    }
    const uint32_t flip32 = colour ? 0xFFFFFFFFu : 0;
    while (x + 32 <= end) {
        uint32_t w;
        std::memcpy(&w, p, 4);
        if (w != flip32) break;
        p += 4;
        x += 32;
    }
    while (x < end) {
        const unsigned v = *p ^ flip;
        if (v) return std::min(x + LeadingZeros8(v), end);
        x += 8;
        ++p;
    }
    return end;
}

}  // namespace

struct FaxEncoder::State {
    FaxOptions o;
    int width = 0;
    int rowBytes = 0;
    ByteSink* out = nullptr;
    int status = K_OK;
    uint64_t written = 0;
    uint32_t bits = 0;  // pending bits, the last `count` of them
    int count = 0;
    const unsigned char* translate = nullptr;
    unsigned char* ref = nullptr;  // the previous row (2-D coding)
    int k = 0;                     // Group 3 2-D: 2-D rows before the next 1-D one

    ~State() { delete[] ref; }

    void Emit(unsigned value) {
        if (status != K_OK) return;
        const int r = out->Byte(translate[value & 0xFF]);
        if (r != K_OK)
            status = r < 0 ? r : K_ERR_WRITE;
        else
            ++written;
    }
    void Put(unsigned code, int n) {
        bits = bits << n | code;
        count += n;
        while (count >= 8) {
            count -= 8;
            Emit(bits >> count);
        }
    }
    void PadToByte() {
        if (count) Put(0, 8 - count);
    }
    void PutEol() {
        // Fill so that the EOL ends on a byte boundary.
        if (o.alignEol) {
            const int fill = count <= 4 ? 4 - count : 12 - count;
            if (fill) Put(0, fill);
        }
        Put(kEol, kEolBits);
    }
    void PutRun(int run, const CcittCodeWord* codes) {
        while (run > 2623) {
            Put(codes[103].code, codes[103].bits);
            run -= 2560;
        }
        if (run > 63) {
            const CcittCodeWord& m = codes[63 + run / 64];
            Put(m.code, m.bits);
            run &= 63;
        }
        Put(codes[run].code, codes[run].bits);
    }
    void PutRun(int run, int colour) { PutRun(run, colour ? kCcittBlackCodes : kCcittWhiteCodes); }

    void Encode1D(const unsigned char* row) {
        int x = 0, colour = 0;
        while (x < width) {
            const int y = FindChange(row, x, width, colour);
            PutRun(y - x, colour);
            x = y;
            colour ^= 1;
        }
    }

    void Encode2D(const unsigned char* row) {
        const int w = width;
        int a0 = 0, colour = 0;
        int a1 = Pixel(row, 0) ? 0 : FindChange(row, 0, w, 0);
        int b1 = Pixel(ref, 0) ? 0 : FindChange(ref, 0, w, 0);
        for (;;) {
            const int b2 = b1 < w ? FindChange(ref, b1, w, Pixel(ref, b1)) : w;
            if (b2 < a1) {
                Put(kPass.code, kPass.bits);
                a0 = b2;
            } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
                const Mode& m = kVertical[a1 - b1 + 3];
                Put(m.code, m.bits);
                a0 = a1;
                colour ^= 1;
            } else {
                const int a2 = FindChange(row, a1, w, colour ^ 1);
                Put(kHorizontal.code, kHorizontal.bits);
                PutRun(a1 - a0, colour);
                PutRun(a2 - a1, colour ^ 1);
                a0 = a2;
            }
            if (a0 >= w) break;
            a1 = FindChange(row, a0, w, colour);
            b1 = FindChange(ref, a0, w, colour ^ 1);
            b1 = FindChange(ref, b1, w, colour);
        }
    }
};

FaxEncoder::FaxEncoder() = default;
FaxEncoder::~FaxEncoder() { delete s_; }

int FaxEncoder::Start(const FaxOptions& options, ByteSink* output) {
    if (options.width < 1 || options.width > ccitt::kMaxWidth || !output) return K_ERR_ARGUMENT;
    delete s_;
    s_ = new (std::nothrow) State;
    if (!s_) return K_ERR_MEMORY;
    State& s = *s_;
    s.o = options;
    s.width = options.width;
    s.rowBytes = (options.width + 7) / 8;
    s.out = output;
    s.translate = ccitt::ByteTranslation(options.reverseBits);
    if (options.coding == FaxCoding::Group3TwoD || options.coding == FaxCoding::Group4) {
        s.ref = new (std::nothrow) unsigned char[static_cast<size_t>(s.rowBytes)];
        if (!s.ref) return K_ERR_MEMORY;
        std::memset(s.ref, 0, static_cast<size_t>(s.rowBytes));
    }
    return K_OK;
}

int FaxEncoder::EncodeRow(const unsigned char* row) {
    if (!s_) return K_ERR_MEMORY;
    State& s = *s_;
    switch (s.o.coding) {
        case FaxCoding::ModifiedHuffman:
            s.Encode1D(row);
            s.PadToByte();
            break;
        case FaxCoding::Group3OneD:
            s.PutEol();
            s.Encode1D(row);
            break;
        case FaxCoding::Group3TwoD:
            // K = 4: a 1-D row, then three 2-D rows.
            s.PutEol();
            if (s.k == 0) {
                s.Put(1, 1);
                s.Encode1D(row);
                s.k = 3;
            } else {
                s.Put(0, 1);
                s.Encode2D(row);
                --s.k;
            }
            std::memcpy(s.ref, row, static_cast<size_t>(s.rowBytes));
            break;
        case FaxCoding::Group4:
            s.Encode2D(row);
            std::memcpy(s.ref, row, static_cast<size_t>(s.rowBytes));
            break;
    }
    return s.status;
}

int FaxEncoder::Finish() {
    if (!s_) return K_ERR_MEMORY;
    State& s = *s_;
    if (s.o.endOfPage) {
        if (s.o.coding == FaxCoding::Group3OneD || s.o.coding == FaxCoding::Group3TwoD) {
            // RTC: six EOLs (each with a 1-D tag in 2-D coding).
            for (int i = 0; i < 6; ++i) {
                s.PutEol();
                if (s.o.coding == FaxCoding::Group3TwoD) s.Put(1, 1);
            }
        } else if (s.o.coding == FaxCoding::Group4) {
            // EOFB.
            s.Put(kEol, kEolBits);
            s.Put(kEol, kEolBits);
        }
    }
    s.PadToByte();
    return s.status;
}

uint64_t FaxEncoder::bytesWritten() const { return s_ ? s_->written : 0; }
