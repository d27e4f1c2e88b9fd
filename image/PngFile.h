#pragma once
// Writes 0x00RRGGBB pixels as an 8-bit RGB PNG, under a temporary name moved into place at the
// end, so a failed write leaves no file behind. On failure `why`, when given, says what went
// wrong ("the disk is full").

#include <string>

#include "render/Pixel.h"

bool writePngFile(const std::string& path, const Pixel* pixels, int width, int height, std::string* why = nullptr);
