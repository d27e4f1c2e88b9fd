#pragma once
// The light-ray smear of one pixel worked out one byte at a time, the plain form that the packed
// blend and the square tunnel's light rays are checked against.

#include <cstdint>

#include "render/Pixel.h"

inline Pixel blendByBytes(Pixel e, Pixel n0, Pixel nx, Pixel ny, Pixel nxy, std::uint32_t fx, std::uint32_t fy) {
  Pixel out = (e >> 24 >> 4) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    auto byte = [&](Pixel p) { return (p >> shift) & 255u; };
    const std::uint32_t top = (byte(n0) * (255 - fx) + byte(nx) * fx) >> 8;
    const std::uint32_t bottom = (byte(ny) * (255 - fx) + byte(nxy) * fx) >> 8;
    const std::uint32_t s = (top * (255 - fy) + bottom * fy) >> 8;
    out |= ((15 * s + byte(e)) >> 4) << shift;
  }
  return out;
}
