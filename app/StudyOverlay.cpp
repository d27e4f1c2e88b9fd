#include "app/StudyOverlay.h"

#include <cmath>

namespace {
// Bright and apart from each other, so each layer reads over any picture.
constexpr Pixel LAYER_COLOURS[STUDY_LAYERS] = {0x00FFFF40, 0x0040FFFF, 0x00FF40FF, 0x0040FF40, 0x00FFA040};

void plot(Pixel* picture, int pitch, int x, int y, Pixel colour) {
  if (x < 0 || y < 0 || x >= FRAME_WIDTH || y >= FRAME_HEIGHT) return;
  picture[static_cast<std::ptrdiff_t>(y) * pitch + x] = colour;
}

void line(Pixel* picture, int pitch, double x0, double y0, double x1, double y1, Pixel colour) {
  // A segment far outside the frame (a table window) is drawn only where it crosses it.
  const double steps = std::ceil(std::fmax(std::fabs(x1 - x0), std::fabs(y1 - y0)));
  if (!(steps < 4096.0)) return;
  const int count = static_cast<int>(steps);
  for (int i = 0; i <= count; ++i) {
    const double f = count == 0 ? 0.0 : static_cast<double>(i) / count;
    plot(picture, pitch, static_cast<int>(std::floor(x0 + (x1 - x0) * f)),
         static_cast<int>(std::floor(y0 + (y1 - y0) * f)), colour);
  }
}
}  // namespace

bool StudyOverlay::shows(StudyLayer layer) const { return choice == ALL || choice == static_cast<int>(layer); }

const char* StudyOverlay::nextChoice() {
  choice = choice == ALL ? 0 : choice == NONE ? ALL : choice == STUDY_LAYERS - 1 ? NONE : choice + 1;
  if (choice == ALL) return "all";
  if (choice == NONE) return "none";
  return studyLayerName(static_cast<StudyLayer>(choice));
}

void StudyOverlay::draw(Pixel* picture, int pitch) const {
  if (choice == NONE || report.entry() < 0) return;
  for (const StudyRect& r : report.rects()) {
    if (!shows(r.layer)) continue;
    const Pixel colour = LAYER_COLOURS[static_cast<int>(r.layer)];
    const double right = r.x + r.width - 1.0;
    const double bottom = r.y + r.height - 1.0;
    line(picture, pitch, r.x, r.y, right, r.y, colour);
    line(picture, pitch, r.x, bottom, right, bottom, colour);
    line(picture, pitch, r.x, r.y, r.x, bottom, colour);
    line(picture, pitch, right, r.y, right, bottom, colour);
  }
  for (const StudySegment& s : report.segments())
    if (shows(s.layer)) line(picture, pitch, s.x0, s.y0, s.x1, s.y1, LAYER_COLOURS[static_cast<int>(s.layer)]);
  for (const StudyPoint& p : report.points()) {
    if (!shows(p.layer)) continue;
    const Pixel colour = LAYER_COLOURS[static_cast<int>(p.layer)];
    const int x = static_cast<int>(std::floor(p.x));
    const int y = static_cast<int>(std::floor(p.y));
    // A small plus, so a lattice reads as points rather than as a texture.
    plot(picture, pitch, x, y, colour);
    plot(picture, pitch, x - 1, y, colour);
    plot(picture, pitch, x + 1, y, colour);
    plot(picture, pitch, x, y - 1, colour);
    plot(picture, pitch, x, y + 1, colour);
  }
}
