// The bilevel format: the library's own compressed 1-bit format. A 24-byte
// compressed-file header (byte 20 = 1), then every row coded against the
// row above in modes (vertical -4..+4, horizontal, pass, repeat of V0),
// sent two at a time and coded with adaptive Huffman models; sub-types 1 to
// 3 smooth the rows first, 2 and 3 may also leave out every second row.
#pragma once

#include <cstdint>

#include "fax/bilevel_huffman.h"
#include "volkg.h"

namespace bilevel {

// Modes.
constexpr int kV0 = 4;  // 0..3 vertical right +4..+1, 5..8 vertical left -1..-4
constexpr int kHorizontal = 9;
constexpr int kPass = 10;
constexpr int kRepeat = 11;  // n V0 modes
constexpr int kInitialContext = 4;
constexpr int kMaxRepeat = 63;   // the repeat-count model's symbols
constexpr int kRepeatFrom = 23;  // shorter V0 runs go out one by one
// Runs of the horizontal mode are at most 31 + 32 x 15 + 512 x 63.
constexpr int kMaxRun = 32767;
// Pictures wider than the longest run could need a run that no mode codes.
constexpr int kMaxWidth = kMaxRun;
constexpr int kMaxHeight = 65535;  // the header's 16-bit field
constexpr int kSubTypes = 4;

// Header byte 21.
constexpr uint8_t kRowFlag = 0x40;  // set by every writer; below it digit C has 3 raw bits
constexpr uint8_t kTopDownFlag = 0x20;
constexpr uint8_t kWhiteFirstFlag = 0x01;  // palette entry 0 is white

// Raw bits of the escapes.
constexpr int kModeBits = 4;
constexpr int kDigitABits = 6;
constexpr int kDigitBBits = 5;
constexpr int kRepeatBits = 6;

// Every model of one file.
struct Models {
    SmallModel digits[2][3];  // [run colour][digit A, B, C]
    SmallModel repeat;
    SmallModel nibbles;
    SmallModel single[2][2];  // [context 0, context 8][first, second mode]
    LargeModel pairs[12];     // by context; 0 and 8 use the single models

    void Init() {
        for (auto& colour : digits)
            for (auto& m : colour) m.Init();
        repeat.Init();
        nibbles.Init();
        for (auto& c : single)
            for (auto& m : c) m.Init();
        for (auto& m : pairs) m.Init();
    }
};

// Tests watch the encoder through this: every row as the decoder will
// rebuild it, by storage row (the lossy sub-types change rows).
using CodedRowObserver = void (*)(void* user, int y, const uint8_t* row);
void SetCodedRowObserver(CodedRowObserver observer, void* user);

// The encoder and decoder (bilevel_encoder.cpp, bilevel_decoder.cpp).
int EncodeBitmap1BitFile(const char* name, BitmapRecord* bitmap, int subType, int flags, SaveRowCallback callback,
                         void* userData);
int DecodeBitmap1BitFile(const char* name, BitmapRecord* bitmap);

}  // namespace bilevel

struct SaveRequest;
// K_SaveFile's writer of format 26: the quality is the sub-type.
int SaveBilevelFile(const SaveRequest& request);

// The driver: encode (encodeFlag != 0) or decode. 1 or a negative code;
// -13 for a sub-type outside 0..3.
int CodeBitmap1BitFile(const char* name, BitmapRecord* bitmap, int encodeFlag, int subType, int flags,
                       SaveRowCallback callback, void* userData);
