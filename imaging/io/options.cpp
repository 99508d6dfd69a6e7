#include "io/options.h"

#include <cstring>

#include "core/bitmap.h"

namespace {

OptionBlock MakeInitialOptions() {
    OptionBlock block{};
    block.XResolution = 150;
    block.YResolution = 150;
    block.TiffFlags = 2;
    return block;
}

OptionBlock g_options = MakeInitialOptions();

}  // namespace

static_assert(sizeof(OptionBlock) == 504, "option block is 126 words");

const OptionBlock& CurrentOptions() { return g_options; }

extern "C" int KAPI K_SetTIFFOption(const OptionBlock* options) {
    if (!options) return K_ERR_ARGUMENT;
    if (options->XResolution < 0 || options->YResolution < 0 || options->PageNumber < 0) return K_ERR_ARGUMENT;
    std::memcpy(&g_options, options, sizeof g_options);
    SetDefaultResolution(g_options.XResolution, g_options.YResolution);
    return K_OK;
}

extern "C" int KAPI K_SetTIFFXYResolution(int x, int y) {
    g_options.XResolution = x;
    g_options.YResolution = y;
    SetDefaultResolution(x, y);
    return x;
}
