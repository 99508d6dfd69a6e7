// A missing table: nothing is held and the count stays 0. Natively the
// resource is taken away; on Windows the tables are looked up in a module
// that has none.
#include <gtest/gtest.h>

#include "fax/code_tables.h"
#include "core/platform.h"
#include "volkg.h"

namespace {

TEST(CodeTables, MissingTableHoldsNothing) {
    ASSERT_EQ(CodeTableRefCount(), 0);
#ifdef _WIN32
    HINSTANCE saved = LibraryInstance;
    LibraryInstance = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(K_Create1BitTable(), K_ERR_MEMORY);
    LibraryInstance = saved;
#else
    HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(512));
    ASSERT_NE(r, nullptr);
    const void* data = LockResource(LoadResource(nullptr, r));
    PortUnregisterResource(512, 5);
    EXPECT_EQ(K_Create1BitTable(), K_ERR_MEMORY);
    PortRegisterResource(512, 5, data, 58880);
#endif
    EXPECT_EQ(CodeTableRefCount(), 0);
    for (int id = 1; id <= 6; ++id) EXPECT_EQ(CcittCodeTable(id), nullptr) << id;
    EXPECT_EQ(K_Create1BitTable(), K_OK);
    EXPECT_EQ(K_Free1BitTable(), 0);
}

}  // namespace
