#include "ContactSheet.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "Canvas.h"
#include "Typesetter.h"

namespace art {

namespace {

constexpr int GAP = 16;
constexpr int LABEL = 20;
constexpr std::uint32_t BACKGROUND = 0x1C1E24u;

struct Slot {
  int x, y, scale;
};

bool leftOut(const Picture& p, std::uint32_t pixel) {
  if (p.use == Use::Keyed) return pixel == KEY_COLOUR;
  if (p.use == Use::BlackShowsThrough) return pixel == 0;
  return false;
}

const char* useName(Use use) {
  switch (use) {
    case Use::Opaque: return "";
    case Use::Keyed: return "  keyed";
    case Use::Added: return "  added";
    case Use::BlackShowsThrough: return "  black shows through";
  }
  return "";
}

}  // namespace

Sheet contactSheet(const std::vector<Picture>& pictures) {
  // Rows: the four textures and the caption (enlarged), the six 256 x 256 sprites, the two
  // added layers and the panel, the logo.
  const ShowPicture* const rows[][6] = {{&TEGEL1, &TEGEL3, &WOOD1, &METAL1, &PRESENTS},
                                        {&TITEL, &ZOD4, &HERZ, &ZOD1, &KUVEN, &ENDE},
                                        {&BALLE, &BLOCKCHEN, &ZOD13},
                                        {&DIRURAR}};
  std::vector<Slot> slots(pictures.size(), Slot{0, 0, 1});
  int width = 0, y = GAP;
  for (const auto& row : rows) {
    int x = GAP, rowHeight = 0;
    for (const ShowPicture* shown : row) {
      const auto found = std::find_if(pictures.begin(), pictures.end(), [&](const Picture& p) {
        return shown && std::string_view(shown->name) == p.fileName;
      });
      if (found == pictures.end()) continue;
      const Picture& p = *found;
      const int scale = p.width < 100 ? 3 : 1;
      slots[static_cast<std::size_t>(found - pictures.begin())] = {x, y + LABEL, scale};
      x += p.width * scale + GAP;
      rowHeight = std::max(rowHeight, LABEL + p.height * scale);
    }
    width = std::max(width, x);
    y += rowHeight + GAP;
  }
  Sheet sheet{width, y, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * y, BACKGROUND)};

  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const Slot s = slots[i];
    for (int py = 0; py < p.height * s.scale; ++py) {
      for (int px = 0; px < p.width * s.scale; ++px) {
        std::uint32_t pixel = p.pixels[static_cast<std::size_t>(py / s.scale) * p.width + px / s.scale];
        if (leftOut(p, pixel)) pixel = ((px / 8 + py / 8) % 2) ? 0x8A8A8Au : 0x5A5A5Au;
        sheet.pixels[static_cast<std::size_t>(s.y + py) * width + s.x + px] = pixel;
      }
    }
    const Mask label = setText(Font::Sans, 12, p.fileName + useName(p.use));
    for (int ly = 0; ly < label.height; ++ly) {
      for (int lx = 0; lx < label.width && s.x + lx < width; ++lx) {
        const double a = label.at(lx, ly);
        std::uint32_t& target = sheet.pixels[static_cast<std::size_t>(s.y - LABEL + 3 + ly) * width + s.x + lx];
        target = toPixel(mix(rgb(target), rgb(0xE0E4EC), a));
      }
    }
  }
  return sheet;
}

}  // namespace art
