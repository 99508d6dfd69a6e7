// The CCITT code tables are held by reference count over the module's
// resources of type 512.
#include <gtest/gtest.h>

#include "core/code_tables.h"
#include "core/platform.h"
#include "volkg.h"

namespace {

TEST(CodeTables, HeldByCountAndReleasedAtZero) {
    ASSERT_EQ(CodeTableRefCount(), 0);
    ASSERT_EQ(K_Create1BitTable(), K_OK);
    for (int id = 1; id <= 6; ++id) EXPECT_NE(CcittCodeTable(id), nullptr) << id;
    EXPECT_EQ(K_Create1BitTable(), K_OK);
    EXPECT_EQ(K_Free1BitTable(), 1);
    EXPECT_NE(CcittCodeTable(5), nullptr);
    EXPECT_EQ(K_Free1BitTable(), 0);
    for (int id = 1; id <= 6; ++id) EXPECT_EQ(CcittCodeTable(id), nullptr) << id;
    // More releases than holds do not drive the count below zero.
    EXPECT_EQ(K_Free1BitTable(), 0);
    EXPECT_EQ(K_Create1BitTable(), K_OK);
    EXPECT_EQ(CodeTableRefCount(), 1);
    EXPECT_EQ(K_Free1BitTable(), 0);
}

TEST(CodeTables, SizesOfTheTables) {
    const unsigned expected[] = {5120, 5120, 5120, 5120, 58880, 58880};
    for (int id = 1; id <= 6; ++id) EXPECT_EQ(CodeTableSize(id), expected[id - 1]);
    HRSRC r = FindResourceA(LibraryInstance, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(512));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(LibraryInstance, r), 58880u);
}

}  // namespace
