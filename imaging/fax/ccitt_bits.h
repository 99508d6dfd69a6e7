// Bit-level helpers shared by the CCITT decoder and encoder.
#pragma once

namespace ccitt {
// The 256-byte table that coded bytes pass through: identity, or every
// byte with its bits in reverse order (fill order 2).
const unsigned char* ByteTranslation(bool reverse);
}  // namespace ccitt
