// The compress-buffer triple's process-wide stamp setting: the thumbnail
// that the next K_StartCompressBuffer writes after the own format's header
// or as the JFIF head's JFXX segment.
#pragma once

#include "jpeg/jpeg_encoder.h"

// Null clears it. The source must stay valid until the compression starts.
void SetCompressStamp(const StampSource* stamp);
