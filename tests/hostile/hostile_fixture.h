// Shared pieces of the hostile-input tests: a small test picture and the
// files of every format made from it (by the peer tools where one writes the
// format, by our own writer elsewhere), a meter of the heap's peak and of the
// resident peak around a call, and a watchdog that ends a call that hangs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_tools.h"
#include "volkg.h"

namespace hostile {

// The picture every file is made of: distinctive sides (no byte of a
// header is likely to hold them by chance), gradients and a few flat areas.
constexpr int kWidth = 37, kHeight = 23;

// One real file of a format.
struct FormatFile {
    std::string name;   // what the table calls it
    std::string bytes;  // the whole file
    int code = 0;       // the format code the probe must answer
};

// The test picture as PPM, PGM and PBM files in the test directory.
std::string PicturePpm();
std::string PicturePgm();
std::string PicturePbm();

// The names of the format files, peer-made first, then our own writer's.
std::vector<std::string> FormatNames();
// The file of that name, made now; its bytes stay empty when it could not
// be made (a peer tool absent) or the probe does not take it.
FormatFile MakeFormatFile(const std::string& name);

// A 24-bit record holding the test picture (loaded from the peer's BMP).
void LoadPicture(BitmapRecord* record);

// Heap bytes and resident memory over one call: the heap's live bytes at
// most above where they stood at Start (every allocation of the process,
// counted through the sanitizer allocator's hooks), and the growth of the
// resident set's high-water mark.
class Meter {
public:
    void Start();
    void Stop();
    long long HeapPeak() const { return heapPeak_; }
    long long ResidentGrowth() const { return residentGrowth_; }
    // Live heap bytes now (all of the process).
    static long long LiveHeap();

private:
    long long heapPeak_ = 0, residentGrowth_ = 0, residentStart_ = 0;
};

// Ends the process with the case's name when a call takes over `seconds`:
// a hang shows as a named abort, not as the test's timeout.
class Watchdog {
public:
    Watchdog(const std::string& what, unsigned seconds = 10);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

}  // namespace hostile
