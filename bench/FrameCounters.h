#pragma once
// Per-frame and per-pixel costs for a benchmark whose every iteration draws one 512 x 280 frame,
// shown as times (for example frame=430us pixel=3.0ns).

#include <benchmark/benchmark.h>

#include "render/Pixel.h"

inline void addFrameCounters(benchmark::State& state) {
  const double frames = static_cast<double>(state.iterations());
  state.counters["frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["pixel"] =
      benchmark::Counter(frames * FRAME_PIXELS, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
