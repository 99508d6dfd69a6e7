// The arithmetic of the program's shading and fading, apart from any
// bitmap: shared by the GDI effects and the portable compositing.
#pragma once

#include <cstdint>

// Lightens (delta >= 0, toward 254) or darkens (toward 0) one channel.
std::uint8_t ShadeChannel(std::uint8_t value, std::int8_t delta);
// True when pixel (x, y) of the level's 8 x 8 pattern is white, level 0-15.
bool DitherPatternWhite(int level, int x, int y);
