#pragma once
// Per-frame and per-pixel costs for a benchmark whose every iteration draws one 512 x 280 frame.

#include <benchmark/benchmark.h>

#include "render/Pixel.h"

inline void addFrameCounters(benchmark::State& state) {
  const double frames = static_cast<double>(state.iterations());
  // Inverted rates: seconds per (frame / 1000) is milliseconds per frame, and likewise for ns.
  state.counters["ms_per_frame"] =
      benchmark::Counter(frames / 1e3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_pixel"] =
      benchmark::Counter(frames * FRAME_PIXELS / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
