// The adaptive frequency model of the byte coder.
#include "jpeg/lzss_coder.h"

namespace lzss {

int FrequencyModel::Init(int count) {
    symbols = count;
    if (!charToSymbol.Allocate(count) || !symbolToChar.Allocate(count + 1) || !frequency.Allocate(count + 1) ||
        !cumulative.Allocate(count + 1)) {
        Free();
        return -1;
    }
    cumulative[count] = 0;
    for (int i = count; i >= 1; --i) {
        charToSymbol[i - 1] = i;
        symbolToChar[i] = i - 1;
        frequency[i] = 1;
        cumulative[i - 1] = cumulative[i] + 1;
    }
    frequency[0] = 0;
    return 1;
}

void FrequencyModel::Free() {
    charToSymbol.Free();
    symbolToChar.Free();
    frequency.Free();
    cumulative.Free();
}

void FrequencyModel::Update(int symbol) {
    if (cumulative[0] >= kMaxTotal) {
        int c = 0;
        for (int i = symbols; i >= 1; --i) {
            cumulative[i] = c;
            frequency[i] = (frequency[i] + 1) / 2;
            c += frequency[i];
        }
        cumulative[0] = c;
    }
    // The lowest symbol of equal frequency takes the count (the sentinel stops the walk).
    int i = symbol;
    while (frequency[i] == frequency[i - 1]) --i;
    if (i < symbol) {
        const int a = symbolToChar[i], b = symbolToChar[symbol];
        symbolToChar[i] = b;
        symbolToChar[symbol] = a;
        charToSymbol[a] = symbol;
        charToSymbol[b] = i;
    }
    ++frequency[i];
    while (--i >= 0) ++cumulative[i];
}

}  // namespace lzss
