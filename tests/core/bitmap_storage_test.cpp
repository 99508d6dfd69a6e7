// Allocation, locking, height changes and freeing for every storage kind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/file_access.h"
#include "storage_fixture.h"
#include "volkg.h"

namespace {

int Handle(const BitmapRecord& r) { return FileAccessHandle(r.StorageHandle); }

bool FileExists(const char* name) {
    int h = DefaultOpen(name, K_OPEN_UNTRANSLATED, K_SHARE_READWRITE);
    if (h == -1) return false;
    DefaultClose(h);
    return true;
}

// Rows of a record, whatever its storage, read straight from it.
std::vector<unsigned char> Contents(BitmapRecord& r) {
    std::vector<unsigned char> bytes(r.ImageSize);
    if (r.Flags & K_DISK_STORAGE) {
        DefaultSeek(Handle(r), 0, 0);
        EXPECT_EQ(DefaultRead(Handle(r), bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    } else {
        BitmapLock lock(&r);
        std::memcpy(bytes.data(), r.DataPointer, bytes.size());
    }
    return bytes;
}

void Fill(BitmapRecord& r, const std::vector<unsigned char>& bytes) {
    if (r.Flags & K_DISK_STORAGE) {
        DefaultSeek(Handle(r), 0, 0);
        ASSERT_EQ(DefaultWrite(Handle(r), bytes.data(), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    } else {
        BitmapLock lock(&r);
        std::memcpy(r.DataPointer, bytes.data(), bytes.size());
    }
}

std::vector<unsigned char> Pattern(size_t n) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 7 + 1);
    return v;
}

TEST(BitmapStorage, RefusesEmptyRecordsAndBadKinds) {
    BitmapRecord r;
    K_InitBitmap(&r, 0, 0, 8);
    EXPECT_EQ(K_AllocateBitmap(&r, 7), K_ERR_SIZE);  // size is checked before the kind
    K_InitBitmap(&r, 4, 4, 8);
    for (int kind : {0, 2, 129, 255, 512, -1}) EXPECT_EQ(K_AllocateBitmap(&r, kind), K_ERR_ARGUMENT) << kind;
    EXPECT_EQ(r.Flags, 0u);
}

class StorageKinds : public StorageModeTest {};

TEST_P(StorageKinds, MemoryKindsLockAndUnlock) {
    for (int kind : {K_STORAGE_ANY, K_STORAGE_MEMORY}) {
        BitmapRecord r;
        K_InitBitmap(&r, 10, 6, 24);
        ASSERT_EQ(K_AllocateBitmap(&r, kind), K_OK);
        EXPECT_EQ(r.Flags & K_STORAGE_FLAGS, unsigned(K_ALLOCATED | K_MEMORY_STORAGE));
        EXPECT_EQ(r.DataPointer, nullptr);

        intptr_t address = K_AccessBitmap(&r);
        ASSERT_TRUE(r.Flags & K_LOCKED);
        EXPECT_EQ(address, reinterpret_cast<intptr_t>(r.DataPointer));
        // New storage reads as zero.
        for (unsigned i = 0; i < r.ImageSize; ++i) ASSERT_EQ(r.DataPointer[i], 0) << i;
        // A second access changes nothing; one release undoes both.
        EXPECT_EQ(K_AccessBitmap(&r), static_cast<intptr_t>(r.Flags));
        K_ReleaseBitmap(&r);
        EXPECT_FALSE(r.Flags & K_LOCKED);
        EXPECT_EQ(r.DataPointer, nullptr);
        K_FreeBitmap(&r);
        EXPECT_EQ(r.Flags, 0u);
        EXPECT_EQ(r.Width, 10);  // geometry stays for a new allocation
    }
}

TEST_P(StorageKinds, ContentsSurviveUnlockAndRelock) {
    BitmapRecord r;
    K_InitBitmap(&r, 13, 5, 8);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    auto bytes = Pattern(r.ImageSize);
    Fill(r, bytes);
    EXPECT_EQ(Contents(r), bytes);
    K_FreeBitmap(&r);
}

TEST_P(StorageKinds, LockHelpersKeepTheCallersLock) {
    BitmapRecord r;
    K_InitBitmap(&r, 4, 4, 8);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    K_AccessBitmap(&r);
    int was = AccessBitmapIfNeeded(&r);
    EXPECT_EQ(was, 1);
    ReleaseBitmapIfNeeded(&r, was);
    EXPECT_TRUE(r.Flags & K_LOCKED);
    K_ReleaseBitmap(&r);
    was = AccessBitmapIfNeeded(&r);
    EXPECT_EQ(was, 0);
    EXPECT_TRUE(r.Flags & K_LOCKED);
    ReleaseBitmapIfNeeded(&r, was);
    EXPECT_FALSE(r.Flags & K_LOCKED);
    K_FreeBitmap(&r);
}

TEST_P(StorageKinds, ChangeHeightKeepsRowsAndZeroesNewOnes) {
    for (int kind : {K_STORAGE_ANY, K_STORAGE_DISK}) {
        BitmapRecord r;
        K_InitBitmap(&r, 9, 6, 8);  // 12 bytes per line
        ASSERT_EQ(K_AllocateBitmap(&r, kind), K_OK);
        auto bytes = Pattern(r.ImageSize);
        Fill(r, bytes);

        ASSERT_EQ(K_ChangeBitmapHeight(&r, 4), K_OK);
        EXPECT_EQ(r.Height, 4);
        EXPECT_EQ(r.ImageSize, 48u);
        EXPECT_EQ(r.DibHeader.biHeight, 4);
        EXPECT_EQ(r.DibHeader.biSizeImage, 48u);
        EXPECT_EQ(Contents(r), std::vector<unsigned char>(bytes.begin(), bytes.begin() + 48));

        ASSERT_EQ(K_ChangeBitmapHeight(&r, 10), K_OK);
        auto grown = Contents(r);
        ASSERT_EQ(grown.size(), 120u);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 48, grown.begin()));
        for (size_t i = 48; i < grown.size(); ++i) ASSERT_EQ(grown[i], 0) << "kind " << kind << " byte " << i;
        EXPECT_EQ(r.RowCacheIndex, 0);
        EXPECT_EQ(r.RowCacheOffset, 0);
        K_FreeBitmap(&r);
    }
}

TEST_P(StorageKinds, ChangeHeightRefusals) {
    BitmapRecord r;
    K_InitBitmap(&r, 4, 4, 8);
    EXPECT_EQ(K_ChangeBitmapHeight(nullptr, 3), K_ERR_NOBITMAP);
    EXPECT_EQ(K_ChangeBitmapHeight(&r, 3), K_ERR_NOBITMAP);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    EXPECT_EQ(K_ChangeBitmapHeight(&r, 4), K_OK);
    for (int h : {0, -1, -100}) {
        EXPECT_EQ(K_ChangeBitmapHeight(&r, h), K_ERR_ARGUMENT) << h;
        EXPECT_EQ(r.Height, 4);
        EXPECT_EQ(r.ImageSize, 16u);
    }
    EXPECT_EQ(K_ChangeBitmapHeight(&r, 0x7FFFFFFF), K_ERR_MEMORY);
    EXPECT_EQ(r.Height, 4);
    K_AccessBitmap(&r);
    EXPECT_EQ(K_ChangeBitmapHeight(&r, 2), K_ERR_ARGUMENT);
    K_FreeBitmap(&r);
}

INSTANTIATE_TEST_SUITE_P(Platforms, StorageKinds, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Win32s" : "Mapping"; });

class Win32sStorage : public StorageModeTest {};

TEST_P(Win32sStorage, DiskKindMakesAKrFileThatFreeDeletes) {
    BitmapRecord r;
    K_InitBitmap(&r, 5, 3, 24);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_DISK), K_OK);
    EXPECT_EQ(r.Flags & K_STORAGE_FLAGS, unsigned(K_ALLOCATED | K_DISK_STORAGE));
    ASSERT_NE(r.DataPointer, nullptr);
    std::string name(reinterpret_cast<const char*>(r.DataPointer));
    std::string base = name.substr(name.find_last_of("/\\") + 1);
    EXPECT_EQ(base.substr(0, 2), "KR") << name;
    EXPECT_TRUE(FileExists(name.c_str()));
    // ImageSize + 1 bytes, positioned at the start.
    EXPECT_EQ(DefaultSeek(Handle(r), 0, 2), static_cast<int>(r.ImageSize) + 1);
    // Disk storage has no locked state.
    K_AccessBitmap(&r);
    EXPECT_FALSE(r.Flags & K_LOCKED);
    K_FreeBitmap(&r);
    EXPECT_FALSE(FileExists(name.c_str()));
    EXPECT_EQ(r.DataPointer, nullptr);
    EXPECT_EQ(r.Flags, 0u);
}

