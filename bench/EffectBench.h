#pragma once
// Set-up shared by the effect benchmarks: each effect is made and initialised once, with the trig
// tables filled and the pictures in place, so a benchmark times only what it draws.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "render/Pixel.h"
#include "render/TrigTables.h"

template <typename Effect>
Effect& preparedEffect() {
  // Never freed: benchmarks of the same effect share it, and it lives until the process ends.
  static Effect* effect = [] {
    fillTrigTables();
    useBenchAssets();
    auto* e = new Effect;
    e->init();
    return e;
  }();
  return *effect;
}

// Draws the same frame once per iteration at the show time given in milliseconds.
template <typename Effect>
void benchFrames(benchmark::State& state, Effect& effect, float timeMs) {
  std::vector<Pixel> frame(SCREEN_PIXELS);
  for (auto _ : state) {
    effect.render(frame.data(), timeMs);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  addFrameCounters(state);
}
