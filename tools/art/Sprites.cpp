// The pictures that are laid over a scene: the title, the emblems, the heart, the wings, the
// skyline strip, the side panel of the square tunnel and the end picture.

#include <algorithm>
#include <cmath>
#include <string>

#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"
#include "Typesetter.h"

namespace art {

namespace {

// How chrome pieces are finished: the colours of lettering and rings from top (0) to bottom (1),
// their highlights, and the width of the dark edge around the lettering (the ring's is half a
// pixel narrower).
struct Finish {
  Rgb (*letters)(double t);
  Rgb (*ring)(double t);
  double letterSpecular;
  double ringSpecular;
  double outline;
};
const Finish POLISHED{palette::chrome, palette::steelRing, 0.8, 0.9, 2.5};
// The title's: lighter colours, soft highlights and a narrower edge, as the scene adds glass
// over it and shows it against a busy pattern.
const Finish TITLE{palette::titleChrome, palette::titleRing, 0.3, 0.3, 1.5};

// Chrome lettering: the text fitted into a box, centred on (cx, cy), with outline and a dark
// block behind it.
void paintChromeText(Layer& layer, Font font, const std::string& text, int boxWidth, int boxHeight, double cx,
                     double cy, int extrude, int tracking = 0, const Finish& finish = POLISHED) {
  const Mask glyphs = fitText(font, text, boxWidth, boxHeight, tracking);
  const int x = static_cast<int>(std::floor(cx - glyphs.width / 2.0 + 0.5));
  const int y = static_cast<int>(std::floor(cy - glyphs.height / 2.0 + 0.5));
  const Mask shape = placed(layer.width, layer.height, glyphs, x, y);
  RaisedStyle style;
  style.outline = finish.outline;
  style.extrude = extrude;
  style.bevelRadius = 2;
  style.depth = 5.0;
  style.specular = finish.letterSpecular;
  paintRaised(
      layer, shape, [&](int, int py) { return finish.letters((py - y + 0.5) / glyphs.height); }, style);
}

// A steel ring lit from the upper left.
void paintSteelRing(Layer& layer, double cx, double cy, double outer, double inner, const Finish& finish = POLISHED) {
  const Mask ring = ringMask(layer.width, layer.height, cx, cy, outer, inner);
  RaisedStyle style;
  style.outline = finish.outline - 0.5;
  style.extrude = 3;
  style.bevelRadius = static_cast<int>((outer - inner) / 3);
  style.depth = 7.0;
  style.specular = finish.ringSpecular;
  paintRaised(
      layer, ring, [&](int, int y) { return finish.ring((y - (cy - outer)) / (2 * outer)); }, style);
}

void paintSmallCaps(Layer& layer, const std::string& text, int boxWidth, int boxHeight, double cx, double cy,
                    Rgb colour, int tracking) {
  const Mask glyphs = fitText(Font::SansBold, text, boxWidth, boxHeight, tracking);
  const int x = static_cast<int>(std::floor(cx - glyphs.width / 2.0 + 0.5));
  const int y = static_cast<int>(std::floor(cy - glyphs.height / 2.0 + 0.5));
  const Mask shape = placed(layer.width, layer.height, glyphs, x, y);
  RaisedStyle style;
  style.outline = 1.5;
  style.bevelRadius = 1;
  style.depth = 2.0;
  style.specular = 0.3;
  paintRaised(layer, shape, [&](int, int) { return colour; }, style);
}

}  // namespace

// "Zod" in chrome inside a steel ring; everything else pure black so the pattern shows.
std::vector<std::uint32_t> drawTitel() {
  Layer layer(256, 256);
  paintSteelRing(layer, 128.0, 128.0, 122.0, 108.0, TITLE);
  paintChromeText(layer, Font::SansBold, "Zod", 228, 130, 126.0, 118.0, 3, 0, TITLE);
  paintSmallCaps(layer, "DIRURAR", 120, 14, 128.0, 196.0, palette::GOLD, 4);
  return pixelsBlackShowsThrough(layer);
}

// A riveted steel ring with "ZOD" across it, open in the middle so the tunnel shows through.
std::vector<std::uint32_t> drawZod4() {
  Layer layer(256, 256);
  const double cx = 128.0, cy = 125.0;
  paintSteelRing(layer, cx, cy, 121.0, 101.0);
  // Rivet heads around the ring.
  for (int k = 0; k < 16; ++k) {
    const double angle = TWO_PI * (k + 0.5) / 16.0;
    const double rx = cx + 111.0 * cosine(angle), ry = cy + 111.0 * sine(angle);
    const Mask rivet = ringMask(256, 256, rx, ry, 4.2, 0.0);
    RaisedStyle style;
    style.outline = 1.2;
    style.bevelRadius = 2;
    style.depth = 4.0;
    paintRaised(layer, rivet, [](int, int) { return palette::GOLD; }, style);
  }
  paintChromeText(layer, Font::SansBold, "ZOD", 236, 100, cx, cy, 5, 2);
  return pixelsKeyed(layer);
}

// A glossy crimson heart with a gold rim, drawn large because the show shrinks it about 2.8
// times without filtering: every feature is at least a few show pixels wide.
std::vector<std::uint32_t> drawHerz() {
  Layer layer(256, 256);
  const double scale = 100.0;
  auto inside = [&](double px, double py) {
    const double x = (px - 128.0) / scale;
    const double y = 1.12 - (py - 26.0) / scale;
    const double a = x * x + y * y - 1.0;
    return a * a * a - x * x * y * y * y <= 0.0;
  };
  const Mask heart = coverage(256, 256, inside);
  const Mask rim = dilate(heart, 7.0);

  RaisedStyle rimStyle;
  rimStyle.outline = 3.5;
  rimStyle.extrude = 4;
  rimStyle.bevelRadius = 3;
  rimStyle.depth = 5.0;
  paintRaised(layer, rim, [](int, int y) { return mix(palette::GOLD, palette::AMBER, y / 256.0); }, rimStyle);

  RaisedStyle body;
  body.outline = 1.5;
  body.outlineColour = palette::DARK_CRIMSON;
  body.bevelRadius = 14;
  body.depth = 22.0;
  body.specular = 0.85;
  body.shininess = 18;
  paintRaised(layer, heart,
              [](int, int y) { return gradient({{0.0, rgb(0xF0405A)}, {0.55, palette::CRIMSON}, {1.0, palette::DARK_CRIMSON}}, y / 240.0); },
              body);
  // A soft window reflection on the left lobe.
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const double dx = (x + 0.5 - 78.0) / 22.0, dy = (y + 0.5 - 62.0) / 13.0;
      const double r = dx * 0.8 + dy * 0.6, s = -dx * 0.6 + dy * 0.8;
      const double glow = clamp01(1.0 - (r * r + s * s)) * heart.at(x, y);
      layer.over(x, y, palette::WHITE, 0.75 * smoothstep(0.0, 0.5, glow));
    }
  }
  return pixelsKeyed(layer);
}

