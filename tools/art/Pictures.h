#pragma once
// The show's pictures (image/ShowPictures.h), each drawn by one function, and how each meets what
// lies below it in the show.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ShowPictures.h"

namespace art {

// How a picture meets what lies below it in the show; the contact sheet and the checks use it.
enum class Use {
  Opaque,            // covers everything (textures, the caption)
  Keyed,             // 0x0000FF pixels are left out
  Added,             // added onto the frame; black adds nothing
  BlackShowsThrough  // pure black pixels show the pattern behind
};

struct Picture {
  std::string fileName;
  PictureFormat format;
  Use use;
  int width, height;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top first
};

// One picture for each row of SHOW_PICTURES, in its order; throws std::runtime_error when a row
// has no drawing or a drawing does not fit what the show loads.
std::vector<Picture> drawAllPictures();

// One function per picture; each returns width x height pixels.
std::vector<std::uint32_t> drawTegel1();
std::vector<std::uint32_t> drawTegel3();
std::vector<std::uint32_t> drawWood1();
std::vector<std::uint32_t> drawMetal1();
std::vector<std::uint32_t> drawTitel();
std::vector<std::uint32_t> drawZod4();
std::vector<std::uint32_t> drawHerz();
std::vector<std::uint32_t> drawZod1();
std::vector<std::uint32_t> drawKuven();
std::vector<std::uint32_t> drawEnde();
std::vector<std::uint32_t> drawPresents();
std::vector<std::uint32_t> drawBalle();
std::vector<std::uint32_t> drawBlockchen();
std::vector<std::uint32_t> drawDirurar();
std::vector<std::uint32_t> drawZod13();

}  // namespace art
