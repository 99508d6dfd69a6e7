// Piece orders of the transition effects: lines, pairs of lines, frames,
// shift-register dissolves and spirals.
#include "devices/effect_pieces.h"

#include <algorithm>

// 23 bits: 0x420000 (taps 23 and 18) is maximal.
const uint32_t LfsrTapMasks[33] = {
    0x1,       0x1,       0x3,        0x6,        0xC,        0x14,       0x30,     0x60,      0xB8,
    0x110,     0x240,     0x500,      0xCA0,      0x1B00,     0x3500,     0x6000,   0xB400,    0x12000,
    0x20400,   0x72000,   0x90000,    0x140000,   0x300000,   0x420000,   0xD80000, 0x1200000, 0x3880000,
    0x7200000, 0x9000000, 0x14000000, 0x32800000, 0x48000000, 0xA3000000,
};

namespace {

struct Area {
    int L, T, R, B;
    int W() const { return R - L; }
    int H() const { return B - T; }
};

int Paint(EffectPieceSink& sink, int left, int top, int right, int bottom) {
    if (left >= right || top >= bottom) return K_OK;
    return sink.Piece(RECT{left, top, right, bottom});
}

// Index of the k-th unit in pass order: with step s, pass i takes i, i + s, ...
template <typename Unit>
int InPassOrder(int count, int step, EffectPieceSink& sink, Unit unit) {
    for (int pass = 0; pass < step; ++pass)
        for (int k = pass; k < count; k += step) {
            int r = unit(k);
            if (r == K_OK) r = sink.Step();
            if (r != K_OK) return r;
        }
    return K_OK;
}

int Rows(const Area& a, bool reverse, EffectPieceSink& sink) {
    return InPassOrder(a.H(), 1, sink, [&](int y) {
        int t = reverse ? a.H() - y - 1 : y;
        return Paint(sink, a.L, a.T + t, a.R, a.T + t + 1);
    });
}

int Columns(const Area& a, bool reverse, EffectPieceSink& sink) {
    return InPassOrder(a.W(), 1, sink, [&](int x) {
        int t = reverse ? a.W() - x - 1 : x;
        return Paint(sink, a.L + t, a.T, a.L + t + 1, a.B);
    });
}

// Modes: 0 from both edges inward, 1 from the centre outward, 2 the far
// side only (bottom, right), 3 the near side only (top, left). The middle
// line of an odd count is painted once.
int PairCount(int lines, int mode) { return mode == 2 || mode == 3 ? lines : (lines + 1) / 2; }

int RowPairs(const Area& a, int step, int mode, EffectPieceSink& sink) {
    int n = PairCount(a.H(), mode);
    return InPassOrder(n, step, sink, [&](int k) {
        int t = mode == 1 ? n - k - 1 : k;
        int fromStart = a.T + t, fromEnd = a.B - t - 1;
        int r = K_OK;
        if (mode != 2) r = Paint(sink, a.L, fromStart, a.R, fromStart + 1);
        if (r == K_OK && mode != 3 && !(mode != 2 && fromEnd == fromStart))
            r = Paint(sink, a.L, fromEnd, a.R, fromEnd + 1);
        return r;
    });
}

int ColumnPairs(const Area& a, int step, int mode, EffectPieceSink& sink) {
    int n = PairCount(a.W(), mode);
    return InPassOrder(n, step, sink, [&](int k) {
        int t = mode == 1 ? n - k - 1 : k;
        int fromStart = a.L + t, fromEnd = a.R - t - 1;
        int r = K_OK;
        if (mode != 2) r = Paint(sink, fromStart, a.T, fromStart + 1, a.B);
        if (r == K_OK && mode != 3 && !(mode != 2 && fromEnd == fromStart))
            r = Paint(sink, fromEnd, a.T, fromEnd + 1, a.B);
        return r;
    });
}

int FrameCount(const Area& a) { return (std::min(a.W(), a.H()) + 1) / 2; }

// Ring s: left column, right column, top row, bottom row; a column or row
// that coincides with the one before (a ring one pixel wide or high) is
// not painted again.
int Frames(const Area& a, int step, bool reverse, EffectPieceSink& sink) {
    int n = FrameCount(a);
    return InPassOrder(n, step, sink, [&](int k) {
        int s = reverse ? n - k - 1 : k;
        int l = a.L + s, t = a.T + s, r = a.R - s, b = a.B - s;
        if (l >= r || t >= b) return K_OK;
        int result = Paint(sink, l, t, l + 1, b);
        if (result == K_OK && r - 1 > l) result = Paint(sink, r - 1, t, r, b);
        if (result == K_OK) result = Paint(sink, l + 1, t, r - 1, t + 1);
        if (result == K_OK && b - 1 > t) result = Paint(sink, l + 1, b - 1, r - 1, b);
        return result;
    });
}

struct DissolveGrid {
    int64_t cols, rows, cells;
    int bits;  // bit length of cells - 1
};

DissolveGrid GridOf(const Area& a, int cellWidth, int cellHeight) {
    DissolveGrid g;
    g.cols = (a.W() + cellWidth - 1) / cellWidth;
    g.rows = (a.H() + cellHeight - 1) / cellHeight;
    g.cells = g.cols * g.rows;
    g.bits = 0;
    for (uint64_t v = static_cast<uint64_t>(g.cells - 1); v; v >>= 1) ++g.bits;
    return g;
}

// Cells in shift-register order, cell 0 last.
int Dissolve(const Area& a, int cellWidth, int cellHeight, EffectPieceSink& sink) {
    DissolveGrid g = GridOf(a, cellWidth, cellHeight);
    auto cell = [&](int64_t index) {
        int64_t column = index % g.cols, row = index / g.cols;
        int left = a.L + static_cast<int>(column * cellWidth), top = a.T + static_cast<int>(row * cellHeight);
        int r = Paint(sink, left, top, std::min(left + cellWidth, a.R), std::min(top + cellHeight, a.B));
        return r == K_OK ? sink.Step() : r;
    };
    if (g.cells > 1) {
        // A K of more than 2^32 cells cannot be reached by 32-bit GDI coordinates.
        const uint32_t mask = LfsrTapMasks[std::min(g.bits, 32)];
        uint32_t f = 1;
        do {
            if (f / g.cols < g.rows) {
                int r = cell(f);
                if (r != K_OK) return r;
            }
            f = LfsrNext(f, mask);
        } while (f != 1);
    }
    return cell(0);
}

// One ring of a spiral: the area between insets s and p.
struct Ring {
    int l, t, r, b;      // outer edges (inset s)
    int il, it, ir, ib;  // inner edges (inset p), each kept inside the outer
};

Ring RingOf(const Area& a, int s, int p) {
    Ring g;
    g.l = a.L + s, g.t = a.T + s, g.r = a.R - s, g.b = a.B - s;
    g.it = std::min(a.T + p, g.b);
    g.il = std::min(a.L + p, g.r);
    g.ir = std::max(a.R - p, g.il);
    g.ib = std::max(a.B - p, g.it);
    return g;
}

// Columns [from, to) of a strip, rows top..bottom, one column a piece, in
// a direction (1 rising, -1 falling).
int ColumnLines(EffectPieceSink& sink, int from, int to, int direction, int top, int bottom) {
    if (top >= bottom) return K_OK;
    for (int i = 0; i < to - from; ++i) {
        int x = direction > 0 ? from + i : to - 1 - i;
        int r = Paint(sink, x, top, x + 1, bottom);
        if (r == K_OK) r = sink.Step();
        if (r != K_OK) return r;
    }
    return K_OK;
}

// Rows [from, to) of a strip, columns left..right, one row a piece.
int RowLines(EffectPieceSink& sink, int from, int to, int direction, int left, int right) {
    if (left >= right) return K_OK;
    for (int i = 0; i < to - from; ++i) {
        int y = direction > 0 ? from + i : to - 1 - i;
        int r = Paint(sink, left, y, right, y + 1);
        if (r == K_OK) r = sink.Step();
        if (r != K_OK) return r;
    }
    return K_OK;
}

constexpr int kBand = 16;

int SpiralInset(const Area& a) { return std::min((a.H() + 1) / 2, (a.W() + 1) / 2); }

// Clockwise from the outer edge: top strip (full width) left to right,
// right strip top to bottom, bottom strip right to left, left strip bottom
// to top, one line a piece.
int SpiralInRing(const Ring& g, EffectPieceSink& sink) {
    int r = ColumnLines(sink, g.l, g.r, 1, g.t, g.it);
    if (r == K_OK) r = RowLines(sink, g.it, g.b, 1, g.ir, g.r);
    if (r == K_OK) r = ColumnLines(sink, g.l, g.ir, -1, g.ib, g.b);
    if (r == K_OK) r = RowLines(sink, g.it, g.ib, -1, g.l, g.il);
    return r;
}

// From the centre: left strip top to bottom, bottom strip left to right,
// right strip bottom to top, top strip (full width) right to left.
int SpiralOutRing(const Ring& g, EffectPieceSink& sink) {
    int r = RowLines(sink, g.it, g.b, 1, g.l, g.il);
    if (r == K_OK) r = ColumnLines(sink, g.il, g.r, 1, g.ib, g.b);
    if (r == K_OK) r = RowLines(sink, g.it, g.ib, -1, g.ir, g.r);
    if (r == K_OK) r = ColumnLines(sink, g.l, g.r, -1, g.t, g.it);
    return r;
}

int SpiralIn(const Area& a, EffectPieceSink& sink) {
    int limit = SpiralInset(a);
    for (int s = 0; s < limit; s += kBand)
        if (int r = SpiralInRing(RingOf(a, s, s + kBand), sink); r != K_OK) return r;
    return K_OK;
}

int SpiralOut(const Area& a, EffectPieceSink& sink) {
    // Rings counted from the centre, so the outermost one may be thinner.
    for (int p = SpiralInset(a); p > 0; p -= kBand)
        if (int r = SpiralOutRing(RingOf(a, std::max(p - kBand, 0), p), sink); r != K_OK) return r;
    return K_OK;
}

// Counts the steps of an effect without painting.
class StepCounter : public EffectPieceSink {
public:
    int Piece(const RECT&) override { return K_OK; }
    int Step() override {
        ++steps;
        return K_OK;
    }
    int64_t steps = 0;
};

}  // namespace

