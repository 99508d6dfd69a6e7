// Shared helpers of the JPEG decoder tests: peer-made files, our decode of
// them, and how far two pictures lie apart.
#pragma once

#include <string>
#include <vector>

#include "format_fixture.h"

// A picture with edges and texture in every channel (so that the AC
// coefficients are busy), deterministic.
Rgb TexturedPicture(int width, int height);
// Largest difference of one sample between two pictures of one size; -1
// when the sizes differ.
int MaxDifference(const Rgb& a, const Rgb& b);
// Runs one host shell script (many commands at once: quicker under Wine).
void HostScript(const std::string& script);
// cjpeg with the options on the picture: the path of the new file.
std::string PeerJpeg(const Rgb& picture, const std::string& name, const std::string& options);
// The file bytes, and a file from bytes.
std::string Bytes(const std::string& path);
std::string WriteTemp(const std::string& name, const std::string& bytes);
// Decodes through K_DecompressFile into a top-down RGB picture at the
// picture's size (or the given size), 24 bits.
Rgb DecodeRgb(const std::string& path, int* result = nullptr, int width = 0, int height = 0, int colorOrder = 1);
