// The bilevel format's encoder: rows from the save writer, modes chosen
// against the row above, V0 runs counted, modes paired and coded with the
// adaptive models; the row-pair flag bits of sub-types 2 and 3 stand where
// the decoder, having finished a row, reads them.
#include <cstring>
#include <memory>

#include "core/memory.h"
#include "io/codec_kit.h"
#include "jpeg/compressed_header.h"
#include "fax/bilevel_codec.h"
#include "fax/bilevel_rows.h"

namespace bilevel {

namespace {

CodedRowObserver g_observer = nullptr;
void* g_observerUser = nullptr;

void Observe(int y, const uint8_t* row) {
    if (g_observer) g_observer(g_observerUser, y, row);
}

class BitSink {
public:
    explicit BitSink(Output& out) : writer_(out) {}
    void PutBit(int bit) { writer_.Put(static_cast<uint32_t>(bit), 1); }
    void PutBits(unsigned value, int n) { writer_.Put(value, n); }
    // The closing 0x44: complete bytes only are written, so a stream that
    // ends on a byte boundary gets the whole byte and any other its top bits.
    void Finish() { writer_.Put(0x44, 8); }

private:
    BitWriter<true, Output> writer_;
};

// A mode with what follows its pair symbol.
struct Unit {
    int mode = kV0;
    int r1 = 0, r2 = 0, colour = 0;  // horizontal: runs in the colour, then in the other
    int count = 0;                   // repeat
    int flag = -1;                   // a row-pair flag bit written after this mode's extras
};

class ModeWriter {
public:
    ModeWriter(Models& models, BitSink& out) : m_(models), out_(out) {}

    // A mode of the row coder (V0 modes are counted).
    void Send(Unit u) {
        if (u.mode == kV0) {
            if (v0_ == kMaxRepeat) {
                FlushV0();
                u.flag = TakePendingFlag();
                Emit(u);
                return;
            }
            if (v0_ == 0) v0Flag_ = TakePendingFlag();
            ++v0_;
            return;
        }
        FlushV0();
        u.flag = TakePendingFlag();
        Emit(u);
    }

    void FlushV0() {
        if (v0_ >= kRepeatFrom) {
            Unit r;
            r.mode = kRepeat;
            r.count = v0_;
            r.flag = v0Flag_;
            Emit(r);
        } else {
            for (int i = 0; i < v0_; ++i) {
                Unit v;
                v.flag = i == 0 ? v0Flag_ : -1;
                Emit(v);
            }
        }
        v0_ = 0;
        v0Flag_ = -1;
    }

    // A row pair's flag bit; owed: the previous row's closing mode is not sent yet.
    void RowPairFlag(int bit, bool owed) {
        FlushV0();
        if (owed)
            pendingFlag_ = bit;
        else if (open_)
            half_.flag = bit;
        else
            out_.PutBit(bit);
    }

    void Finish() {
        FlushV0();
        if (open_) Emit(Unit{});
        out_.Finish();
    }

private:
    int TakePendingFlag() {
        const int f = pendingFlag_;
        pendingFlag_ = -1;
        return f;
    }

    void Emit(const Unit& u) {
        if (!open_) {
            half_ = u;
            open_ = true;
            return;
        }
        open_ = false;
        if (context_ == 0 || context_ == 8) {
            SmallModel* single = m_.single[context_ == 8 ? 1 : 0];
            EncodeSmallSymbol(single[0], out_, half_.mode, kModeBits);
            EncodeSmallSymbol(single[1], out_, u.mode, kModeBits);
        } else {
            EncodePairSymbol(m_.pairs[context_], m_.nibbles, out_, 16 * half_.mode + u.mode);
        }
        context_ = u.mode;
        Extras(half_);
        Extras(u);
    }

    void Extras(const Unit& u) {
        if (u.mode == kHorizontal) {
            Run(u.r1, u.colour);
            Run(u.r2, !u.colour);
        } else if (u.mode == kRepeat) {
            EncodeSmallSymbol(m_.repeat, out_, u.count, kRepeatBits);
        }
        if (u.flag >= 0) out_.PutBit(u.flag);
    }

