// The pictures that are added onto a scene (black adds nothing) and the opening caption.

#include <algorithm>
#include <cmath>

#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"
#include "Typesetter.h"

namespace art {

namespace {

struct Circle {
  double x, y, r;
};

// Places circles of the given radii at random without overlap and away from the edges.
std::vector<Circle> scatter(Random& random, int width, int height, int count, double minR, double maxR, double gap) {
  std::vector<Circle> placed;
  for (int attempt = 0; attempt < 20000 && static_cast<int>(placed.size()) < count; ++attempt) {
    const double r = random.range(minR, maxR);
    const Circle c{random.range(r + 3.0, width - r - 3.0), random.range(r + 3.0, height - r - 3.0), r};
    bool free = true;
    for (const Circle& o : placed) {
      const double dx = c.x - o.x, dy = c.y - o.y;
      if (dx * dx + dy * dy < (c.r + o.r + gap) * (c.r + o.r + gap)) {
        free = false;
        break;
      }
    }
    if (free) placed.push_back(c);
  }
  return placed;
}

// The colour scaled down, if need be, so that no channel exceeds `ceiling`: an added picture
// that stays below full scale tints what lies below instead of clipping it to white.
Rgb cappedAt(Rgb c, double ceiling) {
  const double top = std::max({c.r, c.g, c.b});
  return top > ceiling ? c * (ceiling / top) : c;
}

// The most any channel of the title's balls and cubes adds: they are added over the logo and
// the tiles alike, and must tint both rather than wash them out to white.
constexpr double GLASS_CEILING = 90.0;

}  // namespace

// Glowing glass balls: lit from the upper left, dark towards the rim, so that added onto the
// title scene they read as spheres rather than discs.
std::vector<std::uint32_t> drawBalle() {
  constexpr int W = 512, H = 256;
  Layer layer(W, H);
  Random random(0x62616C6C65ull);
  const Rgb colours[] = {palette::SKY, palette::ICE, palette::AMBER, palette::STEEL * 1.5, palette::GOLD};
  const std::vector<Circle> balls = scatter(random, W, H, 24, 9.0, 40.0, 10.0);
  for (const Circle& ball : balls) {
    const Rgb base = colours[random.below(5)] * 0.8;
    const int x0 = static_cast<int>(ball.x - ball.r) - 1, x1 = static_cast<int>(ball.x + ball.r) + 1;
    const int y0 = static_cast<int>(ball.y - ball.r) - 1, y1 = static_cast<int>(ball.y + ball.r) + 1;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const double dx = (x + 0.5 - ball.x) / ball.r, dy = (y + 0.5 - ball.y) / ball.r;
        const double d2 = dx * dx + dy * dy;
        const double a = clamp01((1.0 - std::sqrt(d2)) * ball.r + 0.5);
        if (a <= 0.0) continue;
        const double nz = std::sqrt(std::max(0.0, 1.0 - d2));
        const double lx = -0.45, ly = -0.55, lz = 0.70;
        const double diffuse = clamp01(dx * lx + dy * ly + nz * lz);
        const double hz = lz + 1.0, hl = std::sqrt(lx * lx + ly * ly + hz * hz);
        const double specular = powInt(clamp01((dx * lx + dy * ly + nz * hz) / hl), 40);
        // A faint rim light from below keeps the lower edge visible.
        const double rim = powInt(clamp01(1.0 - nz), 3) * clamp01(dy);
        const Rgb c = base * (0.12 + 0.88 * diffuse) + palette::WHITE * (0.95 * specular) + palette::SKY * (0.35 * rim);
        layer.over(x, y, cappedAt(c, GLASS_CEILING), a);
      }
    }
  }
  return pixelsOnBlack(layer);
}

