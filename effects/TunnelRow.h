#pragma once
// The tunnel's per-pixel work for one frame row: sum five distance and five angle entries, pick
// the texel from the sums and darken it by the distance. A portable version and, where the
// processor has AVX2, an eight-pixels-at-a-time version that gives the same bytes.

#include <cstdint>

#include "render/Pixel.h"

struct TunnelWindows {
  // Each points at the window's entry for column 0 of the row being drawn.
  const std::int32_t* distance[5];
  const std::int32_t* angle[5];
};

// Writes FRAME_WIDTH pixels. The angle sums must lie within +-2^24 (the tables give at most
// +-1,028,850) and the distance sums must not be negative.
using TunnelRowFunction = void (*)(Pixel* out, const TunnelWindows& windows, const Pixel* texture);

void tunnelRowPortable(Pixel* out, const TunnelWindows& windows, const Pixel* texture);
// Null where the processor or the compiler lacks AVX2.
TunnelRowFunction tunnelRowAvx2();
// The fastest version this processor runs.
TunnelRowFunction tunnelRowFunction();
