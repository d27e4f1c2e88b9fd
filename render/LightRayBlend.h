#pragma once
// One step of the light-ray smear: a pixel becomes (15 s + itself) / 16, s a bilinear sample of
// its four neighbours, so it keeps only 1/16 of itself. The four bytes of a pixel are worked on at
// once as four 16-bit lanes of one 64-bit word (a "wide" pixel, 0x00AA00RR00GG00BB); no lane ever
// exceeds 65025, so nothing crosses into the next lane.

#include <cstddef>
#include <cstdint>

#include "render/Pixel.h"

using WidePixel = std::uint64_t;

namespace light_ray_detail {
inline constexpr std::uint64_t LANE_BYTES = 0x00FF00FF00FF00FFull;
// The colour lanes only: the fourth byte of a neighbour takes no part in the sample.
inline constexpr std::uint64_t COLOUR_LANES = 0x000000FF00FF00FFull;
}  // namespace light_ray_detail

// 0xAARRGGBB -> 0x00AA00RR00GG00BB
constexpr WidePixel widen(Pixel p) {
  std::uint64_t x = p;
  x = (x | x << 16) & 0x0000FFFF0000FFFFull;
  return (x | x << 8) & light_ray_detail::LANE_BYTES;
}

// 0x00AA00RR00GG00BB -> 0xAARRGGBB; every lane must hold a byte.
constexpr Pixel narrow(WidePixel x) {
  x = (x | x >> 8) & 0x0000FFFF0000FFFFull;
  return static_cast<Pixel>(x | x >> 16);
}

// Per colour byte, with unsigned arithmetic and fx, fy in 0..255:
//   top = (n0 (255 - fx) + nx fx) >> 8, bottom = (ny (255 - fx) + nxy fx) >> 8,
//   s = (top (255 - fy) + bottom fy) >> 8, result = (15 s + e) >> 4;
// the fourth byte of the result is the fourth byte of e shifted right by 4. The weights add up
// to 255, not 256, so a uniform area loses a little at every step (200 -> 198, 255 -> 253).
constexpr WidePixel lightRayBlendWide(WidePixel e, WidePixel n0, WidePixel nx, WidePixel ny, WidePixel nxy,
                                      std::uint32_t fx, std::uint32_t fy) {
  using namespace light_ray_detail;
  const std::uint64_t wx1 = fx, wx0 = 255 - fx, wy1 = fy, wy0 = 255 - fy;
  const std::uint64_t top = (((n0 & COLOUR_LANES) * wx0 + (nx & COLOUR_LANES) * wx1) >> 8) & LANE_BYTES;
  const std::uint64_t bottom = (((ny & COLOUR_LANES) * wx0 + (nxy & COLOUR_LANES) * wx1) >> 8) & LANE_BYTES;
  const std::uint64_t sample = ((top * wy0 + bottom * wy1) >> 8) & LANE_BYTES;
  return (((sample << 4) - sample + e) >> 4) & LANE_BYTES;
}

constexpr Pixel lightRayBlend(Pixel e, Pixel n0, Pixel nx, Pixel ny, Pixel nxy, std::uint32_t fx, std::uint32_t fy) {
  return narrow(lightRayBlendWide(widen(e), widen(n0), widen(nx), widen(ny), widen(nxy), fx, fy));
}

// Eight 16-bit weights, the lanes of two wide pixels side by side.
struct alignas(16) LaneWeights {
  std::uint16_t lane[8];
};

// Weights of a sample column: 255 - fx (first) and fx (second) in the three colour lanes of both
// halves, 0 in the fourth lanes; and of a sample row: 255 - fy in the first half, fy in the second.
LaneWeights firstColumnWeights(std::uint32_t fx);
LaneWeights secondColumnWeights(std::uint32_t fx);
LaneWeights rowWeights(std::uint32_t fy);

// Smears one row in place: for m = first, first + step, ... while 0 <= m < count, with
// sc = sampleColumn[m] and sc2 = sc + sampleStep,
//   row[m] = lightRayBlendWide(row[m], near[sc], near[sc2], far[sc], far[sc2], fx[m], fy),
// where fx[m] and fy are the weights given as firstColumn[m] / secondColumn[m] and weightsOfRow.
// Pixels are done strictly in that order, so near may be row itself (the sample reads pixels
// blended earlier in the same call). SSE2 where the build has it.
void smearRow(WidePixel* row, const WidePixel* near, const WidePixel* far, int first, int step, int count,
              const std::int32_t* sampleColumn, int sampleStep, const LaneWeights* firstColumn,
              const LaneWeights* secondColumn, const LaneWeights& weightsOfRow);
// The same, one 64-bit word at a time.
void smearRowPortable(WidePixel* row, const WidePixel* near, const WidePixel* far, int first, int step, int count,
                      const std::int32_t* sampleColumn, int sampleStep, const LaneWeights* firstColumn,
                      const LaneWeights* secondColumn, const LaneWeights& weightsOfRow);

// out[i] = widen(in[i]) and out[i] = narrow(in[i]) for i < n; SSE2 where the build has it.
void widenPixels(WidePixel* out, const Pixel* in, std::size_t n);
void narrowPixels(Pixel* out, const WidePixel* in, std::size_t n);