    void Run(int r, int colour) {
        SmallModel* d = m_.digits[colour];
        if (r <= 31) {
            EncodeSmallSymbol(d[0], out_, r, kDigitABits);
            return;
        }
        EncodeSmallSymbol(d[0], out_, (r & 31) + 32, kDigitABits);
        if (r <= 511) {
            EncodeSmallSymbol(d[1], out_, r >> 5, kDigitBBits);
            return;
        }
        EncodeSmallSymbol(d[1], out_, ((r >> 5) & 15) + 16, kDigitBBits);
        EncodeSmallSymbol(d[2], out_, r >> 9, kDigitABits);
    }

    Models& m_;
    BitSink& out_;
    int context_ = kInitialContext;
    bool open_ = false;
    Unit half_;
    int v0_ = 0, v0Flag_ = -1;
    int pendingFlag_ = -1;
};

class RowCoder {
public:
    RowCoder(ModeWriter& modes, int width, int subType) : modes_(modes), width_(width), subType_(subType) {}
    bool owed() const { return owed_; }

    // Codes cur against above; cur keeps what the decoder will rebuild.
    void Code(uint8_t* cur, const uint8_t* above, bool lastRow) {
        int a0 = 0, c = 1, sent = 0;
        bool start = true;
        while (a0 < width_) {
            const int b1 = FindB1(above, a0, c, start, width_);
            const int b2 = FindB2(above, b1, c, width_);
            int a1 = FindColour(cur, a0, !c, width_);
            int d = a1 - b1;
            Unit u;
            int next;
            if (b1 == width_ && a1 == width_) {
                u.mode = kV0;
                next = width_;
            } else if (d >= -4 && d <= 4 && !(subType_ > 0 && b1 == width_)) {
                // Lossy sub-types pull an offset of 4 in by one pixel.
                if (subType_ > 0 && (d == 4 || d == -4) && a1 + 1 < width_ && Pixel(cur, a1 + 1) == Pixel(cur, a1)) {
                    if (d == 4 && a1 - 1 > a0) {
                        SetPixel(cur, a1 - 1, !c);
                        --a1;
                        d = 3;
                    } else if (d == -4) {
                        SetPixel(cur, a1, c);
                        ++a1;
                        d = -3;
                    }
                }
                u.mode = kV0 - d;
                next = a1;
            } else if (b2 < a1) {
                u.mode = kPass;
                next = b2;
            } else {
                const int a2 = FindColour(cur, a1, c, width_);
                u.mode = kHorizontal;
                u.r1 = a1 - a0;
                u.r2 = a2 >= width_ ? 0 : a2 - a1;
                u.colour = c;
                next = a2;
            }
            if (start && owed_) {
                // This mode closes the previous row too; the decoder replays
                // it only when it is a vertical or pass mode that ends a row.
                const bool replayed =
                    u.mode < kV0 || u.mode == kPass || (u.mode > kV0 && u.mode < kHorizontal && subType_ > 0);
                if (!replayed) modes_.Send(Unit{});
                owed_ = false;
                modes_.Send(u);
            } else if (u.mode == kV0 && b1 == width_ && sent > 0 && !lastRow) {
                owed_ = true;  // the next row's first mode closes this one
            } else {
                modes_.Send(u);
            }
            ++sent;
            if (u.mode < kHorizontal) c = !c;
            a0 = next;
            start = false;
        }
    }

private:
    ModeWriter& modes_;
    int width_, subType_;
    bool owed_ = false;
};

}  // namespace

void SetCodedRowObserver(CodedRowObserver observer, void* user) {
    g_observer = observer;
    g_observerUser = user;
}

int EncodeBitmap1BitFile(const char* name, BitmapRecord* bitmap, int subType, int flags, SaveRowCallback callback,
                         void* userData) {
    const int width = bitmap->Width, height = bitmap->Height;
    if (width <= 0 || height <= 0) return K_ERR_NOBITMAP;
    if (width > kMaxWidth || height > kMaxHeight) return K_ERR_SIZE;
    SaveWriter writer(bitmap, 1, flags, callback, userData);
    int r = writer.Begin();
    if (r != K_OK) return r;
    Output out;
    if ((r = out.Open(name)) != K_OK) return r;

    CompressedHeader header;
    header.codingFlags = 3;
    header.bitsPerPixel = kBilevelBits;
    header.width = static_cast<uint16_t>(width);
    header.codedHeight = static_cast<uint16_t>(height);
    header.rowOrder = static_cast<uint8_t>(kRowFlag | (bitmap->ViewPerspective == K_TOP_DOWN ? kTopDownFlag : 0) |
                                           (writer.Target().ColorTable[0].rgbRed == 255 ? kWhiteFirstFlag : 0));
    header.quality = static_cast<uint16_t>(subType);
    uint8_t bytes[kCompressedHeaderSize];
    WriteCompressedHeader(header, bytes);
    bytes[5] = 1;  // as every writer of the format sets them
    bytes[9] = 2;
    bytes[11] = 3;
    out.Write(bytes, kCompressedHeaderSize);

    // The row above as coded, the rows of a pair and the row after them; a row
    // past the picture is all 1-bits.
    const int rowBytes = bitmap->BytesPerLine + 1;
    GlobalBuffer buffers(static_cast<size_t>(rowBytes) * 4);
    auto* models = static_cast<Models*>(AllocGlobalLocked(sizeof(Models)));
    std::unique_ptr<Models, void (*)(void*)> modelsOwner(models, FreeGlobalLocked);
    if (!buffers || !models) return K_ERR_MEMORY;
    models->Init();
    uint8_t* above = buffers.get();
    uint8_t* rows[3] = {above + rowBytes, above + 2 * rowBytes, above + 3 * rowBytes};
    std::memset(above, 0xFF, static_cast<size_t>(rowBytes) * 4);
    const int packed = (width + 7) / 8;
    auto fetch = [&](int y, uint8_t* into) {
        if (y >= height) {
            std::memset(into, 0xFF, rowBytes);
            return K_OK;
        }
        const int got = writer.GetRow(y);
        if (got != K_OK) return got == 0 ? K_ERR_READ : got;
        std::memcpy(into, writer.Row(), packed);
        return K_OK;
    };

    BitSink bits(out);
    ModeWriter modes(*models, bits);
    RowCoder coder(modes, width, subType);
    if ((r = fetch(0, rows[0])) != K_OK) return r;
    for (int y = 0; y < height; y += 2) {
        uint8_t* first = rows[0];
        uint8_t* second = rows[1];
        uint8_t* after = rows[2];
        const bool pair = y + 1 < height;
        if (pair && (r = fetch(y + 1, second)) != K_OK) return r;
        if ((r = fetch(y + 2, after)) != K_OK) return r;
        const uint8_t* below = pair ? second : after;
        bool leaveOut = false;
        if (subType >= 2 && pair) {
            leaveOut = MayLeaveOut(first, above, second, width);
            modes.RowPairFlag(leaveOut ? 1 : 0, coder.owed());
        }
        if (!leaveOut) {
            if (subType > 0) SmoothRow(first, above, below, width);
            coder.Code(first, above, !pair);
            Observe(y, first);
            std::memcpy(above, first, packed);
        }
        if (pair) {
            if (subType > 0) SmoothRow(second, above, after, width);
            coder.Code(second, above, y + 2 >= height);
            if (leaveOut && g_observer) {
                RebuildRow(first, above, second, width);
                Observe(y, first);
            }
            Observe(y + 1, second);
            std::memcpy(above, second, packed);
        }
        // The row after the pair starts the next one.
        rows[0] = after;
        rows[2] = first;
    }
    modes.Finish();
    return out.Finish();
}

}  // namespace bilevel