// The temporary folder pointed at one that does not exist, for a scope.
class MissingTempFolder {
public:
#ifdef _WIN32
    MissingTempFolder() : had_(GetEnvironmentVariableA("TMP", old_, sizeof old_) > 0) {
        SetEnvironmentVariableA("TMP", "C:\\no-such-folder-of-volkg");
    }
    ~MissingTempFolder() { SetEnvironmentVariableA("TMP", had_ ? old_ : nullptr); }

private:
    char old_[MAX_PATH + 1] = {};
    bool had_;
#else
    MissingTempFolder() {
        if (const char* v = std::getenv("TMPDIR")) old_ = v, had_ = true;
        setenv("TMPDIR", "/no-such-folder-of-volkg", 1);
    }
    ~MissingTempFolder() { had_ ? setenv("TMPDIR", old_.c_str(), 1) : unsetenv("TMPDIR"); }

private:
    std::string old_;
    bool had_ = false;
#endif
};

// A temporary file that cannot be made fails the allocation with -1 and
// leaves INVALID_HANDLE_VALUE (not a null handle) in the record.
TEST_P(Win32sStorage, FailedDiskFileLeavesAnInvalidHandle) {
    BitmapRecord r;
    K_InitBitmap(&r, 5, 3, 24);
    {
        MissingTempFolder missing;
        EXPECT_EQ(K_AllocateBitmap(&r, K_STORAGE_DISK), K_ERR_MEMORY);
    }
    EXPECT_EQ(r.StorageHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(r.Flags & K_STORAGE_FLAGS, 0u);
    K_FreeBitmap(&r);  // nothing to free, nothing closed
}

INSTANTIATE_TEST_SUITE_P(Platforms, Win32sStorage, ::testing::Values(true));

TEST(BitmapStorage, WithoutWin32sEveryKindIsAMapping) {
    bool saved = Win32sMode;
    Win32sMode = false;
    BitmapRecord r;
    K_InitBitmap(&r, 5, 3, 24);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_DISK), K_OK);
    EXPECT_EQ(r.Flags & K_STORAGE_FLAGS, unsigned(K_ALLOCATED | K_MEMORY_STORAGE));
    K_FreeBitmap(&r);
    Win32sMode = saved;
}

