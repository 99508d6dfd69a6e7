// Shared body of the reader fuzz targets: arbitrary bytes, behind a fixed
// signature where one is given (so the search goes into what follows it),
// are loaded from memory when the file-info probe takes them for the
// target's format and the picture it declares fits the pixel budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "io/codecs.h"
#include "io/memory_io.h"
#include "volkg.h"

namespace fuzz {

// Larger inputs are passed over.
constexpr size_t kMaxInput = size_t(1) << 20;
// Pictures declaring more pixels are passed over: they are legitimate, but
// their storage would slow the run and take it past its memory limit.
constexpr long long kPixelBudget = 1 << 22;
// Takes whatever format the probe finds.
constexpr int kAnyFormat = -1;

// The file to load (signature, then the bytes); false when the input is
// passed over.
inline bool Prepare(const uint8_t* data, size_t size, int format, std::string_view signature, std::string& file) {
    if (size < 1 || size > kMaxInput) return false;
    file.assign(signature);
    file.append(reinterpret_cast<const char*>(data), size);
    FileInfoRecord info;
    if (K_FileInfoMemory(file.data(), &info, static_cast<int>(file.size())) != K_OK) return false;
    if (format != kAnyFormat && info.FormatCode != format) return false;
    return std::llabs(static_cast<long long>(info.Width)) * std::llabs(static_cast<long long>(info.Height)) <=
           kPixelBudget;
}

// The depth to load at, picked by the last byte: the file's own or a
// converted one.
inline int Depth(const uint8_t* data, size_t size) {
    static const int kDepths[] = {0, 24, 8, 1};
    return kDepths[data[size - 1] & 3];
}

// A record freed at the end of the input.
struct Bitmap {
    BitmapRecord r;
    Bitmap() { K_InitBitmap(&r, 0, 0, 0); }
    ~Bitmap() { K_FreeBitmap(&r); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
};

// Loads the input through K_LoadMemory when the probe takes it for
// `format`; the first byte picks the GIF reader's whole-image mode.
inline int LoadMemory(const uint8_t* data, size_t size, int format, std::string_view signature = {}) {
    std::string file;
    if (!Prepare(data, size, format, signature, file)) return 0;
    Bitmap b;
    K_LoadMemory(file.data(), &b.r, Depth(data, size), -1, K_LOAD_ALLOCATE | K_LOAD_LOCK | (data[0] & K_LOAD_GIF_WHOLE),
                 nullptr, nullptr, static_cast<int>(file.size()));
    return 0;
}

// Where the row check leaves its sum, so the reads are not optimised away.
inline volatile unsigned g_rowSum;

// Rows delivered by a reader, checked against the record they are for.
inline int KAPI CheckRow(BitmapRecord* bitmap, unsigned char* rows, int count, void* user) {
    auto* delivered = static_cast<int*>(user);
    // Every byte of each row must be readable: a short row shows here.
    unsigned sum = 0;
    for (int i = 0; i < count * bitmap->BytesPerLine; ++i) sum += rows[i];
    g_rowSum = sum;
    *delivered += count;
    return *delivered <= bitmap->Height ? K_OK : K_ERR_SIZE;
}

// Resize while loading: the format's reader into a record of another size
// (picked by the second and third bytes), rows to a checking callback.
inline int LoadResized(const uint8_t* data, size_t size, int format, std::string_view signature = {}) {
    std::string file;
    if (size < 3 || !Prepare(data, size, format, signature, file)) return 0;
    FileInfoRecord info;
    K_FileInfoMemory(file.data(), &info, static_cast<int>(file.size()));
    const LoadEntry* entry = FindLoadEntry(info.FormatCode);
    if (!entry || !entry->reader) return 0;
    Bitmap b;
    K_InitBitmap(&b.r, 1 + data[1] % 97, 1 + data[2] % 89, info.BitsPerPixel);
    MemoryReadScope memory(file.data(), static_cast<int>(file.size()));
    int delivered = 0;
    entry->reader(kWindowFileName, &b.r, CheckRow, Depth(data, size), &delivered);
    return 0;
}

}  // namespace fuzz
