// Any format the probe finds, at whatever size its header declares: no
// pixel budget. Storage is a lazily mapped page-file mapping (as under
// Windows), so a picture costs only the pages its rows fill, and a header
// of a few hundred bytes declaring a huge picture must be refused before
// anything is allocated for it. Inputs stay small (64 KB), so that no
// format's greatest expansion takes the run past its memory limit.
#include <cstring>

#include "fuzz_load.h"

namespace {

// Run-length BMP data has no greatest expansion: "end of bitmap" and
// "delta" escapes leave the rest of any picture blank in a few bytes, so a
// small file honestly decodes to a huge picture. Those keep the budget.
bool UnboundedExpansion(const FileInfoRecord& info) {
    const bool bmp = info.FormatCode == K_FORMAT_BMP || info.FormatCode == K_FORMAT_BMP_OS2_1 ||
                     info.FormatCode == K_FORMAT_BMP_OS2_2;
    return bmp && std::strcmp(info.Compression, "None") != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (size_t(64) << 10)) return 0;
    FileInfoRecord info;
    if (K_FileInfoMemory(data, &info, static_cast<int>(size)) == K_OK && UnboundedExpansion(info) &&
        std::llabs(static_cast<long long>(info.Width)) * std::llabs(static_cast<long long>(info.Height)) >
            fuzz::kPixelBudget)
        return 0;
    fuzz::Bitmap b;
    K_LoadMemory(data, &b.r, fuzz::Depth(data, size), -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr,
                 static_cast<int>(size));
    return 0;
}
