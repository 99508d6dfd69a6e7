// A category's order by title and the neighbours of its current model.
#include <gtest/gtest.h>

#include <algorithm>

#include "models/category_order.h"

namespace {

std::vector<CategoryKey> InsertAll(std::vector<CategoryKey> found) {
    std::vector<CategoryKey> list;
    for (const CategoryKey& k : found) list.insert(list.begin() + CategoryInsertPosition(list, k), k);
    return list;
}

TEST(CategoryOrder, TitlesByteWiseTiesByFileNameWhateverTheFolderOrder) {
    std::vector<CategoryKey> found = {{"Skirt", "yu03"}, {"Dress", "yu02"}, {"Skirt", "yu01"},
                                      {"dress", "yu04"}, {"Skirt", "yu00"}, {"Apron", "yu05"}};
    const std::vector<std::string> expected = {"yu05", "yu02", "yu00", "yu01", "yu03", "yu04"};
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.FileName < b.FileName; });
    do {
        std::vector<std::string> names;
        for (const CategoryKey& k : InsertAll(found)) names.push_back(k.FileName);
        ASSERT_EQ(names, expected);
    } while (
        std::next_permutation(found.begin(), found.end(), [](auto& a, auto& b) { return a.FileName < b.FileName; }));
}

TEST(CategoryOrder, NeighboursOfTheCurrentModel) {
    struct Case {
        int current, count, previous, next, second;
    } const cases[] = {
        {0, 5, 4, 1, 3}, {1, 5, 0, 2, 4}, {3, 5, 2, 4, 1},    {4, 5, 3, 0, 2}, {0, 1, 0, 0, 0},
        {0, 2, 1, 1, 0}, {1, 2, 0, 0, 1}, {0, 0, -1, -1, -1},  // an empty category has no models to show
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviousModelIndex(c.current, c.count), c.previous) << c.current << "/" << c.count;
        EXPECT_EQ(NextModelIndex(c.current, c.count), c.next) << c.current << "/" << c.count;
        EXPECT_EQ(SecondPreviousModelIndex(c.current, c.count), c.second) << c.current << "/" << c.count;
    }
}

}  // namespace
