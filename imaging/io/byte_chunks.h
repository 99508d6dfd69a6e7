// The byte plumbing of the stream coders (LZW, CCITT): coded data comes in
// blocks from a ChunkSource and goes out a byte at a time to a ByteSink.
#pragma once

#include <cstddef>

class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    // The next block: 1 with data and size set, 0 at the end of the data, a
    // negative code when it cannot be read.
    virtual int Next(const unsigned char** data, size_t* size) = 0;
};

// Where coded bytes go, one at a time (an Output, or memory).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // 1, or a negative code (-5 for a short write).
    virtual int Byte(int value) = 0;
};
