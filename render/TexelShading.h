#pragma once
// Texturing with a shade map, shared by the lattice-sampled scenes: each output pixel is a
// texel looked up from per-pixel coordinates, darkened or brightened by a per-pixel shade.

#include <cstdint>

#include "render/Pixel.h"

// For i < count: texel = texture[((v[i] + vShift) & 255) x 256 + (u[i] & 255)] of a 256 x 256
// texture, s = shade[i] read as unsigned with 256 and above counting as 255, and
// out[i] = texel + greyWord(s) when brighten, else texel - greyWord(s), saturating per byte.
// Runs four pixels at a time with SSE2 where the build has it.
void shadeTexels(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade, int count,
                 const Pixel* texture, std::uint32_t vShift, bool brighten);

// The same bytes one pixel at a time, for builds without SSE2 (and to check the SSE2 path).
void shadeTexelsPortable(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade,
                         int count, const Pixel* texture, std::uint32_t vShift, bool brighten);
