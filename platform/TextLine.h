#pragma once
// One line of text in DejaVu Sans Mono for the display's information line: the printable ASCII
// glyphs are rasterised with FreeType once per size, and a line is then drawn from them without
// allocating, so a line that changes a few times a second costs a few copies.

#include <cstdint>
#include <vector>

#include "render/Pixel.h"

class TextLine {
 public:
  TextLine();
  ~TextLine();
  TextLine(const TextLine&) = delete;
  TextLine& operator=(const TextLine&) = delete;

  // Makes the glyphs `pixels` high; false when the font cannot be read (nothing is drawn then).
  bool setPixelSize(int pixels);
  int cellWidth() const { return cell; }
  int lineHeight() const { return height; }

  // Draws `text` in light grey on black over a picture `width` x lineHeight() pixels (every pixel
  // written); what does not fit is cut, characters outside printable ASCII show as '?'.
  void draw(const char* text, Pixel* picture, int width) const;

 private:
  static constexpr int FIRST = 32;
  static constexpr int COUNT = 95;

  struct Font;
  Font* font = nullptr;
  bool unreadable = false;
  int size = 0;
  int cell = 0;
  int height = 0;
  // COUNT cells of cell x height coverage values, one after the other.
  std::vector<std::uint8_t> glyphs;
};
