// Writes the show's music module: zod-music OUTPUT.xm
#include <cstdio>
#include <exception>

#include "tools/music/Song.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.xm\n", argv[0]);
    return 2;
  }
  try {
    if (!xm::saveXm(argv[1], music::composeZod())) {
      std::fprintf(stderr, "cannot write %s\n", argv[1]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
