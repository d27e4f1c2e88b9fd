#include "platform/TextLine.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <string>

struct TextLine::Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

TextLine::TextLine() = default;

TextLine::~TextLine() {
  if (!font) return;
  if (font->face) FT_Done_Face(font->face);
  if (font->library) FT_Done_FreeType(font->library);
  delete font;
}

bool TextLine::setPixelSize(int pixels) {
  if (unreadable) return false;
  if (pixels == size) return true;
  if (!font) {
    font = new Font;
    const std::string path = std::string(ZOD_MONO_FONT_DIR) + "/DejaVuSansMono.ttf";
    if (FT_Init_FreeType(&font->library) != 0 || FT_New_Face(font->library, path.c_str(), 0, &font->face) != 0) {
      // Said once: the show goes on without its information line.
      std::fprintf(stderr, "zod: cannot read the font %s; the information line stays empty\n", path.c_str());
      unreadable = true;
      return false;
    }
  }
  FT_Face face = font->face;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0 || FT_Load_Char(face, 'M', FT_LOAD_DEFAULT) != 0)
    return false;
  size = pixels;
  cell = static_cast<int>(face->glyph->advance.x >> 6);
  const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  height = ascent - static_cast<int>(face->size->metrics.descender >> 6);
  glyphs.assign(static_cast<std::size_t>(COUNT) * cell * height, 0);
  for (int c = 0; c < COUNT; ++c) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(FIRST + c), FT_LOAD_RENDER) != 0) continue;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int left = face->glyph->bitmap_left;
    const int top = ascent - face->glyph->bitmap_top;
    std::uint8_t* into = glyphs.data() + static_cast<std::size_t>(c) * cell * height;
    for (int y = 0; y < static_cast<int>(bitmap.rows); ++y) {
      if (top + y < 0 || top + y >= height) continue;
      for (int x = 0; x < static_cast<int>(bitmap.width); ++x) {
        if (left + x < 0 || left + x >= cell) continue;
        into[(top + y) * cell + left + x] = bitmap.buffer[y * bitmap.pitch + x];
      }
    }
  }
  return true;
}

void TextLine::draw(const char* text, Pixel* picture, int width) const {
  std::fill(picture, picture + static_cast<std::size_t>(width) * height, Pixel{0});
  if (cell == 0) return;
  int x = 0;
  for (const char* c = text; *c && x + cell <= width; ++c, x += cell) {
    const int index = *c >= FIRST && *c < FIRST + COUNT ? *c - FIRST : '?' - FIRST;
    const std::uint8_t* glyph = glyphs.data() + static_cast<std::size_t>(index) * cell * height;
    for (int y = 0; y < height; ++y)
      for (int gx = 0; gx < cell; ++gx) {
        // Light grey at full coverage: readable, and quieter than the picture above it.
        const Pixel level = glyph[y * cell + gx] * 0xD0u / 255u;
        picture[static_cast<std::size_t>(y) * width + x + gx] = level << 16 | level << 8 | level;
      }
  }
}