// Two raised wings, each drawn whole inside the columns the heart scene shows of its half: the
// left one in columns 20..110 (shown: 0..114) with its root at the right, the right one as its
// mirror image about the axis between columns 134 and 135, in columns 160..250 (shown:
// 120..255), so that the two halves sit symmetrically around the middle of the frame. Both are
// lit from the upper left like everything else, and the copper arm ends at the root in a round
// shoulder knob. The columns between the wings stay transparent.
std::vector<std::uint32_t> drawZod1() {
  Layer layer(256, 256);
  const double rootX = 98.0, rootY = 120.0, tipX = 56.0, tipY = 14.0;
  auto arm = [&](double s, double& x, double& y) {
    x = lerp(rootX, tipX, s) - 10.0 * sine(PI * s);
    y = lerp(rootY, tipY, s);
  };
  struct Feather {
    double bx, by, dx, dy, length, width;
    Rgb root, tip;
  };
  // Primaries fan out from straight down at the root to well outward at the tip; secondaries,
  // shorter and warmer, lie in front of them.
  std::vector<Feather> feathers;
  const int primaries = 11;
  for (int k = primaries - 1; k >= 0; --k) {  // outer feathers first, so inner ones overlap them
    const double s = 0.02 + 0.98 * k / (primaries - 1);
    double bx, by;
    arm(s, bx, by);
    const double tilt = lerp(0.0, 0.19, s);  // radians outward from straight down
    const double length = lerp(88.0, 190.0, s) - 18.0 * s * s * s;
    const double shade = 0.92 + 0.08 * hashUnit(static_cast<std::uint32_t>(k), 0, 171);
    feathers.push_back({bx, by + 2.0, -sine(tilt), cosine(tilt), length, lerp(10.0, 8.5, s), palette::ICE * shade, palette::WHITE * shade});
  }
  const int secondaries = 8;
  for (int k = secondaries - 1; k >= 0; --k) {
    const double s = 0.02 + 0.8 * k / (secondaries - 1);
    double bx, by;
    arm(s, bx, by);
    const double tilt = lerp(0.02, 0.2, s);
    const double length = lerp(52.0, 104.0, s);
    feathers.push_back({bx - 1.0, by + 6.0, -sine(tilt), cosine(tilt), length, lerp(9.5, 8.0, s), palette::GOLD, palette::ICE});
  }
  const RaisedStyle featherStyle{2.0, 2, 3, 5.0, 0.6, 20, palette::OUTLINE};
  RaisedStyle boneStyle = featherStyle;
  boneStyle.specular = 0.9;

  // The right wing reads every point through the mirror; pixel column k of it is column 268 - k
  // of the left wing, continuous x is 269 - x.
  for (const bool right : {false, true}) {
    auto mirrorX = [&](double x) { return right ? 269.0 - x : x; };
    auto mirrorColumn = [&](int x) { return right ? 268 - x : x; };
    auto mirrorBox = [&](Box b) { return right ? Box{269 - b.x1, b.y0, 269 - b.x0, b.y1} : b; };
    for (const Feather& f : feathers) {
      // A vane that widens a little, then narrows to a blunt point.
      auto halfWidth = [&](double along) {
        const double t = along / f.length;
        return f.width * (t < 0.7 ? 1.0 + 0.15 * t / 0.7 : 1.15 * (1.0 - (t - 0.7) / 0.3 * 0.85));
      };
      auto inside = [&](double px, double py) {
        const double rx = mirrorX(px) - f.bx, ry = py - f.by;
        const double along = rx * f.dx + ry * f.dy;
        const double across = -rx * f.dy + ry * f.dx;
        if (along < 0.0) return across * across + along * along <= f.width * f.width;
        if (along > f.length) return false;
        return std::fabs(across) <= halfWidth(along);
      };
      const double featherTipX = f.bx + f.dx * f.length, featherTipY = f.by + f.dy * f.length;
      const Box area{static_cast<int>(std::min(f.bx, featherTipX) - f.width * 1.2 - 2), static_cast<int>(std::min(f.by, featherTipY) - f.width - 2),
                     static_cast<int>(std::max(f.bx, featherTipX) + f.width * 1.2 + 3), static_cast<int>(std::max(f.by, featherTipY) + f.width + 3)};
      const Mask shape = coverage(256, 256, inside, mirrorBox(area));
      paintRaised(layer, shape,
                  [&](int px, int py) {
                    const double mx = mirrorColumn(px) + 0.5;
                    const double along = (mx - f.bx) * f.dx + (py + 0.5 - f.by) * f.dy;
                    const double across = -(mx - f.bx) * f.dy + (py + 0.5 - f.by) * f.dx;
                    Rgb c = mix(f.root, f.tip, smoothstep(0.0, 0.6, along / f.length));
                    // Barbs: faint slanting lines across the vane, and the quill down the middle.
                    const double barb = 0.5 + 0.5 * sine((along + std::fabs(across) * 1.6) * 1.1);
                    c = c * (0.93 + 0.07 * barb);
                    return mix(c, palette::STEEL, 0.6 * clamp01(1.1 - std::fabs(across)) * (1.0 - along / f.length));
                  },
                  featherStyle);
    }
    // Coverts: short rounded feathers along the arm, and the arm itself on top.
    for (int k = 7; k >= 0; --k) {
      const double s = 0.02 + 0.9 * k / 7.0;
      double bx, by;
      arm(s, bx, by);
      const Mask covert = coverage(256, 256, [&](double px, double py) {
        const double dx = (mirrorX(px) - bx) / 11.0, dy = (py - by - 12.0) / 20.0;
        return dx * dx + dy * dy <= 1.0;
      }, mirrorBox(Box{static_cast<int>(bx) - 13, static_cast<int>(by) - 10, static_cast<int>(bx) + 14, static_cast<int>(by) + 35}));
      paintRaised(layer, covert, [](int, int y) { return mix(palette::GOLD, palette::AMBER, clamp01((y - 10) / 150.0)); },
                  featherStyle);
    }
    const Mask bone = coverage(256, 256, [&](double px, double py) {
      const double x = mirrorX(px);
      for (int i = 0; i <= 40; ++i) {
        double ax, ay;
        arm(i / 40.0, ax, ay);
        const double r = lerp(7.0, 4.5, i / 40.0);
        if ((x - ax) * (x - ax) + (py - ay) * (py - ay) <= r * r) return true;
      }
      return false;
    }, mirrorBox(Box{static_cast<int>(tipX) - 30, static_cast<int>(tipY) - 10, static_cast<int>(rootX) + 12, static_cast<int>(rootY) + 12}));
    paintRaised(layer, bone, [](int, int) { return palette::COPPER; }, boneStyle);
    // The shoulder: a round gold knob that closes the arm at its root.
    const Mask knob = ringMask(256, 256, mirrorX(rootX), rootY, 9.0, 0.0);
    paintRaised(layer, knob, [](int, int y) { return mix(palette::GOLD, palette::AMBER, clamp01((y - 111.0) / 18.0)); }, boneStyle);
  }
  return pixelsKeyed(layer);
}

