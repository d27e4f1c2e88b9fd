#pragma once
// Run form of the keyed copy, for callers whose whole rectangle lies inside their buffer.

#include <cstddef>

#include "render/Pixel.h"

// dst[i] = src[i] for i < n, except where src[i] is TRANSPARENT_KEY. Every dst[i] may be
// rewritten (with its own value where the key leaves it alone), so all n must be valid.
// SSE2 where the build has it.
void copyKeyedRun(Pixel* dst, const Pixel* src, std::size_t n);
// The same, one pixel at a time.
void copyKeyedRunPortable(Pixel* dst, const Pixel* src, std::size_t n);
