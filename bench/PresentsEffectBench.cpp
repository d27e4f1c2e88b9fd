#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "effects/PresentsEffect.h"

namespace {

void BM_PresentsRender(benchmark::State& state) {
  useBenchAssets();
  PresentsEffect effect;
  effect.init();
  // The argument says whether a sync event has reached the effect before.
  if (state.range(0) != 0) effect.onSync(2, 1.0f);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  float t = static_cast<float>(state.range(1));
  for (auto _ : state) {
    effect.render(frame.data(), t);
    benchmark::DoNotOptimize(frame.data());
    t += 16.0f;
  }
  addFrameCounters(state);
}
BENCHMARK(BM_PresentsRender)->Args({0, 0})->Args({1, 15000})->Args({1, 1490000})->Unit(benchmark::kMillisecond);

}  // namespace
