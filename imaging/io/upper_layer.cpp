// What core needs from above: the option block's resolution.
#include "core/platform.h"
#include "tiff/options.h"

void OptionResolution(int* x, int* y) {
    const OptionBlock& options = CurrentOptions();
    *x = options.XResolution;
    *y = options.YResolution;
}
