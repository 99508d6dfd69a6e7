// K_CombineBitmap: a rectangle of a source combined into a destination by
// a boolean truth table or per-component arithmetic.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/status.h"
#include "process/combine.h"
#include "core/bitmap.h"
#include "core/bitmap_copy.h"
#include "core/memory.h"

namespace {

constexpr unsigned kAsIs = 0, kInverted = 1, kZeros = 2, kOnes = 3;

int SourcePattern(unsigned field) {
    return field == kAsIs ? 0xCC : field == kInverted ? 0x33 : field == kZeros ? 0 : 0xFF;
}
int DestinationPattern(unsigned field) {
    return field == kAsIs ? 0xAA : field == kInverted ? 0x55 : field == kZeros ? 0 : 0xFF;
}

bool IsAllocated(const BitmapRecord* bitmap) { return bitmap && (bitmap->Flags & K_ALLOCATED); }

// One byte by a truth table: bit 3 for (1, 1), 2 for (1, 0), 1 for (0, 1),
// 0 for (0, 0), source first.
inline unsigned char TruthByte(int table, unsigned s, unsigned d) {
    unsigned r = 0;
    if (table & 8) r |= s & d;
    if (table & 4) r |= s & ~d;
    if (table & 2) r |= ~s & d;
    if (table & 1) r |= ~s & ~d;
    return static_cast<unsigned char>(r);
}

// One component of an arithmetic operation with maximum m.
template <int Op>
inline unsigned Component(unsigned d, unsigned s, unsigned m) {
    switch (Op) {
        case 16:
            return std::min(d + s, m);
        case 17:
            return d > s ? d - s : 0;
        case 18:
            return s > d ? s - d : 0;
        case 19:
            return d * s / m;
        case 20:
            return s == 0 ? m : std::min(d * m / s, m);
        case 21:
            return d == 0 ? m : std::min(s * m / d, m);
        case 22:
            return (d + s) >> 1;
        case 23:
            return std::min(d, s);
        default:
            return std::max(d, s);
    }
}

// The span d (bytes) combined with s at a depth: nibbles at 4 bits, 5-bit
// fields of little-endian words at 16 (bit 15 written 0), bytes otherwise.
template <int Op>
void ArithmeticSpan(unsigned char* d, const unsigned char* s, int bytes, int bits) {
    if (bits == 4) {
        for (int i = 0; i < bytes; ++i) {
            unsigned hi = Component<Op>(d[i] >> 4, s[i] >> 4, 15), lo = Component<Op>(d[i] & 15, s[i] & 15, 15);
            d[i] = static_cast<unsigned char>(hi << 4 | lo);
        }
    } else if (bits == 16) {
        for (int i = 0; i + 1 < bytes; i += 2) {
            unsigned dw = d[i] | d[i + 1] << 8, sw = s[i] | s[i + 1] << 8, w = 0;
            for (int shift = 0; shift <= 10; shift += 5)
                w |= Component<Op>(dw >> shift & 31, sw >> shift & 31, 31) << shift;
            d[i] = static_cast<unsigned char>(w), d[i + 1] = static_cast<unsigned char>(w >> 8);
        }
    } else {
        for (int i = 0; i < bytes; ++i) d[i] = static_cast<unsigned char>(Component<Op>(d[i], s[i], 255));
    }
}

void Arithmetic(int op, unsigned char* d, const unsigned char* s, int bytes, int bits) {
    switch (op) {
        case 16:
            ArithmeticSpan<16>(d, s, bytes, bits);
            break;
        case 17:
            ArithmeticSpan<17>(d, s, bytes, bits);
            break;
        case 18:
            ArithmeticSpan<18>(d, s, bytes, bits);
            break;
        case 19:
            ArithmeticSpan<19>(d, s, bytes, bits);
            break;
        case 20:
            ArithmeticSpan<20>(d, s, bytes, bits);
            break;
        case 21:
            ArithmeticSpan<21>(d, s, bytes, bits);
            break;
        case 22:
            ArithmeticSpan<22>(d, s, bytes, bits);
            break;
        case 23:
            ArithmeticSpan<23>(d, s, bytes, bits);
            break;
        default:
            ArithmeticSpan<24>(d, s, bytes, bits);
            break;
    }
}

void InvertSpan(unsigned char* p, int bytes, int bits) {
    if (bits == 16) {
        // 5-5-5 words: the fields invert, bit 15 stays 0.
        for (int i = 0; i + 1 < bytes; i += 2) {
            p[i] = static_cast<unsigned char>(~p[i]);
            p[i + 1] = static_cast<unsigned char>(~p[i + 1] & 0x7F);
        }
        return;
    }
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(~p[i]);
}

// A half-open range clipped to [0, limit); empty as first >= last.
struct Range {
    int64_t first, last;
    bool Empty() const { return first >= last; }
};

int ReportNothingDone() {
    StatusCallback callback = CurrentStatusCallback();
    if (!callback) return K_OK;
    int result = callback(0);
    return result != K_OK ? result : callback(100);
}

}  // namespace

