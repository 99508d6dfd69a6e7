// 1000 saves and loads through memory in one process, across the formats
// with a writer and a reader: the heap's live bytes and the handles held
// after the last are what they were after the first hundred.
#include <windows.h>

#include "hostile_fixture.h"

namespace {

struct Format {
    int code, bits, quality;
};
// Formats that save and load back here (the metafile loads only through GDI).
const Format kFormats[] = {
    {1, 8, 0},    {2, 8, 0},  {3, 24, 0},  {17, 8, 0}, {25, 1, 0},  {4, 24, 0}, {5, 24, 50}, {20, 8, 50}, {10, 24, 50},
    {11, 24, 50}, {6, 24, 0}, {14, 8, 0},  {74, 8, 0}, {16, 24, 0}, {26, 1, 0}, {50, 1, 0},  {51, 1, 0},  {52, 1, 0},
    {53, 1, 0},   {54, 8, 0}, {55, 24, 0}, {56, 8, 0}, {69, 1, 0},  {71, 1, 0}, {77, 1, 0},  {75, 24, 0}, {76, 24, 0},
};

// One save into memory and one load back.
void RoundTrip(BitmapRecord* picture, const Format& f) {
    HGLOBAL memory = nullptr;
    int size = 0;
    ASSERT_EQ(K_SaveBitmapMemory(&memory, picture, f.code, f.bits, f.quality, &size), K_OK) << f.code;
    BitmapRecord back{};
    const void* bytes = GlobalLock(memory);
    const int loaded = K_LoadMemory(bytes, &back, 0, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr, size);
    GlobalUnlock(memory);
    GlobalFree(memory);
    K_FreeBitmap(&back);
    ASSERT_EQ(loaded, K_OK) << f.code;
}

TEST(RoundTrips, AThousandKeepMemoryAndHandlesFlat) {
    BitmapRecord picture{};
    hostile::LoadPicture(&picture);
    const int n = static_cast<int>(std::size(kFormats));
    long long warmHeap = 0;
    int warmHandles = 0;
    for (int i = 0; i < 1000; ++i) {
        RoundTrip(&picture, kFormats[i % n]);
        if (HasFatalFailure()) break;
        if (i == 99) {
            warmHeap = hostile::Meter::LiveHeap();
            warmHandles = HandlesHeld();
        }
    }
    // A leak of even a hundred bytes a trip would show as 90 KB.
    EXPECT_LT(hostile::Meter::LiveHeap() - warmHeap, 32 << 10);
    EXPECT_EQ(HandlesHeld(), warmHandles);
    K_FreeBitmap(&picture);
}

// The meter sees what a call allocates and touches: the checks on it can fail.
TEST(RoundTrips, TheMeterSeesAnAllocation) {
    hostile::Meter meter;
    meter.Start();
    {
        std::vector<char> block(8 << 20, 1);
        ASSERT_EQ(block[12345], 1);
    }
    meter.Stop();
    EXPECT_GE(meter.HeapPeak(), 8 << 20);
    EXPECT_GE(meter.ResidentGrowth(), 7 << 20);
    const long long before = hostile::Meter::LiveHeap();
    auto* kept = new std::vector<char>(1 << 20);
    EXPECT_GE(hostile::Meter::LiveHeap() - before, 1 << 20);
    delete kept;
}

}  // namespace
