#pragma once
// Drawing surfaces of the generator: colours in doubles (0..255 per channel), coverage masks,
// and a layer with premultiplied coverage so that shapes can be stacked with soft edges.

#include <cstdint>
#include <vector>

#include "ArtMath.h"

namespace art {

struct Rgb {
  double r = 0.0, g = 0.0, b = 0.0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r / 255.0, a.g * b.g / 255.0, a.b * b.b / 255.0}; }
inline Rgb mix(Rgb a, Rgb b, double t) { return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)}; }
inline Rgb rgb(std::uint32_t hex) {
  return {static_cast<double>((hex >> 16) & 0xFF), static_cast<double>((hex >> 8) & 0xFF),
          static_cast<double>(hex & 0xFF)};
}
// Colour from a gradient given as stops (position 0..1, colour), positions rising.
struct Stop {
  double at;
  Rgb colour;
};
Rgb gradient(const std::vector<Stop>& stops, double t);

// Channel to byte: round half up, clamp to 0..255.
std::uint8_t toByte(double v);
std::uint32_t toPixel(Rgb c);

struct Mask {
  int width = 0, height = 0;
  std::vector<double> v;

  Mask() = default;
  Mask(int w, int h, double fill = 0.0) : width(w), height(h), v(static_cast<std::size_t>(w) * h, fill) {}
  double& at(int x, int y) { return v[static_cast<std::size_t>(y) * width + x]; }
  double at(int x, int y) const { return v[static_cast<std::size_t>(y) * width + x]; }
  // Outside the mask reads as 0.
  double get(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0.0 : at(x, y);
  }
};

// A rectangle of pixels, x0 <= x < x1, y0 <= y < y1.
struct Box {
  int x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};
// The smallest box holding every non-zero value, grown by margin and cut to the mask.
Box inkBox(const Mask& m, int margin);

// Three box passes approximate a gaussian of about the given radius.
Mask blur(const Mask& m, int radius);
// Grows the shape by radius pixels (maximum over a disc).
Mask dilate(const Mask& m, double radius);
// Copies src into dst at (x, y), keeping the larger value.
void stampMax(Mask& dst, const Mask& src, int x, int y);

// Surface orientation of a raised shape whose height is h (0..1): diffuse and specular light
// from the upper left, both 0..1. depth scales the slopes.
struct Light {
  double diffuse;
  double specular;
};
Light lightFromHeight(const Mask& h, int x, int y, double depth, int shininess = 24);

class Layer {
 public:
  Layer(int w, int h) : width(w), height(h), colour_(static_cast<std::size_t>(w) * h), alpha_(static_cast<std::size_t>(w) * h, 0.0) {}
  const int width, height;

  // Puts colour c with coverage a over what is there.
  void over(int x, int y, Rgb c, double a) {
    if (x < 0 || y < 0 || x >= width || y >= height || a <= 0.0) return;
    if (a > 1.0) a = 1.0;
    const std::size_t i = static_cast<std::size_t>(y) * width + x;
    colour_[i] = c * a + colour_[i] * (1.0 - a);
    alpha_[i] = a + alpha_[i] * (1.0 - a);
  }
  void set(int x, int y, Rgb c) {
    const std::size_t i = static_cast<std::size_t>(y) * width + x;
    colour_[i] = c;
    alpha_[i] = 1.0;
  }
  double alpha(int x, int y) const { return alpha_[static_cast<std::size_t>(y) * width + x]; }
  // The colour where something was drawn (un-premultiplied), black elsewhere.
  Rgb colour(int x, int y) const {
    const std::size_t i = static_cast<std::size_t>(y) * width + x;
    return alpha_[i] > 0.0 ? colour_[i] * (1.0 / alpha_[i]) : Rgb{};
  }
  // Colour premultiplied by coverage: what a picture on black shows.
  Rgb onBlack(int x, int y) const { return colour_[static_cast<std::size_t>(y) * width + x]; }

 private:
  std::vector<Rgb> colour_;
  std::vector<double> alpha_;
};

// Pixels of a picture shown on black (added pictures, the caption, textures).
std::vector<std::uint32_t> pixelsOnBlack(const Layer& layer);
// Pixels of a keyed picture: covered at least half -> opaque colour (never the key itself),
// otherwise the transparent key 0x0000FF; a lone transparent pixel inside a shape is filled.
std::vector<std::uint32_t> pixelsKeyed(const Layer& layer);
// Pixels of a picture whose pure black shows what lies behind: covered at least half -> opaque
// colour (never pure black), otherwise 0.
std::vector<std::uint32_t> pixelsBlackShowsThrough(const Layer& layer);

inline constexpr std::uint32_t KEY_COLOUR = 0x000000FFu;

}  // namespace art
