#pragma once
// Arithmetic for the picture generator. Everything here is plain double arithmetic built from
// +, -, *, / and sqrt, which IEEE 754 rounds the same way everywhere, so the pictures come out
// byte-identical on every machine (libm's sin and pow may differ between CPU variants).

#include <cmath>
#include <cstdint>

namespace art {

inline constexpr double PI = 3.14159265358979323846;
inline constexpr double TWO_PI = 2.0 * PI;

inline double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
inline double lerp(double a, double b, double t) { return a + (b - a) * t; }

inline double smoothstep(double edge0, double edge1, double x) {
  const double t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0 - 2.0 * t);
}

// Sine by a Taylor series after reduction to [-pi/2, pi/2]; accurate to about 1e-15.
inline double sine(double x) {
  double r = x - std::floor(x / TWO_PI + 0.5) * TWO_PI;
  if (r > PI / 2) r = PI - r;
  else if (r < -PI / 2) r = -PI - r;
  const double r2 = r * r;
  double term = r;
  double sum = r;
  for (int n = 1; n <= 10; ++n) {
    term = term * -r2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
inline double cosine(double x) { return sine(x + PI / 2); }

inline double powInt(double x, int n) {
  double result = 1.0;
  for (int i = 0; i < n; ++i) result *= x;
  return result;
}

// Wraps v into [0, period).
inline int wrap(int v, int period) {
  const int m = v % period;
  return m < 0 ? m + period : m;
}
// Shortest signed distance between two coordinates on a ring of the given period.
inline double ringDelta(double a, double b, double period) {
  double d = a - b;
  d -= std::floor(d / period + 0.5) * period;
  return d;
}

// Integer hash (a murmur3 finaliser over the mixed inputs).
inline std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B9u ^ x * 0x85EBCA6Bu ^ (y + 0x632BE59Bu) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}
inline double hashUnit(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  return static_cast<double>(hash(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

// The one source of chance in the generator: a fixed-seed splitmix64.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

// Value noise in [0, 1] that repeats every `period` pixels in both directions; the lattice has
// cellsX x cellsY cells per period, so stretched cells give streaks (brushed metal, wood fibre).
inline double tiledNoise(double x, double y, int cellsX, int cellsY, std::uint32_t seed, double period = 256.0) {
  const double fx = x * cellsX / period;
  const double fy = y * cellsY / period;
  const double flx = std::floor(fx);
  const double fly = std::floor(fy);
  const int ix = static_cast<int>(flx);
  const int iy = static_cast<int>(fly);
  double tx = fx - flx;
  double ty = fy - fly;
  tx = tx * tx * tx * (tx * (tx * 6.0 - 15.0) + 10.0);
  ty = ty * ty * ty * (ty * (ty * 6.0 - 15.0) + 10.0);
  const auto x0 = static_cast<std::uint32_t>(wrap(ix, cellsX));
  const auto x1 = static_cast<std::uint32_t>(wrap(ix + 1, cellsX));
  const auto y0 = static_cast<std::uint32_t>(wrap(iy, cellsY));
  const auto y1 = static_cast<std::uint32_t>(wrap(iy + 1, cellsY));
  const double a = lerp(hashUnit(x0, y0, seed), hashUnit(x1, y0, seed), tx);
  const double b = lerp(hashUnit(x0, y1, seed), hashUnit(x1, y1, seed), tx);
  return lerp(a, b, ty);
}

// Several octaves of tiledNoise, each with twice the cells of the one before; result in [0, 1].
inline double tiledFbm(double x, double y, int cellsX, int cellsY, int octaves, std::uint32_t seed,
                       double period = 256.0) {
  double sum = 0.0;
  double amplitude = 0.5;
  double total = 0.0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * tiledNoise(x, y, cellsX << o, cellsY << o, seed + 101u * static_cast<std::uint32_t>(o), period);
    total += amplitude;
    amplitude *= 0.5;
  }
  return sum / total;
}

}  // namespace art
