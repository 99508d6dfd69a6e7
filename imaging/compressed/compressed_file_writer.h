// The file writer of the compressed family (K_SaveFile codes 5, 10, 11, 20-24).
#pragma once

#include "io/codecs.h"

// 1 or a negative code; the variant and quality come with the request.
int SaveCompressedFile(const SaveRequest& request);
