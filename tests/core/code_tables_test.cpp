// The CCITT code tables are held by reference count over the module's
// resources of type 512.
#include <gtest/gtest.h>

#include "fax/code_tables.h"
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

// The sizes the coder reads agree with the resources the build generated.
TEST(CodeTables, SizesAgreeWithTheResources) {
    for (int id = 1; id <= kCodeTableCount; ++id) {
        HRSRC r = FindResourceA(LibraryInstance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(kCodeTableResourceType));
        ASSERT_NE(r, nullptr) << id;
        EXPECT_EQ(SizeofResource(LibraryInstance, r), CodeTableSize(id)) << id;
    }
}

}  // namespace
