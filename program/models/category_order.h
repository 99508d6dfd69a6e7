// The order of a garment category: models sorted by title, and the
// neighbours of the current model that the category previews show.
#pragma once

#include <string>
#include <vector>

struct CategoryKey {
    std::string Title;
    std::string FileName;
};

// Titles compare byte by byte, case-sensitive; equal titles by file name,
// so the order does not depend on the order the folder lists its files in.
bool CategoryKeyLess(const CategoryKey& a, const CategoryKey& b);
// Where a new model goes: before the first one that does not sort before it.
std::size_t CategoryInsertPosition(const std::vector<CategoryKey>& sorted, const CategoryKey& key);

// Indices of the models around the current one; -1 for an empty category.
int PreviousModelIndex(int current, int count);        // wraps to the last
int NextModelIndex(int current, int count);            // wraps to 0
int SecondPreviousModelIndex(int current, int count);  // two places back, 0 when that is before the start
