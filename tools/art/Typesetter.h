#pragma once
// Text set with FreeType from the DejaVu fonts into coverage masks.

#include <string>

#include "Canvas.h"

namespace art {

enum class Font { Sans, SansBold, SansBoldOblique, SerifBold, SerifBoldItalic };

// The directory the DejaVu TrueType files are read from (set at build time).
std::string fontPath(Font font);

// The text at the given pixel size (em height), as a mask cropped to its ink; baseline and
// left bearing are not kept. tracking adds pixels between letters.
// Sharp makes one-bit glyphs with full hinting, for text too small to antialias cleanly.
Mask setText(Font font, int pixelSize, const std::string& text, int tracking = 0, bool sharp = false);

// The largest size at which the text's ink fits inside maxWidth x maxHeight.
Mask fitText(Font font, const std::string& text, int maxWidth, int maxHeight, int tracking = 0, bool sharp = false);

}  // namespace art
