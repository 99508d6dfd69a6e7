// Adaptive Huffman models of the bilevel format. Encoder and decoder
// update the tree alike after every symbol, so it is never sent; a symbol
// not seen yet goes out as the escape code and its value. Nodes keep
// non-increasing weights in index order (the sibling property); a node's
// children are child and child + 1, the odd one coded 0 and the even one 1.
#pragma once

#include <cstdint>
#include <cstring>

namespace bilevel {

// The rebuild halves the weights when the root reaches this.
constexpr int32_t kRebuildWeight = 0x9000;

template <int N>
struct AdaptiveHuffmanModel {
    static constexpr int kEnd = N;         // occupies a leaf, never coded
    static constexpr int kEscape = N + 1;  // followed by a new symbol's value
    static constexpr int kNodes = 2 * (N + 2) - 1;
    struct Node {
        int32_t weight, parent, childIsLeaf, child;
    };
    int32_t leaf[N + 2];
    int32_t nextFree;
    Node nodes[kNodes];

    void Init() {
        for (auto& l : leaf) l = -1;
        std::memset(nodes, 0, sizeof nodes);
        nodes[0] = {2, -1, 0, 1};
        nodes[1] = {1, 0, 1, kEnd};
        nodes[2] = {1, 0, 1, kEscape};
        leaf[kEnd] = 1;
        leaf[kEscape] = 2;
        nextFree = 3;
    }
    bool Has(int symbol) const { return leaf[symbol] != -1; }

    // The code of a symbol in the tree (or of the escape), root first.
    template <class Writer>
    void PutCode(Writer& out, int symbol) const {
        int bits[kNodes];
        int n = 0;
        for (int node = leaf[symbol]; node != 0; node = nodes[node].parent) bits[n++] = (node & 1) == 0;
        while (n > 0) out.PutBit(bits[--n]);
    }
    // Walks from the root by the input bits to a leaf: its symbol.
    template <class Reader>
    int GetCode(Reader& in) const {
        int node = 0;
        while (!nodes[node].childIsLeaf) node = nodes[node].child + in.GetBit();
        return nodes[node].child;
    }

    void Add(int c) {
        const int lightest = nextFree - 1, added = nextFree, zero = nextFree + 1;
        nextFree += 2;
        nodes[added] = nodes[lightest];
        nodes[added].parent = lightest;
        leaf[nodes[added].child] = added;
        nodes[lightest].child = added;
        nodes[lightest].childIsLeaf = 0;
        nodes[zero] = {0, lightest, 1, c};
        leaf[c] = zero;
    }

    void Update(int c) {
        if (nodes[0].weight == kRebuildWeight) Rebuild();
        for (int node = leaf[c]; node != -1; node = nodes[node].parent) {
            const int32_t weight = ++nodes[node].weight;
            int j = node;
            while (j > 0 && nodes[j - 1].weight < weight) --j;
            if (j != node) {
                Swap(node, j);
                node = j;
            }
        }
    }

    void Swap(int i, int j) {
        Repoint(i, j);
        Repoint(j, i);
        Node t = nodes[i];
        nodes[i] = nodes[j];
        nodes[i].parent = t.parent;
        t.parent = nodes[j].parent;
        nodes[j] = t;
    }

    void Rebuild() {
        int j = nextFree - 1;
        for (int i = j; i >= 0; --i) {
            if (nodes[i].childIsLeaf) {
                nodes[j] = nodes[i];
                nodes[j].weight = (nodes[j].weight + 1) / 2;
                --j;
            }
        }
        for (int i = nextFree - 2; j >= 0; i -= 2, --j) {
            const int32_t weight = nodes[i].weight + nodes[i + 1].weight;
            int k = j + 1;
            while (weight < nodes[k].weight) ++k;
            --k;
            std::memmove(&nodes[j], &nodes[j + 1], sizeof(Node) * static_cast<size_t>(k - j));
            nodes[k].weight = weight;
            nodes[k].child = i;
            nodes[k].childIsLeaf = 0;
        }
        for (int i = nextFree - 1; i >= 0; --i) {
            const int k = nodes[i].child;
            if (nodes[i].childIsLeaf) {
                leaf[k] = i;
            } else {
                nodes[k].parent = i;
                nodes[k + 1].parent = i;
            }
        }
    }

private:
    // What refers to node i points at j.
    void Repoint(int i, int j) {
        if (nodes[i].childIsLeaf) {
            leaf[nodes[i].child] = j;
        } else {
            nodes[nodes[i].child].parent = j;
            nodes[nodes[i].child + 1].parent = j;
        }
    }
};

constexpr int kSmallSymbols = 64;   // single modes, run digits, repeat counts, nibbles
constexpr int kLargeSymbols = 188;  // mode pairs 16 x first + second
using SmallModel = AdaptiveHuffmanModel<kSmallSymbols>;
using LargeModel = AdaptiveHuffmanModel<kLargeSymbols>;

// Decoding results besides symbols.
constexpr int kEndSymbol = -2;  // the end leaf was reached
constexpr int kBadSymbol = -3;  // an escape whose value cannot be new here

// A symbol of a small model, raw bits on escape; then the model learns it.
template <class Writer>
void EncodeSmallSymbol(SmallModel& m, Writer& out, int symbol, int rawBits) {
    if (m.Has(symbol)) {
        m.PutCode(out, symbol);
    } else {
        m.PutCode(out, SmallModel::kEscape);
        out.PutBits(static_cast<unsigned>(symbol), rawBits);
        m.Add(symbol);
    }
    m.Update(symbol);
}

template <class Reader>
int DecodeSmallSymbol(SmallModel& m, Reader& in, int rawBits) {
    int symbol = m.GetCode(in);
    if (symbol == SmallModel::kEnd) return kEndSymbol;
    if (symbol == SmallModel::kEscape) {
        symbol = static_cast<int>(in.GetBits(rawBits));
        if (m.Has(symbol)) return kBadSymbol;
        m.Add(symbol);
    }
    m.Update(symbol);
    return symbol;
}

// A mode pair of a large model; a new pair goes out as two nibbles of the
// nibble model.
template <class Writer>
void EncodePairSymbol(LargeModel& m, SmallModel& nibbles, Writer& out, int symbol) {
    if (m.Has(symbol)) {
        m.PutCode(out, symbol);
    } else {
        m.PutCode(out, LargeModel::kEscape);
        EncodeSmallSymbol(nibbles, out, symbol >> 4, 4);
        EncodeSmallSymbol(nibbles, out, symbol & 15, 4);
        m.Add(symbol);
    }
    m.Update(symbol);
}

template <class Reader>
int DecodePairSymbol(LargeModel& m, SmallModel& nibbles, Reader& in) {
    int symbol = m.GetCode(in);
    if (symbol == LargeModel::kEnd) return kEndSymbol;
    if (symbol == LargeModel::kEscape) {
        const int high = DecodeSmallSymbol(nibbles, in, 4);
        if (high < 0) return high;
        const int low = DecodeSmallSymbol(nibbles, in, 4);
        if (low < 0) return low;
        symbol = high << 4 | low;
        if (high > 15 || low > 15 || symbol >= kLargeSymbols || m.Has(symbol)) return kBadSymbol;
        m.Add(symbol);
    }
    m.Update(symbol);
    return symbol;
}

}  // namespace bilevel
