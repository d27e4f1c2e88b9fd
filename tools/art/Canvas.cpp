#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace art {

Rgb gradient(const std::vector<Stop>& stops, double t) {
  if (t <= stops.front().at) return stops.front().colour;
  for (std::size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at) {
      const double span = stops[i].at - stops[i - 1].at;
      return mix(stops[i - 1].colour, stops[i].colour, span > 0.0 ? (t - stops[i - 1].at) / span : 1.0);
    }
  }
  return stops.back().colour;
}

std::uint8_t toByte(double v) {
  const double r = std::floor(v + 0.5);
  return static_cast<std::uint8_t>(r < 0.0 ? 0.0 : (r > 255.0 ? 255.0 : r));
}

std::uint32_t toPixel(Rgb c) {
  return (static_cast<std::uint32_t>(toByte(c.r)) << 16) | (static_cast<std::uint32_t>(toByte(c.g)) << 8) |
         toByte(c.b);
}

Box inkBox(const Mask& m, int margin) {
  Box box{m.width, m.height, 0, 0};
  for (int y = 0; y < m.height; ++y) {
    for (int x = 0; x < m.width; ++x) {
      if (m.at(x, y) == 0.0) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x + 1);
      box.y1 = std::max(box.y1, y + 1);
    }
  }
  if (box.empty()) return box;
  return {std::max(0, box.x0 - margin), std::max(0, box.y0 - margin), std::min(m.width, box.x1 + margin),
          std::min(m.height, box.y1 + margin)};
}

namespace {

// One box pass, computed only inside area (zero elsewhere).
Mask boxPass(const Mask& m, int radius, bool horizontal, Box area) {
  Mask out(m.width, m.height);
  const double scale = 1.0 / (2 * radius + 1);
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      double sum = 0.0;
      for (int k = -radius; k <= radius; ++k) {
        const int sx = horizontal ? x + k : x;
        const int sy = horizontal ? y : y + k;
        sum += m.get(sx, sy);
      }
      out.at(x, y) = sum * scale;
    }
  }
  return out;
}

}  // namespace

Mask blur(const Mask& m, int radius) {
  if (radius <= 0) return m;
  const int box = radius / 2 > 0 ? radius / 2 : 1;
  // Only pixels within reach of the shape can become non-zero.
  const Box area = inkBox(m, 3 * box + 1);
  Mask out = m;
  for (int pass = 0; pass < 3; ++pass) {
    out = boxPass(out, box, true, area);
    out = boxPass(out, box, false, area);
  }
  return out;
}

Mask dilate(const Mask& m, double radius) {
  const int r = static_cast<int>(std::ceil(radius));
  Mask out(m.width, m.height);
  const Box area = inkBox(m, r + 1);
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      double best = 0.0;
      for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
          const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
          const double weight = clamp01(radius + 0.5 - d);
          if (weight <= 0.0) continue;
          const double v = m.get(x + dx, y + dy) * weight;
          if (v > best) best = v;
        }
      }
      out.at(x, y) = best;
    }
  }
  return out;
}

void stampMax(Mask& dst, const Mask& src, int x0, int y0) {
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < src.width; ++x) {
      const int tx = x0 + x, ty = y0 + y;
      if (tx < 0 || ty < 0 || tx >= dst.width || ty >= dst.height) continue;
      if (src.at(x, y) > dst.at(tx, ty)) dst.at(tx, ty) = src.at(x, y);
    }
  }
}

Light lightFromHeight(const Mask& h, int x, int y, double depth, int shininess) {
  auto sample = [&](int sx, int sy) { return h.get(sx, sy); };
  const double dx = (sample(x + 1, y) - sample(x - 1, y)) * 0.5 * depth;
  const double dy = (sample(x, y + 1) - sample(x, y - 1)) * 0.5 * depth;
  // Normal (-dx, -dy, 1); light from the upper left and in front.
  const double nl = std::sqrt(dx * dx + dy * dy + 1.0);
  const double lx = -0.5, ly = -0.6, lz = 0.62;
  const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  const double nDotL = (-dx * lx + -dy * ly + lz) / (nl * ll);
  // Half vector between the light and the viewer (0, 0, 1).
  const double hx = lx / ll, hy = ly / ll, hz = lz / ll + 1.0;
  const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  const double nDotH = (-dx * hx + -dy * hy + hz) / (nl * hl);
  return {clamp01(nDotL), powInt(clamp01(nDotH), shininess)};
}

std::vector<std::uint32_t> pixelsOnBlack(const Layer& layer) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(layer.width) * layer.height);
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) out[static_cast<std::size_t>(y) * layer.width + x] = toPixel(layer.onBlack(x, y));
  }
  return out;
}

std::vector<std::uint32_t> pixelsKeyed(const Layer& layer) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(layer.width) * layer.height);
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) {
      std::uint32_t p = KEY_COLOUR;
      if (layer.alpha(x, y) >= 0.5) {
        p = toPixel(layer.colour(x, y));
        if (p == KEY_COLOUR) p = 0x000000FEu;  // the nearest blue that still shows
      }
      out[static_cast<std::size_t>(y) * layer.width + x] = p;
    }
  }
  // A lone transparent pixel inside a shape (a hairline gap between two strokes that only just
  // misses half cover) would show as a pinhole: it takes the colour of the shape instead.
  auto keyed = [&](int x, int y) {
    return x < 0 || y < 0 || x >= layer.width || y >= layer.height || out[static_cast<std::size_t>(y) * layer.width + x] == KEY_COLOUR;
  };
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) {
      if (!keyed(x, y) || keyed(x - 1, y) || keyed(x + 1, y) || keyed(x, y - 1) || keyed(x, y + 1)) continue;
      std::uint32_t p = layer.alpha(x, y) > 0.0 ? toPixel(layer.colour(x, y)) : out[static_cast<std::size_t>(y) * layer.width + x - 1];
      if (p == KEY_COLOUR) p = 0x000000FEu;
      out[static_cast<std::size_t>(y) * layer.width + x] = p;
    }
  }
  return out;
}

std::vector<std::uint32_t> pixelsBlackShowsThrough(const Layer& layer) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(layer.width) * layer.height);
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) {
      std::uint32_t p = 0;
      if (layer.alpha(x, y) >= 0.5) {
        p = toPixel(layer.colour(x, y));
        if (p == 0) p = 0x00010102u;  // the darkest colour that still covers
      }
      out[static_cast<std::size_t>(y) * layer.width + x] = p;
    }
  }
  return out;
}

}  // namespace art
