#pragma once
// The tunnel's per-pixel work for one frame row: sum five distance and five angle entries, pick
// the texel from the sums and darken it by the distance.

#include <cstdint>

#include "render/Pixel.h"

struct TunnelWindows {
  // Each points at the window's entry for column 0 of the row being drawn.
  const std::int32_t* distance[5];
  const std::int32_t* angle[5];
};

// Writes FRAME_WIDTH pixels. The angle sums must lie within +-2^24 (the tables give at most
// +-1,028,850) and the distance sums must not be negative. Eight pixels at a time with AVX2 where
// the processor has it.
void tunnelRow(Pixel* out, const TunnelWindows& windows, const Pixel* texture);
// The same bytes in plain C++, for processors without AVX2 (and to check the AVX2 path).
void tunnelRowPortable(Pixel* out, const TunnelWindows& windows, const Pixel* texture);