int RunEffectPieces(unsigned effect, const RECT& k, EffectPieceSink& sink) {
    const Area a{k.left, k.top, k.right, k.bottom};
    if (a.W() <= 0 || a.H() <= 0) return K_OK;
    switch (effect) {
        case 1:
            return Rows(a, false, sink);
        case 2:
            return Rows(a, true, sink);
        case 3:
            return Columns(a, false, sink);
        case 4:
            return Columns(a, true, sink);
        case 5:
            return Dissolve(a, 2, 2, sink);
        case 6:
            return Dissolve(a, 4, 4, sink);
        case 7:
            return Dissolve(a, 8, 8, sink);
        case 8:
            return Dissolve(a, 16, 16, sink);
        case 9:
            return Dissolve(a, a.W(), 1, sink);
        case 10:
            return Dissolve(a, 1, a.H(), sink);
        case 11:
            return ColumnPairs(a, 1, 1, sink);
        case 12:
            return RowPairs(a, 1, 1, sink);
        case 13:
            return RowPairs(a, 8, 1, sink);
        case 14:
            return ColumnPairs(a, 8, 1, sink);
        case 15:
            return Frames(a, 1, false, sink);
        case 16:
            return Frames(a, 1, true, sink);
        case 17:
            return Frames(a, 8, false, sink);
        case 18:
            return Frames(a, 8, true, sink);
        case 19:
            return SpiralIn(a, sink);
        case 20:
            return SpiralOut(a, sink);
        case 21:
            return RowPairs(a, 1, 0, sink);
        case 22:
            return ColumnPairs(a, 1, 0, sink);
        case 23:
            return ColumnPairs(a, 8, 0, sink);
        case 24:
            return RowPairs(a, 8, 0, sink);
        case 25:
            return ColumnPairs(a, 8, 3, sink);
        case 26:
            return ColumnPairs(a, 8, 2, sink);
        case 27:
            return RowPairs(a, 8, 2, sink);
        case 28:
            return RowPairs(a, 8, 3, sink);
        default:
            return K_ERR_ARGUMENT;
    }
}

int64_t CountEffectSteps(unsigned effect, const RECT& k) {
    const Area a{k.left, k.top, k.right, k.bottom};
    if (a.W() <= 0 || a.H() <= 0) return 0;
    switch (effect) {
        case 1:
        case 2:
            return a.H();
        case 3:
        case 4:
            return a.W();
        case 5:
            return GridOf(a, 2, 2).cells;
        case 6:
            return GridOf(a, 4, 4).cells;
        case 7:
            return GridOf(a, 8, 8).cells;
        case 8:
            return GridOf(a, 16, 16).cells;
        case 9:
            return a.H();
        case 10:
            return a.W();
        case 11:
        case 14:
        case 22:
        case 23:
            return PairCount(a.W(), 0);
        case 12:
        case 13:
        case 21:
        case 24:
            return PairCount(a.H(), 0);
        case 25:
        case 26:
            return a.W();
        case 27:
        case 28:
            return a.H();
        case 15:
        case 16:
        case 17:
        case 18:
            return FrameCount(a);
        case 19:
        case 20: {
            StepCounter counter;
            RunEffectPieces(effect, k, counter);
            return counter.steps;
        }
        default:
            return 0;
    }
}