// A night skyline in rows 176..255 that repeats every 256 columns, for the strip that scrolls
// along the bottom of the sphere scene. Rows above it are transparent. The roof edges catch the
// moon in ice and the lit windows burn near white: they are the scene's brightest lights, as the
// sphere's own walls darken with distance.
std::vector<std::uint32_t> drawKuven() {
  Layer layer(256, 256);
  Random random(0x6B7576656Eull);
  struct Layout {
    int start;
    int minHeight, maxHeight;
    Rgb body;
    double litShare;
  };
  // Each row of buildings starts at its own column, so the wrap-around falls inside a building.
  const Layout layers[] = {{13, 34, 66, rgb(0x1A2A55), 0.18}, {101, 14, 56, rgb(0x0C1330), 0.34}};
  for (const Layout& l : layers) {
    int x = 0;
    while (x < 256) {
      int w = 9 + random.below(20);
      if (256 - (x + w) < 9) w = 256 - x;
      const int h = l.minHeight + random.below(l.maxHeight - l.minHeight + 1);
      const int top = 255 - h;
      const bool antenna = h > l.maxHeight - 16 && random.below(2) == 0;  // its tip stays below row 176
      const int antennaX = x + w / 2;
      for (int col = x; col < x + w; ++col) {
        const int cx = wrap(col + l.start, 256);
        for (int row = top; row < 256; ++row) {
          Rgb c = l.body;
          if (row == top) c = palette::ICE;                                // moonlit roof edge
          else if (col == x) c = mix(l.body, palette::STEEL, 0.35);        // lit left wall
          else if (col == x + w - 1) c = l.body * 0.7;                     // shaded right wall
          // Windows: 2 x 2 in a 4 x 5 grid, some lit.
          const int wx = col - x - 2, wy = row - top - 3;
          if (wx >= 0 && wy >= 0 && col < x + w - 2 && wx % 4 < 2 && wy % 5 < 2 && row < 252) {
            const double chance = hashUnit(static_cast<std::uint32_t>(cx / 4 * 7 + wy / 5), static_cast<std::uint32_t>(row / 5 + l.start), 131);
            if (chance < l.litShare) c = mix(palette::GOLD, rgb(0xFFF6E0), hashUnit(static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(row), 137));
            else c = l.body * 1.25;
          }
          layer.set(cx, row, c);
        }
      }
      if (antenna) {
        const int ax = wrap(antennaX + l.start, 256);
        for (int row = top - 10; row < top; ++row) layer.set(ax, row, palette::STEEL);
        layer.set(ax, top - 11, rgb(0xFF5A4A));
      }
      x += w;
    }
  }
  // The street along the bottom.
  for (int x = 0; x < 256; ++x) {
    for (int row = 252; row < 256; ++row) layer.set(x, row, row == 252 ? palette::STEEL * 0.6 : palette::NIGHT);
  }
  return pixelsKeyed(layer);
}

