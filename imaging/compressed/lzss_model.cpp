// The adaptive frequency model of the byte coder.
#include "compressed/lzss_coder.h"

namespace lzss {

int FrequencyModel::Init(int count) {
    symbols = count;
    if (!charToSymbol.Allocate(count) || !symbolToChar.Allocate(count + 1) || !frequency.Allocate(count + 1) ||
        !tree_.Allocate(count + 1)) {
        Free();
        return -1;
    }
    for (int i = count; i >= 1; --i) {
        charToSymbol[i - 1] = i;
        symbolToChar[i] = i - 1;
        frequency[i] = 1;
    }
    frequency[0] = 0;
    topStep_ = 1;
    while (topStep_ * 2 <= count) topStep_ *= 2;
    BuildTree();
    return 1;
}

void FrequencyModel::Free() {
    charToSymbol.Free();
    symbolToChar.Free();
    frequency.Free();
    tree_.Free();
}

void FrequencyModel::BuildTree() {
    total_ = 0;
    for (int i = 1; i <= symbols; ++i) {
        tree_[i] = frequency[i];
        total_ += frequency[i];
    }
    for (int i = 1; i <= symbols; ++i) {
        const int parent = i + (i & -i);
        if (parent <= symbols) tree_[parent] += tree_[i];
    }
}

int FrequencyModel::FindSymbol(uint32_t x, int* cumulative) const {
    // cumulative(s) <= x  <=>  Prefix(s) >= total - x.
    if (x >= static_cast<uint32_t>(total_)) {
        *cumulative = total_ - frequency[1];
        return 1;
    }
    const int target = total_ - static_cast<int>(x);
    int remaining = target;
    int position = 0;
    for (int step = topStep_; step > 0; step >>= 1) {
        const int next = position + step;
        if (next <= symbols && tree_[next] < remaining) {
            position = next;
            remaining -= tree_[next];
        }
    }
    // Prefix(position) = target - remaining; the symbol is position + 1.
    *cumulative = total_ - (target - remaining) - frequency[position + 1];
    return position + 1;
}

void FrequencyModel::Update(int symbol) {
    if (total_ >= kMaxTotal) {
        for (int i = symbols; i >= 1; --i) frequency[i] = (frequency[i] + 1) / 2;
        BuildTree();
    }
    // The lowest symbol of equal frequency takes the count; frequencies fall
    // with the symbol, so it is found by halving.
    const int f = frequency[symbol];
    int lo = frequency[symbol - 1] == f ? 1 : symbol, hi = symbol;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (frequency[mid] > f)
            lo = mid + 1;
        else
            hi = mid;
    }
    const int i = lo;
    if (i < symbol) {
        const int a = symbolToChar[i], b = symbolToChar[symbol];
        symbolToChar[i] = b;
        symbolToChar[symbol] = a;
        charToSymbol[a] = symbol;
        charToSymbol[b] = i;
    }
    ++frequency[i];
    Add(i, 1);
    ++total_;
}

}  // namespace lzss
