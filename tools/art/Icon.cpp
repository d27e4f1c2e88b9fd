#include "Icon.h"

#include <algorithm>
#include <cmath>

#include "Palette.h"

namespace art {

namespace {

// Everything below is measured in icon widths (0..1), so one drawing serves every size; only
// strokes that would fall under a pixel are widened to one.
struct Geometry {
  double pixel;  // one pixel, in icon widths
  double margin, corner, border;
  int rings;
  double heartScale, heartRim, heartGap;
  bool highlight;
};

Geometry geometryFor(int size) {
  Geometry g{};
  g.pixel = 1.0 / size;
  g.margin = size >= 48 ? 0.03 : 0.0;
  g.corner = 0.19;
  g.border = std::max(0.018, g.pixel);
  g.rings = size <= 16 ? 0 : (size <= 32 ? 2 : 4);
  g.heartScale = size <= 16 ? 0.2 : 0.175;
  g.heartRim = std::max(0.028, 0.9 * g.pixel);
  g.heartGap = std::max(0.016, 0.8 * g.pixel);
  g.highlight = size >= 32;
  return g;
}

// Inside the rounded square, whose corners are quarter circles of radius g.corner.
bool insideTile(const Geometry& g, double u, double v, double inset) {
  const double lo = g.margin + inset, hi = 1.0 - g.margin - inset, r = g.corner - inset;
  const double cx = std::clamp(u, lo + r, hi - r), cy = std::clamp(v, lo + r, hi - r);
  const double dx = u - cx, dy = v - cy;
  return u >= lo && u <= hi && v >= lo && v <= hi && dx * dx + dy * dy <= r * r;
}

// Cube root by Newton's method, in plain arithmetic like the rest of the generator.
double cubeRoot(double s) {
  if (s <= 0.0) return 0.0;
  double c = s > 1.0 ? s : 1.0;
  for (int i = 0; i < 40; ++i) c = (2.0 * c + s / (c * c)) / 3.0;
  return c;
}

// The heart x^2 + (y - |x|^(2/3))^2 <= 1, whose notch is deep enough to read at 16 px, grown by
// `grow` icon widths, centred on the tile.
bool insideHeart(const Geometry& g, double u, double v, double grow) {
  const double scale = g.heartScale + grow;
  const double x = (u - 0.5) / (1.1 * scale);
  const double y = 0.25 - (v - 0.5) / scale;
  const double lift = y - cubeRoot(x * x);
  return x * x + lift * lift <= 1.0;
}

struct Sample {
  Rgb colour;
  double alpha;
};

Sample sampleAt(const Geometry& g, double u, double v) {
  if (!insideTile(g, u, v, 0.0)) return {{}, 0.0};
  const double dx = u - 0.5, dy = v - 0.5;
  const double distance = std::sqrt(dx * dx + dy * dy);
  // The heart on top: a gloss spot, the body lighter at the top, a gold rim and a dark gap.
  if (insideHeart(g, u, v, 0.0)) {
    const double top = 0.5 - 1.25 * g.heartScale, height = 2.5 * g.heartScale;
    Rgb body =
        gradient({{0.0, rgb(0xF0405A)}, {0.55, palette::CRIMSON}, {1.0, palette::DARK_CRIMSON}}, (v - top) / height);
    if (g.highlight) {
      const double hx = (u - (0.5 - 0.6 * g.heartScale)) / (0.32 * g.heartScale);
      const double hy = (v - (0.5 - 0.6 * g.heartScale)) / (0.18 * g.heartScale);
      const double r = hx * 0.8 + hy * 0.6, s = -hx * 0.6 + hy * 0.8;
      body = mix(body, palette::WHITE, 0.8 * smoothstep(0.0, 0.6, clamp01(1.0 - (r * r + s * s))));
    }
    return {body, 1.0};
  }
  if (insideHeart(g, u, v, g.heartRim)) {
    return {mix(palette::GOLD, palette::AMBER, clamp01((v - 0.25) / 0.5)), 1.0};
  }
  if (insideHeart(g, u, v, g.heartRim + g.heartGap)) return {palette::OUTLINE, 1.0};
  // The tile's edge, lit from the top.
  if (!insideTile(g, u, v, g.border)) return {mix(palette::STEEL, palette::NAVY, v), 1.0};
  // The tunnel: rings closing in towards the middle, each darker with distance, on night blue.
  Rgb colour = mix(palette::NIGHT, palette::NAVY, clamp01(distance / 0.5));
  double radius = 0.40, fog = 1.0;
  for (int i = 0; i < g.rings; ++i) {
    const double width = std::max(0.16 * radius, 1.3 * g.pixel);
    if (distance <= radius && distance >= radius - width) {
      const double across = (v - (0.5 - radius)) / (2.0 * radius);
      const Rgb steel = gradient({{0.0, palette::ICE}, {0.5, palette::STEEL}, {1.0, palette::DEEP_BLUE}}, across);
      colour = mix(palette::NIGHT, steel, fog);
      break;
    }
    radius *= 0.8;
    fog *= 0.62;
  }
  return {colour, 1.0};
}

}  // namespace

std::vector<std::uint32_t> drawIcon(int size) {
  const Geometry g = geometryFor(size);
  constexpr int SAMPLES = 8;  // per pixel and axis
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Rgb sum;
      double coverage = 0.0;
      for (int sy = 0; sy < SAMPLES; ++sy) {
        for (int sx = 0; sx < SAMPLES; ++sx) {
          const double u = (x + (sx + 0.5) / SAMPLES) * g.pixel, v = (y + (sy + 0.5) / SAMPLES) * g.pixel;
          const Sample s = sampleAt(g, u, v);
          sum = sum + s.colour * s.alpha;
          coverage += s.alpha;
        }
      }
      const Rgb colour = coverage > 0.0 ? sum * (1.0 / coverage) : Rgb{};
      const std::uint32_t alpha = toByte(255.0 * coverage / (SAMPLES * SAMPLES));
      pixels[static_cast<std::size_t>(y) * size + x] = alpha << 24 | toPixel(colour);
    }
  }
  return pixels;
}

}  // namespace art
