// The PICT reader through memory: the opcode walk, colour tables of any
// size, packed and plain rows, bit maps and several pixel maps in turn.
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::LoadMemory(data, size, 56);
    return fuzz::LoadResized(data, size, 56);
}
