#pragma once
// One review picture of all fifteen, each at its own size with its name; pixels that the show
// leaves out (the key colour, and pure black in the title) are drawn as a grey checkerboard.

#include <cstdint>
#include <vector>

#include "Pictures.h"

namespace art {

struct Sheet {
  int width, height;
  std::vector<std::uint32_t> pixels;
};

Sheet contactSheet(const std::vector<Picture>& pictures);

}  // namespace art
