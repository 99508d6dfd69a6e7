// The process-wide option block and comment table read by the codecs.
#pragma once

#include "volkg.h"

const OptionBlock& CurrentOptions();

// The stored comment of an index 0..9: its bytes (null when empty) and length.
struct CommentEntry {
    const unsigned char* text;
    unsigned length;
};
CommentEntry GetCommentEntry(unsigned index);