// The end: a striped sun setting behind a steel horizon, its reflection broken into bars on
// the water, "Ende" in chrome across the horizon and a few stars; the black of the scene shows
// between the stripes and all around.
std::vector<std::uint32_t> drawEnde() {
  Layer layer(256, 256);
  const double sunX = 128.0, sunY = 112.0, sunR = 82.0, horizon = 150.0;
  // The sun, cut into slices that widen towards the horizon.
  auto slice = [&](double y) {
    const double t = (y - 78.0) / (horizon - 78.0);  // 0 where the cuts begin, 1 at the horizon
    if (t < 0.0) return false;
    const double period = 14.0 - 5.0 * t;
    const double phase = (y - 78.0) - std::floor((y - 78.0) / period) * period;
    return phase > period - (1.5 + 5.0 * t);
  };
  const Mask sun = coverage(256, 256, [&](double x, double y) {
    const double dx = x - sunX, dy = y - sunY;
    return y < horizon - 3.0 && dx * dx + dy * dy <= sunR * sunR && !slice(y);
  });
  RaisedStyle sunStyle;
  sunStyle.outline = 1.5;
  sunStyle.bevelRadius = 2;
  sunStyle.depth = 2.5;
  sunStyle.specular = 0.25;
  paintRaised(layer, sun,
              [&](int, int y) {
                return gradient({{0.0, palette::GOLD}, {0.45, palette::AMBER}, {0.8, palette::COPPER}, {1.0, palette::CRIMSON}},
                                (y + 0.5 - (sunY - sunR)) / (horizon - (sunY - sunR)));
              },
              sunStyle);
  // The reflection: bars under the sun, shorter and darker the nearer they come.
  for (int k = 0; k < 5; ++k) {
    const double y = horizon + 8.0 + 9.0 * k + 1.2 * k * k;
    const double half = 70.0 - 13.0 * k;
    const Mask bar = coverage(256, 256, [&](double px, double py) {
      const double dx = std::fabs(px - sunX) - (half - 2.5), dy = py - y;
      return std::fabs(dy) <= 2.5 && (dx <= 0.0 || dx * dx + dy * dy <= 6.25);
    });
    const Rgb colour = mix(palette::AMBER, palette::DARK_COPPER, k / 5.0);
    paintRaised(layer, bar, [&](int, int) { return colour; }, sunStyle);
  }
  // The horizon: a steel rod with rounded ends.
  const Mask rod = coverage(256, 256, [&](double px, double py) {
    const double dx = std::fabs(px - 128.0) - 112.0, dy = py - horizon;
    return std::fabs(dy) <= 2.5 && (dx <= 0.0 || dx * dx + dy * dy <= 6.25);
  });
  RaisedStyle rodStyle = sunStyle;
  rodStyle.specular = 0.9;
  rodStyle.depth = 5.0;
  paintRaised(layer, rod, [](int, int y) { return y < 150 ? palette::ICE : palette::STEEL; }, rodStyle);
  // Stars: small four-pointed sparkles in the night above.
  const double stars[][3] = {{30.0, 30.0, 5.0}, {214.0, 22.0, 6.0}, {232.0, 84.0, 4.0}, {22.0, 104.0, 4.0}, {60.0, 60.0, 3.5}};
  for (const auto& star : stars) {
    const Mask sparkle = coverage(256, 256, [&](double px, double py) {
      const double dx = std::fabs(px - star[0]), dy = std::fabs(py - star[1]);
      return std::sqrt(dx) + std::sqrt(dy) <= std::sqrt(star[2]);
    });
    paintRaised(layer, sparkle, [](int, int) { return palette::ICE; }, sunStyle);
  }
  paintChromeText(layer, Font::SerifBoldItalic, "Ende", 200, 78, 126.0, 184.0, 5);
  paintSmallCaps(layer, "DIRURAR", 110, 13, 128.0, 236.0, palette::GOLD, 4);
  return pixelsKeyed(layer);
}

