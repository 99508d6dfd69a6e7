// Replaceable file access: the memory set, the offset and sub-file windows,
// and callers' own callbacks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/memory.h"
#include "core/file_access.h"
#include "io/file_callbacks.h"
#include "io/memory_io.h"
#include "io_test_util.h"

namespace {

// A 24-bit bitmap with a recognisable pattern.
void MakePicture(BitmapRecord* b, int width, int height) {
    ASSERT_EQ(K_InitBitmap(b, width, height, 24), K_OK);
    ASSERT_EQ(K_AllocateBitmap(b, 1), K_OK);
    K_AccessBitmap(b);  // locked once, not mapped again for every pixel
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) K_PutPixelColor(b, y, x, RGB(x * 7, y * 3, (x + y) & 0xFF));
    K_ReleaseBitmap(b);
}

TEST(MemoryIo, ReadAndSeekStayInsideTheBlock) {
    const char data[] = "0123456789";
    MemoryReadScope scope(data, 10);
    int h = FileOpen("ignored", 0x8000, 0x100);
    char buf[32] = {};
    EXPECT_EQ(FileSeek(h, 0, 2), 10);
    EXPECT_EQ(FileSeek(h, -10, 2), 0);
    EXPECT_EQ(FileSeek(h, -3, 2), 7);
    EXPECT_EQ(FileRead(h, buf, 32), 3);
    EXPECT_STREQ(buf, "789");
    EXPECT_EQ(FileSeek(h, 1000, 0), 1000);
    EXPECT_EQ(FileRead(h, buf, 4), 0);  // past the end: nothing
    EXPECT_EQ(FileSeek(h, -50, 1), 950);
    EXPECT_EQ(FileSeek(h, -5000, 1), 0);
    EXPECT_EQ(FileWrite(h, "xx", 2), 2);  // reading mode stores nothing
    EXPECT_EQ(FileRead(h, buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "01");
    EXPECT_EQ(FileClose(h), 0);
    EXPECT_EQ(FileRead(h, buf, 1), 1);  // close rewinds
    EXPECT_EQ(buf[0], '0');
}

TEST(MemoryIo, WritesGrowByStepsAndCloseShrinks) {
    MemoryWriteScope scope;
    int h = FileOpen("ignored", 0x8302, 0x80);
    std::vector<char> chunk(20000, 'a');
    EXPECT_EQ(FileWrite(h, chunk.data(), 20000), 20000);
    EXPECT_EQ(scope.Capacity(), 32768);
    EXPECT_EQ(FileWrite(h, chunk.data(), 20000), 20000);
    EXPECT_EQ(scope.Capacity(), 65536);
    std::vector<char> big(100000, 'b');
    EXPECT_EQ(FileWrite(h, big.data(), 100000), 100000);
    EXPECT_EQ(scope.Capacity(), 65536 + 100000);
    // A seek past the end and a write leave zeros in the gap.
    EXPECT_EQ(FileSeek(h, 10, 2), 140000);
    EXPECT_EQ(FileSeek(h, 140010, 0), 140010);
    EXPECT_EQ(FileWrite(h, "z", 1), 1);
    EXPECT_EQ(scope.Length(), 140011);
    EXPECT_EQ(FileClose(h), 0);
    EXPECT_EQ(scope.Capacity(), 140011);
    HGLOBAL block = scope.Take();
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GlobalSize(block), 140011u);
    auto* p = static_cast<char*>(GlobalLock(block));
    EXPECT_EQ(p[140005], 0);
    EXPECT_EQ(p[140010], 'z');
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(MemoryIo, SaveAndLoadABitmapInMemory) {
    TestBitmap picture;
    MakePicture(picture.get(), 130, 90);  // 35,154 bytes as a 24-bit BMP
    HGLOBAL block = nullptr;
    int size = 0;
    ASSERT_EQ(K_SaveBitmapMemory(&block, picture.get(), 6, 24, 0, &size), K_OK);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 54 + 392 * 90);
    EXPECT_EQ(GlobalSize(block), static_cast<size_t>(size));
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    FileInfoRecord info;
    ASSERT_EQ(K_FileInfoMemory(bytes, &info, size), K_OK);
    EXPECT_EQ(info.FormatCode, 6);
    EXPECT_EQ(info.FileSize, size);
    TestBitmap back;
    ASSERT_EQ(K_LoadBitmapMemory(bytes, back.get(), 0, 1, size), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(back.get()), RecordRgb(picture.get())));
    GlobalUnlock(block);
    GlobalFree(block);

    // A failed save hands out nothing.
    block = reinterpret_cast<HGLOBAL>(1);
    size = 7;
    EXPECT_EQ(K_SaveBitmapMemory(&block, picture.get(), 6, 16, 0, &size), K_ERR_BITS);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0);
}

