// Writes the show's music module: zod-music OUTPUT.xm
#include <cstddef>
#include <cstdio>
#include <exception>

#include "tools/music/Song.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.xm\n", argv[0]);
    return 2;
  }
  try {
    // A new effect's scenes need no music of their own to build; the line says what a musician may
    // want to write. Scenes are numbered as zod --list-scenes numbers them.
    for (const std::size_t scene : music::unplannedScenes())
      std::fprintf(stderr, "zod-music: scene %zu (%.*s) has no part of its own; it plays a bridge\n", scene + 1,
                   static_cast<int>(TIMELINE[scene].effectName.size()), TIMELINE[scene].effectName.data());
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
