#include "models/category_order.h"

#include <algorithm>

bool CategoryKeyLess(const CategoryKey& a, const CategoryKey& b) {
    if (a.Title != b.Title) return a.Title < b.Title;
    return a.FileName < b.FileName;
}

std::size_t CategoryInsertPosition(const std::vector<CategoryKey>& sorted, const CategoryKey& key) {
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (!CategoryKeyLess(sorted[i], key)) return i;
    return sorted.size();
}

int PreviousModelIndex(int current, int count) {
    if (count <= 0) return -1;
    return current - 1 < 0 ? count - 1 : std::min(current - 1, count - 1);
}

int NextModelIndex(int current, int count) {
    if (count <= 0) return -1;
    return current + 1 >= count || current + 1 < 0 ? 0 : current + 1;
}

int SecondPreviousModelIndex(int current, int count) {
    if (count <= 0) return -1;
    int i = current == 1 ? count - 1 : current - 2;
    if (i < -1) i = count - 2;
    return std::clamp(i, 0, count - 1);
}