// The panel at the right of the square tunnel: its left edge is a steel bezel round the tunnel's
// middle, so the tunnel looks out through a porthole; "Z", "O", "D" stand stacked on the panel.
// Columns 100..279 (frame columns 332..511) are opaque everywhere, as the scene draws nothing
// else there.
std::vector<std::uint32_t> drawZod13() {
  constexpr int SIZE = 280;
  Layer layer(SIZE, SIZE);
  // The tunnel's centre, frame (166, 140), is (-66, 140) in this picture.
  const double cx = -66.0, cy = 140.0;
  const double bezelInner = 150.0, bezelOuter = 166.0;
  for (int y = 0; y < SIZE; ++y) {
    for (int x = 0; x < SIZE; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double d = std::sqrt(dx * dx + dy * dy);
      const double a = clamp01(d - bezelOuter + 3.5);
      if (a <= 0.0) continue;
      const double brushed = tiledFbm(x, y, 4, 128, 3, 151, 256.0);
      Rgb c = mix(palette::NIGHT, palette::NAVY, 0.45 + 0.4 * brushed + 0.15 * y / SIZE);
      // A thin inlay line inset from the edges and following the bezel.
      const double inset = std::min({static_cast<double>(SIZE - 1 - x), static_cast<double>(y), static_cast<double>(SIZE - 1 - y), d - bezelOuter});
      c = mix(c, palette::SKY * 0.8, clamp01(1.0 - std::fabs(inset - 8.0)));
      layer.over(x, y, c, a);
    }
  }
  paintSteelRing(layer, cx, cy, bezelOuter, bezelInner);
  const double letterX = 192.0;
  const char* letters[] = {"Z", "O", "D"};
  for (int i = 0; i < 3; ++i) {
    paintChromeText(layer, Font::SansBold, letters[i], 120, 74, letterX, 48.0 + 90.0 * i, 4);
  }
  // Rivets in the panel's corners.
  for (const auto& [rx, ry] : {std::pair{266.0, 16.0}, std::pair{266.0, 264.0}}) {
    const Mask rivet = ringMask(SIZE, SIZE, rx, ry, 4.5, 0.0);
    RaisedStyle style;
    style.outline = 1.2;
    style.bevelRadius = 2;
    style.depth = 4.0;
    paintRaised(layer, rivet, [](int, int) { return palette::STEEL; }, style);
  }
  return pixelsKeyed(layer);
}

}  // namespace art
