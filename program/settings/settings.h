// The program's settings, read once when the program starts.
#pragma once

#include <string>

#include "settings/paths.h"

// When true, garment pictures stay loaded after composing.
extern bool BigMemory;
extern std::string CaptionFontName;  // "Zuvi"
extern std::string CaptionFontFile;  // "rirezoz.fon"
extern std::string PatternFontName;  // "Ridided"
extern std::string PatternFontFile;  // "metip___.ttf"

// The screen has exactly 16 or 24 bits per pixel: the doll fades.
extern bool SmoothDollAnimation;

// The value BigMemory of the subkey "Pupetta", without creating the subkey.
bool ReadBigMemory();

// Creates the program key, sets ProgramFolder, BigMemory and the font
// names. The program's start calls it first; later calls do nothing.
void InitSettings();

// Registers a font file with the system; true when at least one font was added.
bool AddFontFile(const std::string& path);
// Removes the font resource that AddFontFile added for the same path.
bool RemoveFontFile(const std::string& path);
