#include "Typesetter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

namespace art {

std::string fontPath(Font font) {
  const std::string dir = ZOD_FONT_DIR;
  switch (font) {
    case Font::Sans: return dir + "/DejaVuSans.ttf";
    case Font::SansBold: return dir + "/DejaVuSans-Bold.ttf";
    case Font::SansBoldOblique: return dir + "/DejaVuSans-BoldOblique.ttf";
    case Font::SerifBold: return dir + "/DejaVuSerif-Bold.ttf";
    case Font::SerifBoldItalic: return dir + "/DejaVuSerif-BoldItalic.ttf";
  }
  return dir + "/DejaVuSans.ttf";
}

namespace {

struct Glyph {
  int left, top;  // pen-relative position of the bitmap, y up
  int width, rows;
  std::vector<unsigned char> coverage;
};

class FaceHandle {
 public:
  explicit FaceHandle(Font font) {
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType does not start");
    const std::string path = fontPath(font);
    if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
      FT_Done_FreeType(library_);
      throw std::runtime_error("cannot open the font " + path);
    }
  }
  ~FaceHandle() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  FaceHandle(const FaceHandle&) = delete;
  FaceHandle& operator=(const FaceHandle&) = delete;
  FT_Face face() const { return face_; }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace

Mask setText(Font font, int pixelSize, const std::string& text, int tracking, bool sharp) {
  FaceHandle handle(font);
  FT_Face face = handle.face();
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) throw std::runtime_error("bad font size");

  struct Placed {
    int x, y;  // top-left of the bitmap, y down, relative to the pen start on the baseline
    Glyph glyph;
  };
  std::vector<Placed> placed;
  long penX = 0;  // 26.6 fixed point
  FT_UInt previous = 0;
  const bool kerning = FT_HAS_KERNING(face);
  for (unsigned char ch : text) {
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (kerning && previous != 0 && index != 0) {
      FT_Vector delta;
      FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta);
      penX += delta.x;
    }
    const FT_Int32 load = sharp ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT;
    const FT_Render_Mode mode = sharp ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
    if (FT_Load_Glyph(face, index, load) != 0 || FT_Render_Glyph(face->glyph, mode) != 0) {
      throw std::runtime_error("cannot render a glyph");
    }
    const FT_Bitmap& bm = face->glyph->bitmap;
    Glyph g{face->glyph->bitmap_left, face->glyph->bitmap_top, static_cast<int>(bm.width), static_cast<int>(bm.rows), {}};
    g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
    for (int r = 0; r < g.rows; ++r) {
      for (int c = 0; c < g.width; ++c) {
        const unsigned char* row = bm.buffer + r * bm.pitch;
        g.coverage[static_cast<std::size_t>(r) * g.width + c] =
            bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[c >> 3] >> (7 - (c & 7))) & 1 ? 255 : 0) : row[c];
      }
    }
    const int x = static_cast<int>((penX + 32) >> 6) + g.left;
    placed.push_back({x, -g.top, std::move(g)});
    penX += face->glyph->advance.x + static_cast<long>(tracking) * 64;
    previous = index;
  }

  int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
  for (const Placed& p : placed) {
    for (int r = 0; r < p.glyph.rows; ++r) {
      for (int c = 0; c < p.glyph.width; ++c) {
        if (p.glyph.coverage[static_cast<std::size_t>(r) * p.glyph.width + c] == 0) continue;
        minX = std::min(minX, p.x + c);
        maxX = std::max(maxX, p.x + c);
        minY = std::min(minY, p.y + r);
        maxY = std::max(maxY, p.y + r);
      }
    }
  }
  if (minX > maxX) return Mask(1, 1);
  Mask out(maxX - minX + 1, maxY - minY + 1);
  for (const Placed& p : placed) {
    for (int r = 0; r < p.glyph.rows; ++r) {
      for (int c = 0; c < p.glyph.width; ++c) {
        const double v = p.glyph.coverage[static_cast<std::size_t>(r) * p.glyph.width + c] / 255.0;
        if (v <= 0.0) continue;
        double& cell = out.at(p.x + c - minX, p.y + r - minY);
        cell = std::min(1.0, cell + v);
      }
    }
  }
  return out;
}

Mask fitText(Font font, const std::string& text, int maxWidth, int maxHeight, int tracking, bool sharp) {
  // Ink size grows with the pixel size, so a bisection finds the largest size that fits.
  int lo = 6, hi = 400;
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    const Mask m = setText(font, mid, text, tracking, sharp);
    if (m.width <= maxWidth && m.height <= maxHeight) lo = mid;
    else hi = mid - 1;
  }
  return setText(font, lo, text, tracking, sharp);
}

}  // namespace art