// Little glass blocks seen from above at an angle: each a cube with a bright top, a middle left
// face and a dark right face, edges picked out in light.
std::vector<std::uint32_t> drawBlockchen() {
  constexpr int W = 512, H = 256;
  Layer layer(W, H);
  Random random(0x626C6F636Bull);
  const Rgb colours[] = {palette::AMBER, palette::COPPER * 1.3, palette::GOLD, palette::SKY, palette::STEEL * 1.6};
  // The cube silhouette is a hexagon of circumradius a around the front-top corner.
  const std::vector<Circle> cubes = scatter(random, W, H, 46, 8.0, 24.0, 8.0);
  for (const Circle& cube : cubes) {
    const Rgb base = colours[random.below(5)] * 0.85;
    const double a = cube.r;
    const double e1x = 0.8660254 * a, e1y = -0.5 * a;  // to the upper right corner
    const double e2x = -0.8660254 * a, e2y = -0.5 * a; // to the upper left corner
    const double e3x = 0.0, e3y = a;                   // to the bottom corner
    auto solve = [](double px, double py, double ax, double ay, double bx, double by, double& s, double& t) {
      const double det = ax * by - ay * bx;
      s = (px * by - py * bx) / det;
      t = (ax * py - ay * px) / det;
      return s >= 0.0 && t >= 0.0 && s <= 1.0 && t <= 1.0;
    };
    const int x0 = static_cast<int>(cube.x - a) - 1, x1 = static_cast<int>(cube.x + a) + 1;
    const int y0 = static_cast<int>(cube.y - a) - 1, y1 = static_cast<int>(cube.y + a) + 1;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        Rgb sum{};
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4.0 - cube.x, py = y + (sy + 0.5) / 4.0 - cube.y;
            double s, t, brightness, edge;
            if (solve(px, py, e1x, e1y, e2x, e2y, s, t)) brightness = 1.0;
            else if (solve(px, py, e2x, e2y, e3x, e3y, s, t)) brightness = 0.62;
            else if (solve(px, py, e1x, e1y, e3x, e3y, s, t)) brightness = 0.34;
            else continue;
            edge = std::min(std::min(s, 1.0 - s), std::min(t, 1.0 - t)) * a;
            const double line = clamp01(1.4 - edge);
            sum = sum + base * brightness + palette::WHITE * (0.45 * line);
            ++hits;
          }
        }
        if (hits > 0) layer.over(x, y, cappedAt(sum * (1.0 / hits), GLASS_CEILING), hits / 16.0);
      }
    }
  }
  return pixelsOnBlack(layer);
}

// The group's logo, added over the middle band of the plane scene: sky-blue letters that turn
// to amber below their middle line, in a faint cool glow between two fine lines that fade
// towards the sides. Being added, every value stays well below full scale, so the letters keep
// their colours on the lit floor instead of clipping to white.
std::vector<std::uint32_t> drawDirurar() {
  constexpr int W = 512, H = 180;
  constexpr double CEILING = 180.0;  // the most any channel adds
  Layer layer(W, H);
  const Mask glyphs = fitText(Font::SerifBoldItalic, "Dirurar", 468, 112);
  const int gx = (W - glyphs.width) / 2, gy = (H - glyphs.height) / 2 - 4;
  const Mask shape = placed(W, H, glyphs, gx, gy);
  const Mask glow = blur(dilate(shape, 2.0), 14);
  const Mask height = blur(shape, 4);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const double fromMiddle = std::fabs(x + 0.5 - W / 2.0) / (W / 2.0);
      double line = 0.0;
      for (int lineRow : {gy - 10, gy + glyphs.height + 8}) line += clamp01(1.0 - std::fabs(y - lineRow));
      Rgb c = palette::DEEP_BLUE * (0.9 * glow.at(x, y)) + palette::SKY * (0.45 * line * (1.0 - smoothstep(0.2, 0.95, fromMiddle)));
      const double a = shape.at(x, y);
      if (a > 0.0) {
        const Light light = lightFromHeight(height, x, y, 6.0, 20);
        const double t = (y - gy + 0.5) / glyphs.height;
        const Rgb fill = gradient({{0.0, rgb(0x1A8CF0)}, {0.46, rgb(0x1450B0)}, {0.54, rgb(0xE08A08)}, {1.0, rgb(0x9A4604)}}, t);
        c = mix(c, cappedAt(fill * (0.6 + 0.5 * light.diffuse) + palette::ICE * (0.3 * light.specular), CEILING), a);
      }
      layer.set(x, y, c);
    }
  }
  return pixelsOnBlack(layer);
}

// "presents", small and crisp on black: hinted glyphs at their natural size, cool white fading to
// sky blue towards the baseline.
std::vector<std::uint32_t> drawPresents() {
  constexpr int W = 70, H = 20;
  Layer layer(W, H);
  const Mask glyphs = fitText(Font::SansBold, "presents", 66, 16, 0, true);
  const int gx = (W - glyphs.width) / 2, gy = (H - glyphs.height) / 2;
  for (int y = 0; y < glyphs.height; ++y) {
    for (int x = 0; x < glyphs.width; ++x) {
      const Rgb c = mix(palette::WHITE, palette::SKY, static_cast<double>(y) / glyphs.height);
      layer.over(gx + x, gy + y, c, glyphs.at(x, y));
    }
  }
  return pixelsOnBlack(layer);
}

}  // namespace art
