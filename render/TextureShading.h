#pragma once
// Texture look-up with per-pixel darkening, the inner loop of the traced sphere:
//   out[i] = subtractSaturated(texture[(v[i] & 255) * 256 + (u[i] & 255)], greyWord(shade[i]))
// Coordinates wrap modulo 256, so any integers are valid.

#include <cstddef>
#include <cstdint>

#include "render/Pixel.h"

// SSE2 where the compiler targets it, otherwise the portable form; both give the same bytes.
void shadeTextureRun(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::uint8_t* shade,
                     const Pixel* texture, std::size_t n);
// Two pixels at a time in 64-bit words; kept callable so the two forms can be compared.
void shadeTextureRunPortable(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::uint8_t* shade,
                             const Pixel* texture, std::size_t n);
