#include "Pictures.h"

#include <stdexcept>
#include <string_view>

namespace art {

namespace {

struct Drawing {
  const ShowPicture* picture;
  Use use;
  std::vector<std::uint32_t> (*draw)();
};

const Drawing DRAWINGS[] = {
    {&TEGEL1, Use::Opaque, drawTegel1},
    {&TEGEL3, Use::Opaque, drawTegel3},
    {&WOOD1, Use::Opaque, drawWood1},
    {&METAL1, Use::Opaque, drawMetal1},
    {&TITEL, Use::BlackShowsThrough, drawTitel},
    {&ZOD4, Use::Keyed, drawZod4},
    {&HERZ, Use::Keyed, drawHerz},
    {&ZOD1, Use::Keyed, drawZod1},
    {&KUVEN, Use::Keyed, drawKuven},
    {&ENDE, Use::Keyed, drawEnde},
    {&PRESENTS, Use::Opaque, drawPresents},
    {&BALLE, Use::Added, drawBalle},
    {&BLOCKCHEN, Use::Added, drawBlockchen},
    {&DIRURAR, Use::Added, drawDirurar},
    {&ZOD13, Use::Keyed, drawZod13},
};

// Every PCX picture is drawn as a 256 x 256 sprite; the table gives only the capacity its rows
// must fit in. JPEG and RAW pictures are drawn at exactly the size the show loads.
constexpr int PCX_SIZE = TEXTURE_SIZE;

const Drawing& drawingFor(const ShowPicture& picture) {
  for (const Drawing& d : DRAWINGS) {
    if (std::string_view(d.picture->name) == picture.name) return d;
  }
  throw std::runtime_error(std::string("no drawing for ") + picture.name);
}

}  // namespace

std::vector<Picture> drawAllPictures() {
  std::vector<Picture> all;
  for (const ShowPicture& wanted : SHOW_PICTURES) {
    const Drawing& drawing = drawingFor(wanted);
    const bool pcx = wanted.format == PictureFormat::Pcx;
    const int width = pcx ? PCX_SIZE : wanted.width;
    const int height = pcx ? PCX_SIZE : wanted.height;
    if (pcx && static_cast<std::size_t>(width) * height > wanted.pixels()) {
      throw std::runtime_error(std::string(wanted.name) + " does not fit the array the show loads it into");
    }
    std::vector<std::uint32_t> pixels = drawing.draw();
    if (pixels.size() != static_cast<std::size_t>(width) * height) {
      throw std::runtime_error(std::string("the drawing of ") + wanted.name + " is not " + std::to_string(width) +
                               " x " + std::to_string(height));
    }
    all.push_back({wanted.name, wanted.format, drawing.use, width, height, std::move(pixels)});
  }
  return all;
}

}  // namespace art
