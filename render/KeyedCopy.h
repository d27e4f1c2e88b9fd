#pragma once
// The keyed copy: overlay pictures mark the pixels to leave out with the exact value
// TRANSPARENT_KEY; black and every other value, near-keys with a top byte included, are copied.

#include <cstddef>

#include "render/Pixel.h"

inline void copyKeyed(Pixel& dst, Pixel src) {
  if (src != TRANSPARENT_KEY) dst = src;
}

// Run form, for callers whose whole rectangle lies inside their buffer.

// dst[i] = src[i] for i < n, except where src[i] is TRANSPARENT_KEY. Every dst[i] may be
// rewritten (with its own value where the key leaves it alone), so all n must be valid.
// SSE2 where the build has it.
void copyKeyedRun(Pixel* dst, const Pixel* src, std::size_t n);
// The same, one pixel at a time.
void copyKeyedRunPortable(Pixel* dst, const Pixel* src, std::size_t n);
