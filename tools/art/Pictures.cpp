#include "Pictures.h"

namespace art {

std::vector<Picture> drawAllPictures() {
  std::vector<Picture> all;
  auto add = [&](const char* name, FileFormat format, Use use, int width, int height, std::vector<std::uint32_t> pixels) {
    all.push_back({name, format, use, width, height, std::move(pixels)});
  };
  add("tegel1.jpg", FileFormat::Jpeg, Use::Opaque, 256, 256, drawTegel1());
  add("tegel3.jpg", FileFormat::Jpeg, Use::Opaque, 256, 256, drawTegel3());
  add("wood1.jpg", FileFormat::Jpeg, Use::Opaque, 256, 256, drawWood1());
  add("metal1.jpg", FileFormat::Jpeg, Use::Opaque, 256, 256, drawMetal1());
  add("titel.pcx", FileFormat::Pcx, Use::BlackShowsThrough, 256, 256, drawTitel());
  add("zod4.pcx", FileFormat::Pcx, Use::Keyed, 256, 256, drawZod4());
  add("herz.pcx", FileFormat::Pcx, Use::Keyed, 256, 256, drawHerz());
  add("zod1.pcx", FileFormat::Pcx, Use::Keyed, 256, 256, drawZod1());
  add("kuven.pcx", FileFormat::Pcx, Use::Keyed, 256, 256, drawKuven());
  add("ende.pcx", FileFormat::Pcx, Use::Keyed, 256, 256, drawEnde());
  add("presents.raw", FileFormat::Raw, Use::Opaque, 70, 20, drawPresents());
  add("balle.raw", FileFormat::Raw, Use::Added, 512, 256, drawBalle());
  add("blockchen.raw", FileFormat::Raw, Use::Added, 512, 256, drawBlockchen());
  add("dirurar.raw", FileFormat::Raw, Use::Added, 512, 180, drawDirurar());
  add("zod13.raw", FileFormat::Raw, Use::Keyed, 280, 280, drawZod13());
  return all;
}

}  // namespace art