TEST(BitmapStorage, FreeDeletesPalettesInEveryState) {
    LOGPALETTE lp{0x300, 1, {{1, 2, 3, 0}}};
    BitmapRecord r;
    K_InitBitmap(&r, 2, 2, 8);
    r.PaletteHandle = CreatePalette(&lp);
    r.FixedPaletteHandle = CreatePalette(&lp);
    ASSERT_TRUE(r.PaletteHandle && r.FixedPaletteHandle);
    HPALETTE stale = r.PaletteHandle;
    K_FreeBitmap(&r);  // never allocated
    EXPECT_EQ(r.PaletteHandle, nullptr);
    EXPECT_EQ(r.FixedPaletteHandle, nullptr);
    EXPECT_EQ(GetPaletteEntries(stale, 0, 0, nullptr), 0u);  // deleted
    BitmapRecord copy = r;
    K_FreeBitmap(&r);  // second time: nothing
    EXPECT_EQ(std::memcmp(&copy, &r, sizeof r), 0);
}

TEST(BitmapStorage, FreeIfAllocatedCanKeepPalettes) {
    LOGPALETTE lp{0x300, 1, {{1, 2, 3, 0}}};
    BitmapRecord r;
    K_InitBitmap(&r, 2, 2, 8);
    ASSERT_EQ(K_AllocateBitmap(&r, K_STORAGE_ANY), K_OK);
    HPALETTE palette = CreatePalette(&lp);
    r.PaletteHandle = palette;
    FreeBitmapIfAllocated(&r, 0);
    EXPECT_EQ(r.Flags, 0u);
    EXPECT_EQ(r.PaletteHandle, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 1u);  // still alive
    DeleteObject(palette);
}

}  // namespace