int CombineFlagsToRop(unsigned int flags, int oneBitDestination) {
    const unsigned source = flags & 15, destination = flags >> 4 & 15, op = flags >> 8 & 15, result = flags >> 12 & 15;
    if (!oneBitDestination && op >= 3 && result <= kInverted) {
        // Arithmetic keeps constant operands as zero spans (inverted for
        // ones): a constant source or destination is still added, halved or
        // divided, never mistaken for a truth table.
        int code = kRopArithmeticBase + static_cast<int>(op) - 3;
        if (source <= kInverted) code |= kRopUsesSource;
        if (destination <= kInverted) code |= kRopUsesDestination;
        if (source == kInverted || source == kOnes) code |= kRopInvertSource;
        if (destination == kInverted || destination == kOnes) code |= kRopInvertDestination;
        if (result == kInverted) code |= kRopInvertResult;
        return code;
    }
    const int s = SourcePattern(source), d = DestinationPattern(destination);
    int p;
    switch (op) {
        case 0:
        case 6:
        case 10:
            p = s & d;
            break;
        case 2:
            p = s ^ d;
            break;
        case 4:
            p = d & ~s;
            break;
        case 5:
            p = s & ~d;
            break;
        case 7:
            p = d;
            break;
        case 8:
            p = s;
            break;
        default:
            p = s | d;
            break;  // OR, ADD, AVERAGE, MAXIMUM
    }
    if (result == kInverted)
        p = ~p;
    else if (result == kZeros)
        p = 0;
    else if (result == kOnes)
        p = 0xFF;
    const int t = p & 0x0F;
    int code = kRopBoolean | t;
    if (t == 12 || t == 3)
        code |= kRopUsesSource;
    else if (t == 10 || t == 5)
        code |= kRopUsesDestination;
    else if (t != 0 && t != 15)
        code |= kRopUsesSource | kRopUsesDestination;
    return code;
}