TEST(OffsetWindow, SaveAtAnOffsetAndLoadBack) {
    TestBitmap picture;
    MakePicture(picture.get(), 21, 13);
    std::string path = TestTempPath("offset_window.bin");
    WriteFileBytes(path, std::string(1000, 'p'));
    int h = DefaultOpen(path.c_str(), 0x8002, 0x180);
    ASSERT_GE(h, 0);
    int size = 0;
    ASSERT_EQ(K_SaveFileOffset(h, 1000, &size, picture.get(), 6, 24, 0, 0, nullptr, nullptr), K_OK);
    EXPECT_EQ(size, 54 + 64 * 13);
    // The handle stays open and usable.
    EXPECT_EQ(DefaultWrite(h, "tail", 4), 4);
    DefaultClose(h);
    std::string file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 1000u + size + 4);
    EXPECT_EQ(file.substr(1000, 2), "BM");
    EXPECT_EQ(file.substr(0, 3), "ppp");

    h = DefaultOpen(path.c_str(), 0x8000, 0x100);
    ASSERT_GE(h, 0);
    TestBitmap back, shortWindow;
    ASSERT_EQ(K_LoadFileOffset(h, 1000, size, back.get(), 0, 1, 3, nullptr, nullptr), K_OK);
    EXPECT_TRUE(SamePixels(RecordRgb(back.get()), RecordRgb(picture.get())));
    // A window shorter than the image: the reader sees a short read.
    EXPECT_EQ(K_LoadFileOffset(h, 1000, size - 100, shortWindow.get(), 0, 1, 3, nullptr, nullptr), K_ERR_READ);
    EXPECT_EQ(shortWindow->Flags & K_ALLOCATED, 0u);
    DefaultClose(h);
}

// A caller's set that counts its calls and the flags it was opened with.
struct Counting {
    static inline int opens = 0, lastFlags = 0, lastPermission = 0;
    static int KAPI Open(const char* name, int flags, int permission) {
        ++opens;
        lastFlags = flags;
        lastPermission = permission;
        return DefaultOpen(name, flags, permission);
    }
};

TEST(Redirect, CallersCallbacksAndRestoreAfterWindows) {
    K_RedirectIO(Counting::Open, nullptr, nullptr, nullptr, nullptr);
    TestBitmap picture, back;
    MakePicture(picture.get(), 6, 4);
    std::string path = TestTempPath("redirect.bmp");
    ASSERT_EQ(K_SaveBitmap(path.c_str(), picture.get(), 6, 24, 0), K_OK);
    EXPECT_EQ(Counting::lastFlags, 0x8302);
    EXPECT_EQ(Counting::lastPermission, 0x80);
    int before = Counting::opens;
    ASSERT_EQ(K_LoadBitmap(path.c_str(), back.get(), 0, 1), K_OK);
    EXPECT_EQ(Counting::opens, before + 2);  // information, then the reader
    EXPECT_EQ(Counting::lastFlags, 0x8000);
    EXPECT_EQ(Counting::lastPermission, 0x100);

    // A memory load in between puts the caller's set back afterwards.
    std::string bytes = ReadFileBytes(path);
    TestBitmap fromMemory;
    ASSERT_EQ(K_LoadBitmapMemory(bytes.data(), fromMemory.get(), 0, 1, static_cast<int>(bytes.size())), K_OK);
    EXPECT_EQ(CurrentFileAccess().open, Counting::Open);

    // So does the end of a sub-file window.
    int h = DefaultOpen(path.c_str(), 0x8000, 0x100);
    BeginSubFileWindow(10, h, 4);
    EXPECT_NE(CurrentFileAccess().open, Counting::Open);
    int sub = FileOpen("x", 0x8000, 0x100);
    EXPECT_EQ(FileSeek(sub, 0, 2), 10);
    EXPECT_EQ(FileSeek(sub, 2, 0), 2);
    EXPECT_EQ(FileSeek(sub, 3, 1), 5);
    EXPECT_EQ(FileClose(sub), 1);
    EndSubFileWindow();
    EXPECT_EQ(CurrentFileAccess().open, Counting::Open);
    DefaultClose(h);

    K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(CurrentFileAccess().open, DefaultOpen);
}

// Writers report -14 when the file cannot be created and -5 on a short write.
struct Failing {
    static int KAPI NoOpen(const char*, int, int) { return -1; }
    static int KAPI ShortWrite(int handle, const void* data, int count) {
        return DefaultWrite(handle, data, count > 1 ? count - 1 : count);
    }
};

TEST(Redirect, WriterFailures) {
    TestBitmap picture;
    MakePicture(picture.get(), 6, 4);
    std::string path = TestTempPath("redirect_fail.bmp");
    K_RedirectIO(Failing::NoOpen, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(K_SaveBitmap(path.c_str(), picture.get(), 6, 24, 0), K_ERR_CREATE);
    TestBitmap b;
    EXPECT_EQ(K_LoadBitmap(path.c_str(), b.get(), 0, 1), K_ERR_OPEN);
    K_RedirectIO(nullptr, nullptr, Failing::ShortWrite, nullptr, nullptr);
    EXPECT_EQ(K_SaveBitmap(path.c_str(), picture.get(), 6, 24, 0), K_ERR_WRITE);
    K_RedirectIO(nullptr, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
