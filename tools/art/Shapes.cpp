#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace art {

void paintRaised(Layer& layer, const Mask& shape, const std::function<Rgb(int, int)>& base, const RaisedStyle& style) {
  const Mask edge = style.outline > 0.0 ? dilate(shape, style.outline) : shape;
  const Box area = inkBox(edge, style.extrude);
  if (area.empty()) return;
  if (style.extrude > 0) {
    for (int step = style.extrude; step >= 1; --step) {
      const Rgb block = style.outlineColour * (0.7 + 0.3 * (1.0 - static_cast<double>(step) / style.extrude));
      for (int y = area.y0; y < area.y1; ++y) {
        for (int x = area.x0; x < area.x1; ++x) layer.over(x, y, block, edge.get(x - step, y - step));
      }
    }
  }
  const Mask height = blur(shape, style.bevelRadius * 2);
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      if (style.outline > 0.0) layer.over(x, y, style.outlineColour, edge.at(x, y));
      const double a = shape.at(x, y);
      if (a <= 0.0) continue;
      const Light light = lightFromHeight(height, x, y, style.depth, style.shininess);
      const Rgb c = base(x, y) * (0.55 + 0.6 * light.diffuse) + rgb(0xFFFFFF) * (style.specular * light.specular);
      layer.over(x, y, c, a);
    }
  }
}

Mask placed(int width, int height, const Mask& src, int x, int y) {
  Mask out(width, height);
  stampMax(out, src, x, y);
  return out;
}

Mask ringMask(int width, int height, double cx, double cy, double outer, double inner) {
  Mask out(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double d = std::sqrt(dx * dx + dy * dy);
      double a = clamp01(outer - d + 0.5);
      if (inner > 0.0) a *= clamp01(d - inner + 0.5);
      out.at(x, y) = a;
    }
  }
  return out;
}

Mask coverage(int width, int height, const std::function<bool(double, double)>& inside, Box area) {
  Mask out(width, height);
  if (area.empty()) area = {0, 0, width, height};
  area = {std::max(0, area.x0), std::max(0, area.y0), std::min(width, area.x1), std::min(height, area.y1)};
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0) ? 1 : 0;
      }
      out.at(x, y) = hits / 16.0;
    }
  }
  return out;
}

}  // namespace art