extern "C" int KAPI K_CombineBitmap(BitmapRecord* destination, int left, int top, int width, int height,
                                    BitmapRecord* source, int sourceLeft, int sourceTop, unsigned int flags) {
    if (!IsAllocated(destination) || !RecordGeometryIsSound(destination)) return K_ERR_ARGUMENT;
    if ((flags & 15) > 3 || (flags >> 4 & 15) > 3 || (flags >> 8 & 15) > 11 || (flags >> 12 & 15) > 3 || flags > 0xFFFF)
        return K_ERR_ARGUMENT;
    const int bits = destination->BitsPerPixel;
    const int code = CombineFlagsToRop(flags, bits == 1);
    const bool boolean = code & kRopBoolean;
    const int table = code & 0x0F;
    if (boolean && table == 10) return ReportNothingDone();
    const bool useSource = code & kRopUsesSource;
    if (useSource && (!IsAllocated(source) || !RecordGeometryIsSound(source) || source->BitsPerPixel != bits))
        return K_ERR_ARGUMENT;

    Range cols, rows;
    int64_t sourceCol = 0, sourceRow = 0;
    if (useSource) {
        cols.first = std::max<int64_t>(static_cast<int64_t>(left) + std::max(0, -sourceLeft), 0);
        cols.last = std::min<int64_t>(
            std::min<int64_t>(static_cast<int64_t>(sourceLeft) + width, source->Width) - sourceLeft + left,
            destination->Width);
        rows.first = std::max<int64_t>(static_cast<int64_t>(top) + std::max(0, -sourceTop), 0);
        rows.last = std::min<int64_t>(
            std::min<int64_t>(static_cast<int64_t>(sourceTop) + height, source->Height) - sourceTop + top,
            destination->Height);
        sourceCol = sourceLeft + (cols.first - left);
        sourceRow = sourceTop + (rows.first - top);
    } else {
        cols.first = std::max(left, 0);
        cols.last = std::min<int64_t>(static_cast<int64_t>(left) + width, destination->Width);
        rows.first = std::max(top, 0);
        rows.last = std::min<int64_t>(static_cast<int64_t>(top) + height, destination->Height);
    }
    if (cols.Empty() || rows.Empty() || width <= 0 || height <= 0) return ReportNothingDone();

    // The span in bytes of the destination row, and where the source bits
    // that line up with its first byte begin.
    const int64_t firstBit = cols.first * bits, endBit = cols.last * bits;
    const int spanFirst = static_cast<int>(firstBit >> 3), spanEnd = static_cast<int>((endBit + 7) >> 3);
    const int spanBytes = spanEnd - spanFirst;
    const int64_t sourceBit = sourceCol * bits - (firstBit & 7);
    unsigned char firstMask = 0xFF, lastMask = 0xFF;
    if (bits == 1) {
        firstMask = static_cast<unsigned char>(0xFF >> (cols.first & 7));
        if (cols.last & 7) lastMask = static_cast<unsigned char>(0xFF << (8 - (cols.last & 7)));
    } else if (bits == 4) {
        if (cols.first & 1) firstMask = 0x0F;
        if (cols.last & 1) lastMask = 0xF0;
    }
    if (spanBytes == 1) firstMask = lastMask = firstMask & lastMask;

    const int destinationBytes = destination->BytesPerLine;
    const int sourceBytes = useSource ? source->BytesPerLine : 0;
    GlobalBuffer destinationRow(static_cast<size_t>(destinationBytes));
    GlobalBuffer sourceRowBuffer(static_cast<size_t>(sourceBytes) + 2);
    GlobalBuffer operand(static_cast<size_t>(spanBytes), true);
    GlobalBuffer work(static_cast<size_t>(spanBytes));
    if (!destinationRow || !sourceRowBuffer || !operand || !work) return K_ERR_MEMORY;

    BitmapLock lockDestination(destination);
    BitmapLock lockSource(useSource ? source : destination);
    // A bitmap combined with itself: rows are read before the rows below
    // them in the loop's order are written.
    const int rowCount = static_cast<int>(rows.last - rows.first);
    const bool upward = useSource && sourceRow < rows.first;
    Progress progress(rowCount);
    int result = progress.Begin();
    const int op = code & 0xFF;
    for (int n = 0; n < rowCount && result == K_OK; ++n) {
        const int i = upward ? rowCount - 1 - n : n;
        const int row = static_cast<int>(rows.first) + i;
        int moved = K_GetBitmapRow(destination, destinationRow.get(), row, destinationBytes);
        if (moved < 0) return moved;
        unsigned char* d = destinationRow.get() + spanFirst;
        unsigned char* s = operand.get();
        if (useSource) {
            unsigned char* raw = sourceRowBuffer.get();
            moved = K_GetBitmapRow(source, raw, static_cast<int>(sourceRow) + i, sourceBytes);
            if (moved < 0) return moved;
            raw[sourceBytes] = raw[sourceBytes + 1] = 0;
            // Source bits realigned to the destination's bit phase.
            const int64_t startByte = sourceBit >> 3;  // -1 when the phase runs ahead
            const int shift = static_cast<int>(sourceBit & 7);
            auto at = [&](int64_t k) -> unsigned { return k < 0 || k >= sourceBytes ? 0u : raw[k]; };
            for (int k = 0; k < spanBytes; ++k) {
                unsigned v = at(startByte + k);
                if (shift) v = (v << shift | at(startByte + k + 1) >> (8 - shift)) & 0xFF;
                s[k] = static_cast<unsigned char>(v);
            }
        }
        const unsigned char firstOld = d[0], lastOld = d[spanBytes - 1];
        unsigned char* w = work.get();
        if (boolean) {
            for (int k = 0; k < spanBytes; ++k) w[k] = TruthByte(table, s[k], d[k]);
        } else {
            if (code & kRopUsesDestination)
                std::memcpy(w, d, spanBytes);
            else
                std::memset(w, 0, spanBytes);
            if (code & kRopInvertDestination) InvertSpan(w, spanBytes, bits);
            if (code & kRopInvertSource) InvertSpan(s, spanBytes, bits);
            Arithmetic(op, w, s, spanBytes, bits);
            if (code & kRopInvertSource) InvertSpan(s, spanBytes, bits);
            if (code & kRopInvertResult) InvertSpan(w, spanBytes, bits);
        }
        std::memcpy(d, w, spanBytes);
        d[0] = static_cast<unsigned char>((d[0] & firstMask) | (firstOld & ~firstMask));
        d[spanBytes - 1] = static_cast<unsigned char>((d[spanBytes - 1] & lastMask) | (lastOld & ~lastMask));
        moved = K_PutBitmapRow(destination, destinationRow.get(), row, destinationBytes);
        if (moved < 0) return moved;
        result = progress.Step();
    }
    return result;
}
